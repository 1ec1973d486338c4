#pragma once

#include "deviceidentity.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>

class ConsoleOutput;
class DeviceSession;
class TicketProject;

// One device's run of the command-line front end on its own link: identifies the device as the
// Connect command does, then programs, reads or verifies it with the window's own procedures.
// Lives in a thread of its own, so that several devices are served at the same time.
class DeviceJob : public QObject
{
    Q_OBJECT
public:
    enum class Command { Identify, Program, Read, Verify };

    struct Task {
        Command command = Command::Identify;
        QString label;      // the port as the user named it; prefixes output when several run
        QString systemPort; // device path, system name or network port
        int baud = 9600;
        QByteArray project; // programming file contents (program, verify)
        QString outputPath; // read
        bool verifyAfter = false;
        bool trace = false;
        bool prefixOutput = false;
        bool printIdentity = false;
    };

    DeviceJob(Task task, ConsoleOutput &output);

    int exitCode() const { return m_exitCode; }
    QString summary() const { return m_summary; }
    // The device the run identified; empty before and when none answered.
    DeviceIdentity identity() const { return m_identity; }

public slots:
    void run();
    // Ctrl-C: ends the wait in progress at once and the run with it; nothing more is sent.
    void requestCancel();

signals:
    void finished();

private:
    int execute(DeviceSession &session);
    void watch(DeviceSession &session);
    int identify(DeviceSession &session);
    int program(DeviceSession &session);
    int read(DeviceSession &session);
    int verify(DeviceSession &session, TicketProject &programmed);
    bool loadProject(DeviceSession &session, TicketProject &project);
    void line(const QString &text);

    Task m_task;
    ConsoleOutput &m_output;
    DeviceSession *m_session = nullptr;
    std::atomic<bool> m_interrupted{false};
    bool m_adapterNoted = false;
    int m_exitCode = 1;
    QString m_summary;
    DeviceIdentity m_identity;
};
