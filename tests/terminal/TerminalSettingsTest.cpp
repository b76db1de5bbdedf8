// The section "Terminal" of Settings.ini: defaults, range checks and a round
// trip (how the file is rewritten is the profile writer's); port names and
// twips.
#include "terminal/TerminalSettings.h"

#include "platform/IniProfile.h"
#include "tests/platform/FolderTest.h"

#include <tuple>

using namespace terminal;

namespace {

using platformtest::Store;

auto Fields(const TerminalSettings& s) {
    return std::tie(s.CommPort, s.CommPortDevice, s.BaudRate, s.Handshaking, s.PrinterType,
                    s.CRToCRLF, s.TerminalWidth, s.TerminalHeight, s.CaptureFileName);
}

class TerminalSettingsFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string folder = dir.path().toStdString();
    std::string path = folder + "/Settings.ini";
};

TEST_F(TerminalSettingsFile, MissingFileAndValuesOutsideTheirListsGiveTheDefaults) {
    const auto defaults =
        std::make_tuple(1, std::string(), 3, 0, 0, false, 9045, 8565, folder + "/Capture.txt");
    TerminalSettings s = ReadTerminalSettings(path, folder);
    EXPECT_EQ(Fields(s), defaults);
    Store(path, "[terminal]\r\ncommport=16\r\nBaudRate=9\r\nHandshaking=-1\r\n"
                    "PrinterType=7\r\nCRToCRLF=2\r\nTerminalWidth=0\r\nTerminalHeight=x\r\n");
    s = ReadTerminalSettings(path, folder);
    EXPECT_EQ(Fields(s), defaults);
    Store(path,
              "[Terminal]\r\nCommPort=15\r\nBaudRate=8\r\nHandshaking=3\r\nPrinterType=6\r\n");
    s = ReadTerminalSettings(path, folder);
    EXPECT_EQ(Fields(s), std::make_tuple(15, std::string(), 8, 3, 6, false, 9045, 8565,
                                         folder + "/Capture.txt"));
}

TEST_F(TerminalSettingsFile, RoundTrip) {
    const TerminalSettings s{15,
                             "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
                             8,
                             3,
                             6,
                             true,
                             12000,
                             3300,
                             "/tmp/caps/Ticket log.txt"};
    ASSERT_TRUE(WriteTerminalSettings(s, path));
    const TerminalSettings back = ReadTerminalSettings(path, folder);
    EXPECT_EQ(Fields(back), Fields(s));
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
        {"COM1", "/dev/ttyS0", "COM1 (/dev/ttyS0)"},
        {"COM3", "/dev/ttyS2", "COM3 (/dev/ttyS2)"},
        {" com16\t", "/dev/ttyS15", "COM16 (/dev/ttyS15)"},
        {"COM17", "COM17", "COM17"},
        {"COM3x", "COM3x", "COM3x"},
        {" /dev/ttyUSB0 ", "/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/ttyS16", "/dev/ttyS16", "/dev/ttyS16"},
        {"/dev/ttyS01", "/dev/ttyS01", "/dev/ttyS01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(TypedPortDevice(c.typed), c.device);
        EXPECT_EQ(PortTitle(c.device), c.title);
    }

    QTemporaryDir dir;
    const std::string node = dir.path().toStdString() + "/ttyUSB0";
    Store(node, "");
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
