#pragma once
// The terminal's serial port: a QSerialPort opened raw, 8N1, at a chosen
// speed and handshaking, with DTR and RTS on. Any serial character device
// will do (the PC's own ports, USB adapters, a pseudo-terminal in tests).
//
// Handshaking modes as the port list numbers them: 0 none, 1 Xon/Xoff,
// 2 hardware (RTS/CTS), 3 hardware and Xon/Xoff. Qt offers only one of the
// two at a time, so mode 3 opens with RTS/CTS and then turns on the line's
// Xon/Xoff flags (IXON, IXOFF) itself.

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;
class QTimer;

namespace terminal {

struct PortSettings {
    QString Device; // "/dev/ttyUSB0"
    qint32 BaudRate = 4800;
    int Handshaking = 0; // 0..3
};

class SerialPort : public QObject {
    Q_OBJECT
public:
    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    // Closes the port if open, then opens it with `settings`. On failure the
    // port stays closed and ErrorNumber/ErrorText say why. A device that
    // cannot set DTR or RTS (a pseudo-terminal) still opens.
    bool Open(const PortSettings& settings);
    void Close();
    bool IsOpen() const;
    const QString& Device() const { return device_; }

    int ErrorNumber() const { return errorNumber_; }
    const QString& ErrorText() const { return errorText_; }

    // The bytes received and not yet taken, in order; DataReceived comes
    // again while more are waiting.
    QByteArray ReadAll();
    // The port holds at most this many received bytes. While they wait to
    // be taken it reads no more from the device, so a line faster than the
    // terminal is held back there (by the device's buffer and handshaking)
    // instead of piling up in memory; nothing is dropped.
    static constexpr qsizetype kReadLimit = 64 * 1024;
    // While bytes keep coming, DataReceived comes at most this often: a busy
    // line's bytes are handled in batches a few dozen times a second instead
    // of piece by piece as the device hands them over.
    static constexpr int kReadIntervalMs = 30;
    // Queues `bytes` for sending; false when the port is not open.
    bool Write(const QByteArray& bytes);

signals:
    // Bytes are waiting.
    void DataReceived();
    // The device stopped working (unplugged adapter, closed pseudo-terminal):
    // the port has been closed, and `why` says what happened.
    void Lost(const QString& why);

private:
    void OnError();
    void SetError(int number, const QString& text);
    void OnReadyRead();
    void Deliver();
    void ReportLost(const QString& why);

    QSerialPort* port_ = nullptr;
    // Started by each report: bytes that come before it runs out wait in
    // the port's buffer and are reported when it does.
    QTimer* readInterval_ = nullptr;
    QString device_;
    int errorNumber_ = 0;
    QString errorText_;
    bool opening_ = false;
    unsigned session_ = 0; // counts opens, so a late report of a lost port
                           // never closes the next one
};

} // namespace terminal
