// The section "Terminal" of Settings.ini: defaults, range checks, one
// replace that keeps the rest of the file; port names and twips.
#include "terminal/TerminalSettings.h"

#include "platform/IniProfile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace terminal;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class TerminalSettingsFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string folder = dir.path().toStdString();
    std::string path = folder + "/Settings.ini";
};

TEST_F(TerminalSettingsFile, MissingFileGivesTheDefaults) {
    const TerminalSettings s = ReadTerminalSettings(path, folder);
    EXPECT_EQ(s.CommPort, 1);
    EXPECT_EQ(s.CommPortDevice, "");
    EXPECT_EQ(s.BaudRate, 3);
    EXPECT_EQ(s.Handshaking, 0);
    EXPECT_EQ(s.PrinterType, 0);
    EXPECT_FALSE(s.CRToCRLF);
    EXPECT_EQ(s.TerminalWidth, 9045);
    EXPECT_EQ(s.TerminalHeight, 8565);
    EXPECT_EQ(s.CaptureFileName, folder + "/Capture.txt");
}

TEST_F(TerminalSettingsFile, RoundTripKeepsOtherSectionsInOneWrite) {
    WriteFile(path, "[Settings]\r\nLocationFileName=/x/MyLocation.txt\r\n[Terminal]\r\nOld=1\r\n");
    TerminalSettings s;
    s.CommPort = 15;
    s.CommPortDevice = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
    s.BaudRate = 8;
    s.Handshaking = 3;
    s.PrinterType = 6;
    s.CRToCRLF = true;
    s.TerminalWidth = 12000;
    s.TerminalHeight = 3300;
    s.CaptureFileName = "/tmp/caps/Ticket log.txt";
    ASSERT_TRUE(WriteTerminalSettings(s, path));

    const TerminalSettings back = ReadTerminalSettings(path, folder);
    EXPECT_EQ(back.CommPort, 15);
    EXPECT_EQ(back.CommPortDevice, s.CommPortDevice);
    EXPECT_EQ(back.BaudRate, 8);
    EXPECT_EQ(back.Handshaking, 3);
    EXPECT_EQ(back.PrinterType, 6);
    EXPECT_TRUE(back.CRToCRLF);
    EXPECT_EQ(back.TerminalWidth, 12000);
    EXPECT_EQ(back.TerminalHeight, 3300);
    EXPECT_EQ(back.CaptureFileName, s.CaptureFileName);
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("LocationFileName=/x/MyLocation.txt"), std::string::npos);
    EXPECT_NE(text.find("Old=1"), std::string::npos);
    EXPECT_NE(text.find("CRToCRLF=1"), std::string::npos);
}

TEST_F(TerminalSettingsFile, ValuesOutsideTheirListsFallBack) {
    WriteFile(path, "[terminal]\r\ncommport=16\r\nBaudRate=9\r\nHandshaking=-1\r\n"
                    "PrinterType=7\r\nCRToCRLF=2\r\nTerminalWidth=0\r\nTerminalHeight=x\r\n");
    const TerminalSettings s = ReadTerminalSettings(path, folder);
    EXPECT_EQ(s.CommPort, 1);
    EXPECT_EQ(s.BaudRate, 3);
    EXPECT_EQ(s.Handshaking, 0);
    EXPECT_EQ(s.PrinterType, 0);
    EXPECT_FALSE(s.CRToCRLF);
    EXPECT_EQ(s.TerminalWidth, 9045);
    EXPECT_EQ(s.TerminalHeight, 8565);

    WriteFile(path,
              "[Terminal]\r\nCommPort=15\r\nBaudRate=8\r\nHandshaking=3\r\nPrinterType=6\r\n");
    const TerminalSettings top = ReadTerminalSettings(path, folder);
    EXPECT_EQ(top.CommPort, 15);
    EXPECT_EQ(top.BaudRate, 8);
    EXPECT_EQ(top.Handshaking, 3);
    EXPECT_EQ(top.PrinterType, 6);
}

