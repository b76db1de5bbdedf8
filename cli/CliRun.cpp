#include "cli/CliRun.h"

#include "cli/CliCommon.h"
#include "cli/Command.h"
#include "platform/SafeFile.h"

#include <QFileInfo>

namespace cli {

int RunCommand(const CliOptions& o, const CliEnvironment& env) {
    const CommandEntry* command = CommandOf(o.command);
    if (command == nullptr) {
        return kExitUsage;
    }
    // Refused before the link is touched.
    if (command->usesFolder(o) &&
        !QFileInfo(platform::QtFileName(env.folder).value_or(QString())).isDir()) {
        env.err(env.folder + ": no such folder; this command goes by the files in it\n");
        return kExitUsage;
    }
    if (!o.outputFile.empty() && !platform::Replaceable(o.outputFile)) {
        env.err(o.outputFile + ": not a regular file; it is not replaced\n");
        return kExitUsage;
    }
    Run run(env);
    if (run.Link() == nullptr) {
        env.err(std::string(LinkSequence::kNoLinkText) + "\n");
        return kExitLink;
    }
    if (!run.Claimed()) {
        env.err(std::string(run.RefusalText()) + "\n");
        return kExitLink;
    }
    return command->run(o, env, run);
}

} // namespace cli
