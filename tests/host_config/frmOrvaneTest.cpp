// The main window on the simulated host: start-up, settings, marks, the
// "Program" sequence on the wire, refused entries, file buttons, tool
// windows and shut-down.

#include "host_config/frmOrvane.h"

#include "tests/WindowTestSupport.h"

#include "host_config/ConnectionBar.h"

#include "common/Crc16.h"
#include "common/ProgramState.h"
#include "common/codeWindows.h"
#include "hostsim/PtyServer.h"
#include "hostsim/SimFtdiDevice.h"
#include "hostsim/SimulatedHost.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/TtyDevice.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>

namespace {

struct Frame {
    int deviceId;
    int cmnd;
    std::vector<std::uint8_t> payload;
    bool operator==(const Frame&) const = default;
};

using windowtest::ReadFile;
using windowtest::WriteFile;

class MainWindowTest : public windowtest::SimulatedHostTest {
protected:
    QString Path(const char* name) const { return dir.filePath(name); }
    std::string Settings() const { return ProgramState::Instance().SettingsPath; }

    template <class T> static T* Find(QWidget* w, const QString& name) {
        return windowtest::Find<T>(w, name);
    }
    static QCheckBox* Send(QWidget* w, int n) {
        return Find<QCheckBox>(w, QStringLiteral("chkSend_%1").arg(n));
    }
    static QLineEdit* Box(QWidget* w, int n) {
        return Find<QLineEdit>(w, QStringLiteral("txtParameters_%1").arg(n));
    }
    static QPlainTextEdit* Ticket(QWidget* w, int n) {
        return Find<QPlainTextEdit>(w, QStringLiteral("txtHeaderFooter_%1").arg(n));
    }
    static std::vector<bool> SendMarks(QWidget* w) {
        return {Send(w, 0)->isChecked(), Send(w, 1)->isChecked(), Send(w, 2)->isChecked(),
                Send(w, 3)->isChecked()};
    }
    static hostconfig::ConnectionBar* Status(QWidget* w) {
        return Find<hostconfig::ConnectionBar>(w, "statusConnection");
    }
    static void Click(QWidget* w, const char* name) {
        QTest::mouseClick(Find<QPushButton>(w, name), Qt::LeftButton);
    }

    // The request frames the host received, checked for their framing.
    std::vector<Frame> Received() const {
        std::vector<Frame> frames;
        for (const auto& f : host->Requests()) {
            EXPECT_GE(f.size(), 9u);
            EXPECT_EQ(f[1] + 256u * f[2], f.size());
            EXPECT_EQ(common::Crc16(f), 0);
            frames.push_back({f[0], f[6], {f.begin() + 7, f.end() - 2}});
        }
        return frames;
    }
};

} // namespace

