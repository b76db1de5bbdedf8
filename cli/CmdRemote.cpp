#include "cli/Command.h"

#include "cli/CliCommon.h"
#include "diagnostics/DiagnosticTexts.h"
#include "host_config/SiteConfig.h"
#include "remote_viewer/RemoteViewerCore.h"
#include "remote_viewer/ViewRemoteTexts.h"

#include <algorithm>

namespace cli {

namespace {

std::string ParseRemote(const std::vector<std::string>& rest, CliOptions& o) {
    if (rest.size() != 2) {
        return "needs a node 1 to 16 and one of poll, counts, nv, errors, clear-errors";
    }
    const auto n = Number(rest[0], 1, 16);
    if (!n) {
        return "node \"" + rest[0] + "\" is out of range (1 to 16)";
    }
    o.remoteNode = static_cast<int>(*n);
    const std::vector<std::pair<std::string, RemoteAction>> actions = {
        {"poll", RemoteAction::Poll},
        {"counts", RemoteAction::Counts},
        {"nv", RemoteAction::Nv},
        {"errors", RemoteAction::Errors},
        {"clear-errors", RemoteAction::ClearErrors}};
    const auto it = std::find_if(actions.begin(), actions.end(),
                                 [&](const auto& a) { return a.first == rest[1]; });
    if (it == actions.end()) {
        return "unknown command \"" + rest[1] + "\" (poll, counts, nv, errors, clear-errors)";
    }
    o.action = it->second;
    return {};
}

int Remote(const CliOptions& o, const CliEnvironment& env, Run& run) {
    static constexpr const char* kActionNames[] = {"poll", "counts", "nv", "errors",
                                                   "clear-errors"};
    const auto node = static_cast<std::uint8_t>(o.remoteNode);
    // The host's own site parameters, read first: they are what it gets
    // back when the session ends, so no other value of the site changes.
    const RecordRead own = ReadRecord(run, records::SitePlace(), diagtext::kSiteRecordName);
    if (!own.reply || !own.note.empty()) {
        env.err(own.note + "\n");
        env.err("remote: the host's site parameters could not be read, so its node count "
                "was left alone and nothing was sent\n");
        return run.Signal() != 0 ? run.Status(false) : kExitLink;
    }
    const SiteParamRecord site = hostconfig::SiteParamsOfHostRecord(
        std::span<const std::uint8_t>(*own.reply).subspan(records::kReplyDataOffset));
    std::string why;
    // The host leaves the field network alone while its node count is 0.
    const bool held = remoteview::SendViewerSiteParams(run.Link(), site, true, why);
    std::string text;
    int notSent = 0;
    int total = 0;
    if (!held) {
        env.err(
            QString(remoteview::texts::kOpenFailed).arg(QString::fromStdString(why)).toStdString() +
            "\n");
    } else if (!run.ShouldStop()) {
        remoteview::LinkFieldSession session(
            run.Link(), node, [&run] { return run.ShouldStop(); },
            [&text](const std::string& shown) { text += shown; },
            [&text](const std::string& shown) { text = shown; });
        switch (o.action) {
        case RemoteAction::Poll:
            total = 1;
            notSent = remoteview::PollRemote(session);
            break;
        case RemoteAction::Counts:
            total = remoteview::kGetCountsCommands;
            notSent = remoteview::GetCounts(session);
            break;
        case RemoteAction::Nv:
            total = remoteview::kDumpNVCommands;
            notSent = remoteview::DumpNV(session);
            break;
        case RemoteAction::Errors:
            total = remoteview::kErrorCounterCount;
            notSent = remoteview::DumpRemoteErrorCounts(session);
            break;
        case RemoteAction::ClearErrors:
            total = 1;
            notSent = remoteview::ClearRemoteErrorCounts(session);
            break;
        }
    }
    // Put back, stopped or not: the site's own node count.
    std::string restoreWhy;
    const bool restored = remoteview::SendViewerSiteParams(run.Link(), site, false, restoreWhy);
    if (o.json) {
        QJsonArray lines;
        for (const QString& line :
             QString::fromLatin1(ShellText(text)).split('\n', Qt::SkipEmptyParts)) {
            lines.append(line);
        }
        env.out(JsonText({{"node", o.remoteNode},
                          {"command", kActionNames[static_cast<int>(o.action)]},
                          {"lines", lines},
                          {"notSent", notSent},
                          {"nodeCountRestored", restored}}));
    } else {
        env.out(ShellText(text));
    }
    if (notSent > 0) {
        env.err(ShellText(remoteview::StoppedLine(notSent, total)));
    }
    if (!restored) {
        env.err("the host's node count could not be restored to " + std::to_string(site.MaxNode) +
                ": " + restoreWhy + "\n");
    }
    return run.Status(false);
}

} // namespace

const CommandEntry& RemoteCommand() {
    static const CommandEntry entry{
        .name = "remote",
        .command = Command::Remote,
        .usage = "N poll | counts | nv | errors | clear-errors",
        .help = "talk to remote node N (1 to 16)",
        .options = {},
        .parse = ParseRemote,
        .run = Remote,
        .usesFolder = NoFolder,
    };
    return entry;
}

} // namespace cli
