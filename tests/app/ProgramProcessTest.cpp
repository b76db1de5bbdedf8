// The orvane executable as an operator starts it: its command line, and its
// shut-down when it is ended from outside.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace {

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// True once the process has a handler for `sig` (its SigCgt mask in /proc).
bool WaitUntilCatching(QProcess& process, int sig) {
    const QString status = QString("/proc/%1/status").arg(process.processId());
    for (int attempt = 0; attempt < 2000 && process.state() == QProcess::Running; ++attempt) {
        for (const QByteArray& line : ReadFile(status).split('\n')) {
            if (line.startsWith("SigCgt:")) {
                bool ok = false;
                const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
                if (ok && (mask >> (sig - 1)) & 1u) {
                    return true;
                }
            }
        }
        process.waitForFinished(10); // let the program run a little further
    }
    return false;
}

TEST(ProgramProcess, AStartThatEndsAtOnceExitsWithItsStatusAndWritesNothing) {
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/site";
    QFile plain(tmp.path() + "/plain-file");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const struct {
        QStringList args;
        int status;
        QString says; // on stderr, or on stdout for a good start
    } cases[] = {
        {{"--folder", folder, "--device", "usb:0"}, 2, "Usage:"},
        {{"--folder", tmp.path() + "/plain-file"}, 2, "is a file"},
        {{"--folder", folder, "--version"}, 0, "Orvane "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says.toStdString());
        QProcess orvane;
        orvane.start(ORVANE_EXE, c.args);
        ASSERT_TRUE(orvane.waitForFinished(60000));
        EXPECT_EQ(orvane.exitCode(), c.status);
        const QString said = QString::fromLocal8Bit(
            c.status == 0 ? orvane.readAllStandardOutput() : orvane.readAllStandardError());
        EXPECT_TRUE(said.contains(c.says)) << said.toStdString();
        EXPECT_FALSE(QFileInfo::exists(folder));
    }
}

TEST(ProgramProcess, TerminationSignalSavesLikeExit) {
    QTemporaryDir tmp;
    const QString folder = tmp.path();
    QFile settings(folder + "/Settings.ini");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[SiteParamBonus]\nOdds=4321\n");
    settings.close();

    QProcess orvane;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    orvane.setProcessEnvironment(env);
    orvane.start(ORVANE_EXE, {"--simulate", "--folder", folder});
    ASSERT_TRUE(orvane.waitForStarted(60000));
    // SIGTERM may only be sent once the program catches it; from then on a
    // signal at any point of the start-up ends in the regular shut-down.
    ASSERT_TRUE(WaitUntilCatching(orvane, SIGTERM));
    ::kill(static_cast<pid_t>(orvane.processId()), SIGTERM);
    ASSERT_TRUE(orvane.waitForFinished(60000));
    EXPECT_EQ(orvane.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(orvane.exitCode(), 0);

    const QByteArray ini = ReadFile(folder + "/Settings.ini");
    EXPECT_TRUE(ini.contains("Odds=4321")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("CardPrefix=1234")) << ini.toStdString();
    EXPECT_EQ(ReadFile(folder + "/MyLocation.txt"), "\r\n");
    EXPECT_EQ(ReadFile(folder + "/MyDisclaimer.txt"), "\r\n");
}

} // namespace
