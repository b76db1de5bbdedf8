#include "cli/Command.h"

namespace cli {

const std::vector<CommandEntry>& Commands() {
    static const std::vector<CommandEntry> commands = {
        PingCommand(),  ReadCommand(),   ProgramCommand(), ProgramNodesCommand(), LogCommand(),
        MasksCommand(), RemoteCommand(), VerifyCommand(),  SnapshotCommand()};
    return commands;
}

const CommandEntry* FindCommand(const std::string& name) {
    for (const CommandEntry& c : Commands()) {
        if (name == c.name) {
            return &c;
        }
    }
    return nullptr;
}

const CommandEntry* CommandOf(Command command) {
    for (const CommandEntry& c : Commands()) {
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
