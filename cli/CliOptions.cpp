#include "cli/CliOptions.h"

#include "cli/Command.h"

#include "platform/DeviceChoice.h"
#include "platform/NumberText.h"

#include <algorithm>

namespace cli {

std::optional<std::int64_t> Number(const std::string& text, std::int64_t lo, std::int64_t hi) {
    return platform::NumberIn<std::int64_t>(text, lo, hi);
}

std::optional<std::vector<int>> ParseNumberList(const std::string& text, int lo, int hi,
                                                std::string& error) {
    std::vector<int> numbers;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        const auto first = Number(item.substr(0, dash), lo, hi);
        const auto last = dash == std::string::npos ? first : Number(item.substr(dash + 1), lo, hi);
        if (!first || !last || *last < *first) {
            error = "\"" + item + "\" is no number or range within " + std::to_string(lo) + " to " +
                    std::to_string(hi);
            return std::nullopt;
        }
        for (auto n = *first; n <= *last; ++n) {
            if (std::find(numbers.begin(), numbers.end(), n) == numbers.end()) {
                numbers.push_back(static_cast<int>(n));
            }
        }
        start = comma + 1;
    }
    return numbers;
}

CliParse ParseCliCommandLine(const std::vector<std::string>& args) {
    CliOptions o;
    std::vector<std::string> shared;
    std::size_t i = 0;
    // Options before the command: orvane's go to its parser.
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            o.json = true;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--device" || a == "--folder") {
            shared.push_back(a);
            if (i + 1 < args.size()) {
                shared.push_back(args[++i]);
            }
        } else if (a.rfind("-", 0) == 0) {
            shared.push_back(a);
        } else {
            break;
        }
    }
    const CommandLineResult common = ParseCommandLine(shared);
    if (!common.options) {
        return {std::nullopt, common.error};
    }
    o.common = *common.options;
    if (o.common.help || o.common.version) {
        return {o, {}};
    }
    if (i >= args.size()) {
        return {std::nullopt, "no command given"};
    }
    const std::string command = args[i++];
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    const CommandEntry* entry = FindCommand(command);
    if (entry == nullptr) {
        return {std::nullopt, "unknown command " + command};
    }
    o.command = entry->command;
    const std::string why = entry->parse(rest, o);
    if (!why.empty()) {
        return {std::nullopt, command + ": " + why};
    }
    return {o, {}};
}

std::optional<std::string> OptionValue(const std::vector<std::string>& args, std::size_t& k) {
    if (k + 1 < args.size()) {
        return args[++k];
    }
    return std::nullopt;
}

std::string UnexpectedArgument(const std::string& arg) {
    return "unexpected argument " + arg;
}

std::string NoArguments(const std::vector<std::string>& rest, CliOptions&) {
    if (!rest.empty()) {
        return "takes no arguments";
    }
    return {};
}

namespace {

// Each command's usage line, its help at column 38: beside a short line,
// under a long one.
std::string CommandsUsage() {
    constexpr std::size_t kHelpColumn = 37;
    std::string text;
    for (const CommandEntry& c : Commands()) {
        std::string line = std::string("  ") + c.name + (*c.usage != '\0' ? " " : "") + c.usage;
        line += line.size() + 2 <= kHelpColumn ? std::string(kHelpColumn - line.size(), ' ')
                                               : "\n" + std::string(kHelpColumn, ' ');
        text += line + c.help + "\n";
    }
    return text;
}

} // namespace

std::string CliUsageText() {
    return "Usage: orvane-cli [OPTION]... COMMAND [ARGUMENT]...\n"
           "Every host job of orvane from a shell.\n"
           "\n"
           "Options:\n"
           "  --device DEVICE   the connection to the host (default: ftdi)\n" +
           platform::DeviceChoiceUsage() +
           "  --simulate        run against the simulated host (same as --device sim)\n"
           "  --folder DIR      read Settings.ini, NodeInfo.ini and the text files in DIR\n"
           "  --json            results as JSON\n"
           "  --quiet           no progress and no summaries; the exit status tells\n"
           "  --help            show this help and exit\n"
           "  --version         show the program's name and version and exit\n"
           "\n"
           "Commands:\n" +
           CommandsUsage() +
           "\n"
           "A run that stops or fails lists on standard error what it did not read;\n"
           "an incomplete result never replaces the -o FILE: it goes to FILE.partial.\n"
           "\n"
           "Exit status: 0 done; 1 the host refused something, verify found\n"
           "differences, or program-nodes --from found no usable line; 2 usage or file\n"
           "error (a missing --folder, Settings.ini or NodeInfo.ini, one that cannot be\n"
           "read, an -o FILE that is no regular file); 3 the link failed; 129/130/143\n"
           "stopped by SIGHUP/SIGINT/SIGTERM.\n";
}

} // namespace cli
