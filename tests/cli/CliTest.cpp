// orvane-cli's commands in-process against the simulated host: what they
// print and return, the frames they send compared with the windows' for
// the same job, verify against a changed host, and a stop in mid-run.

#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "game_setup/frmGameSetup.h"
#include "host_config/frmOrvane.h"
#include "tests/WindowTestSupport.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/stat.h>

namespace {

constexpr const char* kSettings = "[SiteParam]\r\nMaxNode=4\r\nCardPrefix=1234\r\n"
                                  "AlarmTime=5:30\r\nGlobalOptions=9\r\nCashDropWeekday=2\r\n"
                                  "[SiteParamBonus]\r\nRefill=75\r\nLimit=70000\r\n";

std::string NodeIni() {
    std::string ini;
    for (int n = 1; n <= 4; ++n) {
        ini += "[1234-00" + std::to_string(n) + "]\r\nGameNumber=" + std::to_string(300 + n) +
               "\r\nGameGroup=" + std::to_string(n % 2) +
               "\r\nNoteInValue=4\r\nDenom=" + std::to_string(n) +
               "\r\nKeyDown=8\r\nConfig=" + std::to_string(n == 2) + "\r\n";
    }
    return ini;
}

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class CliTest : public windowtest::SimulatedHostTest {
protected:
    void SetUp() override {
        SimulatedHostTest::SetUp();
        WriteFiles();
    }
    void WriteFiles() {
        Write("Settings.ini", kSettings);
        Write("NodeInfo.ini", NodeIni());
        Write("MyLocation.txt", "Main Street Arcade\r\nSpringfield\r\n");
        Write("MyDisclaimer.txt", "Void where prohibited\r\n");
    }
    void Write(const char* name, const std::string& text) {
        windowtest::WriteFile(dir.filePath(name), text);
    }

    Result Run(const std::vector<std::string>& args) {
        if (link == nullptr) {
            MakeLink();
        }
        Result r;
        const cli::CliParse parsed = cli::ParseCliCommandLine(args);
        if (!parsed.options) {
            r.status = cli::kExitUsage;
            r.err = parsed.error;
            return r;
        }
        cli::CliEnvironment env;
        env.link = link.get();
        env.folder = folder.empty() ? dir.path().toStdString() : folder;
        env.out = [&r](const std::string& t) { r.out += t; };
        env.err = [&r](const std::string& t) { r.err += t; };
        env.stopSignal = [this] { return signal; };
        env.clock = [] { return QDateTime(QDate(2026, 12, 5), QTime(8, 9, 7)); };
        r.status = cli::RunCommand(*parsed.options, env);
        return r;
    }

    // Request frames without their sequence number, so that two runs of a
    // job compare byte for byte.
    std::vector<std::vector<std::uint8_t>> Frames() const {
        auto frames = host->Requests();
        for (auto& f : frames) {
            f[3] = 0;
            f.resize(f.size() - 2); // the CRC follows the sequence number
        }
        return frames;
    }

    // Stops the run (as SIGINT would) once `count` requests have come in;
    // with no signal, the reply to request `count` comes with a bad CRC.
    void StopAfter(std::size_t count, int sig) {
        host->OnEachRequest([this, count, sig](hostsim::SimulatedHost& h, auto) {
            if (h.Requests().size() != count) {
                return;
            }
            if (sig == 0) {
                h.CorruptNextReplyCrc();
                return;
            }
            signal = sig;
            link->RequestStop();
        });
    }

    int signal = 0;
    std::string folder; // the program folder when not `dir`
};

TEST_F(CliTest, EachCommandPrintsWhatTheWindowShowsAndReturnsItsStatus) {
    const QString logFile = dir.filePath("log.csv");
    const QString snapshotFile = dir.filePath("snap.json");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string outHolds; // a line the output holds
    };
    const Case cases[] = {
        {{"ping"}, 0, "0x1234 (4660)"},
        {{"read", "site"}, 0, "Card Prefix                      1234"},
        {{"read", "player", "3"}, 0, "Account Number"},
        {{"--json", "read", "node", "2"}, 0, "\"Game Number\": 102,"},
        {{"program", "--only", "params,header"}, 0, "Location (Header): sent, answered"},
        {{"program-nodes", "--nodes", "2-3"}, 0, "The host accepted all 2 nodes"},
        {{"log", "--csv", "-o", logFile.toStdString()}, 0, ""},
        {{"masks", "--print", "0x7FFFFF"}, 0, "Masks sent to the host."},
        {{"remote", "3", "poll"}, 0, "03 01 00"},
        {{"snapshot", "-o", snapshotFile.toStdString()}, 0, "written"},
        {{"program-nodes", "--nodes", "5"}, cli::kExitUsage, ""},
        {{"log", "--csv", "-o", dir.filePath("no/such/dir/log.csv").toStdString()},
         cli::kExitUsage,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : std::string()));
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.out.find(c.outHolds), std::string::npos) << r.out;
    }
    EXPECT_EQ(windowtest::ReadFile(logFile).rfind("Entry,", 0), 0u);
    const QJsonObject snapshot =
        QJsonDocument::fromJson(QByteArray::fromStdString(windowtest::ReadFile(snapshotFile)))
            .object();
    EXPECT_EQ(snapshot["nodes"].toArray().size(), 4);
    EXPECT_EQ(snapshot["log"]["entries"].toArray().size(), 256);
    EXPECT_TRUE(snapshot["unread"].toArray().isEmpty());
}

