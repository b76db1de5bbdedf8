// The program's windows together over a slow simulated host: a box, file
// dialog or menu opened in any window while another window's run talks to
// the host lets the run go on; View Remote's close during another window's
// run; the status lines as a screen reader reads them.
#include "startup/SignalRelay.h"
#include "diagnostics/frmDiagnostic.h"
#include "game_setup/frmGameSetup.h"
#include "host_config/frmOrvane.h"
#include "remote_viewer/frmViewRemote.h"
#include "terminal/frmTerminal.h"
#include "tests/WindowTestSupport.h"
#include "transactions/frmTransactions.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <functional>

namespace {

using windowtest::Find;

class WindowsTogether : public windowtest::SimulatedHostTest {
protected:
    std::unique_ptr<frmOrvane> main;

    void SetUp() override {
        SimulatedHostTest::SetUp();
        std::string ini;
        for (int n = 1; n <= 6; ++n) {
            ini += "[1234-00" + std::to_string(n) + "]\r\nGameNumber=" + std::to_string(n * 100) +
                   "\r\nGameGroup=0\r\nNoteInValue=1\r\nDenom=1\r\nKeyDown=10\r\nConfig=0\r\n";
        }
        windowtest::WriteFile(FilePath("NodeInfo.ini"), ini);
        main = std::make_unique<frmOrvane>();
        main->SetToolWindowFactory(ToolWindow::GameSetup, [] { return new frmGameSetup(); });
        main->SetToolWindowFactory(ToolWindow::Transactions, [] { return new frmTransactions(); });
        main->SetToolWindowFactory(ToolWindow::Terminal, [] { return new frmTerminal(); });
        main->SetToolWindowFactory(ToolWindow::ViewRemote, [] { return new frmViewRemote(); });
        main->SetToolWindowFactory(ToolWindow::Diagnostic, [] { return new frmDiagnostic(); });
        Find<QLineEdit>(main.get(), "txtParameters_0")->setText("6");
        Find<QLineEdit>(main.get(), "txtParameters_1")->setText("1234");
        main->show();
    }
    void TearDown() override {
        rescue.stop();
        main.reset();
        ProgramState::Instance().SiteParamsHold = nullptr;
        SimulatedHostTest::TearDown();
    }

    QWidget* Open(ToolWindow which, const char* button) {
        QTest::mouseClick(Find<QPushButton>(main.get(), button), Qt::LeftButton);
        QWidget* window = main->ToolWindowIfOpen(which);
        EXPECT_NE(window, nullptr) << button;
        return window;
    }
    // A press that reaches the button even while a box of its window is
    // open (as a press inside a reply wait reaches another window).
    static void Click(QWidget* window, const char* button) {
        Find<QPushButton>(window, button)->click();
    }
    // The boxes, dialogs and menus of `window` on screen.
    static int BoxesShown(const QWidget* window) {
        int shown = 0;
        for (QWidget* child : window->findChildren<QWidget*>()) {
            const bool box = qobject_cast<QDialog*>(child) || qobject_cast<QMenu*>(child);
            shown += box && child->isVisible() && child->parentWidget()->window() == window ? 1 : 0;
        }
        return shown;
    }
    // Every reply comes `ms` late while `slow` holds.
    void SlowHost(int ms, const bool& slow) {
        host->OnEachRequest([ms, &slow](hostsim::SimulatedHost& h, std::span<const std::uint8_t>) {
            if (slow) {
                h.DelayNextReply(std::chrono::milliseconds(ms));
            }
        });
    }
    // Should a box wait for the operator in a loop of its own after all, it
    // is closed after `ms`, so the test fails rather than hangs.
    void Rescue(int ms) {
        QObject::connect(&rescue, &QTimer::timeout, [] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                box->close();
            }
        });
        rescue.start(ms);
    }
    QTimer rescue;
};

// A window whose box, dialog or menu is opened while a run goes on.
struct Opener {
    const char* what;
    std::function<QWidget*()> owner; // the window the box belongs to
    std::function<void()> open;
};

