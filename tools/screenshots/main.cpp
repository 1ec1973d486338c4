// zvticket-screenshots: takes one of the README's pictures of the window. Starts the window on a
// simulated device, brings it to the state the picture shows (connected, programming, a preview,
// the settings dialog, the ZORLA truck question) and saves the whole screen as a PNG. Run under
// Xvfb by make-screenshots, one picture per run, at the screen size the picture is made for.

#include "deviceserver.h"
#include "mainwindow.h"
#include "portbinding.h"
#include "projectcommands.h"
#include "simulatedsession.h"
#include "ticketproject.h"
#include "toolbar.h"
#include "widgetdialogservice.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "portsettingsdialog.h"

namespace
{

constexpr int SettleMs = 600; // time for the window system to draw what changed

struct Shot {
    QString name;
    QString device;        // --simulate's MODEL:APP
    const char *slotFiles; // "slot=file ..." from the examples
};

const QList<Shot> shots{
    {QStringLiteral("connected"), QStringLiteral("velmar:industrial"),
     "1=ticket.txt 2=header.prn 3=body.prn 4=footer.prn"},
    {QStringLiteral("programming"), QStringLiteral("velmar:industrial"),
     "1=ticket.txt 2=header.prn 3=body.prn 4=footer.prn"},
    {QStringLiteral("preview"), QStringLiteral("velmar:industrial"),
     "1=ticket.txt 2=header.prn 3=body.prn 4=footer.prn"},
    {QStringLiteral("settings"), QStringLiteral("velmar:industrial"), "1=ticket.txt"},
    {QStringLiteral("zorla-truck"), QStringLiteral("zorla:truck"),
     "1=ticket.txt 5=truck1.prn 6=truck2.prn"},
};

// Saves the whole screen after the window system has drawn, then runs `then`.
void shootLater(const QString &file, std::function<void()> then)
{
    QTimer::singleShot(SettleMs, qApp, [file, then] {
        const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
        if (!screen.save(file, "PNG"))
            std::fprintf(stderr, "zvticket-screenshots: cannot write %s\n", qPrintable(file));
        then();
    });
}

// Closes the modal dialog on top after the picture: OK for the settings, else Escape's answer.
void closeModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *settings = qobject_cast<PortSettingsDialog *>(modal))
        settings->okButton()->click();
    else if (modal)
        modal->close();
}

void takeShot(const Shot &shot, MainWindow &window, const QString &file)
{
    if (shot.name != u"settings")
        window.dispatch(ToolbarCommand::Connect);
    if (shot.name == u"connected") {
        shootLater(file, [] { QCoreApplication::exit(0); });
    } else if (shot.name == u"programming") {
        bool shooting = false;
        QObject::connect(&window.session(), &DeviceSession::progressChanged, &window,
                         [&window, &shooting, file](const TransferProgress &progress) {
                             if (shooting || progress.done * 100 < progress.total * 35)
                                 return;
                             shooting = true;
                             shootLater(file, [&window] { window.session().requestCancel(); });
                         });
        window.dispatch(ToolbarCommand::Program);
        QCoreApplication::exit(0);
    } else {
        shootLater(file, closeModal);
        if (shot.name == u"preview")
            window.showSlotPreview(TicketProject::T);
        else if (shot.name == u"settings")
            window.dispatch(ToolbarCommand::Settings);
        else
            window.dispatch(ToolbarCommand::Program);
        QCoreApplication::exit(0);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption(
        {QStringLiteral("shot"), QStringLiteral("The picture."), QStringLiteral("NAME")});
    parser.addOption(
        {QStringLiteral("out"), QStringLiteral("The PNG file."), QStringLiteral("FILE")});
    parser.addOption(
        {QStringLiteral("examples"), QStringLiteral("The print files."), QStringLiteral("DIR")});
    parser.process(app);
    const auto found = std::find_if(shots.begin(), shots.end(), [&](const Shot &shot) {
        return shot.name == parser.value(QStringLiteral("shot"));
    });
    if (found == shots.end() || !parser.isSet(QStringLiteral("out"))) {
        std::fprintf(stderr, "usage: zvticket-screenshots --shot NAME --out FILE --examples DIR\n");
        return 2;
    }
    const Shot &shot = *found;

    SimulatedSession simulation;
    QString error;
    if (!simulation.start(shot.device, &error)) {
        std::fprintf(stderr, "zvticket-screenshots: %s\n", qPrintable(error));
        return 1;
    }
    // The other COM options stand for devices that are not there, so that no system port (such as
    // the console's) is opened when the settings dialog probes them.
    for (int n = 2; n <= PortBinding::optionCount; ++n)
        simulation.ports().bind(n, QStringLiteral("/dev/ttyZV%1").arg(n));
    // Programming goes as slowly as on a real line, so that it can be caught half-way.
    simulation.server().setLineRate(9600);
    WidgetDialogService dialogs;
    MainWindow window(dialogs, simulation.settings(), simulation.ports(),
                      QCoreApplication::applicationDirPath());
    dialogs.setParentWidget(&window);
    const QDir examples(parser.value(QStringLiteral("examples")));
    for (const QString &slotFile : QString::fromLatin1(shot.slotFiles).split(QLatin1Char(' '))) {
        const QStringList parts = slotFile.split(QLatin1Char('='));
        window.commands().addTicketFile(parts.at(0).toInt(), examples.filePath(parts.at(1)));
    }
    window.show();
    const QString file = parser.value(QStringLiteral("out"));
    QTimer::singleShot(SettleMs, &window, [&] { takeShot(shot, window, file); });
    return QApplication::exec();
}
