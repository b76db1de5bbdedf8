#pragma once
// Runs orvane-cli as a shell would, and orvane-hostsim on a pseudo-terminal
// for it to talk to.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace clitest {

struct Finished {
    int status = -1; // -1: killed, crashed or hung
    QString out;
    QString err;
};

inline Finished RunCli(const QStringList& args) {
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // It needs no display, not even the offscreen one.
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    cli.setProcessEnvironment(env);
    cli.start(ORVANE_CLI_EXE, args);
    Finished f;
    if (!cli.waitForFinished(60000)) {
        cli.kill();
        cli.waitForFinished();
        return f;
    }
    f.status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    f.out = QString::fromUtf8(cli.readAllStandardOutput());
    f.err = QString::fromUtf8(cli.readAllStandardError());
    return f;
}

// orvane-hostsim --pty with the given fault options, for as long as it lives.
class HostsimOnPty {
public:
    explicit HostsimOnPty(const QStringList& options = {}) {
        process_.start(ORVANE_HOSTSIM_EXE, QStringList{"--pty"} + options);
        if (!process_.waitForStarted(10000)) {
            return;
        }
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
        }
        path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~HostsimOnPty() { Stop(); }
    HostsimOnPty(const HostsimOnPty&) = delete;
    HostsimOnPty& operator=(const HostsimOnPty&) = delete;

    // The pseudo-terminal's path ("/dev/pts/N"), empty if it did not start.
    QString Path() const { return path_; }
    void Stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(10000);
        }
    }

private:
    QProcess process_;
    QString path_;
};

} // namespace clitest