TEST_F(MainWindowTest, FirstRunShowsTheDefaultsAndEveryControl) {
    frmOrvane w;
    EXPECT_EQ(w.windowTitle(), "Orvane, Version: 0.3.0");
    const QStringList values{"0", "1234", "1234", "4:00", "0", "1", "5000", "50", "0"};
    const QStringList labels{"Max Node",   "Card Prefix", "Oper Prefix", "Time", "Weekday",
                             "Percentage", "Odds: 1 in",  "Refill $",    "Limit"};
    for (int n = 0; n < 9; ++n) {
        EXPECT_EQ(Box(&w, n)->text(), values[n]);
        auto* label = Find<QLabel>(&w, QStringLiteral("lblParameters_%1").arg(n));
        EXPECT_EQ(label->text(), labels[n]);
        EXPECT_EQ(label->buddy(), Box(&w, n));
    }
    for (int n = 0; n < 8; ++n) {
        EXPECT_FALSE(Find<QCheckBox>(&w, QStringLiteral("chkOptions_%1").arg(n))->isChecked());
    }
    EXPECT_EQ(Find<QCheckBox>(&w, "chkOptions_0")->toolTip(),
              "Print dollars when checked or points when unchecked");
    auto* kiosk = Find<QComboBox>(&w, "cboKioskNoteInValue");
    EXPECT_EQ(kiosk->currentText(), "1 Cent");
    EXPECT_EQ(kiosk->count(), 7);
    EXPECT_EQ(kiosk->itemText(6), "5 Dollars");
    EXPECT_TRUE(Find<QRadioButton>(&w, "optPrinter_0")->isChecked());
    EXPECT_EQ(Find<QRadioButton>(&w, "optPrinter_0")->text(), "Citizen");
    for (int n = 1; n <= 3; ++n) {
        EXPECT_FALSE(Find<QRadioButton>(&w, QStringLiteral("optPrinter_%1").arg(n))->isEnabled());
    }
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, false, false, false}));
    EXPECT_FALSE(Find<QCheckBox>(&w, "chkSendAll")->isChecked());
    EXPECT_TRUE(Ticket(&w, 0)->toPlainText().isEmpty());
    EXPECT_EQ(Find<QLabel>(&w, "lblHeaderFooterSize_1")->text(), "0 of 512 bytes");
    EXPECT_EQ(Find<QPushButton>(&w, "cmdProgram")->toolTip(), "Send information to the Tolvex");
    EXPECT_EQ(Find<QPushButton>(&w, "cmdExit")->toolTip(), "Exit this program");
    EXPECT_EQ(Find<QPushButton>(&w, "cmdFileOps_3")->toolTip(), "Save the disclaimer to a file");
    for (const char* name :
         {"frameOptions", "frameParameters", "frameSend", "frameLocation", "frameDisclaimer",
          "framePrinter", "lblTamber", "lblCashDrop", "lblBonus", "lblKioskNoteInValue"}) {
        EXPECT_NE(w.findChild<QWidget*>(name), nullptr) << name;
    }
    EXPECT_NE(w.findChild<QTimer*>("ocxTimer"), nullptr);
    // No tool window is registered: its button cannot be pressed.
    for (const char* name :
         {"cmdGameSetup", "cmdDiagnostic", "cmdTerminal", "cmdTransactions", "cmdViewRemote"}) {
        EXPECT_FALSE(Find<QPushButton>(&w, name)->isEnabled()) << name;
    }
    // Start-up opened the device and built the site record.
    EXPECT_NE(ProgramState::Instance().Link, nullptr);
    EXPECT_NE(FtHandle, 0u);
    EXPECT_EQ(ProgramState::Instance().SiteParams.CardPrefix, 1234);
    EXPECT_EQ(ProgramState::Instance().SiteParams.Refill, 5000);
    w.close();
    EXPECT_EQ(ProgramState::Instance().Link, nullptr);
    EXPECT_EQ(FtHandle, 0u);
}

