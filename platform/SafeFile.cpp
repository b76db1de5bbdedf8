#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

SaveFault nextFault = SaveFault::None;
std::string faultyFile;

// Where a name leads: the file itself when it exists (links resolved), else
// the name it would be created under in its resolved folder.
QString Destination(const QString& name) {
    const QFileInfo info(name);
    if (info.exists()) {
        return info.canonicalFilePath();
    }
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : folder + QLatin1Char('/') + info.fileName();
}

// The file's bytes are on the disk. A file system that cannot sync at all
// is taken at its word, as QSaveFile itself does; any other failure (no
// space, an I/O error) fails the save.
bool SyncedToDisk(int fd, SaveFault fault) {
    if (fault == SaveFault::AtSync) {
        errno = EIO; // as a disk that lost the written pages
    } else if (::fsync(fd) == 0) {
        return true;
    }
    // A file system that cannot sync (a pipe-like or virtual one) keeps
    // nothing less for it.
    return errno == EINVAL || errno == ENOSYS || errno == ENOTSUP;
}

} // namespace

std::optional<QString> QtFileName(const std::string& bytes) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    const QByteArray raw = QByteArray::fromStdString(bytes);
    QString name = QFile::decodeName(raw);
    if (QFile::encodeName(name) != raw) {
        return std::nullopt;
    }
    return name;
}

std::string FileNameBytes(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

FileRead ReadWholeFile(const std::string& fileName, std::string& contents) {
    contents.clear();
    const auto name = QtFileName(fileName);
    if (!name) {
        return FileRead::Unreadable;
    }
    const QFileInfo info(*name);
    if (!info.exists()) {
        // A symlink to nowhere is the operator's link: writing would replace
        // the link itself by a plain file.
        return info.isSymLink() ? FileRead::Unreadable : FileRead::Missing;
    }
    // Folders, pipes and devices are no settings or text files (and reading
    // a pipe could wait for ever).
    if (!info.isFile() || info.size() > kLargestReadableFile) {
        return FileRead::Unreadable;
    }
    QFile file(*name);
    if (!file.open(QIODevice::ReadOnly)) {
        return FileRead::Unreadable;
    }
    // As many bytes as the file holds and one more: a read of the largest
    // size would take that much memory for every settings read. Only a file
    // that grew since it was looked at is read on, up to one past the limit.
    QByteArray bytes = file.read(info.size() + 1);
    if (bytes.size() > info.size() && file.error() == QFileDevice::NoError) {
        bytes += file.read(kLargestReadableFile + 1 - bytes.size());
    }
    if (file.error() != QFileDevice::NoError || bytes.size() > kLargestReadableFile) {
        return FileRead::Unreadable;
    }
    contents.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return FileRead::Read;
}

bool Replaceable(const std::string& fileName) {
    const auto name = QtFileName(fileName);
    if (!name) {
        return false;
    }
    struct stat target {};
    if (::stat(fileName.c_str(), &target) == 0) {
        return S_ISREG(target.st_mode);
    }
    // Nothing under that name, not even a dangling link (replacing a link
    // would put a plain file where the operator's link was).
    struct stat link {};
    return errno == ENOENT && ::lstat(fileName.c_str(), &link) != 0 && errno == ENOENT;
}

bool WriteFileAtomically(const std::string& fileName, std::span<const std::uint8_t> contents) {
    SaveFault fault = SaveFault::None;
    if (nextFault != SaveFault::None && (faultyFile.empty() || faultyFile == fileName)) {
        fault = nextFault;
        nextFault = SaveFault::None;
    }
    const auto name = QtFileName(fileName);
    if (!name || !Replaceable(fileName)) {
        return false;
    }
    QSaveFile file(*name);
    // Never fall back to writing the file in place.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const auto* data = reinterpret_cast<const char*>(contents.data());
    const auto size = static_cast<qint64>(contents.size());
    bool written = false;
    if (fault == SaveFault::HalfWay) {
        file.write(data, size / 2);
    } else {
        written = file.write(data, size) == size;
    }
    // A small file stays in QSaveFile's buffer until commit(), and commit()
    // does not notice when writing out that buffer fails (a full disk): the
    // empty temporary file would replace the old one. So the buffer is
    // written out and synced here, where every failure is seen.
    written = written && file.flush() && file.error() == QFileDevice::NoError &&
              SyncedToDisk(file.handle(), fault);
    if (!written || fault == SaveFault::AtRename) {
        file.cancelWriting();
    }
    return file.commit();
}

bool WriteFileAtomically(const std::string& fileName, const std::string& contents) {
    return WriteFileAtomically(
        fileName,
        std::span(reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size()));
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    const auto nameA = QtFileName(a);
    const auto nameB = QtFileName(b);
    if (!nameA || !nameB) {
        return false;
    }
    // Hard links have one inode under two names.
    struct stat statA {};
    struct stat statB {};
    if (::stat(a.c_str(), &statA) == 0 && ::stat(b.c_str(), &statB) == 0) {
        return statA.st_dev == statB.st_dev && statA.st_ino == statB.st_ino;
    }
    return Destination(*nameA) == Destination(*nameB);
}

void SetSaveFaultForTesting(SaveFault fault, const std::string& fileName) {
    nextFault = fault;
    faultyFile = fileName;
}

} // namespace platform
