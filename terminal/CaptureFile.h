#pragma once
// The capture file: received text appended exactly as displayed, chunk by
// chunk, and flushed to the system in batches (the window flushes with each
// display update), so that a write error (no space, a removed medium) is
// known within a moment. Nothing written before is ever touched: the file is
// opened for appending, never replaced.

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

private:
    QFile file_;
};

} // namespace terminal
