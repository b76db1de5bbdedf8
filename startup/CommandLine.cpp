#include "startup/CommandLine.h"

#include "platform/DeviceChoice.h"

CommandLineResult ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    std::optional<std::string> deviceGiven;
    bool simulateGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "--name=value" and "--name value" are both accepted.
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        auto takeValue = [&]() -> std::optional<std::string> {
            if (value) {
                return value;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };

        if (name == "--help" || name == "-h") {
            line.help = true;
        } else if (name == "--version") {
            line.version = true;
        } else if (name == "--simulate") {
            if (value) {
                return {std::nullopt, "--simulate takes no value"};
            }
            simulateGiven = true;
            line.device = "sim";
        } else if (name == "--device") {
            const auto device = takeValue();
            if (!device || device->empty()) {
                return {std::nullopt,
                        "--device needs a device, for example --device tty:/dev/ttyUSB0"};
            }
            std::string error;
            if (!platform::ParseDeviceChoice(*device, error).has_value()) {
                return {std::nullopt, "--device " + *device + ": " + error};
            }
            deviceGiven = *device;
            line.device = *device;
        } else if (name == "--folder") {
            const auto folder = takeValue();
            if (!folder || folder->empty()) {
                return {std::nullopt, "--folder needs a folder"};
            }
            line.folder = *folder;
        } else {
            return {std::nullopt, "unknown option " + arg};
        }
    }
    if (deviceGiven && simulateGiven && *deviceGiven != "sim") {
        return {std::nullopt, "--simulate and --device " + *deviceGiven + " contradict each other"};
    }
    if (simulateGiven) {
        line.device = "sim";
    }
    return {line, {}};
}

std::string UsageText(const std::string& programName) {
    return "Usage: " + programName +
           " [OPTION]...\n"
           "Set up and diagnose a Tolvex host controller.\n"
           "\n"
           "  --device DEVICE   the connection to the host (default: ftdi)\n" +
           platform::DeviceChoiceUsage() +
           "  --simulate        run against the simulated host (same as --device sim)\n"
           "  --folder DIR      keep Settings.ini and the text files in DIR\n"
           "  --help            show this help and exit\n"
           "  --version         show the program's name and version and exit\n";
}
