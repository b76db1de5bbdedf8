#include "cli/Command.h"

#include "cli/CliCommon.h"

namespace cli {

namespace {

std::string ParseLog(const std::vector<std::string>& rest, CliOptions& o) {
    for (std::size_t k = 0; k < rest.size(); ++k) {
        if (rest[k] == "--csv") {
            o.logForm = LogForm::Csv;
        } else if (rest[k] == "--text") {
            o.logForm = LogForm::Text;
        } else if (rest[k] == "-o") {
            const auto file = OptionValue(rest, k);
            if (!file || file->empty()) {
                return "-o needs a file";
            }
            o.outputFile = *file;
        } else {
            return UnexpectedArgument(rest[k]);
        }
    }
    return {};
}

int Log(const CliOptions& o, const CliEnvironment& env, Run& run) {
    const transactions::TransactionDump dump = DumpLog(env, run);
    const QJsonObject json = LogJson(dump);
    const std::string contents =
        o.json ? JsonText(json) : (o.logForm == LogForm::Csv ? dump.CsvText() : dump.ListingText());
    const bool complete = dump.BlocksRead() == transactions::TransactionDump::kBlocks;
    if (!o.outputFile.empty()) {
        if (!WriteOutput(env, o.outputFile, contents, complete)) {
            return kExitUsage;
        }
    } else {
        env.out(o.json || o.logForm == LogForm::Csv ? contents : ShellText(contents));
    }
    if (!complete) {
        env.err(std::to_string(transactions::TransactionDump::kBlocks - dump.BlocksRead()) +
                " of " + std::to_string(transactions::TransactionDump::kBlocks) +
                " blocks not read\n");
        QJsonArray unread;
        for (const QJsonValue& entries : json["unread"].toArray()) {
            unread.append("entries " + entries.toString());
        }
        SayUnread(env, unread);
        return run.Signal() != 0 ? run.Status(false) : kExitLink;
    }
    return run.Status(false);
}

} // namespace

const CommandEntry& LogCommand() {
    static const CommandEntry entry{
        .name = "log",
        .command = Command::Log,
        .usage = "[--csv | --text] [-o FILE]",
        .help = "dump the transaction log",
        .options = {"--csv", "--text", "-o"},
        .parse = ParseLog,
        .run = Log,
        .usesFolder = NoFolder,
    };
    return entry;
}

} // namespace cli
