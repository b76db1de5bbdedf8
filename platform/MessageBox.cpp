#include "platform/MessageBox.h"

#include <QMessageBox>

namespace platform {

namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

} // namespace

MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request) {
    if (Hook()) {
        return Hook()(request);
    }
    switch (request.kind) {
    case MessageKind::Question:
        return QMessageBox::question(parent, request.title, request.text) == QMessageBox::Yes
                   ? MessageAnswer::Yes
                   : MessageAnswer::No;
    case MessageKind::Warning:
        QMessageBox::warning(parent, request.title, request.text);
        return MessageAnswer::Ok;
    case MessageKind::Information:
        break;
    }
    QMessageBox::information(parent, request.title, request.text);
    return MessageAnswer::Ok;
}

void SetMessageHook(MessageHook hook) {
    Hook() = std::move(hook);
}

} // namespace platform
