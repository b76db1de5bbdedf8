#pragma once
// The main window's status line: what the device link is connected to (or
// why it is not, and what to do), how the last exchange ended, and the
// "Reconnect" button. It only listens to the link; it never sends anything.

#include <QStatusBar>
#include <QTime>

class QLabel;
class QPushButton;
class clsUSBInterface;

namespace hostconfig {

class ConnectionBar : public QStatusBar {
    Q_OBJECT
public:
    explicit ConnectionBar(QWidget* parent = nullptr);

    // Follows `link` from now on (null: shows no device).
    void Attach(clsUSBInterface* link);

    QString ConnectionShown() const;
    QString LastExchangeShown() const;

    // The "Reconnect" press: opens the device again, or says why not.
    void Reconnect();

private:
    void ShowConnection();
    void ShowLastExchange();

    QLabel* lblConnection = nullptr;
    QLabel* lblLastExchange = nullptr;
    QPushButton* cmdReconnect = nullptr;
    clsUSBInterface* link_ = nullptr;
    QTime lastExchangeAt_;
};

} // namespace hostconfig
