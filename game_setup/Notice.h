#pragma once
// A box the game setup window shows the operator.

#include <string>

namespace gamesetup {

// Nothing to tell when `text` is empty.
struct Notice {
    bool warning = true;
    const char* title = "";
    std::string text;
};

} // namespace gamesetup
