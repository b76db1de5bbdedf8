#pragma once
// The device link: the one connection to the host. Frames requests, writes
// them, waits up to 500 ms for the reply, checks its CRC, writes the outcome
// of every exchange to the link log and hands the reply bytes back. It never
// throws and never shows a dialog.

#include "link/codeFTDIDirect.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class QTimer;

// How the last exchange ended. The designed link leaves the caller only the
// reply buffer; this lets a window tell a good reply from a stale buffer.
enum class ExchangeOutcome {
    None,      // no exchange yet
    Ok,        // complete reply, CRC good
    CrcError,  // complete reply, CRC bad (still returned)
    Timeout,   // no (complete) reply within 500 ms, or a length of 0x8000 or more
    Status,    // a D2XX call failed
    TooLong,   // the reply was longer than the reply buffer; the surplus was dropped
    BadLength, // the reply's length field was below the 9 bytes of an empty frame
    Busy,      // refused: another exchange was still waiting for its reply
};

class clsUSBInterface : public QObject {
    Q_OBJECT
public:
    static constexpr int kReplySize = 201;       // reply buffer, indexes 0..200
    static constexpr int kReceiveAreaSize = 200; // scratch area of each device read
    static constexpr int kHeaderSize = 7;
    static constexpr int kReplyTimeoutMs = 500;
    // After an exchange that did not end with a good reply, and after the
    // device is opened, the next request goes out only once the line has
    // been quiet this long: a reply that missed its time-out (this process's
    // or an earlier one's) must not pass for the next request's. As long as
    // the time-out itself, so a reply up to twice the time-out late is
    // caught. A line that keeps talking is waited for this long at most.
    static constexpr int kQuietLineMs = kReplyTimeoutMs;
    static constexpr int kQuietWaitLimitMs = 4 * kReplyTimeoutMs;
    // Offset of the first memory byte in the reply to a memory read.
    static constexpr int kMemoryDataOffset = 13;
    // Offset of the host's (or a remote node's) status byte in a reply.
    static constexpr int kReplyStatusOffset = 11;

    using ReplyBuffer = std::array<std::uint8_t, kReplySize>;

    // Fills the status texts and opens the first device.
    clsUSBInterface();
    // Closes the device if one is open.
    ~clsUSBInterface() override;

    clsUSBInterface(const clsUSBInterface&) = delete;
    clsUSBInterface& operator=(const clsUSBInterface&) = delete;

    // CRC-16/XMODEM of bytes 0..bufLen-1 of `buf` (0 for bufLen <= 0).
    static std::int32_t Crc16(std::span<const std::uint8_t> buf, int bufLen);

    void FlushRcv();
    void ListDevices();
    std::int32_t ReadInputs();
    ReplyBuffer NovRamRead(std::int32_t addr, std::int32_t cnt);
    std::int16_t SendTamberCmnd(std::uint8_t addr, std::int32_t cmnd, std::int32_t cnt);
    ReplyBuffer SendMessage(std::int32_t deviceId, std::int16_t msgLen, std::int32_t cmnd,
                            std::span<const std::uint8_t> pktData);
    // Hands the link the timer that ends a reply wait (the main window's).
    void SetTimer(QTimer* tmr);
    // How long the line must stay quiet before a request that may meet a
    // late reply (kQuietLineMs); a harness whose device has no real time
    // sets 0.
    void SetQuietLineMs(int ms) { quietLineMs_ = ms; }
    // Zeroes `bytes`, then stores the 8-bit code of each character of `text`.
    static void StringToByteArray(std::string_view text, std::span<std::uint8_t> bytes);
    // The reply timer's tick.
    void Timeout();
    ReplyBuffer RcvData() const { return reply_; }

    // The D2XX status text of `status`; a code outside the table is named.
    std::string StatusText(FT_STATUS status) const;

    // What the last exchange came to, and how many reply bytes it stored.
    ExchangeOutcome LastOutcome() const { return lastOutcome_; }
    int LastReplyBytes() const { return lastReplyBytes_; }
    FT_STATUS LastStatus() const { return lastStatus_; }
    // True when the last exchange's request was written whole (whatever
    // became of the reply); false when it was refused or the write failed.
    bool LastRequestSent() const { return lastRequestSent_; }
    // True while an exchange waits for its reply.
    bool IsBusy() const { return busy_; }
    // True while an exchange waits or a command's run of exchanges holds the
    // link (see LinkSequence): no other command may start then.
    bool InUse() const { return busy_ || sequenceDepth_ > 0; }

