#pragma once
// The program's command line: which device to talk to and where the program
// folder is. Parsed without side effects, so a bad option is reported before
// anything is opened or written.

#include <optional>
#include <string>
#include <vector>

struct CommandLine {
    std::string device = "ftdi"; // as given to --device
    std::string folder;          // --folder, empty when not given
    bool help = false;
    bool version = false;
};

struct CommandLineResult {
    std::optional<CommandLine> options; // set when the line was understood
    std::string error;                  // otherwise, what was wrong
};

// `args` excludes the program name.
CommandLineResult ParseCommandLine(const std::vector<std::string>& args);

// The usage text printed by --help and after a command-line error.
std::string UsageText(const std::string& programName);
