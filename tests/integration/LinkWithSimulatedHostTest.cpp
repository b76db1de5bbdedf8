// The device link against the simulated host in-process: a reply that comes
// after its time-out, and a host unplugged and plugged in again (each kind
// of reply byte by byte is in tests/link/LinkReceptionTest.cpp).
#include "common/LinkLog.h"
#include "hostsim/SimFtdiDevice.h"
#include "hostsim/SimulatedHost.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

QString LastLogLine() {
    QStringList lines = LinkLog::Instance().Text().split("\r\n", Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last();
}

class LinkWithHost : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_shared<hostsim::SimulatedHost>(false);
        FtHandle = 0;
        SetFtdiBackend(std::make_shared<hostsim::SimFtdiDevice>(host));
        link = std::make_unique<clsUSBInterface>();
        LinkLog::Instance().Clear();
    }
    void TearDown() override {
        link.reset();
        SetFtdiBackend(nullptr);
    }

    std::shared_ptr<hostsim::SimulatedHost> host;
    std::unique_ptr<clsUSBInterface> link;
};

TEST_F(LinkWithHost, AReplyThatMissedItsTimeOutIsNeverTakenForALaterRequests) {
    // Players 1 and 2, told apart by their bytes. The host answers the read
    // of player 1 late, after the link has given up on it; the read of
    // player 2 comes next from the same link, or from a new one on the same
    // device, as a second process would.
    struct Case {
        const char* name;
        int lateMs;
        bool everyReplyLate;
        bool newLink;
    };
    const Case cases[] = {
        {"600 ms late", 600, false, false},
        {"900 ms late", 900, false, false},
        {"900 ms late, read by the next process", 900, false, true},
        {"every reply 900 ms late", 900, true, false},
    };
    const auto memory = host->Memory();
    std::fill_n(memory.begin() + 0xB820, 32, std::uint8_t{0x11});
    std::fill_n(memory.begin() + 0xB840, 32, std::uint8_t{0x22});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool late = true;
        host->OnEachRequest([&](hostsim::SimulatedHost& h, std::span<const std::uint8_t>) {
            if (late) {
                h.DelayNextReply(std::chrono::milliseconds(c.lateMs));
            }
            late = c.everyReplyLate;
        });
        link->NovRamRead(0xB820, 32);
        ASSERT_EQ(link->LastOutcome(), ExchangeOutcome::Timeout);
        if (c.newLink) {
            link.reset();
            link = std::make_unique<clsUSBInterface>();
        }
        LinkLog::Instance().Clear();

        const auto reply = link->NovRamRead(0xB840, 32);
        EXPECT_TRUE(LinkLog::Instance().Text().startsWith("Discarded 47 late bytes: "));
        if (c.everyReplyLate) {
            EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Timeout);
        } else {
            EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
            EXPECT_EQ(reply[13], 0x22) << "player 1's record shown as player 2's";
        }
        // Nothing of this case may reach the next one.
        host->OnEachRequest(nullptr);
        link->NovRamRead(0xB840, 32);
        EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
    }
}

TEST_F(LinkWithHost, UnpluggedHostFailsEveryCallAndIsOpenedAgainByTheNextExchangeOrReconnect) {
    host->SetUnplugged(true);
    link->ReadInputs();
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Status);
    link->ListDevices();
    EXPECT_EQ(LastLogLine(), "Status = 0, OK, Number of devices = 0");
    EXPECT_FALSE(link->DeviceOpen());
    EXPECT_EQ(link->DeviceFailure(), platform::FT_IO_ERROR);

    // Still unplugged: the next exchange tries one reopen, which fails fast
    // with the open's own error, and sends nothing.
    link->ReadInputs();
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Status);
    EXPECT_EQ(link->LastStatus(), platform::FT_DEVICE_NOT_FOUND);
    EXPECT_TRUE(host->Requests().empty());

    host->SetUnplugged(false);
    link->ReadInputs();
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
    EXPECT_TRUE(link->DeviceOpen());
    EXPECT_TRUE(LinkLog::Instance().Text().contains("Device opened again"));

    // Unplugged at start-up, then plugged in: opened by the next exchange.
    link.reset();
    host->SetUnplugged(true);
    link = std::make_unique<clsUSBInterface>();
    EXPECT_FALSE(link->DeviceOpen());
    EXPECT_EQ(link->DeviceFailure(), platform::FT_DEVICE_NOT_FOUND);

    host->SetUnplugged(false);
    link->ReadInputs();
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);

    // Reconnect on demand: refused while a run holds the link.
    ASSERT_TRUE(link->BeginSequence());
    EXPECT_FALSE(link->Reconnect());
    link->EndSequence();
    LinkLog::Instance().Clear();
    EXPECT_TRUE(link->Reconnect());
    EXPECT_EQ(LastLogLine(), "Device opened again");
    link->ReadInputs();
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
}

} // namespace
