#pragma once
// orvane-cli's commands as one table: each command's name, its line of the
// usage, the options it takes, the parser of its arguments and the job it
// runs. The usage text, the dispatch and the man page's and completion's
// check all go by this table.

#include "cli/CliOptions.h"
#include "cli/CliRun.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

class Run;

struct CommandEntry {
    const char* name;
    Command command;
    // Its line of the usage: the arguments, and what it does.
    const char* usage;
    const char* help;
    // Every option it takes ("--nodes", "-o"), for the man page and the
    // completion.
    std::vector<const char*> options;
    // Reads the arguments after the command into `o`; why they are wrong,
    // or nothing.
    std::string (*parse)(const std::vector<std::string>& args, CliOptions& o);
    int (*run)(const CliOptions& o, const CliEnvironment& env, Run& run);
    // Whether the run goes by what the program folder's files hold.
    bool (*usesFolder)(const CliOptions& o);
};

// The commands in the order the usage lists them.
const std::vector<CommandEntry>& Commands();
const CommandEntry* FindCommand(const std::string& name);
const CommandEntry* CommandOf(Command command);

// Pieces of the parsers.
// `text` as a whole decimal number from `lo` to `hi`.
std::optional<std::int64_t> Number(const std::string& text, std::int64_t lo, std::int64_t hi);
// The value after the option at args[k] (k then at it), or nothing.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, std::size_t& k);
std::string UnexpectedArgument(const std::string& arg);
std::string NoArguments(const std::vector<std::string>& args, CliOptions& o);
bool AlwaysFolder(const CliOptions& o);
bool NoFolder(const CliOptions& o);

const CommandEntry& PingCommand();
const CommandEntry& ReadCommand();
const CommandEntry& ProgramCommand();
const CommandEntry& ProgramNodesCommand();
const CommandEntry& LogCommand();
const CommandEntry& MasksCommand();
const CommandEntry& RemoteCommand();
const CommandEntry& VerifyCommand();
const CommandEntry& SnapshotCommand();

} // namespace cli
