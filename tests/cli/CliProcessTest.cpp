// The orvane-cli executable itself: over a pseudo-terminal served by
// orvane-hostsim as over /dev/ttyUSB0, and with no display at all.

#include "CliProcessSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using clitest::Finished;
using clitest::RunCli;

TEST(CliProcess, CommandsOverAPseudoTerminalServedByHostsim) {
    clitest::HostsimOnPty hostsim;
    const QString path = hostsim.Path();
    ASSERT_TRUE(path.startsWith("/dev/")) << path.toStdString();
    QTemporaryDir folder;
    const QStringList common{"--device", "tty:" + path, "--folder", folder.path()};
    // A host just started may miss its first reply time-out on a busy
    // machine: the cases start once it has answered.
    for (int i = 0; i < 20 && RunCli(common + QStringList{"--quiet", "ping"}).status != 0; ++i) {
    }

    struct Case {
        QStringList args;
        int status;
        QString outStart;
    };
    const Case cases[] = {
        {{"--json", "ping"}, 0, "{\n    \"inputWord\": 4660\n}"},
        {{"read", "site"}, 0, "Tag 1                            0x"},
        {{"--quiet", "masks", "--print", "0", "--store", "0"}, 0, ""},
        {{"read", "bogus"}, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Finished f = RunCli(common + c.args);
        EXPECT_EQ(f.status, c.status) << f.err.toStdString();
        if (c.outStart.isEmpty()) {
            EXPECT_TRUE(f.out.isEmpty()) << f.out.toStdString();
        } else {
            EXPECT_TRUE(f.out.startsWith(c.outStart)) << f.out.toStdString();
        }
    }
    hostsim.Stop();

    // The same device with nothing behind it: the open fails, exit 3.
    const Finished gone = RunCli(common + QStringList{"ping"});
    EXPECT_EQ(gone.status, 3);
    EXPECT_TRUE(gone.err.contains("could not be opened")) << gone.err.toStdString();
}

TEST(CliProcess, AFolderThatIsNotThereIsNeverMade) {
    QTemporaryDir tmp;
    const Finished f = RunCli({"--simulate", "--folder", tmp.filePath("no/such"), "verify"});
    EXPECT_EQ(f.status, 2);
    EXPECT_TRUE(f.err.contains("no such folder")) << f.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("no")));
}

TEST(CliProcess, HelpAndVersionNeedNoDevice) {
    const Finished help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("program-nodes [--nodes 1-40,45]"));
    EXPECT_EQ(RunCli({"--version"}).out.left(11), "orvane-cli ");
}

} // namespace
