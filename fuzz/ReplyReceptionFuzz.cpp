// Fuzz target of the link's reply reception: arbitrary bytes from the
// device, arriving in arbitrary pieces, with polls that fail, writes that
// fail, time-outs at any moment and bytes left over from earlier exchanges.
// Whatever arrives, the link must stay inside its buffers, never report a
// reply as good that is not a whole frame with a good CRC, and be free again
// after every exchange.
//
// Input: a header byte (what to send, and how to shape the reply), a
// parameter byte, then pieces: a control byte (bits 0-5 the length, bit 6
// "the next queue poll fails", bit 7 "the time-out falls due after this
// piece") followed by that many bytes. With "frame" set, the pieces' bytes
// are first wrapped into a well-formed reply frame (length and CRC right),
// so random inputs also reach the paths of good replies.

#include "common/Crc16.h"
#include "common/LinkLog.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"

#include <QCoreApplication>

#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Piece {
    Bytes bytes;
    bool failPoll = false;
    bool timeoutAfter = false;
};

// Delivers the scripted pieces, one per queue poll; once the script is spent
// (or a piece says so) the reply time-out falls due, as the timer would.
class ScriptDevice final : public platform::FtdiDevice {
public:
    static constexpr platform::FT_HANDLE kHandle = 7;

    std::deque<Piece> pieces;
    std::deque<std::uint8_t> queue;
    clsUSBInterface* link = nullptr;
    bool failWrite = false;
    bool timeoutDue = false;

    platform::FT_STATUS Open(int, platform::FT_HANDLE& handle) override {
        handle = kHandle;
        return platform::FT_OK;
    }
    platform::FT_STATUS Close(platform::FT_HANDLE) override { return platform::FT_OK; }
    platform::FT_STATUS ListDevices(std::uint32_t& count) override {
        count = 1;
        return platform::FT_OK;
    }
    platform::FT_STATUS Write(platform::FT_HANDLE, std::span<const std::uint8_t> data,
                              std::uint32_t& written) override {
        if (failWrite) {
            return platform::FT_FAILED_TO_WRITE_DEVICE;
        }
        written = static_cast<std::uint32_t>(data.size());
        return platform::FT_OK;
    }
    platform::FT_STATUS Read(platform::FT_HANDLE, std::span<std::uint8_t> buffer,
                             std::uint32_t& got) override {
        got = static_cast<std::uint32_t>(std::min(buffer.size(), queue.size()));
        std::copy_n(queue.begin(), got, buffer.begin());
        queue.erase(queue.begin(), queue.begin() + got);
        return platform::FT_OK;
    }
    platform::FT_STATUS GetQueueStatus(platform::FT_HANDLE, std::uint32_t& queued) override {
        if (!pieces.empty()) {
            Piece piece = std::move(pieces.front());
            pieces.pop_front();
            queue.insert(queue.end(), piece.bytes.begin(), piece.bytes.end());
            timeoutDue = timeoutDue || piece.timeoutAfter;
            if (piece.failPoll) {
                return platform::FT_IO_ERROR;
            }
        }
        queued = static_cast<std::uint32_t>(queue.size());
        return platform::FT_OK;
    }
    platform::FT_STATUS WaitForData(platform::FT_HANDLE, std::uint32_t atLeast, int) override {
        // Nothing more can arrive: the wait would sleep out the time-out.
        if (link != nullptr && (timeoutDue || (pieces.empty() && queue.size() < atLeast))) {
            timeoutDue = false;
            link->Timeout();
        }
        return platform::FT_OK;
    }
};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// What the link says about its last exchange must fit the reply it holds.
void CheckOutcome(const clsUSBInterface& link, const clsUSBInterface::ReplyBuffer& reply) {
    const int n = link.LastReplyBytes();
    Check(n >= 0 && n <= clsUSBInterface::kReplySize);
    Check(!link.IsBusy());
    const int length = reply[1] + 256 * reply[2];
    switch (link.LastOutcome()) {
    case ExchangeOutcome::Ok:
        Check(n >= 9 && length == n);
        Check(common::Crc16(std::span(reply).first(static_cast<std::size_t>(n))) == 0);
        break;
    case ExchangeOutcome::CrcError:
        Check(n >= 9 && length == n);
        break;
    case ExchangeOutcome::TooLong:
        Check(n == clsUSBInterface::kReplySize && length > n);
        break;
    case ExchangeOutcome::BadLength:
        Check(length < 9);
        break;
    default:
        break;
    }
}

