#include "clirunner.h"
#include "consoleoutput.h"
#include "systemfile.h"

#include <QGuiApplication>
#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    // Qt's event loop on GLib wakes itself up (an eventfd write and one more turn of the loop)
    // each time a socket notifier is switched on or off, as the serial port does for every
    // command it writes; Qt's own loop for Unix does not. Chosen before the first loop exists.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    // Drawing needs fonts, and so a GUI application; on X11 and Wayland it draws off screen, with
    // or without a display (Windows' own platform needs none).
    const bool render = argc > 1 && std::strcmp(argv[1], "render") == 0;
#ifndef Q_OS_WIN
    if (render)
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    const std::unique_ptr<QCoreApplication> app =
        render ? std::make_unique<QGuiApplication>(argc, argv)
               : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zvticket-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.101"));
    ConsoleOutput output(ConsoleOutput::stderrIsTerminal());
    // Paths as the system spells them, also where they are not valid UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(SystemFile::decodeName(argv[i]));
    return CliRunner(output).run(arguments);
}
