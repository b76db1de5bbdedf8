// Reply reception: the outcome line of every kind of exchange, replies that
// arrive in pieces or are too long, and requests made while one waits.
#include "LinkTestSupport.h"

#include "link/LinkSequence.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

namespace {

using Bytes = std::vector<std::uint8_t>;

QString HexLine(const Bytes& bytes) {
    QString line;
    for (std::uint8_t b : bytes) {
        line += QString("%1 ").arg(b, 2, 16, QChar('0')).toUpper();
    }
    return line;
}

class LinkReception : public ::testing::Test, protected LinkFixtureBase {
protected:
    void SetUp() override {
        Start();
        LinkLog::Instance().Clear();
    }
    void TearDown() override { Stop(); }
};

TEST_F(LinkReception, GoodReplyIsDumpedAndMarkedOk) {
    Bytes sent;
    device->answer = [&](const Bytes& r) { return sent = EchoReply(r, {0x34, 0x12}); };
    link->ReadInputs();
    ASSERT_EQ(LogLines().size(), 1);
    EXPECT_EQ(LogLines()[0], HexLine(sent) + "  OK");
    const auto reply = link->RcvData();
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), reply.begin()));
}

TEST_F(LinkReception, ChangedByteIsLoggedAsCrcErrorAndStillReturned) {
    Bytes sent;
    device->answer = [&](const Bytes& r) {
        sent = EchoReply(r, {0x34, 0x12});
        sent[7] ^= 0x01;
        return sent;
    };
    EXPECT_EQ(link->ReadInputs(), 0x1235);
    EXPECT_EQ(LogLines()[0], HexLine(sent) + "  CRC?");
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::CrcError);
}

TEST_F(LinkReception, NoReplyTimesOutAfterHalfASecond) {
    QElapsedTimer clock;
    clock.start();
    link->ReadInputs();
    EXPECT_EQ(LogLines(), QStringList{"  Timeout"});
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Timeout);
    EXPECT_EQ(link->LastReplyBytes(), 0);
    // The link gave up only when the 500 ms timer ran out, not before.
    EXPECT_GE(clock.elapsed(), 490);
    // The wait slept on the device between polls instead of polling flat out.
    EXPECT_LT(device->queueStatusCalls, 500);
}

TEST_F(LinkReception, PartOfAReplyIsWaitedOnWithoutSpinning) {
    // Half a header, later half a body: the wait sleeps until more comes,
    // rather than returning at once because some bytes are queued.
    for (const std::size_t part : {std::size_t{3}, std::size_t{12}}) {
        device->queueStatusCalls = 0;
        device->answer = [part](const Bytes& r) {
            Bytes sent = EchoReply(r, Bytes(20, 0x11));
            sent.resize(part);
            return sent;
        };
        link->ReadInputs();
        EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Timeout) << part;
        EXPECT_LT(device->queueStatusCalls, 200) << part;
    }
}

TEST_F(LinkReception, LateBytesAreLoggedAndDroppedBeforeTheNextRequest) {
    // The first read gets no reply in time; its reply turns up afterwards.
    link->NovRamRead(0xB820, 32);
    ASSERT_EQ(link->LastOutcome(), ExchangeOutcome::Timeout);
    const Bytes late = EchoReply(device->written.back(), {0x01, 0x02});
    device->queue.assign(late.begin(), late.end());

    Bytes sent;
    device->answer = [&](const Bytes& r) { return sent = EchoReply(r, {0x05, 0x00}); };
    EXPECT_EQ(link->ReadInputs(), 5);
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1], "Discarded 11 late bytes: " + HexLine(late));
    EXPECT_EQ(lines[2], HexLine(sent) + "  OK");
}

TEST_F(LinkReception, LengthOf0x8000OrMoreEndsAtOnceAsTimeout) {
    device->answer = [](const Bytes& r) { return Bytes{r[0], 0x10, 0x80, r[3], 0, 0, r[6]}; };
    link->ReadInputs();
    // No wait for a body: the flush before the request, one poll of the
    // header wait and the flush after it.
    EXPECT_LE(device->queueStatusCalls, 4);
    EXPECT_EQ(LogLines()[0], "03 10 80 01 00 00 05   Timeout");
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Timeout);
}

TEST_F(LinkReception, FailingQueueStatusIsLoggedOnceAndEndsTheWait) {
    // The flush before the request polls once too; fail the first poll of
    // the wait, armed when the request is written.
    device->answer = [&](const Bytes& r) {
        device->failQueueStatusOnce = platform::FT_IO_ERROR;
        return EchoReply(r, {1, 2});
    };
    link->ReadInputs();
    EXPECT_EQ(LogLines(),
              (QStringList{"Error 4, I/O Error opening USB direct port", "  Status = I/O Error"}));
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Status);
    EXPECT_EQ(link->LastStatus(), platform::FT_IO_ERROR);
}

TEST_F(LinkReception, ReplyInPiecesIsAssembled) {
    Bytes sent;
    device->pieceSize = 3;
    device->answer = [&](const Bytes& r) { return sent = EchoReply(r, Bytes(40, 0x77)); };
    link->NovRamRead(0x8800, 34);
    EXPECT_EQ(LogLines()[0], HexLine(sent) + "  OK");
    EXPECT_EQ(link->LastReplyBytes(), 49);
}

