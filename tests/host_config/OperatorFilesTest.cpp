// The files the operator keeps, tried with hostile contents: nothing the
// program cannot read is overwritten, unedited texts come back byte for byte,
// and a save that fails half way leaves the old file.

#include "host_config/frmOrvane.h"

#include "tests/WindowTestSupport.h"

#include "common/ProgramState.h"
#include "platform/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using windowtest::ReadFile;
using windowtest::WriteFile;

class OperatorFilesTest : public windowtest::SimulatedHostTest {
protected:
    void TearDown() override {
        platform::SetSaveFaultForTesting(platform::SaveFault::None);
        SimulatedHostTest::TearDown();
    }
    QString Settings() const {
        return QString::fromStdString(ProgramState::Instance().SettingsPath);
    }
    static QPlainTextEdit* Ticket(QWidget* w, int n) {
        return w->findChild<QPlainTextEdit*>(QStringLiteral("txtHeaderFooter_%1").arg(n));
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
    ASSERT_TRUE(QDir().mkdir(FilePath("MyLocation.txt")));
    ASSERT_EQ(::mkfifo(FilePath("MyDisclaimer.txt").toLocal8Bit().constData(), 0600), 0);
    {
        frmOrvane w;
        const QString report = StartUpMessage();
        EXPECT_TRUE(report.contains("MyLocation.txt could not be read") &&
                    report.contains("MyDisclaimer.txt could not be read"))
            << report.toStdString();
        Ticket(&w, 1)->setPlainText("typed after start-up");
        messages.clear();
        w.close();
        // The edit that cannot be kept is not lost without a word; the
        // unedited text loses nothing.
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].text.contains("MyDisclaimer.txt (it could not be read"));
        EXPECT_FALSE(messages[0].text.contains("MyLocation.txt"));
    }
    EXPECT_TRUE(QFileInfo(FilePath("MyLocation.txt")).isDir());
    struct stat info {};
    ASSERT_EQ(::lstat(FilePath("MyDisclaimer.txt").toLocal8Bit().constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(OperatorFilesTest, UneditedTextsComeBackByteForByteEditedOnesInTheirOwnForm) {
    const std::string latin1 = "Caf\xE9 Ol\xE9\nMain St\n";               // LF, Latin-1
    const std::string marked = "\xEF\xBB\xBFPlay fair\r\nNo refunds\r\n"; // BOM, CR LF
    WriteFile(FilePath("MyLocation.txt"), latin1);
    WriteFile(FilePath("MyDisclaimer.txt"), marked);
    {
        frmOrvane w;
        EXPECT_EQ(Ticket(&w, 0)->toPlainText(), QString::fromUtf8("Caf\u00e9 Ol\u00e9\nMain St"));
        EXPECT_EQ(Ticket(&w, 1)->toPlainText(), "Play fair\nNo refunds");
        w.close();
    }
    EXPECT_EQ(ReadFile(FilePath("MyLocation.txt")), latin1);
    EXPECT_EQ(ReadFile(FilePath("MyDisclaimer.txt")), marked);
    {
        frmOrvane w;
        Ticket(&w, 0)->setPlainText(QString::fromUtf8("Caf\u00e9 Noir\nMain St"));
        Ticket(&w, 1)->setPlainText("Play fair");
        w.close();
    }
    EXPECT_EQ(ReadFile(FilePath("MyLocation.txt")), "Caf\xE9 Noir\nMain St\n");
    EXPECT_EQ(ReadFile(FilePath("MyDisclaimer.txt")), "\xEF\xBB\xBFPlay fair\r\n");
}

TEST_F(OperatorFilesTest, ASaveThatFailsLeavesEveryFileAsItWas) {
    WriteFile(Settings(), "[SiteParam]\r\nCardPrefix=777\r\n");
    WriteFile(FilePath("MyLocation.txt"), "Old\r\n");
    for (const auto& [fault, file] :
         {std::pair{platform::SaveFault::HalfWay, Settings()},
          std::pair{platform::SaveFault::AtRename, FilePath("MyLocation.txt")}}) {
        const std::string before = ReadFile(file);
        frmOrvane w;
        w.findChild<QLineEdit*>("txtParameters_1")->setText("1");
        Ticket(&w, 0)->setPlainText(QStringLiteral("New %1").arg(int(fault)));
        messages.clear();
        platform::SetSaveFaultForTesting(fault, file.toStdString());
        w.close();
        EXPECT_EQ(ReadFile(file), before) << file.toStdString();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back().title, "File not written");
    }
}
