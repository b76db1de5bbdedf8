#include "platform/IniProfile.h"

#include "tests/platform/FolderTest.h"

#include <array>

using namespace platform;
using platformtest::Load;
using platformtest::Store;

namespace {
using IniProfileTest = platformtest::FolderTest;
} // namespace

TEST_F(IniProfileTest, MissingFileSectionOrKeyGivesTheDefault) {
    const std::string absent = PathOf("Absent.ini");
    EXPECT_EQ(GetProfileString("Settings", "ComPort", "COM1", absent), "COM1");
    EXPECT_EQ(GetProfileInt("Settings", "ComPort", 4, absent), 4);
    EXPECT_TRUE(Entries().isEmpty()) << "reading never creates the file";

    const std::string path = PathOf("Settings.ini");
    Store(path, "[Settings]\r\nComPort=2\r\nEmpty=\r\n;Hidden=1\r\n#Also=1\r\n");
    EXPECT_EQ(GetProfileInt("Other", "ComPort", 7, path), 7);
    EXPECT_EQ(GetProfileInt("Settings", ";Hidden", 5, path), 5) << "a comment is no key";
    EXPECT_EQ(GetProfileInt("Settings", "#Also", 5, path), 5);
    EXPECT_EQ(GetProfileInt("Settings", "Missing", -3, path), -3);
    EXPECT_EQ(GetProfileString("Settings", "Missing", "x", path), "x");
    EXPECT_EQ(GetProfileInt("Settings", "Empty", 12, path), 12);
    EXPECT_EQ(GetProfileString("Settings", "Empty", "x", path), "");
}

TEST_F(IniProfileTest, SectionsAndKeysIgnoreCase) {
    const std::string path = PathOf("Settings.ini");
    Store(path, "[SiteParam]\nNodeCount=12\n");
    EXPECT_EQ(GetProfileInt("siteparam", "NODECOUNT", 0, path), 12);
    EXPECT_EQ(GetProfileString("SITEPARAM", "nodecount", "", path), "12");

    ASSERT_TRUE(WriteProfileString("SITEPARAM", "nodeCount", "40", path));
    EXPECT_EQ(GetProfileInt("SiteParam", "NodeCount", 0, path), 40);
    const std::string text = Load(path);
    EXPECT_EQ(text.find("12"), std::string::npos);
    EXPECT_EQ(text.find('['), text.rfind('[')) << "one section only:\n" << text;
    EXPECT_EQ(QString::fromStdString(text).count("odeCount", Qt::CaseInsensitive), 1) << text;
}

TEST_F(IniProfileTest, IntegersAreTheLeadingDigits) {
    const std::string path = PathOf("Numbers.ini");
    Store(path, "[N]\nDecimal=50.00\nSigned= -7x\nWord=abc\nPlus=+12\nBlank=   \n"
                "High=3000000000\nTop=4294967295\nBig=99999999999\n");
    // A value past 32 bits saturates instead of wrapping.
    const std::pair<const char*, long> rows[] = {
        {"Decimal", 50}, {"Signed", -7},        {"Word", 0},          {"Plus", 12},
        {"Blank", 1},    {"High", 3000000000L}, {"Top", 4294967295L}, {"Big", 4294967295L},
    };
    for (const auto& [key, value] : rows) {
        EXPECT_EQ(GetProfileInt("N", key, 1, path), value) << key;
    }
}

TEST_F(IniProfileTest, LongValuesAreCutTo254Characters) {
    const std::string path = PathOf("Long.ini");
    const std::string value(300, 'k');
    ASSERT_TRUE(WriteProfileString("Text", "Line", value, path));
    EXPECT_EQ(GetProfileString("Text", "Line", "", path), std::string(254, 'k'));
}

TEST_F(IniProfileTest, WritingKeepsEverythingElse) {
    const std::string path = PathOf("Settings.ini");
    const std::string original = "; Written by hand\n"
                                 "[Settings]\n"
                                 "; the port of the printer\n"
                                 "ComPort=3\n"
                                 "Unknown=keep me\n"
                                 "\n"
                                 "[Vendor]\n"
                                 "Colour=blue\n"
                                 "; last words\n";
    Store(path, original);
    ASSERT_TRUE(WriteProfileString("Settings", "ComPort", "5", path));
    ASSERT_TRUE(WriteProfileString("Terminal", "Baud", "9600", path));

    const std::string text = Load(path);
    for (const char* kept :
         {"; Written by hand", "; the port of the printer", "Unknown=keep me", "[Vendor]",
          "Colour=blue", "; last words", "ComPort=5", "[Terminal]", "Baud=9600"}) {
        EXPECT_NE(text.find(kept), std::string::npos) << kept << " missing from\n" << text;
    }
    EXPECT_EQ(text.find("ComPort=3"), std::string::npos);
    EXPECT_EQ(GetProfileString("Vendor", "Colour", "", path), "blue");
}

TEST_F(IniProfileTest, NewFileIsPlainKeyEqualsValue) {
    const std::string path = PathOf("New.ini");
    ASSERT_TRUE(WriteProfileString("Transaction", "PrintMask", "65535", path));
    const std::string text = Load(path);
    ASSERT_GE(text.size(), 3u);
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF") << "no byte-order mark";
    EXPECT_EQ(text.find("[Transaction]"), 0u) << text;
    EXPECT_NE(text.find("PrintMask=65535"), std::string::npos) << text;
    EXPECT_EQ(text.find(" = "), std::string::npos) << text;

    EXPECT_EQ(Entries(), QStringList{"New.ini"}) << "no temporary file left behind";
}

TEST_F(IniProfileTest, AFailedWriteLeavesNoTraces) {
    const std::string path = PathOf("no-such-folder/Settings.ini");
    EXPECT_FALSE(WriteProfileString("Settings", "ComPort", "1", path));
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(IniProfileTest, OnlyTheLineConcernedChanges) {
    const std::string path = PathOf("Settings.ini");
    Store(path, "[Settings]\r\n"
                "ComPort = 3\r\n"
                "\r\n"
                "; node table\r\n"
                "[Nodes]\r\n"
                "Count=4\r\n");
    ASSERT_TRUE(WriteProfileString("settings", "COMPORT", "5", path));
    ASSERT_TRUE(WriteProfileString("Settings", "Baud", "9600", path));
    ASSERT_TRUE(WriteProfileString("Settings", "Baud", "9600", path));
    EXPECT_EQ(Load(path), "[Settings]\r\n"
                          "COMPORT=5\r\n"
                          "Baud=9600\r\n"
                          "\r\n"
                          "; node table\r\n"
                          "[Nodes]\r\n"
                          "Count=4\r\n");
}

TEST_F(IniProfileTest, ValuesCannotBreakTheFileApart) {
    const std::string path = PathOf("Settings.ini");
    ASSERT_TRUE(WriteProfileString("Terminal", "Chat", "hello\r\n[Settings]\nComPort=9", path));
    EXPECT_EQ(GetProfileInt("Settings", "ComPort", 1, path), 1);
    EXPECT_EQ(GetProfileString("Terminal", "Chat", "", path), "hello  [Settings] ComPort=9");

    const std::string before = Load(path);
    EXPECT_FALSE(WriteProfileString("Terminal", "Key=1", "x", path));
    EXPECT_FALSE(WriteProfileString("Bad]Section", "Key", "x", path));
    EXPECT_FALSE(WriteProfileString("Terminal", "", "x", path));
    EXPECT_FALSE(WriteProfileString("Terminal", "Two\nLines", "x", path));
    EXPECT_EQ(Load(path), before);
}
