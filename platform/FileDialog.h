#pragma once
// The open and save file dialogs. Callers describe the dialog (title, filter
// in the "description|pattern|description|pattern" form, initial file name);
// tests can answer it through a hook instead of a real dialog.

#include <QString>

#include <functional>

class QWidget;

namespace platform {

// OpenOrCreate takes an existing file or a new name, and asks nothing about
// an existing one (for files that are appended to).
enum class FileDialogKind { Open, Save, OpenOrCreate };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    QString filter; // "(*.txt)|*.txt|All Files|*.*"
    QString initialFileName;
};

// The Qt form of a "description|pattern|..." filter: "(*.txt) (*.txt);;All
// Files (*.*)"; a description that already names its pattern is kept as is.
QString QtFileFilter(const QString& filter);

// The chosen path, or an empty text when the dialog was cancelled or failed.
QString ShowFileDialog(QWidget* parent, const FileDialogRequest& request);

// Answers every dialog instead of showing one (an empty text is a cancel);
// an empty hook restores the real dialogs.
using FileDialogHook = std::function<QString(const FileDialogRequest&)>;
void SetFileDialogHook(FileDialogHook hook);

} // namespace platform
