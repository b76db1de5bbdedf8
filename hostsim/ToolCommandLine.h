#pragma once
// What the simulator programs share on their command lines: numbers taken
// whole and within their bounds, the usage on a mistake or on --help, and
// their signal handlers.

#include <charconv>
#include <csignal>
#include <optional>
#include <string>
#include <string_view>

namespace hostsim {

// `text` as a whole number of type T from `low` to `high`; nothing for
// anything else (no sign or blank around it, no trailing characters).
template <typename T> std::optional<T> NumberIn(std::string_view text, T low, T high) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Written so that a NaN is refused too.
    if (error != std::errc{} || end != text.data() + text.size() ||
        !(value >= low && value <= high)) {
        return std::nullopt;
    }
    return value;
}

// The exit code when the program ends right after reading its command line:
// 2 after a mistake (said on the error stream, with the usage), 0 after
// --help (the usage on the output); nothing when it goes on.
std::optional<int> EndAfterCommandLine(std::string_view program, std::string_view usage,
                                       bool parsed, const std::string& error, bool help);

// Runs `handler` on `signal`, with no other signal blocked meanwhile.
void HandleSignal(int signal, void (*handler)(int));

} // namespace hostsim
