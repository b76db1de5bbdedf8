#include "startup/CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, DevicesAndFolder) {
    const struct {
        std::vector<std::string> args;
        const char* device;
        const char* folder;
    } cases[] = {
        {{}, "ftdi", ""},
        {{"--simulate", "--folder", "/tmp/site"}, "sim", "/tmp/site"},
        {{"--device=tty:/dev/ttyUSB0@19200"}, "tty:/dev/ttyUSB0@19200", ""},
        {{"--device", "sim", "--simulate"}, "sim", ""}, // the same device twice
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        const auto r = ParseCommandLine(c.args);
        ASSERT_TRUE(r.options) << r.error;
        EXPECT_EQ(r.options->device, c.device);
        EXPECT_EQ(r.options->folder, c.folder);
    }
}

TEST(CommandLine, MistakesAreNamed) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--bogus"}, "--bogus"},     {{"--device"}, "--device"},
        {{"--device", "usb"}, "usb"}, {{"--device", "tty:"}, "tty"},
        {{"--folder"}, "--folder"},   {{"--simulate=yes"}, "--simulate"},
        {{"stray"}, "stray"},
        {{"--device", "ftdi:s:0403:6001:A1B2", "--simulate"}, "contradict"},
    };
    for (const auto& [args, mentions] : cases) {
        const auto r = ParseCommandLine(args);
        EXPECT_FALSE(r.options) << mentions;
        EXPECT_NE(r.error.find(mentions), std::string::npos) << r.error;
    }
}

TEST(CommandLine, UsageListsEveryOption) {
    const std::string usage = UsageText("orvane");
    for (const char* option :
         {"--device", "--simulate", "--folder", "--help", "--version", "tty:PATH", "ftdi:"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

} // namespace
