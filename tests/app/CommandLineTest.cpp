#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

CommandLineResult Parse(std::vector<std::string> args) {
    return ParseCommandLine(args);
}

TEST(CommandLine, DevicesAndFolder) {
    auto r = Parse({});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->device, "ftdi");
    EXPECT_TRUE(r.options->folder.empty());

    r = Parse({"--simulate", "--folder", "/tmp/site"});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->device, "sim");
    EXPECT_EQ(r.options->folder, "/tmp/site");

    r = Parse({"--device=tty:/dev/ttyUSB0@19200"});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->device, "tty:/dev/ttyUSB0@19200");

    r = Parse({"--device", "ftdi:s:0403:6001:A1B2", "--simulate"});
    EXPECT_FALSE(r.options); // two different devices asked for
    r = Parse({"--device", "sim", "--simulate"});
    ASSERT_TRUE(r.options); // the same device twice
    EXPECT_EQ(r.options->device, "sim");
}

TEST(CommandLine, MistakesAreNamed) {
    struct Case {
        std::vector<std::string> args;
        const char* mentions;
    };
    const std::vector<Case> cases = {
        {{"--bogus"}, "--bogus"},     {{"--device"}, "--device"},
        {{"--device", "usb"}, "usb"}, {{"--device", "tty:"}, "tty"},
        {{"--folder"}, "--folder"},   {{"--simulate=yes"}, "--simulate"},
        {{"stray"}, "stray"},
    };
    for (const Case& c : cases) {
        const auto r = Parse(c.args);
        EXPECT_FALSE(r.options) << c.mentions;
        EXPECT_NE(r.error.find(c.mentions), std::string::npos) << r.error;
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