TEST_F(MainWindowTest, SettingsAndTextsSurviveARestart) {
    WriteFile(Path("MyLocation.txt"), "Joe's Bar\r\nMain St\r\n");
    {
        frmOrvane w;
        EXPECT_EQ(Ticket(&w, 0)->toPlainText(), "Joe's Bar\nMain St");
        // Loading the texts at start-up marks nothing.
        EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, false, false, false}));
        Box(&w, 5)->setText("1.50");
        Box(&w, 3)->setText("5:30");
        QTest::mouseClick(Find<QCheckBox>(&w, "chkOptions_4"), Qt::LeftButton);
        QTest::mouseClick(Find<QRadioButton>(&w, "optPrinter_4"), Qt::LeftButton);
        Find<QComboBox>(&w, "cboKioskNoteInValue")->setCurrentIndex(3);
        Ticket(&w, 1)->setPlainText("Play fair");
        Click(&w, "cmdExit");
        EXPECT_TRUE(w.HasShutDown());
    }
    EXPECT_EQ(ReadIniString("SiteParamBonus", "Percentage", "", Settings()), "1.50");
    EXPECT_EQ(ReadIniString("SiteParam", "AlarmTime", "", Settings()), "5:30");
    EXPECT_EQ(ReadIniString("SiteParam", "GlobalOptions", "", Settings()), "16");
    EXPECT_EQ(ReadIniString("SiteParam", "PrinterType", "", Settings()), "4");
    EXPECT_EQ(ReadIniString("SiteParam", "KioskNoteInValue", "", Settings()), "3");
    EXPECT_EQ(ReadIniString("Settings", "LocationFileName", "", Settings()),
              Path("MyLocation.txt").toStdString());
    EXPECT_EQ(ReadFile(Path("MyLocation.txt")), "Joe's Bar\r\nMain St\r\n");
    EXPECT_EQ(ReadFile(Path("MyDisclaimer.txt")), "Play fair\r\n");

    frmOrvane again;
    EXPECT_EQ(Box(&again, 5)->text(), "1");
    EXPECT_EQ(Box(&again, 3)->text(), "5:30");
    EXPECT_EQ(again.GlobalOptions(), 16);
    EXPECT_TRUE(Find<QCheckBox>(&again, "chkOptions_4")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(&again, "optPrinter_4")->isChecked());
    EXPECT_EQ(Find<QComboBox>(&again, "cboKioskNoteInValue")->currentIndex(), 3);
    EXPECT_EQ(Ticket(&again, 0)->toPlainText(), "Joe's Bar\nMain St");
    EXPECT_EQ(Ticket(&again, 1)->toPlainText(), "Play fair");
    EXPECT_EQ(SendMarks(&again), (std::vector<bool>{false, false, false, false}));
}

TEST_F(MainWindowTest, KeyFilterAndMarks) {
    frmOrvane w;
    QLineEdit* box = Box(&w, 0);
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, "a-x ");
    EXPECT_EQ(box->text(), "");
    EXPECT_FALSE(Send(&w, 1)->isChecked());
    QTest::keyClick(box, Qt::Key_Left); // moves, types nothing
    EXPECT_FALSE(Send(&w, 1)->isChecked());
    QTest::keyClicks(box, "7:.");
    EXPECT_EQ(box->text(), "7:.");
    EXPECT_TRUE(Send(&w, 1)->isChecked());
    Send(&w, 1)->setChecked(false);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), "7:");
    EXPECT_TRUE(Send(&w, 1)->isChecked());

    // Option n is bit n; unchecking clears only that bit.
    QTest::mouseClick(Find<QCheckBox>(&w, "chkOptions_0"), Qt::LeftButton);
    QTest::mouseClick(Find<QCheckBox>(&w, "chkOptions_4"), Qt::LeftButton);
    EXPECT_EQ(w.GlobalOptions(), 17);
    QTest::mouseClick(Find<QCheckBox>(&w, "chkOptions_4"), Qt::LeftButton);
    EXPECT_EQ(w.GlobalOptions(), 1);

    Send(&w, 1)->setChecked(false);
    QTest::mouseClick(Find<QRadioButton>(&w, "optPrinter_5"), Qt::LeftButton);
    EXPECT_EQ(w.PrinterType(), 5);
    EXPECT_TRUE(Send(&w, 1)->isChecked());
    Send(&w, 1)->setChecked(false);
    Find<QComboBox>(&w, "cboKioskNoteInValue")->setCurrentIndex(2);
    EXPECT_TRUE(Send(&w, 1)->isChecked());

    QTest::keyClicks(Ticket(&w, 1), "Hi");
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(Find<QLabel>(&w, "lblHeaderFooterSize_1")->text(), "2 of 512 bytes");
    Ticket(&w, 0)->setPlainText(QString(600, 'x'));
    EXPECT_TRUE(Send(&w, 2)->isChecked());
    EXPECT_TRUE(Find<QLabel>(&w, "lblHeaderFooterSize_0")->text().startsWith("600 of 512 bytes"));

    auto* all = Find<QCheckBox>(&w, "chkSendAll");
    QTest::mouseClick(all, Qt::LeftButton);
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{true, true, true, true}));
    QTest::mouseClick(all, Qt::LeftButton);
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, false, false, false}));
}

