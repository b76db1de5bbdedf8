#include "terminal/frmTerminal.h"

#include "common/ProgramState.h"
#include "common/StatusLine.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "terminal/SerialPort.h"
#include "terminal/TerminalTexts.h"
#include "terminal/TerminalView.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSerialPortInfo>
#include <QTimer>
#include <QVBoxLayout>

namespace tt = terminaltext;
using namespace terminal;

namespace {

// Received text reaches the box in batches at most this often; what is
// shown and captured stays exact and in order.
constexpr int kViewIntervalMs = 50;
// Room left for the window frame when a saved size is fitted to the screen.
constexpr int kFrameAllowance = 48;

QFont FixedPitchFont() {
    QFont font(tt::kFixedFontFamily);
    font.setPointSizeF(tt::kFixedFontPoints);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(tt::kFixedFontPoints);
    }
    return font;
}

QString FromLocal(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

std::string ToLocal(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

QString OpenErrorText(int number, const QString& description) {
    return tt::kOpenError + QString::number(number) + tt::kOpenErrorMiddle + description;
}

// What a key press types on the line: its character in the line's code
// page, a control character for Ctrl with a letter; nothing for keys that
// move around (Tab) or are commands (Alt, Meta).
QByteArray TypedBytes(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab ||
        (key.modifiers() & (Qt::AltModifier | Qt::MetaModifier)) != 0) {
        return {};
    }
    if ((key.modifiers() & Qt::ControlModifier) != 0 && key.key() >= Qt::Key_A &&
        key.key() <= Qt::Key_Z) {
        return QByteArray(1, static_cast<char>(key.key() - Qt::Key_A + 1));
    }
    return terminal::LineBytes(key.text());
}

} // namespace

frmTerminal::frmTerminal(QWidget* parent) : QWidget(parent) {
    setObjectName("frmTerminal");
    setWindowTitle(tt::kCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    ArrangeControls();
    ConnectControls();
    Form_Load();
}

frmTerminal::~frmTerminal() {
    if (!unloaded_) {
        Form_Unload();
    }
}

// ------------------------------------------------------------------ controls

void frmTerminal::BuildControls() {
    txtTerminal = new TerminalView(this);
    txtTerminal->setObjectName("txtTerminal");
    txtTerminal->setAccessibleName(tt::kTerminalBoxName);
    txtTerminal->setFont(FixedPitchFont());

    frameControls = new QFrame(this);
    frameControls->setObjectName("frameControls");
    frameControls->setFrameShape(QFrame::StyledPanel);

    const auto label = [this](const char* name, const char* text) {
        auto* l = new QLabel(text, frameControls);
        l->setObjectName(name);
        return l;
    };
    const auto list = [this](const char* name, QLabel* buddy) {
        auto* box = new QComboBox(frameControls);
        box->setObjectName(name);
        buddy->setBuddy(box);
        return box;
    };
    lblCommPort = label("lblCommPort", tt::kCommPort);
    cboCommPort = list("cboCommPort", lblCommPort);
    // Besides the listed ports, any device path can be typed.
    cboCommPort->setEditable(true);
    cboCommPort->setInsertPolicy(QComboBox::InsertAtBottom);
    cboCommPort->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboCommPort->setMinimumContentsLength(12);
    lblBaudRate = label("lblBaudRate", tt::kBaudRate);
    cboBaudRate = list("cboBaudRate", lblBaudRate);
    for (const int rate : kBaudRates) {
        cboBaudRate->addItem(QString::number(rate), rate);
    }
    lblHandshaking = label("lblHandshaking", tt::kHandshaking);
    cboHandshaking = list("cboHandshaking", lblHandshaking);
    for (int i = 0; i < kHandshakingCount; ++i) {
        cboHandshaking->addItem(tt::kHandshakingItems[i], i);
    }
    lblPrinterType = label("lblPrinterType", tt::kPrinterType);
    cboPrinterType = list("cboPrinterType", lblPrinterType);
    for (int i = 0; i < kPrinterTypeCount; ++i) {
        cboPrinterType->addItem(tt::kPrinterItems[i], i);
    }

    chkDisplayHex = new QCheckBox(tt::kDisplayHex, frameControls);
    chkDisplayHex->setObjectName("chkDisplayHex");
    chkCRToCRLF = new QCheckBox(tt::kCRToCRLF, frameControls);
    chkCRToCRLF->setObjectName("chkCRToCRLF");

    txtChat = new QLineEdit(frameControls);
    txtChat->setObjectName("txtChat");
    txtChat->setAccessibleName(tt::kChatName);
    txtChat->setPlaceholderText(tt::kChatHint);

    cmdCapture = new QPushButton(tt::kCapture, frameControls);
    cmdCapture->setObjectName("cmdCapture");
    cmdCapture->setProperty("Tag", "0");
    cmdClear = new QPushButton(tt::kClear, frameControls);
    cmdClear->setObjectName("cmdClear");
    cmdClose = new QPushButton(tt::kClose, frameControls);
    cmdClose->setObjectName("cmdClose");

    lblStatus = new QLabel(frameControls);
    lblStatus->setObjectName("lblStatus");
    MakeStatusLine(lblStatus, tt::kStatusName);
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    ocxComm = new SerialPort(this);
    viewTimer_ = new QTimer(this);
    viewTimer_->setSingleShot(true);
    viewTimer_->setInterval(kViewIntervalMs);
    deviceWatcher_ = new QFileSystemWatcher(this);

    setTabOrder(txtTerminal, cboCommPort);
    setTabOrder(cboCommPort, cboBaudRate);
    setTabOrder(cboBaudRate, cboHandshaking);
    setTabOrder(cboHandshaking, cboPrinterType);
    setTabOrder(cboPrinterType, chkDisplayHex);
    setTabOrder(chkDisplayHex, chkCRToCRLF);
    setTabOrder(chkCRToCRLF, txtChat);
    setTabOrder(txtChat, cmdCapture);
    setTabOrder(cmdCapture, cmdClear);
    setTabOrder(cmdClear, cmdClose);

    // The window sees typed keys before its controls. Lines being typed (the
    // chat line, a port's path) are not sent key by key.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child != txtChat && child != cboCommPort->lineEdit()) {
            child->installEventFilter(this);
        }
    }
    txtChat->installEventFilter(this); // for its double-click
}

