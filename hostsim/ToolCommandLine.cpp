#include "hostsim/ToolCommandLine.h"

#include <iostream>

namespace hostsim {

std::optional<int> EndAfterCommandLine(std::string_view program, std::string_view usage,
                                       bool parsed, const std::string& error, bool help) {
    if (!parsed) {
        std::cerr << program << ": " << error << "\n" << usage;
        return 2;
    }
    if (help) {
        std::cout << usage;
        return 0;
    }
    return std::nullopt;
}

void HandleSignal(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

} // namespace hostsim