TEST_F(MainWindowTest, ProgramSendsTheMarkedPartsInOrder) {
    const QDateTime clock(QDate(2026, 12, 5), QTime(8, 9, 7));
    const std::vector<std::uint8_t> clockPayload{0x01, 0x06, 0x12, 0x05, 0x26, 0x08, 0x09, 0x07};
    frmOrvane w;
    w.SetClock([clock] { return clock; });
    Box(&w, 0)->setText("12");
    Box(&w, 3)->setText("4:00");
    Box(&w, 4)->setText("3");
    Box(&w, 7)->setText("50.75");
    Box(&w, 8)->setText("70000");
    QTest::mouseClick(Find<QCheckBox>(&w, "chkOptions_3"), Qt::LeftButton);
    Ticket(&w, 0)->setPlainText("AB\nC");
    Ticket(&w, 1)->setPlainText("Z");
    const std::vector<std::uint8_t> siteParams{6,    20,   12,   0x08, 0,    0xD2, 0x04, 0x84,
                                               0x80, 0x83, 1,    0x88, 0x13, 0xEC, 0x13, 0xD2,
                                               0x04, 0,    0x70, 0x11, 0x01, 0x00};

    const auto blocks = [](std::uint32_t base, std::vector<std::uint8_t> text) {
        std::vector<Frame> frames;
        text.resize(512, 0);
        for (std::uint32_t k = 0; k < 8; ++k) {
            const std::uint32_t a = base + 64 * k;
            std::vector<std::uint8_t> p{std::uint8_t(a), std::uint8_t(a >> 8), 0, 0, 0x40, 0};
            p.insert(p.end(), text.begin() + 64 * k, text.begin() + 64 * (k + 1));
            frames.push_back({1, 2, p});
        }
        return frames;
    };

    for (int mask = 0; mask < 16; ++mask) {
        host->ClearRequests();
        for (int n = 0; n < 4; ++n) {
            Send(&w, n)->setChecked((mask & (1 << n)) != 0);
        }
        Click(&w, "cmdProgram");
        std::vector<Frame> expected;
        if (mask & 1) {
            expected.push_back({13, 4, clockPayload});
        }
        if (mask & 2) {
            expected.push_back({12, 4, siteParams});
        }
        if (mask & 4) {
            for (const Frame& f : blocks(0x8000, {'A', 'B', '\n', 'C'})) {
                expected.push_back(f);
            }
        }
        if (mask & 8) {
            for (const Frame& f : blocks(0x8400, {'Z'})) {
                expected.push_back(f);
            }
        }
        EXPECT_EQ(Received(), expected) << "send boxes " << mask;
        EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, false, false, false}));
        EXPECT_TRUE(Find<QPushButton>(&w, "cmdProgram")->isEnabled());
        EXPECT_FALSE(Find<QPushButton>(&w, "cmdDiagnostic")->isEnabled());
    }
    EXPECT_TRUE(messages.empty());

    // The host took the values into its own records.
    const auto mem = host->Memory();
    EXPECT_EQ(mem[0xD800 + 1], 12);                             // High Node
    EXPECT_EQ(mem[0xD800 + 2], 0x08);                           // Global Options
    EXPECT_EQ(mem[0xD800 + 6], 0x84);                           // Alarm Hour
    EXPECT_EQ(mem[0xD800 + 8], 0x83);                           // Cash Drop Weekday
    EXPECT_EQ(mem[0xD800 + 12] + 256 * mem[0xD800 + 13], 5100); // Progressive Refill
    EXPECT_EQ(mem[0xD800 + 16] + 256 * mem[0xD800 + 17] + 65536 * mem[0xD800 + 18], 70000);
    EXPECT_EQ(std::vector<int>(mem.begin() + 0x8000, mem.begin() + 0x8005),
              (std::vector<int>{'A', 'B', '\n', 'C', 0}));
    EXPECT_EQ(mem[0x8400], 'Z');
    const hostsim::CivilTime now = host->Clock();
    EXPECT_EQ(std::tuple(now.year, now.month, now.day, now.hour, now.minute),
              std::tuple(2026, 12, 5, 8, 9));
}

