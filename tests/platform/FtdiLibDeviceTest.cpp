#include "platform/FtdiLibDevice.h"

#include <gtest/gtest.h>

#include <array>

using namespace platform;

namespace {

// These tests describe a machine without an FTDI bridge (a build server);
// with one plugged in they have nothing to say.
bool BridgeAttached() {
    FtdiLibDevice device;
    std::uint32_t count = 0;
    return device.ListDevices(count) == FT_OK && count > 0;
}

} // namespace

TEST(FtdiLibDeviceTest, WithoutABridgeNothingOpensAndNothingBreaks) {
    if (BridgeAttached()) {
        GTEST_SKIP() << "an FTDI device is attached";
    }
    FtdiLibDevice device;
    std::uint32_t count = 99;
    EXPECT_EQ(device.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 0u);

    FT_HANDLE handle = 1234;
    EXPECT_EQ(device.Open(0, handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(device.Open(3, handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(device.Open(-1, handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, 0u);

    // What the link does after a failed open: every call with handle 0.
    std::array<std::uint8_t, 8> buffer{};
    const std::array<std::uint8_t, 9> frame{0x03, 0x09, 0x00, 0x01, 0x00, 0x00, 0x05, 0xB6, 0x71};
    std::uint32_t moved = 5;
    EXPECT_EQ(device.Write(0, frame, moved), FT_INVALID_HANDLE);
    EXPECT_EQ(moved, 0u);
    EXPECT_EQ(device.Read(0, buffer, moved), FT_INVALID_HANDLE);
    EXPECT_EQ(moved, 0u);
    EXPECT_EQ(device.GetQueueStatus(0, moved), FT_INVALID_HANDLE);
    EXPECT_EQ(device.WaitForData(0, 1, 1), FT_INVALID_HANDLE);
    EXPECT_EQ(device.Close(0), FT_INVALID_HANDLE);
    EXPECT_EQ(device.Close(1), FT_INVALID_HANDLE);

    // The count does not depend on an earlier failed open.
    EXPECT_EQ(device.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 0u);
}

TEST(FtdiLibDeviceTest, ADescriptionThatMatchesNothingIsNotFound) {
    if (BridgeAttached()) {
        GTEST_SKIP() << "an FTDI device is attached";
    }
    for (const char* description :
         {"s:0x0403:0x6001:NO-SUCH-SERIAL", "i:0x0403:0x6001", "i:0x0403:0x6015:2", "d:250/127"}) {
        FtdiLibDevice device(description);
        FT_HANDLE handle = 1;
        EXPECT_EQ(device.Open(0, handle), FT_DEVICE_NOT_FOUND) << description;
        EXPECT_EQ(handle, 0u);
    }
    FtdiLibDevice garbled("x:0403");
    FT_HANDLE handle = 1;
    EXPECT_EQ(garbled.Open(0, handle), FT_INVALID_PARAMETER);
    EXPECT_EQ(handle, 0u);
}
