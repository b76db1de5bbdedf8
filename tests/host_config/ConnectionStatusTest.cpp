#include "host_config/ConnectionStatus.h"

#include <gtest/gtest.h>

using hostconfig::ConnectionState;
using hostconfig::ConnectionText;
using hostconfig::LastExchangeText;
using Kind = platform::DeviceDescription::Kind;

namespace {

TEST(ConnectionStatus, AnFtdiDeviceIsNamedByWhatItsChipReports) {
    ConnectionState state;
    state.open = true;
    state.device.kind = Kind::Ftdi;
    for (const auto& [product, serial, text] :
         {std::tuple{"FT232R USB UART", "A50285BI", "FTDI FT232R USB UART, serial A50285BI"},
          {"FT232R USB UART", "", "FTDI FT232R USB UART"}, {"", "", "FTDI device"}}) {
        state.device.product = product;
        state.device.serial = serial;
        EXPECT_EQ(ConnectionText(state), text);
    }
}

TEST(ConnectionStatus, NoDeviceGivesTheReasonAndAHintForItsKind) {
    ConnectionState state;
    state.device.kind = Kind::Ftdi;
    state.failure = "Device Not Found";
    const QString ftdi = ConnectionText(state);
    EXPECT_TRUE(ftdi.startsWith("No device: Device Not Found. Plug in the host") &&
                ftdi.contains("udev rule") && ftdi.contains("--device"))
        << ftdi.toStdString();

    state.device.kind = Kind::Tty;
    state.device.path = "/dev/ttyUSB0";
    state.failure = "I/O Error";
    EXPECT_TRUE(ConnectionText(state).startsWith(
        "No device: I/O Error. Check that /dev/ttyUSB0 is there"));
}

TEST(ConnectionStatus, LastExchangeNamesItsOutcomeAndTime) {
    const QTime at(9, 0, 5);
    EXPECT_EQ(LastExchangeText(ExchangeOutcome::None, "", at), "Last exchange: none");
    EXPECT_EQ(LastExchangeText(ExchangeOutcome::Timeout, "", at), "Last exchange: Timeout 09:00:05");
    EXPECT_EQ(LastExchangeText(ExchangeOutcome::Status, "I/O Error", QTime(12, 4, 31)),
              "Last exchange: I/O Error 12:04:31");
}

} // namespace
