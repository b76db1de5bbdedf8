#include "game_setup/NodeFiles.h"
#include "game_setup/frmGameSetup.h"
#include "link/LinkSequence.h"
#include "tests/WindowTestSupport.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

using gamesetup::NodeRecord;

class GameSetupWindow : public windowtest::SimulatedHostTest {
protected:
    void SetUp() override {
        SimulatedHostTest::SetUp();
        MakeLink();
        ProgramState::Instance().SiteParams.CardPrefix = 1234;
        ProgramState::Instance().SiteParams.MaxNode = 6;
    }
    void TearDown() override {
        delete window.data();
        SimulatedHostTest::TearDown();
    }

    void Open() {
        delete window.data();
        window = new frmGameSetup();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));
        QCoreApplication::processEvents(); // a notice on opening
    }
    // Lets a closed window go, as the event loop would.
    void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    template <class T> T* Find(const char* name) { return windowtest::Find<T>(window, name); }
    QListWidget* List(const char* name) { return Find<QListWidget>(name); }
    QLineEdit* Game() { return Find<QLineEdit>("txtGameNumber"); }
    void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
    void ClickRow(const char* listName, int row) {
        QListWidget* list = List(listName);
        list->scrollToItem(list->item(row));
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void ClickKiosk() {
        QCheckBox* kiosk = Find<QCheckBox>("chkKiosk");
        QTest::mouseClick(kiosk, Qt::LeftButton, {}, QPoint(8, kiosk->height() / 2));
    }
    void TypeGame(const QString& text) {
        Game()->selectAll();
        QTest::keyClicks(Game(), text);
    }
    const NodeRecord& Node(int n) const { return window->Table()[static_cast<std::size_t>(n)]; }
    void WriteIni(const std::string& text) {
        windowtest::WriteFile(FilePath("NodeInfo.ini"), text);
    }

    // Node messages the host received: the 9 payload bytes of each.
    std::vector<std::vector<std::uint8_t>> NodeMessages() const {
        std::vector<std::vector<std::uint8_t>> sent;
        for (const auto& frame : host->Requests()) {
            if (frame.size() == 18 && frame[0] == 12 && frame[1] == 18 && frame[6] == 4 &&
                frame[7] == 8) {
                sent.emplace_back(frame.begin() + 7, frame.begin() + 16);
            }
        }
        return sent;
    }

    QPointer<frmGameSetup> window;
};

