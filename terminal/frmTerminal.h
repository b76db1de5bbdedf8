#pragma once
// The serial terminal: what arrives on a serial port (the host's ticket
// printer line) shown as text, filtered for the chosen printer model, or as
// a hexadecimal dump; captured to a file on request; typed keys and a chat
// line sent back. One instance, modeless; "Close" unloads it, which saves
// its section of Settings.ini.

#include "terminal/CaptureFile.h"
#include "terminal/TerminalCore.h"
#include "terminal/TerminalSettings.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFileSystemWatcher;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace terminal {
class SerialPort;
class TerminalView;
} // namespace terminal

class frmTerminal : public QWidget {
    Q_OBJECT
public:
    // Builds the controls and runs the load: the saved settings, the window
    // size, then the port is opened.
    explicit frmTerminal(QWidget* parent = nullptr);
    ~frmTerminal() override;

    // Applies the chosen port, speed and handshaking and opens the port.
    void OpenCommPort();
    // Appends received text to the text box (20000/2000 rule).
    void DisplayText(std::string_view msg);

    bool Capturing() const { return capturing_; }
    bool PortOpen() const;
    const QString& StatusText() const { return statusText_; }
    // Shows what was received up to now at once instead of at the next
    // batched update.
    void UpdateView();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class OpenReason { Load, Choice, DeviceBack };

    void BuildControls();
    void ArrangeControls();
    void ConnectControls();
    void FillPortList();
    void Form_Load();
    void Form_Unload();

    void OpenPort(OpenReason why);
    bool TryOpen(int portIndex);
    QString DeviceOf(int portIndex) const;
    QString PortName(int portIndex) const;
    bool PortPresent(const QString& device) const;
    QString PresentPortsText() const;
    void WaitForDevice(const QString& device);
    void StopWaiting();

    void ocxComm_OnComm();
    void ocxComm_Lost(const QString& why);
    void cmdCapture_Click();
    // The rest of "Capture", once the operator has chosen a file.
    void StartCapture(const QString& chosen);
    void cmdClear_Click();
    void SendToPort(const QByteArray& bytes, const char* what);
    void txtChat_Send();
    void FlushCapture();
    void CaptureFailed(const QString& error);
    void EndCapture();
    void SetStatus(const QString& text);

    // Controls, named as in the window's table.
    terminal::TerminalView* txtTerminal = nullptr;
    QFrame* frameControls = nullptr;
    QLabel* lblCommPort = nullptr;
    QComboBox* cboCommPort = nullptr;
    QLabel* lblBaudRate = nullptr;
    QComboBox* cboBaudRate = nullptr;
    QLabel* lblHandshaking = nullptr;
    QComboBox* cboHandshaking = nullptr;
    QLabel* lblPrinterType = nullptr;
    QComboBox* cboPrinterType = nullptr;
    QCheckBox* chkDisplayHex = nullptr;
    QCheckBox* chkCRToCRLF = nullptr;
    QLineEdit* txtChat = nullptr;
    QPushButton* cmdCapture = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* lblStatus = nullptr;
    terminal::SerialPort* ocxComm = nullptr;

    // Window state.
    bool PortReady = false;
    terminal::ReceiveState receive_;
    terminal::DisplayBuffer display_;
    std::string chunkText_;
    QTimer* viewTimer_ = nullptr;

    terminal::TerminalSettings settings_;
    int appliedPort_ = -1; // the port list index last applied to the port
    terminal::CaptureFile capture_;
    bool capturing_ = false;
    QString captureFileName_;
    QString statusText_;
    QFileSystemWatcher* deviceWatcher_ = nullptr;
    QString awaitedDevice_;
    bool unloaded_ = false;
};
