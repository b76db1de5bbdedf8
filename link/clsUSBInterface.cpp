#include "link/clsUSBInterface.h"

#include "common/Crc16.h"
#include "common/codeCommon.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// D2XX status texts, indexed by status code.
constexpr std::array<const char*, 19> kStatusText = {
    "OK",
    "Invalid Handle",
    "Device Not Found",
    "Device Not Opened",
    "I/O Error",
    "Insufficient Resources",
    "Invalid Parameter",
    "Invalid Baud Rate",
    "Device Not Opened for Erase",
    "Device Not Opened for Write",
    "Failed to Write Device",
    "EEPROM Read Failed",
    "EEPROM Write Failed",
    "EEPROM Erase Failed",
    "EEPROM Not Present",
    "EEPROM Not Programmed",
    "Invalid Arguments",
    "Not Supported",
    "Other Error",
};

constexpr const char* kCrLf = "\r\n";
constexpr const char* kBusyLine =
    "Exchange refused: the link is still waiting for the reply to another request\r\n";

// If the timer is never delivered (no event loop running), the wait still
// ends: this long after the designed time-out the link times out by itself.
constexpr int kSafetyMarginMs = 250;

// The reply wait sleeps on the device until the bytes it still needs have
// arrived, and looks at the window system's events at least this often, so
// the windows stay responsive and the time-out's tick is delivered.
constexpr int kEventSliceMs = 10;

// At most this many discarded late bytes are shown in the log line.
constexpr std::size_t kLateBytesShown = clsUSBInterface::kReplySize;

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", b);
        text += hex;
    }
    return text;
}

} // namespace

clsUSBInterface::clsUSBInterface() {
    // The link works with its own timer until the main window hands over its.
    ownTimer_ = new QTimer(this);
    SetTimer(ownTimer_);

    if (FtHandle != 0) {
        const FT_STATUS status = FT_Close(FtHandle);
        if (status != platform::FT_OK) {
            LogError(status);
        }
        FtHandle = 0;
    }
    OpenDevice(false);
}

void clsUSBInterface::OpenDevice(bool again) {
    if (FtHandle != 0) {
        // The handle of a device that is gone cannot be closed cleanly;
        // its error says nothing the reopen below will not say better.
        FT_Close(FtHandle);
        FtHandle = 0;
    }
    const FT_STATUS status = FT_Open(0, FtHandle);
    if (status != platform::FT_OK) {
        FtHandle = 0;
        LogError(status);
        reopenDue_ = true;
        deviceFailure_ = status;
        emit ConnectionChanged();
        return;
    }
    reopenDue_ = false;
    deviceFailure_ = platform::FT_OK;
    // The line may still carry a reply to a request written before this
    // open, by another process or before the device was lost.
    quietLineDue_ = true;
    if (again) {
        AppendStatusText(std::string("Device opened again") + kCrLf);
    }
    // A peer that stops reading must not hold a write longer than an
    // exchange may last.
    const FT_STATUS timeouts = FT_SetTimeouts(FtHandle, kReplyTimeoutMs, kReplyTimeoutMs);
    if (timeouts != platform::FT_OK) {
        LogError(timeouts);
    }
    emit ConnectionChanged();
}

bool clsUSBInterface::DeviceOpen() const {
    return FtHandle != 0 && !reopenDue_;
}

bool clsUSBInterface::MeansDeviceGone(FT_STATUS status) {
    switch (status) {
    case platform::FT_INVALID_HANDLE:
    case platform::FT_DEVICE_NOT_FOUND:
    case platform::FT_DEVICE_NOT_OPENED:
    case platform::FT_IO_ERROR:
        return true;
    default:
        return false;
    }
}

void clsUSBInterface::NoteDeviceError(FT_STATUS status) {
    if (reopenDue_ || !MeansDeviceGone(status)) {
        return;
    }
    reopenDue_ = true;
    deviceFailure_ = status;
    emit ConnectionChanged();
}

bool clsUSBInterface::Reconnect() {
    if (InUse()) {
        return false;
    }
    OpenDevice(true);
    return true;
}

clsUSBInterface::~clsUSBInterface() {
    if (FtHandle != 0) {
        FT_Close(FtHandle);
        FtHandle = 0;
    }
}

