#pragma once
// The --device argument: which backend the device link talks through.
//   ftdi                 the first FTDI device (the default)
//   ftdi:DESCRIPTION     the FTDI device named by a libftdi description
//   tty:PATH[@BAUD]      a serial character device, raw 8N1
//   sim                  the simulated host, in-process

#include "platform/FtdiDevice.h"
#include "platform/TtyDevice.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class DeviceKind { Ftdi, Tty, Simulated };

struct DeviceChoice {
    DeviceKind kind = DeviceKind::Ftdi;
    // Ftdi: "s:VID:PID:SERIAL", "i:VID:PID[:INDEX]" or "d:BUS/ADDR"; empty
    // for the first FTDI device.
    std::string description;
    // Tty: the device path.
    std::string path;
    // Tty: the line speed.
    int baud = kDefaultTtyBaud;

    bool operator==(const DeviceChoice&) const = default;
};

// The device named by `text`, or nullopt with a one-line reason in `error`.
std::optional<DeviceChoice> ParseDeviceChoice(std::string_view text, std::string& error);

// The argument that names `choice` again ("tty:/dev/ttyUSB0@9600").
std::string DeviceChoiceText(const DeviceChoice& choice);

// The backend for a real device (Ftdi or Tty); null for Simulated, which the
// program wires to the simulated host itself.
std::shared_ptr<FtdiDevice> MakeRealDevice(const DeviceChoice& choice);

// The device forms, one per line, indented to sit under the --device line
// of the program's --help text.
std::string DeviceChoiceUsage();

} // namespace platform
