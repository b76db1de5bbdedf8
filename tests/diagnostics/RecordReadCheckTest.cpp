#include "diagnostics/RecordReadCheck.h"

#include <gtest/gtest.h>

using records::CheckRecordReply;

namespace {

TEST(RecordReadCheck, ShowsOnlyRepliesThatHoldTheRecord) {
    const auto good = CheckRecordReply(ExchangeOutcome::Ok, 47, "  OK", "player record 3", 24);
    EXPECT_TRUE(good.show);
    EXPECT_TRUE(good.note.empty());

    const auto timeout =
        CheckRecordReply(ExchangeOutcome::Timeout, 0, "  Timeout", "player record 3", 24);
    EXPECT_FALSE(timeout.show);
    EXPECT_EQ(timeout.note, "Could not read the player record 3: Timeout");

    const auto status = CheckRecordReply(ExchangeOutcome::Status, 0, "  Status = I/O Error",
                                         "site parameter record", 98);
    EXPECT_FALSE(status.show);
    EXPECT_EQ(status.note, "Could not read the site parameter record: Status = I/O Error");

    // A complete frame that is too short for the record (the rest of the
    // buffer is left over from an earlier reply).
    const auto shortReply =
        CheckRecordReply(ExchangeOutcome::Ok, 110, "  OK", "site parameter record", 98);
    EXPECT_FALSE(shortReply.show);
    EXPECT_EQ(shortReply.note, "Could not read the site parameter record: reply of 110 bytes, "
                               "113 needed");

    const auto crc =
        CheckRecordReply(ExchangeOutcome::CrcError, 111, "  CRC?", "remote node record 5", 96);
    EXPECT_TRUE(crc.show);
    EXPECT_EQ(crc.note,
              "CRC error in the reply for the remote node record 5; the values below may be wrong");

    for (ExchangeOutcome outcome : {ExchangeOutcome::None, ExchangeOutcome::TooLong,
                                    ExchangeOutcome::BadLength, ExchangeOutcome::Busy}) {
        EXPECT_FALSE(CheckRecordReply(outcome, 201, "", "player record 0", 24).show);
    }
}

} // namespace