std::int32_t clsUSBInterface::Crc16(std::span<const std::uint8_t> buf, int bufLen) {
    if (bufLen <= 0) {
        return 0;
    }
    const auto n = std::min(static_cast<std::size_t>(bufLen), buf.size());
    return common::Crc16(buf.first(n));
}

std::string clsUSBInterface::StatusText(FT_STATUS status) const {
    if (status < kStatusText.size()) {
        return kStatusText[status];
    }
    return "Unknown Status " + std::to_string(status);
}

void clsUSBInterface::LogError(FT_STATUS status) {
    AppendStatusText("Error " + std::to_string(status) + ", " + StatusText(status) +
                     " opening USB direct port" + kCrLf);
}

void clsUSBInterface::SetTimer(QTimer* tmr) {
    if (timer_ != nullptr) {
        disconnect(timer_, &QTimer::timeout, this, &clsUSBInterface::Timeout);
        timer_->stop();
    }
    timer_ = tmr;
    if (timer_ != nullptr) {
        timer_->setTimerType(Qt::PreciseTimer);
        connect(timer_, &QTimer::timeout, this, &clsUSBInterface::Timeout);
    }
}

void clsUSBInterface::StartTimer() {
    if (timer_ != nullptr) {
        timer_->stop();
        timer_->setInterval(kReplyTimeoutMs);
        timer_->start();
    }
}

void clsUSBInterface::StopTimer() {
    if (timer_ != nullptr) {
        timer_->stop();
    }
}

void clsUSBInterface::Discard(std::uint32_t count) {
    while (count > 0) {
        const auto chunk = std::min<std::uint32_t>(count, kReceiveAreaSize);
        std::uint32_t got = 0;
        const FT_STATUS status = FT_Read(FtHandle, std::span(receiveArea_).first(chunk), got);
        if (status != platform::FT_OK || got == 0) {
            return;
        }
        count -= std::min(got, count);
    }
}

bool clsUSBInterface::DropQueued(std::uint32_t queued, LateBytes& late) {
    bool any = false;
    std::uint32_t left = queued;
    while (left > 0) {
        const auto chunk = std::min<std::uint32_t>(left, kReceiveAreaSize);
        std::uint32_t got = 0;
        const FT_STATUS status = FT_Read(FtHandle, std::span(receiveArea_).first(chunk), got);
        got = std::min(got, chunk);
        if (status != platform::FT_OK || got == 0) {
            break;
        }
        const auto room = kLateBytesShown - std::min<std::size_t>(late.dropped, kLateBytesShown);
        late.shown += HexBytes(std::span(receiveArea_).first(std::min<std::size_t>(got, room)));
        late.dropped += got;
        left -= std::min(got, left);
        any = true;
    }
    return any;
}

void clsUSBInterface::WaitForQuietLine(LateBytes& late) {
    QElapsedTimer total;
    QElapsedTimer quiet;
    total.start();
    quiet.start();
    for (;;) {
        if (FT_NothingUnderWay(FtHandle)) {
            return; // what was waiting has gone, and nothing more can come
        }
        std::uint32_t queued = 0;
        if (FT_GetQueueStatus(FtHandle, queued) != platform::FT_OK) {
            return; // the request's own exchange will meet and log the failure
        }
        if (queued > 0) {
            if (!DropQueued(queued, late)) {
                return; // bytes that cannot be read would wake every sleep
            }
            quiet.restart();
        }
        const qint64 left =
            std::min(quietLineMs_ - quiet.elapsed(), kQuietWaitLimitMs - total.elapsed());
        if (left <= 0) {
            return;
        }
        // As in the reply wait: the windows stay alive, and the sleep ends
        // with the first byte that arrives.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        FT_WaitForData(FtHandle, 1, static_cast<int>(std::min<qint64>(left, kEventSliceMs)));
    }
}

