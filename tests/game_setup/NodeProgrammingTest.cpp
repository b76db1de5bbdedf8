// How a node's exchange is judged, and the summary of a programming run.
#include "game_setup/NodeProgramming.h"

#include <gtest/gtest.h>

namespace gamesetup {
namespace {

clsUSBInterface::ReplyBuffer AckWithStatus(std::uint8_t status) {
    clsUSBInterface::ReplyBuffer reply{};
    reply[7] = 8;
    reply[8] = 3;
    reply[11] = status;
    return reply;
}

TEST(SendFailure, OnlyAGoodReplyWithStatusZeroIsAccepted) {
    const auto ok = AckWithStatus(0);
    EXPECT_FALSE(SendFailure(ExchangeOutcome::Ok, 14, ok, "  OK").has_value());
    EXPECT_EQ(SendFailure(ExchangeOutcome::Ok, 14, AckWithStatus(1), "  OK"),
              "refused by the host (status 1)");
    // The status byte must have arrived: a reply of 13 bytes ends before it
    // and its CRC.
    EXPECT_EQ(SendFailure(ExchangeOutcome::Ok, 13, ok, "  OK"),
              "reply too short to hold the host's status");
    EXPECT_EQ(SendFailure(ExchangeOutcome::Timeout, 0, ok, "  Timeout"), "no reply (time-out)");
    EXPECT_EQ(SendFailure(ExchangeOutcome::CrcError, 14, ok, "  CRC?"),
              "CRC error in the reply; the host may not have taken it");
    EXPECT_EQ(SendFailure(ExchangeOutcome::Busy, 0, ok, "  Busy"), "link failure (Busy)");
    EXPECT_EQ(SendFailure(ExchangeOutcome::None, 0, ok, ""), "no connection to the host");
}

TEST(RunSummary, SaysHowManyWereAcceptedAndWhyOthersWereNot) {
    ProgramRun all{3, 3, {}};
    EXPECT_EQ(RunSummary(all, 10), "The host accepted all 3 nodes.");

    ProgramRun some{4, 2, {{2, "no reply (time-out)"}, {4, "refused by the host (status 1)"}}};
    EXPECT_EQ(RunSummary(some, 10), "The host accepted 2 of 4 nodes. These were not programmed:\n"
                                    "\nNode 2: no reply (time-out)"
                                    "\nNode 4: refused by the host (status 1)");
    EXPECT_EQ(RunSummary(some, 1), "The host accepted 2 of 4 nodes. These were not programmed:\n"
                                   "\nNode 2: no reply (time-out)"
                                   "\n... and 1 more");

    ProgramRun none{2, 0, {{1, "no reply (time-out)"}, {2, "no reply (time-out)"}}};
    EXPECT_FALSE(none.AllAccepted());
    EXPECT_EQ(RunSummary(none, 10).rfind("No node was programmed", 0), 0u);
}

} // namespace
} // namespace gamesetup