void frmTerminal::ArrangeControls() {
    auto* grid = new QGridLayout(frameControls);
    grid->addWidget(lblCommPort, 0, 0);
    grid->addWidget(lblBaudRate, 0, 1);
    grid->addWidget(lblHandshaking, 0, 2);
    grid->addWidget(lblPrinterType, 0, 3);
    grid->addWidget(cboCommPort, 1, 0);
    grid->addWidget(cboBaudRate, 1, 1);
    grid->addWidget(cboHandshaking, 1, 2);
    grid->addWidget(cboPrinterType, 1, 3);
    auto* checks = new QHBoxLayout;
    checks->addWidget(chkDisplayHex);
    checks->addWidget(chkCRToCRLF);
    checks->addStretch(1);
    grid->addLayout(checks, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCapture);
    buttons->addWidget(cmdClear);
    buttons->addWidget(cmdClose);
    grid->addLayout(buttons, 2, 2, 1, 2);
    grid->addWidget(txtChat, 3, 0, 1, 4);
    grid->addWidget(lblStatus, 4, 0, 1, 4);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 3);
    grid->setColumnStretch(3, 3);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);
    page->addWidget(txtTerminal, 1);
    page->addWidget(frameControls);
    txtTerminal->setMinimumHeight(txtTerminal->fontMetrics().lineSpacing() * 4);
}

