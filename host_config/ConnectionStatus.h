#pragma once
// The texts of the main window's status line: what the device link is
// connected to (or why it is not), and how the last exchange ended.

#include "link/clsUSBInterface.h"
#include "platform/FtdiDevice.h"

#include <QString>
#include <QTime>

#include <string>

namespace hostconfig {

struct ConnectionState {
    platform::DeviceDescription device;
    // The device is open and was not found gone since.
    bool open = false;
    // When not open: the status text of the failed open or of the error
    // that lost the device ("Device Not Found", "I/O Error").
    std::string failure;
};

// "FTDI FT232R USB UART, serial A50285BI", "/dev/ttyUSB0 at 9600 baud",
// "Simulated host", or "No device: <reason>. <what to do>".
QString ConnectionText(const ConnectionState& state);

// "Last exchange: OK 12:04:31"; `statusText` names a failed device call.
QString LastExchangeText(ExchangeOutcome outcome, const std::string& statusText, QTime at);

} // namespace hostconfig