TEST_F(MainWindowTest, RefusedEntriesSendNothingAndKeepEverything) {
    frmOrvane w;
    Box(&w, 0)->setText("300");
    Box(&w, 7)->setText("");
    Box(&w, 3)->setText("4:");
    Ticket(&w, 0)->setPlainText(QString(513, 'x'));
    Ticket(&w, 1)->setPlainText(QString::fromUtf8("Win 5\u20ac"));
    QTest::mouseClick(Find<QCheckBox>(&w, "chkSendAll"), Qt::LeftButton);
    host->ClearRequests();
    const SiteParamRecord before = ProgramState::Instance().SiteParams;
    Click(&w, "cmdProgram");

    ASSERT_EQ(messages.size(), 1u);
    const QString text = messages[0].text;
    EXPECT_EQ(messages[0].kind, platform::MessageKind::Warning);
    EXPECT_TRUE(text.contains("Max Node (Tamber) is out of range; accepted: 0 to 255."));
    EXPECT_TRUE(text.contains("Refill $ (Bonus) is empty; accepted: 0 to 327 dollars."));
    EXPECT_TRUE(text.contains("Time (Cash Drop) is not a number"));
    EXPECT_TRUE(text.contains("Location (Header) needs 513 bytes; the Tolvex keeps only 512."));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Disclaimer (Footer) contains characters the "
                                                "ticket printer cannot print: \u20ac")));
    EXPECT_TRUE(host->Requests().empty());
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(Box(&w, 0)->text(), "300");
    EXPECT_EQ(ProgramState::Instance().SiteParams, before);
    EXPECT_TRUE(Find<QPushButton>(&w, "cmdProgram")->isEnabled());

    // Only what is sent is checked: the clock goes even with bad parameter
    // boxes, and the record keeps its last good values.
    messages.clear();
    for (int n = 1; n < 4; ++n) {
        Send(&w, n)->setChecked(false);
    }
    Click(&w, "cmdProgram");
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(host->Requests().size(), 1u);
    EXPECT_EQ(host->Requests()[0][0], 13);
    EXPECT_EQ(ProgramState::Instance().SiteParams, before);
}

TEST_F(MainWindowTest, ToolWindowsOpenOnceAndAfterTheParameterChecks) {
    frmOrvane w;
    int made = 0;
    w.SetToolWindowFactory(ToolWindow::GameSetup, [&made] {
        ++made;
        return new QWidget;
    });
    auto* button = Find<QPushButton>(&w, "cmdGameSetup");
    EXPECT_TRUE(button->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(&w, "cmdTerminal")->isEnabled());

    Box(&w, 0)->setText("");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(made, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("Max Node (Tamber) is empty"));

    Box(&w, 0)->setText("7");
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(ProgramState::Instance().SiteParams.MaxNode, 7);
    QWidget* tool = w.ToolWindowIfOpen(ToolWindow::GameSetup);
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(tool->isVisible());
    EXPECT_TRUE(tool->isWindow());
    tool->hide();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(tool->isVisible());
}

namespace {

// A tool window that talks to the host as it closes, as the remote viewer
// does.
class TalkingToolWindow : public QWidget {
public:
    explicit TalkingToolWindow(bool& linkAtClose) : linkAtClose_(linkAtClose) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        linkAtClose_ = ProgramState::Instance().Link != nullptr;
        if (ProgramState::Instance().Link != nullptr) {
            ProgramState::Instance().Link->ReadInputs();
        }
        event->accept();
    }

private:
    bool& linkAtClose_;
};

} // namespace

