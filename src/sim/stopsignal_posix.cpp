#include "stopsignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace
{

sigset_t stopSignals()
{
    sigset_t stopSet;
    sigemptyset(&stopSet);
    sigaddset(&stopSet, SIGTERM);
    sigaddset(&stopSet, SIGINT);
    return stopSet;
}

} // namespace

void StopSignal::prepare()
{
    const sigset_t stopSet = stopSignals();
    pthread_sigmask(SIG_BLOCK, &stopSet, nullptr);
}

// Without a descriptor the stopSet are let through again: their default action then still
// stops the program.
StopSignal::StopSignal(QObject *parent) : QObject(parent)
{
    const sigset_t stopSet = stopSignals();
    m_descriptor = signalfd(-1, &stopSet, SFD_CLOEXEC | SFD_NONBLOCK);
    if (m_descriptor < 0) {
        pthread_sigmask(SIG_UNBLOCK, &stopSet, nullptr);
        return;
    }
    auto *notifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info;
        while (::read(m_descriptor, &info, sizeof info) > 0) {
        }
        QCoreApplication::quit();
    });
}

StopSignal::~StopSignal()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}
