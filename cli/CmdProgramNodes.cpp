#include "cli/Command.h"

#include "cli/CliCommon.h"
#include "game_setup/GameSetupTexts.h"
#include "game_setup/NodeProgramming.h"

namespace cli {

namespace {

std::string ParseProgramNodes(const std::vector<std::string>& rest, CliOptions& o) {
    for (std::size_t k = 0; k < rest.size(); ++k) {
        if (rest[k] == "--nodes") {
            const auto list = OptionValue(rest, k);
            std::string why;
            const auto nodes = list ? ParseNumberList(*list, 1, 255, why) : std::nullopt;
            if (!nodes) {
                return "--nodes " + (list ? why : std::string("needs a list such as 1-40,45"));
            }
            o.nodes = *nodes;
        } else if (rest[k] == "--from") {
            const auto file = OptionValue(rest, k);
            if (!file || file->empty()) {
                return "--from needs a file";
            }
            o.fromFile = *file;
        } else {
            return UnexpectedArgument(rest[k]);
        }
    }
    return {};
}

int ProgramNodes(const CliOptions& o, const CliEnvironment& env, Run& run) {
    const auto files = LoadSite(env);
    if (!files) {
        return kExitUsage;
    }
    const int maxNode = files->site.MaxNode;
    // Programmed from NodeInfo.ini; with --from, from the text file over it.
    if (!FilesUsable(
            env, o.fromFile.empty() ? std::vector{NodeFilePath(env)} : std::vector<std::string>{},
            o.fromFile.empty() ? std::vector<std::string>{} : std::vector{NodeFilePath(env)})) {
        return kExitUsage;
    }
    auto table = LoadNodes(env, files->site);
    if (!table) {
        return kExitUsage;
    }
    if (!o.fromFile.empty()) {
        std::string contents;
        switch (gamesetup::ReadWholeFile(o.fromFile, contents)) {
        case gamesetup::TextRead::Missing:
            env.err(o.fromFile + ": no such file\n");
            return kExitUsage;
        case gamesetup::TextRead::Unreadable:
            env.err(o.fromFile + ": could not be read\n");
            return kExitUsage;
        case gamesetup::TextRead::Ok:
            break;
        }
        const gamesetup::TextImport import =
            gamesetup::ReadNodeText(contents, files->site.CardPrefix, maxNode, *table);
        if (!import.skipped.empty() || import.nodesRead == 0) {
            env.err(gamesetup::ImportReport(import, 10) + "\n");
        }
        if (import.nodesRead == 0) {
            env.err("program-nodes: " + o.fromFile + " holds no node line that can be used; " +
                    "nothing was programmed\n");
            return kExitRefused;
        }
    }
    std::vector<int> nodes = o.nodes;
    for (const int node : nodes) {
        if (node > maxNode) {
            env.err("program-nodes: node " + std::to_string(node) + " is above Max Node (" +
                    std::to_string(maxNode) + ")\n");
            return kExitUsage;
        }
    }
    if (nodes.empty()) {
        for (int node = 1; node <= maxNode; ++node) {
            nodes.push_back(node);
        }
    }
    if (nodes.empty()) {
        if (o.json) {
            env.out(JsonText({{"total", 0}, {"accepted", 0}, {"failures", QJsonArray()}}));
        } else {
            Say(env, o, std::string(gamesetup::texts::kNoNodes) + "\n");
        }
        return kExitDone;
    }
    const gamesetup::RunControl control{
        [&env, &nodes](int done, int total) {
            Progress(env, "node " + std::to_string(nodes[static_cast<std::size_t>(done)]) + " (" +
                              std::to_string(done + 1) + " of " + std::to_string(total) + ")");
        },
        [&run] { return run.ShouldStop(); }};
    int stoppedAt = -1;
    const gamesetup::ProgramRun result =
        gamesetup::ProgramNodes(run.Link(), *table, nodes, control, &stoppedAt);
    if (o.json) {
        QJsonArray failures;
        for (const gamesetup::NodeFailure& f : result.failures) {
            failures.append(QJsonObject{{"node", f.node}, {"why", QString::fromStdString(f.why)}});
        }
        env.out(JsonText(
            {{"total", result.total}, {"accepted", result.accepted}, {"failures", failures}}));
    } else {
        Say(env, o, gamesetup::RunSummary(result, result.failures.size()) + "\n");
    }
    if (stoppedAt >= 0) {
        env.err("stopped; not sent: " +
                std::to_string(nodes.size() - static_cast<std::size_t>(stoppedAt)) + " of " +
                std::to_string(nodes.size()) + " nodes, from node " +
                std::to_string(nodes[static_cast<std::size_t>(stoppedAt)]) + "\n");
    }
    return run.Status(!result.AllAccepted());
}

} // namespace

const CommandEntry& ProgramNodesCommand() {
    static const CommandEntry entry{
        .name = "program-nodes",
        .command = Command::ProgramNodes,
        .usage = "[--nodes 1-40,45] [--from NodeInfo.txt]",
        .help = "program the nodes from NodeInfo.ini",
        .options = {"--nodes", "--from"},
        .parse = ParseProgramNodes,
        .run = ProgramNodes,
        .usesFolder = AlwaysFolder,
    };
    return entry;
}

} // namespace cli
