#include "cli/Command.h"

#include "cli/CliCommon.h"

namespace cli {

namespace {

std::string ParseSnapshot(const std::vector<std::string>& rest, CliOptions& o) {
    for (std::size_t k = 0; k < rest.size(); ++k) {
        if (rest[k] == "-o") {
            const auto file = OptionValue(rest, k);
            if (!file || file->empty()) {
                return "-o needs a file";
            }
            o.outputFile = *file;
        } else if (rest[k] == "--players") {
            const auto list = OptionValue(rest, k);
            std::string why;
            const auto players = list ? ParseNumberList(*list, 0, 255, why) : std::nullopt;
            if (!players) {
                return "--players " + (list ? why : std::string("needs a list such as 0-9"));
            }
            o.players = *players;
        } else {
            return UnexpectedArgument(rest[k]);
        }
    }
    if (o.outputFile.empty()) {
        return "needs -o FILE";
    }
    return {};
}

int Snapshot(const CliOptions& o, const CliEnvironment& env, Run& run) {
    const auto files = LoadSite(env);
    if (!files) {
        return kExitUsage;
    }
    const QDateTime now = env.clock ? env.clock() : QDateTime::currentDateTime();
    QJsonArray unread;
    const auto record = [&](RecordKind kind, int index) -> QJsonValue {
        const std::string name = NameOf(kind, index);
        if (run.ShouldStop()) {
            unread.append(QString::fromStdString(name));
            return QJsonValue::Null;
        }
        Progress(env, name);
        const RecordRead read = ReadRecord(run, PlaceOf(kind, index), name);
        if (!read.reply || !read.note.empty()) {
            unread.append(QString::fromStdString(name));
            if (!read.reply) {
                return QJsonValue::Null;
            }
        }
        const DecodedRecord decoded = Decode(kind, *read.reply);
        return FieldsJson(decoded.layout, decoded.rows);
    };
    QJsonObject snapshot{{"time", now.toString(Qt::ISODate)}};
    snapshot.insert("site", record(RecordKind::Site, 0));
    QJsonArray nodes;
    for (int node = 1; node <= files->site.MaxNode; ++node) {
        nodes.append(QJsonObject{{"node", node}, {"fields", record(RecordKind::Node, node)}});
    }
    snapshot.insert("nodes", nodes);
    QJsonArray players;
    for (const int player : o.players) {
        players.append(
            QJsonObject{{"player", player}, {"fields", record(RecordKind::Player, player)}});
    }
    snapshot.insert("players", players);
    if (run.ShouldStop()) {
        unread.append(QStringLiteral("transaction log"));
    } else {
        const transactions::TransactionDump dump = DumpLog(env, run);
        snapshot.insert("log", LogJson(dump));
        if (dump.BlocksRead() < transactions::TransactionDump::kBlocks) {
            unread.append(QStringLiteral("transaction log"));
        }
    }
    snapshot.insert("unread", unread);
    const auto written = WriteOutput(env, o.outputFile, JsonText(snapshot), unread.isEmpty());
    if (!written) {
        return kExitUsage;
    }
    if (o.json) {
        env.out(JsonText({{"written", QString::fromStdString(*written)},
                          {"complete", unread.isEmpty()},
                          {"unread", unread}}));
    } else if (unread.isEmpty()) {
        Say(env, o, *written + " written\n");
    }
    SayUnread(env, unread);
    if (run.Signal() != 0) {
        return run.Status(false);
    }
    return unread.isEmpty() ? run.Status(false) : kExitLink;
}

} // namespace

const CommandEntry& SnapshotCommand() {
    static const CommandEntry entry{
        .name = "snapshot",
        .command = Command::Snapshot,
        .usage = "-o FILE [--players LIST]",
        .help = "every readable record in one JSON file",
        .options = {"-o", "--players"},
        .parse = ParseSnapshot,
        .run = Snapshot,
        .usesFolder = AlwaysFolder,
    };
    return entry;
}

} // namespace cli
