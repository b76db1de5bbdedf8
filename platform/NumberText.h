#pragma once
// Numbers on the programs' command lines: taken whole and within their
// bounds.

#include <charconv>
#include <optional>
#include <string_view>

namespace platform {

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

} // namespace platform
