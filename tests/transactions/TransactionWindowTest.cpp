#include "transactions/frmTransactions.h"

#include "common/TransactionEntry.h"
#include "host_config/frmOrvane.h"
#include "link/LinkSequence.h"
#include "tests/WindowTestSupport.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

using Bytes = std::vector<std::uint8_t>;
using windowtest::ReadFile;
using windowtest::WriteFile;

class TransactionWindow : public windowtest::SimulatedHostTest {
protected:
    void TearDown() override {
        window.reset();
        SimulatedHostTest::TearDown();
    }

    void Open() {
        window = std::make_unique<frmTransactions>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    template <class T> T* Find(const QString& name) {
        return windowtest::Find<T>(window.get(), name);
    }
    QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    QString Result() { return Find<QLabel>("lblResult")->text(); }

    std::vector<std::string> Listing() {
        auto* list = Find<QListWidget>("lstOutput");
        std::vector<std::string> lines;
        for (int i = 0; i < list->count(); ++i) {
            lines.push_back(list->item(i)->text().toStdString());
        }
        return lines;
    }
    // The listing the host's memory should give, block by block.
    transactions::TransactionDump DumpOfMemory() const {
        transactions::TransactionDump dump;
        for (int b = 0; b < transactions::TransactionDump::kBlocks; ++b) {
            dump.SetBlock(b,
                          transactions::TransactionBlockBytes(
                              host->Memory().data() + records::kTransactionLogBase + 128 * b, 128));
        }
        return dump;
    }
    std::string Settings() const { return ReadFile(dir.filePath("Settings.ini")); }

    std::unique_ptr<frmTransactions> window;
};

} // namespace

TEST_F(TransactionWindow, ProgramAndDumpReachTheHostOrSayWhyAndSaveWritesTheListingOrCsv) {
    MakeLink();
    Open();
    QTest::mouseClick(Find<QCheckBox>("chkTransactionStore_1"), Qt::LeftButton, {}, QPoint(6, 6));
    QTest::mouseClick(Find<QCheckBox>("chkTransactionPrint_22"), Qt::LeftButton, {}, QPoint(6, 6));
    Click("cmdProgram");
    ASSERT_EQ(host->Requests().size(), 1u);
    const Bytes& frame = host->Requests()[0];
    ASSERT_EQ(frame.size(), 19u);
    EXPECT_EQ(Bytes(frame.begin() + 6, frame.begin() + 17),
              (Bytes{4, 10, 8, 0x02, 0, 0, 0, 0, 0, 0x40, 0}));
    EXPECT_EQ(Result(), "Masks sent to the host.");
    EXPECT_FALSE(Button("cmdSave")->isEnabled()) << "nothing dumped to save";

    host->DropNextReply();
    Click("cmdProgram");
    EXPECT_EQ(Result(), "The masks did not reach the host: Timeout");
    host->ClearRequests();
    {
        LinkSequence other(link.get());
        ASSERT_TRUE(other.Claimed());
        Click("cmdDump");
        Click("cmdProgram");
    }
    EXPECT_EQ(Result(), LinkSequence::kRefusedText);
    EXPECT_TRUE(Listing().empty());
    EXPECT_TRUE(host->Requests().empty());
    EXPECT_FALSE(Button("cmdSave")->isEnabled());

    // The dump reads the 32 blocks; "Save" writes the listing or the CSV.
    host->OnEachRequest([](hostsim::SimulatedHost& h, std::span<const std::uint8_t> frame) {
        if (frame.size() > 7 && frame[7] == 0x80 && frame[8] == 0xE0) {
            h.DropNextReply(); // block 1
        }
    });
    Click("cmdDump");
    Click("cmdDump"); // a second press reads the log anew and replaces the list
    EXPECT_EQ(host->Requests().size(), 64u);
    transactions::TransactionDump expected = DumpOfMemory();
    expected.SetBlockFailed(1, "Timeout");
    EXPECT_EQ(Listing(), expected.Lines());

    const QString text = dir.filePath("log.txt");
    const QString csv = dir.filePath("log.CSV");
    dialogAnswers = {text, csv, dir.filePath("missing/log.txt"), QString()};
    Click("cmdSave");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].initialFileName, dir.path() + "/Transactions.txt");
    const std::string listing = ReadFile(text);
    EXPECT_EQ(listing, window->LastDump()->ListingText());

    Click("cmdSave");
    EXPECT_EQ(ReadFile(csv), window->LastDump()->CsvText());

    Click("cmdSave");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("missing/log.txt"));

    Click("cmdSave"); // cancelled: nothing changes
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(ReadFile(text), listing);

    ProgramState::Instance().Link = nullptr;
    Click("cmdProgram");
    EXPECT_EQ(Result(), LinkSequence::kNoLinkText);
}

