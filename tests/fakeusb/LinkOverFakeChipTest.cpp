// The device link over the libftdi1 backend, end to end: the same exchanges
// as over the pseudo-terminal, through the real libftdi1 and a software
// FT232R, plus a cable pulled out in the middle of an exchange.
#include "tests/fakeusb/FakeFt232r.h"

#include "common/LinkLog.h"
#include "host_config/ConnectionBar.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"
#include "platform/FtdiLibDevice.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class LinkOverFakeChip : public ::testing::Test {
protected:
    void SetUp() override {
        fakeusb::Plug(host);
        FtHandle = 0;
        SetFtdiBackend(std::make_shared<platform::FtdiLibDevice>());
        link = std::make_unique<clsUSBInterface>();
        ASSERT_NE(FtHandle, 0u) << LinkLog::Instance().Text().toStdString();
        LinkLog::Instance().Clear();
    }
    void TearDown() override {
        link.reset();
        SetFtdiBackend(nullptr);
        EXPECT_EQ(fakeusb::OpenHandles(), 0) << "the link left the device open";
        fakeusb::Reset();
    }
    std::string Log() const { return LinkLog::Instance().Text().toStdString(); }

    std::shared_ptr<hostsim::SimulatedHost> host = std::make_shared<hostsim::SimulatedHost>(false);
    std::unique_ptr<clsUSBInterface> link;
};

TEST_F(LinkOverFakeChip, WritesAndReadsHostMemory) {
    std::array<std::uint8_t, 70> block{};
    block[0] = 0x00; // address 0x8400, the footer text
    block[1] = 0x84;
    block[4] = 64;
    const std::string text = "THANK YOU FOR PLAYING";
    std::copy(text.begin(), text.end(), block.begin() + 6);
    link->SendMessage(1, 79, 2, block);
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok) << Log();

    const auto reply = link->NovRamRead(0x8400, 64);
    ASSERT_EQ(link->LastOutcome(), ExchangeOutcome::Ok) << Log();
    EXPECT_EQ(std::string(reply.begin() + 13, reply.begin() + 13 + text.size()), text);
    EXPECT_EQ(reply[13 + text.size()], 0);
}

TEST_F(LinkOverFakeChip, StatusLineNamesTheChipByItsStrings) {
    hostconfig::ConnectionBar bar;
    bar.Attach(link.get());
    EXPECT_EQ(bar.ConnectionShown(), "FTDI FT232R USB UART, serial TLVX0001");
}

} // namespace
