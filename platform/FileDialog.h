#pragma once
// The open and save file dialogs. Callers describe the dialog (title, filter
// in the "description|pattern|description|pattern" form, initial file name);
// the dialog opens and the call returns at once (no second event loop under
// a wait for the host), and the chosen path goes to a function. Tests can
// answer dialogs through a hook instead of a real dialog.

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

using FileChosen = std::function<void(const QString& path)>;

// Opens the dialog (modal to `parent`'s window only, and its child) and
// returns. `chosen` gets the path the operator chose; a cancelled dialog,
// or one whose window went first, calls nothing.
void ShowFileDialog(QWidget* parent, const FileDialogRequest& request, FileChosen chosen);

// Answers every dialog instead of showing one (an empty text is a cancel);
// an empty hook restores the real dialogs.
using FileDialogHook = std::function<QString(const FileDialogRequest&)>;
void SetFileDialogHook(FileDialogHook hook);

} // namespace platform
