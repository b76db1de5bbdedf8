// Reply reception: the outcome line of every kind of exchange, replies that
// arrive in pieces or are too long, and requests made while one waits.
#include "LinkTestSupport.h"

#include "link/LinkSequence.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The bytes as the log shows them: "XX " each.
QString HexLine(const Bytes& bytes) {
    const QByteArray raw(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
    return QString::fromLatin1(raw.toHex(' ').toUpper() + ' ');
}

class LinkReception : public ::testing::Test, protected LinkFixtureBase {
protected:
    void SetUp() override {
        Start();
        LinkLog::Instance().Clear();
    }
    void TearDown() override { Stop(); }
};

TEST_F(LinkReception, EachKindOfReplyGetsItsOutcomeAndLogLine) {
    // Each case spoils the good reply, or not.
    struct Case {
        const char* what;
        std::function<void(Bytes&)> spoil;
        ExchangeOutcome outcome;
        int replyBytes;
        const char* text;
        int mostPolls;
    };
    const Case cases[] = {
        {"good", [](Bytes&) {}, ExchangeOutcome::Ok, 11, "OK", 5},
        {"bytes after the frame", [](Bytes& b) { b.insert(b.end(), {0xDE, 0xAD}); },
         ExchangeOutcome::Ok, 11, "OK", 5},
        {"a changed byte", [](Bytes& b) { b[7] ^= 0x01; }, ExchangeOutcome::CrcError, 11, "CRC?",
         5},
        // No wait for a body: the flush before the request, one poll of
        // the header wait and the flush after it.
        {"a length of 0x8000 or more", [](Bytes& b) { b = {b[0], 0x10, 0x80, b[3], 0, 0, b[6]}; },
         ExchangeOutcome::Timeout, 7, "Timeout", 4},
        {"a length one below an empty frame",
         [](Bytes& b) { b = {b[0], 0x08, 0x00, b[3], 0, 0, b[6], 0xEE, 0xEE}; },
         ExchangeOutcome::BadLength, 7, "Bad length", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LinkLog::Instance().Clear();
        device->queueStatusCalls = 0;
        Bytes sent;
        device->answer = [&](const Bytes& r) {
            sent = EchoReply(r, {0x34, 0x12});
            c.spoil(sent);
            return sent;
        };
        const std::uint16_t value = link->ReadInputs();
        EXPECT_EQ(link->LastOutcome(), c.outcome);
        EXPECT_EQ(link->LastReplyBytes(), c.replyBytes);
        EXPECT_LE(device->queueStatusCalls, c.mostPolls);
        sent.resize(static_cast<std::size_t>(c.replyBytes));
        EXPECT_EQ(LogLines(), QStringList{HexLine(sent) + "  " + c.text});
        if (c.replyBytes == 11) {
            EXPECT_EQ(value, sent[7] | sent[8] << 8) << "the value is returned even with a bad CRC";
        }
        // Nothing of the reply is left for the next exchange.
        device->answer = [](const Bytes& r) { return EchoReply(r, {0x02, 0x00}); };
        EXPECT_EQ(link->ReadInputs(), 2);
        EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
    }
}

// What reaches the line outside an exchange never passes for the next
// reply: the rest of a frame after a bad CRC, a reply still trickling in
// after its time-out (each piece restarting the wait for a quiet line), a
// byte left over; all of it is dropped, counted and logged.
TEST_F(LinkReception, WhatArrivesBetweenExchangesIsDroppedAndCounted) {
    struct Case {
        const char* what;
        std::function<Bytes(ScriptedDevice&, const Bytes&)> first;
        int dropped;
        Bytes between; // queued after the first exchange
    };
    const Case cases[] = {
        {"the rest of a frame after a bad CRC",
         [](ScriptedDevice& d, const Bytes& r) {
             Bytes sent = EchoReply(r, {0x34, 0x12});
             sent[7] ^= 0x01;
             d.SendLater(300, {0xC1, 0xC2});
             return sent;
         },
         2,
         {}},
        {"a reply trickling in past its time-out",
         [](ScriptedDevice& d, const Bytes&) {
             for (const int ms : {600, 1000, 1400}) {
                 d.SendLater(ms, Bytes(150, 0xA5));
             }
             return Bytes{};
         },
         450,
         {}},
        {"a byte left on the line",
         [](ScriptedDevice&, const Bytes& r) { return EchoReply(r, {0x34, 0x12}); }, 1, {0xEE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        device->answer = [&](const Bytes& r) { return c.first(*device, r); };
        link->ReadInputs();
        device->queue.assign(c.between.begin(), c.between.end());
        LinkLog::Instance().Clear();
        device->answer = [](const Bytes& r) { return EchoReply(r, {0x02, 0x00}); };
        EXPECT_EQ(link->ReadInputs(), 2);
        EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
        const QStringList lines = LogLines();
        ASSERT_EQ(lines.size(), 2);
        EXPECT_TRUE(lines[0].startsWith(QString("Discarded %1 late bytes: ").arg(c.dropped)))
            << lines[0].toStdString();
    }
}

TEST_F(LinkReception, NoWholeReplyTimesOutAfterHalfASecondWithoutSpinning) {
    // Nothing, half a header, half a body: the wait sleeps until more comes
    // (not returning at once because some bytes are queued) and gives up
    // only when the 500 ms timer runs out.
    for (const std::size_t part : {std::size_t{3}, std::size_t{12}, std::size_t{0}}) {
        SCOPED_TRACE(part);
        LinkLog::Instance().Clear();
        device->queueStatusCalls = 0;
        device->answer = [part](const Bytes& r) {
            Bytes sent = EchoReply(r, Bytes(20, 0x11));
            sent.resize(part);
            return sent;
        };
        QElapsedTimer clock;
        clock.start();
        link->ReadInputs();
        EXPECT_GE(clock.elapsed(), 490);
        EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Timeout);
        EXPECT_LT(device->queueStatusCalls, 200);
    }
    EXPECT_EQ(LogLines(), QStringList{"  Timeout"});
    EXPECT_EQ(link->LastReplyBytes(), 0);
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

TEST_F(LinkReception, OversizedReplyIsCutToTheBufferAndNotOk) {
    // A frame that fills the buffer exactly is whole.
    device->answer = [](const Bytes& r) { return EchoReply(r, Bytes(192, 0x55)); };
    link->NovRamRead(0xB800, 32);
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
    EXPECT_EQ(link->LastReplyBytes(), clsUSBInterface::kReplySize);
    LinkLog::Instance().Clear();

    // A valid frame of 260 bytes: larger than the receive area and the buffer
    // (the next exchange being clean is checked with the simulated host).
    Bytes sent;
    device->answer = [&](const Bytes& r) { return sent = EchoReply(r, Bytes(251, 0x55)); };
    const auto reply = link->NovRamRead(0xB800, 32);
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::TooLong);
    EXPECT_EQ(link->LastReplyBytes(), clsUSBInterface::kReplySize);
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), sent.begin()));
}

TEST_F(LinkReception, LargeQueuedInputIsFlushedInPieces) {
    device->queue.assign(1000, 0xAB);
    link->FlushRcv();
    EXPECT_TRUE(device->queue.empty());
}

TEST_F(LinkReception, SecondExchangeWhileOneWaitsIsRefused) {
    device->pieceSize = 1; // the reply trickles in, so the wait spans many events
    device->answer = [](const Bytes& r) { return EchoReply(r, {0x34, 0x12}); };

    ExchangeOutcome innerOutcome = ExchangeOutcome::None;
    bool busyDuringInner = false;
    std::uint8_t innerStatusByte = 0;
    std::int16_t innerTamber = 0;
    QObject during;
    QTimer::singleShot(0, &during, [&] {
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
    EXPECT_TRUE(lines[0].startsWith("Exchange refused") && lines[1] == lines[0]);
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
    link->ClearStopRequest();
    LinkSequence again(link.get());
    EXPECT_TRUE(again.Claimed());
    EXPECT_FALSE(again.ShouldStop());

    LinkSequence none(nullptr);
    EXPECT_FALSE(none.Claimed());
    EXPECT_STREQ(none.RefusalText(), LinkSequence::kNoLinkText);
}

} // namespace
