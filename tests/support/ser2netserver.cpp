#include "ser2netserver.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTimer>
#include <csignal>
#include <sys/prctl.h>

namespace
{

constexpr int startTimeoutMs = 5000;
constexpr int stopTimeoutMs = 2000;

} // namespace

Ser2NetServer::Ser2NetServer(const QString &devicePath, Mode mode, Packing packing)
    : m_devicePath(devicePath), m_mode(mode), m_packing(packing)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // Should the test die without its destructors, the system stops ser2net too.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

QString Ser2NetServer::program()
{
    const QStringList systemPaths{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                  QStringLiteral("/usr/local/sbin")};
    const QString found = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    return found.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("ser2net"), systemPaths)
                           : found;
}

QString Ser2NetServer::url() const
{
    const QString scheme =
        m_mode == Mode::Raw ? QStringLiteral("socket") : QStringLiteral("rfc2217");
    return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(m_port);
}

bool Ser2NetServer::writeConfig(const QString &path) const
{
    const QString accepter = m_mode == Mode::Raw
                                 ? QStringLiteral("tcp,127.0.0.1,%1")
                                 : QStringLiteral("telnet(rfc2217),tcp,127.0.0.1,%1");
    const QString config =
        QStringLiteral("%YAML 1.1\n"
                       "---\n"
                       "connection: &device\n"
                       "  accepter: %1\n"
                       "  connector: serialdev,%2,9600n81,local\n"
                       "  options:\n"
                       "    kickolduser: true\n"
                       "%3")
            .arg(accepter.arg(m_port), m_devicePath,
                 m_packing == Packing::Tuned ? QStringLiteral("    chardelay: false\n")
                                             : QString());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(config.toUtf8()) > 0;
}

bool Ser2NetServer::start()
{
    stop();
    const QString executable = program();
    if (executable.isEmpty()) {
        m_error = QStringLiteral("ser2net is not installed (make deps installs it)");
        return false;
    }
    // A port the system has just handed out and taken back; ser2net binds it moments later.
    m_port = [] {
        QTcpServer probe;
        return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : quint16(0);
    }();
    const QString config = m_dir.filePath(QStringLiteral("ser2net.yaml"));
    if (!m_dir.isValid() || m_port == 0 || !writeConfig(config)) {
        m_error =
            QStringLiteral("cannot prepare the ser2net configuration in %1").arg(m_dir.path());
        return false;
    }
    // -n: stay in the foreground; -d: log to the output; -u: no UUCP lock files.
    m_process.start(executable, {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-u"),
                                 QStringLiteral("-c"), config, QStringLiteral("-P"),
                                 m_dir.filePath(QStringLiteral("ser2net.pid"))});
    if (!m_process.waitForStarted(startTimeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(executable, m_process.errorString());
        return false;
    }
    if (!waitUntilListening()) {
        m_error = QStringLiteral("ser2net did not come up on port %1: %2")
                      .arg(m_port)
                      .arg(QString::fromLocal8Bit(m_process.readAll()));
        stop();
        return false;
    }
    return true;
}

// ser2net writes its pid file once its configuration is read and its ports listen.
bool Ser2NetServer::waitUntilListening()
{
    const QString pidFile = m_dir.filePath(QStringLiteral("ser2net.pid"));
    QFileSystemWatcher watcher({m_dir.path()});
    QEventLoop loop;
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, &QEventLoop::quit);
    QObject::connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!QFile::exists(pidFile) && m_process.state() == QProcess::Running &&
           !deadline.hasExpired()) {
        // A wake-up left over from an earlier turn only makes the loop check again.
        QTimer::singleShot(int(deadline.remainingTime()), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
    return QFile::exists(pidFile) && m_process.state() == QProcess::Running;
}

void Ser2NetServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(stopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(stopTimeoutMs);
    }
    QFile::remove(m_dir.filePath(QStringLiteral("ser2net.pid")));
}
