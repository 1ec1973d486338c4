// zvticket: the desktop program for preparing, programming and reading the
// tickets of a ticket printing device.

#include "mainwindow.h"
#include "portbinding.h"
#include "projectcommands.h"
#include "ptydeviceserver.h"
#include "settingsstore.h"
#include "simulatedsession.h"
#include "widgetdialogservice.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <cstdio>

namespace
{

const QString simulateOption = QStringLiteral("simulate");
const QString emulateOption = QStringLiteral("emulate-line");

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Prepares the print tickets of a ticket printing device, programs them "
                       "into the device over a serial line and reads them back."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE.dat"),
                                 QStringLiteral("Programming file to open at start."),
                                 QStringLiteral("[FILE.dat]"));
    parser.addOption({simulateOption,
                      QStringLiteral("Work with a simulated device on COM 1 for this run: "
                                     "MODEL is zorla-old, "
                                     "zorla or velmar, APP none, industrial or truck."),
                      QStringLiteral("MODEL[:APP]")});
    parser.addOption(
        {emulateOption, QStringLiteral("With --simulate: the simulated line takes as long as a "
                                       "real one at 9600 bps, so progress can be watched.")});
}

// Shows the main window over the given settings and ports, opening the programming file given
// on the command line once the window is up.
int runWindow(SettingsStore &settings, PortBinding &ports, const QStringList &files)
{
    WidgetDialogService dialogs;
    MainWindow window(dialogs, settings, ports, QCoreApplication::applicationDirPath());
    dialogs.setParentWidget(&window);
    window.show();

    if (!files.isEmpty()) {
        const QFileInfo file(files.first());
        QTimer::singleShot(0, &window, [&window, file] {
            window.commands().openProjectFile(file.absoluteFilePath(), file.fileName());
        });
    }
    return QApplication::exec();
}

int runSimulated(const QCommandLineParser &parser, const QStringList &files)
{
    SimulatedSession simulation;
    QString error;
    if (!simulation.start(parser.value(simulateOption), &error)) {
        std::fprintf(stderr, "zvticket: --simulate: %s\n", qPrintable(error));
        return 2;
    }
    if (parser.isSet(emulateOption))
        simulation.server().setLineRate(9600);
    return runWindow(simulation.settings(), simulation.ports(), files);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZorlaVelmarTicket"));
    QApplication::setOrganizationName(QStringLiteral("Dravenco"));
    QApplication::setApplicationVersion(QStringLiteral("1.101"));
    Q_INIT_RESOURCE(zvticket);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zvticket.svg")));

    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.helpText()));
        return 2;
    }

    if (parser.isSet(simulateOption))
        return runSimulated(parser, files);
    SettingsStore settings;
    PortBinding ports(settings);
    return runWindow(settings, ports, files);
}
