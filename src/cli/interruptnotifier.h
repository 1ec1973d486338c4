#pragma once

#include <QObject>

// Turns the user's request to stop into a Qt signal on the main thread: Ctrl-C (SIGINT) and
// SIGTERM on POSIX systems, through a self-pipe that the signal handler writes to; Ctrl+C,
// Ctrl+Break and the console window closing on Windows, through an event that the console's
// control handler sets.
class InterruptNotifier : public QObject
{
    Q_OBJECT
public:
    explicit InterruptNotifier(QObject *parent = nullptr);
    ~InterruptNotifier() override;

signals:
    void interrupted();
};
