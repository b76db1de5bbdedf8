#include "terminal/TerminalSettings.h"

#include "platform/IniProfile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace terminal {

namespace {

constexpr const char* kDevicePrefix = "/dev/ttyS";

int InRange(long value, int count, int fallback) {
    return value >= 0 && value < count ? static_cast<int>(value) : fallback;
}

int PositiveOr(long value, int fallback) {
    return value > 0 && value <= 1000000 ? static_cast<int>(value) : fallback;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::string ComPortDevice(int portNumber) {
    return kDevicePrefix + std::to_string(portNumber - 1);
}

TerminalSettings ReadTerminalSettings(const std::string& settingsPath,
                                      const std::string& programFolder) {
    const TerminalSettings d;
    const platform::ProfileBatch file(settingsPath);
    TerminalSettings s;
    s.CommPort = InRange(file.GetInt(kSection, "CommPort", d.CommPort), kComPortCount, d.CommPort);
    s.CommPortDevice = file.GetString(kSection, kCommPortDeviceKey, "");
    s.BaudRate = InRange(file.GetInt(kSection, "BaudRate", d.BaudRate), kBaudRateCount, d.BaudRate);
    s.Handshaking = InRange(file.GetInt(kSection, "Handshaking", d.Handshaking), kHandshakingCount,
                            d.Handshaking);
    s.PrinterType = InRange(file.GetInt(kSection, "PrinterType", d.PrinterType), 7, d.PrinterType);
    s.CRToCRLF = file.GetInt(kSection, "CRToCRLF", 0) == 1;
    s.TerminalWidth =
        PositiveOr(file.GetInt(kSection, "TerminalWidth", d.TerminalWidth), d.TerminalWidth);
    s.TerminalHeight =
        PositiveOr(file.GetInt(kSection, "TerminalHeight", d.TerminalHeight), d.TerminalHeight);
    s.CaptureFileName = file.GetString(kSection, "CaptureFileName", programFolder + "/Capture.txt");
    return s;
}

bool WriteTerminalSettings(const TerminalSettings& s, const std::string& settingsPath) {
    platform::ProfileBatch file(settingsPath);
    const auto put = [&file](const char* key, const std::string& value) {
        return file.Write(kSection, key, value);
    };
    bool ok = put("CommPort", std::to_string(s.CommPort));
    ok = put(kCommPortDeviceKey, s.CommPortDevice) && ok;
    ok = put("BaudRate", std::to_string(s.BaudRate)) && ok;
    ok = put("Handshaking", std::to_string(s.Handshaking)) && ok;
    ok = put("PrinterType", std::to_string(s.PrinterType)) && ok;
    ok = put("CaptureFileName", s.CaptureFileName) && ok;
    ok = put("CRToCRLF", s.CRToCRLF ? "1" : "0") && ok;
    ok = put("TerminalWidth", std::to_string(s.TerminalWidth)) && ok;
    ok = put("TerminalHeight", std::to_string(s.TerminalHeight)) && ok;
    return file.Commit() && ok;
}

int TwipsToPixels(int twips, double dotsPerInch) {
    return static_cast<int>(std::lround(twips * dotsPerInch / 1440.0));
}

int PixelsToTwips(int pixels, double dotsPerInch) {
    return dotsPerInch > 0 ? static_cast<int>(std::lround(pixels * 1440.0 / dotsPerInch)) : 0;
}

std::vector<PortItem> AdapterItems(const std::vector<PresentPort>& present) {
    std::vector<PortItem> items;
    for (const PresentPort& port : present) {
        if (!StartsWith(port.Device, "/dev/ttyUSB") && !StartsWith(port.Device, "/dev/ttyACM")) {
            continue;
        }
        std::string text = port.Device;
        if (!port.Description.empty()) {
            text += " (" + port.Description + ")";
        }
        items.push_back({text, port.Device});
    }
    std::sort(items.begin(), items.end(), [](const PortItem& a, const PortItem& b) {
        // ttyUSB2 before ttyUSB10
        if (a.Device.size() != b.Device.size()) {
            return a.Device.size() < b.Device.size();
        }
        return a.Device < b.Device;
    });
    return items;
}

std::string PortDisplayName(const std::string& device) {
    if (StartsWith(device, kDevicePrefix)) {
        const std::string number = device.substr(std::string(kDevicePrefix).size());
        if (!number.empty() && number.size() <= 2 &&
            std::all_of(number.begin(), number.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            const int n = std::stoi(number);
            if (n < kComPortCount && (number.size() == 1 || number[0] != '0')) {
                return "COM" + std::to_string(n + 1);
            }
        }
    }
    return device;
}

std::string PortTitle(const std::string& device) {
    const std::string name = PortDisplayName(device);
    return name == device ? device : name + " (" + device + ")";
}

std::string TypedPortDevice(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    for (int n = 1; n <= kComPortCount; ++n) {
        const std::string com = "COM" + std::to_string(n);
        if (text.size() == com.size() &&
            std::equal(text.begin(), text.end(), com.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == b;
            })) {
            return ComPortDevice(n);
        }
    }
    return std::string(text);
}

bool PortPresent(const std::string& device, const std::vector<PresentPort>& present) {
    if (StartsWith(device, kDevicePrefix)) {
        return std::any_of(present.begin(), present.end(),
                           [&](const PresentPort& port) { return port.Device == device; });
    }
    std::error_code error;
    return !device.empty() && std::filesystem::exists(device, error);
}

std::vector<std::string> PresentPortNames(const std::vector<PresentPort>& present) {
    std::vector<std::string> names;
    std::vector<PresentPort> adapters;
    for (const PresentPort& port : present) {
        const std::string name = PortDisplayName(port.Device);
        if (name != port.Device) {
            names.push_back(name);
        } else {
            adapters.push_back(port);
        }
    }
    for (const PortItem& item : AdapterItems(adapters)) {
        names.push_back(item.Text);
    }
    return names;
}

} // namespace terminal
