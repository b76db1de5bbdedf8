#pragma once
// The pure core of the remote node viewer: the field-network commands it
// sends to one node, the runs of commands behind its buttons, and the text
// it shows for the replies (reply bytes, counters, memory dump, error
// counts). No widgets here; the window supplies a FieldSession that sends
// through the device link and shows text.

#include "common/SiteParamRecord.h"
#include "link/clsUSBInterface.h"

#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace remoteview {

inline constexpr int kNodeCount = 16; // the list offers nodes 1..16

// Field-network commands and their count arguments.
inline constexpr std::int32_t kCmndPoll = 1;
inline constexpr std::int32_t kCmndLatchCounters = 2;
inline constexpr std::int32_t kLatchAllCounters = 255;
inline constexpr std::int32_t kCmndReadCounter = 3;
inline constexpr std::int32_t kCmndReadMemory = 28;
inline constexpr std::int32_t kCmndReadErrorCount = 29;
inline constexpr std::int32_t kCmndClearErrorCounts = 30;

inline constexpr int kCounterCount = 8;
inline constexpr int kMemorySize = 128;
inline constexpr int kMemoryBlock = 4; // bytes per memory read
inline constexpr int kMemoryLineBytes = 16;
inline constexpr int kErrorCounterCount = 22;

// Reply bytes shown for a command (node address, command, node status and
// the four value bytes), and where the value starts.
inline constexpr int kShownStart = 9;
inline constexpr int kShownCount = 7;
inline constexpr int kValueOffset = 12;

// The output box is emptied before an append once it holds more than this.
inline constexpr std::size_t kStatusLimit = 20000;
bool MustEmptyBeforeAppend(std::size_t shownCharacters);

inline constexpr const char* kCrLf = "\r\n";

// One exchange of a field-network command as the viewer sees it.
struct FieldReply {
    // The exchange ended with a good reply (complete, CRC good); only then
    // do the bytes belong to this command.
    bool answered = false;
    // Why not, for the operator (empty when answered).
    std::string failure;
    clsUSBInterface::ReplyBuffer bytes{};

    static FieldReply Answered(const clsUSBInterface::ReplyBuffer& reply);
    static FieldReply Failed(std::string why);

    std::uint8_t NodeStatus() const { return bytes[clsUSBInterface::kReplyStatusOffset]; }
    // The counter value at reply byte 12 (31 bits).
    std::int32_t Value() const;
    // Answered with node status 0.
    bool Good() const { return answered && NodeStatus() == 0; }
};

// Why an exchange that ended with `outcome` has no reply to show.
std::string FailureReason(ExchangeOutcome outcome);

// What a run of commands needs from its window.
class FieldSession {
public:
    virtual ~FieldSession() = default;
    // Sends one command to the chosen node and waits for its reply.
    virtual FieldReply Send(std::int32_t cmnd, std::int32_t cnt) = 0;
    // True when no further command may be sent (the program is closing).
    virtual bool ShouldStop() = 0;
    // Appends `text` to the output box (the box's own emptying rule applies).
    virtual void Display(const std::string& text) = 0;
    // Replaces the whole output with `text`.
    virtual void SetText(const std::string& text) = 0;
};

// One line of buffer[start] .. buffer[start + count - 1], each byte as two
// upper-case hexadecimal digits and a blank, ending in CR LF. Indexes
// outside the buffer are left out.
std::string BufferLine(std::span<const std::uint8_t> buffer, int start, int count);

// The reply bytes 9..15 of an answered command, or the line that says why
// there are none.
std::string ReplyLine(const FieldReply& reply);

// The counters as two rows of four: a CR LF, then each counter as at least
// ten zero-padded digits and a blank, a CR LF after the fourth and the
// eighth. A counter that could not be read shows dashes.
std::string CountersText(std::span<const std::optional<std::int32_t>, kCounterCount> counters);

// The node's memory as 8 lines of 16 bytes.
std::string MemoryDumpText(std::span<const std::uint8_t, kMemorySize> memory);

// The non-zero error counters, "03 = 00012  UART framing error", or
// "No Errors" when all are 0.
std::string ErrorCountsText(std::span<const std::int32_t, kErrorCounterCount> counts);

// The text of error counter `index`; empty outside the table.
std::string_view ErrorText(int index);

// The line that ends a run stopped before all its commands went out.
std::string StoppedLine(int notSent, int total);

// The runs behind the buttons. Each returns how many of its commands were
// not sent because the session asked it to stop (0 when it ran to its end).
int PollRemote(FieldSession& session);
int GetCounts(FieldSession& session);
int DumpNV(FieldSession& session);
int DumpRemoteErrorCounts(FieldSession& session);
int ClearRemoteErrorCounts(FieldSession& session);

// Commands each run sends when it is not stopped.
inline constexpr int kGetCountsCommands = 2 + kCounterCount;
inline constexpr int kDumpNVCommands = kMemorySize / kMemoryBlock;

// A run's way to node `node` through the device link: a command's reply
// counts only when its exchange ended OK. `stop` and `display` come from
// the caller (the window or the command line); either may be empty.
class LinkFieldSession : public FieldSession {
public:
    LinkFieldSession(clsUSBInterface* link, std::uint8_t node, std::function<bool()> stop,
                     std::function<void(const std::string&)> display,
                     std::function<void(const std::string&)> setText = {});
    FieldReply Send(std::int32_t cmnd, std::int32_t cnt) override;
    bool ShouldStop() override;
    void Display(const std::string& text) override;
    void SetText(const std::string& text) override;

private:
    QPointer<clsUSBInterface> link_;
    std::uint8_t node_;
    std::function<bool()> stop_;
    std::function<void(const std::string&)> display_;
    std::function<void(const std::string&)> setText_;
};

// Sends the site parameters of `site`, with the node count 0 when `holdNodes`
// (the host then leaves the field network to the viewer). True when the
// host answered; else `why` says what went wrong.
bool SendViewerSiteParams(clsUSBInterface* link, const SiteParamRecord& site, bool holdNodes,
                          std::string& why);

} // namespace remoteview