TEST_F(MainWindowTest, ShutDownWritesEverythingAndClosesToolsBeforeTheLink) {
    bool linkAtClose = false;
    {
        frmOrvane w;
        w.SetToolWindowFactory(ToolWindow::ViewRemote,
                               [&linkAtClose] { return new TalkingToolWindow(linkAtClose); });
        Click(&w, "cmdViewRemote");
        ASSERT_NE(w.ToolWindowIfOpen(ToolWindow::ViewRemote), nullptr);
        host->ClearRequests();
        Box(&w, 6)->setText("777");
        w.ShutDownFromOutside();
        EXPECT_TRUE(w.HasShutDown());
        EXPECT_TRUE(linkAtClose);
        EXPECT_EQ(host->Requests().size(), 1u);
        EXPECT_EQ(w.ToolWindowIfOpen(ToolWindow::ViewRemote), nullptr);
    }
    EXPECT_EQ(ReadFile(Path("MyLocation.txt")), "\r\n");
    EXPECT_EQ(ReadFile(Path("MyDisclaimer.txt")), "\r\n");
    EXPECT_EQ(ReadIniString("SiteParamBonus", "Odds", "", Settings()), "777");
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, QuitDuringProgramStopsAtTheNextExchangeAndSaysWhatWasNotSent) {
    frmOrvane w;
    w.show();
    Ticket(&w, 0)->setPlainText("Header");
    Box(&w, 1)->setText("4321");
    Send(&w, 1)->setChecked(true);
    Send(&w, 3)->setChecked(true);
    host->ClearRequests();
    LinkLog::Instance().Clear();
    // A signal arrives while the third header block is on its way: that
    // exchange ends, nothing after it starts.
    host->OnEachRequest([&w](hostsim::SimulatedHost& h, std::span<const std::uint8_t>) {
        if (h.Requests().size() == 4) {
            w.ShutDownFromOutside();
        }
    });
    Click(&w, "cmdProgram");
    host->OnEachRequest({});
    EXPECT_EQ(host->Requests().size(), 4u);
    EXPECT_TRUE(LinkLog::Instance().Text().contains(
        "Program stopped before everything was sent; not sent: Location (Header) (blocks 4 to 8 "
        "of 8), Disclaimer (Footer)\r\n"));
    QTRY_VERIFY(w.HasShutDown());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(ReadIniString("SiteParam", "CardPrefix", "", Settings()), "4321");
    EXPECT_EQ(ReadFile(Path("MyLocation.txt")), "Header\r\n");
}

TEST_F(MainWindowTest, ProgramWhileAnotherCommandTalksIsRefusedAndChangesNothing) {
    frmOrvane w;
    Send(&w, 0)->setChecked(true);
    Send(&w, 1)->setChecked(true);
    host->ClearRequests();
    // Another window's read is waiting for its (late) reply when the
    // operator presses "Program".
    host->DelayNextReply(std::chrono::milliseconds(30));
    QTimer::singleShot(0, &w, [&w] { Click(&w, "cmdProgram"); });
    {
        LinkSequence other(ProgramState::Instance().Link);
        ASSERT_TRUE(other.Claimed());
        ProgramState::Instance().Link->NovRamRead(0xD800, 128);
        EXPECT_EQ(ProgramState::Instance().Link->LastOutcome(), ExchangeOutcome::Ok);
    }
    EXPECT_EQ(host->Requests().size(), 1u);
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{true, true, false, false}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LinkSequence::kRefusedText);
    EXPECT_TRUE(Find<QPushButton>(&w, "cmdProgram")->isEnabled());
}