TEST_F(GameSetupWindow, OpensOnNodeOneAutoSetDropsTheEntriesAnotherNodeStoresThemCancelLosesThem) {
    WriteIni("[1234-001]\r\nGameNumber=12\r\nGameGroup=1\r\nNoteInValue=4\r\nDenom=3\r\n"
             "KeyDown=8\r\nConfig=1\r\n");
    Open();
    EXPECT_EQ(List("lstNodeNumber")->count(), 6);
    EXPECT_EQ(Game()->text(), "12");
    for (const auto& [list, row] : {std::pair{"lstGameGroup", 1}, {"lstNoteInValue", 4},
                                    {"lstDenomination", 3}, {"lstKeyDown", 8}}) {
        EXPECT_EQ(List(list)->currentRow(), row) << list;
    }
    EXPECT_TRUE(Find<QCheckBox>("chkKiosk")->isChecked());
    const QStringList order =
        QString("lstNodeNumber txtGameNumber lstGameGroup lstDenomination lstKeyDown "
                "lstNoteInValue chkKiosk cmdProgramSelected cmdProgramAll cmdAutoSetGameNumber "
                "cmdSetAllToSelected cmdFileRead cmdFileWrite cmdOK cmdCancel")
            .split(' ');
    EXPECT_EQ(windowtest::FocusOrder(List("lstNodeNumber"), order), order);
    EXPECT_TRUE(host->Requests().empty());

    TypeGame("999");
    ClickRow("lstDenomination", 6); // also dropped: the entries are not stored
    Click("cmdAutoSetGameNumber");
    EXPECT_EQ(Node(3).GameNumber, 3);
    EXPECT_EQ(Node(1).Denom, 3);
    EXPECT_EQ(Game()->text(), "1");

    // Choosing another node stores the entries; Escape keeps them, "Cancel"
    // loses them.
    ClickRow("lstNodeNumber", 1); // node 2
    ClickRow("lstDenomination", 5);
    TypeGame("77");
    ClickRow("lstGameGroup", 1);
    ClickKiosk();
    EXPECT_EQ(Node(2).Denom, 0);  // still in the controls only
    ClickRow("lstNodeNumber", 4); // node 5
    EXPECT_EQ(window->CurrentNode(), 5);
    EXPECT_EQ(Node(2), (NodeRecord{5, 0, 0, 0, 1, 77, 1}));

    // Escape, wherever the keyboard is, throws nothing away.
    for (QWidget* at : std::initializer_list<QWidget*>{Game(), List("lstNodeNumber")}) {
        at->setFocus();
        QTest::keyClick(at, Qt::Key_Escape);
        Settle();
        ASSERT_FALSE(window.isNull());
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_EQ(Node(2).GameNumber, 77);

    Click("cmdCancel");
    Settle();
    EXPECT_TRUE(window.isNull());
    Open();
    EXPECT_EQ(Node(2), NodeRecord{});
}

TEST_F(GameSetupWindow, ReadWriteAndOkUseTheFilesOrNameThemAndKeepTheWindow) {
    QDir(dir.path()).mkdir("NodeInfo.txt"); // can be neither read nor replaced by a file
    QDir(dir.path()).mkdir("NodeInfo.ini");
    Open();
    messages.clear();
    Click("cmdFileRead");
    EXPECT_TRUE(LastMessage().contains("NodeInfo.txt")) << LastMessage().toStdString();
    ClickRow("lstKeyDown", 15);
    messages.clear();
    Click("cmdFileWrite");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(LastMessage().contains(FilePath("NodeInfo.txt")));
    EXPECT_EQ(Node(1).KeyDown, 15);
    Click("cmdOK");
    Settle();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(LastMessage().contains(FilePath("NodeInfo.ini")));

    QDir(dir.path()).rmdir("NodeInfo.txt");
    QDir(dir.path()).rmdir("NodeInfo.ini");
    windowtest::WriteFile(FilePath("NodeInfo.txt"),
                          "Site\tAddr\tGame #\tNote-In\tDenom\tKeyDown\tOptions\r\n"
                          "1234\t001\t0042B\t$5.00\t$0.10\t$0.75\t0x01\r\n");
    TypeGame("555"); // not stored: the file's values are shown
    Click("cmdFileRead");
    EXPECT_EQ(Game()->text(), "42");
    EXPECT_FALSE(QFile::exists(FilePath("NodeInfo.ini")));
    ClickRow("lstKeyDown", 3); // what the boxes show when "OK" is pressed is saved
    Click("cmdOK");
    Settle();
    EXPECT_TRUE(window.isNull());
    const std::string ini = FilePath("NodeInfo.ini").toStdString();
    const NodeRecord saved = gamesetup::LoadNodeIni(ini, 1234, 6).table[1];
    EXPECT_EQ(saved.GameNumber, 42);
    EXPECT_EQ(saved.KeyDown, 3);
}

// A game number out of range or a busy link stops before anything changes;
// then "Program All" sends every node until a quit or the close box.
TEST_F(GameSetupWindow, ProgramAllSendsEveryNodeUnlessRefusedUntilAQuitOrTheCloseBox) {
    WriteIni("[1234-003]\r\nGameNumber=300\r\nGameGroup=1\r\nNoteInValue=3\r\nDenom=3\r\n"
             "KeyDown=12\r\nConfig=1\r\n");
    Open();
    ClickRow("lstNodeNumber", 1);
    TypeGame("32768");
    ClickRow("lstNodeNumber", 4);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(List("lstNodeNumber")->currentRow(), 1);
    Click("cmdProgramAll");
    TypeGame("32767");
    ClickRow("lstNodeNumber", 4);
    EXPECT_EQ(Node(2).GameNumber, 32767);

    TypeGame("31");
    LinkSequence other(link.get());
    ASSERT_TRUE(other.Claimed());
    Click("cmdProgramAll");
    Click("cmdProgramSelected");
    EXPECT_EQ(messages.size(), 4u);
    EXPECT_EQ(LastMessage(), LinkSequence::kRefusedText);
    EXPECT_TRUE(host->Requests().empty());
    EXPECT_EQ(Node(5).GameNumber, 0); // the entries were not stored either
    other.Release();

    Click("cmdProgramAll");
    const auto sent = NodeMessages();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[2], (std::vector<std::uint8_t>{8, 7, 3, 0xC3, 0x30, 1, 0x2C, 0x01, 1}));
    EXPECT_EQ(LastMessage(), "The host accepted all 6 nodes.");
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    }

    messages.clear();
    host->ClearRequests();
    int requests = 0;
    host->OnEachRequest([&](hostsim::SimulatedHost&, std::span<const std::uint8_t>) {
        if (++requests == 2) {
            link->RequestStop();
        }
    });
    Click("cmdProgramAll");
    link->ClearStopRequest();
    EXPECT_EQ(NodeMessages().size(), 2u);
    EXPECT_TRUE(messages.empty()); // the program is closing: no box
    EXPECT_TRUE(Find<QLabel>("lblStatus")->text().startsWith("The host accepted 2 of 6 nodes."));

    host->ClearRequests();
    QFile::remove(FilePath("NodeInfo.ini"));
    host->OnEachRequest([this](hostsim::SimulatedHost&, std::span<const std::uint8_t>) {
        for (QPushButton* b : window->findChildren<QPushButton*>()) {
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        }
        window->close();
    });
    Click("cmdProgramAll");
    EXPECT_EQ(NodeMessages().size(), 1u);
    Settle();
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(QFile::exists(FilePath("NodeInfo.ini")));
}

} // namespace