void frmTerminal::ConnectControls() {
    // The port's settings apply when the operator chooses one (choosing the
    // same port again reopens it); the printer type and the two check boxes
    // are read as each chunk arrives.
    connect(cboCommPort, &QComboBox::activated, this, [this] { OpenCommPort(); });
    connect(cboBaudRate, &QComboBox::activated, this, [this] { OpenCommPort(); });
    connect(cboHandshaking, &QComboBox::activated, this, [this] { OpenCommPort(); });
    connect(cmdCapture, &QPushButton::clicked, this, [this] { cmdCapture_Click(); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { close(); });
    connect(txtChat, &QLineEdit::returnPressed, this, [this] { txtChat_Send(); });
    connect(ocxComm, &SerialPort::DataReceived, this, [this] { ocxComm_OnComm(); });
    connect(ocxComm, &SerialPort::Lost, this, [this](const QString& why) { ocxComm_Lost(why); });
    connect(viewTimer_, &QTimer::timeout, this, [this] { UpdateView(); });
    connect(deviceWatcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!awaitedDevice_.isEmpty() && PortPresent(awaitedDevice_)) {
            OpenPort(OpenReason::DeviceBack);
        }
    });
}

// The COM items, the USB adapters present now, and the stored device when
// it is neither.
void frmTerminal::FillPortList() {
    cboCommPort->clear();
    for (int n = 1; n <= kComPortCount; ++n) {
        cboCommPort->addItem(tt::kComPrefix + QString::number(n),
                             QString::fromStdString(ComPortDevice(n)));
    }
    std::vector<PresentPort> present;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        present.push_back({ToLocal(info.systemLocation()), info.description().toStdString()});
    }
    for (const PortItem& item : AdapterItems(present)) {
        cboCommPort->addItem(QString::fromStdString(item.Text), FromLocal(item.Device));
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
        port = cboCommPort->findData(device);
        if (port < 0) {
            cboCommPort->addItem(device, device);
            port = cboCommPort->count() - 1;
        }
    }
    cboCommPort->setCurrentIndex(port);
    cboBaudRate->setCurrentIndex(settings_.BaudRate);
    cboHandshaking->setCurrentIndex(settings_.Handshaking);
    cboPrinterType->setCurrentIndex(settings_.PrinterType);
    chkCRToCRLF->setChecked(settings_.CRToCRLF);

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
    StopWaiting();
    ocxComm->Close();
    if (capturing_) {
        FlushCapture();
        EndCapture();
    }
    const int port = cboCommPort->currentIndex();
    if (port >= 0 && port < kComPortCount) {
        settings_.CommPort = port;
        settings_.CommPortDevice.clear();
    } else {
        settings_.CommPortDevice = ToLocal(DeviceOf(port));
    }
    settings_.BaudRate = cboBaudRate->currentIndex();
    settings_.Handshaking = cboHandshaking->currentIndex();
    settings_.PrinterType = cboPrinterType->currentIndex();
    settings_.CaptureFileName = ToLocal(captureFileName_);
    settings_.CRToCRLF = chkCRToCRLF->isChecked();
    settings_.TerminalWidth = PixelsToTwips(width(), logicalDpiX());
    settings_.TerminalHeight = PixelsToTwips(height(), logicalDpiY());
    const std::string& path = ProgramState::Instance().SettingsPath;
    if (!WriteTerminalSettings(settings_, path)) {
        qWarning("%s", qPrintable(QString(tt::kSettingsNotSaved) + " " + FromLocal(path)));
    }
}

// ---------------------------------------------------------------------- port

QString frmTerminal::DeviceOf(int portIndex) const {
    if (portIndex < 0 || portIndex >= cboCommPort->count()) {
        return {};
    }
    const QString device = cboCommPort->itemData(portIndex).toString();
    if (!device.isEmpty()) {
        return device;
    }
    // A typed entry: "COM3" still means /dev/ttyS2.
    const QString text = cboCommPort->itemText(portIndex).trimmed();
    for (int n = 1; n <= kComPortCount; ++n) {
        if (text.compare(tt::kComPrefix + QString::number(n), Qt::CaseInsensitive) == 0) {
            return QString::fromStdString(ComPortDevice(n));
        }
    }
    return text;
}

QString frmTerminal::PortName(int portIndex) const {
    const QString device = DeviceOf(portIndex);
    const QString name = FromLocal(PortDisplayName(ToLocal(device)));
    return name == device ? device : QString("%1 (%2)").arg(name, device);
}

bool frmTerminal::PortPresent(const QString& device) const {
    if (device.startsWith("/dev/ttyS")) {
        // The PC's own ports have device nodes whether or not the hardware
        // is there; the system's port list knows which are real.
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            if (info.systemLocation() == device) {
                return true;
            }
        }
        return false;
    }
    return QFileInfo::exists(device);
}