TEST_F(MainWindowTest, MarksStayUntilTheirMessageHasGoneOut) {
    frmOrvane w;
    Send(&w, 0)->setChecked(true);
    Send(&w, 2)->setChecked(true);
    host->SetUnplugged(true); // every write fails
    Click(&w, "cmdProgram");
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{true, false, true, false}));
    host->SetUnplugged(false);
    Click(&w, "cmdProgram");
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, false, false, false}));
}

TEST_F(MainWindowTest, AnEditWhileSendingKeepsItsMark) {
    frmOrvane w;
    Send(&w, 1)->setChecked(true);
    // Arrives while the site parameters wait for their reply.
    QTimer::singleShot(0, &w, [&w] { Ticket(&w, 1)->setPlainText("typed meanwhile"); });
    Click(&w, "cmdProgram");
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, false, false, true}));
}

TEST_F(MainWindowTest, FileButtonsGoThroughTheDialog) {
    frmOrvane w;
    const QString other = Path("Other.txt");
    WriteFile(other, "Line 1\nLine 2"); // another editor: LF only, no final line end
    dialogAnswers.push_back(other);
    Click(&w, "cmdFileOps_0");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].kind, platform::FileDialogKind::Open);
    EXPECT_EQ(dialogs[0].title, "Open Location Text");
    EXPECT_EQ(dialogs[0].filter, "(*.txt)|*.txt|All Files|*.*");
    EXPECT_EQ(dialogs[0].initialFileName, Path("MyLocation.txt"));
    EXPECT_EQ(Ticket(&w, 0)->toPlainText(), "Line 1\nLine 2");
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, false, true, false}));
    EXPECT_EQ(w.LocationFileName(), other.toStdString());

    // Saved and loaded again: the same text.
    dialogAnswers.push_back(other);
    Click(&w, "cmdFileOps_1");
    EXPECT_EQ(dialogs[1].title, "Save Location Text");
    EXPECT_EQ(dialogs[1].kind, platform::FileDialogKind::Save);
    EXPECT_EQ(dialogs[1].initialFileName, other);
    EXPECT_EQ(ReadFile(other), "Line 1\nLine 2") << "not edited: kept as it was";
    dialogAnswers.push_back(other);
    Click(&w, "cmdFileOps_0");
    EXPECT_EQ(Ticket(&w, 0)->toPlainText(), "Line 1\nLine 2");

    // A cancelled disclaimer save writes nothing and keeps the name.
    Ticket(&w, 1)->setPlainText("Disclaimer");
    Click(&w, "cmdFileOps_3");
    EXPECT_EQ(dialogs.back().title, "Save Disclaimer Text");
    EXPECT_FALSE(QFile::exists(Path("MyDisclaimer.txt")));
    EXPECT_EQ(w.DisclaimerFileName(), Path("MyDisclaimer.txt").toStdString());
    Click(&w, "cmdFileOps_2");
    EXPECT_EQ(dialogs.back().title, "Open Disclaimer Text");
    EXPECT_EQ(Ticket(&w, 1)->toPlainText(), "Disclaimer");

    // A save that cannot be written is told, not passed over.
    dialogAnswers.push_back(Path("no/such/dir/x.txt"));
    Click(&w, "cmdFileOps_3");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("no/such/dir/x.txt"));
}

TEST(FileDialogFilter, BecomesQtFilterSyntax) {
    EXPECT_EQ(platform::QtFileFilter("(*.txt)|*.txt|All Files|*.*"), "(*.txt);;All Files (*.*)");
    EXPECT_EQ(platform::QtFileFilter("Text|*.txt;*.log"), "Text (*.txt *.log)");
}

