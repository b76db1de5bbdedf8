#include "platform/MessageBox.h"

#include <QMessageBox>

namespace platform {

namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

std::function<bool()>& WaitInProgress() {
    static std::function<bool()> waiting;
    return waiting;
}

// Shows the box and returns at once; the box goes when it is closed.
void ShowWithoutWaiting(QWidget* parent, const MessageRequest& request) {
    auto* box = new QMessageBox(request.kind == MessageKind::Warning ? QMessageBox::Warning
                                                                      : QMessageBox::Information,
                                request.title, request.text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

} // namespace

MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request) {
    if (Hook()) {
        return Hook()(request);
    }
    if (request.kind != MessageKind::Question && WaitInProgress() && WaitInProgress()()) {
        ShowWithoutWaiting(parent, request);
        return MessageAnswer::Ok;
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

void SetWaitInProgress(std::function<bool()> waiting) {
    WaitInProgress() = std::move(waiting);
}

} // namespace platform
