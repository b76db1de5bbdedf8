#include "host_config/frmOrvane.h"

#include "tests/WindowTestSupport.h"

#include "host_config/ConnectionBar.h"
#include "host_config/SiteConfig.h"

#include "common/ProgramState.h"
#include "common/codeWindows.h"
#include "link/LinkSequence.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Frame {
    int deviceId;
    int cmnd;
    std::vector<std::uint8_t> payload;
    bool operator==(const Frame&) const = default;
};

using windowtest::Find;
using windowtest::ReadFile;
using windowtest::WriteFile;

class MainWindowTest : public windowtest::SimulatedHostTest {
protected:
    QString Path(const char* name) const { return dir.filePath(name); }
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
    static void Click(QWidget* w, const QString& name) {
        QTest::mouseClick(Find<QPushButton>(w, name), Qt::LeftButton);
    }

    std::vector<Frame> Received() const {
        std::vector<Frame> frames;
        for (const auto& f : host->Requests()) {
            frames.push_back({f[0], f[6], {f.begin() + 7, f.end() - 2}});
        }
        return frames;
    }
};

} // namespace

TEST_F(MainWindowTest, SettingsSurviveARestart) {
    {
        frmOrvane w;
        Box(&w, 5)->setText("1.50");
        QTest::mouseClick(Find<QCheckBox>(&w, "chkOptions_4"), Qt::LeftButton);
        QTest::mouseClick(Find<QRadioButton>(&w, "optPrinter_4"), Qt::LeftButton);
        Find<QComboBox>(&w, "cboKioskNoteInValue")->setCurrentIndex(3);
        Click(&w, "cmdExit");
        EXPECT_TRUE(w.HasShutDown());
    }
    frmOrvane again;
    EXPECT_EQ(Box(&again, 5)->text(), "1");
    EXPECT_TRUE(Find<QCheckBox>(&again, "chkOptions_4")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(&again, "optPrinter_4")->isChecked());
    EXPECT_EQ(Find<QComboBox>(&again, "cboKioskNoteInValue")->currentIndex(), 3);
    EXPECT_EQ(SendMarks(&again), (std::vector<bool>{false, false, false, false}));
}

TEST_F(MainWindowTest, EachEditMarksItsPartAndTheBoxesTakeOnlyNumberKeys) {
    frmOrvane w;
    QLineEdit* box = Box(&w, 0);
    box->setFocus();
    box->clear();
    const std::pair<std::function<void()>, int> edits[] = {
        {[box] { QTest::keyClicks(box, "a-x "), QTest::keyClick(box, Qt::Key_Left); }, -1},
        {[box] { QTest::keyClicks(box, "7:."); }, 1},
        {[box] { QTest::keyClick(box, Qt::Key_Backspace); }, 1},
        {[&w] { QTest::mouseClick(Find<QRadioButton>(&w, "optPrinter_5"), Qt::LeftButton); }, 1},
        {[&w] { Find<QComboBox>(&w, "cboKioskNoteInValue")->setCurrentIndex(2); }, 1},
        {[&w] { QTest::keyClicks(Ticket(&w, 0), "x"); }, 2},
        {[&w] { QTest::keyClicks(Ticket(&w, 1), "Hi"); }, 3},
    };
    for (std::size_t i = 0; i < std::size(edits); ++i) {
        SCOPED_TRACE(i);
        for (int n = 0; n < 4; ++n) {
            Send(&w, n)->setChecked(false);
        }
        edits[i].first();
        std::vector<bool> marked(4, false);
        if (edits[i].second >= 0) {
            marked[static_cast<std::size_t>(edits[i].second)] = true;
        }
        EXPECT_EQ(SendMarks(&w), marked);
    }
    EXPECT_EQ(box->text(), "7:");
    EXPECT_EQ(Find<QLabel>(&w, "lblHeaderFooterSize_1")->text(), "2 of 512 bytes");

    QTest::mouseClick(Find<QCheckBox>(&w, "chkSendAll"), Qt::LeftButton);
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{true, true, true, true}));
}

