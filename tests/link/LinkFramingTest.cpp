// Framing, sequence numbers, host operations and the device's open, close
// and count lines.
#include "LinkTestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Bytes = std::vector<std::uint8_t>;

class LinkFraming : public ::testing::Test, protected LinkFixtureBase {
protected:
    void SetUp() override {
        device->answer = [](const Bytes& request) { return EchoReply(request, {0x34, 0x12}); };
        Start();
    }
    void TearDown() override { Stop(); }
};

TEST_F(LinkFraming, CrcOfTheLinkMatchesTheCheckValue) {
    const std::array<std::uint8_t, 11> text{'1', '2', '3', '4', '5', '6', '7', '8', '9', 0, 0};
    EXPECT_EQ(clsUSBInterface::Crc16(text, 11), 0x31C3);
    EXPECT_EQ(clsUSBInterface::Crc16(text, 0), 0);
    EXPECT_EQ(clsUSBInterface::Crc16(text, -3), 0);
    // A length past the buffer is limited to the buffer.
    EXPECT_EQ(clsUSBInterface::Crc16(text, 500), 0x31C3);
}

TEST_F(LinkFraming, ReadInputsIsTheWorkedFrameAndDecodesItsReply) {
    EXPECT_EQ(link->ReadInputs(), 0x1234);
    ASSERT_EQ(device->written.size(), 1u);
    EXPECT_EQ(device->written[0], (Bytes{0x03, 0x09, 0x00, 0x01, 0x00, 0x00, 0x05, 0xB6, 0x71}));

    // The sequence number wraps from 255 to 0.
    link->SetSeqNo(254);
    for (const int seq : {255, 0, 1}) {
        link->ReadInputs();
        EXPECT_EQ(device->written.back()[3], seq);
    }
}

TEST_F(LinkFraming, PayloadsOfTheHostOperationsAndOfShortBuffers) {
    link->NovRamRead(0xD800, 128);
    link->NovRamRead(0x3B800, 32); // only the low 17 bits go out
    link->SendTamberCmnd(3, 28, 8);
    ASSERT_EQ(device->written.size(), 3u);

    EXPECT_EQ(device->written[0], Frame(1, 1, 1, {0x00, 0xD8, 0x00, 0x00, 0x80, 0x00}));
    EXPECT_EQ(device->written[1], Frame(1, 2, 1, {0x00, 0xB8, 0x01, 0x00, 0x20, 0x00}));
    EXPECT_EQ(device->written[2],
              Frame(12, 3, 4, {0x05, 0x07, 0x03, 0x1C, 0x00, 0x08, 0x00, 0x00, 0x00}));

    // SendTamberCmnd returns reply byte 11; RcvData repeats the reply.
    device->answer = [](const Bytes& r) { return EchoReply(r, {1, 2, 3, 4, 0x5A, 6}); };
    EXPECT_EQ(link->SendTamberCmnd(1, 1, 0), 0x5A);
    EXPECT_EQ(link->RcvData()[11], 0x5A);
    EXPECT_EQ(link->RcvData()[0], 12);

    // MsgLen 9: no payload byte, whatever is passed. Payload bytes the
    // caller did not supply go out as 0, never read past.
    const std::array<std::uint8_t, 2> two{0xAA, 0xBB};
    link->SendMessage(3, 9, 5, two);
    link->SendMessage(12, 13, 4, two);
    ASSERT_EQ(device->written.size(), 6u);
    EXPECT_EQ(device->written[4], Frame(3, 5, 5));
    EXPECT_EQ(device->written[5], Frame(12, 6, 4, {0xAA, 0xBB, 0x00, 0x00}));
    // A length below an empty frame is refused, nothing written.
    link->SendMessage(3, 5, 5, {});
    EXPECT_EQ(device->written.size(), 6u);
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::BadLength);
}

// A code past the table is named by its number, never looked up.
TEST_F(LinkFraming, StatusTextsEndWithTheTable) {
    EXPECT_EQ(link->StatusText(18), "Other Error");
    EXPECT_EQ(link->StatusText(19), "Unknown Status 19");
    EXPECT_EQ(link->StatusText(0xFFFFFFFFu), "Unknown Status 4294967295");
}

TEST(LinkOpenClose, AFailedOpenIsRetriedByEachExchangeAndAnOpenHandleClosedOnce) {
    LinkFixtureBase f;
    f.device->openStatus = platform::FT_DEVICE_NOT_FOUND;
    f.Start();
    // Every later exchange first tries the open once more and, when that
    // fails too, ends with the open's error: nothing is written, no reply
    // is awaited.
    f.link->ReadInputs();
    EXPECT_EQ(LogLines(), (QStringList{"Error 2, Device Not Found opening USB direct port",
                                       "Error 2, Device Not Found opening USB direct port",
                                       "  Status = Device Not Found"}));
    EXPECT_TRUE(f.device->written.empty());
    EXPECT_EQ(f.device->waitCalls, 0);
    EXPECT_FALSE(f.link->LastRequestSent());

    f.link.reset();
    EXPECT_EQ(f.device->closeCalls, 0);

    // An open handle is closed on destroy.
    f.device->openStatus = platform::FT_OK;
    LinkLog::Instance().Clear();
    f.link = std::make_unique<clsUSBInterface>();
    EXPECT_EQ(FtHandle, ScriptedDevice::kHandle);
    EXPECT_TRUE(LinkLog::Instance().Text().isEmpty());
    // A write may take no longer than an exchange may last.
    EXPECT_EQ(f.device->writeTimeoutMs, clsUSBInterface::kReplyTimeoutMs);
    f.link.reset();
    EXPECT_EQ(f.device->closeCalls, 1);
    EXPECT_EQ(FtHandle, 0u);

    // A handle left open is closed before the new open; its failure is logged.
    FtHandle = 0x999;
    f.link = std::make_unique<clsUSBInterface>();
    EXPECT_EQ(f.device->closeCalls, 2);
    EXPECT_EQ(LinkLog::Instance().Text(), "Error 1, Invalid Handle opening USB direct port\r\n");
    EXPECT_EQ(FtHandle, ScriptedDevice::kHandle);
    f.Stop();
}

TEST(StringToByteArray, ClearsThenCopiesWhatFits) {
    std::array<std::uint8_t, 4> bytes{9, 9, 9, 9};
    clsUSBInterface::StringToByteArray("AB", bytes);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 4>{'A', 'B', 0, 0}));
    clsUSBInterface::StringToByteArray("ABCDEFG", bytes);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 4>{'A', 'B', 'C', 'D'}));
}

} // namespace
