#include "terminal/CaptureFile.h"

#include "terminal/TerminalTexts.h"

#include <sys/stat.h>

namespace terminal {

bool CaptureFile::Open(const QString& path, QString& error) {
    Close();
    deleted_ = false;
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error = file_.errorString();
        return false;
    }
    return true;
}

bool CaptureFile::Unlinked() const {
    struct stat info {};
    return ::fstat(file_.handle(), &info) == 0 && info.st_nlink == 0;
}

bool CaptureFile::Failed(const QString& reason, QString& error) {
    error = reason;
    file_.close();
    return false;
}

bool CaptureFile::Append(std::string_view text, QString& error) {
    if (!file_.isOpen()) {
        error = QFile::tr("the file is not open");
        return false;
    }
    if (Unlinked()) {
        deleted_ = true;
        return Failed(terminaltext::kCaptureDeletedReason, error);
    }
    const auto size = static_cast<qint64>(text.size());
    if (file_.write(text.data(), size) != size) {
        return Failed(file_.errorString(), error);
    }
    return true;
}

bool CaptureFile::Flush(QString& error) {
    if (!file_.isOpen()) {
        return true;
    }
    if (Unlinked()) {
        deleted_ = true;
        return Failed(terminaltext::kCaptureDeletedReason, error);
    }
    if (!file_.flush()) {
        return Failed(file_.errorString(), error);
    }
    return true;
}

void CaptureFile::Close() {
    if (file_.isOpen()) {
        file_.close();
    }
}

} // namespace terminal