    // A command's run of exchanges claims the link for its whole length, so
    // that a command of another window, started from inside one of the run's
    // reply waits, is refused before it changes anything. False (and nothing
    // claimed) when the link is in use. Use LinkSequence rather than these.
    bool BeginSequence();
    void EndSequence();

    // A quit was requested (Exit, window close, a signal): a running
    // sequence stops at its next exchange boundary. Single exchanges are not
    // refused, so the shut-down can still send what it must.
    void RequestStop() { stopRequested_ = true; }
    bool StopRequested() const { return stopRequested_; }
    void ClearStopRequest() { stopRequested_ = false; }

    // The device is open and no exchange has found it gone since.
    bool DeviceOpen() const;
    // Why the device is not open: the status of the failed open, or of the
    // error that lost it (FT_OK while it is open).
    FT_STATUS DeviceFailure() const { return deviceFailure_; }
    // True for a status that means the device is gone (pulled out, hung up,
    // never opened): the next exchange first tries to open it again.
    static bool MeansDeviceGone(FT_STATUS status);
    // Closes the device and opens it again at once, logging the outcome.
    // Refused (false, nothing done) while the link is in use.
    bool Reconnect();

    std::uint8_t SeqNo() const { return seqNo_; }
    void SetSeqNo(std::uint8_t seqNo) { seqNo_ = seqNo; }

    // The outcome text that ends an exchange's log line ("  OK", ...).
    std::string OutcomeText(ExchangeOutcome outcome, FT_STATUS status) const;

signals:
    // An exchange has ended (whatever its outcome); the link may still be
    // held by a sequence.
    void ExchangeFinished();
    // The link has become free: no exchange waits and no sequence holds it.
    void Idle();
    // The device was opened, lost, or could not be opened again.
    void ConnectionChanged();

private:
    // What a refused exchange returns: zeros with a non-zero status byte.
    static ReplyBuffer RefusedReply();
    // Writes the framed request and receives its reply (the device is open).
    void SendFrame(std::int32_t deviceId, std::int16_t msgLen, std::int32_t cmnd,
                   std::span<const std::uint8_t> pktData);
    void ReceiveReply();
    // Bytes dropped before a request, for the log line that names them.
    struct LateBytes {
        std::string shown;
        std::uint32_t dropped = 0;
    };
    // Logs and drops bytes that wait before a request is written; after a
    // time-out first waits for the line to fall quiet (WaitForQuietLine).
    void DiscardLateBytes();
    // Drops `queued` waiting bytes into `late`; false when none could be read.
    bool DropQueued(std::uint32_t queued, LateBytes& late);
    // Drops what arrives until the line has been quiet for quietLineMs_,
    // waiting no longer than kQuietWaitLimitMs in all.
    void WaitForQuietLine(LateBytes& late);
    // Ends an exchange whose request could not be written.
    void EndWithoutReply(FT_STATUS status);
    // Polls the queue until `needed` bytes wait, the time-out, or a failed
    // poll. Returns the last queue status; `queued` holds the last count.
    FT_STATUS WaitForQueued(std::uint32_t needed, std::uint32_t& queued);
    // Reads and drops `count` queued bytes, at most a receive area at a time.
    void Discard(std::uint32_t count);
    void LogError(FT_STATUS status);
    // Opens the first device (closing a held handle first). `again` logs a
    // success as a reopen; a failure is logged as at start-up.
    void OpenDevice(bool again);
    // After an exchange: a device error that means the device is gone makes
    // the next exchange reopen it.
    void NoteDeviceError(FT_STATUS status);
    void StartTimer();
    void StopTimer();

    ReplyBuffer reply_{};
    std::int16_t RcvLen = 0;
    bool TimedOut = false;
    std::uint8_t seqNo_ = 0;
    QPointer<QTimer> timer_;
    QTimer* ownTimer_ = nullptr;
    std::array<std::uint8_t, kReceiveAreaSize> receiveArea_{};

    bool busy_ = false;
    int sequenceDepth_ = 0;
    bool stopRequested_ = false;
    ExchangeOutcome lastOutcome_ = ExchangeOutcome::None;
    int lastReplyBytes_ = 0;
    FT_STATUS lastStatus_ = platform::FT_OK;
    bool lastRequestSent_ = false;
    // A reply not taken (the last exchange's, or one sent to an earlier
    // process before the device was opened) may still be on its way.
    bool quietLineDue_ = false;
    int quietLineMs_ = kQuietLineMs;
    // The device must be opened again before the next exchange.
    bool reopenDue_ = false;
    FT_STATUS deviceFailure_ = platform::FT_OK;
};
