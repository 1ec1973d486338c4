// zvticket: the desktop program for preparing, programming and reading the
// tickets of a ticket printing device.

#include "deviceserver.h"
#include "mainwindow.h"
#include "portbinding.h"
#include "projectcommands.h"
#include "settingsstore.h"
#include "simulatedsession.h"
#include "systemfile.h"
#include "widgetdialogservice.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <algorithm>
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
            window.openProjectFile(file.absoluteFilePath(), file.fileName());
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

// --help and --version print and exit before the window system is opened, so that they work
// without a display. So does --help-all where no display is named; with one, the window system
// answers it and lists its own options too. Returns when none of these was asked for.
void answerWithoutDisplay(int argc, char *argv[])
{
    const QList<QByteArray> words{"-h", "--help", "-?", "--help-all", "-v", "--version"};
    if (std::none_of(argv + 1, argv + argc, [&](const char *arg) { return words.contains(arg); }))
        return;
    QCoreApplication console(argc, argv);
    QCommandLineParser parser;
    describeOptions(parser);
    parser.parse(QCoreApplication::arguments()); // other mistakes are reported by the run
    const bool displayNamed = !qEnvironmentVariableIsEmpty("DISPLAY") ||
                              !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                              !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (parser.isSet(QStringLiteral("help")) ||
        (parser.isSet(QStringLiteral("help-all")) && !displayNamed))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("ZorlaVelmarTicket"));
    QCoreApplication::setOrganizationName(QStringLiteral("Dravenco"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.101"));
    answerWithoutDisplay(argc, argv);

    QApplication app(argc, argv);
    Q_INIT_RESOURCE(zvticket);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zvticket.svg")));

    QCommandLineParser parser;
    describeOptions(parser);
    // Paths as the system spells them, also where they are not valid UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(SystemFile::decodeName(argv[i]));
    parser.process(arguments);
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
