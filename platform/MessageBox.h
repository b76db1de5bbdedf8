#pragma once
// Message boxes. A box never waits for the operator inside the program: the
// wait for the host's reply is the one nested event loop there is, and a
// second loop under it would hold that wait until the exchange timed out.
// So a box opens and the call returns at once; what depends on the answer
// goes in `answered`. Tests can capture and answer boxes through a hook.

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

using MessageAnswered = std::function<void(MessageAnswer)>;

// Opens the box (modal to `parent`'s window only, and its child: it goes
// with the window) and returns. When the operator closes it, `answered` (if
// any) gets Ok for information and warnings, Yes or No for a question; a
// question closed without a choice is No. Nothing is called when the window
// goes first.
void ShowMessage(QWidget* parent, const MessageRequest& request, MessageAnswered answered = {});

// Answers every box instead of showing one; the answer is handed on at
// once. An empty hook restores the real boxes.
using MessageHook = std::function<MessageAnswer(const MessageRequest&)>;
void SetMessageHook(MessageHook hook);

} // namespace platform
