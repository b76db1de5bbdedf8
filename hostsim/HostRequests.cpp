// What the simulated host does with each request: memory reads and writes,
// the input word, and the records of DeviceID 12 and 13 that program the
// site parameters, the clock, the nodes and the transaction masks.

#include "hostsim/HostFrame.h"
#include "hostsim/RecordFields.h"
#include "hostsim/SimulatedHost.h"

#include <algorithm>

namespace hostsim {

namespace {

// Device and command codes of the requests the host knows.
constexpr std::uint8_t kDeviceMemory = 1;
constexpr std::uint8_t kDeviceInputs = 3;
constexpr std::uint8_t kDeviceRecords = 12;
constexpr std::uint8_t kDeviceClock = 13;
constexpr std::uint8_t kCmndMemoryRead = 1;
constexpr std::uint8_t kCmndMemoryWrite = 2;
constexpr std::uint8_t kCmndRecord = 4;
constexpr std::uint8_t kCmndInputs = 5;

// Record types and the number of data bytes each carries.
constexpr std::uint8_t kRecordClock = 1;
constexpr std::uint8_t kRecordFieldNetwork = 5;
constexpr std::uint8_t kRecordSite = 6;
constexpr std::uint8_t kRecordNode = 8;
constexpr std::uint8_t kRecordMasks = 10;
constexpr std::size_t kClockBytes = 6;
constexpr std::size_t kFieldNetworkBytes = 7;
constexpr std::size_t kSiteBytes = 20;
constexpr std::size_t kNodeBytes = 7;
constexpr std::size_t kMaskBytes = 8;

constexpr std::uint32_t kAddressMask = 0x1FFFF;
constexpr std::size_t kAddressAndCount = 6;

// Byte `i` of `bytes`, 0 past its end: short requests read as zero-filled.
std::uint8_t At(std::span<const std::uint8_t> bytes, std::size_t i) {
    return i < bytes.size() ? bytes[i] : 0;
}

std::uint32_t Le16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return At(bytes, at) | static_cast<std::uint32_t>(At(bytes, at + 1)) << 8;
}

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return Le16(bytes, at) | Le16(bytes, at + 2) << 16;
}

// The request's address and count bytes as the reply echoes them.
std::vector<std::uint8_t> EchoAddressAndCount(std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> echo(kAddressAndCount, 0);
    for (std::size_t i = 0; i < kAddressAndCount; ++i) {
        echo[i] = At(payload, i);
    }
    return echo;
}

// Reply to a record: its type, the number of bytes that follow, two zero
// bytes and the status, which lands at reply byte 11 like the status of a
// field-network command.
std::vector<std::uint8_t> Acknowledge(std::uint8_t type, std::uint8_t status) {
    return {type, 3, 0, 0, status};
}

} // namespace

std::vector<std::uint8_t> SimulatedHost::Answer(std::span<const std::uint8_t> frame) {
    const FrameView request = ViewFrame(frame);
    if (request.deviceId == kDeviceMemory && request.cmnd == kCmndMemoryRead) {
        return AnswerMemoryRead(request.payload);
    }
    if (request.deviceId == kDeviceMemory && request.cmnd == kCmndMemoryWrite) {
        return AnswerMemoryWrite(request.payload);
    }
    if (request.deviceId == kDeviceInputs && request.cmnd == kCmndInputs) {
        return {static_cast<std::uint8_t>(inputWord_ & 0xFF),
                static_cast<std::uint8_t>(inputWord_ >> 8)};
    }
    if ((request.deviceId == kDeviceRecords || request.deviceId == kDeviceClock) &&
        request.cmnd == kCmndRecord) {
        return AnswerRecord(request.deviceId, request.payload);
    }
    // Unknown requests get an empty answer so the PC is not left waiting.
    return {};
}

std::vector<std::uint8_t>
SimulatedHost::AnswerMemoryRead(std::span<const std::uint8_t> payload) const {
    const std::uint32_t address = Le32(payload, 0) & kAddressMask;
    const std::size_t count = At(payload, 4);
    std::vector<std::uint8_t> reply = EchoAddressAndCount(payload);
    reply.reserve(reply.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        reply.push_back(memory_[(address + i) & kAddressMask]); // wraps at 128 KiB
    }
    return reply;
}

std::vector<std::uint8_t> SimulatedHost::AnswerMemoryWrite(std::span<const std::uint8_t> payload) {
    const std::uint32_t address = Le32(payload, 0) & kAddressMask;
    const std::size_t count = Le16(payload, 4);
    const std::span<const std::uint8_t> data = payload.size() > kAddressAndCount
                                                   ? payload.subspan(kAddressAndCount)
                                                   : std::span<const std::uint8_t>{};
    // Only the bytes that are really there are stored, however many the
    // count field claims.
    const std::size_t n = std::min(count, data.size());
    for (std::size_t i = 0; i < n; ++i) {
        memory_[(address + i) & kAddressMask] = data[i];
    }
    return EchoAddressAndCount(payload);
}

