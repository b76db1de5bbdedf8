#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface
// thread, so ending the program from outside runs the same shut-down as
// "Exit" (the settings and texts are written).

#include <QObject>

class QSocketNotifier;

class SignalRelay : public QObject {
    Q_OBJECT
public:
    // Catches the signals from here on; a signal that arrives before the
    // relay exists is kept and reported once it does. Call first in main().
    static bool InstallHandlers();

    explicit SignalRelay(QObject* parent = nullptr);
    ~SignalRelay() override;

    // The last signal relayed (SIGTERM, SIGINT or SIGHUP); 0 before any.
    int LastSignal() const { return lastSignal_; }

signals:
    void TerminationRequested();

private:
    void OnReadable();
    QSocketNotifier* notifier_ = nullptr;
    int lastSignal_ = 0;
};
