#include "platform/DeviceChoice.h"

#include "platform/FtdiLibDevice.h"
#include "platform/NumberText.h"
#include "platform/TtyDevice.h"

#include <limits>

namespace platform {

namespace {

constexpr std::string_view kFtdi = "ftdi";
constexpr std::string_view kTty = "tty";
constexpr std::string_view kSim = "sim";

// Indented to sit under the --device line of the program's help.
constexpr std::string_view kUsage =
    "    ftdi                   the first FTDI device\n"
    "    ftdi:s:VID:PID:SERIAL  the FTDI device with this serial number\n"
    "    ftdi:i:VID:PID[:N]     FTDI device N (from 0) with this vendor and product id\n"
    "    ftdi:d:BUS/ADDR        the FTDI device at this USB bus number and address\n"
    "    tty:PATH[@BAUD]        a serial device, raw 8N1, 9600 baud unless given\n"
    "                           (e.g. tty:/dev/ttyUSB0, tty:/dev/pts/3@115200)\n"
    "    sim                    the simulated host, in-process\n";

// Messages for a malformed --device, in one place.
constexpr std::string_view kErrorEmpty =
    "no device given; use ftdi, ftdi:DESCRIPTION, tty:PATH[@BAUD] or sim";
constexpr std::string_view kErrorUnknownKind =
    "unknown device \"%\"; use ftdi, ftdi:DESCRIPTION, tty:PATH[@BAUD] or sim";
constexpr std::string_view kErrorFtdiDescription =
    "ftdi: needs a description: s:VID:PID:SERIAL, i:VID:PID[:N] or d:BUS/ADDR";
constexpr std::string_view kErrorTtyPath = "tty: needs the path of a serial device, e.g. "
                                           "tty:/dev/ttyUSB0";
constexpr std::string_view kErrorBaud = "baud rate \"%\" is not a positive whole number";
constexpr std::string_view kErrorSimArgument = "sim takes nothing after it";

std::string WithValue(std::string_view message, std::string_view value) {
    std::string text(message);
    if (const auto at = text.find('%'); at != std::string::npos) {
        text.replace(at, 1, value);
    }
    return text;
}

// libftdi understands exactly these three forms, each a letter and a colon
// followed by what identifies the device.
bool IsFtdiDescription(std::string_view text) {
    return text.size() > 2 && text[1] == ':' &&
           (text[0] == 's' || text[0] == 'i' || text[0] == 'd');
}

std::optional<int> ParseBaud(std::string_view text) {
    return NumberIn<int>(text, 1, std::numeric_limits<int>::max());
}

std::optional<DeviceChoice> ParseTty(std::string_view rest, std::string& error) {
    DeviceChoice choice;
    choice.kind = DeviceKind::Tty;
    choice.baud = kDefaultTtyBaud;
    std::string_view path = rest;
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) {
        path = rest.substr(0, at);
        const std::string_view baudText = rest.substr(at + 1);
        const auto baud = ParseBaud(baudText);
        if (!baud) {
            error = WithValue(kErrorBaud, baudText);
            return std::nullopt;
        }
        choice.baud = *baud;
    }
    if (path.empty()) {
        error = kErrorTtyPath;
        return std::nullopt;
    }
    choice.path = path;
    return choice;
}

} // namespace

std::optional<DeviceChoice> ParseDeviceChoice(std::string_view text, std::string& error) {
    error.clear();
    if (text.empty()) {
        error = kErrorEmpty;
        return std::nullopt;
    }
    const auto colon = text.find(':');
    const std::string_view kind = text.substr(0, colon);
    const bool hasArgument = colon != std::string_view::npos;
    const std::string_view argument = hasArgument ? text.substr(colon + 1) : std::string_view{};

    if (kind == kFtdi) {
        if (hasArgument && !IsFtdiDescription(argument)) {
            error = kErrorFtdiDescription;
            return std::nullopt;
        }
        DeviceChoice choice;
        choice.description = argument;
        return choice;
    }
    if (kind == kTty) {
        if (!hasArgument) {
            error = kErrorTtyPath;
            return std::nullopt;
        }
        return ParseTty(argument, error);
    }
    if (kind == kSim) {
        if (hasArgument) {
            error = kErrorSimArgument;
            return std::nullopt;
        }
        DeviceChoice choice;
        choice.kind = DeviceKind::Simulated;
        return choice;
    }
    error = WithValue(kErrorUnknownKind, kind);
    return std::nullopt;
}

std::string DeviceChoiceText(const DeviceChoice& choice) {
    switch (choice.kind) {
    case DeviceKind::Ftdi:
        return choice.description.empty() ? std::string(kFtdi)
                                          : std::string(kFtdi) + ":" + choice.description;
    case DeviceKind::Tty:
        return std::string(kTty) + ":" + choice.path + "@" + std::to_string(choice.baud);
    case DeviceKind::Simulated:
        break;
    }
    return std::string(kSim);
}

std::shared_ptr<FtdiDevice> MakeRealDevice(const DeviceChoice& choice) {
    switch (choice.kind) {
    case DeviceKind::Ftdi:
        return std::make_shared<FtdiLibDevice>(choice.description);
    case DeviceKind::Tty:
        return std::make_shared<TtyDevice>(choice.path, choice.baud);
    case DeviceKind::Simulated:
        break;
    }
    return nullptr;
}

std::string DeviceChoiceUsage() {
    return std::string(kUsage);
}

} // namespace platform
