#pragma once
// The command lines of orvane-hostsim and orvane-printersim, parsed without
// side effects so a bad option is reported before anything is opened.

#include "hostsim/PrinterSim.h"
#include "hostsim/RandomFaults.h"

#include <optional>
#include <string>
#include <vector>

namespace hostsim {

struct HostsimOptions {
    bool pty = false;
    bool sample = true;
    bool help = false;
    bool countBytes = false;
    int baud = 0;
    FaultRates faults;
    std::optional<double> delayRate;
    std::optional<double> splitRate;
    int failNode = 0;
    int failFrom = 0;
    std::string link;
};

// Fills `options` from `args` (without the program name); on a bad argument
// writes why to `error` and returns false.
bool ParseHostsimOptions(const std::vector<std::string>& args, HostsimOptions& options,
                         std::string& error);

struct PrintersimOptions {
    PrinterModel model = PrinterModel::Epson;
    int cps = 480;
    int every = 5;
    int first = 0;
    long tickets = -1;
    bool help = false;
};

bool ParsePrintersimOptions(const std::vector<std::string>& args, PrintersimOptions& options,
                            std::string& error);

} // namespace hostsim