void clsUSBInterface::DiscardLateBytes() {
    // Whatever waits now came after an earlier exchange gave up (a reply
    // after its time-out, noise); taken for this request's reply it would
    // show the wrong record, so it goes, and the log says what went.
    LateBytes late;
    std::uint32_t queued = 0;
    if (FT_GetQueueStatus(FtHandle, queued) == platform::FT_OK && queued > 0) {
        DropQueued(queued, late);
    }
    if (quietLineDue_) {
        // A reply that was not taken may still be on its way; were it to
        // come in after this request went out, it would pass for this
        // request's reply (the host's replies carry nothing that ties them
        // to their request).
        quietLineDue_ = false;
        WaitForQuietLine(late);
    }
    if (late.dropped == 0) {
        return;
    }
    std::string line = "Discarded " + std::to_string(late.dropped) + " late bytes: " + late.shown;
    if (late.dropped > kLateBytesShown) {
        line += "...";
    }
    AppendStatusText(line + kCrLf);
}

void clsUSBInterface::FlushRcv() {
    StopTimer();
    RcvLen = 0;
    std::uint32_t queued = 0;
    if (FT_GetQueueStatus(FtHandle, queued) == platform::FT_OK) {
        Discard(queued);
    }
}

void clsUSBInterface::Timeout() {
    FlushRcv();
    TimedOut = true;
}

void clsUSBInterface::ListDevices() {
    if (busy_) {
        AppendStatusText(kBusyLine);
        return;
    }
    std::uint32_t count = 0;
    const FT_STATUS status = FT_ListDevices(count, platform::FT_LIST_NUMBER_ONLY);
    AppendStatusText("Status = " + std::to_string(status) + ", " + StatusText(status) +
                     ", Number of devices = " + std::to_string(count) + kCrLf);
}

void clsUSBInterface::StringToByteArray(std::string_view text, std::span<std::uint8_t> bytes) {
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    const std::size_t n = std::min(text.size(), bytes.size());
    for (std::size_t k = 0; k < n; ++k) {
        bytes[k] = static_cast<std::uint8_t>(text[k]);
    }
}

clsUSBInterface::ReplyBuffer clsUSBInterface::SendMessage(std::int32_t deviceId,
                                                          std::int16_t msgLen, std::int32_t cmnd,
                                                          std::span<const std::uint8_t> pktData) {
    if (busy_) {
        // Events are processed while a reply is awaited, so a timer or another
        // window can try to start an exchange inside the first; refuse it.
        // The refusal must never read as a reply: the live buffer may hold
        // the other exchange's bytes, so hand back a buffer whose status
        // byte is not 0.
        AppendStatusText(kBusyLine);
        lastOutcome_ = ExchangeOutcome::Busy;
        lastReplyBytes_ = 0;
        lastRequestSent_ = false;
        return RefusedReply();
    }
    if (msgLen < 9) {
        AppendStatusText("Request refused: message length " + std::to_string(msgLen) +
                         " is shorter than an empty frame" + kCrLf);
        lastOutcome_ = ExchangeOutcome::BadLength;
        lastReplyBytes_ = 0;
        lastRequestSent_ = false;
        return RefusedReply();
    }
    busy_ = true;

    if (reopenDue_) {
        // The device could not be opened, or an exchange found it gone:
        // try once to open it again (a missing device fails fast).
        OpenDevice(true);
    }
    if (FtHandle == 0) {
        // No device: nothing can be written, and the open's error (already
        // logged) is this exchange's outcome.
        lastRequestSent_ = false;
        EndWithoutReply(deviceFailure_ != platform::FT_OK ? deviceFailure_
                                                          : platform::FT_INVALID_HANDLE);
    } else {
        SendFrame(deviceId, msgLen, cmnd, pktData);
    }

    if (lastOutcome_ == ExchangeOutcome::Status) {
        NoteDeviceError(lastStatus_);
    }
    busy_ = false;
    emit ExchangeFinished();
    if (!InUse()) {
        emit Idle();
    }
    return reply_;
}

