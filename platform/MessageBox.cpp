#include "platform/MessageBox.h"

#include <QMessageBox>

namespace platform {

namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
    case MessageKind::Question:
        return QMessageBox::Question;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Information:
        break;
    }
    return QMessageBox::Information;
}

} // namespace

void ShowMessage(QWidget* parent, const MessageRequest& request, MessageAnswered answered) {
    if (Hook()) {
        const MessageAnswer answer = Hook()(request);
        if (answered) {
            answered(answer);
        }
        return;
    }
    const bool question = request.kind == MessageKind::Question;
    auto* box =
        new QMessageBox(IconOf(request.kind), request.title, request.text,
                        question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    if (question) {
        box->setEscapeButton(QMessageBox::No);
    }
    // The answer is read before the box goes; a box whose window went first
    // is deleted with it and answers nothing.
    QObject::connect(box, &QDialog::finished, box, [box, question, answered](int) {
        const bool yes = box->clickedButton() == box->button(QMessageBox::Yes);
        box->deleteLater();
        if (answered) {
            answered(!question ? MessageAnswer::Ok : yes ? MessageAnswer::Yes : MessageAnswer::No);
        }
    });
    box->open();
}

void SetMessageHook(MessageHook hook) {
    Hook() = std::move(hook);
}

} // namespace platform
