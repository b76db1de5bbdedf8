#include "cli/Command.h"

#include "cli/CliCommon.h"
#include "diagnostics/RecordCompare.h"
#include "game_setup/NodeProgramming.h"
#include "host_config/SiteProgramming.h"

namespace cli {

namespace {

int Verify(const CliOptions& o, const CliEnvironment& env, Run& run) {
    // Comparing with defaults would pass a host that holds them: both
    // files must be there and readable.
    if (!FilesUsable(env, {SettingsPath(env), NodeFilePath(env)})) {
        return kExitUsage;
    }
    const auto files = LoadSite(env);
    if (!files) {
        return kExitUsage;
    }
    const auto table = LoadNodes(env, files->site);
    if (!table) {
        return kExitUsage;
    }
    int differences = 0;
    int read = 0;
    QJsonArray jsonDifferences;
    QJsonArray jsonUnread;
    const auto check = [&](RecordKind kind, int index,
                           const std::vector<records::FieldValue>& expected) {
        const std::string name = NameOf(kind, index);
        if (run.ShouldStop()) {
            jsonUnread.append(QString::fromStdString(name));
            return;
        }
        Progress(env, name);
        const RecordRead record = ReadRecord(run, PlaceOf(kind, index), name);
        if (!record.reply || !record.note.empty()) {
            // A record the host did not give (or gave with a bad CRC) is
            // reported, never taken as matching.
            jsonUnread.append(QString::fromStdString(name));
            if (!o.json && !o.quiet) {
                env.out(record.note + "\n");
            }
            return;
        }
        ++read;
        const DecodedRecord decoded = Decode(kind, *record.reply);
        for (const records::FieldDifference& d :
             records::CompareFields(decoded.layout, decoded.rows, expected)) {
            ++differences;
            jsonDifferences.append(QJsonObject{{"record", KindWord(kind)},
                                               {"index", index},
                                               {"field", QString::fromStdString(d.label)},
                                               {"expected", d.expected},
                                               {"found", d.found}});
            if (!o.json && !o.quiet) {
                env.out(records::DifferenceLine(decoded.layout, name, d) + "\n");
            }
        }
    };
    check(RecordKind::Site, 0, hostconfig::SiteFieldsSent(files->site));
    for (int node = 1; node <= files->site.MaxNode; ++node) {
        check(RecordKind::Node, node,
              gamesetup::NodeFieldsSent((*table)[static_cast<std::size_t>(node)]));
    }
    const int records = 1 + files->site.MaxNode;
    if (o.json) {
        env.out(JsonText({{"records", records},
                          {"read", read},
                          {"differences", jsonDifferences},
                          {"unread", jsonUnread}}));
    } else {
        Say(env, o,
            std::to_string(differences) + (differences == 1 ? " difference" : " differences") +
                " in " +
                (jsonUnread.isEmpty()
                     ? std::to_string(records) + " records"
                     : std::to_string(read) + " of " + std::to_string(records) + " records, " +
                           std::to_string(jsonUnread.size()) + " not read") +
                "\n");
    }
    SayUnread(env, jsonUnread);
    if (run.Signal() != 0) {
        return run.Status(false);
    }
    if (!jsonUnread.isEmpty()) {
        return kExitLink;
    }
    return differences > 0 ? kExitRefused : kExitDone;
}

} // namespace

const CommandEntry& VerifyCommand() {
    static const CommandEntry entry{
        .name = "verify",
        .command = Command::Verify,
        .usage = "",
        .help = "compare the host's records with the files",
        .options = {},
        .parse = NoArguments,
        .run = Verify,
        .usesFolder = AlwaysFolder,
    };
    return entry;
}

} // namespace cli
