#include "cli/Command.h"

#include "cli/CliCommon.h"
#include "transactions/TransactionMasks.h"

#include <charconv>

namespace cli {

namespace {

// A mask as decimal or 0x hexadecimal, any 32-bit pattern.
std::optional<std::int64_t> Mask(const std::string& text) {
    if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) {
        std::uint64_t value = 0;
        const std::string digits = text.substr(2);
        const char* end = digits.data() + digits.size();
        const auto [ptr, ec] = std::from_chars(digits.data(), end, value, 16);
        if (digits.empty() || ec != std::errc() || ptr != end || value > 0xFFFFFFFFu) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(value);
    }
    return Number(text, -2147483648LL, 4294967295LL);
}

std::string ParseMasks(const std::vector<std::string>& rest, CliOptions& o) {
    for (std::size_t k = 0; k < rest.size(); ++k) {
        if (rest[k] != "--print" && rest[k] != "--store") {
            return UnexpectedArgument(rest[k]);
        }
        const std::string option = rest[k];
        const auto text = OptionValue(rest, k);
        const auto mask = text ? Mask(*text) : std::nullopt;
        if (!mask) {
            return option + " needs a 32-bit mask (decimal or 0x hexadecimal)";
        }
        (option == "--print" ? o.printMask : o.storeMask) = *mask;
    }
    return {};
}

// Settings.ini gives the masks not on the command line.
bool MasksUseFolder(const CliOptions& o) {
    return !o.printMask || !o.storeMask;
}

int Masks(const CliOptions& o, const CliEnvironment& env, Run& run) {
    if ((!o.printMask || !o.storeMask) && !FilesUsable(env, {SettingsPath(env)})) {
        return kExitUsage;
    }
    const transactions::TransactionSettings stored =
        transactions::ReadTransactionSettings(SettingsPath(env));
    const auto store = static_cast<std::int32_t>(o.storeMask.value_or(stored.StoreMask));
    const auto print = static_cast<std::int32_t>(o.printMask.value_or(stored.PrintMask));
    const auto payload = transactions::TransactionMaskPayload(store, print);
    QPointer<clsUSBInterface> link = run.Link();
    link->SendMessage(transactions::kMaskDeviceId, transactions::kMaskMsgLen,
                      transactions::kMaskCmnd, payload);
    if (link == nullptr) {
        return kExitLink;
    }
    const std::string result = transactions::ProgramResult(
        link->LastOutcome(), link->OutcomeText(link->LastOutcome(), link->LastStatus()));
    if (o.json) {
        env.out(JsonText({{"store", static_cast<qint64>(static_cast<std::uint32_t>(store))},
                          {"print", static_cast<qint64>(static_cast<std::uint32_t>(print))},
                          {"sent", !run.LinkFailed()}}));
    } else if (run.LinkFailed()) {
        env.err(result + "\n");
    } else {
        Say(env, o, result + "\n");
    }
    return run.Status(false);
}

} // namespace

const CommandEntry& MasksCommand() {
    static const CommandEntry entry{
        .name = "masks",
        .command = Command::Masks,
        .usage = "[--print N] [--store N]",
        .help = "send the print and store masks",
        .options = {"--print", "--store"},
        .parse = ParseMasks,
        .run = Masks,
        .usesFolder = MasksUseFolder,
    };
    return entry;
}

} // namespace cli
