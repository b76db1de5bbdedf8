#include "terminal/CaptureFile.h"

namespace terminal {

bool CaptureFile::Open(const QString& path, QString& error) {
    Close();
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error = file_.errorString();
        return false;
    }
    return true;
}

bool CaptureFile::Append(std::string_view text, QString& error) {
    if (!file_.isOpen()) {
        error = QFile::tr("the file is not open");
        return false;
    }
    const auto size = static_cast<qint64>(text.size());
    if (file_.write(text.data(), size) != size) {
        error = file_.errorString();
        file_.close();
        return false;
    }
    return true;
}

bool CaptureFile::Flush(QString& error) {
    if (!file_.isOpen()) {
        return true;
    }
    if (!file_.flush()) {
        error = file_.errorString();
        file_.close();
        return false;
    }
    return true;
}

void CaptureFile::Close() {
    if (file_.isOpen()) {
        file_.close();
    }
}

} // namespace terminal