TEST_F(MainWindowTest, ProgramSendsTheMarkedPartsInOrder) {
    const QDateTime clock(QDate(2026, 12, 5), QTime(8, 9, 7));
    frmOrvane w;
    w.SetClock([clock] { return clock; });
    Box(&w, 0)->setText("12");
    Box(&w, 4)->setText("3");
    Box(&w, 7)->setText("50.75");
    Box(&w, 8)->setText("70000");
    QTest::mouseClick(Find<QCheckBox>(&w, "chkOptions_3"), Qt::LeftButton);
    Ticket(&w, 0)->setPlainText("AB\nC");
    Ticket(&w, 1)->setPlainText("Z");
    const std::vector<std::uint8_t> siteParams{6,    20,   12,   0x08, 0,    0xD2, 0x04, 0x84,
                                               0x80, 0x83, 1,    0x88, 0x13, 0xEC, 0x13, 0xD2,
                                               0x04, 0,    0x70, 0x11, 0x01, 0x00};
    const auto blocks = [](int choice, const char* text) {
        std::vector<Frame> frames;
        const auto encoded = hostconfig::EncodeTicketText(text);
        for (int k = 0; k < 8; ++k) {
            const auto p = hostconfig::HeaderFooterBlock(choice, k, encoded.buffer);
            frames.push_back({1, 2, {p.begin(), p.end()}});
        }
        return frames;
    };
    const std::vector<Frame> parts[] = {
        {{13, 4, {0x01, 0x06, 0x12, 0x05, 0x26, 0x08, 0x09, 0x07}}},
        {{12, 4, siteParams}},
        blocks(1, "AB\nC"),
        blocks(2, "Z"),
    };
    for (int mask = 0; mask < 16; ++mask) {
        host->ClearRequests();
        std::vector<Frame> expected;
        for (int n = 0; n < 4; ++n) {
            Send(&w, n)->setChecked((mask & (1 << n)) != 0);
            if (mask & (1 << n)) {
                expected.insert(expected.end(), parts[n].begin(), parts[n].end());
            }
        }
        Click(&w, "cmdProgram");
        EXPECT_EQ(Received(), expected) << "send boxes " << mask;
        EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, false, false, false}));
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, RefusedEntriesSendNothingAndKeepEverything) {
    frmOrvane w;
    Box(&w, 0)->setText("300");
    Ticket(&w, 1)->setPlainText(QString(513, 'x'));
    QTest::mouseClick(Find<QCheckBox>(&w, "chkSendAll"), Qt::LeftButton);
    host->ClearRequests();
    const SiteParamRecord before = ProgramState::Instance().SiteParams;
    Click(&w, "cmdProgram");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("Max Node") && messages[0].text.contains("Disclaimer"));
    EXPECT_TRUE(host->Requests().empty());
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{true, true, true, true}));

    // Only what is sent is checked: the clock goes even with bad parameter boxes.
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

TEST_F(MainWindowTest, ToolWindowsOpenOnceAndAfterTheParameterChecksAndCloseLetsTheDeviceGo) {
    frmOrvane w;
    for (const char* name :
         {"cmdGameSetup", "cmdDiagnostic", "cmdTerminal", "cmdTransactions", "cmdViewRemote"}) {
        EXPECT_FALSE(Find<QPushButton>(&w, name)->isEnabled()) << name;
    }
    int made = 0;
    w.SetToolWindowFactory(ToolWindow::GameSetup, [&made] {
        ++made;
        return new QWidget;
    });
    auto* button = Find<QPushButton>(&w, "cmdGameSetup");
    EXPECT_TRUE(button->isEnabled());

    Box(&w, 0)->setText("");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(made, 0);
    EXPECT_EQ(messages.size(), 1u);

    Box(&w, 0)->setText("7");
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(ProgramState::Instance().SiteParams.MaxNode, 7);
    QWidget* tool = w.ToolWindowIfOpen(ToolWindow::GameSetup);
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(tool->isVisible());
    tool->hide();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(tool->isVisible());
    EXPECT_NE(ProgramState::Instance().Link, nullptr);
    w.close();
    EXPECT_EQ(ProgramState::Instance().Link, nullptr);
}

TEST_F(MainWindowTest, QuitDuringProgramStopsAtTheNextExchangeAndSaysWhatWasNotSent) {
    frmOrvane w;
    w.show();
    Ticket(&w, 0)->setPlainText("Header");
    Send(&w, 1)->setChecked(true);
    Send(&w, 3)->setChecked(true);
    host->ClearRequests();
    LinkLog::Instance().Clear();
    // Shut down while the third header block is on its way.
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
}

