#pragma once

#include "devicejob.h"
#include "subcommand.h"

#include <QList>
#include <QStringList>
#include <memory>
#include <optional>

class ConsoleOutput;
class QCommandLineParser;
class SimulatedSession;

// The command-line front end: parses a command line and runs identify, program, read, verify,
// pack or info with the same procedures as the window, or lists the serial ports; returns the
// exit status.
class CliRunner
{
public:
    explicit CliRunner(ConsoleOutput &output);
    ~CliRunner();

    // arguments as in main's argv, program name first.
    int run(const QStringList &arguments);

    static QString usage();

private:
    // What the command line asks for, once it has been checked.
    struct Request {
        Subcommand command = Subcommand::Identify;
        QString file;
        QStringList ports;
        QString simulate;
        bool emulateLine = false;
        QStringList slotFiles; // pack: one per slot, empty where none was given
        QString log;           // station: the CSV record
        int count = 0;         // station: devices in all; 0 = until stopped
        bool json = false;     // ports: as JSON
        DeviceJob::Task base;
    };

    std::optional<Request> parse(const QStringList &arguments, int *exitCode);
    std::optional<int> checkDeviceOptions(const QCommandLineParser &parser, Request &request);
    static void setJobCommand(Request &request);
    int usageError(const QString &text);
    int runDeviceCommand(Request &request);
    bool canWrite(const QString &path);
    std::optional<QList<DeviceJob::Task>> buildTasks(const Request &request, int *exitCode);
    std::vector<std::unique_ptr<DeviceJob>> runJobs(const QList<DeviceJob::Task> &tasks);
    int runStation(const Request &request, const QList<DeviceJob::Task> &tasks);
    int report(const Request &request, const QList<DeviceJob::Task> &tasks,
               const std::vector<std::unique_ptr<DeviceJob>> &jobs);
    int listPorts(bool json);
    int info(const QString &path);
    int pack(const QString &path, const QStringList &slotFiles);

    ConsoleOutput &m_output;
    std::unique_ptr<SimulatedSession> m_simulation;
};
