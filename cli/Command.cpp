#include "cli/Command.h"

namespace cli {

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands = {
        PingCommand(),  ReadCommand(),   ProgramCommand(), ProgramNodesCommand(), LogCommand(),
        MasksCommand(), RemoteCommand(), VerifyCommand(),  SnapshotCommand()};
    return commands;
}

const CommandSpec* FindCommand(const std::string& name) {
    for (const CommandSpec& c : Commands()) {
        if (name == c.name) {
            return &c;
        }
    }
    return nullptr;
}

const CommandSpec* CommandOf(Command command) {
    for (const CommandSpec& c : Commands()) {
        if (c.command == command) {
            return &c;
        }
    }
    return nullptr;
}

bool AlwaysFolder(const CliOptions&) {
    return true;
}

bool NoFolder(const CliOptions&) {
    return false;
}

} // namespace cli
