// The main window's controls: created frame by frame in the order of the
// window's table, which is also the tab order, laid out with Qt layouts, and
// wired to the window's handlers.

#include "host_config/frmOrvane.h"

#include "host_config/ConnectionBar.h"
#include "host_config/MainWindowTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <string_view>

namespace t = hostconfig::texts;
using hostconfig::kParameterCount;

namespace {

QString Name(const char* group, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(group)).arg(index);
}

QFont TicketFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setFamilies({QStringLiteral("Courier New"),
                      QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

struct ToolButtonText {
    const char* name;
    const char* caption;
};
constexpr std::array<ToolButtonText, 5> kToolButtons{{
    {"cmdGameSetup", t::kGameSetup},
    {"cmdDiagnostic", t::kDiagnostic},
    {"cmdTerminal", t::kTerminal},
    {"cmdTransactions", t::kTransactions},
    {"cmdViewRemote", t::kViewRemote},
}};

} // namespace

void frmOrvane::BuildControls() {
    setObjectName(QStringLiteral("frmOrvane"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    // Created in the order of the frames, which is also the tab order.
    auto* top = new QHBoxLayout;
    top->addWidget(BuildOptionsFrame());
    top->addWidget(BuildParametersFrame(), 1);
    top->addWidget(BuildSendFrame());
    layout->addLayout(top);

    auto* texts = new QHBoxLayout;
    texts->addWidget(BuildTicketFrame(0));
    texts->addWidget(BuildTicketFrame(1));
    layout->addLayout(texts, 1);

    layout->addWidget(BuildPrinterFrame());
    layout->addWidget(BuildToolButtons());
    setCentralWidget(central);
    // Last in the tab order: the connection and its "Reconnect" button.
    statusConnection = new hostconfig::ConnectionBar(this);
    setStatusBar(statusConnection);

    ocxTimer = new QTimer(this);
    ocxTimer->setObjectName(QStringLiteral("ocxTimer"));
}

QWidget* frmOrvane::BuildOptionsFrame() {
    auto* frame = new QGroupBox(t::kFrameOptions, this);
    frame->setObjectName(QStringLiteral("frameOptions"));
    auto* layout = new QVBoxLayout(frame);
    for (int n = 0; n < 8; ++n) {
        const auto& text = t::kOptions[static_cast<std::size_t>(n)];
        auto* box = new QCheckBox(text.caption, frame);
        box->setObjectName(Name("chkOptions", n));
        if (*text.tooltip != '\0') {
            box->setToolTip(text.tooltip);
        }
        layout->addWidget(box);
        chkOptions[static_cast<std::size_t>(n)] = box;
    }
    layout->addStretch();
    return frame;
}

QWidget* frmOrvane::BuildParametersFrame() {
    auto* frame = new QGroupBox(t::kFrameParameters, this);
    frame->setObjectName(QStringLiteral("frameParameters"));
    auto* grid = new QGridLayout(frame);
    int row = 0;
    const char* section = nullptr;
    const std::array<std::pair<const char*, const char*>, 3> sections{{
        {t::kSectionTamber, "lblTamber"},
        {t::kSectionCashDrop, "lblCashDrop"},
        {t::kSectionBonus, "lblBonus"},
    }};
    for (int n = 0; n < kParameterCount; ++n) {
        const auto& text = t::kParameters[static_cast<std::size_t>(n)];
        if (section == nullptr || std::string_view(section) != text.section) {
            section = text.section;
            for (const auto& [caption, name] : sections) {
                if (std::string_view(caption) == section) {
                    auto* heading = new QLabel(caption, frame);
                    heading->setObjectName(name);
                    QFont bold = heading->font();
                    bold.setBold(true);
                    heading->setFont(bold);
                    grid->addWidget(heading, row++, 0, 1, 2);
                }
            }
        }
        auto* label = new QLabel(text.label, frame);
        label->setObjectName(Name("lblParameters", n));
        auto* box = new QLineEdit(frame);
        box->setObjectName(Name("txtParameters", n));
        label->setBuddy(box);
        box->installEventFilter(this);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row++, 1);
        lblParameters[static_cast<std::size_t>(n)] = label;
        txtParameters[static_cast<std::size_t>(n)] = box;
    }
    auto* kioskLabel = new QLabel(t::kKioskLabel, frame);
    kioskLabel->setObjectName(QStringLiteral("lblKioskNoteInValue"));
    cboKioskNoteInValue = new QComboBox(frame);
    cboKioskNoteInValue->setObjectName(QStringLiteral("cboKioskNoteInValue"));
    for (const char* item : t::kKioskValues) {
        cboKioskNoteInValue->addItem(item);
    }
    kioskLabel->setBuddy(cboKioskNoteInValue);
    grid->addWidget(kioskLabel, row, 0);
    grid->addWidget(cboKioskNoteInValue, row++, 1);
    grid->setRowStretch(row, 1);
    return frame;
}

QWidget* frmOrvane::BuildSendFrame() {
    auto* frame = new QGroupBox(t::kFrameSend, this);
    frame->setObjectName(QStringLiteral("frameSend"));
    auto* layout = new QVBoxLayout(frame);
    cmdProgram = new QPushButton(t::kProgram, frame);
    cmdProgram->setObjectName(QStringLiteral("cmdProgram"));
    cmdProgram->setToolTip(t::kProgramTip);
    layout->addWidget(cmdProgram);
    chkSendAll = new QCheckBox(t::kSendAll, frame);
    chkSendAll->setObjectName(QStringLiteral("chkSendAll"));
    layout->addWidget(chkSendAll);
    for (int n = 0; n < 4; ++n) {
        auto* box = new QCheckBox(t::kSend[static_cast<std::size_t>(n)], frame);
        box->setObjectName(Name("chkSend", n));
        layout->addWidget(box);
        chkSend[static_cast<std::size_t>(n)] = box;
    }
    layout->addStretch();
    return frame;
}

QWidget* frmOrvane::BuildTicketFrame(int n) {
    const auto i = static_cast<std::size_t>(n);
    const char* title = n == 0 ? t::kFrameLocation : t::kFrameDisclaimer;
    auto* frame = new QGroupBox(title, this);
    frame->setObjectName(n == 0 ? QStringLiteral("frameLocation")
                                : QStringLiteral("frameDisclaimer"));
    auto* layout = new QVBoxLayout(frame);
    auto* box = new QPlainTextEdit(frame);
    box->setObjectName(Name("txtHeaderFooter", n));
    box->setAccessibleName(title);
    box->setFont(TicketFont());
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setTabChangesFocus(true);
    // Room for a ticket's worth of lines without scrolling.
    box->setMinimumHeight(box->fontMetrics().lineSpacing() * 8);
    layout->addWidget(box, 1);
    txtHeaderFooter[i] = box;

    auto* size = new QLabel(frame);
    size->setObjectName(Name("lblHeaderFooterSize", n));
    layout->addWidget(size);
    lblHeaderFooterSize[i] = size;

    auto* buttons = new QHBoxLayout;
    for (int k = 2 * n; k < 2 * n + 2; ++k) {
        const auto& text = t::kFileOps[static_cast<std::size_t>(k)];
        auto* button = new QPushButton(text.caption, frame);
        button->setObjectName(Name("cmdFileOps", k));
        button->setToolTip(text.tooltip);
        // Two "Load" and two "Save" buttons: say which text each works on.
        button->setAccessibleDescription(text.tooltip);
        buttons->addWidget(button);
        cmdFileOps[static_cast<std::size_t>(k)] = button;
    }
    buttons->addStretch();
    layout->addLayout(buttons);
    return frame;
}

QWidget* frmOrvane::BuildPrinterFrame() {
    auto* frame = new QGroupBox(t::kFramePrinter, this);
    frame->setObjectName(QStringLiteral("framePrinter"));
    auto* layout = new QHBoxLayout(frame);
    for (int n = 0; n < 6; ++n) {
        auto* option = new QRadioButton(t::kPrinters[static_cast<std::size_t>(n)], frame);
        option->setObjectName(Name("optPrinter", n));
        layout->addWidget(option);
        optPrinter[static_cast<std::size_t>(n)] = option;
    }
    layout->addStretch();
    return frame;
}

QWidget* frmOrvane::BuildToolButtons() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (std::size_t k = 0; k < kToolButtons.size(); ++k) {
        auto* button = new QPushButton(kToolButtons[k].caption, row);
        button->setObjectName(kToolButtons[k].name);
        layout->addWidget(button);
        toolButtons_[k] = button;
    }
    layout->addStretch();
    cmdExit = new QPushButton(t::kExit, row);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setToolTip(t::kExitTip);
    layout->addWidget(cmdExit);
    return row;
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
