#include "cli/CliOptions.h"

#include "platform/DeviceChoice.h"

#include <algorithm>
#include <charconv>

namespace cli {

namespace {

std::optional<std::int64_t> Number(const std::string& text, std::int64_t lo, std::int64_t hi) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < lo || value > hi) {
        return std::nullopt;
    }
    return value;
}

// A mask as decimal or 0x hexadecimal, any 32-bit pattern.
std::optional<std::int64_t> Mask(const std::string& text) {
    if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) {
        std::uint64_t value = 0;
        const std::string digits = text.substr(2);
        const char* end = digits.data() + digits.size();
        const auto [ptr, ec] = std::from_chars(digits.data(), end, value, 16);
        if (digits.empty() || ec != std::errc() || ptr != end || value > 0xFFFFFFFFu) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(value);
    }
    return Number(text, -2147483648LL, 4294967295LL);
}

const std::vector<std::string> kPartNames = {"clock", "params", "header", "footer"};

} // namespace

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
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    std::size_t k = 0;
    const auto value = [&](const std::string& option) -> std::optional<std::string> {
        if (k + 1 < rest.size()) {
            return rest[++k];
        }
        (void)option;
        return std::nullopt;
    };
    const auto fail = [&](const std::string& why) {
        return CliParse{std::nullopt, command + ": " + why};
    };
    const auto extra = [&]() { return fail("unexpected argument " + rest[k]); };

    if (command == "ping" || command == "verify") {
        o.command = command == "ping" ? Command::Ping : Command::Verify;
        if (!rest.empty()) {
            return fail("takes no arguments");
        }
    } else if (command == "read") {
        o.command = Command::Read;
        if (rest.empty()) {
            return fail("needs site, node N or player N");
        }
        if (rest[0] == "site" && rest.size() == 1) {
            o.record = RecordKind::Site;
        } else if ((rest[0] == "node" || rest[0] == "player") && rest.size() == 2) {
            o.record = rest[0] == "node" ? RecordKind::Node : RecordKind::Player;
            // Node records 0..127 fit below the player records; players 0..255.
            const auto n =
                Number(rest[1], rest[0] == "node" ? 1 : 0, rest[0] == "node" ? 127 : 255);
            if (!n) {
                return fail(rest[0] + " number \"" + rest[1] + "\" is out of range (" +
                            (rest[0] == "node" ? "1 to 127" : "0 to 255") + ")");
            }
            o.index = static_cast<int>(*n);
        } else {
            return fail("needs site, node N or player N");
        }
    } else if (command == "program") {
        o.command = Command::Program;
        for (k = 0; k < rest.size(); ++k) {
            if (rest[k] != "--only") {
                return extra();
            }
            const auto list = value("--only");
            if (!list) {
                return fail("--only needs a list such as clock,params,header,footer");
            }
            o.parts.assign(4, false);
            std::size_t start = 0;
            while (start <= list->size()) {
                const std::size_t comma = std::min(list->find(',', start), list->size());
                const std::string name = list->substr(start, comma - start);
                const auto it = std::find(kPartNames.begin(), kPartNames.end(), name);
                if (it == kPartNames.end()) {
                    return fail("unknown part \"" + name + "\" (clock, params, header, footer)");
                }
                o.parts[static_cast<std::size_t>(it - kPartNames.begin())] = true;
                start = comma + 1;
            }
        }
    } else if (command == "program-nodes") {
        o.command = Command::ProgramNodes;
        for (k = 0; k < rest.size(); ++k) {
            if (rest[k] == "--nodes") {
                const auto list = value("--nodes");
                std::string why;
                const auto nodes = list ? ParseNumberList(*list, 1, 255, why) : std::nullopt;
                if (!nodes) {
                    return fail("--nodes " +
                                (list ? why : std::string("needs a list such as 1-40,45")));
                }
                o.nodes = *nodes;
            } else if (rest[k] == "--from") {
                const auto file = value("--from");
                if (!file || file->empty()) {
                    return fail("--from needs a file");
                }
                o.fromFile = *file;
            } else {
                return extra();
            }
        }
    } else if (command == "log") {
        o.command = Command::Log;
        for (k = 0; k < rest.size(); ++k) {
            if (rest[k] == "--csv") {
                o.logForm = LogForm::Csv;
            } else if (rest[k] == "--text") {
                o.logForm = LogForm::Text;
            } else if (rest[k] == "-o") {
                const auto file = value("-o");
                if (!file || file->empty()) {
                    return fail("-o needs a file");
                }
                o.outputFile = *file;
            } else {
                return extra();
            }
        }
    } else if (command == "masks") {
        o.command = Command::Masks;
        for (k = 0; k < rest.size(); ++k) {
            if (rest[k] != "--print" && rest[k] != "--store") {
                return extra();
            }
            const std::string option = rest[k];
            const auto text = value(option);
            const auto mask = text ? Mask(*text) : std::nullopt;
            if (!mask) {
                return fail(option + " needs a 32-bit mask (decimal or 0x hexadecimal)");
            }
            (option == "--print" ? o.printMask : o.storeMask) = *mask;
        }
    } else if (command == "remote") {
        o.command = Command::Remote;
        if (rest.size() != 2) {
            return fail("needs a node 1 to 16 and one of poll, counts, nv, errors, clear-errors");
        }
        const auto n = Number(rest[0], 1, 16);
        if (!n) {
            return fail("node \"" + rest[0] + "\" is out of range (1 to 16)");
        }
        o.remoteNode = static_cast<int>(*n);
        const std::vector<std::pair<std::string, RemoteAction>> actions = {
            {"poll", RemoteAction::Poll},
            {"counts", RemoteAction::Counts},
            {"nv", RemoteAction::Nv},
            {"errors", RemoteAction::Errors},
            {"clear-errors", RemoteAction::ClearErrors}};
        const auto it = std::find_if(actions.begin(), actions.end(),
                                     [&](const auto& a) { return a.first == rest[1]; });
        if (it == actions.end()) {
            return fail("unknown command \"" + rest[1] +
                        "\" (poll, counts, nv, errors, clear-errors)");
        }
        o.action = it->second;
    } else if (command == "snapshot") {
        o.command = Command::Snapshot;
        for (k = 0; k < rest.size(); ++k) {
            if (rest[k] == "-o") {
                const auto file = value("-o");
                if (!file || file->empty()) {
                    return fail("-o needs a file");
                }
                o.outputFile = *file;
            } else if (rest[k] == "--players") {
                const auto list = value("--players");
                std::string why;
                const auto players = list ? ParseNumberList(*list, 0, 255, why) : std::nullopt;
                if (!players) {
                    return fail("--players " +
                                (list ? why : std::string("needs a list such as 0-9")));
                }
                o.players = *players;
            } else {
                return extra();
            }
        }
        if (o.outputFile.empty()) {
            return fail("needs -o FILE");
        }
    } else {
        return {std::nullopt, "unknown command " + command};
    }
    return {o, {}};
}

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
           "Commands:\n"
           "  ping                               read the host's input word\n"
           "  read site | node N | player N      list a record\n"
           "  program [--only clock,params,header,footer]\n"
           "                                     program the site from Settings.ini and the texts\n"
           "  program-nodes [--nodes 1-40,45] [--from NodeInfo.txt]\n"
           "                                     program the nodes from NodeInfo.ini\n"
           "  log [--csv | --text] [-o FILE]     dump the transaction log\n"
           "  masks [--print N] [--store N]      send the print and store masks\n"
           "  remote N poll | counts | nv | errors | clear-errors\n"
           "                                     talk to remote node N (1 to 16)\n"
           "  verify                             compare the host's records with the files\n"
           "  snapshot -o FILE [--players LIST]  every readable record in one JSON file\n"
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
