#include "cli/Command.h"

#include "cli/CliCommon.h"
#include "common/codeCommon.h"

namespace cli {

namespace {

int Ping(const CliOptions& o, const CliEnvironment& env, Run& run) {
    const std::int32_t word = run.Link()->ReadInputs();
    if (run.LinkFailed()) {
        env.err("ping: " + run.LastOutcomeText() + "\n");
        return run.Status(false);
    }
    if (o.json) {
        env.out(JsonText({{"inputWord", word}}));
    } else {
        env.out(HexText(static_cast<std::uint32_t>(word), 4) + " (" + std::to_string(word) + ")\n");
    }
    return run.Status(false);
}

} // namespace

const CommandEntry& PingCommand() {
    static const CommandEntry entry{
        .name = "ping",
        .command = Command::Ping,
        .usage = "",
        .help = "read the host's input word",
        .options = {},
        .parse = NoArguments,
        .run = Ping,
        .usesFolder = NoFolder,
    };
    return entry;
}

} // namespace cli
