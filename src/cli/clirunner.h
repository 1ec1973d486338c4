#pragma once

#include <QStringList>

class ConsoleOutput;

// The command-line front end: parses a command line and runs identify, program, read, verify,
// pack or info with the same procedures as the window; returns the exit status.
class CliRunner
{
public:
    explicit CliRunner(ConsoleOutput &output);

    // arguments as in main's argv, program name first.
    int run(const QStringList &arguments);

    static QString usage();

private:
    int info(const QString &path);
    int pack(const QString &path, const QStringList &slotFiles);

    ConsoleOutput &m_output;
};