TEST_F(WindowsTogether, ABoxOrDialogOpenInAnyWindowLetsAnotherWindowsRunGoOn) {
    auto* setup = qobject_cast<frmGameSetup*>(Open(ToolWindow::GameSetup, "cmdGameSetup"));
    auto* listing =
        qobject_cast<frmTransactions*>(Open(ToolWindow::Transactions, "cmdTransactions"));
    QWidget* terminal = Open(ToolWindow::Terminal, "cmdTerminal");
    ASSERT_TRUE(setup && listing && terminal);
    listing->cmdDump_Click(); // something for "Save..." to save
    ASSERT_TRUE(listing->LastDump().has_value());
    platform::SetMessageHook({});
    platform::SetFileDialogHook({});

    frmOrvane* mainWindow = main.get();
    const std::vector<Opener> openers{
        {"main window: load the location text", [=] { return mainWindow; },
         [=] { Click(mainWindow, "cmdFileOps_0"); }},
        {"main window: Program refused while the link is busy", [=] { return mainWindow; },
         [=] {
             Find<QCheckBox>(mainWindow, "chkSend_0")->setChecked(true);
             Click(mainWindow, "cmdProgram");
         }},
        {"Transactions: Save...", [=] { return listing; }, [=] { Click(listing, "cmdSave"); }},
        {"Terminal: Capture", [=] { return terminal; }, [=] { Click(terminal, "cmdCapture"); }},
        {"Terminal: the received text's menu", [=] { return terminal; },
         [=] {
             QWidget* view = Find<QWidget>(terminal, "txtTerminal");
             QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                     view->mapToGlobal(QPoint(5, 5)));
             QApplication::sendEvent(view, &event);
         }},
    };

    bool slow = true;
    SlowHost(100, slow);
    Rescue(3000);

    // One opening inside each reply wait of "Program All", then the host
    // answers at once again.
    std::size_t next = 0;
    {
        QObject during; // what is queued goes with it
        QObject::connect(ProgramState::Instance().Link, &clsUSBInterface::ExchangeFinished, &during,
                         [&] {
                             QTimer::singleShot(0, &during, [&] {
                                 if (next < openers.size()) {
                                     openers[next++].open();
                                 }
                                 slow = next < openers.size();
                             });
                         });
        LinkLog::Instance().Clear();
        host->ClearRequests();
        Click(setup, "cmdProgramAll");
    }
    rescue.stop();

    ASSERT_EQ(next, openers.size());
    EXPECT_FALSE(LinkLog::Instance().Text().contains("Timeout"))
        << LinkLog::Instance().Text().toStdString();
    EXPECT_EQ(host->Requests().size(), 6u);
    EXPECT_EQ(setup->Table()[6].GameNumber, 600);
    for (const Opener& o : openers) {
        SCOPED_TRACE(o.what);
        EXPECT_GE(BoxesShown(o.owner()), 1);
    }
}

// What a screen reader hears of a status line: the text it shows.
TEST_F(WindowsTogether, StatusLinesAreReadByTheirText) {
    auto* setup = Open(ToolWindow::GameSetup, "cmdGameSetup");
    auto* listing = Open(ToolWindow::Transactions, "cmdTransactions");
    auto* terminal = Open(ToolWindow::Terminal, "cmdTerminal");
    struct Line {
        QWidget* window;
        const char* label;
        std::function<void()> change;
    };
    const std::vector<Line> lines{
        {main.get(), "lblLastExchange", [] { ProgramState::Instance().Link->ReadInputs(); }},
        {main.get(), "lblConnection",
         [this] {
             host->SetUnplugged(true);
             ProgramState::Instance().Link->ReadInputs();
         }},
        {terminal, "lblStatus",
         [terminal] {
             auto* port = Find<QComboBox>(terminal, "cboCommPort");
             const int other = (port->currentIndex() + 1) % port->count();
             port->setCurrentIndex(other);
             emit port->activated(other);
         }},
        {setup, "lblStatus", [setup] { Click(setup, "cmdFileWrite"); }},
        {listing, "lblResult", [listing] { Click(listing, "cmdProgram"); }},
    };
    for (const Line& line : lines) {
        SCOPED_TRACE(line.label);
        auto* label = Find<QLabel>(line.window, line.label);
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(label);
        ASSERT_NE(reader, nullptr);
        const QString before = label->text();
        line.change();
        const QString shown = label->text();
        EXPECT_NE(shown, before);
        EXPECT_FALSE(shown.isEmpty());
        EXPECT_EQ(reader->text(QAccessible::Name), shown);
    }
}

