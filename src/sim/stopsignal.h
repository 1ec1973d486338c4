#pragma once

#include <QObject>

// Quits the application's event loop when the system asks the program to stop: SIGINT or
// SIGTERM on POSIX systems; Ctrl+C, Ctrl+Break or the console window closing on Windows.
class StopSignal : public QObject
{
    Q_OBJECT
public:
    // Called first in main, before any thread starts. On POSIX systems the stop signals are
    // blocked here, so that every thread inherits the mask and they arrive only through the
    // event loop.
    static void prepare();

    // Watches for the request from now on; needs the QCoreApplication.
    explicit StopSignal(QObject *parent = nullptr);
    ~StopSignal() override;

private:
    int m_descriptor = -1; // POSIX: where the blocked signals are read
};
