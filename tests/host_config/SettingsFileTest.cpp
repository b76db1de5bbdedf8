// Settings.ini as the main window reads and writes it.

#include "host_config/SettingsFile.h"

#include "common/codeWindows.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

using namespace hostconfig;

TEST(SettingsFile, ValuesOutsideTheirControlsFallBackToTheDefault) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Settings.ini").toStdString();
    for (const auto& [printer, kiosk, options] :
         {std::tuple{"9", "7", "256"}, std::tuple{"-1", "-1", "-3"}}) {
        WriteIniString("SiteParam", "PrinterType", printer, path);
        WriteIniString("SiteParam", "KioskNoteInValue", kiosk, path);
        WriteIniString("SiteParam", "GlobalOptions", options, path);
        const MainSettings s = ReadMainSettings(path, "/prog");
        EXPECT_EQ(s.PrinterType, 0);
        EXPECT_EQ(s.KioskNoteInValue, 0);
        EXPECT_EQ(s.GlobalOptions, 0);
    }
    WriteIniString("SiteParam", "PrinterType", "5", path);
    WriteIniString("SiteParam", "KioskNoteInValue", "6", path);
    WriteIniString("SiteParam", "GlobalOptions", "255", path);
    const MainSettings s = ReadMainSettings(path, "/prog");
    EXPECT_EQ(s.PrinterType, 5);
    EXPECT_EQ(s.KioskNoteInValue, 6);
    EXPECT_EQ(s.GlobalOptions, 255);
    EXPECT_EQ(s.LocationFileName, "/prog/MyLocation.txt");
    EXPECT_EQ(s.DisclaimerFileName, "/prog/MyDisclaimer.txt");
}

TEST(SettingsFile, WritesBoxesAsTypedAndKeepsOtherSections) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Settings.ini").toStdString();
    WriteIniString("Terminal", "Port", "3", path);
    MainSettings s = ReadMainSettings(path, "/prog");
    s.Parameters[5] = "1.50";
    s.Parameters[3] = "17";
    s.Parameters[7] = "50.00";
    ASSERT_TRUE(WriteMainSettings(s, path));
    EXPECT_EQ(ReadIniString("SiteParamBonus", "Percentage", "", path), "1.50");
    EXPECT_EQ(ReadIniString("SiteParamBonus", "Refill", "", path), "50.00");
    EXPECT_EQ(ReadIniString("Terminal", "Port", "", path), "3");
    const MainSettings back = ReadMainSettings(path, "/prog");
    EXPECT_EQ(back.Parameters[5], "1");
    EXPECT_EQ(back.Parameters[3], "17");
    EXPECT_EQ(back.Parameters[7], "50");

    EXPECT_FALSE(WriteMainSettings(s, dir.filePath("no/such/dir/Settings.ini").toStdString()));
}

TEST(SettingsFile, StoredValuesOutOfRangeAreReportedWithFieldAndValue) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Settings.ini").toStdString();
    std::ofstream(path) << "[SiteParam]\nMaxNode=256\nCardPrefix=32767\nKioskNoteInValue=7\n"
                           "[SiteParamBonus]\nRefill=328\nLimit=2147483647\n";
    QStringList problems;
    const MainSettings s = ReadMainSettings(path, "/prog", &problems);
    ASSERT_EQ(problems.size(), 3) << problems.join('\n').toStdString();
    EXPECT_TRUE(problems[0].contains("Max Node")) << problems[0].toStdString();
    EXPECT_TRUE(problems[0].contains("\"256\""));
    EXPECT_TRUE(problems[0].contains("0 is used instead"));
    EXPECT_TRUE(problems[1].contains("\"328\""));
    EXPECT_TRUE(problems[1].contains("50 is used instead"));
    EXPECT_TRUE(problems[2].contains("KioskNoteInValue holds \"7\""));
    EXPECT_EQ(s.Parameters[0], "0");
    EXPECT_EQ(s.Parameters[1], "32767") << "the largest prefix is fine";
    EXPECT_EQ(s.Parameters[7], "50");
    EXPECT_EQ(s.Parameters[8], "2147483647");
}

TEST(SettingsFile, AFileThatCannotBeReadIsReportedAndKept) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Settings.ini").toStdString();
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(path)));
    QStringList problems;
    const MainSettings s = ReadMainSettings(path, "/prog", &problems);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains("could not be read"));
    EXPECT_EQ(s.Parameters[1], "1234");
    EXPECT_FALSE(WriteMainSettings(s, path));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(path)).isDir());
}
