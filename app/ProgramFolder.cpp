#include "app/ProgramFolder.h"

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
    return QDir::cleanPath(folder).toStdString();
}

} // namespace

ProgramFolderChoice ChooseProgramFolder(const std::string& requested,
                                        const std::string& executableFolder,
                                        const std::string& appDataFolder) {
    if (!requested.empty()) {
        const QString folder = QDir(QString::fromStdString(requested)).absolutePath();
        if (!QDir().mkpath(folder) || !CanWriteIn(folder)) {
            return {{}, "cannot write in the folder " + folder.toStdString()};
        }
        return {Clean(folder), {}};
    }
    const QString exeFolder = QString::fromStdString(executableFolder);
    if (!exeFolder.isEmpty() && CanWriteIn(exeFolder)) {
        return {Clean(exeFolder), {}};
    }
    const QString dataFolder = QString::fromStdString(appDataFolder);
    if (dataFolder.isEmpty() || !QDir().mkpath(dataFolder) || !CanWriteIn(dataFolder)) {
        return {{}, "cannot write in the application data folder " + dataFolder.toStdString()};
    }
    return {Clean(dataFolder), {}};
}
