// orvane-cli runs one after the other against a host that answers after the
// reply time-out: a reply to the earlier run's request, arriving while the
// next run waits, is never the next run's answer.

#include "CliProcessSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

using clitest::Finished;
using clitest::RunCli;

TEST(CliLateReply, AReplyToTheLastRunIsNeverTheNextRunsAnswer) {
    struct Case {
        int lateMs;
        QStringList first;
        QStringList second;
    };
    const Case cases[] = {
        {600, {"read", "node", "3"}, {"read", "node", "4"}},
        {900, {"read", "node", "3"}, {"read", "node", "4"}},
        {900, {"read", "player", "1"}, {"masks", "--print", "1", "--store", "1"}},
    };
    for (const Case& c : cases) {
        const QString trace = QString::number(c.lateMs) + " ms: " + c.first.join(' ') + ", then " +
                              c.second.join(' ');
        SCOPED_TRACE(trace.toStdString());
        clitest::HostsimOnPty host({"--delay-ms", QString::number(c.lateMs)});
        ASSERT_TRUE(host.Path().startsWith("/dev/")) << host.Path().toStdString();
        QTemporaryDir folder;
        const QStringList common{"--device", "tty:" + host.Path(), "--folder", folder.path()};

        // Every reply comes after the time-out: both runs time out, and
        // the second says nothing on standard output.
        const Finished first = RunCli(common + c.first);
        EXPECT_EQ(first.status, 3) << first.out.toStdString();
        const Finished second = RunCli(common + c.second);
        EXPECT_EQ(second.status, 3) << second.out.toStdString();
        EXPECT_TRUE(second.out.isEmpty()) << second.out.toStdString();
    }
}

} // namespace