TEST_F(CliTest, ProgramNodesSendsTheFramesOfProgramAll) {
    MakeLink();
    ProgramState::Instance().SiteParams.CardPrefix = 1234;
    ProgramState::Instance().SiteParams.MaxNode = 4;
    {
        frmGameSetup window;
        window.show();
        link->SetSeqNo(0);
        QTest::mouseClick(window.findChild<QPushButton*>("cmdProgramAll"), Qt::LeftButton);
    }
    const auto fromWindow = Frames();
    ASSERT_EQ(fromWindow.size(), 4u);
    host->ClearRequests();
    link->SetSeqNo(0);
    EXPECT_EQ(Run({"program-nodes"}).status, 0);
    EXPECT_EQ(Frames(), fromWindow);
}

TEST_F(CliTest, ProgramSendsTheFramesOfTheMainWindowsProgram) {
    {
        frmOrvane window;
        for (int n = 1; n <= 3; ++n) {
            window.findChild<QCheckBox*>(QStringLiteral("chkSend_%1").arg(n))->setChecked(true);
        }
        QTest::mouseClick(window.findChild<QPushButton*>("cmdProgram"), Qt::LeftButton);
    }
    const auto fromWindow = Frames();
    ASSERT_EQ(fromWindow.size(), 17u); // parameters, 8 header and 8 footer blocks
    host->ClearRequests();
    const Result r = Run({"program", "--only", "params,header,footer"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Frames(), fromWindow);
}

TEST_F(CliTest, VerifyFindsNothingAfterProgrammingAndNamesExactlyAChangedField) {
    ASSERT_EQ(Run({"program", "--only", "params"}).status, 0);
    ASSERT_EQ(Run({"program-nodes"}).status, 0);
    Result r = Run({"verify"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("0 differences in 5 records"), std::string::npos) << r.out;

    // Game number of node 3, low byte: 303 becomes 302.
    host->Memory()[records::kRemoteBase + 96 * 3 + 4] ^= 1;
    r = Run({"verify"});
    EXPECT_EQ(r.status, cli::kExitRefused);
    EXPECT_EQ(r.out, "remote node record 3: Game Number is 0302, the files say 0303\n"
                     "1 difference in 5 records\n");

    // A node the host does not answer is reported, not passed over.
    host->OnEachRequest([](hostsim::SimulatedHost& h, std::span<const std::uint8_t> f) {
        const std::uint32_t address = f[7] | (f[8] << 8) | (f[9] << 16);
        if (f[0] == 1 && address == records::kRemoteBase + 96 * 2) {
            h.DropNextReply();
        }
    });
    r = Run({"--json", "verify"});
    EXPECT_EQ(r.status, cli::kExitLink);
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(o["unread"].toArray().first().toString(), "remote node record 2");
    EXPECT_EQ(o["differences"].toArray().size(), 1);
}

TEST_F(CliTest, ASignalEndsProgramNodesAtTheNextNode) {
    StopAfter(2, SIGINT);
    const Result r = Run({"program-nodes"});
    EXPECT_EQ(r.status, 130);
    EXPECT_EQ(host->Requests().size(), 2u);
    EXPECT_NE(r.err.find("not sent: 2 of 4 nodes, from node 3"), std::string::npos) << r.err;
}

// A node the host cannot take is not sent: the host refused the run, the
// link did not fail.
TEST_F(CliTest, ANodeThatCannotBeSentMakesTheRunExitOne) {
    Write("NodeInfo.ini", "[1234-002]\r\nDenom=9\r\n");
    const Result r = Run({"program-nodes"});
    EXPECT_EQ(r.status, cli::kExitRefused) << r.err << r.out;
    EXPECT_EQ(host->Requests().size(), 3u);
}

TEST_F(CliTest, RemoteGivesTheHostBackExactlyItsOwnSiteParametersAndNeedsNoFiles) {
    folder = dir.filePath("no/such").toStdString();
    const auto site = [this] {
        const auto memory = host->Memory().subspan(records::kSiteAddress, records::kSiteRecordSize);
        return std::vector<std::uint8_t>(memory.begin(), memory.end());
    };
    const std::vector<std::uint8_t> before = site();
    // The host's site record, the site message holding the count, 3 reads.
    StopAfter(5, SIGTERM);
    EXPECT_EQ(Run({"remote", "3", "nv"}).status, 143);
    const auto& frames = host->Requests();
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(frames[0][8], 0xD8); // the site record's address
    EXPECT_EQ(frames[1][9], 0);    // site parameters with no nodes
    EXPECT_EQ(site(), before);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("no")));

    // A site record the host does not give: nothing is sent at all.
    host->OnEachRequest({});
    host->ClearRequests();
    host->DropNextReply();
    signal = 0;
    link.reset();
    EXPECT_EQ(Run({"remote", "3", "poll"}).status, cli::kExitLink);
    EXPECT_EQ(host->Requests().size(), 1u);
}

