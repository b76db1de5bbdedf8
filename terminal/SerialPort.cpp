#include "terminal/SerialPort.h"

#include "terminal/TerminalTexts.h"

#include <QFile>
#include <QSerialPort>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <termios.h>

namespace terminal {

SerialPort::SerialPort(QObject* parent)
    : QObject(parent), port_(new QSerialPort(this)), readInterval_(new QTimer(this)) {
    connect(port_, &QSerialPort::readyRead, this, [this] { OnReadyRead(); });
    connect(port_, &QSerialPort::errorOccurred, this, [this] { OnError(); });
    port_->setReadBufferSize(kReadLimit);
    readInterval_->setSingleShot(true);
    readInterval_->setInterval(kReadIntervalMs);
    connect(readInterval_, &QTimer::timeout, this, [this] {
        if (port_->isOpen() && port_->bytesAvailable() > 0) {
            Deliver();
        }
    });
}

SerialPort::~SerialPort() {
    Close();
}

void SerialPort::SetError(int number, const QString& text) {
    errorNumber_ = number;
    errorText_ = text;
}

bool SerialPort::Open(const PortSettings& settings) {
    Close();
    SetError(0, {});
    device_ = settings.Device;
    ++session_;
    opening_ = true;
    port_->setPortName(settings.Device);
    port_->setBaudRate(settings.BaudRate);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(settings.Handshaking == 1   ? QSerialPort::SoftwareControl
                          : settings.Handshaking >= 2 ? QSerialPort::HardwareControl
                                                      : QSerialPort::NoFlowControl);
    // A name that leads to no device is said so. Left to QSerialPort, a name
    // too long for a lock file fails as a locking permission error.
    struct stat node {};
    if (::stat(QFile::encodeName(settings.Device).constData(), &node) != 0) {
        const int why = errno;
        SetError(static_cast<int>(QSerialPort::DeviceNotFoundError),
                 why == ENAMETOOLONG ? QString(terminaltext::kPortNameTooLong)
                                     : QString::fromLocal8Bit(std::strerror(why)));
        opening_ = false;
        return false;
    }
    if (!port_->open(QIODevice::ReadWrite)) {
        SetError(static_cast<int>(port_->error()), port_->errorString());
        port_->clearError();
        opening_ = false;
        return false;
    }
    if (settings.Handshaking == 3) {
        termios line{};
        const int fd = static_cast<int>(port_->handle());
        if (tcgetattr(fd, &line) == 0) {
            line.c_iflag |= IXON | IXOFF;
            tcsetattr(fd, TCSANOW, &line);
        }
    }
    // A pseudo-terminal or a bare three-wire port has no modem lines; that
    // is no reason not to use it.
    port_->setDataTerminalReady(true);
    port_->setRequestToSend(true);
    const bool lost = port_->error() == QSerialPort::ResourceError;
    port_->clearError();
    opening_ = false;
    if (lost) {
        SetError(static_cast<int>(QSerialPort::ResourceError), port_->errorString());
        port_->close();
        return false;
    }
    // Whatever the line held before it was ours is not this session's.
    port_->clear();
    return true;
}

void SerialPort::OnReadyRead() {
    if (!readInterval_->isActive()) {
        Deliver();
    }
}

void SerialPort::Deliver() {
    readInterval_->start();
    emit DataReceived();
}

void SerialPort::Close() {
    readInterval_->stop();
    if (port_->isOpen()) {
        port_->close();
    }
    port_->clearError();
}

bool SerialPort::IsOpen() const {
    return port_->isOpen();
}

QByteArray SerialPort::ReadAll() {
    return port_->isOpen() ? port_->readAll() : QByteArray();
}

bool SerialPort::Write(const QByteArray& bytes) {
    if (!port_->isOpen()) {
        return false;
    }
    return port_->write(bytes) == bytes.size();
}

void SerialPort::OnError() {
    const QSerialPort::SerialPortError error = port_->error();
    if (opening_ || error == QSerialPort::NoError) {
        return;
    }
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        SetError(static_cast<int>(error), port_->errorString());
        port_->clearError();
        ReportLost(errorText_);
        return;
    }
    port_->clearError();
}

// The device is gone or broken: reading on would only repeat the failure,
// so the port is closed until it is opened again. The port may still be
// inside its read when this is found, so the close waits for the event
// loop.
void SerialPort::ReportLost(const QString& why) {
    if (errorNumber_ == 0) {
        SetError(static_cast<int>(QSerialPort::ResourceError), why);
    }
    QMetaObject::invokeMethod(
        this,
        [this, why, session = session_] {
            if (session == session_ && port_->isOpen()) {
                // What was read before the failure is still delivered.
                if (port_->bytesAvailable() > 0) {
                    emit DataReceived();
                }
                Close();
                emit Lost(why);
            }
        },
        Qt::QueuedConnection);
}

} // namespace terminal