std::vector<std::uint8_t> SimulatedHost::AnswerRecord(std::uint8_t deviceId,
                                                      std::span<const std::uint8_t> payload) {
    if (payload.size() < 2) {
        return Acknowledge(At(payload, 0), kStatusRejected);
    }
    const std::uint8_t type = payload[0];
    const std::size_t declared = payload[1];
    const std::span<const std::uint8_t> data = payload.subspan(2);
    // A record is taken only on its own device and with its own size, and
    // only when all the bytes it declares are present.
    const auto fits = [&](std::uint8_t device, std::size_t size) {
        return deviceId == device && declared == size && data.size() >= size;
    };
    switch (type) {
    case kRecordClock:
        return Acknowledge(type, fits(kDeviceClock, kClockBytes)
                                     ? SetClockFromRecord(data.first(kClockBytes))
                                     : kStatusRejected);
    case kRecordFieldNetwork:
        if (!fits(kDeviceRecords, kFieldNetworkBytes)) {
            return Acknowledge(type, kStatusRejected);
        }
        {
            // Echo node address and command, then the node's status and four
            // value bytes.
            const FieldNetwork::Answer answer =
                field_.Command(memory_, data[0], data[1], Le32(data, 3));
            return {type,
                    static_cast<std::uint8_t>(kFieldNetworkBytes),
                    data[0],
                    data[1],
                    answer.status,
                    answer.value[0],
                    answer.value[1],
                    answer.value[2],
                    answer.value[3]};
        }
    case kRecordSite:
        return Acknowledge(type, fits(kDeviceRecords, kSiteBytes)
                                     ? StoreSiteParameters(data.first(kSiteBytes))
                                     : kStatusRejected);
    case kRecordNode:
        // The node record has no acknowledgement: a stored node is answered
        // with its record type and no data bytes, one the host did not
        // store with an empty payload. The PC cannot tell them apart.
        if (fits(kDeviceRecords, kNodeBytes) && StoreNode(data.first(kNodeBytes)) == kStatusOk) {
            return {type, 0};
        }
        return {};
    case kRecordMasks:
        return Acknowledge(type, fits(kDeviceRecords, kMaskBytes)
                                     ? StoreMasks(data.first(kMaskBytes))
                                     : kStatusRejected);
    default:
        return Acknowledge(type, kStatusRejected);
    }
}

std::uint8_t SimulatedHost::StoreSiteParameters(std::span<const std::uint8_t> data) {
    // The site parameter message carries its values in the PC's order; the
    // stored record keeps them in its own order and widths.
    const std::span<std::uint8_t> site =
        std::span<std::uint8_t>(memory_).subspan(records::kSiteAddress, records::kSiteRecordSize);
    const auto put = [&](std::string_view label, std::uint32_t value) {
        PutField(site, records::kSiteLayout, label, value);
    };
    put("High Node", data[0]);
    put("Global Options", data[1]);
    put("Printer Type", data[2]);
    put("Card Prefix", Le16(data, 3));
    put("Alarm Hour", data[5]);
    put("Alarm Minute", data[6]);
    put("Cash Drop Weekday", data[7]);
    put("Progressive Set Percent", data[8]);
    put("Progressive Set Odds", Le16(data, 9));
    put("Progressive Refill", Le16(data, 11));
    put("Operator Card Prefix", Le16(data, 13));
    put("Note-In Value", data[15]);
    put("Progressive Limit", Le32(data, 16));
    SealRecord(site, records::kSiteLayout);
    return kStatusOk;
}

std::uint8_t SimulatedHost::StoreNode(std::span<const std::uint8_t> data) {
    const std::size_t node = data[0];
    const std::size_t address =
        records::kRemoteBase + static_cast<std::size_t>(records::kRemoteRecordSize) * node;
    // Node records end where the player records begin; a higher node
    // number would overwrite player accounts.
    if (address + records::kRemoteRecordSize > static_cast<std::size_t>(records::kPlayerBase)) {
        return kStatusRejected;
    }
    const std::span<std::uint8_t> record =
        std::span<std::uint8_t>(memory_).subspan(address, records::kRemoteRecordSize);
    const auto put = [&](std::string_view label, std::uint32_t value) {
        PutField(record, records::kRemoteLayout, label, value);
    };
    put("Tag 1", records::kRemoteTag1);
    put("Denomination", data[1] & 0x0F);
    put("Keydown", data[1] >> 4);
    put("Coin-In Value", data[2] & 0x0F);
    put("Note-In Value", data[2] >> 4);
    put("Configuration Flags", data[3]);
    put("Game Number", Le16(data, 4));
    put("Game Group", data[6]); // the operation flags beside it stay as they are
    put("Tag 2", records::kRemoteTag2);
    SealRecord(record, records::kRemoteLayout);
    return kStatusOk;
}

std::uint8_t SimulatedHost::StoreMasks(std::span<const std::uint8_t> data) {
    const std::span<std::uint8_t> site =
        std::span<std::uint8_t>(memory_).subspan(records::kSiteAddress, records::kSiteRecordSize);
    PutField(site, records::kSiteLayout, "Trace Mask", Le32(data, 0));       // store mask
    PutField(site, records::kSiteLayout, "Trace Print Mask", Le32(data, 4)); // print mask
    SealRecord(site, records::kSiteLayout);
    return kStatusOk;
}

std::uint8_t SimulatedHost::SetClockFromRecord(std::span<const std::uint8_t> data) {
    const std::optional<CivilTime> time = ParseBcdClock(data.first<kClockBytes>());
    return time && clock_.Set(*time) ? kStatusOk : kStatusRejected;
}

} // namespace hostsim