TEST_F(CliTest, WhatTheFilesCannotSayIsRefusedBeforeAnythingIsSent) {
    const std::string utf16("\xFF\xFE[\0S\0]\0", 8);
    const std::string nodeText = dir.filePath("MyNodes.txt").toStdString();
    const std::string fifo = dir.filePath("fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* file; // written with `contents`, or removed; none: no folder
        std::optional<std::string> contents;
        std::vector<std::string> args;
        int status;
        const char* errHolds;
    };
    const Case cases[] = {
        {nullptr, {}, {"program"}, 2, "no/such: no such folder"},
        {nullptr, {}, {"masks"}, 2, "no/such: no such folder"},
        {"NodeInfo.ini", {}, {"verify"}, 2, "NodeInfo.ini: no such file"},
        {"Settings.ini", utf16, {"program"}, 2, "Settings.ini: is UTF-16 text"},
        {"MyNodes.txt", "9999\t001\n", {"program-nodes", "--from", nodeText}, 1, "nothing was"},
        {"fifo", "", {"log", "-o", fifo}, 2, "fifo: not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + (c.file ? c.file : "no folder"));
        WriteFiles();
        folder = c.file == nullptr ? dir.filePath("no/such").toStdString() : std::string();
        if (c.file != nullptr && !c.contents) {
            ASSERT_TRUE(QFile::remove(dir.filePath(c.file)));
        } else if (c.file != nullptr && c.file != std::string("fifo")) {
            Write(c.file, *c.contents);
        }
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.errHolds), std::string::npos) << r.err;
        EXPECT_TRUE(host->Requests().empty());
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("no")));
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(CliTest, ProgramSaysForEachPartWhetherTheHostAnswered) {
    host->OnEachRequest([](hostsim::SimulatedHost& h, std::span<const std::uint8_t> f) {
        if (f[0] == 12) { // the site parameters; the clock goes to device 13
            h.DropNextReply();
        }
    });
    const Result r = Run({"program", "--only", "clock,params"});
    EXPECT_EQ(r.status, cli::kExitLink);
    EXPECT_EQ(r.out,
              "Date and Time: sent, answered\nParameters and Printer: sent, no good reply\n");
    EXPECT_EQ(r.err, "program: the host gave no good reply: Timeout\n");
}

