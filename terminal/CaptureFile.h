#pragma once
// The capture file: received text appended exactly as displayed, chunk by
// chunk, and flushed at once so that a write error (no space, a removed
// medium) is known at the chunk that met it. Nothing written before is ever
// touched: the file is opened for appending, never replaced.

#include <QFile>
#include <QString>

#include <string_view>

namespace terminal {

class CaptureFile {
public:
    // Opens `path` for appending, creating it when missing. On failure
    // returns false with the reason in `error`.
    bool Open(const QString& path, QString& error);
    // Appends `text`; on failure closes the file and returns false with the
    // reason in `error`.
    bool Append(std::string_view text, QString& error);
    void Close();
    bool IsOpen() const { return file_.isOpen(); }
    QString FileName() const { return file_.fileName(); }

private:
    QFile file_;
};

} // namespace terminal
