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

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

class OperatorFilesTest : public windowtest::SimulatedHostTest {
protected:
    void TearDown() override {
        platform::SetSaveFaultForTesting(platform::SaveFault::None);
        SimulatedHostTest::TearDown();
    }

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
    EXPECT_TRUE(QFileInfo(QString::fromStdString(PathOf("MyLocation.txt"))).isDir());
    struct stat info {};
    ASSERT_EQ(::lstat(PathOf("MyDisclaimer.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(OperatorFilesTest, UneditedTextsComeBackByteForByteEditedOnesInTheirOwnForm) {
    const std::string latin1 = "Caf\xE9 Ol\xE9\nMain St\n";               // LF, Latin-1
    const std::string marked = "\xEF\xBB\xBFPlay fair\r\nNo refunds\r\n"; // BOM, CR LF
    Store(PathOf("MyLocation.txt"), latin1);
    Store(PathOf("MyDisclaimer.txt"), marked);
    {
        frmOrvane w;
        EXPECT_EQ(Ticket(&w, 0)->toPlainText(), QString::fromUtf8("Caf\u00e9 Ol\u00e9\nMain St"));
        EXPECT_EQ(Ticket(&w, 1)->toPlainText(), "Play fair\nNo refunds");
        w.close();
    }
    EXPECT_EQ(Load(PathOf("MyLocation.txt")), latin1);
    EXPECT_EQ(Load(PathOf("MyDisclaimer.txt")), marked);
    {
        frmOrvane w;
        Ticket(&w, 0)->setPlainText(QString::fromUtf8("Caf\u00e9 Noir\nMain St"));
        Ticket(&w, 1)->setPlainText("Play fair");
        w.close();
    }
    EXPECT_EQ(Load(PathOf("MyLocation.txt")), "Caf\xE9 Noir\nMain St\n");
    EXPECT_EQ(Load(PathOf("MyDisclaimer.txt")), "\xEF\xBB\xBFPlay fair\r\n");
}

TEST_F(OperatorFilesTest, ASaveThatFailsLeavesEveryFileAsItWas) {
    Store(Settings(), "[SiteParam]\r\nCardPrefix=777\r\n");
    Store(PathOf("MyLocation.txt"), "Old\r\n");
    for (const auto& [fault, file] :
         {std::pair{platform::SaveFault::HalfWay, Settings()},
          std::pair{platform::SaveFault::AtRename, PathOf("MyLocation.txt")}}) {
        const std::string before = Load(file);
        frmOrvane w;
        Box(&w, 1)->setText("1");
        Ticket(&w, 0)->setPlainText(QStringLiteral("New %1").arg(int(fault)));
        messages.clear();
        platform::SetSaveFaultForTesting(fault, file);
        w.close();
        EXPECT_EQ(Load(file), before) << file;
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back().title, "File not written");
    }
}