TEST_F(CliTest, AStoppedOrFailedRunListsWhatItDidNotReadAndKeepsTheOldOutputFile) {
    const std::string file = dir.filePath("out.txt").toStdString();
    const struct {
        std::vector<std::string> args;
        std::size_t stopAfter;
        int sig; // 0: a bad CRC instead of a stop
        int status;
        const char* unread; // named on standard error
        const char* summary;
    } cases[] = {
        {{"--json", "snapshot", "-o", file}, 3, SIGHUP, 129, "remote node record 3", ""},
        {{"log", "--csv", "-o", file}, 4, SIGINT, 130, "entries 32-39", ""},
        {{"verify"},
         2,
         SIGHUP,
         129,
         "not read: remote node record 2, remote node record 3, r",
         " in 2 of 5 records, 3 not read\n"},
        {{"verify"},
         2,
         0,
         3,
         "not read: remote node record 1\n",
         " in 4 of 5 records, 1 not read\n"},
        {{"snapshot", "-o", file}, 6, 0, 3, "not read: transaction log", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unread);
        Write("out.txt", "the last complete run");
        signal = 0;
        link.reset(); // a link asked to stop stays stopped
        host->ClearRequests();
        StopAfter(c.stopAfter, c.sig);
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.unread), std::string::npos) << r.err;
        EXPECT_EQ(windowtest::ReadFile(dir.filePath("out.txt")), "the last complete run");
        if (c.args.size() > 1) {
            EXPECT_NE(
                r.err.find("out.txt kept as it was; what was read is in " + file + ".partial"),
                std::string::npos);
            EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(file + ".partial")));
        }
        if (c.args[0] == "--json") {
            EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).isObject());
        }
        EXPECT_NE(r.out.find(c.summary), std::string::npos) << r.out;
    }
}

TEST(CliOptions, NodeListsMasksAndWhatIsRefused) {
    std::string why;
    EXPECT_EQ(cli::ParseNumberList("1-3,7,2", 1, 255, why), (std::vector<int>{1, 2, 3, 7}));
    for (const char* bad : {"", "0", "3-1", "1-256", "1,,2", "a", "1-"}) {
        EXPECT_FALSE(cli::ParseNumberList(bad, 1, 255, why).has_value()) << bad;
    }
    const auto masks =
        cli::ParseCliCommandLine({"masks", "--print", "0xFFFFFFFF", "--store", "-2147483648"});
    ASSERT_TRUE(masks.options) << masks.error;
    EXPECT_EQ(masks.options->printMask, 0xFFFFFFFFLL);
    EXPECT_EQ(masks.options->storeMask, -2147483648LL);
    for (const std::vector<std::string>& edge : {std::vector<std::string>{"read", "player", "255"},
                                                 {"snapshot", "-o", "f", "--players", "0"}}) {
        EXPECT_TRUE(cli::ParseCliCommandLine(edge).options) << edge[0];
    }

    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"ping", "site"}, "ping: takes no arguments"},
        {{"verify", "--json"}, "verify: takes no arguments"},
        {{"read", "node", "128"}, "(1 to 127)"},
        {{"read", "node", "0"}, "(1 to 127)"},
        {{"read", "site", "x"}, "needs site, node N or player N"},
        {{"program-nodes", "--nodes", "0"}, "within 1 to 255"},
        {{"log", "-o", ""}, "-o needs a file"},
        {{"snapshot", "--players", "1"}, "needs -o FILE"},
        {{"remote", "0", "poll"}, "(1 to 16)"},
        {{"remote", "17", "poll"}, "(1 to 16)"},
        {{"program", "--only", "clock,bonus"}, "unknown part \"bonus\""},
        {{"masks", "--print", "0x100000000"}, "32-bit mask"},
        {{"masks", "--store", "4294967296"}, "32-bit mask"},
        {{"masks", "--store", "-2147483649"}, "32-bit mask"},
        // The options shared with orvane go through its parser.
        {{"--simulate", "--device", "tty:/dev/x", "ping"}, "contradict each other"},
        {{"--json"}, "no command given"},
    };
    for (const auto& [args, says] : refused) {
        const cli::CliParse parsed = cli::ParseCliCommandLine(args);
        EXPECT_FALSE(parsed.options.has_value()) << says;
        EXPECT_NE(parsed.error.find(says), std::string::npos) << parsed.error;
    }
}

} // namespace