void clsUSBInterface::SendFrame(std::int32_t deviceId, std::int16_t msgLen, std::int32_t cmnd,
                                std::span<const std::uint8_t> pktData) {
    DiscardLateBytes();
    FlushRcv();
    seqNo_ = seqNo_ == 255 ? 0 : static_cast<std::uint8_t>(seqNo_ + 1);

    std::vector<std::uint8_t> frame(static_cast<std::size_t>(msgLen), 0);
    frame[0] = static_cast<std::uint8_t>(deviceId & 0xFF);
    frame[1] = static_cast<std::uint8_t>(msgLen % 256);
    frame[2] = static_cast<std::uint8_t>(msgLen / 256);
    frame[3] = seqNo_;
    frame[6] = static_cast<std::uint8_t>(cmnd & 0xFF);
    // Payload bytes the caller did not supply are sent as 0.
    const std::size_t payloadLen = static_cast<std::size_t>(msgLen) - 9;
    const std::size_t supplied = std::min(payloadLen, pktData.size());
    std::copy_n(pktData.begin(), supplied, frame.begin() + 7);
    const auto crc = static_cast<std::uint32_t>(Crc16(frame, msgLen));
    frame[frame.size() - 2] = static_cast<std::uint8_t>(crc / 256);
    frame[frame.size() - 1] = static_cast<std::uint8_t>(crc % 256);

    std::uint32_t written = 0;
    const FT_STATUS status = FT_Write(FtHandle, frame, written);
    lastRequestSent_ = status == platform::FT_OK;
    if (status != platform::FT_OK) {
        LogError(status);
        // The request did not go out whole: no reply can come to it, so the
        // exchange ends here rather than waiting out the time-out too.
        EndWithoutReply(status);
    } else {
        ReceiveReply();
    }
}

void clsUSBInterface::EndWithoutReply(FT_STATUS status) {
    lastOutcome_ = ExchangeOutcome::Status;
    lastStatus_ = status;
    lastReplyBytes_ = 0;
    FlushRcv();
    AppendStatusText(OutcomeText(ExchangeOutcome::Status, status) + kCrLf);
}

clsUSBInterface::ReplyBuffer clsUSBInterface::RefusedReply() {
    ReplyBuffer refused{};
    refused[kReplyStatusOffset] = 0xFF;
    return refused;
}

bool clsUSBInterface::BeginSequence() {
    if (InUse()) {
        return false;
    }
    ++sequenceDepth_;
    return true;
}

void clsUSBInterface::EndSequence() {
    if (sequenceDepth_ > 0) {
        --sequenceDepth_;
    }
    if (!InUse()) {
        emit Idle();
    }
}

FT_STATUS clsUSBInterface::WaitForQueued(std::uint32_t needed, std::uint32_t& queued) {
    QElapsedTimer safety;
    safety.start();
    for (;;) {
        const FT_STATUS status = FT_GetQueueStatus(FtHandle, queued);
        if (status != platform::FT_OK) {
            LogError(status);
            return status;
        }
        // The reply timer's tick (and so Timeout) is delivered here.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (queued >= needed || TimedOut) {
            return status;
        }
        if (safety.elapsed() > kReplyTimeoutMs + kSafetyMarginMs) {
            Timeout();
            return status;
        }
        // Sleep on the device until the bytes still missing are there, the
        // time-out falls due, or it is time to look at events again. Bytes
        // already queued do not wake it, so a reply that trickles in costs
        // a wake-up per slice, not a spin.
        int slice = kEventSliceMs;
        if (timer_ != nullptr && timer_->isActive()) {
            slice = std::clamp(timer_->remainingTime(), 1, kEventSliceMs);
        }
        FT_WaitForData(FtHandle, needed, slice);
    }
}

