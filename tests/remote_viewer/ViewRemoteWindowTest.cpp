#include "remote_viewer/frmViewRemote.h"

#include "host_config/SiteConfig.h"
#include "host_config/frmOrvane.h"
#include "hostsim/RecordFields.h"
#include "tests/WindowTestSupport.h"

#include <QCheckBox>
#include <algorithm>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

struct FieldCommand {
    int node;
    int cmnd;
    std::uint32_t cnt;
    bool operator==(const FieldCommand&) const = default;
};

class ViewRemoteTest : public windowtest::SimulatedHostTest {
protected:
    QPointer<frmViewRemote> window;

    void SetUp() override {
        SimulatedHostTest::SetUp();
        ProgramState::Instance().SiteParams.MaxNode = 12;
        ProgramState::Instance().SiteParams.CardPrefix = 1234;
        defaultAnswer = platform::MessageAnswer::No;
    }
    void TearDown() override {
        delete window.data();
        ProgramState::Instance().SiteParamsHold = nullptr;
        SimulatedHostTest::TearDown();
    }

    void Open() {
        MakeLink();
        window = new frmViewRemote();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));
        QTRY_VERIFY(window->Opened());
        ASSERT_TRUE(window->isEnabled());
    }

    template <class T> T* Find(const QString& name) {
        return windowtest::Find<T>(window.data(), name);
    }
    QListWidget* List() { return Find<QListWidget>("lstRemote"); }
    QString Text() { return Find<QPlainTextEdit>("txtStatus")->toPlainText(); }
    void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

    std::vector<int> SiteCounts() const { return windowtest::SiteCounts(*host); }
    std::vector<FieldCommand> FieldCommands() const {
        std::vector<FieldCommand> commands;
        for (const auto& f : host->Requests()) {
            if (f.size() == 18 && f[0] == 12 && f[6] == 4 && f[7] == 5) {
                commands.push_back({f[9], f[10],
                                    f[12] | f[13] << 8u | f[14] << 16u |
                                        static_cast<std::uint32_t>(f[15]) << 24u});
            }
        }
        return commands;
    }
};

} // namespace

// The window opens on node 1 with node count 0 sent to the host, keys pick
// nodes, "Get Counts" asks the chosen node, and closing restores the count.
TEST_F(ViewRemoteTest, OpensWithNodeCountZeroGetsCountsAndClosesWithTheSavedCount) {
    Open();
    EXPECT_EQ(List()->count(), 16);
    EXPECT_EQ(window->RemoteNumber(), 1);
    // The whole site parameter message, with only the node count changed.
    ASSERT_EQ(SiteCounts(), (std::vector<int>{0}));
    SiteParamRecord expected = ProgramState::Instance().SiteParams;
    expected.MaxNode = 0;
    const auto payload = hostconfig::SiteConfigPayload(expected);
    const auto& frame = host->Requests().back();
    EXPECT_TRUE(std::equal(frame.begin() + 7, frame.end() - 2, payload.begin(), payload.end()));

    QTest::keyClick(List(), Qt::Key_9);
    QTest::keyClick(List(), Qt::Key_0);
    QTest::keyClick(List(), Qt::Key_A);
    EXPECT_EQ(List()->currentRow(), 8);
    // The list's own type-ahead does not move "1" on to "10" or "11".
    QTest::keyClick(List(), Qt::Key_1);
    QTest::keyClick(List(), Qt::Key_1);
    EXPECT_EQ(window->RemoteNumber(), 1);
    auto* poll = Find<QPushButton>("cmdPollRemote");
    poll->setFocus();
    QTest::keyClick(poll, Qt::Key_7);
    EXPECT_EQ(window->RemoteNumber(), 7);
    EXPECT_TRUE(FieldCommands().empty());

    const auto record = host->Memory().subspan(0x8800 + 96 * 7, 96);
    hostsim::PutField(record, records::kRemoteLayout, "Count 4 - 7", 0x7FFFFFFF, 3);
    host->ClearRequests();
    bool pollEnabled = true;
    bool listEnabled = true;
    QTimer::singleShot(0, window.data(), [&] {
        pollEnabled = poll->isEnabled();
        listEnabled = List()->isEnabled();
    });
    Click("cmdGetCounts");
    EXPECT_FALSE(pollEnabled);
    EXPECT_FALSE(listEnabled);
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    }
    // Over the wire to node 7; its record answers.
    const std::vector<FieldCommand> sent = FieldCommands();
    ASSERT_EQ(sent.size(), 10u);
    EXPECT_EQ(sent.back(), (FieldCommand{7, 3, 7}));
    EXPECT_TRUE(Text().endsWith("2147483647 \n")) << Text().toStdString();

    Click("cmdClose");
    EXPECT_EQ(SiteCounts(), (std::vector<int>{12}));
    EXPECT_FALSE(ProgramState::Instance().SiteParamsHold) << "\"Program\" sends the count again";
    QTRY_VERIFY(window == nullptr); // unloaded, not hidden
}

