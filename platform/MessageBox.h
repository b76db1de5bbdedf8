#pragma once
// Message boxes. Tests can capture and answer them through a hook instead of
// a real box waiting for a click.

#include <QString>

#include <functional>

class QWidget;

namespace platform {

enum class MessageKind { Information, Warning, Question };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
    MessageKind kind = MessageKind::Information;
    QString title;
    QString text;
};

// Shows the box and waits for the operator: Ok for information and
// warnings, Yes or No for a question.
MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request);

// Answers every box instead of showing one; an empty hook restores the real
// boxes.
using MessageHook = std::function<MessageAnswer(const MessageRequest&)>;
void SetMessageHook(MessageHook hook);

// While `waiting` answers true (a wait for the host's reply is under way), an
// information or warning box is shown without waiting for the operator:
// a box that held the wait would make that exchange time out. A question
// still waits for its answer. An empty function restores waiting boxes.
void SetWaitInProgress(std::function<bool()> waiting);

} // namespace platform
