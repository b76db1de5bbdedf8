#include "common/LinkLog.h"
#include "common/codeCommon.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace {

TEST(LinkLog, CutsOnlyPastTheLimit) {
    LinkLog& log = LinkLog::Instance();

    QString exactly(LinkLog::kLimit, QChar('a'));
    log.SetText(exactly);
    AppendStatusText("x\r\n");
    EXPECT_EQ(log.Text().size(), LinkLog::kLimit + 3);
    EXPECT_TRUE(log.Text().endsWith("ax\r\n"));

    QString over(LinkLog::kLimit + 1, QChar('a'));
    over[over.size() - LinkLog::kKeep] = QChar('b'); // first kept character
    log.SetText(over);
    QSignalSpy spy(&log, &LinkLog::Appended);
    AppendStatusText("line\r\n");
    EXPECT_EQ(log.Text().size(), LinkLog::kKeep + 6);
    EXPECT_TRUE(log.Text().startsWith('b'));
    EXPECT_TRUE(log.Text().endsWith("line\r\n"));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_TRUE(spy.at(0).at(1).toBool()); // reported as cut

    log.Clear();
    EXPECT_TRUE(log.Text().isEmpty());
}

} // namespace
