#pragma once
// The capture file: received text appended exactly as displayed, chunk by
// chunk, and flushed to the system in batches (the window flushes with each
// display update), so that a write error (no space, a removed medium) is
// known within a moment. Nothing written before is ever touched: the file is
// opened for appending, never replaced. A file deleted while capturing (its
// folder removed) is noticed at the next write, which then fails.

#include <QFile>
#include <QString>

#include <string_view>

namespace terminal {

class CaptureFile {
public:
    // Opens `path` for appending, creating it when missing. On failure
    // returns false with the reason in `error`.
    bool Open(const QString& path, QString& error);
    // Appends `text` (held until the next Flush when it fits the buffer);
    // on failure closes the file and returns false with the reason in
    // `error`.
    bool Append(std::string_view text, QString& error);
    // Hands what was appended to the system; on failure closes the file and
    // returns false with the reason in `error`.
    bool Flush(QString& error);
    void Close();
    bool IsOpen() const { return file_.isOpen(); }
    QString FileName() const { return file_.fileName(); }
    // The last Append or Flush failed because the file had been deleted (or
    // its folder removed): whatever was written since went nowhere.
    bool Deleted() const { return deleted_; }

private:
    // The open file has no name left in any folder.
    bool Unlinked() const;
    bool Failed(const QString& reason, QString& error);

    QFile file_;
    bool deleted_ = false;
};

} // namespace terminal