void clsUSBInterface::ReceiveReply() {
    TimedOut = false;
    StartTimer();
    ExchangeOutcome outcome = ExchangeOutcome::Ok;

    std::uint32_t queued = 0;
    FT_STATUS status = WaitForQueued(kHeaderSize, queued);

    if (status == platform::FT_OK && !TimedOut) {
        std::uint32_t got = 0;
        status = FT_Read(FtHandle, std::span(receiveArea_).first(kHeaderSize), got);
        if (status != platform::FT_OK) {
            LogError(status);
        }
        got = std::min<std::uint32_t>(got, kHeaderSize);
        RcvLen = static_cast<std::int16_t>(got);
        StringToByteArray(std::string_view(reinterpret_cast<const char*>(receiveArea_.data()), got),
                          reply_);

        const int length = reply_[2] * 256 + reply_[1];
        if (reply_[2] >= 0x80) {
            // A length of 0x8000 or more counts as no reply.
            TimedOut = true;
        } else if (length < 9) {
            outcome = ExchangeOutcome::BadLength;
        } else if (status == platform::FT_OK) {
            const auto remaining = static_cast<std::uint32_t>(length - kHeaderSize);
            status = WaitForQueued(remaining, queued);
            if (status == platform::FT_OK && !TimedOut) {
                // Read exactly the rest of this frame, a receive area at a
                // time; what does not fit the reply buffer is dropped.
                std::uint32_t left = remaining;
                while (left > 0 && status == platform::FT_OK) {
                    const auto chunk = std::min<std::uint32_t>(left, kReceiveAreaSize);
                    std::uint32_t got2 = 0;
                    status = FT_Read(FtHandle, std::span(receiveArea_).first(chunk), got2);
                    if (status != platform::FT_OK) {
                        LogError(status);
                    }
                    got2 = std::min(got2, chunk);
                    if (got2 == 0) {
                        break;
                    }
                    const auto room = static_cast<std::uint32_t>(kReplySize - RcvLen);
                    const auto keep = std::min(got2, room);
                    std::copy_n(receiveArea_.begin(), keep, reply_.begin() + RcvLen);
                    RcvLen = static_cast<std::int16_t>(RcvLen + keep);
                    left -= got2;
                }
                if (remaining > static_cast<std::uint32_t>(kReplySize - kHeaderSize)) {
                    outcome = ExchangeOutcome::TooLong;
                }
            }
        }
    }

    std::string line = HexBytes(std::span(reply_).first(static_cast<std::size_t>(RcvLen)));
    if (status != platform::FT_OK) {
        outcome = ExchangeOutcome::Status;
    } else if (TimedOut) {
        outcome = ExchangeOutcome::Timeout;
    } else if (outcome == ExchangeOutcome::Ok && Crc16(reply_, RcvLen) != 0) {
        outcome = ExchangeOutcome::CrcError;
    }
    line += OutcomeText(outcome, status);

    lastOutcome_ = outcome;
    lastStatus_ = status;
    lastReplyBytes_ = RcvLen;
    // Only a good reply leaves nothing behind: after a time-out its reply,
    // after a bad CRC or length the rest of a frame, may still come.
    quietLineDue_ = outcome != ExchangeOutcome::Ok;

    FlushRcv();
    AppendStatusText(line + kCrLf);
}

std::string clsUSBInterface::OutcomeText(ExchangeOutcome outcome, FT_STATUS status) const {
    switch (outcome) {
    case ExchangeOutcome::Ok:
        return "  OK";
    case ExchangeOutcome::CrcError:
        return "  CRC?";
    case ExchangeOutcome::Timeout:
        return "  Timeout";
    case ExchangeOutcome::Status:
        return "  Status = " + StatusText(status);
    case ExchangeOutcome::TooLong:
        return "  Too long";
    case ExchangeOutcome::BadLength:
        return "  Bad length";
    case ExchangeOutcome::Busy:
        return "  Busy";
    case ExchangeOutcome::None:
        break;
    }
    return "";
}

std::int32_t clsUSBInterface::ReadInputs() {
    const ReplyBuffer reply = SendMessage(3, 9, 5, {});
    return reply[8] * 256 + reply[7];
}

clsUSBInterface::ReplyBuffer clsUSBInterface::NovRamRead(std::int32_t addr, std::int32_t cnt) {
    std::array<std::uint8_t, 6> payload{};
    PutLong(static_cast<std::int32_t>(static_cast<std::uint32_t>(addr) & 0x1FFFFu), payload, 0);
    payload[4] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(cnt) % 256);
    payload[5] = 0;
    return SendMessage(1, 15, 1, payload);
}

std::int16_t clsUSBInterface::SendTamberCmnd(std::uint8_t addr, std::int32_t cmnd,
                                             std::int32_t cnt) {
    std::array<std::uint8_t, 9> payload{};
    payload[0] = 5;
    payload[1] = 7;
    payload[2] = addr;
    payload[3] = static_cast<std::uint8_t>(cmnd & 0xFF);
    payload[4] = 0;
    PutLong(cnt, payload, 5);
    const ReplyBuffer reply = SendMessage(12, 18, 4, payload);
    if (lastOutcome_ != ExchangeOutcome::Ok && lastOutcome_ != ExchangeOutcome::CrcError) {
        // No reply of this exchange: never 0, which means the node answered.
        return -1;
    }
    return reply[kReplyStatusOffset];
}