QString frmTerminal::PresentPortsText() const {
    QStringList names;
    std::vector<PresentPort> adapters;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::string device = ToLocal(info.systemLocation());
        const std::string name = PortDisplayName(device);
        if (name != device) {
            names << FromLocal(name);
        } else {
            adapters.push_back({device, info.description().toStdString()});
        }
    }
    for (const PortItem& item : AdapterItems(adapters)) {
        names << QString::fromStdString(item.Text);
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
    settings.BaudRate = cboBaudRate->currentData().toInt();
    settings.Handshaking = cboHandshaking->currentData().toInt();
    return !settings.Device.isEmpty() && ocxComm->Open(settings);
}

void frmTerminal::OpenPort(OpenReason why) {
    if (!PortReady) {
        return;
    }
    StopWaiting();
    ocxComm->Close();
    const int previous = appliedPort_;
    const int chosen = cboCommPort->currentIndex();
    appliedPort_ = chosen;
    const QString name = PortName(chosen);

    if (why == OpenReason::Load && !PortPresent(DeviceOf(chosen))) {
        // The stored choice stays; the operator sees what there is instead
        // of an error box at every opening.
        SetStatus(QString(tt::kPortAbsent).arg(name) + PresentPortsText());
        WaitForDevice(DeviceOf(chosen));
        return;
    }
    if (TryOpen(chosen)) {
        SetStatus(QString(why == OpenReason::DeviceBack ? tt::kPortBack : tt::kPortOpen).arg(name));
        return;
    }
    const QString failure = OpenErrorText(ocxComm->ErrorNumber(), ocxComm->ErrorText());
    if (why == OpenReason::DeviceBack) {
        WaitForDevice(DeviceOf(chosen)); // not ready yet; the next change tries again
        return;
    }
    if (why == OpenReason::Load) {
        SetStatus(QString(tt::kOpenFailedAtStart).arg(name, failure) + PresentPortsText());
        WaitForDevice(DeviceOf(chosen));
        return;
    }
    platform::ShowMessage(this, {platform::MessageKind::Warning, tt::kCaption, failure});
    if (previous < 0 || previous >= cboCommPort->count()) {
        SetStatus(QString(tt::kNotOpened).arg(name));
        return;
    }
    // The previous port, once: if it fails too, the port stays closed
    // instead of trying again and again.
    cboCommPort->setCurrentIndex(previous);
    appliedPort_ = previous;
    if (TryOpen(previous)) {
        SetStatus(QString(tt::kReopened).arg(name, PortName(previous)));
    } else {
        SetStatus(QString(tt::kReopenFailed).arg(name, PortName(previous)));
    }
}

void frmTerminal::WaitForDevice(const QString& device) {
    StopWaiting();
    const QString folder = QFileInfo(device).absolutePath();
    if (device.isEmpty() || !QFileInfo::exists(folder)) {
        return;
    }
    awaitedDevice_ = device;
    deviceWatcher_->addPath(folder);
}

void frmTerminal::StopWaiting() {
    awaitedDevice_.clear();
    const QStringList watched = deviceWatcher_->directories();
    if (!watched.isEmpty()) {
        deviceWatcher_->removePaths(watched);
    }
}

void frmTerminal::ocxComm_Lost(const QString& why) {
    UpdateView();
    SetStatus(QString(tt::kPortLost).arg(PortName(appliedPort_), why));
    WaitForDevice(ocxComm->Device());
}

// ------------------------------------------------------------------- receive

void frmTerminal::ocxComm_OnComm() {
    ReceiveOptions options;
    options.DisplayHex = chkDisplayHex->isChecked();
    options.PrinterType = cboPrinterType->currentData().toInt();
    options.CRToCRLF = chkCRToCRLF->isChecked();
    // Bytes that come while a chunk is handled are handled at the port's
    // next report.
    const QByteArray bytes = ocxComm->ReadAll();
    if (bytes.isEmpty()) {
        return;
    }
    chunkText_.clear();
    ReceiveText(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size())),
                options, receive_, chunkText_);
    if (chunkText_.empty()) {
        if (!options.DisplayHex && options.PrinterType == kPrinterIthica) {
            SetStatus(tt::kIthica);
        }
        return;
    }
    DisplayText(chunkText_);
    if (capturing_) {
        QString error;
        if (!capture_.Append(chunkText_, error)) {
            CaptureFailed(error);
        }
    }
}

