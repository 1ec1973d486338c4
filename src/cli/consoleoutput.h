#pragma once

#include <QMap>
#include <QMutex>
#include <QString>

// Standard error of the command-line front end: message lines and the progress of every port,
// drawn as a progress bar on a terminal and as plain lines otherwise. Thread-safe.
class ConsoleOutput
{
public:
    // interactive: draw a progress bar that rewrites itself (standard error is a terminal).
    explicit ConsoleOutput(bool interactive);
    ~ConsoleOutput();

    static bool stderrIsTerminal();
    // The text with every control character, line breaks too, shown as its code in angle
    // brackets ("<1B>"), so that a device's text cannot steer the terminal.
    static QString printable(const QString &text);

    void line(const QString &text);
    // A result line on standard output, kept apart from the progress drawn on standard error.
    void result(const QString &text);
    // The progress of one port: the status text ("Programming ...   42%") and the bar's value.
    void progress(const QString &port, const QString &text, int value, int maximum);
    // Ends the progress display of every port (a terminal gets its line break).
    void endProgress();

private:
    struct Progress {
        QString text;
        int value = 0;
        int maximum = 0;
    };
    static bool worthALine(const QString &text);
    void drawLocked();
    void clearLocked();
    void write(const QByteArray &bytes);
    static QByteArray printableLines(const QString &text);

    QMutex m_mutex;
    bool m_interactive;
    bool m_drawn = false;
    QMap<QString, Progress> m_ports;
};
