#include "host_config/ConnectionStatus.h"

#include <gtest/gtest.h>

using hostconfig::ConnectionState;
using hostconfig::ConnectionText;
using hostconfig::LastExchangeText;
using Kind = platform::DeviceDescription::Kind;

namespace {

TEST(ConnectionStatus, FtdiDeviceIsNamedByWhatItsChipReports) {
    ConnectionState state;
    state.open = true;
    state.device.kind = Kind::Ftdi;
    state.device.product = "FT232R USB UART";
    state.device.serial = "A50285BI";
    EXPECT_EQ(ConnectionText(state), "FTDI FT232R USB UART, serial A50285BI");
    // A chip without strings of its own is still named.
    state.device.serial.clear();
    EXPECT_EQ(ConnectionText(state), "FTDI FT232R USB UART");
    state.device.product.clear();
    EXPECT_EQ(ConnectionText(state), "FTDI device");
}

TEST(ConnectionStatus, NoDeviceGivesTheReasonAndAHintForItsKind) {
    ConnectionState state;
    state.device.kind = Kind::Ftdi;
    state.failure = "Device Not Found";
    const QString ftdi = ConnectionText(state);
    EXPECT_TRUE(ftdi.startsWith("No device: Device Not Found. Plug in the host"))
        << ftdi.toStdString();
    EXPECT_TRUE(ftdi.contains("udev rule") && ftdi.contains("--device"));

    state.device.kind = Kind::Tty;
    state.device.path = "/dev/ttyUSB0";
    state.failure = "I/O Error";
    const QString tty = ConnectionText(state);
    EXPECT_TRUE(tty.startsWith("No device: I/O Error. Check that /dev/ttyUSB0 is there"))
        << tty.toStdString();
}

TEST(ConnectionStatus, LastExchangeNamesItsOutcomeAndTime) {
    const QTime at(12, 4, 31);
    EXPECT_EQ(LastExchangeText(ExchangeOutcome::None, "", at), "Last exchange: none");
    EXPECT_EQ(LastExchangeText(ExchangeOutcome::Ok, "", at), "Last exchange: OK 12:04:31");
    EXPECT_EQ(LastExchangeText(ExchangeOutcome::Timeout, "", QTime(9, 0, 5)),
              "Last exchange: Timeout 09:00:05");
    EXPECT_EQ(LastExchangeText(ExchangeOutcome::Status, "I/O Error", at),
              "Last exchange: I/O Error 12:04:31");
}

} // namespace
