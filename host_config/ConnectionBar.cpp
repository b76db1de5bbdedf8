#include "host_config/ConnectionBar.h"

#include "common/StatusLine.h"

#include "host_config/ConnectionStatus.h"
#include "host_config/MainWindowTexts.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"

#include <QLabel>
#include <QPushButton>

namespace hostconfig {

namespace {
// A refusal stays in the status line this long.
constexpr int kNoticeMs = 10000;
} // namespace

ConnectionBar::ConnectionBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("statusConnection"));
    setSizeGripEnabled(false);

    lblConnection = new QLabel(this);
    lblConnection->setObjectName(QStringLiteral("lblConnection"));
    MakeStatusLine(lblConnection, texts::kConnectionName);
    lblConnection->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long reason and hint wraps rather than widening the window.
    lblConnection->setWordWrap(true);
    lblConnection->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblConnection->setMinimumWidth(lblConnection->fontMetrics().averageCharWidth() * 20);
    lblLastExchange = new QLabel(this);
    lblLastExchange->setObjectName(QStringLiteral("lblLastExchange"));
    MakeStatusLine(lblLastExchange, texts::kLastExchangeName);
    cmdReconnect = new QPushButton(texts::kReconnect, this);
    cmdReconnect->setObjectName(QStringLiteral("cmdReconnect"));
    cmdReconnect->setToolTip(texts::kReconnectTip);

    // Permanent widgets stay visible; a refusal shows to their left.
    addPermanentWidget(lblConnection, 1);
    addPermanentWidget(lblLastExchange);
    addPermanentWidget(cmdReconnect);
    connect(cmdReconnect, &QPushButton::clicked, this, &ConnectionBar::Reconnect);

    ShowConnection();
    ShowLastExchange();
}

void ConnectionBar::Attach(clsUSBInterface* link) {
    if (link_ != nullptr) {
        disconnect(link_, nullptr, this, nullptr);
    }
    link_ = link;
    if (link_ != nullptr) {
        connect(link_, &clsUSBInterface::ConnectionChanged, this, &ConnectionBar::ShowConnection);
        connect(link_, &clsUSBInterface::ExchangeFinished, this, [this] {
            lastExchangeAt_ = QTime::currentTime();
            ShowLastExchange();
            // An exchange may have found the device gone or opened it again.
            ShowConnection();
        });
        connect(link_, &QObject::destroyed, this, [this] {
            link_ = nullptr;
            ShowConnection();
        });
    }
    ShowConnection();
    ShowLastExchange();
}

QString ConnectionBar::ConnectionShown() const {
    return lblConnection->text();
}

QString ConnectionBar::LastExchangeShown() const {
    return lblLastExchange->text();
}

void ConnectionBar::Reconnect() {
    if (link_ == nullptr || !link_->Reconnect()) {
        showMessage(QString(texts::kReconnectRefusedTitle) + QStringLiteral(": ") +
                        texts::kReconnectRefused,
                    kNoticeMs);
        return;
    }
    clearMessage();
    ShowConnection();
}

void ConnectionBar::ShowConnection() {
    ConnectionState state;
    if (const platform::FtdiDevice* backend = FtdiBackend(); backend != nullptr) {
        state.device = backend->Describe();
    }
    if (link_ != nullptr && link_->DeviceOpen()) {
        state.open = true;
    } else {
        const FT_STATUS failure = link_ != nullptr && link_->DeviceFailure() != platform::FT_OK
                                      ? link_->DeviceFailure()
                                      : platform::FT_DEVICE_NOT_FOUND;
        state.failure = link_ != nullptr ? link_->StatusText(failure) : texts::kNoLink;
    }
    ShowStatusLine(lblConnection, ConnectionText(state));
}

void ConnectionBar::ShowLastExchange() {
    if (link_ == nullptr) {
        ShowStatusLine(lblLastExchange, texts::kLastExchangeNone);
        return;
    }
    ShowStatusLine(lblLastExchange,
                   LastExchangeText(link_->LastOutcome(), link_->StatusText(link_->LastStatus()),
                                    lastExchangeAt_));
}

} // namespace hostconfig