TEST_F(ViewRemoteTest, AFailedOpeningSaysSoAFailedRestoreAsksAndTriesAgainOrWarns) {
    MakeLink();
    host->CorruptNextReplyCrc(); // a damaged reply confirms nothing either
    window = new frmViewRemote();
    QTRY_VERIFY(window->Opened());
    EXPECT_TRUE(Text().startsWith("The host did not confirm node count 0")) << Text().toStdString();
    EXPECT_TRUE(Find<QPushButton>("cmdPollRemote")->isEnabled());

    host->DropNextReply(); // the second try goes through
    answers = {platform::MessageAnswer::Yes};
    window->close();
    EXPECT_EQ(SiteCounts(), (std::vector<int>{0, 12, 12}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("The host still has node count 0"));
    EXPECT_FALSE(LinkLog::Instance().Text().contains("was not restored"));
    QTRY_VERIFY(window == nullptr);

    messages.clear();
    window = new frmViewRemote();
    QTRY_VERIFY(window->Opened());
    ProgramState::Instance().SiteParams.MaxNode = 13; // as "Program" leaves it meanwhile
    host->DropNextReply();
    window->close();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_TRUE(LinkLog::Instance().Text().contains(
        "Node count 13 was not restored: the host still has node count 0"));
}

// With the main window: its button opens the viewer, its "Program" keeps the
// host at 0, a quit stops a dump and its shut-down restores the new count.
TEST_F(ViewRemoteTest, WithTheMainWindowProgramKeepsZeroAndAQuitRestoresTheNewCount) {
    frmOrvane main;
    main.SetToolWindowFactory(ToolWindow::ViewRemote, [] { return new frmViewRemote(); });
    windowtest::Find<QLineEdit>(&main, "txtParameters_0")->setText("9");
    host->ClearRequests();
    QTest::mouseClick(windowtest::Find<QPushButton>(&main, "cmdViewRemote"), Qt::LeftButton);
    window = qobject_cast<frmViewRemote*>(main.ToolWindowIfOpen(ToolWindow::ViewRemote));
    ASSERT_NE(window, nullptr);
    QTRY_VERIFY(window->Opened());
    EXPECT_EQ(window->SavedMaxNode(), 9);
    EXPECT_EQ(SiteCounts(), (std::vector<int>{0}));

    windowtest::Find<QLineEdit>(&main, "txtParameters_0")->setText("11");
    windowtest::Find<QCheckBox>(&main, "chkSend_1")->setChecked(true);
    QTest::mouseClick(windowtest::Find<QPushButton>(&main, "cmdProgram"), Qt::LeftButton);
    EXPECT_EQ(SiteCounts(), (std::vector<int>{0, 0}));
    EXPECT_EQ(ProgramState::Instance().SiteParams.MaxNode, 11);

    List()->setCurrentRow(4); // node 5
    QTimer::singleShot(0, &main, [&main] { main.ShutDownFromOutside(); });
    Click("cmdDumpNV");
    QTRY_VERIFY(main.HasShutDown());
    EXPECT_EQ(FieldCommands().size(), 1u);
    EXPECT_EQ(SiteCounts(), (std::vector<int>{0, 0, 11}));
    EXPECT_TRUE(LinkLog::Instance().Text().contains(
        "Dump NV, remote node 5: stopped, 31 commands not sent"));
    EXPECT_TRUE(messages.empty());
}
