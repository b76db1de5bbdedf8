#pragma once
// What the simulator programs share on their command lines: numbers taken
// whole and within their bounds (platform::NumberIn), the usage on a mistake or on --help, and
// their signal handlers.

#include "platform/NumberText.h"

#include <csignal>
#include <optional>
#include <string>
#include <string_view>

namespace hostsim {

using platform::NumberIn;

// The exit code when the program ends right after reading its command line:
// 2 after a mistake (said on the error stream, with the usage), 0 after
// --help (the usage on the output); nothing when it goes on.
std::optional<int> EndAfterCommandLine(std::string_view program, std::string_view usage,
                                       bool parsed, const std::string& error, bool help);

// Runs `handler` on `signal`, with no other signal blocked meanwhile.
void HandleSignal(int signal, void (*handler)(int));

} // namespace hostsim
