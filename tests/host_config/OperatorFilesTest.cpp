// The files the operator keeps, tried with hostile contents and names:
// nothing the program cannot read is overwritten, a name means one file for
// reading and writing, unedited texts come back byte for byte, two names of
// one file are refused, stored values out of range are reported, and a save
// that fails half way leaves the old file.

#include "host_config/frmOrvane.h"

#include "tests/WindowTestSupport.h"

#include "common/ProgramState.h"
#include "common/codeWindows.h"
#include "hostsim/SimFtdiDevice.h"
#include "hostsim/SimulatedHost.h"
#include "link/codeFTDIDirect.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class OperatorFilesTest : public windowtest::SimulatedHostTest {
protected:
    void TearDown() override {
        platform::SetSaveFaultForTesting(platform::SaveFault::None);
        SimulatedHostTest::TearDown();
    }

    // Paths as the bytes the system sees.
    std::string PathOf(const std::string& name) const {
        return dir.path().toStdString() + "/" + name;
    }
    std::string Settings() const { return ProgramState::Instance().SettingsPath; }
    static void Store(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Load(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return in ? text.str() : std::string("<missing>");
    }
    static QPlainTextEdit* Ticket(QWidget* w, int n) {
        return w->findChild<QPlainTextEdit*>(QStringLiteral("txtHeaderFooter_%1").arg(n));
    }
    static QLineEdit* Box(QWidget* w, int n) {
        return w->findChild<QLineEdit*>(QStringLiteral("txtParameters_%1").arg(n));
    }
    // The start-up report, shown once the window's events run.
    QString StartUpMessage() {
        QCoreApplication::processEvents();
        for (const auto& m : messages) {
            if (m.title == "Settings and files") {
                return m.text;
            }
        }
        return {};
    }
};

} // namespace

