#include "host_config/TicketTextFiles.h"

#include "common/ProgramState.h"
#include "host_config/MainWindowTexts.h"
#include "platform/SafeFile.h"

namespace t = hostconfig::texts;

namespace hostconfig {

TicketTextFiles::TicketTextFiles(BoxText text, SetBoxText setText)
    : text_(std::move(text)), setText_(std::move(setText)) {}

bool TicketTextFiles::LoadSave(int fileAction, const std::string& fileName) {
    const std::size_t box = fileAction < 2 ? 0 : 1;
    Source& source = sources_[box];
    if (fileAction == 1 || fileAction == 3) {
        const QString text = text_(box);
        if (source.fromFile && text == source.shownText) {
            return SaveTicketBytes(fileName, source.bytes);
        }
        return SaveTicketText(fileName, text, source.form);
    }
    LoadedTicketText loaded = LoadTicketText(fileName);
    if (loaded.outcome == platform::FileRead::Missing) {
        return true;
    }
    if (loaded.outcome == platform::FileRead::Unreadable) {
        return false;
    }
    setText_(box, loaded.text);
    // What the box shows, which is what an unedited text is compared with.
    source = {loaded.form, std::move(loaded.bytes), text_(box), true};
    return true;
}

QString TicketTextFiles::OtherUseOf(std::size_t box, const std::string& fileName) const {
    const ProgramState& state = ProgramState::Instance();
    if (platform::SameFile(fileName, state.SettingsPath)) {
        return t::kSettingsFileName;
    }
    if (platform::SameFile(fileName, state.NodeFilePath)) {
        return t::kNodeFileName;
    }
    if (platform::SameFile(fileName, names_[1 - box])) {
        return box == 0 ? t::kDisclaimerText : t::kLocationText;
    }
    return {};
}

QStringList TicketTextFiles::LoadAtStartUp() {
    QStringList problems;
    for (std::size_t box = 0; box < 2; ++box) {
        const std::string& fileName = names_[box];
        const QString shown = QString::fromUtf8(fileName);
        QString problem;
        QString why;
        if (!platform::QtFileName(fileName)) {
            problem = QString(t::kBadFileName).arg(shown);
            why = t::kKeptBadName;
        } else if (QString other = OtherUseOf(box, fileName);
                   !other.isEmpty() && (box == 1 || other != t::kDisclaimerText)) {
            // When both texts name one file, the location text keeps it.
            problem = QString(t::kSameFileAtStartUp).arg(shown, other);
            why = QString(t::kKeptSameFile).arg(other);
        } else if (!LoadSave(static_cast<int>(2 * box), fileName)) {
            problem = QString(t::kTextUnreadable).arg(shown);
            why = t::kKeptUnread;
        }
        if (!problem.isEmpty()) {
            problems << problem;
            kept_[box] = fileName;
            keptWhy_[box] = why;
        }
    }
    return problems;
}

QStringList TicketTextFiles::SaveAtShutDown() {
    QStringList failed;
    for (std::size_t box = 0; box < 2; ++box) {
        const std::string& fileName = names_[box];
        const QString shown = QString::fromUtf8(fileName);
        if (!kept_[box].empty() && kept_[box] == fileName) {
            // Never written over; an edit that is lost is said so.
            if (text_(box) != sources_[box].shownText) {
                failed << QString(t::kNotSavedKept).arg(shown, keptWhy_[box]);
            }
        } else if (!LoadSave(static_cast<int>(2 * box + 1), fileName)) {
            failed << shown;
        }
    }
    return failed;
}

platform::FileDialogRequest TicketTextFiles::DialogFor(int n) const {
    return {n % 2 == 0 ? platform::FileDialogKind::Open : platform::FileDialogKind::Save,
            t::kFileDialogTitles[static_cast<std::size_t>(n)], t::kFileFilter,
            platform::QtFileName(names_[n < 2 ? 0 : 1]).value_or(QString())};
}

std::optional<platform::MessageRequest> TicketTextFiles::Chosen(int n, const QString& chosen) {
    const std::size_t box = n < 2 ? 0 : 1;
    const std::string chosenName = platform::FileNameBytes(chosen);
    if (const QString other = OtherUseOf(box, chosenName); !other.isEmpty()) {
        return platform::MessageRequest{platform::MessageKind::Warning, t::kNameRefusedTitle,
                                        QString(t::kSameFileChosen).arg(chosen, other)};
    }
    if (n % 2 == 0) {
        // A file that cannot be read is not taken on: its name would have it
        // overwritten at shut-down.
        if (!LoadSave(n, chosenName)) {
            return platform::MessageRequest{platform::MessageKind::Warning, t::kNotReadTitle,
                                            QString(t::kNotRead).arg(chosen)};
        }
        names_[box] = chosenName;
        kept_[box].clear();
        return std::nullopt;
    }
    names_[box] = chosenName;
    kept_[box].clear();
    if (!LoadSave(n, chosenName)) {
        return platform::MessageRequest{platform::MessageKind::Warning, t::kNotSavedTitle,
                                        QString(t::kNotSaved).arg(chosen)};
    }
    return std::nullopt;
}

} // namespace hostconfig
