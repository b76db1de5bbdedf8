#include "platform/FileDialog.h"

#include "platform/MessageBox.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>

namespace platform {

namespace {

constexpr const char* kReplaceQuestion = "%1 already exists.\nDo you want to replace it?";

FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

} // namespace

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QChar('|'));
    QStringList entries;
    for (qsizetype k = 0; k + 1 < parts.size(); k += 2) {
        const QString& description = parts[k];
        QString patterns = parts[k + 1];
        patterns.replace(QChar(';'), QChar(' '));
        const QString named = QStringLiteral("(%1)").arg(patterns);
        entries << (description.endsWith(named) ? description
                                                : QStringLiteral("%1 %2").arg(description, named));
    }
    return entries.join(QStringLiteral(";;"));
}

void ShowFileDialog(QWidget* parent, const FileDialogRequest& request, FileChosen chosen) {
    if (Hook()) {
        const QString path = Hook()(request);
        if (!path.isEmpty() && chosen) {
            chosen(path);
        }
        return;
    }
    auto* dialog = new QFileDialog(parent, request.title, request.initialFileName,
                                   QtFileFilter(request.filter));
    if (request.kind == FileDialogKind::Open) {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        // The dialog's own question about an existing file would wait for
        // its answer in a loop of its own; it is asked here instead.
        dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    }
    const bool confirm = request.kind == FileDialogKind::Save;
    const QString title = request.title;
    const QPointer<QWidget> owner(parent);
    QObject::connect(dialog, &QDialog::finished, dialog, [=](int result) {
        const QStringList files = dialog->selectedFiles();
        dialog->deleteLater();
        if (result != QDialog::Accepted || files.isEmpty() || files.front().isEmpty() || !chosen) {
            return;
        }
        const QString path = files.front();
        if (!confirm || !QFileInfo::exists(path)) {
            chosen(path);
            return;
        }
        if (parent != nullptr && owner == nullptr) {
            return;
        }
        ShowMessage(owner, {MessageKind::Question, title, QString(kReplaceQuestion).arg(path)},
                    [chosen, path](MessageAnswer answer) {
                        if (answer == MessageAnswer::Yes) {
                            chosen(path);
                        }
                    });
    });
    dialog->open();
}

void SetFileDialogHook(FileDialogHook hook) {
    Hook() = std::move(hook);
}

} // namespace platform
