#include "clirunner.h"
#include "consoleoutput.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zvticket-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.101"));
    ConsoleOutput output(ConsoleOutput::stderrIsTerminal());
    return CliRunner(output).run(QCoreApplication::arguments());
}