TEST_F(TerminalSettingsFile, AnUnreadableFileIsNeverRewritten) {
    WriteFile(path, "[Terminal]\r\nCommPort=4\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    if (ReadFile(path).empty()) { // not running as root
        EXPECT_FALSE(WriteTerminalSettings(TerminalSettings{}, path));
        chmod(path.c_str(), 0644);
        EXPECT_EQ(ReadFile(path), "[Terminal]\r\nCommPort=4\r\n");
    }
    chmod(path.c_str(), 0644);
}

TEST(PortNames, ComNumbersStandForTtyS) {
    EXPECT_EQ(ComPortDevice(1), "/dev/ttyS0");
    EXPECT_EQ(ComPortDevice(16), "/dev/ttyS15");
    EXPECT_EQ(PortDisplayName("/dev/ttyS0"), "COM1");
    EXPECT_EQ(PortDisplayName("/dev/ttyS15"), "COM16");
    EXPECT_EQ(PortDisplayName("/dev/ttyS16"), "/dev/ttyS16");
    EXPECT_EQ(PortDisplayName("/dev/ttyS01"), "/dev/ttyS01");
    EXPECT_EQ(PortDisplayName("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

TEST(PortNames, AdaptersAreListedInOrderWithTheirDescription) {
    const std::vector<PortItem> items = AdapterItems({{"/dev/ttyUSB10", "FT232R USB UART"},
                                                      {"/dev/ttyS0", ""},
                                                      {"/dev/ttyACM0", ""},
                                                      {"/dev/ttyUSB2", "FT232R USB UART"}});
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Text, "/dev/ttyACM0");
    EXPECT_EQ(items[1].Text, "/dev/ttyUSB2 (FT232R USB UART)");
    EXPECT_EQ(items[1].Device, "/dev/ttyUSB2");
    EXPECT_EQ(items[2].Device, "/dev/ttyUSB10");
}

// What a port-list entry means, how a port is named, and which ports count
// as present: the PC's own only when the system lists them.
TEST(PortNames, TypedEntriesTitlesAndPresence) {
    const struct {
        const char* typed;
        const char* device;
        const char* title;
    } cases[] = {
        {"COM3", "/dev/ttyS2", "COM3 (/dev/ttyS2)"},
        {" com16\t", "/dev/ttyS15", "COM16 (/dev/ttyS15)"},
        {"COM17", "COM17", "COM17"},
        {"COM3x", "COM3x", "COM3x"},
        {" /dev/ttyUSB0 ", "/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/ttyS16", "/dev/ttyS16", "/dev/ttyS16"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(TypedPortDevice(c.typed), c.device);
        EXPECT_EQ(PortTitle(c.device), c.title);
    }

    QTemporaryDir dir;
    const std::string node = dir.path().toStdString() + "/ttyUSB0";
    WriteFile(node, "");
    const std::vector<PresentPort> present = {{"/dev/ttyUSB3", "FT232R"}, {"/dev/ttyS1", ""}};
    EXPECT_TRUE(PortPresent("/dev/ttyS1", present));
    EXPECT_FALSE(PortPresent("/dev/ttyS0", present)); // a node without hardware
    EXPECT_TRUE(PortPresent(node, {}));
    EXPECT_FALSE(PortPresent(node + "x", present));
    EXPECT_FALSE(PortPresent("", present));
    EXPECT_EQ(PresentPortNames(present),
              (std::vector<std::string>{"COM2", "/dev/ttyUSB3 (FT232R)"}));
}

TEST(Twips, ConvertWithTheScreenResolution) {
    EXPECT_EQ(TwipsToPixels(9045, 96), 603);
    EXPECT_EQ(TwipsToPixels(8565, 120), 714);
    EXPECT_EQ(PixelsToTwips(603, 96), 9045);
    EXPECT_EQ(PixelsToTwips(714, 120), 8568);
}

} // namespace
