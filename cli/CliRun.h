#pragma once
// orvane-cli's commands: each runs one job of the windows through the same
// core functions, against the device link it is given, and writes what
// the window would show (or JSON) through `out`. No widgets, no display.

#include "cli/CliOptions.h"

#include <QDateTime>

#include <functional>
#include <string>

class clsUSBInterface;

namespace cli {

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1; // the host refused, or verify found differences
inline constexpr int kExitUsage = 2;   // usage or a file error
inline constexpr int kExitLink = 3;    // the link failed: no device, time-out, CRC

// Said after an open that found the device but could not have it: the
// device is held, most often by Orvane or another orvane-cli.
inline constexpr const char* kDeviceHeldHint =
    " (is Orvane or another orvane-cli using it? Close it and try again)";

struct CliEnvironment {
    clsUSBInterface* link = nullptr;
    // The program folder (Settings.ini, NodeInfo.ini, the text files).
    std::string folder;
    // Standard output, standard error, and progress (shown only when the
    // caller wants it: a terminal on standard error and no --quiet).
    std::function<void(const std::string&)> out;
    std::function<void(const std::string&)> err;
    std::function<void(const std::string&)> progress;
    // The signal that asked the run to stop (0: none); a stopped command
    // exits with 128 + it.
    std::function<int()> stopSignal;
    // The PC's clock, for the clock message and the snapshot's time.
    std::function<QDateTime()> clock;
};

// Runs the command of `options`; returns the exit status.
int RunCommand(const CliOptions& options, const CliEnvironment& env);

} // namespace cli
