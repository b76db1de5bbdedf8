#pragma once
// orvane-cli's command line: the options it shares with orvane (--device,
// --simulate, --folder, read by the same parser), its own (--json, --quiet)
// and one command with its arguments. Parsed without side effects.

#include "startup/CommandLine.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class Command {
    Ping,
    Read,
    Program,
    ProgramNodes,
    Log,
    Masks,
    Remote,
    Verify,
    Snapshot,
};

enum class RecordKind { Site, Node, Player };
enum class LogForm { Text, Csv };
enum class RemoteAction { Poll, Counts, Nv, Errors, ClearErrors };

struct CliOptions {
    CommandLine common; // --device, --folder, --help, --version
    bool json = false;
    bool quiet = false;
    Command command = Command::Ping;

    // read
    RecordKind record = RecordKind::Site;
    int index = 0; // node or player number
    // program: parts 0 clock, 1 params, 2 header, 3 footer
    std::vector<bool> parts = {true, true, true, true};
    // program-nodes: empty means 1..Max Node
    std::vector<int> nodes;
    std::string fromFile;
    // log, snapshot
    LogForm logForm = LogForm::Text;
    std::string outputFile;
    // masks
    std::optional<std::int64_t> printMask;
    std::optional<std::int64_t> storeMask;
    // remote
    int remoteNode = 1;
    RemoteAction action = RemoteAction::Poll;
    // snapshot: player records to include
    std::vector<int> players;
};

struct CliParse {
    std::optional<CliOptions> options;
    std::string error;
};

// `args` excludes the program name.
CliParse ParseCliCommandLine(const std::vector<std::string>& args);

// "1-40,45" as the numbers in order (each once), all within lo..hi; nothing
// with `error` set for anything else.
std::optional<std::vector<int>> ParseNumberList(const std::string& text, int lo, int hi,
                                                std::string& error);

std::string CliUsageText();

} // namespace cli
