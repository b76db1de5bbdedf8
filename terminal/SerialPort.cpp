#include "terminal/SerialPort.h"

#include "terminal/TerminalTexts.h"

#include <QFile>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace terminal {

SerialPort::SerialPort(QObject* parent)
    : QObject(parent), port_(new QSerialPort(this)), readInterval_(new QTimer(this)) {
    connect(port_, &QSerialPort::readyRead, this, &SerialPort::DataReceived);
    connect(port_, &QSerialPort::errorOccurred, this, [this] { OnError(); });
    readInterval_->setSingleShot(true);
    readInterval_->setInterval(kReadIntervalMs);
    connect(readInterval_, &QTimer::timeout, this, [this] { OnReadInterval(); });
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
    ReadOwnDescriptor();
    return true;
}

// QSerialPort reads its descriptor whenever a byte arrives. Its notifier is
// turned off and the descriptor read here instead; should that notifier not
// be found, or come on again, QSerialPort's own reading still works, and
// what it read is taken first.
void SerialPort::ReadOwnDescriptor() {
    const auto descriptor = static_cast<qintptr>(port_->handle());
    for (QSocketNotifier* notifier : port_->findChildren<QSocketNotifier*>()) {
        if (notifier->type() == QSocketNotifier::Read && notifier->socket() == descriptor) {
            portNotifier_ = notifier;
        }
    }
    if (portNotifier_.isNull()) {
        return;
    }
    portNotifier_->setEnabled(false);
    readable_ = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(readable_, &QSocketNotifier::activated, this, [this] { OnReadable(); });
}

void SerialPort::OnReadable() {
    readable_->setEnabled(false);
    Deliver();
}

void SerialPort::OnReadInterval() {
    if (readable_ == nullptr || !port_->isOpen()) {
        return;
    }
    int waiting = 0;
    if (::ioctl(static_cast<int>(port_->handle()), FIONREAD, &waiting) != 0 || waiting > 0 ||
        port_->bytesAvailable() > 0) {
        Deliver();
    } else {
        readable_->setEnabled(true); // quiet: wait for the next byte
    }
}

// Reports waiting bytes; the next report comes after the interval, or as
// soon as bytes are there when the line delivers more than an interval's
// reading holds (a burst is read as fast as it comes).
void SerialPort::Deliver() {
    lastRead_ = 0;
    emit DataReceived();
    if (readable_ == nullptr) {
        return; // closed meanwhile
    }
    if (lastRead_ >= kBusyRead && port_->bytesAvailable() == 0) {
        readable_->setEnabled(true);
    } else {
        readInterval_->start();
    }
}

void SerialPort::Close() {
    readInterval_->stop();
    if (readable_ != nullptr) {
        // This may run while the notifier reports.
        readable_->setEnabled(false);
        readable_->deleteLater();
        readable_ = nullptr;
    }
    portNotifier_.clear();
    if (port_->isOpen()) {
        port_->close();
    }
    port_->clearError();
}

bool SerialPort::IsOpen() const {
    return port_->isOpen();
}

QByteArray SerialPort::ReadAll() {
    if (!port_->isOpen()) {
        return {};
    }
    if (readable_ == nullptr) {
        return port_->readAll();
    }
    QByteArray bytes;
    if (port_->bytesAvailable() > 0) {
        bytes = port_->read(kReadLimit);
    }
    if (!portNotifier_.isNull()) {
        portNotifier_->setEnabled(false); // reading QSerialPort turns it on
    }
    const int descriptor = static_cast<int>(port_->handle());
    constexpr qsizetype kChunk = 16 * 1024;
    while (bytes.size() < kReadLimit) {
        const qsizetype had = bytes.size();
        const qsizetype want = std::min(kChunk, kReadLimit - had);
        bytes.resize(had + want);
        const ssize_t got = ::read(descriptor, bytes.data() + had, static_cast<std::size_t>(want));
        const int error = errno;
        bytes.resize(had + std::max<qsizetype>(got, 0));
        if (got > 0) {
            if (got < want) {
                break; // all there was
            }
        } else if (got < 0 && error == EINTR) {
            continue;
        } else {
            if (got == 0 || (error != EAGAIN && error != EWOULDBLOCK)) {
                // Hung up or failed; what was read before is still returned.
                ReportLost(got == 0 ? tr("the line was hung up") : qt_error_string(error));
            }
            break;
        }
    }
    lastRead_ = bytes.size();
    return bytes;
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
    if (readable_ != nullptr) {
        readable_->setEnabled(false);
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
