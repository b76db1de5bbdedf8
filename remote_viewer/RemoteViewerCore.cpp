#include "remote_viewer/RemoteViewerCore.h"

#include "host_config/SiteProgramming.h"

#include "common/codeCommonShared.h"
#include "remote_viewer/ViewRemoteTexts.h"

#include <cstdio>

namespace remoteview {

namespace t = texts;

namespace {

std::string Line(std::string_view text) {
    return std::string(text) + kCrLf;
}

std::string Padded(std::int32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", digits, static_cast<int>(value));
    return text;
}

} // namespace

bool MustEmptyBeforeAppend(std::size_t shownCharacters) {
    return shownCharacters > kStatusLimit;
}

FieldReply FieldReply::Answered(const clsUSBInterface::ReplyBuffer& reply) {
    FieldReply r;
    r.answered = true;
    r.bytes = reply;
    return r;
}

FieldReply FieldReply::Failed(std::string why) {
    FieldReply r;
    r.failure = std::move(why);
    return r;
}

std::int32_t FieldReply::Value() const {
    int at = kValueOffset;
    return GetLongField(bytes, at);
}

std::string FailureReason(ExchangeOutcome outcome) {
    switch (outcome) {
    case ExchangeOutcome::Ok:
        return {};
    case ExchangeOutcome::None:
        return t::kReasonNoExchange;
    case ExchangeOutcome::CrcError:
        return t::kReasonCrc;
    case ExchangeOutcome::Timeout:
        return t::kReasonTimeout;
    case ExchangeOutcome::Status:
        return t::kReasonDevice;
    case ExchangeOutcome::TooLong:
        return t::kReasonTooLong;
    case ExchangeOutcome::BadLength:
        return t::kReasonBadLength;
    case ExchangeOutcome::Busy:
        return t::kReasonBusy;
    }
    return t::kReasonNoExchange;
}

std::string BufferLine(std::span<const std::uint8_t> buffer, int start, int count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line;
    for (int i = start; i < start + count; ++i) {
        if (i < 0 || static_cast<std::size_t>(i) >= buffer.size()) {
            continue;
        }
        const std::uint8_t b = buffer[static_cast<std::size_t>(i)];
        line += kDigits[b >> 4];
        line += kDigits[b & 0x0F];
        line += ' ';
    }
    return line + kCrLf;
}

std::string ReplyLine(const FieldReply& reply) {
    if (!reply.answered) {
        return Line(std::string(t::kLinkFailure) + reply.failure);
    }
    return BufferLine(reply.bytes, kShownStart, kShownCount);
}

std::string CountersText(std::span<const std::optional<std::int32_t>, kCounterCount> counters) {
    std::string text = kCrLf;
    for (int i = 0; i < kCounterCount; ++i) {
        const auto& counter = counters[static_cast<std::size_t>(i)];
        text += counter ? Padded(*counter, 10) : std::string(t::kNoCounter);
        text += ' ';
        if (i == 3 || i == 7) {
            text += kCrLf;
        }
    }
    return text;
}

std::string MemoryDumpText(std::span<const std::uint8_t, kMemorySize> memory) {
    std::string text;
    for (int line = 0; line < kMemorySize / kMemoryLineBytes; ++line) {
        text += BufferLine(memory, line * kMemoryLineBytes, kMemoryLineBytes);
    }
    return text;
}

std::string ErrorCountsText(std::span<const std::int32_t, kErrorCounterCount> counts) {
    std::string text;
    for (int i = 0; i < kErrorCounterCount; ++i) {
        const std::int32_t count = counts[static_cast<std::size_t>(i)];
        if (count > 0) {
            text +=
                Padded(i, 2) + " = " + Padded(count, 5) + "  " + std::string(ErrorText(i)) + kCrLf;
        }
    }
    return text.empty() ? Line(t::kNoErrors) : text;
}

std::string_view ErrorText(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= t::kErrorTexts.size()) {
        return {};
    }
    return t::kErrorTexts[static_cast<std::size_t>(index)];
}

std::string StoppedLine(int notSent, int total) {
    std::string text = t::kStopped;
    const auto put = [&text](std::string_view marker, int value) {
        const auto at = text.find(marker);
        if (at != std::string::npos) {
            text.replace(at, marker.size(), std::to_string(value));
        }
    };
    put("%1", notSent);
    put("%2", total);
    return Line(text);
}

int PollRemote(FieldSession& session) {
    session.Display(ReplyLine(session.Send(kCmndPoll, 0)));
    return 0;
}