TEST_F(MainWindowTest, TabOrderFollowsTheFrames) {
    frmOrvane w;
    w.show();
    // The frame of each control that Tab reaches, in the order Tab visits
    // them; a frame may only be entered once.
    QStringList frames;
    QWidget* start = w.findChild<QWidget*>("chkOptions_0");
    ASSERT_NE(start, nullptr);
    QWidget* at = start;
    do {
        if ((at->focusPolicy() & Qt::TabFocus) && at->isEnabled() && at->isVisibleTo(&w)) {
            QString frame = "(none)";
            for (QWidget* p = at->parentWidget(); p != nullptr; p = p->parentWidget()) {
                if (p->objectName().startsWith("frame")) {
                    frame = p->objectName();
                    break;
                }
            }
            if (frames.isEmpty() || frames.last() != frame) {
                frames << frame;
            }
        }
        at = at->nextInFocusChain();
    } while (at != start && at != nullptr);
    EXPECT_EQ(frames, (QStringList{"frameOptions", "frameParameters", "frameSend", "frameLocation",
                                   "frameDisclaimer", "framePrinter", "(none)"}))
        << frames.join(", ").toStdString();
}

TEST_F(MainWindowTest, StatusLineFollowsTheConnectionAndReconnectReopensTheDevice) {
    frmOrvane w;
    auto* status = Status(&w);
    EXPECT_EQ(status->ConnectionShown(), "Simulated host");
    EXPECT_EQ(status->LastExchangeShown(), "Last exchange: none");
    host->ClearRequests();

    Send(&w, 0)->setChecked(true);
    Click(&w, "cmdProgram");
    EXPECT_TRUE(QRegularExpression("^Last exchange: OK \\d\\d:\\d\\d:\\d\\d$")
                    .match(status->LastExchangeShown())
                    .hasMatch())
        << status->LastExchangeShown().toStdString();

    // The host is pulled out: the exchange that finds it gone says so.
    host->SetUnplugged(true);
    Send(&w, 0)->setChecked(true);
    Click(&w, "cmdProgram");
    EXPECT_TRUE(status->LastExchangeShown().startsWith("Last exchange: I/O Error "));
    EXPECT_EQ(status->ConnectionShown(),
              "No device: I/O Error. Plug the simulated host in and press Reconnect.");
    Click(&w, "cmdReconnect");
    EXPECT_EQ(status->ConnectionShown(),
              "No device: Device Not Found. Plug the simulated host in and press Reconnect.");

    host->SetUnplugged(false);
    LinkLog::Instance().Clear();
    Click(&w, "cmdReconnect");
    EXPECT_EQ(status->ConnectionShown(), "Simulated host");
    EXPECT_EQ(LinkLog::Instance().Text(), "Device opened again\r\n");
    // Only the first "Program" reached the host: the status line and
    // "Reconnect" send nothing.
    EXPECT_EQ(host->Requests().size(), 1u);
}

TEST_F(MainWindowTest, ReconnectWhileACommandTalksIsRefusedAndTheCommandGoesOn) {
    frmOrvane w;
    Send(&w, 0)->setChecked(true);
    LinkLog::Instance().Clear();
    // The main window's own "Program" run disables the button ...
    host->OnEachRequest([&w](hostsim::SimulatedHost&, std::span<const std::uint8_t>) {
        EXPECT_FALSE(Find<QPushButton>(&w, "cmdReconnect")->isEnabled());
    });
    Click(&w, "cmdProgram");
    // ... and a press during another window's run is refused.
    host->OnEachRequest([&w](hostsim::SimulatedHost&, std::span<const std::uint8_t>) {
        Click(&w, "cmdReconnect");
    });
    {
        LinkSequence other(ProgramState::Instance().Link);
        ASSERT_TRUE(other.Claimed());
        ProgramState::Instance().Link->NovRamRead(0xD800, 128);
        EXPECT_EQ(ProgramState::Instance().Link->LastOutcome(), ExchangeOutcome::Ok);
    }
    host->OnEachRequest({});
    EXPECT_TRUE(Status(&w)->currentMessage().startsWith("Not reconnected: "))
        << Status(&w)->currentMessage().toStdString();
    EXPECT_FALSE(LinkLog::Instance().Text().contains("Device opened again"));
    EXPECT_TRUE(Find<QPushButton>(&w, "cmdReconnect")->isEnabled());
}
