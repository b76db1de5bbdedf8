#include "cli/CliCommon.h"

#include "diagnostics/DiagnosticTexts.h"
#include "diagnostics/RecordDecoder.h"
#include "diagnostics/RecordReadCheck.h"
#include "game_setup/NodeFiles.h"
#include "host_config/MainWindowTexts.h"
#include "host_config/SettingsFile.h"
#include "host_config/SiteConfig.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"
#include "platform/IniProfile.h"
#include "platform/SafeFile.h"
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

std::string SettingsPath(const CliEnvironment& env) {
    return env.folder + "/Settings.ini";
}

std::string NodeFilePath(const CliEnvironment& env) {
    return env.folder + "/NodeInfo.ini";
}

bool FilesUsable(const CliEnvironment& env, const std::vector<std::string>& needed,
                 const std::vector<std::string>& present) {
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

QJsonObject FieldsJson(std::span<const records::FieldLayout> layout,
                       std::span<const records::RowValues> rows) {
    QJsonObject fields;
    for (std::size_t i = 0; i < layout.size() && i < rows.size(); ++i) {
        const records::FieldLayout& field = layout[i];
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

} // namespace cli
