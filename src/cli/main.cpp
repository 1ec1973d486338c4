#include "clirunner.h"
#include "consoleoutput.h"
#include "systemfile.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
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