TEST_F(OperatorFilesTest, TextFilesThatCannotBeReadAreReportedAndNeverOverwritten) {
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(PathOf("MyLocation.txt"))));
    ASSERT_EQ(::mkfifo(PathOf("MyDisclaimer.txt").c_str(), 0600), 0);
    {
        frmOrvane w;
        const QString report = StartUpMessage();
        EXPECT_TRUE(report.contains("MyLocation.txt could not be read")) << report.toStdString();
        EXPECT_TRUE(report.contains("MyDisclaimer.txt could not be read")) << report.toStdString();
        EXPECT_EQ(w.StartUpProblems().size(), 2);
        Ticket(&w, 1)->setPlainText("typed after start-up");
        messages.clear();
        w.close();
        // The edit that cannot be kept is not lost without a word.
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].text.contains("MyDisclaimer.txt (it could not be read"));
        EXPECT_FALSE(messages[0].text.contains("MyLocation.txt")) << "unedited: nothing lost";
    }
    EXPECT_TRUE(QFileInfo(QString::fromStdString(PathOf("MyLocation.txt"))).isDir());
    struct stat info {};
    ASSERT_EQ(::lstat(PathOf("MyDisclaimer.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(OperatorFilesTest, ANameIsReadAndWrittenUnderOneEncodingOrNotAtAll) {
    // "café" in Latin-1: one byte 0xE9, no UTF-8. Qt would turn it into
    // U+FFFD and read or write "caf\xEF\xBF\xBD.txt" instead.
    const std::string latin1 = PathOf("caf\xE9.txt");
    Store(latin1, "Joe's Bar\r\n");
    Store(Settings(), "[Settings]\r\nLocationFileName=" + latin1 + "\r\n");
    {
        frmOrvane w;
        EXPECT_TRUE(StartUpMessage().contains("not valid in this system's file name encoding"));
        EXPECT_TRUE(Ticket(&w, 0)->toPlainText().isEmpty());
        w.close();
    }
    EXPECT_EQ(Load(latin1), "Joe's Bar\r\n");
    EXPECT_EQ(Load(PathOf("caf\xEF\xBF\xBD.txt")), "<missing>");
    EXPECT_EQ(ReadIniString("Settings", "LocationFileName", "", Settings()), latin1)
        << "the stored name is kept as it was";
}

TEST_F(OperatorFilesTest, UneditedTextsComeBackByteForByteEditedOnesInTheirOwnForm) {
    const std::string latin1 = "Caf\xE9 Ol\xE9\nMain St\n";               // LF, Latin-1
    const std::string marked = "\xEF\xBB\xBFPlay fair\r\nNo refunds\r\n"; // BOM, CR LF
    std::string binary;
    for (int i = 0; i < 600; ++i) {
        binary += static_cast<char>((i * 37) & 0xFF);
    }
    Store(PathOf("MyLocation.txt"), latin1);
    Store(PathOf("MyDisclaimer.txt"), marked);
    ASSERT_EQ(::chmod(PathOf("MyDisclaimer.txt").c_str(), 0600), 0);
    {
        frmOrvane w;
        EXPECT_EQ(Ticket(&w, 0)->toPlainText(), QString::fromUtf8("Caf\u00e9 Ol\u00e9\nMain St"));
        EXPECT_EQ(Ticket(&w, 1)->toPlainText(), "Play fair\nNo refunds");
        w.close();
    }
    EXPECT_EQ(Load(PathOf("MyLocation.txt")), latin1);
    EXPECT_EQ(Load(PathOf("MyDisclaimer.txt")), marked);

    Store(PathOf("MyLocation.txt"), binary);
    {
        frmOrvane w;
        w.close();
    }
    EXPECT_EQ(Load(PathOf("MyLocation.txt")), binary) << "a binary file does not grow";

    Store(PathOf("MyLocation.txt"), latin1);
    {
        frmOrvane w;
        Ticket(&w, 0)->setPlainText(QString::fromUtf8("Caf\u00e9 Noir\nMain St"));
        Ticket(&w, 1)->setPlainText("Play fair");
        w.close();
    }
    EXPECT_EQ(Load(PathOf("MyLocation.txt")), "Caf\xE9 Noir\nMain St\n");
    EXPECT_EQ(Load(PathOf("MyDisclaimer.txt")), "\xEF\xBB\xBFPlay fair\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(PathOf("MyDisclaimer.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(OperatorFilesTest, StoredEntriesOutOfRangeAreReportedAndTheRecordGetsDefaults) {
    Store(Settings(), "[SiteParam]\nMaxNode=999\nCardPrefix=99999\nAlarmTime=4:300\n"
                      "PrinterType=9\nOperPrefix=-4\n[SiteParamBonus]\nOdds=32766\n");
    frmOrvane w;
    const QString report = StartUpMessage();
    for (const char* part :
         {"\"999\"", "\"99999\"", "\"4:300\"", "\"-4\"", "PrinterType holds \"9\""}) {
        EXPECT_TRUE(report.contains(part)) << part << " in\n" << report.toStdString();
    }
    EXPECT_FALSE(report.contains("32766")) << "large odds are fine";
    EXPECT_EQ(Box(&w, 0)->text(), "0");
    EXPECT_EQ(Box(&w, 1)->text(), "1234");
    const SiteParamRecord& record = ProgramState::Instance().SiteParams;
    EXPECT_EQ(record.CardPrefix, 1234) << "a default, never zero by accident";
    EXPECT_EQ(record.OperPrefix, 1234);
    EXPECT_EQ(record.AlarmHour & 0x7F, 4);
    EXPECT_EQ(record.Odds, 32766);
    EXPECT_EQ(record.PrinterType, 0);
}

TEST_F(OperatorFilesTest, OddSettingsFilesAreReadAndWrittenAlike) {
    // A NUL byte and CR-only line ends: the values behind them are read,
    // and every exit leaves one entry per key.
    const char odd[] = "[SiteParam]\rMaxNode=5\0\r[SiteParamBonus]\rOdds=900\r";
    Store(Settings(), std::string(odd, sizeof odd - 1));
    for (int run = 0; run < 2; ++run) {
        frmOrvane w;
        EXPECT_EQ(Box(&w, 0)->text(), "5");
        EXPECT_EQ(Box(&w, 6)->text(), "900");
        w.close();
    }
    const QString text = QString::fromLatin1(QByteArray::fromStdString(Load(Settings())));
    EXPECT_EQ(text.count("MaxNode"), 1) << text.toStdString();
    EXPECT_EQ(text.count("Odds"), 1);
    EXPECT_FALSE(text.contains('\n')) << "the file's own line ends";
}

TEST_F(OperatorFilesTest, ASaveThatFailsLeavesEveryFileAsItWas) {
    Store(Settings(), "[SiteParam]\r\nCardPrefix=777\r\nOperPrefix=888\r\n");
    Store(PathOf("MyLocation.txt"), "Old\r\n");
    for (const auto& [fault, file] :
         {std::pair{platform::SaveFault::HalfWay, Settings()},
          std::pair{platform::SaveFault::AtRename, PathOf("MyLocation.txt")}}) {
        const std::string before = Load(file);
        frmOrvane w;
        Box(&w, 1)->setText("1");
        Box(&w, 2)->setText("2");
        Ticket(&w, 0)->setPlainText(QStringLiteral("New %1").arg(int(fault)));
        messages.clear();
        platform::SetSaveFaultForTesting(fault, file);
        w.close();
        EXPECT_EQ(Load(file), before) << file;
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back().title, "File not written");
    }
}