TEST_F(MainWindowTest, FileButtonsGoThroughTheDialog) {
    frmOrvane w;
    const QString other = Path("Other.txt");
    WriteFile(other, "Line 1\nLine 2"); // another editor: LF only, no final line end
    dialogAnswers.push_back(other);
    Click(&w, "cmdFileOps_0");
    EXPECT_EQ(Ticket(&w, 0)->toPlainText(), "Line 1\nLine 2");
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, false, true, false}));

    // Cancelled dialogs change nothing.
    Ticket(&w, 1)->setPlainText("Disclaimer");
    const char* titles[] = {"Open Location Text", "Save Location Text", "Open Disclaimer Text",
                            "Save Disclaimer Text"};
    for (int n = 0; n < 4; ++n) {
        Click(&w, QStringLiteral("cmdFileOps_%1").arg(n));
        EXPECT_EQ(dialogs.back().title, titles[n]);
    }
    EXPECT_EQ(dialogs[2].initialFileName, other);
    EXPECT_EQ(ReadFile(Path("MyDisclaimer.txt")), "<missing>");
    EXPECT_EQ(Ticket(&w, 1)->toPlainText(), "Disclaimer");

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
    // The first and last control of each frame, then the tool buttons.
    const QStringList order = {"chkOptions_0",      "chkOptions_7",      "txtParameters_0",
                               "cboKioskNoteInValue", "chkSendAll",      "chkSend_3",
                               "txtHeaderFooter_0", "cmdFileOps_1",      "txtHeaderFooter_1",
                               "cmdFileOps_3",      "optPrinter_0",      "optPrinter_5",
                               "cmdGameSetup",      "cmdExit"};
    EXPECT_EQ(windowtest::FocusOrder(Find<QWidget>(&w, "chkOptions_0"), order), order);
}

// Marks stay until their message has gone out, or when edited meanwhile.
TEST_F(MainWindowTest, StatusLineAndMarksFollowTheConnectionAndReconnectReopensTheDevice) {
    frmOrvane w;
    auto* status = Find<hostconfig::ConnectionBar>(&w, "statusConnection");
    EXPECT_EQ(status->ConnectionShown(), "Simulated host");
    host->SetUnplugged(true);
    Send(&w, 0)->setChecked(true);
    Click(&w, "cmdProgram");
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{true, false, false, false}));
    EXPECT_TRUE(status->ConnectionShown().contains("I/O Error"));
    Click(&w, "cmdReconnect");
    EXPECT_TRUE(status->ConnectionShown().contains("Device Not Found"));
    host->SetUnplugged(false);
    host->ClearRequests();
    LinkLog::Instance().Clear();
    Click(&w, "cmdReconnect");
    EXPECT_EQ(status->ConnectionShown(), "Simulated host");
    EXPECT_EQ(LinkLog::Instance().Text(), "Device opened again\r\n");
    EXPECT_TRUE(host->Requests().empty());

    Send(&w, 0)->setChecked(false);
    Send(&w, 1)->setChecked(true);
    QTimer::singleShot(0, &w, [&w] { Ticket(&w, 1)->setPlainText("typed meanwhile"); });
    Click(&w, "cmdProgram");
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{false, false, false, true}));
}

TEST_F(MainWindowTest, ProgramAndReconnectWhileAnotherCommandTalksAreRefused) {
    frmOrvane w;
    Send(&w, 0)->setChecked(true);
    host->OnEachRequest([&w](hostsim::SimulatedHost&, std::span<const std::uint8_t>) {
        EXPECT_FALSE(Find<QPushButton>(&w, "cmdReconnect")->isEnabled());
    });
    Click(&w, "cmdProgram");
    // Presses while another window's read waits are refused.
    Send(&w, 0)->setChecked(true);
    Send(&w, 1)->setChecked(true);
    host->ClearRequests();
    LinkLog::Instance().Clear();
    host->OnEachRequest([&w](hostsim::SimulatedHost&, std::span<const std::uint8_t>) {
        Click(&w, "cmdProgram");
        Click(&w, "cmdReconnect");
    });
    {
        LinkSequence other(ProgramState::Instance().Link);
        ASSERT_TRUE(other.Claimed());
        ProgramState::Instance().Link->NovRamRead(0xD800, 128);
        EXPECT_EQ(ProgramState::Instance().Link->LastOutcome(), ExchangeOutcome::Ok);
    }
    host->OnEachRequest({});
    EXPECT_EQ(host->Requests().size(), 1u);
    EXPECT_EQ(SendMarks(&w), (std::vector<bool>{true, true, false, false}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LinkSequence::kRefusedText);
    EXPECT_FALSE(LinkLog::Instance().Text().contains("Device opened again"));
    EXPECT_TRUE(Find<QPushButton>(&w, "cmdProgram")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(&w, "cmdReconnect")->isEnabled());
}