// Every control a screen reader can reach says what it is: a button or box
// by its caption, an input by its label (the label's buddy) or its own name.
TEST_F(WindowsTogether, EveryControlIsNamedForAssistiveTechnology) {
    const std::vector<QWidget*> windows{main.get(),
                                        Open(ToolWindow::GameSetup, "cmdGameSetup"),
                                        Open(ToolWindow::Diagnostic, "cmdDiagnostic"),
                                        Open(ToolWindow::Transactions, "cmdTransactions"),
                                        Open(ToolWindow::Terminal, "cmdTerminal"),
                                        Open(ToolWindow::ViewRemote, "cmdViewRemote")};
    for (QWidget* window : windows) {
        ASSERT_NE(window, nullptr);
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (control->window() != window || qobject_cast<QLabel*>(control) != nullptr ||
                control->focusPolicy() == Qt::NoFocus || !control->isVisibleTo(window) ||
                qobject_cast<QWidget*>(control->parent()) == nullptr ||
                control->parent()->inherits("QAbstractScrollArea") ||
                control->parent()->inherits("QComboBox")) {
                // Another window's, a status line (read by its text), or not a
                // control of its own (a viewport, a combo's editor).
                continue;
            }
            QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(control);
            ASSERT_NE(reader, nullptr);
            EXPECT_FALSE(reader->text(QAccessible::Name).trimmed().isEmpty())
                << window->objectName().toStdString() << " / " << control->objectName().toStdString()
                << " (" << control->metaObject()->className() << ")";
        }
    }
}

} // namespace

TEST_F(WindowsTogether, ViewRemoteClosedDuringADumpRestoresTheCountAfterTheLastBlock) {
    QWidget* viewer = Open(ToolWindow::ViewRemote, "cmdViewRemote");
    auto* listing =
        qobject_cast<frmTransactions*>(Open(ToolWindow::Transactions, "cmdTransactions"));
    ASSERT_TRUE(viewer && listing);
    QTRY_VERIFY(qobject_cast<frmViewRemote*>(viewer)->Opened());
    const QPointer<QWidget> alive(viewer);
    host->ClearRequests();
    const bool slow = true;
    SlowHost(20, slow);
    bool closed = true;
    Rescue(3000);
    QTimer::singleShot(0, viewer, [&] { closed = viewer->close(); });
    listing->cmdDump_Click();

    EXPECT_FALSE(closed); // stayed open while the dump held the link...
    EXPECT_TRUE(Find<QPlainTextEdit>(viewer, "txtStatus")
                    ->toPlainText()
                    .contains("Restoring the node count when the running command ends"));
    QTRY_VERIFY(alive == nullptr); // ...and closed once the count went out
    // The dump's 32 blocks, then the count.
    ASSERT_EQ(host->Requests().size(), 33u);
    EXPECT_EQ(windowtest::SiteCounts(*host), (std::vector<int>{6}));
    EXPECT_EQ(host->Requests().back()[9], 6); // after the dump's last block
    EXPECT_EQ(ProgramState::Instance().SiteParamsHold, nullptr);
}

TEST_F(WindowsTogether, ASignalWithABoxOpenInEveryWindowSavesAndRestoresTheCount) {
    QWidget* setup = Open(ToolWindow::GameSetup, "cmdGameSetup");
    auto* listing =
        qobject_cast<frmTransactions*>(Open(ToolWindow::Transactions, "cmdTransactions"));
    QWidget* terminal = Open(ToolWindow::Terminal, "cmdTerminal");
    QWidget* viewer = Open(ToolWindow::ViewRemote, "cmdViewRemote");
    ASSERT_TRUE(setup && listing && terminal && viewer);
    QTRY_VERIFY(qobject_cast<frmViewRemote*>(viewer)->Opened());
    listing->cmdDump_Click();
    platform::SetMessageHook({});
    platform::SetFileDialogHook({});
    Rescue(10000);

    Click(main.get(), "cmdFileOps_1");
    Click(setup, "cmdFileRead"); // no NodeInfo.txt: a warning
    Click(listing, "cmdSave");
    Click(terminal, "cmdCapture");
    host->DropNextReply();
    viewer->close(); // the count is not confirmed: "Try again?"
    for (QWidget* window : {static_cast<QWidget*>(main.get()), setup,
                            static_cast<QWidget*>(listing), terminal, viewer}) {
        SCOPED_TRACE(window->objectName().toStdString());
        EXPECT_EQ(BoxesShown(window), 1);
    }

    SignalRelay relay;
    QObject::connect(&relay, &SignalRelay::TerminationRequested, main.get(),
                     &frmOrvane::ShutDownFromOutside);
    ::raise(SIGTERM);
    QTRY_VERIFY(main->HasShutDown());

    const std::string ini = windowtest::ReadFile(FilePath("Settings.ini"));
    for (const char* kept : {"CardPrefix=1234", "[Transaction]", "[Terminal]"}) {
        EXPECT_NE(ini.find(kept), std::string::npos) << kept << "\n" << ini;
    }
    EXPECT_EQ(windowtest::SiteCounts(*host), (std::vector<int>{0, 6, 6}));
    EXPECT_FALSE(LinkLog::Instance().Text().contains("was not restored"));
}