void frmTerminal::DisplayText(std::string_view msg) {
    display_.Append(msg);
    if (!viewTimer_->isActive()) {
        viewTimer_->start();
    }
}

void frmTerminal::UpdateView() {
    viewTimer_->stop();
    FlushCapture();
    if (!display_.ViewBehind()) {
        return;
    }
    const DisplayBuffer::ViewUpdate update = display_.TakeViewUpdate();
    // The caret follows the text, with nothing selected.
    if (update.Replace) {
        txtTerminal->SetText(update.Text);
    } else {
        txtTerminal->AppendText(update.Text);
    }
}

// --------------------------------------------------------------- keys, chat

bool frmTerminal::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && watched == txtChat) {
        txtChat_Send();
        return true;
    }
    if (event->type() == QEvent::KeyPress && !unloaded_) {
        // A key travels up from the focused control while nobody takes it;
        // it is sent once, where it was typed.
        QWidget* focused = focusWidget();
        const bool typingLine = watched == txtChat || watched == cboCommPort->lineEdit();
        if (!typingLine && watched == (focused != nullptr ? focused : this)) {
            const QByteArray typed = TypedBytes(*static_cast<QKeyEvent*>(event));
            if (!typed.isEmpty()) {
                SendToPort(typed, tt::kNotSentKey);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmTerminal::txtChat_Send() {
    SendToPort(terminal::LineBytes(txtChat->text()) + "\r\n", tt::kNotSentChat);
}

void frmTerminal::SendToPort(const QByteArray& bytes, const char* what) {
    if (!ocxComm->Write(bytes)) {
        SetStatus(QString(tt::kNotSent).arg(what));
    }
}

// ----------------------------------------------------------- capture, clear

void frmTerminal::cmdCapture_Click() {
    if (capturing_) {
        FlushCapture();
        EndCapture();
        return;
    }
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::OpenOrCreate;
    request.title = tt::kSelectFile;
    request.filter = tt::kCaptureFilter;
    request.initialFileName = captureFileName_;
    platform::ShowFileDialog(this, request, [this](const QString& chosen) {
        if (!capturing_) {
            StartCapture(chosen);
        }
    });
}

void frmTerminal::StartCapture(const QString& chosen) {
    captureFileName_ = chosen;
    QString error;
    if (!capture_.Open(chosen, error)) {
        platform::ShowMessage(this, {platform::MessageKind::Warning, tt::kCaptureTitle,
                                     QString(tt::kCaptureOpenFailed).arg(chosen, error)});
        return;
    }
    capturing_ = true;
    cmdCapture->setProperty("Tag", "1");
    cmdCapture->setText(tt::kEndCapture);
}

// The capture file gets what was received with each display update, so a
// write error is known at once.
void frmTerminal::FlushCapture() {
    QString error;
    if (capturing_ && !capture_.Flush(error)) {
        CaptureFailed(error);
    }
}

void frmTerminal::CaptureFailed(const QString& error) {
    const QString file = capture_.FileName();
    EndCapture();
    SetStatus(capture_.Deleted() ? QString(tt::kCaptureDeleted).arg(file)
                                 : QString(tt::kCaptureWriteFailed).arg(file, error));
}

void frmTerminal::EndCapture() {
    capture_.Close();
    capturing_ = false;
    cmdCapture->setProperty("Tag", "0");
    cmdCapture->setText(tt::kCapture);
}

void frmTerminal::cmdClear_Click() {
    display_.Clear();
    display_.TakeViewUpdate();
    txtTerminal->Clear();
    receive_.Clear();
}

void frmTerminal::SetStatus(const QString& text) {
    if (text != statusText_) {
        statusText_ = text;
        ShowStatusLine(lblStatus, text);
    }
}
