#include "platform/DeviceChoice.h"
#include "platform/FtdiLibDevice.h"
#include "platform/TtyDevice.h"

#include <gtest/gtest.h>

using platform::DeviceChoice;
using platform::DeviceKind;
using platform::ParseDeviceChoice;

namespace {

DeviceChoice Parsed(std::string_view text) {
    std::string error;
    const auto choice = ParseDeviceChoice(text, error);
    EXPECT_TRUE(choice.has_value()) << text << ": " << error;
    EXPECT_TRUE(error.empty()) << text;
    return choice.value_or(DeviceChoice{});
}

std::string Rejection(std::string_view text) {
    std::string error;
    const auto choice = ParseDeviceChoice(text, error);
    EXPECT_FALSE(choice.has_value()) << text;
    EXPECT_FALSE(error.empty()) << text;
    return error;
}

} // namespace

TEST(DeviceChoiceTest, AcceptsEveryForm) {
    EXPECT_EQ(Parsed("ftdi"), DeviceChoice{});
    EXPECT_EQ(Parsed("ftdi").kind, DeviceKind::Ftdi);

    const DeviceChoice serial = Parsed("ftdi:s:0x0403:0x6001:A7B3X9");
    EXPECT_EQ(serial.kind, DeviceKind::Ftdi);
    EXPECT_EQ(serial.description, "s:0x0403:0x6001:A7B3X9");
    EXPECT_EQ(Parsed("ftdi:i:0x0403:0x6015:1").description, "i:0x0403:0x6015:1");
    EXPECT_EQ(Parsed("ftdi:d:001/004").description, "d:001/004");

    const DeviceChoice usb = Parsed("tty:/dev/ttyUSB0");
    EXPECT_EQ(usb.kind, DeviceKind::Tty);
    EXPECT_EQ(usb.path, "/dev/ttyUSB0");
    EXPECT_EQ(usb.baud, 9600);

    // Only the last '@' starts the baud rate.
    const DeviceChoice pts = Parsed("tty:/tmp/odd@dir/pty@115200");
    EXPECT_EQ(pts.path, "/tmp/odd@dir/pty");
    EXPECT_EQ(pts.baud, 115200);

    EXPECT_EQ(Parsed("sim").kind, DeviceKind::Simulated);
}

TEST(DeviceChoiceTest, RejectsMalformedInputWithAReason) {
    Rejection("");
    Rejection("ftdi:");
    Rejection("ftdi:x:0403:6001");
    Rejection("ftdi:s:");
    Rejection("tty");
    Rejection("tty:");
    Rejection("tty:@9600");
    Rejection("tty:/dev/ttyUSB0@");
    Rejection("tty:/dev/ttyUSB0@0");
    Rejection("tty:/dev/ttyUSB0@-9600");
    Rejection("tty:/dev/ttyUSB0@+9600");
    Rejection("tty:/dev/ttyUSB0@96k");
    Rejection("tty:/dev/ttyUSB0@ 9600");
    Rejection("tty:/dev/ttyUSB0@99999999999999");
    Rejection("sim:fast");
    Rejection("FTDI");
    Rejection(" ftdi");

    EXPECT_NE(Rejection("usb:1").find("\"usb\""), std::string::npos);
    EXPECT_NE(Rejection("tty:/dev/ttyS0@fast").find("\"fast\""), std::string::npos);
}

TEST(DeviceChoiceTest, TextNamesTheSameDeviceAgain) {
    for (const char* text : {"ftdi", "ftdi:i:0x0403:0x6001:2", "tty:/dev/ttyUSB1", "sim"}) {
        const DeviceChoice choice = Parsed(text);
        EXPECT_EQ(Parsed(platform::DeviceChoiceText(choice)), choice) << text;
    }
    EXPECT_EQ(platform::DeviceChoiceText(Parsed("tty:/dev/ttyUSB1")), "tty:/dev/ttyUSB1@9600");
}

TEST(DeviceChoiceTest, MakesTheMatchingBackend) {
    const auto ftdi = platform::MakeRealDevice(Parsed("ftdi"));
    EXPECT_NE(dynamic_cast<platform::FtdiLibDevice*>(ftdi.get()), nullptr);

    const auto tty = platform::MakeRealDevice(Parsed("tty:/dev/ttyUSB3@19200"));
    const auto* ttyDevice = dynamic_cast<platform::TtyDevice*>(tty.get());
    ASSERT_NE(ttyDevice, nullptr);
    EXPECT_EQ(ttyDevice->Path(), "/dev/ttyUSB3");
    EXPECT_EQ(ttyDevice->Baud(), 19200);

    EXPECT_EQ(platform::MakeRealDevice(Parsed("sim")), nullptr);
}

TEST(DeviceChoiceTest, UsageListsEveryForm) {
    const std::string usage = platform::DeviceChoiceUsage();
    for (const char* form : {"ftdi ", "ftdi:s:", "ftdi:i:", "ftdi:d:", "tty:PATH[@BAUD]", "sim "}) {
        EXPECT_NE(usage.find(form), std::string::npos) << form;
    }
    EXPECT_EQ(usage.back(), '\n');
}
