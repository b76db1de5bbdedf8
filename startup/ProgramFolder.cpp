#include "startup/ProgramFolder.h"

#include "platform/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// A folder is usable when a file can really be created in it (a read-only
// mount can claim write permission).
bool CanWriteIn(const QString& folder) {
    if (!QFileInfo(folder).isDir()) {
        return false;
    }
    QTemporaryFile probe(folder + "/.orvane-write-test-XXXXXX");
    return probe.open();
}

std::string Clean(const QString& folder) {
    return platform::FileNameBytes(QDir::cleanPath(folder));
}

std::string TooLong(const std::string& folder) {
    return "the folder name " + folder + " is " + std::to_string(folder.size()) +
           " bytes long; the names of the files kept in it would not fit in Settings.ini (a "
           "program folder has at most " +
           std::to_string(kLongestProgramFolder) + " bytes)";
}

} // namespace

ProgramFolderChoice ChooseProgramFolder(const std::string& requested,
                                        const std::string& executableFolder,
                                        const std::string& appDataFolder, bool createRequested) {
    if (!requested.empty()) {
        const auto name = platform::QtFileName(requested);
        if (!name) {
            return {{},
                    "the folder name " + requested +
                        " is not valid in this system's file name encoding (UTF-8)"};
        }
        const QString folder = QDir(*name).absolutePath();
        if (const std::string clean = Clean(folder); clean.size() > kLongestProgramFolder) {
            return {{}, TooLong(clean)};
        }
        if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir()) {
            return {{}, platform::FileNameBytes(folder) + " is a file, not a folder"};
        }
        if (!createRequested && !QFileInfo(folder).exists()) {
            return {Clean(folder), {}};
        }
        if (!QDir().mkpath(folder) || !CanWriteIn(folder)) {
            return {{}, "cannot write in the folder " + platform::FileNameBytes(folder)};
        }
        return {Clean(folder), {}};
    }
    const QString exeFolder = platform::QtFileName(executableFolder).value_or(QString());
    if (!exeFolder.isEmpty() && Clean(exeFolder).size() <= kLongestProgramFolder &&
        CanWriteIn(exeFolder)) {
        return {Clean(exeFolder), {}};
    }
    const QString dataFolder = platform::QtFileName(appDataFolder).value_or(QString());
    if (!dataFolder.isEmpty() && Clean(dataFolder).size() > kLongestProgramFolder) {
        return {{}, TooLong(Clean(dataFolder))};
    }
    if (dataFolder.isEmpty() || !QDir().mkpath(dataFolder) || !CanWriteIn(dataFolder)) {
        return {{}, "cannot write in the application data folder " + appDataFolder};
    }
    return {Clean(dataFolder), {}};
}

std::string PortableFolderCandidate(const std::string& executableFolder,
                                    const std::string& installedFolder) {
    if (executableFolder.empty() || installedFolder.empty()) {
        return executableFolder;
    }
    // Canonical paths see through /bin -> usr/bin and other symlinks; a
    // folder that does not exist has none and is compared as written.
    auto canonical = [](const std::string& path) {
        const QString text = platform::QtFileName(path).value_or(QString());
        const QString resolved = QFileInfo(text).canonicalFilePath();
        return resolved.isEmpty() ? QDir::cleanPath(text) : resolved;
    };
    return canonical(executableFolder) == canonical(installedFolder) ? std::string{}
                                                                     : executableFolder;
}
