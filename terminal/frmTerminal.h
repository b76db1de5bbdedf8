#pragma once
// The serial terminal: what arrives on a serial port (the host's ticket
// printer line) shown as text, filtered for the chosen printer model, or as
// a hexadecimal dump; captured to a file on request; typed keys and a chat
// line sent back. One instance, modeless; "Close" unloads it, which saves
// its section of Settings.ini. Its controls are laid out in frmTerminal.ui.

#include "terminal/Reception.h"
#include "terminal/TerminalSettings.h"

#include <QWidget>

#include <memory>

class QTimer;

namespace Ui {
class frmTerminal;
} // namespace Ui

namespace terminal {
class DeviceWatch;
class SerialPort;
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

    bool Capturing() const { return reception_.Capturing(); }
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

    void SetUpControls();
    void ConnectControls();
    void FillPortList();
    void Form_Load();
    void Form_Unload();

    void OpenPort(OpenReason why);
    bool TryOpen(int portIndex);
    QString DeviceOf(int portIndex) const;
    QString PortName(int portIndex) const;
    QString PresentPortsText() const;

    void ocxComm_OnComm();
    void ocxComm_Lost(const QString& why);
    void cmdCapture_Click();
    // The rest of "Capture", once the operator has chosen a file.
    void StartCapture(const QString& chosen);
    void cmdClear_Click();
    void SendToPort(const QByteArray& bytes, const char* what);
    void txtChat_Send();
    void CaptureFailed();
    void ShowCaptureButton();
    void SetStatus(const QString& text);

    // The controls, named as in the window's table.
    std::unique_ptr<Ui::frmTerminal> ui;
    terminal::SerialPort* ocxComm = nullptr;

    // Window state.
    bool PortReady = false;
    terminal::Reception reception_;
    QTimer* viewTimer_ = nullptr;

    terminal::TerminalSettings settings_;
    int appliedPort_ = -1; // the port list index last applied to the port
    QString captureFileName_;
    QString statusText_;
    terminal::DeviceWatch* deviceWatch_ = nullptr;
    bool unloaded_ = false;
};
