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
    EXPECT_TRUE(choice.has_value() && error.empty()) << text << ": " << error;
    return choice.value_or(DeviceChoice{});
}

std::string Rejection(std::string_view text) {
    std::string error;
    EXPECT_FALSE(ParseDeviceChoice(text, error).has_value()) << text;
    EXPECT_FALSE(error.empty()) << text;
    return error;
}

} // namespace

TEST(DeviceChoiceTest, AcceptsEveryForm) {
    struct Row {
        const char* text;
        DeviceKind kind;
        const char* descriptionOrPath;
        int baud;
    };
    const Row rows[] = {
        {"ftdi", DeviceKind::Ftdi, "", 9600},
        {"ftdi:s:0x0403:0x6001:A7B3X9", DeviceKind::Ftdi, "s:0x0403:0x6001:A7B3X9", 9600},
        {"ftdi:i:0x0403:0x6015:1", DeviceKind::Ftdi, "i:0x0403:0x6015:1", 9600},
        {"ftdi:d:001/004", DeviceKind::Ftdi, "d:001/004", 9600},
        {"tty:/dev/ttyUSB0", DeviceKind::Tty, "/dev/ttyUSB0", 9600},
        // Only the last '@' starts the baud rate.
        {"tty:/tmp/odd@dir/pty@115200", DeviceKind::Tty, "/tmp/odd@dir/pty", 115200},
        {"sim", DeviceKind::Simulated, "", 9600},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const DeviceChoice choice = Parsed(row.text);
        EXPECT_EQ(choice.kind, row.kind);
        EXPECT_EQ(row.kind == DeviceKind::Tty ? choice.path : choice.description,
                  row.descriptionOrPath);
        EXPECT_EQ(choice.baud, row.baud);
    }
    EXPECT_EQ(platform::DeviceChoiceText(Parsed("tty:/dev/ttyUSB1")), "tty:/dev/ttyUSB1@9600");
}

TEST(DeviceChoiceTest, RejectsMalformedInputWithAReason) {
    for (const char* text :
         {"", "ftdi:", "ftdi:x:0403:6001", "ftdi:s:", "tty", "tty:", "tty:@9600",
          "tty:/dev/ttyUSB0@", "tty:/dev/ttyUSB0@0", "tty:/dev/ttyUSB0@-9600",
          "tty:/dev/ttyUSB0@+9600", "tty:/dev/ttyUSB0@96k", "tty:/dev/ttyUSB0@ 9600",
          "tty:/dev/ttyUSB0@99999999999999", "sim:fast", "FTDI", " ftdi"}) {
        Rejection(text);
    }
    EXPECT_NE(Rejection("usb:1").find("\"usb\""), std::string::npos);
    EXPECT_NE(Rejection("tty:/dev/ttyS0@fast").find("\"fast\""), std::string::npos);
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
