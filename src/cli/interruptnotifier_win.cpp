#include "interruptnotifier.h"

#include <QWinEventNotifier>
#include <atomic>
#include <windows.h>

namespace
{

// The event the console's control handler sets; made once and kept for the process, so that a
// handler still running while a notifier goes away never touches anything freed. The handler
// can reach nothing else.
std::atomic<HANDLE> interruptEvent{nullptr};

// Runs on a thread that the system starts for the console event.
BOOL WINAPI onConsoleControl(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        SetEvent(interruptEvent.load());
        return TRUE;
    case CTRL_CLOSE_EVENT:
        SetEvent(interruptEvent.load());
        // Returning would end the process at once. Blocked here, the main thread has the few
        // seconds the system allows to stop the jobs and exit, which ends this thread too.
        Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

InterruptNotifier::InterruptNotifier(QObject *parent) : QObject(parent)
{
    if (!interruptEvent.load())
        interruptEvent.store(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    const HANDLE event = interruptEvent.load();
    if (!event)
        return;
    // An interrupt meant for an earlier notifier is not this one's.
    ResetEvent(event);
    auto *notifier = new QWinEventNotifier(event, this);
    connect(notifier, &QWinEventNotifier::activated, this, &InterruptNotifier::interrupted);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

InterruptNotifier::~InterruptNotifier()
{
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
}
