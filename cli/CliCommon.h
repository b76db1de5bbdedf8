#pragma once
// What orvane-cli's commands share: the run's claim on the link, saying
// things, the program folder's files, reading and decoding records, the
// transaction log as JSON, and writing an -o FILE.

#include "cli/CliRun.h"

#include "diagnostics/DiagnosticTexts.h"
#include "diagnostics/RecordDecoder.h"
#include "game_setup/NodeFiles.h"
#include "host_config/SettingsFile.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"
#include "transactions/TransactionDump.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cli {

// A window's text ends its lines with CR LF; a shell's with LF.
std::string ShellText(std::string text);
std::string Trimmed(const std::string& text);
std::string JsonText(const QJsonObject& object);

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

void Say(const CliEnvironment& env, const CliOptions& o, const std::string& text);
void Progress(const CliEnvironment& env, const std::string& text);

// ------------------------------------------------------------ the files

struct SiteFiles {
    hostconfig::MainSettings settings;
    SiteParamRecord site;
};

std::string SettingsPath(const CliEnvironment& env);
std::string NodeFilePath(const CliEnvironment& env);

// Whether the profile files a command goes by can be read: each of
// `needed` must be there, each of `present` that is there must be readable.
// Every problem is said, naming its file: defaults stand in for what a file
// does not say, and a command must never send or compare with those
// instead of the operator's values.
bool FilesUsable(const CliEnvironment& env, const std::vector<std::string>& needed,
                 const std::vector<std::string>& present = {});

// The site parameters as the main window builds them from Settings.ini;
// a stored value the window would refuse is refused here with its words.
std::optional<SiteFiles> LoadSite(const CliEnvironment& env);
std::optional<gamesetup::NodeTable> LoadNodes(const CliEnvironment& env,
                                              const SiteParamRecord& site);

// ------------------------------------------------------------ records

struct RecordRead {
    std::optional<clsUSBInterface::ReplyBuffer> reply;
    std::string note; // a warning above the record, or why there is none
};

RecordRead ReadRecord(Run& run, const records::RecordPlace& place, const std::string& name);
QJsonObject FieldsJson(std::span<const records::FieldLayout> layout,
                       std::span<const records::RowValues> rows);

struct DecodedRecord {
    std::span<const records::FieldLayout> layout;
    std::vector<records::RowValues> rows;
};

DecodedRecord Decode(RecordKind kind, const clsUSBInterface::ReplyBuffer& reply);
records::RecordPlace PlaceOf(RecordKind kind, int index);
std::string NameOf(RecordKind kind, int index);
const char* KindWord(RecordKind kind);

// ------------------------------------------------------------ the log and -o

QJsonObject LogJson(const transactions::TransactionDump& dump);
transactions::TransactionDump DumpLog(const CliEnvironment& env, Run& run);
// The names of what a run did not read, as one line of standard error.
void SayUnread(const CliEnvironment& env, const QJsonArray& unread);
// Writes a command's result to `file`. A result that lacks something
// (`complete` false) never replaces `file`: it goes beside it, to
// FILE.partial, and the run says so. The name written, or nothing when the
// write failed.
std::optional<std::string> WriteOutput(const CliEnvironment& env, const std::string& file,
                                       const std::string& contents, bool complete);

} // namespace cli
