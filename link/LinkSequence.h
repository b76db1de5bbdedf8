#pragma once
// Claims the one device link for a command's run of exchanges ("Program",
// "Program All", a dump, a record read). Every command that talks to the
// host starts with one:
//
//     LinkSequence run(ProgramState::Instance().Link);
//     if (!run.Claimed()) {
//         // tell the operator (LinkSequence::kRefusedText); change nothing
//         return;
//     }
//     ... disable buttons, send, checking run.ShouldStop() before each
//     exchange after the first, and the link's LastOutcome() after each ...
//
// A command of another window started while the run waits for a reply
// (events are processed then) finds the link in use and is refused before
// it changes anything. The claim ends when the object goes out of scope.

#include "link/clsUSBInterface.h"

#include <QPointer>

class LinkSequence {
public:
    static constexpr const char* kRefusedTitle = "Host link busy";
    static constexpr const char* kRefusedText =
        "Another command is talking to the host. Try again when it has finished.";
    static constexpr const char* kNoLinkText = "There is no connection to the host.";

    explicit LinkSequence(clsUSBInterface* link)
        : link_(link), claimed_(link != nullptr && link->BeginSequence()) {}
    ~LinkSequence() { Release(); }

    LinkSequence(const LinkSequence&) = delete;
    LinkSequence& operator=(const LinkSequence&) = delete;

    bool Claimed() const { return claimed_; }
    // Why the claim failed, for the operator.
    const char* RefusalText() const { return link_ == nullptr ? kNoLinkText : kRefusedText; }
    // True when the run must not start another exchange: a quit was
    // requested, or the link went away.
    bool ShouldStop() const { return !claimed_ || link_ == nullptr || link_->StopRequested(); }
    // Ends the claim early (the destructor does it otherwise).
    void Release() {
        if (claimed_ && link_ != nullptr) {
            link_->EndSequence();
        }
        claimed_ = false;
    }

private:
    QPointer<clsUSBInterface> link_;
    bool claimed_ = false;
};
