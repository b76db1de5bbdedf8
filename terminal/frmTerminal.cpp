#include "terminal/frmTerminal.h"

#include "common/FixedPitchFont.h"
#include "common/ProgramState.h"
#include "common/StatusLine.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "terminal/PortWatch.h"
#include "terminal/SerialPort.h"
#include "terminal/TerminalTexts.h"
#include "terminal/TerminalView.h"
#include "ui_frmTerminal.h"

#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

namespace tt = terminaltext;
using namespace terminal;

namespace {

// Received text reaches the box in batches at most this often; what is
// shown and captured stays exact and in order.
constexpr int kViewIntervalMs = 50;
// Room left for the window frame when a saved size is fitted to the screen.
constexpr int kFrameAllowance = 48;

QString FromLocal(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

std::string ToLocal(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

QString OpenErrorText(int number, const QString& description) {
    return tt::kOpenError + QString::number(number) + tt::kOpenErrorMiddle + description;
}

} // namespace

frmTerminal::frmTerminal(QWidget* parent) : QWidget(parent), ui(new Ui::frmTerminal) {
    setAttribute(Qt::WA_DeleteOnClose);
    SetUpControls();
    ConnectControls();
    Form_Load();
}

frmTerminal::~frmTerminal() {
    if (!unloaded_) {
        Form_Unload();
    }
}

// ------------------------------------------------------------------ controls

// The form's controls, and what the form cannot say: the fixed-pitch font
// with its fallback, the speeds from their table, the status line.
void frmTerminal::SetUpControls() {
    ui->setupUi(this);
    ui->txtTerminal->setFont(FixedPitchFont(tt::kFixedFontFamily, tt::kFixedFontPoints));
    ui->txtTerminal->setMinimumHeight(ui->txtTerminal->fontMetrics().lineSpacing() * 4);
    for (const int rate : kBaudRates) {
        ui->cboBaudRate->addItem(QString::number(rate), rate);
    }
    MakeStatusLine(ui->lblStatus, tt::kStatusName);

    ocxComm = new SerialPort(this);
    viewTimer_ = new QTimer(this);
    viewTimer_->setSingleShot(true);
    viewTimer_->setInterval(kViewIntervalMs);
    deviceWatch_ = new DeviceWatch(this);

    // The window sees typed keys before its controls. Lines being typed (the
    // chat line, a port's path) are not sent key by key.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child != ui->txtChat && child != ui->cboCommPort->lineEdit()) {
            child->installEventFilter(this);
        }
    }
    ui->txtChat->installEventFilter(this); // for its double-click
}

