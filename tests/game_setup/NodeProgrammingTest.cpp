// How a node's exchange is judged, and the summary of a programming run.
#include "game_setup/NodeProgramming.h"

#include <gtest/gtest.h>

namespace gamesetup {
namespace {

// A node is programmed when its exchange ended with a well-formed reply and
// a good CRC, whatever the reply carried; anything else says why not.
TEST(SendFailure, OnlyTheExchangeOutcomeCounts) {
    const struct {
        ExchangeOutcome outcome;
        const char* text;
        std::optional<std::string> why;
    } cases[] = {
        {ExchangeOutcome::Ok, "  OK", std::nullopt},
        {ExchangeOutcome::Timeout, "  Timeout", "no reply (time-out)"},
        {ExchangeOutcome::CrcError, "  CRC?",
         "CRC error in the reply; the host may not have taken it"},
        {ExchangeOutcome::Busy, "  Busy", "link failure (Busy)"},
        {ExchangeOutcome::None, "", "no connection to the host"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SendFailure(c.outcome, c.text), c.why);
    }
}

TEST(RunSummary, SaysHowManyWereAcceptedAndWhyOthersWereNotTheLogNamesEveryFailure) {
    ProgramRun accepted{3, 3, {}};
    EXPECT_EQ(RunSummary(accepted, 10), "The host accepted all 3 nodes.");

    ProgramRun some{4, 2, {{2, "no reply (time-out)"}, {4, "link failure (Busy)"}}};
    EXPECT_EQ(RunSummary(some, 10), "The host accepted 2 of 4 nodes. These were not programmed:\n"
                                    "\nNode 2: no reply (time-out)"
                                    "\nNode 4: link failure (Busy)");

    // The status line and the box stop naming failures after the first
    // dozen; the link log keeps every one.
    ProgramRun run{14, 0, {}};
    for (int n = 1; n <= 14; ++n) {
        run.failures.push_back({n, "no reply (time-out)"});
    }
    const RunReport all = ReportAll(run);
    EXPECT_TRUE(all.box.warning);
    EXPECT_EQ(all.box.text, all.status);
    EXPECT_NE(all.status.find("\nNode 12: "), std::string::npos);
    EXPECT_EQ(all.status.find("\nNode 13: "), std::string::npos);
    EXPECT_TRUE(all.status.ends_with("\n... and 2 more"));
    EXPECT_EQ(all.log.rfind("Program All: No node was programmed", 0), 0u);
    EXPECT_TRUE(all.log.ends_with("\nNode 14: no reply (time-out)\r\n"));

    const RunReport one = ReportSelected(3, "no reply (time-out)");
    EXPECT_EQ(one.status, "The node was NOT programmed:\n\nNode 3: no reply (time-out)");
    EXPECT_EQ(one.log, one.status + "\r\n");
    EXPECT_TRUE(one.box.warning);
    EXPECT_EQ(one.box.text, one.status);
}

} // namespace
} // namespace gamesetup
