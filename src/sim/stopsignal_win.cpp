#include "stopsignal.h"

#include <QCoreApplication>
#include <windows.h>

namespace
{

// Runs on a thread of its own that the system starts for the event: the quit is queued to the
// main thread's event loop.
BOOL WINAPI onConsoleControl(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        if (QCoreApplication *application = QCoreApplication::instance())
            QMetaObject::invokeMethod(application, &QCoreApplication::quit, Qt::QueuedConnection);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void StopSignal::prepare() {}

StopSignal::StopSignal(QObject *parent) : QObject(parent)
{
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

StopSignal::~StopSignal()
{
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
}
