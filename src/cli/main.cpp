#include "clirunner.h"
#include "consoleoutput.h"
#include "systemfile.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // Qt's event loop on GLib wakes itself up (an eventfd write and one more turn of the loop)
    // each time a socket notifier is switched on or off, as the serial port does for every
    // command it writes; Qt's own loop for Unix does not. Chosen before the first loop exists.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zvticket-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.101"));
    ConsoleOutput output(ConsoleOutput::stderrIsTerminal());
    // Paths as the system spells them, also where they are not valid UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(SystemFile::decodeName(argv[i]));
    return CliRunner(output).run(arguments);
}
