#include "common/codeCommon.h"
#include "diagnostics/frmDiagnostic.h"
#include "link/LinkSequence.h"
#include "tests/WindowTestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

using windowtest::Find;

struct MemoryRead {
    std::uint32_t address;
    int count;
    bool operator==(const MemoryRead&) const = default;
};

class DiagnosticWindow : public windowtest::SimulatedHostTest {
protected:
    void SetUp() override {
        SimulatedHostTest::SetUp();
        MakeLink();
    }
    void TearDown() override {
        window.reset();
        SimulatedHostTest::TearDown();
    }

    void Open() {
        window = std::make_unique<frmDiagnostic>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QListWidget* Index() { return Find<QListWidget>(window.get(), "lstDiagIndex"); }
    QListWidget* Output() { return Find<QListWidget>(window.get(), "lstOutput"); }
    QPlainTextEdit* Status() { return Find<QPlainTextEdit>(window.get(), "txtStatus"); }
    QRadioButton* Type(int i) {
        return Find<QRadioButton>(window.get(), QString("optDiagType_%1").arg(i));
    }
    void Click(const char* button) {
        QTest::mouseClick(Find<QPushButton>(window.get(), button), Qt::LeftButton);
    }
    void ClickIndex(int row) {
        QListWidget* list = Index();
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QStringList OutputLines() { return windowtest::Lines(Output()); }

    // The memory reads the host received (DeviceID 1, Cmnd 1), in order.
    std::vector<MemoryRead> Reads() const {
        std::vector<MemoryRead> reads;
        for (const auto& frame : host->Requests()) {
            if (frame.size() == 15 && frame[0] == 1 && frame[6] == 1) {
                const std::uint32_t address = frame[7] | frame[8] << 8u | frame[9] << 16u |
                                              static_cast<std::uint32_t>(frame[10]) << 24u;
                reads.push_back({address, frame[11]});
            }
        }
        return reads;
    }

    std::unique_ptr<frmDiagnostic> window;
};

TEST_F(DiagnosticWindow, FirstOpenReadsNothingAndCloseOnlyHides) {
    AppendStatusText("line before the window\r\n");
    host->ClearRequests();
    Open();
    EXPECT_TRUE(host->Requests().empty());
    EXPECT_EQ(Status()->toPlainText(), "line before the window\n");
    const QStringList order = {"cmdClose",      "txtStatus",    "cmdUSBTest",   "cmdUSBListDevices",
                               "cmdClearText",  "lstOutput",    "lstDiagIndex", "optDiagType_0",
                               "optDiagType_1", "optDiagType_2"};
    EXPECT_EQ(windowtest::FocusOrder(Find<QPushButton>(window.get(), "cmdClose"), order), order);

    Index()->setCurrentRow(5);
    QTest::mouseClick(Type(1), Qt::LeftButton);
    const QStringList lines = OutputLines();
    ASSERT_EQ(lines.size(), 30);
    const QString log = Status()->toPlainText();
    Click("cmdClose");
    EXPECT_TRUE(window->isHidden());
    window->show();
    EXPECT_FALSE(window->close()); // the close box
    EXPECT_TRUE(window->isHidden());
    host->ClearRequests();
    window->show();
    EXPECT_TRUE(Type(1)->isChecked());
    EXPECT_EQ(Index()->currentRow(), 5);
    EXPECT_EQ(OutputLines(), lines);
    EXPECT_EQ(Status()->toPlainText(), log);
    EXPECT_TRUE(host->Requests().empty());
}

TEST_F(DiagnosticWindow, EveryWayOfChoosingReadsTheChosenRecordOnce) {
    Open();
    host->ClearRequests();

    // Site parameters: one address whatever the index.
    Index()->setCurrentRow(3); // reads player 3
    QTest::mouseClick(Type(2), Qt::LeftButton);
    ClickIndex(7);
    ClickIndex(7); // a click on the chosen index reads it again
    EXPECT_EQ(Reads(),
              (std::vector<MemoryRead>{{0xB860, 32}, {0xD800, 128}, {0xD800, 128}, {0xD800, 128}}));
    EXPECT_EQ(Output()->count(), 32);

    // Remote node 7, by an arrow key on the type choice.
    host->ClearRequests();
    Type(2)->setFocus();
    QTest::keyClick(Type(2), Qt::Key_Up);
    ASSERT_TRUE(Type(1)->isChecked());
    EXPECT_EQ(Reads(), (std::vector<MemoryRead>{{0x8AA0, 96}}));
    EXPECT_EQ(Output()->count(), 30);
    // Its counter lines are the longest of all records; they fit whole.
    EXPECT_FALSE(Output()->horizontalScrollBar()->isVisible());

    // Player 16 from the keyboard, then an assistive technology's select of
    // an index row and toggle of a type, which set the state without a click.
    QTest::mouseClick(Type(0), Qt::LeftButton);
    Index()->setFocus();
    Index()->setCurrentRow(15);
    host->ClearRequests();
    QTest::keyClick(Index(), Qt::Key_Down);
    EXPECT_EQ(Index()->currentRow(), 16);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Index());
    ASSERT_NE(list, nullptr);
    ASSERT_NE(list->tableInterface(), nullptr);
    ASSERT_TRUE(list->tableInterface()->selectRow(4));
    EXPECT_EQ(Output()->count(), 10);
    QAccessibleInterface* site = QAccessible::queryAccessibleInterface(Type(2));
    ASSERT_NE(site, nullptr);
    ASSERT_NE(site->actionInterface(), nullptr);
    site->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    ASSERT_TRUE(Type(2)->isChecked());
    EXPECT_EQ(Reads(), (std::vector<MemoryRead>{{0xBA00, 32}, {0xB880, 32}, {0xD800, 128}}));
}

TEST_F(DiagnosticWindow, AClickDuringAReadIsServedAfterIt) {
    Open();
    host->ClearRequests();
    host->DelayNextReply(std::chrono::milliseconds(20));
    QTimer::singleShot(0, window.get(), [this] { Index()->setCurrentRow(7); });
    Index()->setCurrentRow(3);
    EXPECT_EQ(Reads(), (std::vector<MemoryRead>{{0xB860, 32}, {0xB8E0, 32}}));
    EXPECT_EQ(Output()->count(), 10);
    EXPECT_FALSE(LinkLog::Instance().Text().contains("refused"));
}

TEST_F(DiagnosticWindow, LogBoxFollowsTheLinkLogAndShowsARefusedRead) {
    Open();
    QTest::mouseClick(Type(2), Qt::LeftButton);
    ASSERT_EQ(Output()->count(), 32);
    EXPECT_TRUE(Status()->toPlainText().endsWith("  OK\n"));

    Click("cmdClearText");
    EXPECT_TRUE(Status()->toPlainText().isEmpty());
    EXPECT_TRUE(LinkLog::Instance().Text().isEmpty());

    Click("cmdUSBListDevices");
    EXPECT_EQ(Status()->toPlainText(), "Status = 0, OK, Number of devices = 1\n");
    host->ClearRequests();
    Click("cmdUSBTest");
    ASSERT_EQ(host->Requests().size(), 1u);
    EXPECT_EQ(host->Requests()[0][6], 5); // the input word
    EXPECT_TRUE(Status()->toPlainText().endsWith("  OK\n"));

    // The log cut at its limit is shown cut.
    const QString text(LinkLog::kLimit + 1, QChar('a'));
    LinkLog::Instance().SetText(text);
    AppendStatusText("next\r\n");
    EXPECT_EQ(Status()->toPlainText(), text.right(LinkLog::kKeep) + "next\n");
    EXPECT_EQ(Status()->verticalScrollBar()->value(), Status()->verticalScrollBar()->maximum());

    // A read chosen while another command talks is refused visibly.
    LinkSequence other(link.get()); // e.g. "Program" in the main window
    ASSERT_TRUE(other.Claimed());
    host->ClearRequests();
    Index()->setCurrentRow(2);
    Click("cmdUSBTest");
    EXPECT_TRUE(host->Requests().empty());
    EXPECT_EQ(OutputLines(), QStringList{QString("Could not read the site parameter record: ") +
                                         LinkSequence::kRefusedText});
    EXPECT_TRUE(LinkLog::Instance().Text().endsWith(QString(LinkSequence::kRefusedText) + "\r\n"));
}

} // namespace