Bytes Framed(const Bytes& payload, std::uint8_t corruptAt) {
    const std::size_t len = payload.size() + 9;
    Bytes frame{1, static_cast<std::uint8_t>(len & 0xFF), static_cast<std::uint8_t>(len >> 8), 1,
                0, 0, 1};
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(0);
    frame.push_back(0);
    const std::uint16_t crc = common::Crc16(frame);
    frame[len - 2] = static_cast<std::uint8_t>(crc >> 8);
    frame[len - 1] = static_cast<std::uint8_t>(crc & 0xFF);
    if (corruptAt != 0) {
        frame[corruptAt % frame.size()] ^= 0x01;
    }
    return frame;
}

std::shared_ptr<ScriptDevice> g_device;
std::unique_ptr<clsUSBInterface> g_link;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    g_device = std::make_shared<ScriptDevice>();
    FtHandle = 0;
    SetFtdiBackend(g_device);
    g_link = std::make_unique<clsUSBInterface>();
    // The script's time-outs are not real time: no quiet line to wait for.
    g_link->SetQuietLineMs(0);
    g_device->link = g_link.get();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::uint8_t header = data[0];
    const std::uint8_t parameter = data[1];
    std::deque<Piece> pieces;
    for (std::size_t at = 2; at < size;) {
        const std::uint8_t control = data[at++];
        const std::size_t length = std::min<std::size_t>(control & 0x3F, size - at);
        pieces.push_back(Piece{Bytes(data + at, data + at + length), (control & 0x40) != 0,
                               (control & 0x80) != 0});
        at += length;
    }
    if ((header & 0x04) != 0) {
        // One well-formed frame of all the pieces' bytes, cut where they were.
        Bytes payload;
        for (const Piece& piece : pieces) {
            payload.insert(payload.end(), piece.bytes.begin(), piece.bytes.end());
        }
        payload.resize(std::min<std::size_t>(payload.size(), 250));
        Bytes frame = Framed(payload, (header & 0x08) != 0 ? parameter : 0);
        std::size_t from = 0;
        for (Piece& piece : pieces) {
            const std::size_t take = std::min(piece.bytes.size(), frame.size() - from);
            piece.bytes.assign(frame.begin() + static_cast<long>(from),
                               frame.begin() + static_cast<long>(from + take));
            from += take;
        }
        if (from < frame.size()) {
            pieces.push_back(Piece{Bytes(frame.begin() + static_cast<long>(from), frame.end())});
        }
    }

    ScriptDevice& device = *g_device;
    device.queue.clear();
    device.timeoutDue = false;
    device.failWrite = (header & 0x10) != 0;
    if ((header & 0x20) != 0 && !pieces.empty()) {
        // Bytes left over from an earlier exchange, already waiting.
        const Piece late = std::move(pieces.front());
        pieces.pop_front();
        device.queue.assign(late.bytes.begin(), late.bytes.end());
    }
    device.pieces = std::move(pieces);

    clsUSBInterface& link = *g_link;
    const int exchanges = (header & 0x40) != 0 ? 2 : 1;
    for (int k = 0; k < exchanges; ++k) {
        switch (header & 0x03) {
        case 0:
            link.ReadInputs();
            CheckOutcome(link, link.RcvData());
            break;
        case 1:
            CheckOutcome(link, link.NovRamRead(0xB800 + parameter, parameter));
            break;
        case 2: {
            const std::int16_t status = link.SendTamberCmnd(parameter, 28, parameter);
            const bool answered = link.LastOutcome() == ExchangeOutcome::Ok ||
                                  link.LastOutcome() == ExchangeOutcome::CrcError;
            Check(answered ? status >= 0 && status <= 255 : status == -1);
            CheckOutcome(link, link.RcvData());
            break;
        }
        default: {
            const std::uint8_t payload[4] = {parameter, 1, 2, 3};
            CheckOutcome(link, link.SendMessage(1, static_cast<std::int16_t>(parameter % 16), 2,
                                                payload));
            break;
        }
        }
    }
    device.pieces.clear();
    if ((header & 0x80) != 0) {
        LinkLog::Instance().Clear();
    }
    return 0;
}
