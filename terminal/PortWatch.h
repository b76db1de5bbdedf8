#pragma once
// The system's serial ports: those present now, and a watch for a device
// that has gone (or was never there) to come back.

#include "terminal/TerminalSettings.h"

#include <QObject>
#include <QString>

#include <vector>

class QFileSystemWatcher;

namespace terminal {

// The serial ports the system lists now.
std::vector<PresentPort> PresentPorts();
// Whether `device` is present now (see PortPresent); the system's list is
// asked only for the PC's own ports.
bool DevicePresent(const QString& device);

// Watches the folder of a device (/dev for /dev/ttyUSB0) and reports when
// the device is present again. One device at a time.
class DeviceWatch : public QObject {
    Q_OBJECT
public:
    explicit DeviceWatch(QObject* parent = nullptr);

    // Waits for `device` instead of any device waited for before. Nothing
    // is watched when it is empty or its folder does not exist.
    void Wait(const QString& device);
    void Stop();
    const QString& Awaited() const { return awaited_; }

signals:
    // The awaited device is present; the watch goes on until Stop or Wait.
    void Returned();

private:
    QFileSystemWatcher* watcher_ = nullptr;
    QString awaited_;
};

} // namespace terminal