// No second command starts while a dump runs; a quit or a close stops the
// dump at its next block.
TEST_F(TransactionWindow, AQuitOrACloseStopsTheDumpAtTheNextBlock) {
    struct Case {
        const char* how;
        std::function<void(frmTransactions&, clsUSBInterface&)> stop;
        const char* notRead;
        bool masksSaved; // at once, not only when the window unloads
    };
    const std::vector<Case> cases{
        {"quit", [](frmTransactions&, clsUSBInterface& l) { l.RequestStop(); },
         "the dump was stopped", false},
        {"Close", [](frmTransactions& w, clsUSBInterface&) { w.cmdClose_Click(); },
         "the window was closed during the dump", false},
        {"close box", // as the window system sends it
         [](frmTransactions& w, clsUSBInterface&) {
             QCloseEvent event;
             QCoreApplication::sendEvent(w.windowHandle(), &event);
         },
         "the window was closed during the dump", true},
    };
    MakeLink();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Open();
        QFile::remove(dir.filePath("Settings.ini"));
        host->ClearRequests();
        LinkLog::Instance().Clear();
        int reads = 0;
        host->OnEachRequest([&](hostsim::SimulatedHost& h, std::span<const std::uint8_t>) {
            if (++reads != 4) {
                return;
            }
            h.DelayNextReply(std::chrono::milliseconds(30));
            QTimer::singleShot(0, window.get(), [&] {
                EXPECT_TRUE(window->DumpRunning());
                EXPECT_FALSE(Button("cmdDump")->isEnabled());
                EXPECT_FALSE(Button("cmdProgram")->isEnabled());
                window->cmdDump_Click();
                window->cmdProgram_Click();
                c.stop(*window, *link);
            });
        });
        Click("cmdDump");
        link->ClearStopRequest();

        EXPECT_EQ(host->Requests().size(), 4u);
        EXPECT_TRUE(Button("cmdProgram")->isEnabled());
        const std::vector<std::string> lines = Listing();
        ASSERT_EQ(lines.size(), 1u + 4 * 8 + 28);
        EXPECT_EQ(lines[33], std::string("Entries 32-39 could not be read: ") + c.notRead);
        EXPECT_TRUE(LinkLog::Instance().Text().contains("Dump stopped; not read: entries 32-255"));
        EXPECT_EQ(Settings().find("[Transaction]") != std::string::npos, c.masksSaved);
    }
}

// The stored masks check their boxes (bits without a box kept); "Close"
// hands the masks to the site record, the main window shows the same window
// again, and its shut-down unloads the window, which saves them.
TEST_F(TransactionWindow, LoadChecksTheBoxesCloseHandsTheMasksOnAndUnloadWritesThemBack) {
    // Bit 31 and bit 1 stored, edited by hand: -2147483646.
    WriteFile(dir.filePath("Settings.ini"),
              "[Settings]\r\nMaxNode=16\r\n[Transaction]\r\nPrint=6\r\nStore=-2147483646\r\n");
    {
        frmOrvane main;
        main.SetToolWindowFactory(ToolWindow::Transactions, [] { return new frmTransactions(); });
        auto* button = windowtest::Find<QPushButton>(&main, "cmdTransactions");
        QTest::mouseClick(button, Qt::LeftButton);
        auto* tx = qobject_cast<frmTransactions*>(main.ToolWindowIfOpen(ToolWindow::Transactions));
        ASSERT_NE(tx, nullptr);
        const QStringList order =
            QString("chkTransactionPrint_1 chkTransactionStore_1 chkTransactionPrint_22 "
                    "chkTransactionStoreSetClrAll_0 chkTransactionStoreSetClrAll_1 lstOutput "
                    "cmdProgram cmdDump cmdSave cmdClose")
                .split(' ');
        EXPECT_EQ(windowtest::FocusOrder(tx, order), order);
        EXPECT_TRUE(tx->findChild<QCheckBox*>("chkTransactionPrint_2")->isChecked());
        EXPECT_TRUE(tx->findChild<QCheckBox*>("chkTransactionStore_1")->isChecked());

        for (const char* box : {"chkTransactionStore_3", "chkTransactionPrint_1"}) {
            QTest::mouseClick(tx->findChild<QCheckBox*>(box), Qt::LeftButton, {}, QPoint(6, 6));
        }
        QTest::mouseClick(tx->findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
        EXPECT_FALSE(tx->isVisible());
        EXPECT_EQ(ProgramState::Instance().SiteParams.TransactionStoreMask, 0x8000000Au);

        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(main.ToolWindowIfOpen(ToolWindow::Transactions), tx);
        EXPECT_TRUE(tx->isVisible());
        main.close(); // shut-down unloads the window, which saves its section
    }
    EXPECT_NE(Settings().find("[Transaction]\r\nPrint=4\r\nStore=-2147483638\r\n"),
              std::string::npos)
        << Settings();
}
