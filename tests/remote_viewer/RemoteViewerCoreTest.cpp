// The remote node viewer's core: its lines against worked values, and the
// runs behind its buttons against a scripted node.
#include "remote_viewer/RemoteViewerCore.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace remoteview;

namespace {

struct Sent {
    std::int32_t cmnd;
    std::int32_t cnt;
    bool operator==(const Sent&) const = default;
};

// A reply of node `node` with `status` and the 32-bit `value` at byte 12.
FieldReply NodeReply(std::uint8_t node, std::int32_t cmnd, std::uint8_t status,
                     std::uint32_t value) {
    clsUSBInterface::ReplyBuffer b{};
    b[7] = 5;
    b[8] = 7;
    b[9] = node;
    b[10] = static_cast<std::uint8_t>(cmnd);
    b[11] = status;
    for (int i = 0; i < 4; ++i) {
        b[static_cast<std::size_t>(12 + i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return FieldReply::Answered(b);
}

// A node that answers through `answer` and records what it was sent and
// what the window would show.
class ScriptedSession : public FieldSession {
public:
    std::function<FieldReply(int call, std::int32_t cmnd, std::int32_t cnt)> answer =
        [](int, std::int32_t cmnd, std::int32_t cnt) {
            return NodeReply(7, cmnd, 0, static_cast<std::uint32_t>(cnt));
        };
    int stopAfter = -1; // ShouldStop() turns true once this many were sent
    std::vector<Sent> sent;
    std::string text;
    std::vector<std::string> history; // every SetText, in order

    FieldReply Send(std::int32_t cmnd, std::int32_t cnt) override {
        sent.push_back({cmnd, cnt});
        return answer(static_cast<int>(sent.size()), cmnd, cnt);
    }
    bool ShouldStop() override {
        return stopAfter >= 0 && static_cast<int>(sent.size()) >= stopAfter;
    }
    void Display(const std::string& more) override { text += more; }
    void SetText(const std::string& all) override {
        text = all;
        history.push_back(all);
    }
};

} // namespace

TEST(RemoteViewerLines, BufferLineStaysInsideTheBufferAndTheOutputIsEmptiedPast20000) {
    const std::vector<std::uint8_t> bytes{0x00, 0x0A, 0x1C, 0xFF, 0x7F};
    EXPECT_EQ(BufferLine(bytes, 0, 5), "00 0A 1C FF 7F \r\n");
    EXPECT_EQ(BufferLine(bytes, 3, 7), "FF 7F \r\n");
    EXPECT_EQ(BufferLine(bytes, -2, 3), "00 \r\n");
    EXPECT_EQ(BufferLine(bytes, 1, 0), "\r\n");
    // The output is emptied only once it holds more than 20000 characters.
    EXPECT_FALSE(MustEmptyBeforeAppend(20000));
    EXPECT_TRUE(MustEmptyBeforeAppend(20001));
}

TEST(RemoteViewerLines, ErrorCountsListOnlyNonZeroCountersWithTheirTexts) {
    std::array<std::int32_t, 22> counts{};
    EXPECT_EQ(ErrorCountsText(counts), "No Errors\r\n");
    counts[0] = 1; // "No error" above 0 is listed like any other
    counts[3] = 12;
    counts[21] = 123456;
    EXPECT_EQ(ErrorCountsText(counts),
              "00 = 00001  No error\r\n"
              "03 = 00012  UART framing error\r\n"
              "21 = 123456  Card reader Longitudinal Redundancy Check bad\r\n");
    EXPECT_EQ(ErrorText(22), "Err Last");
    EXPECT_EQ(ErrorText(-1), "");
    EXPECT_EQ(ErrorText(23), "");
}

TEST(RemoteViewerRuns, PollShowsThisRepliesBytesOrWhyThereAreNone) {
    ScriptedSession s;
    s.text = "before\r\n";
    s.answer = [](int, std::int32_t cmnd, std::int32_t) { return NodeReply(14, cmnd, 2, 0); };
    EXPECT_EQ(PollRemote(s), 0);
    EXPECT_EQ(s.sent, (std::vector<Sent>{{1, 0}}));
    // A non-zero node status is this reply's and shown as it is.
    EXPECT_EQ(s.text, "before\r\n0E 01 02 00 00 00 00 \r\n");

    s.answer = [](int, std::int32_t, std::int32_t) {
        return FieldReply::Failed(FailureReason(ExchangeOutcome::CrcError));
    };
    PollRemote(s);
    EXPECT_EQ(s.text,
              "before\r\n0E 01 02 00 00 00 00 \r\nNo answer: the reply failed its CRC check\r\n");
}

TEST(RemoteViewerRuns, GetCountsPollsLatchesReadsEightCountersAndShowsThem) {
    ScriptedSession s;
    s.text = "old";
    s.answer = [](int, std::int32_t cmnd, std::int32_t cnt) {
        if (cmnd == 3 && cnt == 2) {
            return FieldReply::Failed(FailureReason(ExchangeOutcome::Timeout));
        }
        // Bit 31 of a counter is not part of its value.
        return NodeReply(7, cmnd, 0,
                         cmnd == 3 ? 0x80000000u + 1000u * static_cast<unsigned>(cnt) : 0);
    };
    EXPECT_EQ(GetCounts(s), 0);
    std::vector<Sent> expected{{1, 0}, {2, 255}};
    for (int i = 0; i < 8; ++i) {
        expected.push_back({3, i});
    }
    EXPECT_EQ(s.sent, expected);
    EXPECT_EQ(s.text, "07 01 00 00 00 00 00 \r\n"
                      "07 02 00 00 00 00 00 \r\n"
                      "07 03 00 00 00 00 80 \r\n"
                      "07 03 00 E8 03 00 80 \r\n"
                      "No answer: the host did not reply within 500 ms\r\n"
                      "07 03 00 B8 0B 00 80 \r\n"
                      "07 03 00 A0 0F 00 80 \r\n"
                      "07 03 00 88 13 00 80 \r\n"
                      "07 03 00 70 17 00 80 \r\n"
                      "07 03 00 58 1B 00 80 \r\n"
                      "\r\n"
                      "0000000000 0000001000 ---------- 0000003000 \r\n"
                      "0000004000 0000005000 0000006000 0000007000 \r\n");
}

TEST(RemoteViewerRuns, DumpNVReadsThirtyTwoBlocksErrorCountsTwentyTwoClearSaysSuccess) {
    ScriptedSession s;
    s.answer = [](int, std::int32_t cmnd, std::int32_t cnt) {
        const auto b = static_cast<std::uint32_t>(cnt);
        return NodeReply(7, cmnd, 0, b | (b + 1) << 8 | (b + 2) << 16 | (b + 3) << 24);
    };
    EXPECT_EQ(DumpNV(s), 0);
    ASSERT_EQ(s.sent.size(), 32u);
    EXPECT_EQ(s.sent.front(), (Sent{28, 0}));
    EXPECT_EQ(s.sent.back(), (Sent{28, 124}));
    EXPECT_EQ(s.history.front(), "Busy...");
    EXPECT_EQ(s.text.substr(0, 50), "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \r\n");
    EXPECT_EQ(s.text.size(), 400u);

    ScriptedSession errors;
    errors.answer = [](int, std::int32_t cmnd, std::int32_t cnt) {
        return NodeReply(7, cmnd, 0, cnt == 3 ? 12 : 0);
    };
    EXPECT_EQ(DumpRemoteErrorCounts(errors), 0);
    ASSERT_EQ(errors.sent.size(), 22u);
    EXPECT_EQ(errors.sent.back(), (Sent{29, 21}));
    EXPECT_EQ(errors.text, "03 = 00012  UART framing error\r\n");

    ScriptedSession clear;
    clear.text = "old";
    ClearRemoteErrorCounts(clear);
    EXPECT_EQ(clear.text, "Success\r\n");
}

TEST(RemoteViewerRuns, DumpsShowOnlyTheErrorLineWhenACommandFails) {
    const std::string error = "Remote node communication error\r\n";
    // The twelfth command: a node status, then a link failure, in each dump.
    for (bool linkFails : {false, true}) {
        const auto failTwelfth = [linkFails](int call, std::int32_t cmnd, std::int32_t) {
            if (call == 12) {
                return linkFails ? FieldReply::Failed(FailureReason(ExchangeOutcome::Timeout))
                                 : NodeReply(7, cmnd, 2, 0x11111111);
            }
            return NodeReply(7, cmnd, 0, 0x01020304);
        };
        ScriptedSession nv;
        nv.answer = failTwelfth;
        EXPECT_EQ(DumpNV(nv), 0);
        EXPECT_EQ(nv.sent.size(), 12u);
        EXPECT_EQ(nv.text, error);

        ScriptedSession errors;
        errors.answer = failTwelfth;
        EXPECT_EQ(DumpRemoteErrorCounts(errors), 0);
        EXPECT_EQ(errors.sent.size(), 12u);
        EXPECT_EQ(errors.text, error);

        ScriptedSession clear;
        clear.answer = [linkFails](int, std::int32_t cmnd, std::int32_t) {
            return linkFails ? FieldReply::Failed("x") : NodeReply(7, cmnd, 1, 0);
        };
        ClearRemoteErrorCounts(clear);
        EXPECT_EQ(clear.sent, (std::vector<Sent>{{30, 0}}));
        EXPECT_EQ(clear.text, error);
    }
}

TEST(RemoteViewerRuns, AStopRequestEndsARunAtTheNextCommandAndSaysWhatWasNotSent) {
    ScriptedSession nv;
    nv.stopAfter = 5;
    EXPECT_EQ(DumpNV(nv), 27);
    EXPECT_EQ(nv.sent.size(), 5u);
    EXPECT_EQ(nv.text, "Stopped: the program is closing; 27 of 32 commands not sent\r\n");

    ScriptedSession counts;
    counts.stopAfter = 1;
    EXPECT_EQ(GetCounts(counts), 9);

    ScriptedSession errors;
    errors.stopAfter = 21;
    EXPECT_EQ(DumpRemoteErrorCounts(errors), 1);

    // The first command of a run always goes out.
    ScriptedSession first;
    first.stopAfter = 0;
    EXPECT_EQ(DumpNV(first), 31);
    EXPECT_EQ(first.sent.size(), 1u);
}
