// The simulated host behind the D2XX-shaped device: handles, queue status,
// unplugging, and the wait.

#include "HostTestFrames.h"
#include "hostsim/SimFtdiDevice.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

using namespace hostsim_test;
using namespace platform;
using hostsim::SimFtdiDevice;
using hostsim::SimulatedHost;

TEST(SimFtdiDevice, HandleRules) {
    auto host = std::make_shared<SimulatedHost>(false);
    SimFtdiDevice device(host);
    std::uint32_t count = 99;
    EXPECT_EQ(device.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 1u);

    FT_HANDLE handle = 0;
    EXPECT_EQ(device.Open(1, handle), FT_DEVICE_NOT_FOUND);
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    EXPECT_NE(handle, 0u);
    FT_HANDLE second = 0;
    EXPECT_EQ(device.Open(0, second), FT_DEVICE_NOT_OPENED);

    std::uint32_t n = 0;
    EXPECT_EQ(device.GetQueueStatus(0, n), FT_INVALID_HANDLE);
    EXPECT_EQ(device.GetQueueStatus(handle + 1, n), FT_INVALID_HANDLE);
    EXPECT_EQ(device.WaitForData(0, 1, 1), FT_INVALID_HANDLE);

    ASSERT_EQ(device.Close(handle), FT_OK);
    EXPECT_EQ(device.Close(handle), FT_INVALID_HANDLE);
    EXPECT_EQ(device.GetQueueStatus(handle, n), FT_INVALID_HANDLE); // stale
    FT_HANDLE again = 0;
    ASSERT_EQ(device.Open(0, again), FT_OK);
    EXPECT_NE(again, handle);
}

TEST(SimFtdiDevice, ExchangeAndQueueStatusFault) {
    auto host = std::make_shared<SimulatedHost>(false);
    SimFtdiDevice device(host);
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);

    const Bytes request = Request(3, 1, 5);
    std::uint32_t written = 0;
    ASSERT_EQ(device.Write(handle, request, written), FT_OK);
    EXPECT_EQ(written, request.size());
    EXPECT_EQ(device.WaitForData(handle, 11, 500), FT_OK); // data is there: returns at once

    host->FailNextQueueStatus(FT_IO_ERROR);
    std::uint32_t queued = 0;
    EXPECT_EQ(device.GetQueueStatus(handle, queued), FT_IO_ERROR);
    ASSERT_EQ(device.GetQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 11u);

    Bytes buffer(7);
    std::uint32_t got = 0;
    ASSERT_EQ(device.Read(handle, buffer, got), FT_OK);
    EXPECT_EQ(got, 7u);
    buffer.resize(20);
    ASSERT_EQ(device.Read(handle, buffer, got), FT_OK);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(buffer[0], 0x34);

    // A delayed reply: the wait sleeps until it is due.
    host->DelayNextReply(std::chrono::milliseconds(20));
    ASSERT_EQ(device.Write(handle, request, written), FT_OK);
    ASSERT_EQ(device.WaitForData(handle, 11, 60000), FT_OK);
    ASSERT_EQ(device.GetQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 11u);
}

TEST(SimFtdiDevice, UnpluggedDeviceFailsEveryCall) {
    auto host = std::make_shared<SimulatedHost>(false);
    SimFtdiDevice device(host);
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);

    host->SetUnplugged(true);
    std::uint32_t count = 5;
    EXPECT_EQ(device.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 0u);
    std::uint32_t n = 0;
    const Bytes request = Request(3, 1, 5);
    EXPECT_EQ(device.Write(handle, request, n), FT_IO_ERROR);
    EXPECT_TRUE(host->Requests().empty());
    EXPECT_EQ(device.GetQueueStatus(handle, n), FT_IO_ERROR);
    Bytes buffer(8);
    EXPECT_EQ(device.Read(handle, buffer, n), FT_IO_ERROR);
    EXPECT_EQ(device.WaitForData(handle, 1, 1), FT_IO_ERROR);
    FT_HANDLE other = 0;
    EXPECT_EQ(device.Open(0, other), FT_DEVICE_NOT_FOUND);

    // Plugged in again, the old handle stays dead until it is let go of.
    host->SetUnplugged(false);
    EXPECT_EQ(device.Write(handle, request, n), FT_IO_ERROR);
    EXPECT_EQ(device.Open(0, other), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(device.Close(handle), FT_OK);
    ASSERT_EQ(device.Open(0, other), FT_OK);
    EXPECT_EQ(device.Write(other, request, n), FT_OK);
}

TEST(SimFtdiDevice, WireSpeedDeliversTheReplyByteByByte) {
    auto host = std::make_shared<SimulatedHost>(false);
    host->SetBaud(9600);
    SimFtdiDevice device(host);
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    std::uint32_t n = 0;
    ASSERT_EQ(device.Write(handle, MemoryRead(0xD800, 128), n), FT_OK);

    // At 9600 baud a byte takes over a millisecond: the header is there
    // long before the rest of the 143-byte reply.
    std::uint32_t queued = 0;
    ASSERT_EQ(device.WaitForData(handle, 7, 60000), FT_OK);
    ASSERT_EQ(device.GetQueueStatus(handle, queued), FT_OK);
    EXPECT_GE(queued, 7u);
    EXPECT_LT(queued, 143u);
    ASSERT_EQ(device.WaitForData(handle, 143, 60000), FT_OK);
    ASSERT_EQ(device.GetQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 143u);
}

TEST(SimFtdiDevice, BytesAlreadyQueuedDoNotEndAWaitForMore) {
    auto host = std::make_shared<SimulatedHost>(false);
    SimFtdiDevice device(host);
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    std::uint32_t n = 0;
    ASSERT_EQ(device.Write(handle, Request(3, 1, 5), n), FT_OK);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(device.WaitForData(handle, 12, 40), FT_OK);
    EXPECT_GE(clock.elapsed(), 35);
}
