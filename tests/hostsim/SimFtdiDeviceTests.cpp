// The simulated host behind the D2XX-shaped device: handles, unplugging and
// the wait. Exchanges, and unplugging as the link sees it, are tested with
// the link (tests/integration/LinkWithSimulatedHostTest.cpp).

#include "HostTestFrames.h"
#include "hostsim/SimFtdiDevice.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

using namespace hostsim_test;
using namespace platform;
using hostsim::SimFtdiDevice;
using hostsim::SimulatedHost;

namespace {

class SimFtdiDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(device.Open(0, handle), FT_OK); }

    std::shared_ptr<SimulatedHost> host = std::make_shared<SimulatedHost>(false);
    SimFtdiDevice device{host};
    FT_HANDLE handle = 0;
    std::uint32_t n = 0;
};

} // namespace

TEST_F(SimFtdiDeviceTest, HandleRules) {
    FT_HANDLE second = 0;
    EXPECT_EQ(device.Open(0, second), FT_DEVICE_NOT_OPENED);
    ASSERT_EQ(device.Close(handle), FT_OK);
    EXPECT_EQ(device.Close(handle), FT_INVALID_HANDLE);
    EXPECT_EQ(device.GetQueueStatus(handle, n), FT_INVALID_HANDLE); // stale
    EXPECT_EQ(device.Open(1, second), FT_DEVICE_NOT_FOUND);
    ASSERT_EQ(device.Open(0, second), FT_OK);
    EXPECT_NE(second, handle);

    // Plugged in again, a handle from before stays dead until it is let go of.
    host->SetUnplugged(true);
    host->SetUnplugged(false);
    const Bytes request = Frame(3, 1, 5);
    EXPECT_EQ(device.Write(second, request, n), FT_IO_ERROR);
    EXPECT_EQ(device.Open(0, handle), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(device.Close(second), FT_OK);
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    EXPECT_EQ(device.Write(handle, request, n), FT_OK);
}

TEST_F(SimFtdiDeviceTest, WaitsSleepAndWireSpeedDeliversTheReplyByteByByte) {
    // Bytes already queued do not end a wait for more.
    ASSERT_EQ(device.Write(handle, Frame(3, 1, 5), n), FT_OK);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(device.WaitForData(handle, 12, 40), FT_OK);
    EXPECT_GE(clock.elapsed(), 35);
    Bytes buffer(11);
    ASSERT_EQ(device.Read(handle, buffer, n), FT_OK);

    // At 9600 baud a byte takes over a millisecond: the header is there
    // long before the rest of the 143-byte reply.
    host->SetBaud(9600);
    ASSERT_EQ(device.Write(handle, MemoryRead(0xD800, 128), n), FT_OK);
    ASSERT_EQ(device.WaitForData(handle, 7, 60000), FT_OK);
    ASSERT_EQ(device.GetQueueStatus(handle, n), FT_OK);
    EXPECT_GE(n, 7u);
    EXPECT_LT(n, 143u);
    ASSERT_EQ(device.WaitForData(handle, 143, 60000), FT_OK);
    ASSERT_EQ(device.GetQueueStatus(handle, n), FT_OK);
    EXPECT_EQ(n, 143u);
}
