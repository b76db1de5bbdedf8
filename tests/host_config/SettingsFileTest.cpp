// Settings.ini as the main window reads and writes it.

#include "host_config/SettingsFile.h"

#include "common/codeWindows.h"

#include "tests/platform/FolderTest.h"

#include <QFileInfo>

using namespace hostconfig;

namespace {
class SettingsFile : public platformtest::FolderTest {
protected:
    const std::string path = PathOf("Settings.ini");
};
} // namespace

TEST_F(SettingsFile, ValuesOutsideTheirControlsFallBackToTheDefault) {
    // Printer type, note-in value, options; the last row is the largest kept.
    for (const auto& [printer, kiosk, options, kept] :
         {std::tuple{"6", "7", "256", false}, std::tuple{"-1", "-1", "-3", false},
          std::tuple{"5", "6", "255", true}}) {
        WriteIniString("SiteParam", "PrinterType", printer, path);
        WriteIniString("SiteParam", "KioskNoteInValue", kiosk, path);
        WriteIniString("SiteParam", "GlobalOptions", options, path);
        const MainSettings s = ReadMainSettings(path, "/prog");
        EXPECT_EQ(std::tuple(s.PrinterType, s.KioskNoteInValue, int(s.GlobalOptions)),
                  kept ? std::tuple(5, 6, 255) : std::tuple(0, 0, 0));
        EXPECT_EQ(s.LocationFileName, "/prog/MyLocation.txt");
        EXPECT_EQ(s.DisclaimerFileName, "/prog/MyDisclaimer.txt");
    }
}

TEST_F(SettingsFile, WritesBoxesAsTypedAndNamesAsStored) {
    MainSettings s = ReadMainSettings(path, "/prog");
    s.Parameters[5] = "1.50";
    s.Parameters[3] = "17";
    s.LocationFileName = "/prog/caf\xE9.txt"; // Latin-1: no UTF-8
    ASSERT_TRUE(WriteMainSettings(s, path));
    EXPECT_EQ(ReadIniString("SiteParamBonus", "Percentage", "", path), "1.50");
    const MainSettings back = ReadMainSettings(path, "/prog");
    EXPECT_EQ(back.Parameters[5], "1");
    EXPECT_EQ(back.Parameters[3], "17");
    EXPECT_EQ(back.LocationFileName, s.LocationFileName);

    EXPECT_FALSE(WriteMainSettings(s, PathOf("no/such/dir/Settings.ini")));
}

TEST_F(SettingsFile, StoredValuesOutOfRangeAreReportedWithFieldAndValue) {
    platformtest::Store(path, "[SiteParam]\nMaxNode=256\nCardPrefix=32767\nKioskNoteInValue=7\n"
                           "[SiteParamBonus]\nRefill=328\nLimit=2147483647\n");
    QStringList problems;
    const MainSettings s = ReadMainSettings(path, "/prog", &problems);
    ASSERT_EQ(problems.size(), 3) << problems.join('\n').toStdString();
    for (const auto& [line, part] :
         {std::pair{0, "Max Node"}, {0, "\"256\""}, {0, "0 is used instead"}, {1, "\"328\""},
          {1, "50 is used instead"}, {2, "KioskNoteInValue holds \"7\""}}) {
        EXPECT_TRUE(problems[line].contains(part)) << problems[line].toStdString();
    }
    EXPECT_EQ(s.Parameters, (std::array<std::string, 9>{"0", "32767", "1234", "4:00", "0", "1",
                                                        "5000", "50", "2147483647"}));
}

TEST_F(SettingsFile, AFileThatCannotBeReadIsReportedAndKept) {
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(path)));
    QStringList problems;
    const MainSettings s = ReadMainSettings(path, "/prog", &problems);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains("could not be read"));
    EXPECT_EQ(s.Parameters[1], "1234");
    EXPECT_FALSE(WriteMainSettings(s, path));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(path)).isDir());
}
