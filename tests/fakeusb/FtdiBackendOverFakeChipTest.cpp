// The libftdi1 backend end to end: the real libftdi1 drives a software
// FT232R whose serial side is the simulated host.
#include "tests/fakeusb/FakeFt232r.h"

#include "platform/FtdiLibDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

using namespace platform;

namespace {

// ReadInputs as the first frame after start-up.
constexpr std::array<std::uint8_t, 9> kReadInputs{0x03, 0x09, 0x00, 0x01, 0x00,
                                                  0x00, 0x05, 0xB6, 0x71};

class FtdiBackendOverFakeChip : public ::testing::Test {
protected:
    void SetUp() override { fakeusb::Plug(host); }
    void TearDown() override { fakeusb::Reset(); }

    // Waits on the device until `count` bytes are queued or it stops
    // delivering (a fault, or nothing more within the link's reply time).
    FT_STATUS WaitForQueued(FtdiLibDevice& device, FT_HANDLE handle, std::uint32_t count,
                            std::uint32_t& queued) {
        for (int polls = 0; polls < 500; ++polls) {
            if (const FT_STATUS status = device.GetQueueStatus(handle, queued);
                status != FT_OK || queued >= count) {
                return status;
            }
            if (const FT_STATUS status = device.WaitForData(handle, count, 1); status != FT_OK) {
                return status;
            }
        }
        return FT_OK;
    }

    std::vector<std::uint8_t> Exchange(FtdiLibDevice& device, FT_HANDLE handle,
                                       std::span<const std::uint8_t> request,
                                       std::uint32_t replyLength) {
        std::uint32_t written = 0;
        EXPECT_EQ(device.Write(handle, request, written), FT_OK);
        EXPECT_EQ(written, request.size());
        std::uint32_t queued = 0;
        EXPECT_EQ(WaitForQueued(device, handle, replyLength, queued), FT_OK);
        std::vector<std::uint8_t> reply(queued);
        std::uint32_t got = 0;
        EXPECT_EQ(device.Read(handle, reply, got), FT_OK);
        reply.resize(got);
        return reply;
    }

