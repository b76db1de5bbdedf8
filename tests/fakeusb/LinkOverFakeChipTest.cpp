// The device link over the libftdi1 backend: it talks to the software
// FT232R through the real libftdi1 and names it by its strings.
#include "tests/fakeusb/FakeFt232r.h"

#include "common/LinkLog.h"
#include "host_config/ConnectionBar.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"
#include "platform/FtdiLibDevice.h"

#include <gtest/gtest.h>

#include <memory>

TEST(LinkOverFakeChip, ExchangesAndNamesTheChipByItsStrings) {
    fakeusb::Plug(std::make_shared<hostsim::SimulatedHost>(false));
    FtHandle = 0;
    SetFtdiBackend(std::make_shared<platform::FtdiLibDevice>());
    auto link = std::make_unique<clsUSBInterface>();
    EXPECT_EQ(link->ReadInputs(), hostsim::SimulatedHost::kDefaultInputWord)
        << LinkLog::Instance().Text().toStdString();
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok);
    {
        hostconfig::ConnectionBar bar;
        bar.Attach(link.get());
        EXPECT_EQ(bar.ConnectionShown(), "FTDI FT232R USB UART, serial TLVX0001");
    }

    link.reset();
    SetFtdiBackend(nullptr);
    EXPECT_EQ(fakeusb::OpenHandles(), 0) << "the link left the device open";
    fakeusb::Reset();
}