void frmTerminal::ConnectControls() {
    // The port's settings apply when the operator chooses one (choosing the
    // same port again reopens it); the printer type and the two check boxes
    // are read as each chunk arrives.
    connect(ui->cboCommPort, &QComboBox::activated, this, [this] { OpenCommPort(); });
    connect(ui->cboBaudRate, &QComboBox::activated, this, [this] { OpenCommPort(); });
    connect(ui->cboHandshaking, &QComboBox::activated, this, [this] { OpenCommPort(); });
    connect(ui->cmdCapture, &QPushButton::clicked, this, [this] { cmdCapture_Click(); });
    connect(ui->cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
    connect(ui->cmdClose, &QPushButton::clicked, this, [this] { close(); });
    connect(ui->txtChat, &QLineEdit::returnPressed, this, [this] { txtChat_Send(); });
    connect(ocxComm, &SerialPort::DataReceived, this, [this] { ocxComm_OnComm(); });
    connect(ocxComm, &SerialPort::Lost, this, [this](const QString& why) { ocxComm_Lost(why); });
    connect(viewTimer_, &QTimer::timeout, this, [this] { UpdateView(); });
    connect(deviceWatch_, &DeviceWatch::Returned, this,
            [this] { OpenPort(OpenReason::DeviceBack); });
}

// The COM items, the USB adapters present now, and the stored device when
// it is neither.
void frmTerminal::FillPortList() {
    ui->cboCommPort->clear();
    for (int n = 1; n <= kComPortCount; ++n) {
        ui->cboCommPort->addItem(tt::kComPrefix + QString::number(n),
                                 QString::fromStdString(ComPortDevice(n)));
    }
    for (const PortItem& item : AdapterItems(PresentPorts())) {
        ui->cboCommPort->addItem(QString::fromStdString(item.Text), FromLocal(item.Device));
    }
}

// -------------------------------------------------------------- load, unload

void frmTerminal::Form_Load() {
    ProgramState& state = ProgramState::Instance();
    settings_ = ReadTerminalSettings(state.SettingsPath, state.ProgramFolder);

    FillPortList();
    int port = settings_.CommPort;
    if (!settings_.CommPortDevice.empty()) {
        const QString device = FromLocal(settings_.CommPortDevice);
        port = ui->cboCommPort->findData(device);
        if (port < 0) {
            ui->cboCommPort->addItem(device, device);
            port = ui->cboCommPort->count() - 1;
        }
    }
    ui->cboCommPort->setCurrentIndex(port);
    ui->cboBaudRate->setCurrentIndex(settings_.BaudRate);
    ui->cboHandshaking->setCurrentIndex(settings_.Handshaking);
    ui->cboPrinterType->setCurrentIndex(settings_.PrinterType);
    ui->chkCRToCRLF->setChecked(settings_.CRToCRLF);

    const QRect screenArea = screen()->availableGeometry();
    const int width = TwipsToPixels(settings_.TerminalWidth, logicalDpiX());
    const int height = TwipsToPixels(settings_.TerminalHeight, logicalDpiY());
    resize(
        std::max(std::min(width, screenArea.width() - kFrameAllowance), minimumSizeHint().width()),
        std::max(std::min(height, screenArea.height() - kFrameAllowance),
                 minimumSizeHint().height()));

    captureFileName_ = FromLocal(settings_.CaptureFileName);

    PortReady = true;
    OpenPort(OpenReason::Load);
}

void frmTerminal::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        Form_Unload();
    }
    event->accept();
}

void frmTerminal::Form_Unload() {
    unloaded_ = true;
    deviceWatch_->Stop();
    ocxComm->Close();
    reception_.EndCapture();
    const int port = ui->cboCommPort->currentIndex();
    if (port >= 0 && port < kComPortCount) {
        settings_.CommPort = port;
        settings_.CommPortDevice.clear();
    } else {
        settings_.CommPortDevice = ToLocal(DeviceOf(port));
    }
    settings_.BaudRate = ui->cboBaudRate->currentIndex();
    settings_.Handshaking = ui->cboHandshaking->currentIndex();
    settings_.PrinterType = ui->cboPrinterType->currentIndex();
    settings_.CaptureFileName = ToLocal(captureFileName_);
    settings_.CRToCRLF = ui->chkCRToCRLF->isChecked();
    settings_.TerminalWidth = PixelsToTwips(width(), logicalDpiX());
    settings_.TerminalHeight = PixelsToTwips(height(), logicalDpiY());
    const std::string& path = ProgramState::Instance().SettingsPath;
    if (!WriteTerminalSettings(settings_, path)) {
        qWarning("%s", qPrintable(QString(tt::kSettingsNotSaved) + " " + FromLocal(path)));
    }
}

// ---------------------------------------------------------------------- port

QString frmTerminal::DeviceOf(int portIndex) const {
    if (portIndex < 0 || portIndex >= ui->cboCommPort->count()) {
        return {};
    }
    const QString device = ui->cboCommPort->itemData(portIndex).toString();
    return !device.isEmpty()
               ? device
               : FromLocal(TypedPortDevice(ToLocal(ui->cboCommPort->itemText(portIndex))));
}

