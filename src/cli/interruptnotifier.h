#pragma once

#include <QObject>

class QSocketNotifier;

// Turns Ctrl-C (SIGINT) and SIGTERM into a Qt signal on the main thread, through a self-pipe
// that the signal handler writes to.
class InterruptNotifier : public QObject
{
    Q_OBJECT
public:
    explicit InterruptNotifier(QObject *parent = nullptr);
    ~InterruptNotifier() override;

signals:
    void interrupted();

private:
    QSocketNotifier *m_notifier = nullptr;
};
