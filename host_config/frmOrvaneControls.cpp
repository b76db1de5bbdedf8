// The main window's controls: the form (frmOrvane.ui) makes them, lays them
// out and sets their captions and keyboard order; here they are gathered into
// the window's groups, given what the form cannot say, and wired to the
// window's handlers.

#include "host_config/frmOrvane.h"

#include "host_config/ConnectionBar.h"
#include "ui_frmOrvane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

// Courier New where it is installed, else the system's fixed-pitch font.
QFont TicketFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setFamilies({QStringLiteral("Courier New"),
                      QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

} // namespace

void frmOrvane::SetUpControls() {
    Ui::frmOrvane ui;
    ui.setupUi(this);
    chkOptions = {ui.chkOptions_0, ui.chkOptions_1, ui.chkOptions_2, ui.chkOptions_3,
                  ui.chkOptions_4, ui.chkOptions_5, ui.chkOptions_6, ui.chkOptions_7};
    lblParameters = {ui.lblParameters_0, ui.lblParameters_1, ui.lblParameters_2,
                     ui.lblParameters_3, ui.lblParameters_4, ui.lblParameters_5,
                     ui.lblParameters_6, ui.lblParameters_7, ui.lblParameters_8};
    txtParameters = {ui.txtParameters_0, ui.txtParameters_1, ui.txtParameters_2,
                     ui.txtParameters_3, ui.txtParameters_4, ui.txtParameters_5,
                     ui.txtParameters_6, ui.txtParameters_7, ui.txtParameters_8};
    cboKioskNoteInValue = ui.cboKioskNoteInValue;
    cmdProgram = ui.cmdProgram;
    chkSendAll = ui.chkSendAll;
    chkSend = {ui.chkSend_0, ui.chkSend_1, ui.chkSend_2, ui.chkSend_3};
    txtHeaderFooter = {ui.txtHeaderFooter_0, ui.txtHeaderFooter_1};
    lblHeaderFooterSize = {ui.lblHeaderFooterSize_0, ui.lblHeaderFooterSize_1};
    cmdFileOps = {ui.cmdFileOps_0, ui.cmdFileOps_1, ui.cmdFileOps_2, ui.cmdFileOps_3};
    optPrinter = {ui.optPrinter_0, ui.optPrinter_1, ui.optPrinter_2,
                  ui.optPrinter_3, ui.optPrinter_4, ui.optPrinter_5};
    // In the order of ToolWindow.
    toolButtons_ = {ui.cmdGameSetup, ui.cmdDiagnostic, ui.cmdTerminal, ui.cmdTransactions,
                    ui.cmdViewRemote};
    cmdExit = ui.cmdExit;
    statusConnection = ui.statusConnection;

    for (QLineEdit* box : txtParameters) {
        box->installEventFilter(this); // keys that are not entries are dropped
    }
    for (QPlainTextEdit* box : txtHeaderFooter) {
        box->setFont(TicketFont());
        // Room for a ticket's worth of lines without scrolling.
        box->setMinimumHeight(box->fontMetrics().lineSpacing() * 8);
    }

    ocxTimer = new QTimer(this);
    ocxTimer->setObjectName(QStringLiteral("ocxTimer"));
}

// The controls' signals, wired to the window's handlers.
void frmOrvane::ConnectHandlers() {
    for (int n = 0; n < 8; ++n) {
        connect(
            chkOptions[static_cast<std::size_t>(n)], &QCheckBox::toggled, this, [this, n](bool on) {
                const auto bit = static_cast<std::uint8_t>(1u << n);
                globalOptions_ =
                    static_cast<std::uint8_t>(on ? globalOptions_ | bit : globalOptions_ & ~bit);
                MarkSend(1);
            });
    }
    for (QLineEdit* box : txtParameters) {
        // Pasted or deleted text is not filtered, but it is a change to send.
        connect(box, &QLineEdit::textEdited, this, [this] { MarkSend(1); });
    }
    connect(cboKioskNoteInValue, &QComboBox::currentIndexChanged, this, [this] { MarkSend(1); });
    for (int n = 0; n < 6; ++n) {
        connect(optPrinter[static_cast<std::size_t>(n)], &QRadioButton::toggled, this,
                [this, n](bool on) {
                    if (on) {
                        printerType_ = n;
                        MarkSend(1);
                    }
                });
    }
    for (int n = 0; n < 2; ++n) {
        connect(txtHeaderFooter[static_cast<std::size_t>(n)], &QPlainTextEdit::textChanged, this,
                [this, n] {
                    MarkSend(n + 2);
                    UpdateTicketSize(n);
                });
        UpdateTicketSize(n);
    }
    connect(chkSendAll, &QCheckBox::clicked, this, [this](bool on) {
        for (QCheckBox* box : chkSend) {
            box->setChecked(on);
        }
    });
    connect(cmdProgram, &QPushButton::clicked, this, [this] { cmdProgram_Click(); });
    for (int n = 0; n < 4; ++n) {
        connect(cmdFileOps[static_cast<std::size_t>(n)], &QPushButton::clicked, this,
                [this, n] { cmdFileOps_Click(n); });
    }
    for (std::size_t k = 0; k < toolButtons_.size(); ++k) {
        connect(toolButtons_[k], &QPushButton::clicked, this,
                [this, k] { OpenToolWindow(static_cast<ToolWindow>(k)); });
    }
    connect(cmdExit, &QPushButton::clicked, this, [this] { close(); });
    UpdateToolButtons();
}
