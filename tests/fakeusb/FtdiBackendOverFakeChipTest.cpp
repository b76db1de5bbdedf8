// The libftdi1 backend end to end: the real libftdi1 drives a software
// FT232R whose serial side is the simulated host; and the device link over
// it, naming the chip by its strings.
#include "tests/fakeusb/FakeFt232r.h"

#include "common/LinkLog.h"
#include "host_config/ConnectionBar.h"
#include "hostsim/HostFrame.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"
#include "platform/FtdiLibDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

using namespace platform;

namespace {

using Bytes = std::vector<std::uint8_t>;

// ReadInputs as the first frame after start-up.
const Bytes kReadInputs{0x03, 0x09, 0x00, 0x01, 0x00, 0x00, 0x05, 0xB6, 0x71};

class FtdiBackendOverFakeChip : public ::testing::Test {
protected:
    void SetUp() override { fakeusb::Plug(host); }
    void TearDown() override { fakeusb::Reset(); }

    // Writes the request and reads what came once `replyLength` bytes did
    // or the wait gave up, with room for bytes that should not be there
    // (such as a reply left over from before an open).
    Bytes Exchange(std::span<const std::uint8_t> request, std::uint32_t replyLength) {
        std::uint32_t written = 0;
        EXPECT_EQ(device.Write(handle, request, written), FT_OK);
        EXPECT_EQ(written, request.size());
        EXPECT_EQ(device.WaitForData(handle, replyLength, 10000), FT_OK);
        Bytes reply(replyLength + fakeusb::kPacketSize);
        std::uint32_t got = 0;
        EXPECT_EQ(device.Read(handle, reply, got), FT_OK);
        reply.resize(got);
        return reply;
    }

