#include "cli/Command.h"

#include "cli/CliCommon.h"
#include "host_config/MainWindowTexts.h"
#include "host_config/SiteProgramming.h"
#include "host_config/TicketTextFile.h"

#include <algorithm>

namespace cli {

namespace {

const std::vector<std::string> kPartNames = {"clock", "params", "header", "footer"};

std::string ParseProgram(const std::vector<std::string>& rest, CliOptions& o) {
    for (std::size_t k = 0; k < rest.size(); ++k) {
        if (rest[k] != "--only") {
            return UnexpectedArgument(rest[k]);
        }
        const auto list = OptionValue(rest, k);
        if (!list) {
            return "--only needs a list such as clock,params,header,footer";
        }
        o.parts.assign(4, false);
        std::size_t start = 0;
        while (start <= list->size()) {
            const std::size_t comma = std::min(list->find(',', start), list->size());
            const std::string name = list->substr(start, comma - start);
            const auto it = std::find(kPartNames.begin(), kPartNames.end(), name);
            if (it == kPartNames.end()) {
                return "unknown part \"" + name + "\" (clock, params, header, footer)";
            }
            o.parts[static_cast<std::size_t>(it - kPartNames.begin())] = true;
            start = comma + 1;
        }
    }
    return {};
}

int Program(const CliOptions& o, const CliEnvironment& env, Run& run) {
    const auto files = LoadSite(env);
    if (!files) {
        return kExitUsage;
    }
    hostconfig::ProgramJob job;
    for (std::size_t n = 0; n < job.send.size(); ++n) {
        job.send[n] = o.parts[n];
    }
    job.site = files->site;
    job.clock = env.clock;
    QStringList problems;
    for (int n = 0; n < 2; ++n) {
        if (!job.send[static_cast<std::size_t>(n + 2)]) {
            continue;
        }
        const std::string& fileName =
            n == 0 ? files->settings.LocationFileName : files->settings.DisclaimerFileName;
        const hostconfig::LoadedTicketText loaded = hostconfig::LoadTicketText(fileName);
        if (loaded.outcome == platform::FileRead::Unreadable) {
            problems
                << QString(hostconfig::texts::kTextUnreadable).arg(QString::fromUtf8(fileName));
            continue;
        }
        (n == 0 ? job.header : job.footer) = loaded.text;
        problems << hostconfig::TicketTextProblemLines(n == 0 ? hostconfig::texts::kFrameLocation
                                                              : hostconfig::texts::kFrameDisclaimer,
                                                       hostconfig::EncodeTicketText(loaded.text));
    }
    if (!problems.isEmpty()) {
        env.err(QString(hostconfig::texts::kRefusedIntro).toStdString() + "\n");
        for (const QString& line : problems) {
            env.err("  " + line.toStdString() + "\n");
        }
        return kExitUsage;
    }
    // The failures counted when each part began: a part was answered when
    // none came while it was sent.
    std::array<int, hostconfig::kSendParts> failuresBefore{};
    failuresBefore.fill(-1);
    const hostconfig::ProgramControl control{
        [&env, &run, &failuresBefore](int part, int block) {
            if (block == 0) {
                failuresBefore[static_cast<std::size_t>(part)] = run.Failures();
            }
            std::string text = hostconfig::texts::kSend[static_cast<std::size_t>(part)];
            if (part >= hostconfig::kPartHeader) {
                text += ", block " + std::to_string(block + 1) + " of " +
                        std::to_string(hostconfig::kTicketTextBlocks);
            }
            Progress(env, text);
        },
        [&run] { return run.ShouldStop(); }};
    const hostconfig::ProgramOutcome outcome = hostconfig::ProgramSite(run.Link(), job, control);
    std::array<bool, hostconfig::kSendParts> answered{};
    for (int n = hostconfig::kSendParts - 1, until = run.Failures(); n >= 0; --n) {
        const auto i = static_cast<std::size_t>(n);
        if (failuresBefore[i] >= 0) {
            answered[i] = outcome.went[i] && failuresBefore[i] == until;
            until = failuresBefore[i];
        }
    }
    static constexpr const char* kPartKeys[] = {"clock", "params", "header", "footer"};
    if (o.json) {
        QJsonObject parts;
        QJsonObject answers;
        for (std::size_t n = 0; n < job.send.size(); ++n) {
            if (job.send[n]) {
                parts.insert(kPartKeys[n], outcome.went[n]);
                answers.insert(kPartKeys[n], answered[n]);
            }
        }
        QJsonArray notSent;
        for (const QString& part : outcome.notSent) {
            notSent.append(part);
        }
        env.out(JsonText({{"sent", parts}, {"answered", answers}, {"notSent", notSent}}));
    } else {
        for (std::size_t n = 0; n < job.send.size(); ++n) {
            if (job.send[n]) {
                Say(env, o,
                    std::string(hostconfig::texts::kSend[n]) + (!outcome.went[n] ? ": not sent\n"
                                                                : answered[n]
                                                                    ? ": sent, answered\n"
                                                                    : ": sent, no good reply\n"));
            }
        }
    }
    if (!outcome.notSent.isEmpty()) {
        env.err("stopped; not sent: " + outcome.notSent.join(", ").toStdString() + "\n");
    }
    if (run.LinkFailed()) {
        env.err("program: the host gave no good reply: " + run.FirstFailureText() + "\n");
    }
    return run.Status(false);
}

} // namespace

const CommandEntry& ProgramCommand() {
    static const CommandEntry entry{
        .name = "program",
        .command = Command::Program,
        .usage = "[--only clock,params,header,footer]",
        .help = "program the site from Settings.ini and the texts",
        .options = {"--only"},
        .parse = ParseProgram,
        .run = Program,
        .usesFolder = AlwaysFolder,
    };
    return entry;
}

} // namespace cli
