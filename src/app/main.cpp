// zvticket: the desktop program for preparing, programming and reading the
// tickets of a ticket printing device.

#include "frmstart.h"
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

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZorlaVelmarTicket"));
    QApplication::setOrganizationName(QStringLiteral("Dravenco"));
    QApplication::setApplicationVersion(QStringLiteral("1.101"));
    Q_INIT_RESOURCE(zvticket);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zvticket.svg")));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prepares the print tickets of a ticket printing device, programs them "
                       "into the device over a serial line and reads them back."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE.dat"),
                                 QStringLiteral("Programming file to open at start."),
                                 QStringLiteral("[FILE.dat]"));
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"),
        QStringLiteral("Work with a simulated device on COM 1 for this run: "
                       "MODEL is zorla-old, "
                       "zorla or velmar, APP none, industrial or truck."),
        QStringLiteral("MODEL[:APP]"));
    parser.addOption(simulateOption);
    const QCommandLineOption emulateOption(
        QStringLiteral("emulate-line"),
        QStringLiteral("With --simulate: the simulated line takes as long as a real one at "
                       "9600 bps, so progress can be watched."));
    parser.addOption(emulateOption);
    parser.process(app);

    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.helpText()));
        return 2;
    }

    std::unique_ptr<SimulatedSession> simulation;
    std::unique_ptr<SettingsStore> userSettings;
    std::unique_ptr<PortBinding> userPorts;
    SettingsStore *settings = nullptr;
    PortBinding *ports = nullptr;
    if (parser.isSet(simulateOption)) {
        simulation = std::make_unique<SimulatedSession>();
        QString error;
        if (!simulation->start(parser.value(simulateOption), &error)) {
            std::fprintf(stderr, "zvticket: --simulate: %s\n", qPrintable(error));
            return 2;
        }
        if (parser.isSet(emulateOption))
            simulation->server().setLineRate(9600);
        settings = &simulation->settings();
        ports = &simulation->ports();
    } else {
        userSettings = std::make_unique<SettingsStore>();
        userPorts = std::make_unique<PortBinding>(*userSettings);
        settings = userSettings.get();
        ports = userPorts.get();
    }

    WidgetDialogService dialogs;
    frmStart window(dialogs, *settings, *ports, QCoreApplication::applicationDirPath());
    dialogs.setParentWidget(&window);
    window.show();

    if (!files.isEmpty()) {
        const QFileInfo file(files.first());
        QTimer::singleShot(0, &window, [&window, file] {
            window.commands().openProjectFile(file.absoluteFilePath(), file.fileName());
        });
    }
    return app.exec();
}