int GetCounts(FieldSession& session) {
    session.SetText({});
    // A poll, the latch of all counters, then each counter.
    std::array<std::optional<std::int32_t>, kCounterCount> counters{};
    for (int k = 0; k < kGetCountsCommands; ++k) {
        if (k > 0 && session.ShouldStop()) {
            session.Display(StoppedLine(kGetCountsCommands - k, kGetCountsCommands));
            return kGetCountsCommands - k;
        }
        const int counter = k - 2;
        const FieldReply reply = k == 0   ? session.Send(kCmndPoll, 0)
                                 : k == 1 ? session.Send(kCmndLatchCounters, kLatchAllCounters)
                                          : session.Send(kCmndReadCounter, counter);
        session.Display(ReplyLine(reply));
        // A node status other than 0 still comes with this reply's bytes; a
        // failed exchange has none, and its counter stays unknown.
        if (counter >= 0 && reply.answered) {
            counters[static_cast<std::size_t>(counter)] = reply.Value();
        }
    }
    session.Display(CountersText(counters));
    return 0;
}

int DumpNV(FieldSession& session) {
    session.SetText(t::kBusy);
    std::array<std::uint8_t, kMemorySize> memory{};
    for (int b = 0; b < kDumpNVCommands; ++b) {
        if (b > 0 && session.ShouldStop()) {
            session.SetText(StoppedLine(kDumpNVCommands - b, kDumpNVCommands));
            return kDumpNVCommands - b;
        }
        const FieldReply reply = session.Send(kCmndReadMemory, kMemoryBlock * b);
        if (!reply.Good()) {
            // Bytes read before the failure are not shown either.
            session.SetText(Line(t::kCommunicationError));
            return 0;
        }
        for (int i = 0; i < kMemoryBlock; ++i) {
            memory[static_cast<std::size_t>(kMemoryBlock * b + i)] =
                reply.bytes[static_cast<std::size_t>(kValueOffset + i)];
        }
    }
    session.SetText(MemoryDumpText(memory));
    return 0;
}

int DumpRemoteErrorCounts(FieldSession& session) {
    session.SetText(t::kBusy);
    std::array<std::int32_t, kErrorCounterCount> counts{};
    for (int i = 0; i < kErrorCounterCount; ++i) {
        if (i > 0 && session.ShouldStop()) {
            session.SetText(StoppedLine(kErrorCounterCount - i, kErrorCounterCount));
            return kErrorCounterCount - i;
        }
        const FieldReply reply = session.Send(kCmndReadErrorCount, i);
        if (!reply.Good()) {
            session.SetText(Line(t::kCommunicationError));
            return 0;
        }
        counts[static_cast<std::size_t>(i)] = reply.Value();
    }
    session.SetText(ErrorCountsText(counts));
    return 0;
}

int ClearRemoteErrorCounts(FieldSession& session) {
    session.SetText({});
    const FieldReply reply = session.Send(kCmndClearErrorCounts, 0);
    session.Display(Line(reply.Good() ? t::kSuccess : t::kCommunicationError));
    return 0;
}

LinkFieldSession::LinkFieldSession(clsUSBInterface* link, std::uint8_t node,
                                   std::function<bool()> stop,
                                   std::function<void(const std::string&)> display,
                                   std::function<void(const std::string&)> setText)
    : link_(link), node_(node), stop_(std::move(stop)), display_(std::move(display)),
      setText_(std::move(setText)) {}

FieldReply LinkFieldSession::Send(std::int32_t cmnd, std::int32_t cnt) {
    if (link_ == nullptr) {
        return FieldReply::Failed(texts::kReasonNoLink);
    }
    link_->SendTamberCmnd(node_, cmnd, cnt);
    if (link_ == nullptr) {
        return FieldReply::Failed(texts::kReasonNoLink);
    }
    const ExchangeOutcome outcome = link_->LastOutcome();
    if (outcome != ExchangeOutcome::Ok) {
        return FieldReply::Failed(FailureReason(outcome));
    }
    return FieldReply::Answered(link_->RcvData());
}

bool LinkFieldSession::ShouldStop() {
    return link_ == nullptr || (stop_ && stop_());
}

void LinkFieldSession::Display(const std::string& text) {
    if (display_) {
        display_(text);
    }
}

void LinkFieldSession::SetText(const std::string& text) {
    if (setText_) {
        setText_(text);
    } else if (display_) {
        display_(text);
    }
}

bool SendViewerSiteParams(clsUSBInterface* link, const SiteParamRecord& site, bool holdNodes,
                          std::string& why) {
    const QPointer<clsUSBInterface> alive(link);
    if (alive == nullptr) {
        why = texts::kReasonNoLink;
        return false;
    }
    SiteParamRecord sent = site;
    if (holdNodes) {
        sent.MaxNode = 0;
    }
    hostconfig::SendSiteParams(alive, sent);
    if (alive == nullptr) {
        why = texts::kReasonNoLink;
        return false;
    }
    if (alive->LastOutcome() != ExchangeOutcome::Ok) {
        why = FailureReason(alive->LastOutcome());
        return false;
    }
    return true;
}

} // namespace remoteview
