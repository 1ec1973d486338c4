// zvticket-windowbench: how fast the window comes up and how fast a 16 MiB slot's preview opens.
//
// window-start: the program starts itself again (so that loading the libraries counts), shows the
// main window on a simulated device and reports the time from being started to the window's first
// paint, median of several starts. preview-16MiB: opens the preview of a 16 MiB slot of ticket
// text and reports the time until its text view has been painted and what that added to the
// resident memory. Uses the display it finds, else the offscreen platform.

#include "mainwindow.h"
#include "portbinding.h"
#include "simulatedsession.h"
#include "slotpreview.h"
#include "widgetdialogservice.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace
{

constexpr int WindowStarts = 5;
constexpr qsizetype PreviewBytes = 16 * 1024 * 1024;

double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / 1e6 : 0;
}

// Calls `then` once `widget` has received its first paint event.
class FirstPaint : public QObject
{
public:
    FirstPaint(QWidget *widget, std::function<void()> then) : m_then(std::move(then))
    {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_then) {
            watched->removeEventFilter(this);
            auto then = std::move(m_then);
            m_then = nullptr;
            then();
        }
        return false;
    }

private:
    std::function<void()> m_then;
};

// In the started copy: the window on a simulated device; prints the milliseconds from
// `startedMs` (the time since the epoch when the copy was started) to the first paint.
int windowStart(qint64 startedMs)
{
    if (qEnvironmentVariableIsSet("ZV_BENCH_DETAIL"))
        std::fprintf(stderr, "bench: window-start application_ms=%lld\n",
                     QDateTime::currentMSecsSinceEpoch() - startedMs);
    SimulatedSession simulation;
    QString error;
    if (!simulation.start(QStringLiteral("velmar:industrial"), &error)) {
        std::fprintf(stderr, "bench: window-start FAILED: %s\n", qPrintable(error));
        return 1;
    }
    // The other COM options stand for devices that are not there, so that no system port (such as
    // the console's) is opened when the settings dialog probes them.
    for (int n = 2; n <= PortBinding::optionCount; ++n)
        simulation.ports().bind(n, QStringLiteral("/dev/ttyZV%1").arg(n));
    const qint64 simulated = QDateTime::currentMSecsSinceEpoch() - startedMs;
    WidgetDialogService dialogs;
    MainWindow window(dialogs, simulation.settings(), simulation.ports(),
                      QCoreApplication::applicationDirPath());
    dialogs.setParentWidget(&window);
    const qint64 built = QDateTime::currentMSecsSinceEpoch() - startedMs;
    if (qEnvironmentVariableIsSet("ZV_BENCH_DETAIL"))
        std::fprintf(stderr, "bench: window-start simulated_ms=%lld built_ms=%lld\n", simulated,
                     built);
    FirstPaint paint(&window, [startedMs] {
        std::printf("%lld\n", QDateTime::currentMSecsSinceEpoch() - startedMs);
        std::fflush(stdout);
        QTimer::singleShot(100, qApp, &QCoreApplication::quit);
    });
    window.show();
    return QApplication::exec();
}

int measureWindowStart()
{
    QList<qint64> times;
    for (int i = 0; i < WindowStarts; ++i) {
        QProcess copy;
        copy.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const qint64 started = QDateTime::currentMSecsSinceEpoch();
        copy.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--window-start"), QString::number(started)});
        if (!copy.waitForFinished(30000) || copy.exitCode() != 0) {
            std::fprintf(stderr, "bench: window-start FAILED: the window did not come up\n");
            return 1;
        }
        times << copy.readAllStandardOutput().trimmed().toLongLong();
    }
    std::sort(times.begin(), times.end());
    std::printf("bench: window-start first_paint_ms=%lld (median of %d, %lld to %lld)\n",
                times.at(times.size() / 2), WindowStarts, times.first(), times.last());
    std::fflush(stdout);
    return 0;
}

// Ticket text as print files hold it: lines with escape sequences and line ends.
QByteArray ticketText(qsizetype size)
{
    const QByteArray line = "\x1b"
                            "E NET WEIGHT     12345 kg\x1b"
                            "F   2026-12-06 09:12\r\n";
    QByteArray text;
    text.reserve(size);
    while (text.size() + line.size() <= size)
        text += line;
    text += QByteArray(size - text.size(), 'x');
    return text;
}

int measurePreview()
{
    const QByteArray content = ticketText(PreviewBytes);
    const double before = residentMb();
    QElapsedTimer timer;
    timer.start();
    SlotPreview preview(QStringLiteral("T"), content);
    qint64 openMs = -1;
    auto *text = qobject_cast<QAbstractScrollArea *>(preview.tabs()->currentWidget());
    FirstPaint paint(text->viewport(), [&] {
        openMs = timer.elapsed();
        QTimer::singleShot(0, &preview, &QDialog::accept);
    });
    preview.exec();
    std::printf("bench: preview-16MiB open_ms=%lld rss_mb=%.1f\n", openMs, residentMb() - before);
    std::fflush(stdout);
    return openMs >= 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments.at(1) == u"--window-start")
        return windowStart(arguments.at(2).toLongLong());
    const int failures = measureWindowStart() + measurePreview();
    return failures == 0 ? 0 : 1;
}