    std::shared_ptr<hostsim::SimulatedHost> host = std::make_shared<hostsim::SimulatedHost>(true);
};

TEST_F(FtdiBackendOverFakeChip, ListsOpensAndSetsUpTheChipAsTheLinkNeedsIt) {
    FtdiLibDevice device;
    std::uint32_t count = 0;
    EXPECT_EQ(device.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 1u);

    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(device.ProductDescription(), "FT232R USB UART");
    EXPECT_EQ(device.SerialNumber(), "TLVX0001");
    EXPECT_EQ(device.Describe().kind, DeviceDescription::Kind::Ftdi);
    EXPECT_EQ(device.Describe().serial, "TLVX0001");

    const fakeusb::ChipState& chip = fakeusb::Chip();
    EXPECT_TRUE(chip.unknownControls.empty()) << "a request the chip does not know";
    EXPECT_GE(chip.resets, 1);
    EXPECT_EQ(chip.baudRate, 9600);
    EXPECT_EQ(chip.lineProperties, 0x0008); // 8 bits, no parity, 1 stop bit, no break
    EXPECT_EQ(chip.flowControl, 0);
    EXPECT_EQ(chip.latencyMs, 1);
    EXPECT_EQ(chip.bitMode, 0);
    EXPECT_GE(chip.rxPurges, 1);

    // One program holds the chip: a second open, from this device or another
    // process-side context, is refused while the first is open.
    FT_HANDLE second = 0;
    EXPECT_EQ(device.Open(0, second), FT_DEVICE_NOT_OPENED);
    FtdiLibDevice other;
    EXPECT_EQ(other.Open(0, second), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(second, 0u);
    EXPECT_EQ(device.Open(1, second), FT_DEVICE_NOT_OPENED);

    EXPECT_EQ(device.Close(handle), FT_OK);
    EXPECT_EQ(device.Close(handle), FT_INVALID_HANDLE);
    EXPECT_EQ(device.ProductDescription(), "");
    EXPECT_EQ(fakeusb::OpenHandles(), 0);

    FtdiLibDevice beyond;
    EXPECT_EQ(beyond.Open(1, handle), FT_DEVICE_NOT_FOUND);
}

TEST_F(FtdiBackendOverFakeChip, CarriesFramesBothWaysWithoutTheModemStatusBytes) {
    FtdiLibDevice device;
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);

    const std::vector<std::uint8_t> reply = Exchange(device, handle, kReadInputs, 11);
    EXPECT_EQ(std::vector<std::uint8_t>(fakeusb::Chip().bytesOut.end() - 9,
                                        fakeusb::Chip().bytesOut.end()),
              std::vector<std::uint8_t>(kReadInputs.begin(), kReadInputs.end()));
    ASSERT_EQ(reply.size(), 11u);
    EXPECT_EQ(reply[0], 0x03);
    EXPECT_EQ(reply[7] | reply[8] << 8, hostsim::SimulatedHost::kDefaultInputWord);

    // 128 bytes of memory come back as 143 bytes: three IN packets, each
    // with its two status bytes, which must not reach the reply.
    const std::array<std::uint8_t, 15> read{0x01, 0x0F, 0x00, 0x02, 0x00, 0x00, 0x01, 0x00,
                                            0xD8, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00};
    std::array<std::uint8_t, 15> framed = read;
    const auto crc = [](std::span<const std::uint8_t> bytes) {
        std::uint16_t r = 0;
        for (const std::uint8_t b : bytes) {
            r ^= static_cast<std::uint16_t>(b << 8);
            for (int i = 0; i < 8; ++i) {
                r = static_cast<std::uint16_t>(r & 0x8000 ? (r << 1) ^ 0x1021 : r << 1);
            }
        }
        return r;
    }(std::span(framed).first(13));
    framed[13] = static_cast<std::uint8_t>(crc >> 8);
    framed[14] = static_cast<std::uint8_t>(crc & 0xFF);
    const std::vector<std::uint8_t> record = Exchange(device, handle, framed, 143);
    ASSERT_EQ(record.size(), 143u);
    EXPECT_TRUE(
        std::equal(record.begin() + 13, record.begin() + 141, host->Memory().begin() + 0xD800));

    bool sawFullPacket = false;
    for (const std::vector<std::uint8_t>& transfer : fakeusb::Chip().inTransfers) {
        for (std::size_t at = 0; at < transfer.size(); at += fakeusb::kPacketSize) {
            EXPECT_EQ(transfer[at], fakeusb::kModemStatus);
            EXPECT_EQ(transfer[at + 1], fakeusb::kLineStatus);
        }
        sawFullPacket = sawFullPacket || transfer.size() > fakeusb::kPacketSize;
    }
    EXPECT_TRUE(sawFullPacket) << "no reply spanned more than one packet";
    EXPECT_EQ(device.Close(handle), FT_OK);
}

TEST_F(FtdiBackendOverFakeChip, AReplyOfWholePacketsEndsWithAStatusOnlyPacket) {
    // 62 data bytes fill one packet exactly; the chip ends the transfer with
    // a status-only packet after its latency timer.
    FtdiLibDevice device;
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    host->PrefixNextReplyWithGarbage(62 - 11);
    const std::vector<std::uint8_t> reply = Exchange(device, handle, kReadInputs, 62);
    ASSERT_EQ(reply.size(), 62u);
    EXPECT_EQ(reply[51], 0x03); // the frame after the 51 filler bytes
    const auto& transfers = fakeusb::Chip().inTransfers;
    EXPECT_TRUE(std::any_of(transfers.begin(), transfers.end(),
                            [](const auto& transfer) { return transfer.size() == 64u + 2u; }));
    EXPECT_EQ(device.Close(handle), FT_OK);
}

TEST_F(FtdiBackendOverFakeChip, ADevicePulledMidExchangeFailsThenOpensAgainWhenPluggedBack) {
    FtdiLibDevice device;
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    // The cable comes out while the host takes the request in.
    host->OnEachRequest(
        [](hostsim::SimulatedHost&, std::span<const std::uint8_t>) { fakeusb::Unplug(); });
    std::uint32_t written = 0;
    EXPECT_EQ(device.Write(handle, kReadInputs, written), FT_OK);
    host->OnEachRequest({});

    std::uint32_t queued = 7;
    EXPECT_EQ(device.GetQueueStatus(handle, queued), FT_IO_ERROR);
    EXPECT_EQ(queued, 0u);
    std::array<std::uint8_t, 16> buffer{};
    std::uint32_t got = 1;
    EXPECT_EQ(device.Read(handle, buffer, got), FT_IO_ERROR);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(device.WaitForData(handle, 1, 5), FT_IO_ERROR);
    EXPECT_EQ(device.Write(handle, kReadInputs, written), FT_FAILED_TO_WRITE_DEVICE);
    std::uint32_t count = 9;
    EXPECT_EQ(device.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 0u);

    // Letting go of a device that has gone fails, but lets go.
    EXPECT_EQ(device.Close(handle), FT_IO_ERROR);
    EXPECT_EQ(fakeusb::OpenHandles(), 0);
    EXPECT_EQ(device.Open(0, handle), FT_DEVICE_NOT_FOUND);

    fakeusb::Replug();
    EXPECT_EQ(device.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 1u);
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    EXPECT_EQ(fakeusb::Chip().latencyMs, 1); // set up again from power-on
    const std::vector<std::uint8_t> reply = Exchange(device, handle, kReadInputs, 11);
    EXPECT_EQ(reply.size(), 11u);
    EXPECT_EQ(device.Close(handle), FT_OK);
}

} // namespace
