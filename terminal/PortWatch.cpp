#include "terminal/PortWatch.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSerialPortInfo>

namespace terminal {

std::vector<PresentPort> PresentPorts() {
    std::vector<PresentPort> present;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        present.push_back({QFile::encodeName(info.systemLocation()).toStdString(),
                           info.description().toStdString()});
    }
    return present;
}

bool DevicePresent(const QString& device) {
    const std::string path = QFile::encodeName(device).toStdString();
    return PortPresent(path,
                       path.starts_with("/dev/ttyS") ? PresentPorts() : std::vector<PresentPort>{});
}

DeviceWatch::DeviceWatch(QObject* parent)
    : QObject(parent), watcher_(new QFileSystemWatcher(this)) {
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!awaited_.isEmpty() && DevicePresent(awaited_)) {
            emit Returned();
        }
    });
}

void DeviceWatch::Wait(const QString& device) {
    Stop();
    const QString folder = QFileInfo(device).absolutePath();
    if (device.isEmpty() || !QFileInfo::exists(folder)) {
        return;
    }
    awaited_ = device;
    watcher_->addPath(folder);
}

void DeviceWatch::Stop() {
    awaited_.clear();
    const QStringList watched = watcher_->directories();
    if (!watched.isEmpty()) {
        watcher_->removePaths(watched);
    }
}

} // namespace terminal
