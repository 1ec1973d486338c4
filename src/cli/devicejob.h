#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>

class ConsoleOutput;
class DeviceStatus;
class DialogService;
class SerialLink;
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
        QString systemPort; // device path or system name
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

public slots:
    void run();
    // Ctrl-C: ends the run after the command in progress, as Cancel does.
    void requestCancel();

signals:
    void finished();

private:
    int execute(DialogService &dialogs, SerialLink &link, DeviceStatus &status);
    int verify(DialogService &dialogs, TicketProject &programmed, SerialLink &link,
               DeviceStatus &status, class DeviceConnection &connection);
    void line(const QString &text);
    static bool isProgressText(const QString &text);

    Task m_task;
    ConsoleOutput &m_output;
    SerialLink *m_link = nullptr;
    std::atomic<bool> m_interrupted{false};
    int m_exitCode = 1;
    QString m_summary;
};
