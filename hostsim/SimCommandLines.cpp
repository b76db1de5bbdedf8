#include "hostsim/SimCommandLines.h"

#include "hostsim/FieldNetwork.h"
#include "hostsim/ToolCommandLine.h"

#include <climits>
#include <cstdint>
#include <string_view>

namespace hostsim {

namespace {

std::optional<double> ParseRate(std::string_view text) {
    return NumberIn(text, 0.0, 1.0);
}

} // namespace

bool ParseHostsimOptions(const std::vector<std::string>& args, HostsimOptions& options,
                         std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return std::string_view(args[++i]);
        };
        const auto bad = [&](std::string_view what) {
            error = std::string(arg) + " needs " + std::string(what);
            return false;
        };
        const auto rateOf = [&](double& target) {
            const auto text = value();
            const std::optional<double> rate = text ? ParseRate(*text) : std::nullopt;
            if (!rate) {
                return bad("a share between 0 and 1");
            }
            target = *rate;
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--pty") {
            options.pty = true;
        } else if (arg == "--count-bytes") {
            options.countBytes = true;
        } else if (arg == "--no-sample") {
            options.sample = false;
        } else if (arg == "--drop-rate") {
            if (!rateOf(options.faults.drop))
                return false;
        } else if (arg == "--corrupt-rate") {
            if (!rateOf(options.faults.corrupt))
                return false;
        } else if (arg == "--garbage-rate") {
            if (!rateOf(options.faults.garbage))
                return false;
        } else if (arg == "--delay-rate") {
            double rate = 0;
            if (!rateOf(rate))
                return false;
            options.delayRate = rate;
        } else if (arg == "--split-rate") {
            double rate = 0;
            if (!rateOf(rate))
                return false;
            options.splitRate = rate;
        } else if (arg == "--delay-ms") {
            const auto text = value();
            const auto ms = text ? NumberIn(*text, 0, 60000) : std::nullopt;
            if (!ms) {
                return bad("a number of milliseconds 0..60000");
            }
            options.faults.delayBy = std::chrono::milliseconds(*ms);
        } else if (arg == "--split") {
            const auto text = value();
            const auto pieces = text ? NumberIn(*text, 1, 1000) : std::nullopt;
            if (!pieces) {
                return bad("a number of pieces 1..1000");
            }
            options.faults.pieces = *pieces;
        } else if (arg == "--link") {
            const auto path = value();
            if (!path || path->empty()) {
                return bad("a path");
            }
            options.link = std::string(*path);
        } else if (arg == "--baud") {
            const auto text = value();
            const auto baud = text ? NumberIn(*text, 300, 921600) : std::nullopt;
            if (!baud) {
                return bad("a line speed of 300..921600 baud");
            }
            options.baud = *baud;
        } else if (arg == "--seed") {
            const auto text = value();
            const auto seed = text ? NumberIn<std::uint64_t>(*text, 0, UINT64_MAX) : std::nullopt;
            if (!seed) {
                return bad("a whole number");
            }
            options.faults.seed = *seed;
        } else if (arg == "--fail-node") {
            const auto text = value();
            const auto colon = text ? text->find(':') : std::string_view::npos;
            const auto node = colon != std::string_view::npos
                                  ? NumberIn(text->substr(0, colon), 1, FieldNetwork::kNodes)
                                  : std::nullopt;
            const auto from = colon != std::string_view::npos
                                  ? NumberIn(text->substr(colon + 1), 1, INT_MAX)
                                  : std::nullopt;
            if (!node || !from) {
                return bad("a node 1..16, a colon and a command number from 1");
            }
            options.failNode = *node;
            options.failFrom = *from;
        } else {
            error = "unknown option " + std::string(arg);
            return false;
        }
    }
    options.faults.delay =
        options.delayRate.value_or(options.faults.delayBy.count() > 0 ? 1.0 : 0.0);
    options.faults.split = options.splitRate.value_or(options.faults.pieces > 1 ? 1.0 : 0.0);
    return true;
}

namespace {

// The value of an option that takes a number from `low` to `high`.
template <typename T> bool TakeNumber(std::string_view text, T low, T high, T& value) {
    const std::optional<T> number = NumberIn(text, low, high);
    if (number) {
        value = *number;
    }
    return number.has_value();
}

} // namespace

bool ParsePrintersimOptions(const std::vector<std::string>& args, PrintersimOptions& o,
                            std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const std::string_view value = i + 1 < args.size() ? std::string_view(args[i + 1]) : "";
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        } else if (arg == "--model") {
            const auto model = ParsePrinterModel(value);
            ok = model.has_value();
            if (ok) {
                o.model = *model;
            }
        } else if (arg == "--cps") {
            ok = TakeNumber(value, 1, 1000000, o.cps);
        } else if (arg == "--every") {
            ok = TakeNumber(value, 0, 3600, o.every);
        } else if (arg == "--first") {
            ok = TakeNumber(value, 0, 3600, o.first);
        } else if (arg == "--tickets") {
            ok = TakeNumber(value, 0L, 1000000000L, o.tickets);
        } else {
            error = "unknown option " + std::string(arg);
            return false;
        }
        if (!ok) {
            error = "bad value for " + std::string(arg);
            return false;
        }
        ++i;
    }
    return true;
}

} // namespace hostsim