QString frmTerminal::PortName(int portIndex) const {
    return FromLocal(PortTitle(ToLocal(DeviceOf(portIndex))));
}

QString frmTerminal::PresentPortsText() const {
    QStringList names;
    for (const std::string& name : PresentPortNames(PresentPorts())) {
        names << FromLocal(name);
    }
    return names.isEmpty() ? QString(tt::kNoPortsPresent)
                           : QString(tt::kPortsPresent).arg(names.join(", "));
}

bool frmTerminal::PortOpen() const {
    return ocxComm->IsOpen();
}

void frmTerminal::OpenCommPort() {
    OpenPort(OpenReason::Choice);
}

bool frmTerminal::TryOpen(int portIndex) {
    PortSettings settings;
    settings.Device = DeviceOf(portIndex);
    settings.BaudRate = ui->cboBaudRate->currentData().toInt();
    settings.Handshaking = ui->cboHandshaking->currentIndex();
    return !settings.Device.isEmpty() && ocxComm->Open(settings);
}

void frmTerminal::OpenPort(OpenReason why) {
    if (!PortReady) {
        return;
    }
    deviceWatch_->Stop();
    ocxComm->Close();
    const int previous = appliedPort_;
    const int chosen = ui->cboCommPort->currentIndex();
    appliedPort_ = chosen;
    const QString name = PortName(chosen);

    if (why == OpenReason::Load && !DevicePresent(DeviceOf(chosen))) {
        // The stored choice stays; the operator sees what there is instead
        // of an error box at every opening.
        SetStatus(QString(tt::kPortAbsent).arg(name) + PresentPortsText());
        deviceWatch_->Wait(DeviceOf(chosen));
        return;
    }
    if (TryOpen(chosen)) {
        SetStatus(QString(why == OpenReason::DeviceBack ? tt::kPortBack : tt::kPortOpen).arg(name));
        return;
    }
    const QString failure = OpenErrorText(ocxComm->ErrorNumber(), ocxComm->ErrorText());
    if (why == OpenReason::DeviceBack) {
        deviceWatch_->Wait(DeviceOf(chosen)); // not ready yet; the next change tries again
        return;
    }
    if (why == OpenReason::Load) {
        SetStatus(QString(tt::kOpenFailedAtStart).arg(name, failure) + PresentPortsText());
        deviceWatch_->Wait(DeviceOf(chosen));
        return;
    }
    platform::ShowMessage(this, {platform::MessageKind::Warning, tt::kCaption, failure});
    if (previous < 0 || previous >= ui->cboCommPort->count()) {
        SetStatus(QString(tt::kNotOpened).arg(name));
        return;
    }
    // The previous port, once: if it fails too, the port stays closed
    // instead of trying again and again.
    ui->cboCommPort->setCurrentIndex(previous);
    appliedPort_ = previous;
    if (TryOpen(previous)) {
        SetStatus(QString(tt::kReopened).arg(name, PortName(previous)));
    } else {
        SetStatus(QString(tt::kReopenFailed).arg(name, PortName(previous)));
    }
}

void frmTerminal::ocxComm_Lost(const QString& why) {
    UpdateView();
    SetStatus(QString(tt::kPortLost).arg(PortName(appliedPort_), why));
    deviceWatch_->Wait(ocxComm->Device());
}

// ------------------------------------------------------------------- receive

void frmTerminal::ocxComm_OnComm() {
    ReceiveOptions options;
    options.DisplayHex = ui->chkDisplayHex->isChecked();
    options.PrinterType = ui->cboPrinterType->currentIndex();
    options.CRToCRLF = ui->chkCRToCRLF->isChecked();
    // Bytes that come while a chunk is handled are handled at the port's
    // next report.
    const QByteArray bytes = ocxComm->ReadAll();
    if (bytes.isEmpty()) {
        return;
    }
    const bool capturing = reception_.Capturing();
    if (!reception_.Take(bytes, options)) {
        if (!options.DisplayHex && options.PrinterType == kPrinterIthica) {
            SetStatus(tt::kIthica);
        }
        return;
    }
    if (!viewTimer_->isActive()) {
        viewTimer_->start();
    }
    if (capturing && !reception_.Capturing()) {
        CaptureFailed();
    }
}