    std::shared_ptr<hostsim::SimulatedHost> host = std::make_shared<hostsim::SimulatedHost>(true);
    FtdiLibDevice device;
    FT_HANDLE handle = 0;
};

TEST_F(FtdiBackendOverFakeChip, ListsOpensSetsUpTheChipAsTheLinkNeedsItAndCarriesFrames) {
    std::uint32_t count = 0;
    EXPECT_EQ(device.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 1u);
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(device.ProductDescription(), "FT232R USB UART");
    EXPECT_EQ(device.Describe().kind, DeviceDescription::Kind::Ftdi);
    EXPECT_EQ(device.Describe().serial, "TLVX0001");

    const fakeusb::ChipState& chip = fakeusb::Chip();
    EXPECT_EQ(chip.unknownControls, 0) << "a request the chip does not know";
    EXPECT_EQ(chip.baudDivisor, 0x4138u);   // 9600 Bd: 3 MBd / 312.5
    EXPECT_EQ(chip.lineProperties, 0x0008); // 8 bits, no parity, 1 stop bit, no break
    EXPECT_EQ(chip.flowControl, 0);
    EXPECT_EQ(chip.latencyMs, 1);
    EXPECT_EQ(chip.bitMode, 0);
    EXPECT_GE(chip.rxPurges, 1);

    // One program holds the chip: a second open from another device is
    // refused while the first is open.
    FT_HANDLE second = 0;
    FtdiLibDevice other;
    EXPECT_EQ(other.Open(0, second), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(second, 0u);

    // 128 bytes of memory come back as 143 bytes: three IN packets, each
    // with its two status bytes, which must not reach the reply.
    const Bytes read = hostsim::BuildFrame(1, 2, 1, Bytes{0x00, 0xD8, 0x00, 0x00, 0x80, 0x00});
    const Bytes record = Exchange(read, 143);
    ASSERT_EQ(record.size(), 143u);
    EXPECT_TRUE(
        std::equal(record.begin() + 13, record.begin() + 141, host->Memory().begin() + 0xD800));

    EXPECT_EQ(device.Close(handle), FT_OK);
    EXPECT_EQ(device.ProductDescription(), "");
    EXPECT_EQ(fakeusb::OpenHandles(), 0);
    EXPECT_EQ(device.Open(1, handle), FT_DEVICE_NOT_FOUND);
}

TEST_F(FtdiBackendOverFakeChip, ADevicePulledMidExchangeFailsThenOpensAgainWhenPluggedBack) {
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    // The cable comes out while the host takes the request in.
    host->OnEachRequest(
        [](hostsim::SimulatedHost&, std::span<const std::uint8_t>) { fakeusb::Unplug(); });
    std::uint32_t written = 0;
    EXPECT_EQ(device.Write(handle, kReadInputs, written), FT_OK);
    host->OnEachRequest({});

    std::uint32_t count = 7;
    EXPECT_EQ(device.GetQueueStatus(handle, count), FT_IO_ERROR);
    EXPECT_EQ(count, 0u);
    std::array<std::uint8_t, 16> buffer{};
    count = 1;
    EXPECT_EQ(device.Read(handle, buffer, count), FT_IO_ERROR);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(device.WaitForData(handle, 1, 5), FT_IO_ERROR);
    EXPECT_EQ(device.Write(handle, kReadInputs, written), FT_FAILED_TO_WRITE_DEVICE);
    EXPECT_EQ(device.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 0u);

    // Letting go of a device that has gone fails, but lets go.
    EXPECT_EQ(device.Close(handle), FT_IO_ERROR);
    EXPECT_EQ(fakeusb::OpenHandles(), 0);
    EXPECT_EQ(device.Open(0, handle), FT_DEVICE_NOT_FOUND);

    fakeusb::Replug();
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    EXPECT_EQ(fakeusb::Chip().latencyMs, 1); // set up again from power-on
    EXPECT_EQ(Exchange(kReadInputs, 11).size(), 11u);
    EXPECT_EQ(device.Close(handle), FT_OK);
}

TEST_F(FtdiBackendOverFakeChip, TheLinkExchangesAndNamesTheChipByItsStrings) {
    FtHandle = 0;
    SetFtdiBackend(std::make_shared<FtdiLibDevice>());
    auto link = std::make_unique<clsUSBInterface>();
    EXPECT_EQ(link->ReadInputs(), hostsim::SimulatedHost::kDefaultInputWord)
        << LinkLog::Instance().Text().toStdString();
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
    {
        hostconfig::ConnectionBar bar;
        bar.Attach(link.get());
        EXPECT_EQ(bar.ConnectionShown(), "FTDI FT232R USB UART, serial TLVX0001");
    }
    link.reset();
    SetFtdiBackend(nullptr);
    EXPECT_EQ(fakeusb::OpenHandles(), 0) << "the link left the device open";
}

TEST(FtdiBackendWithoutAChip, NothingOpensAndNothingBreaks) {
    FtdiLibDevice device;
    std::uint32_t moved = 99;
    EXPECT_EQ(device.ListDevices(moved), FT_OK);
    EXPECT_EQ(moved, 0u);
    FT_HANDLE handle = 1234;
    for (const int index : {0, 3, -1}) {
        EXPECT_EQ(device.Open(index, handle), FT_DEVICE_NOT_FOUND) << index;
        EXPECT_EQ(handle, 0u);
    }
    for (const char* description : {"s:0x0403:0x6001:NO-SUCH-SERIAL", "i:0x0403:0x6015:2"}) {
        FtdiLibDevice named(description);
        EXPECT_EQ(named.Open(0, handle), FT_DEVICE_NOT_FOUND) << description;
    }
    EXPECT_EQ(FtdiLibDevice("x:0403").Open(0, handle), FT_INVALID_PARAMETER);

    // What the link does after a failed open (the handle rules themselves
    // are the serial device's, tests/platform/TtyDeviceTest.cpp).
    EXPECT_EQ(device.Write(0, kReadInputs, moved), FT_INVALID_HANDLE);
}

} // namespace
