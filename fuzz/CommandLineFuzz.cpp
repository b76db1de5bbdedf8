// Fuzz target of the command lines of orvane, orvane-cli, orvane-hostsim
// and orvane-printersim: any arguments. A line is either understood or
// refused with a reason, never both; what is understood is within the
// bounds the options promise, and orvane's options, written out again as
// a command line (the device in its own words), read back the same. A
// number list reads back from its numbers joined by commas.
//
// Input: which parser (0 orvane, 1 orvane-cli, 2 orvane-hostsim,
// 3 orvane-printersim, 4 a number list), the number list's lowest number
// and its span, then the arguments, each ended by a NUL.

#include "startup/CommandLine.h"
#include "cli/CliOptions.h"
#include "fuzz/FuzzInput.h"
#include "hostsim/SimCommandLines.h"
#include "platform/DeviceChoice.h"

#include <algorithm>
#include <set>

namespace {

bool Rate(double rate) {
    return rate >= 0.0 && rate <= 1.0;
}

// `numbers` lie within lo..hi, each once, and read back when written out.
bool NumberList(const std::vector<int>& numbers, int lo, int hi) {
    std::string text;
    for (const int n : numbers) {
        if (n < lo || n > hi) {
            return false;
        }
        text += (text.empty() ? "" : ",") + std::to_string(n);
    }
    std::string error;
    const auto again = cli::ParseNumberList(text, lo, hi, error);
    return std::set<int>(numbers.begin(), numbers.end()).size() == numbers.size() &&
           (numbers.empty() || (again && *again == numbers));
}

void Orvane(const std::vector<std::string>& args) {
    const CommandLineResult result = ParseCommandLine(args);
    FUZZ_CHECK(result.options.has_value() == result.error.empty());
    if (!result.options) {
        return;
    }
    const CommandLine& line = *result.options;
    std::string error;
    const auto choice = platform::ParseDeviceChoice(line.device, error);
    FUZZ_CHECK(choice.has_value());
    const std::string device = platform::DeviceChoiceText(*choice);
    FUZZ_CHECK(platform::ParseDeviceChoice(device, error) == choice);
    std::vector<std::string> again = {"--device", device};
    if (!line.folder.empty()) {
        again.insert(again.end(), {"--folder", line.folder});
    }
    if (line.help) {
        again.push_back("--help");
    }
    if (line.version) {
        again.push_back("--version");
    }
    const CommandLineResult reread = ParseCommandLine(again);
    FUZZ_CHECK(reread.options.has_value());
    FUZZ_CHECK(platform::ParseDeviceChoice(reread.options->device, error) == choice);
    FUZZ_CHECK(reread.options->folder == line.folder && reread.options->help == line.help &&
               reread.options->version == line.version);
}

void Cli(const std::vector<std::string>& args) {
    const cli::CliParse result = cli::ParseCliCommandLine(args);
    FUZZ_CHECK(result.options.has_value() == result.error.empty());
    if (!result.options) {
        return;
    }
    const cli::CliOptions& o = *result.options;
    Orvane({"--device", o.common.device});
    FUZZ_CHECK(o.record != cli::RecordKind::Node || (o.index >= 1 && o.index <= 127));
    FUZZ_CHECK(o.index >= 0 && o.index <= 255);
    FUZZ_CHECK(o.parts.size() == 4 && NumberList(o.nodes, 1, 255) && NumberList(o.players, 0, 255));
    for (const auto& mask : {o.printMask, o.storeMask}) {
        FUZZ_CHECK(!mask || (*mask >= -2147483648LL && *mask <= 4294967295LL));
    }
    FUZZ_CHECK(o.remoteNode >= 1 && o.remoteNode <= 16);
    FUZZ_CHECK(o.command != cli::Command::Snapshot || !o.outputFile.empty());
}

void Hostsim(const std::vector<std::string>& args) {
    hostsim::HostsimOptions o;
    std::string error;
    if (!hostsim::ParseHostsimOptions(args, o, error)) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    const hostsim::FaultRates& f = o.faults;
    FUZZ_CHECK(Rate(f.drop) && Rate(f.corrupt) && Rate(f.garbage) && Rate(f.delay) &&
               Rate(f.split));
    FUZZ_CHECK(f.delayBy.count() >= 0 && f.delayBy.count() <= 60000);
    FUZZ_CHECK(f.pieces >= 1 && f.pieces <= 1000);
    FUZZ_CHECK(o.baud == 0 || (o.baud >= 300 && o.baud <= 921600));
    FUZZ_CHECK(o.failNode == 0 || (o.failNode >= 1 && o.failNode <= 16 && o.failFrom >= 1));
}

void Printersim(const std::vector<std::string>& args) {
    hostsim::PrintersimOptions o;
    std::string error;
    if (!hostsim::ParsePrintersimOptions(args, o, error)) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    FUZZ_CHECK(o.cps >= 1 && o.cps <= 1000000);
    FUZZ_CHECK(o.every >= 0 && o.every <= 3600 && o.first >= 0 && o.first <= 3600);
    FUZZ_CHECK(o.tickets >= -1 && o.tickets <= 1000000000L);
}

void List(const std::vector<std::string>& args, int lo, int hi) {
    std::string error;
    const auto numbers = cli::ParseNumberList(args.empty() ? "" : args[0], lo, hi, error);
    FUZZ_CHECK(numbers.has_value() == error.empty());
    FUZZ_CHECK(!numbers || NumberList(*numbers, lo, hi));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int which = in.Byte() % 5;
    const int lo = in.Byte();
    const int hi = lo + in.Byte();
    std::vector<std::string> args;
    std::string_view rest = in.Rest();
    while (!rest.empty() && args.size() < 32) {
        const std::size_t end = std::min(rest.find('\0'), rest.size());
        args.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    switch (which) {
    case 0:
        Orvane(args);
        break;
    case 1:
        Cli(args);
        break;
    case 2:
        Hostsim(args);
        break;
    case 3:
        Printersim(args);
        break;
    default:
        List(args, lo, hi);
        break;
    }
    return 0;
}
