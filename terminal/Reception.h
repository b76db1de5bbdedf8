#pragma once
// What the terminal does with received bytes, free of any window: the
// receive step turns each chunk into text, which goes to the display buffer
// and, while capturing, to the capture file. A capture that fails ends, and
// says why; the display goes on.

#include "terminal/CaptureFile.h"
#include "terminal/TerminalCore.h"

#include <QByteArrayView>
#include <QString>

#include <string>

namespace terminal {

class Reception {
public:
    // Takes one chunk, kPiece bytes at a time: each piece's text goes to
    // the display (so a large chunk leaves it no larger than its limit and
    // one piece) and to the capture file. Returns false when it gave no
    // text (the Ithica printer type shows nothing). A capture that fails
    // here ends; then CaptureFailure() is set until the next capture starts.
    bool Take(QByteArrayView bytes, const ReceiveOptions& options);
    // Forgets the text and any half-received line or sequence ("Clear").
    void Clear();

    DisplayBuffer& Display() { return display_; }

    // Starts capturing into `path` (appending); false with the reason in
    // `error` when it cannot be opened.
    bool StartCapture(const QString& path, QString& error);
    // Hands what was captured to the system, then stops capturing.
    void EndCapture();
    // Hands what was captured to the system; false when that failed and
    // capture has ended.
    bool FlushCapture();
    bool Capturing() const { return capture_.IsOpen(); }
    // The status line's text for the capture that failed last.
    const QString& CaptureFailure() const { return captureFailure_; }

    static constexpr qsizetype kPiece = 4096;

private:
    void CaptureFailed(const QString& error);

    ReceiveState state_;
    DisplayBuffer display_;
    std::string chunk_;
    CaptureFile capture_;
    QString captureFailure_;
};

} // namespace terminal
