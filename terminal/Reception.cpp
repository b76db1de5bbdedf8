#include "terminal/Reception.h"

#include "terminal/TerminalTexts.h"

#include <algorithm>
#include <span>

namespace terminal {

bool Reception::Take(QByteArrayView bytes, const ReceiveOptions& options) {
    bool gave = false;
    for (qsizetype at = 0; at < bytes.size(); at += kPiece) {
        const QByteArrayView piece = bytes.sliced(at, std::min(kPiece, bytes.size() - at));
        chunk_.clear();
        ReceiveText(std::span(reinterpret_cast<const std::uint8_t*>(piece.data()),
                              static_cast<std::size_t>(piece.size())),
                    options, state_, chunk_);
        if (chunk_.empty()) {
            continue;
        }
        gave = true;
        display_.Append(chunk_);
        QString error;
        if (Capturing() && !capture_.Append(chunk_, error)) {
            CaptureFailed(error);
        }
    }
    return gave;
}

void Reception::Clear() {
    display_.Clear();
    state_.Clear();
}

bool Reception::StartCapture(const QString& path, QString& error) {
    captureFailure_.clear();
    return capture_.Open(path, error);
}

void Reception::EndCapture() {
    FlushCapture();
    capture_.Close();
}

bool Reception::FlushCapture() {
    QString error;
    if (Capturing() && !capture_.Flush(error)) {
        CaptureFailed(error);
        return false;
    }
    return true;
}

void Reception::CaptureFailed(const QString& error) {
    const QString file = capture_.FileName();
    capture_.Close();
    captureFailure_ = capture_.Deleted()
                          ? QString(terminaltext::kCaptureDeleted).arg(file)
                          : QString(terminaltext::kCaptureWriteFailed).arg(file, error);
}

} // namespace terminal
