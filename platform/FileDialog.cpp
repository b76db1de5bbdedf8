#include "platform/FileDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace platform {

namespace {

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

QString ShowFileDialog(QWidget* parent, const FileDialogRequest& request) {
    if (Hook()) {
        return Hook()(request);
    }
    const QString filter = QtFileFilter(request.filter);
    if (request.kind == FileDialogKind::OpenOrCreate) {
        return QFileDialog::getSaveFileName(parent, request.title, request.initialFileName, filter,
                                            nullptr, QFileDialog::DontConfirmOverwrite);
    }
    return request.kind == FileDialogKind::Open
               ? QFileDialog::getOpenFileName(parent, request.title, request.initialFileName,
                                              filter)
               : QFileDialog::getSaveFileName(parent, request.title, request.initialFileName,
                                              filter);
}

void SetFileDialogHook(FileDialogHook hook) {
    Hook() = std::move(hook);
}

} // namespace platform
