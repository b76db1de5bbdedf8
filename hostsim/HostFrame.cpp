#include "hostsim/HostFrame.h"

#include "common/Crc16.h"

#include <algorithm>

namespace hostsim {

FrameView ViewFrame(std::span<const std::uint8_t> frame) {
    return FrameView{frame[0], frame[3], frame[6],
                     frame.subspan(kFrameHeaderSize, frame.size() - kFrameOverhead)};
}

std::size_t LengthField(std::span<const std::uint8_t> bytes) {
    return static_cast<std::size_t>(bytes[1]) | static_cast<std::size_t>(bytes[2]) << 8;
}

void SealFrame(std::span<std::uint8_t> frame) {
    const std::size_t n = frame.size();
    // The shift-in CRC gives the frame's CRC when run with its last two
    // bytes still zero.
    frame[n - 2] = 0;
    frame[n - 1] = 0;
    const std::uint16_t crc = common::Crc16(frame);
    frame[n - 2] = static_cast<std::uint8_t>(crc >> 8);
    frame[n - 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

std::vector<std::uint8_t> BuildFrame(std::uint8_t deviceId, std::uint8_t sequence,
                                     std::uint8_t cmnd, std::span<const std::uint8_t> payload) {
    const std::size_t length = payload.size() + kFrameOverhead;
    std::vector<std::uint8_t> frame(length, 0);
    frame[0] = deviceId;
    frame[1] = static_cast<std::uint8_t>(length & 0xFF);
    frame[2] = static_cast<std::uint8_t>((length >> 8) & 0xFF);
    frame[3] = sequence;
    frame[6] = cmnd;
    std::copy(payload.begin(), payload.end(), frame.begin() + kFrameHeaderSize);
    SealFrame(frame);
    return frame;
}

} // namespace hostsim
