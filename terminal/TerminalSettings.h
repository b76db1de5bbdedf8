#pragma once
// The terminal's section "Terminal" of Settings.ini, its ports and the
// window size in twips. Read once when the window opens, written once when
// it closes.

#include <string>
#include <string_view>
#include <vector>

namespace terminal {

// "COM1".."COM16" stand for the PC's own serial ports /dev/ttyS0../dev/ttyS15,
// so a "CommPort" index stored by another installation means the same port.
inline constexpr int kComPortCount = 16;
// Device of port number 1..16 ("COM1" is /dev/ttyS0).
std::string ComPortDevice(int portNumber);

inline constexpr int kBaudRateCount = 9;
inline constexpr int kBaudRates[kBaudRateCount] = {600,   1200,  2400,  4800,  9600,
                                                   19200, 38400, 57600, 115200};
inline constexpr int kHandshakingCount = 4;

struct TerminalSettings {
    int CommPort = 1; // list index of the "COM" items: 1 is "COM2"
    // A port outside "COM1".."COM16" (a USB adapter, a pseudo-terminal, a
    // /dev/serial/by-id link) is kept here, beside "CommPort", which keeps the
    // last "COM" choice for installations that only know those. Empty while
    // a "COM" port is chosen.
    std::string CommPortDevice;
    int BaudRate = 3; // list index: 4800
    int Handshaking = 0;
    int PrinterType = 0;
    bool CRToCRLF = false;
    int TerminalWidth = 9045; // twips
    int TerminalHeight = 8565;
    std::string CaptureFileName; // program folder + "/Capture.txt"
};

inline constexpr const char* kSection = "Terminal";
inline constexpr const char* kCommPortDeviceKey = "CommPortDevice";

// Values outside their list fall back to the default of the key; sizes
// below one twip too. A settings file that cannot be read gives the defaults.
TerminalSettings ReadTerminalSettings(const std::string& settingsPath,
                                      const std::string& programFolder);
// Writes every key of the section in one replace of the file; false when
// the file could not be read before or written now (it is then unchanged).
bool WriteTerminalSettings(const TerminalSettings& settings, const std::string& settingsPath);

// Window sizes: twips at `dotsPerInch` to pixels and back, rounded.
int TwipsToPixels(int twips, double dotsPerInch);
int PixelsToTwips(int pixels, double dotsPerInch);

// A serial port the PC has now, as the system lists it.
struct PresentPort {
    std::string Device; // "/dev/ttyUSB0"
    std::string Description;
};

// One item of the port list after "COM1".."COM16": a USB serial adapter
// (/dev/ttyUSB*, /dev/ttyACM*) present now, shown with its description.
struct PortItem {
    std::string Text;
    std::string Device;
};
std::vector<PortItem> AdapterItems(const std::vector<PresentPort>& present);

// "COM2" for /dev/ttyS1, the device path otherwise.
std::string PortDisplayName(const std::string& device);
// How a port is named in the status line and messages: "COM2 (/dev/ttyS1)",
// or the device path alone when it has no "COM" name.
std::string PortTitle(const std::string& device);
// The device a typed port-list entry means: "COM3" (any case, blanks
// around it ignored) is /dev/ttyS2; any other text is a device path.
std::string TypedPortDevice(std::string_view text);
// Whether `device` is there now. The PC's own ports have device nodes
// whether or not the hardware is there, so they count only when the
// system lists them in `present`; any other device when its path exists.
bool PortPresent(const std::string& device, const std::vector<PresentPort>& present);
// The present ports as the status line names them: "COM" names for the
// PC's own, then the adapters as the port list shows them.
std::vector<std::string> PresentPortNames(const std::vector<PresentPort>& present);

} // namespace terminal