TEST_F(LinkReception, BytesAfterTheFrameAreNotPartOfTheReply) {
    Bytes sent;
    device->answer = [&](const Bytes& r) {
        sent = EchoReply(r, {0x34, 0x12});
        Bytes withTail = sent;
        withTail.insert(withTail.end(), {0xDE, 0xAD});
        return withTail;
    };
    link->ReadInputs();
    EXPECT_EQ(LogLines()[0], HexLine(sent) + "  OK");
    // The tail was discarded, so the next exchange starts clean.
    device->answer = [&](const Bytes& r) { return sent = EchoReply(r, {0x01, 0x00}); };
    EXPECT_EQ(link->ReadInputs(), 1);
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
}

TEST_F(LinkReception, OversizedReplyIsCutToTheBufferAndNotOk) {
    // A frame that fills the buffer exactly is whole.
    device->answer = [](const Bytes& r) { return EchoReply(r, Bytes(192, 0x55)); };
    link->NovRamRead(0xB800, 32);
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
    EXPECT_EQ(link->LastReplyBytes(), clsUSBInterface::kReplySize);
    LinkLog::Instance().Clear();

    // A valid frame of 260 bytes: larger than the receive area and the buffer.
    Bytes sent;
    device->answer = [&](const Bytes& r) { return sent = EchoReply(r, Bytes(251, 0x55)); };
    const auto reply = link->NovRamRead(0xB800, 32);
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::TooLong);
    EXPECT_EQ(link->LastReplyBytes(), clsUSBInterface::kReplySize);
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), sent.begin()));
    EXPECT_TRUE(LogLines()[0].endsWith("55   Too long"));

    // The surplus is gone: the next exchange is clean.
    device->answer = [](const Bytes& r) { return EchoReply(r, {0x02, 0x00}); };
    EXPECT_EQ(link->ReadInputs(), 2);
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
}

TEST_F(LinkReception, LargeQueuedInputIsFlushedInPieces) {
    device->queue.assign(1000, 0xAB);
    link->FlushRcv();
    EXPECT_TRUE(device->queue.empty());
}

TEST_F(LinkReception, LengthBelowAnEmptyFrameReadsNoGarbage) {
    device->answer = [](const Bytes& r) {
        return Bytes{r[0], 0x05, 0x00, r[3], 0, 0, r[6], 0xEE, 0xEE, 0xEE};
    };
    link->ReadInputs();
    EXPECT_EQ(LogLines()[0], "03 05 00 01 00 00 05   Bad length");
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::BadLength);
    EXPECT_EQ(link->LastReplyBytes(), 7);
}

TEST_F(LinkReception, SecondExchangeWhileOneWaitsIsRefused) {
    device->pieceSize = 1; // the reply trickles in, so the wait spans many events
    device->answer = [](const Bytes& r) { return EchoReply(r, {0x34, 0x12}); };

    ExchangeOutcome innerOutcome = ExchangeOutcome::None;
    bool busyDuringInner = false;
    std::uint8_t innerStatusByte = 0;
    std::int16_t innerTamber = 0;
    QTimer::singleShot(0, [&] {
        busyDuringInner = link->IsBusy();
        // The refusal never reads as a good reply: non-zero status byte.
        innerStatusByte = link->NovRamRead(0xD800, 128)[clsUSBInterface::kReplyStatusOffset];
        innerOutcome = link->LastOutcome();
        innerTamber = link->SendTamberCmnd(3, 1, 0);
    });
    EXPECT_EQ(link->ReadInputs(), 0x1234);

    EXPECT_TRUE(busyDuringInner);
    EXPECT_EQ(innerOutcome, ExchangeOutcome::Busy);
    EXPECT_NE(innerStatusByte, 0);
    EXPECT_EQ(innerTamber, -1);
    EXPECT_EQ(device->written.size(), 1u); // the refused request never went out
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("Exchange refused"));
    EXPECT_TRUE(lines[1].startsWith("Exchange refused"));
    EXPECT_TRUE(lines[2].endsWith("  OK"));
    EXPECT_FALSE(link->IsBusy());
}

TEST_F(LinkReception, ASequenceHoldsTheLinkUntilItEndsAndStopsOnRequest) {
    int idle = 0;
    QObject::connect(link.get(), &clsUSBInterface::Idle, [&idle] { ++idle; });
    device->answer = [](const Bytes& r) { return EchoReply(r, {0x34, 0x12}); };
    {
        LinkSequence run(link.get());
        ASSERT_TRUE(run.Claimed());
        EXPECT_FALSE(run.ShouldStop());
        link->ReadInputs(); // the run's own exchanges go
        EXPECT_EQ(idle, 0); // still held
        LinkSequence second(link.get());
        EXPECT_FALSE(second.Claimed());
        EXPECT_STREQ(second.RefusalText(), LinkSequence::kRefusedText);
        EXPECT_TRUE(second.ShouldStop());
        link->RequestStop();
        EXPECT_TRUE(run.ShouldStop());
    }
    EXPECT_EQ(idle, 1);
    EXPECT_FALSE(link->InUse());
    link->ClearStopRequest();
    LinkSequence again(link.get());
    EXPECT_TRUE(again.Claimed());
    EXPECT_FALSE(again.ShouldStop());

    LinkSequence none(nullptr);
    EXPECT_FALSE(none.Claimed());
    EXPECT_STREQ(none.RefusalText(), LinkSequence::kNoLinkText);
}

} // namespace