TEST_F(GameSetupWindow, ProgramSelectedNamesTheNodeAndTakesAnyWellFormedReply) {
    Open();
    ClickRow("lstNodeNumber", 2); // node 3
    ClickRow("lstKeyDown", 8);
    ClickRow("lstDenomination", 3);
    ClickRow("lstNoteInValue", 4);
    ClickKiosk();
    TypeGame("300");
    // A reply whose bytes say anything counts (how an exchange is judged is
    // the core's, NodeProgrammingTest.cpp).
    QString during;
    host->OnEachRequest([&](hostsim::SimulatedHost& h, std::span<const std::uint8_t>) {
        h.AnswerNextWith({8, 3, 0, 0, 1});
        during = Find<QLabel>("lblStatus")->text();
    });
    Click("cmdProgramSelected");
    EXPECT_EQ(during, "Programming node 3...");
    EXPECT_EQ(Find<QLabel>("lblStatus")->text(), "Node 3 programmed.");
    EXPECT_TRUE(messages.empty());
    // The shown entries, stored and sent.
    EXPECT_EQ(NodeMessages(), std::vector<std::vector<std::uint8_t>>(
                                  1, {8, 7, 3, 0x83, 0x40, 0x01, 0x2C, 0x01, 0x00}));

    // A text set through the accessibility interface is what is judged and
    // sent, as a typed one is.
    host->OnEachRequest({});
    host->ClearRequests();
    QAccessible::queryAccessibleInterface(Game())->setText(QAccessible::Value, "70000");
    Click("cmdProgramSelected");
    EXPECT_TRUE(NodeMessages().empty());
    EXPECT_TRUE(LastMessage().contains("70000")) << LastMessage().toStdString();
    QAccessible::queryAccessibleInterface(Game())->setText(QAccessible::Value, "45");
    Click("cmdProgramSelected");
    ASSERT_EQ(NodeMessages().size(), 1u);
    EXPECT_EQ(NodeMessages()[0][6], 45);
}

TEST_F(GameSetupWindow, ANodeFileItCannotUseIsNamedForWhatItIs) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("NodeInfo.ini"));
    Open();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "NodeInfo.ini");

    // A stored game number no node can have: an empty box that names it,
    // never a number the operator seems to have typed. Indexes outside the
    // lists are shown as no choice.
    ASSERT_TRUE(QDir(dir.path()).rmdir("NodeInfo.ini"));
    WriteIni("[1234-001]\r\nGameNumber=99999999\r\n"
             "[1234-002]\r\nDenom=9\r\nKeyDown=20\r\nGameNumber=5\r\n");
    messages.clear();
    Open();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Node values out of range");
    EXPECT_EQ(Game()->text(), "");
    EXPECT_TRUE(Game()->placeholderText().contains("99999999"));
    // Left untouched, the node keeps what NodeInfo.ini holds (and "OK"
    // writes it back as it was); a number typed over it replaces it.
    ClickRow("lstNodeNumber", 1);
    EXPECT_EQ(window->CurrentNode(), 2);
    EXPECT_EQ(List("lstDenomination")->currentRow(), -1);
    ClickRow("lstNodeNumber", 0); // leaving it keeps the values as they were
    EXPECT_EQ(Node(2).Denom, 9);
    EXPECT_EQ(Game()->text(), "");
    TypeGame("7");
    ClickRow("lstNodeNumber", 1);
    EXPECT_EQ(window->CurrentNode(), 2);
    EXPECT_EQ(Node(1).GameNumber, 7);

    // Nor is a node the host cannot take ever written or sent.
    Click("cmdFileWrite");
    EXPECT_FALSE(QFile::exists(FilePath("NodeInfo.txt")));
    Click("cmdProgramAll");
    std::vector<int> sentNodes;
    for (const auto& payload : NodeMessages()) {
        sentNodes.push_back(payload[2]);
    }
    EXPECT_EQ(sentNodes, (std::vector<int>{1, 3, 4, 5, 6}));
}
