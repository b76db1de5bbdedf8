#include "cli/CliRun.h"

#include "common/codeCommon.h"
#include "diagnostics/DiagnosticTexts.h"
#include "diagnostics/RecordCompare.h"
#include "diagnostics/RecordDecoder.h"
#include "diagnostics/RecordReadCheck.h"
#include "game_setup/GameSetupTexts.h"
#include "game_setup/NodeFiles.h"
#include "game_setup/NodeProgramming.h"
#include "host_config/MainWindowTexts.h"
#include "host_config/SettingsFile.h"
#include "host_config/SiteConfig.h"
#include "host_config/SiteProgramming.h"
#include "host_config/TicketTextFile.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"
#include "platform/IniProfile.h"
#include "platform/SafeFile.h"
#include "remote_viewer/RemoteViewerCore.h"
#include "remote_viewer/ViewRemoteTexts.h"
#include "transactions/TransactionDump.h"
#include "transactions/TransactionMasks.h"
#include "transactions/TransactionTypes.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

#include <optional>

namespace cli {

namespace {

// A window's text ends its lines with CR LF; a shell's with LF.
std::string ShellText(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string JsonText(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

// What a command run needs besides its options: the link claimed for the
// run, and whether any exchange of it failed.
class Run {
public:
    explicit Run(const CliEnvironment& env) : env_(env), link_(env.link), sequence_(env.link) {
        if (link_ != nullptr) {
            watch_ = QObject::connect(link_, &clsUSBInterface::ExchangeFinished, link_, [this] {
                if (link_ != nullptr && link_->LastOutcome() != ExchangeOutcome::Ok) {
                    if (!linkFailed_) {
                        firstFailure_ = LastOutcomeText();
                    }
                    linkFailed_ = true;
                    ++failures_;
                }
            });
        }
    }
    ~Run() { QObject::disconnect(watch_); }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    clsUSBInterface* Link() const { return link_; }
    bool Claimed() const { return sequence_.Claimed(); }
    const char* RefusalText() const { return sequence_.RefusalText(); }
    bool ShouldStop() const { return sequence_.ShouldStop() || Signal() != 0; }
    bool LinkFailed() const { return linkFailed_; }
    // Exchanges so far that got no good reply, and the link's text for
    // the first of them.
    int Failures() const { return failures_; }
    const std::string& FirstFailureText() const { return firstFailure_; }
    int Signal() const { return env_.stopSignal ? env_.stopSignal() : 0; }
    // The exit status of a run that has no other verdict.
    int Status(bool refused) const {
        if (Signal() != 0) {
            return 128 + Signal();
        }
        if (linkFailed_ || link_ == nullptr) {
            return kExitLink;
        }
        return refused ? kExitRefused : kExitDone;
    }
    // The link's own text for its last exchange ("Timeout", "CRC?").
    std::string LastOutcomeText() const {
        if (link_ == nullptr) {
            return diagtext::kNoLink;
        }
        return Trimmed(link_->OutcomeText(link_->LastOutcome(), link_->LastStatus()));
    }

private:
    const CliEnvironment& env_;
    QPointer<clsUSBInterface> link_;
    LinkSequence sequence_;
    QMetaObject::Connection watch_;
    bool linkFailed_ = false;
    int failures_ = 0;
    std::string firstFailure_;
};

void Say(const CliEnvironment& env, const CliOptions& o, const std::string& text) {
    if (!o.quiet && env.out) {
        env.out(text);
    }
}

void Progress(const CliEnvironment& env, const std::string& text) {
    if (env.progress) {
        env.progress(text);
    }
}

// ------------------------------------------------------------ the files

struct SiteFiles {
    hostconfig::MainSettings settings;
    SiteParamRecord site;
};

std::string SettingsPath(const CliEnvironment& env) {
    return env.folder + "/Settings.ini";
}

std::string NodeFilePath(const CliEnvironment& env) {
    return env.folder + "/NodeInfo.ini";
}

// Whether the profile files a command goes by can be read: each of
// `needed` must be there, each of `present` that is there must be readable.
// Every problem is said, naming its file: defaults stand in for what a file
// does not say, and a command must never send or compare with those
// instead of the operator's values.
bool FilesUsable(const CliEnvironment& env, const std::vector<std::string>& needed,
                 const std::vector<std::string>& present = {}) {
    bool usable = true;
    const auto check = [&](const std::string& path, bool mustExist) {
        const std::string problem = platform::ProfileFileProblem(path);
        if (!problem.empty() && (mustExist || problem != "no such file")) {
            env.err(path + ": " + problem + "\n");
            usable = false;
        }
    };
    for (const std::string& path : needed) {
        check(path, true);
    }
    for (const std::string& path : present) {
        check(path, false);
    }
    return usable;
}

// The site parameters as the main window builds them from Settings.ini;
// a stored value the window would refuse is refused here with its words.
std::optional<SiteFiles> LoadSite(const CliEnvironment& env) {
    if (!FilesUsable(env, {SettingsPath(env)})) {
        return std::nullopt;
    }
    QStringList problems;
    SiteFiles files;
    files.settings = hostconfig::ReadMainSettings(SettingsPath(env), env.folder, &problems);
    if (!problems.isEmpty()) {
        env.err(QString(hostconfig::texts::kStartUpIntro).toStdString() + "\n");
        for (const QString& line : problems) {
            env.err("  " + line.toStdString() + "\n");
        }
        return std::nullopt;
    }
    hostconfig::SiteEntries entries;
    for (std::size_t n = 0; n < entries.parameters.size(); ++n) {
        entries.parameters[n] = QString::fromStdString(files.settings.Parameters[n]);
    }
    entries.globalOptions = files.settings.GlobalOptions;
    entries.printerType = static_cast<std::uint8_t>(files.settings.PrinterType);
    entries.kioskNoteInValue = static_cast<std::uint8_t>(files.settings.KioskNoteInValue);
    const transactions::TransactionSettings masks =
        transactions::ReadTransactionSettings(SettingsPath(env));
    SiteParamRecord previous;
    previous.TransactionStoreMask = static_cast<std::uint32_t>(masks.StoreMask);
    previous.TransactionPrintMask = static_cast<std::uint32_t>(masks.PrintMask);
    const auto record = hostconfig::BuildSiteParams(entries, previous);
    if (!record) {
        for (const QString& line : hostconfig::ParameterProblemLines(entries.parameters)) {
            env.err(line.toStdString() + "\n");
        }
        return std::nullopt;
    }
    files.site = *record;
    return files;
}

std::optional<gamesetup::NodeTable> LoadNodes(const CliEnvironment& env,
                                              const SiteParamRecord& site) {
    const std::string path = NodeFilePath(env);
    gamesetup::IniLoad load = gamesetup::LoadNodeIni(path, site.CardPrefix, site.MaxNode);
    if (!load.readable) {
        env.err(path + ": could not be read\n");
        return std::nullopt;
    }
    return load.table;
}

// ------------------------------------------------------------ records

struct RecordRead {
    std::optional<clsUSBInterface::ReplyBuffer> reply;
    std::string note; // a warning above the record, or why there is none
};

RecordRead ReadRecord(Run& run, const records::RecordPlace& place, const std::string& name) {
    RecordRead read;
    QPointer<clsUSBInterface> link = run.Link();
    if (link == nullptr) {
        read.note = records::ReadFailedLine(name, diagtext::kNoLink);
        return read;
    }
    const clsUSBInterface::ReplyBuffer reply = link->NovRamRead(place.address, place.readLength);
    if (link == nullptr) {
        read.note = records::ReadFailedLine(name, diagtext::kNoLink);
        return read;
    }
    records::ReadVerdict verdict = records::CheckRecordReply(*link, name, place.decodedSize);
    read.note = std::move(verdict.note);
    if (verdict.show) {
        read.reply = reply;
    }
    return read;
}

QJsonObject FieldsJson(std::span<const records::FieldSpec> layout,
                       std::span<const records::RowValues> rows) {
    QJsonObject fields;
    for (std::size_t i = 0; i < layout.size() && i < rows.size(); ++i) {
        const records::FieldSpec& field = layout[i];
        if (field.form == records::DisplayForm::Hidden || field.label.empty()) {
            continue;
        }
        const QString label =
            QString::fromLatin1(field.label.data(), static_cast<qsizetype>(field.label.size()));
        if (field.count == 1) {
            fields.insert(label, rows[i][0]);
        } else {
            QJsonArray values;
            for (int k = 0; k < field.count; ++k) {
                values.append(rows[i][static_cast<std::size_t>(k)]);
            }
            fields.insert(label, values);
        }
    }
    return fields;
}

struct DecodedRecord {
    std::span<const records::FieldSpec> layout;
    std::vector<records::RowValues> rows;
};

DecodedRecord Decode(RecordKind kind, const clsUSBInterface::ReplyBuffer& reply) {
    switch (kind) {
    case RecordKind::Site: {
        const auto r = records::DecodeSite(reply);
        return {records::kSiteLayout, {r.begin(), r.end()}};
    }
    case RecordKind::Node: {
        const auto r = records::DecodeRemote(reply);
        return {records::kRemoteLayout, {r.begin(), r.end()}};
    }
    case RecordKind::Player:
        break;
    }
    const auto r = records::DecodePlayer(reply);
    return {records::kPlayerLayout, {r.begin(), r.end()}};
}

records::RecordPlace PlaceOf(RecordKind kind, int index) {
    switch (kind) {
    case RecordKind::Site:
        return records::SitePlace();
    case RecordKind::Node:
        return records::RemotePlace(index);
    case RecordKind::Player:
        break;
    }
    return records::PlayerPlace(index);
}

std::string NameOf(RecordKind kind, int index) {
    switch (kind) {
    case RecordKind::Site:
        return diagtext::kSiteRecordName;
    case RecordKind::Node:
        return diagtext::kRemoteRecordName + std::to_string(index);
    case RecordKind::Player:
        break;
    }
    return diagtext::kPlayerRecordName + std::to_string(index);
}

const char* KindWord(RecordKind kind) {
    return kind == RecordKind::Site ? "site" : kind == RecordKind::Node ? "node" : "player";
}

// ------------------------------------------------------------ commands

int Ping(const CliOptions& o, const CliEnvironment& env, Run& run) {
    const std::int32_t word = run.Link()->ReadInputs();
    if (run.LinkFailed()) {
        env.err("ping: " + run.LastOutcomeText() + "\n");
        return run.Status(false);
    }
    if (o.json) {
        env.out(JsonText({{"inputWord", word}}));
    } else {
        env.out(HexText(static_cast<std::uint32_t>(word), 4) + " (" + std::to_string(word) + ")\n");
    }
    return run.Status(false);
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

QJsonObject LogJson(const transactions::TransactionDump& dump) {
    QJsonArray entries;
    for (int k = 0; k < records::kTransactionEntryCount; ++k) {
        const auto entry = dump.Entry(k);
        if (!entry) {
            continue;
        }
        const std::string_view mnemonic = transactions::Mnemonic(entry->type);
        entries.append(
            QJsonObject{{"entry", k},
                        {"type", entry->type},
                        {"mnemonic", QString::fromLatin1(mnemonic.data(),
                                                         static_cast<qsizetype>(mnemonic.size()))},
                        {"time", QString::fromStdString(transactions::IsoDateTime(*entry))},
                        {"game", entry->game},
                        {"account", entry->acct},
                        {"amount", static_cast<qint64>(entry->amount)}});
    }
    QJsonArray unread;
    for (int block = 0; block < transactions::TransactionDump::kBlocks; ++block) {
        if (!dump.BlockRead(block)) {
            unread.append(QString::fromStdString(transactions::BlockEntryRange(block)));
        }
    }
    return {{"entries", entries}, {"unread", unread}};
}

transactions::TransactionDump DumpLog(const CliEnvironment& env, Run& run) {
    const transactions::DumpControl control{[&env](int block, int total) {
                                                Progress(env, "block " + std::to_string(block + 1) +
                                                                  " of " + std::to_string(total));
                                            },
                                            [&run] { return run.ShouldStop(); },
                                            {}};
    return transactions::ReadTransactionLog(run.Link(), control);
}

// The names of what a run did not read, as one line of standard error.
void SayUnread(const CliEnvironment& env, const QJsonArray& unread) {
    if (unread.isEmpty()) {
        return;
    }
    QStringList names;
    for (const QJsonValue& name : unread) {
        names << name.toString();
    }
    env.err("not read: " + names.join(", ").toStdString() + "\n");
}

// Writes a command's result to `file`. A result that lacks something
// (`complete` false) never replaces `file`: it goes beside it, to
// FILE.partial, and the run says so. The name written, or nothing when the
// write failed.
std::optional<std::string> WriteOutput(const CliEnvironment& env, const std::string& file,
                                       const std::string& contents, bool complete) {
    const std::string target = complete ? file : file + ".partial";
    if (!platform::WriteFileAtomically(target, contents)) {
        env.err(target + ": could not be written\n");
        return std::nullopt;
    }
    if (!complete) {
        const bool kept = QFileInfo::exists(platform::QtFileName(file).value_or(QString()));
        env.err(file + (kept ? " kept as it was" : " not written") + "; what was read is in " +
                target + "\n");
    }
    return target;
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

int Masks(const CliOptions& o, const CliEnvironment& env, Run& run) {
    if ((!o.printMask || !o.storeMask) && !FilesUsable(env, {SettingsPath(env)})) {
        return kExitUsage;
    }
    const transactions::TransactionSettings stored =
        transactions::ReadTransactionSettings(SettingsPath(env));
    const auto store = static_cast<std::int32_t>(o.storeMask.value_or(stored.StoreMask));
    const auto print = static_cast<std::int32_t>(o.printMask.value_or(stored.PrintMask));
    const auto payload = transactions::TransactionMaskPayload(store, print);
    QPointer<clsUSBInterface> link = run.Link();
    link->SendMessage(transactions::kMaskDeviceId, transactions::kMaskMsgLen,
                      transactions::kMaskCmnd, payload);
    if (link == nullptr) {
        return kExitLink;
    }
    const std::string result = transactions::ProgramResult(
        link->LastOutcome(), link->OutcomeText(link->LastOutcome(), link->LastStatus()));
    if (o.json) {
        env.out(JsonText({{"store", static_cast<qint64>(static_cast<std::uint32_t>(store))},
                          {"print", static_cast<qint64>(static_cast<std::uint32_t>(print))},
                          {"sent", !run.LinkFailed()}}));
    } else if (run.LinkFailed()) {
        env.err(result + "\n");
    } else {
        Say(env, o, result + "\n");
    }
    return run.Status(false);
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

// Whether the command goes by what the program folder's files hold.
bool UsesFolder(const CliOptions& o) {
    switch (o.command) {
    case Command::Program:
    case Command::ProgramNodes:
    case Command::Verify:
    case Command::Snapshot:
        return true;
    case Command::Masks:
        return !o.printMask || !o.storeMask;
    case Command::Ping:
    case Command::Read:
    case Command::Log:
    case Command::Remote:
        break;
    }
    return false;
}

} // namespace

int RunCommand(const CliOptions& o, const CliEnvironment& env) {
    // Refused before the link is touched.
    if (UsesFolder(o) && !QFileInfo(platform::QtFileName(env.folder).value_or(QString())).isDir()) {
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
    switch (o.command) {
    case Command::Ping:
        return Ping(o, env, run);
    case Command::Read:
        return Read(o, env, run);
    case Command::Program:
        return Program(o, env, run);
    case Command::ProgramNodes:
        return ProgramNodes(o, env, run);
    case Command::Log:
        return Log(o, env, run);
    case Command::Masks:
        return Masks(o, env, run);
    case Command::Remote:
        return Remote(o, env, run);
    case Command::Verify:
        return Verify(o, env, run);
    case Command::Snapshot:
        return Snapshot(o, env, run);
    }
    return kExitUsage;
}

} // namespace cli
