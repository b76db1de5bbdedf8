#include "cli/Command.h"

#include "cli/CliCommon.h"

namespace cli {

namespace {

std::string ParseRead(const std::vector<std::string>& rest, CliOptions& o) {
    if (rest.empty()) {
        return "needs site, node N or player N";
    }
    if (rest[0] == "site" && rest.size() == 1) {
        o.record = RecordKind::Site;
    } else if ((rest[0] == "node" || rest[0] == "player") && rest.size() == 2) {
        o.record = rest[0] == "node" ? RecordKind::Node : RecordKind::Player;
        // Node records 0..127 fit below the player records; players 0..255.
        const auto n = Number(rest[1], rest[0] == "node" ? 1 : 0, rest[0] == "node" ? 127 : 255);
        if (!n) {
            return rest[0] + " number \"" + rest[1] + "\" is out of range (" +
                   (rest[0] == "node" ? "1 to 127" : "0 to 255") + ")";
        }
        o.index = static_cast<int>(*n);
    } else {
        return "needs site, node N or player N";
    }
    return {};
}

int Read(const CliOptions& o, const CliEnvironment& env, Run& run) {
    const std::string name = NameOf(o.record, o.index);
    const RecordRead read = ReadRecord(run, PlaceOf(o.record, o.index), name);
    if (!read.note.empty()) {
        env.err(read.note + "\n");
    }
    if (!read.reply) {
        return run.LinkFailed() ? run.Status(false) : kExitLink;
    }
    const DecodedRecord record = Decode(o.record, *read.reply);
    if (o.json) {
        QJsonObject object{{"record", KindWord(o.record)},
                           {"fields", FieldsJson(record.layout, record.rows)}};
        if (o.record != RecordKind::Site) {
            object.insert("index", o.index);
        }
        env.out(JsonText(object));
    } else {
        for (const std::string& line : records::RecordLines(record.layout, record.rows)) {
            env.out(line + "\n");
        }
    }
    return run.Status(false);
}

} // namespace

const CommandEntry& ReadCommand() {
    static const CommandEntry entry{
        .name = "read",
        .command = Command::Read,
        .usage = "site | node N | player N",
        .help = "list a record",
        .options = {},
        .parse = ParseRead,
        .run = Read,
        .usesFolder = NoFolder,
    };
    return entry;
}

} // namespace cli