void frmTerminal::DisplayText(std::string_view msg) {
    reception_.Display().Append(msg);
    if (!viewTimer_->isActive()) {
        viewTimer_->start();
    }
}

void frmTerminal::UpdateView() {
    viewTimer_->stop();
    // The capture file gets what was received with each display update, so
    // a write error is known at once.
    if (!reception_.FlushCapture()) {
        CaptureFailed();
    }
    if (!reception_.Display().ViewBehind()) {
        return;
    }
    const DisplayBuffer::ViewUpdate update = reception_.Display().TakeViewUpdate();
    // The caret follows the text, with nothing selected.
    if (update.Replace) {
        ui->txtTerminal->SetText(update.Text);
    } else {
        ui->txtTerminal->AppendText(update.Text);
    }
}

// --------------------------------------------------------------- keys, chat

bool frmTerminal::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && watched == ui->txtChat) {
        txtChat_Send();
        return true;
    }
    if (event->type() == QEvent::KeyPress && !unloaded_) {
        // A key travels up from the focused control while nobody takes it;
        // it is sent once, where it was typed.
        QWidget* focused = focusWidget();
        const bool typingLine = watched == ui->txtChat || watched == ui->cboCommPort->lineEdit();
        if (!typingLine && watched == (focused != nullptr ? focused : this)) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QByteArray typed = TypedKeyBytes(key->key(), key->modifiers(), key->text());
            if (!typed.isEmpty()) {
                SendToPort(typed, tt::kNotSentKey);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmTerminal::txtChat_Send() {
    SendToPort(terminal::LineBytes(ui->txtChat->text()) + "\r\n", tt::kNotSentChat);
}

void frmTerminal::SendToPort(const QByteArray& bytes, const char* what) {
    if (!ocxComm->Write(bytes)) {
        SetStatus(QString(tt::kNotSent).arg(what));
    }
}

// ----------------------------------------------------------- capture, clear

void frmTerminal::cmdCapture_Click() {
    if (reception_.Capturing()) {
        reception_.EndCapture();
        ShowCaptureButton();
        return;
    }
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::OpenOrCreate;
    request.title = tt::kSelectFile;
    request.filter = tt::kCaptureFilter;
    request.initialFileName = captureFileName_;
    platform::ShowFileDialog(this, request, [this](const QString& chosen) {
        if (!reception_.Capturing()) {
            StartCapture(chosen);
        }
    });
}

void frmTerminal::StartCapture(const QString& chosen) {
    captureFileName_ = chosen;
    QString error;
    if (!reception_.StartCapture(chosen, error)) {
        platform::ShowMessage(this, {platform::MessageKind::Warning, tt::kCaptureTitle,
                                     QString(tt::kCaptureOpenFailed).arg(chosen, error)});
        return;
    }
    ShowCaptureButton();
}

void frmTerminal::CaptureFailed() {
    ShowCaptureButton();
    SetStatus(reception_.CaptureFailure());
}

void frmTerminal::ShowCaptureButton() {
    const bool capturing = reception_.Capturing();
    ui->cmdCapture->setProperty("Tag", capturing ? "1" : "0");
    ui->cmdCapture->setText(capturing ? tt::kEndCapture : tt::kCapture);
}

void frmTerminal::cmdClear_Click() {
    reception_.Clear();
    reception_.Display().TakeViewUpdate();
    ui->txtTerminal->Clear();
}

void frmTerminal::SetStatus(const QString& text) {
    if (text != statusText_) {
        statusText_ = text;
        ShowStatusLine(ui->lblStatus, text);
    }
}
