#include "connecteddevice.h"
#include "consoleoutput.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "portbinding.h"
#include "programmingfile.h"
#include "projectcommands.h"
#include "pty.h"
#include "replugsimulator.h"
#include "settingsstore.h"
#include "stationlog.h"
#include "systemfile.h"
#include "testfiles.h"
#include "ticketproject.h"

#include <QSerialPortInfo>
#include <QtNetwork>
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

QString cliProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../src/cli/zvticket-cli");
}

// Waits for a started process in the event loop, so that this process's simulated devices keep
// answering, and collects what it gave.
Run finish(QProcess &process, const std::function<void(QProcess &)> &whileRunning = {})
{
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    if (whileRunning)
        whileRunning(process);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// Runs zvticket-cli with the words of `line`, each %n standing for values[n - 1].
Run runCli(const char *line, const QStringList &values = {},
           const std::function<void(QProcess &)> &whileRunning = {})
{
    QStringList arguments = QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString &word : arguments) {
        if (word.startsWith(QLatin1Char('%')))
            word = values.at(word.mid(1).toInt() - 1);
    }
    QProcess process;
    process.start(cliProgram(), arguments);
    return finish(process, whileRunning);
}

// Runs a shell script with the zvticket-cli program as $0, `folder` as $1 and `more` after it,
// for names that only bytes can spell and limits that only the shell sets.
Run runScript(const char *script, const QString &folder, const QStringList &more = {})
{
    QProcess process;
    process.start(
        QStringLiteral("/bin/sh"),
        QStringList{QStringLiteral("-c"), QString::fromLatin1(script), cliProgram(), folder} +
            more);
    return finish(process);
}

QByteArray readBytes(const QByteArray &path)
{
    QFile file;
    return SystemFile::open(file, SystemFile::decodeName(path), QIODevice::ReadOnly)
               ? file.readAll()
               : QByteArray();
}

// The lines that standard output and standard error, both pipes here, carry more than once.
QStringList repeatedLines(const Run &run)
{
    QStringList seen, repeated;
    for (const QString &line : (run.err + run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (seen.contains(line))
            repeated.append(line);
        seen.append(line);
    }
    return repeated;
}

// Fills the slots with random bytes of the given sizes.
void fill(TicketProject &project, const QList<int> &sizes, quint32 seed)
{
    QRandomGenerator random(seed);
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        QByteArray content(sizes.value(n - 1), Qt::Uninitialized);
        for (char &c : content)
            c = char(random.bounded(256));
        project.setSlot(n, {content, {}, {}, content.size()});
    }
}

// A programming file of such a project.
QString writeProject(const QTemporaryDir &dir, const QList<int> &sizes, quint32 seed = 7)
{
    static int written = 0;
    TicketProject project;
    fill(project, sizes, seed);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ProgrammingFile().write(buffer, project);
    return writeFile(dir.filePath(QStringLiteral("project%1.dat").arg(++written)), bytes);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void packInfoAndUsage()
    {
        const QByteArray ticket("ab\0\r\n\x1b", 6);
        const QString t = writeFile(dir.filePath(QStringLiteral("t.prn")), ticket);
        const QString packed = dir.filePath(QStringLiteral("packed.dat"));
        QCOMPARE(runCli("pack %1 --T %2 --P2 %2", {packed, t}).exitCode, 0);
        QCOMPARE(readFile(packed), "6,0,0,0,0,6\r\n" + ticket + ticket);

        Run run = runCli("info %1", {packed});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains(QStringLiteral("P2: 6\n")));
        QVERIFY(run.out.contains(QStringLiteral("space required: 12\n")));

        run = runCli("info %1",
                     {writeFile(dir.filePath(QStringLiteral("bad.dat")), "1,2,3,4,5,6,7\r\n")});
        QCOMPARE(run.exitCode, 3);
        QVERIFY(run.err.startsWith(QStringLiteral("File Opening error!: ")));
        QCOMPARE(
            runCli("pack %1 --B %2", {packed, dir.filePath(QStringLiteral("no.prn"))}).exitCode, 3);

        for (const char *usage :
             {"", "burn", "identify --simulate velmar --baud 9601", "read x.dat --port a --port b",
              "identify --simulate teapot", "ports x.dat", "identify --simulate velmar --json",
              "render", "render x.dat -o x.txt", "render x.prn --slot T -o x.png",
              "render x.dat --slot Q -o x.png", "render x.dat --family teapot -o x.png",
              "render x.dat --paper a4 -o x.png"})
            QVERIFY2(runCli(usage).exitCode == 2, usage);
        QCOMPARE(runScript(R"sh(exec "$0" identify --port "")sh", dir.path()).exitCode, 2);
    }

    // The bundled examples drawn as the device prints them and slot by slot, to PNG and PDF; the
    // output names the family and why it was chosen.
    void renderDrawsTheExamples()
    {
        const QString examples = QStringLiteral(ZV_EXAMPLES_DIR);
        const QString png = dir.filePath(QStringLiteral("sample.png"));
        Run run = runCli("render %1 -o %2", {examples + QStringLiteral("/sample.dat"), png});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(QStringLiteral("3 page(s), ESC/POS")), qPrintable(run.out));
        QVERIFY(run.out.contains(QStringLiteral("family: ESC/POS commands: ESC E n")));
        QVERIFY(run.out.contains(QStringLiteral("totalize ticket H + B + F")));
        const QImage picture(png);
        QCOMPARE(picture.width(), 567); // 80 mm at 180 dots an inch
        QVERIFY(picture.height() > 900);

        const QString pdf = dir.filePath(QStringLiteral("truck.pdf"));
        run = runCli("render %1 --slot ticket --paper 58mm -o %2",
                     {examples + QStringLiteral("/truck.dat"), pdf});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains(QStringLiteral("truck ticket P1 + P2")));
        const QByteArray document = readBytes(QFile::encodeName(pdf));
        QVERIFY(document.startsWith("%PDF"));
        QCOMPARE(document.count("/Type /Page\n"), 3);

        // A print file with the family and paper chosen (each example is read in the interpreter's
        // own test).
        run = runCli("render %1 --family escp9 --paper 136col -o %2",
                     {examples + QStringLiteral("/truck1.prn"), png});
        QVERIFY(run.exitCode == 0 && QImage(png).width() == 2610);

        QCOMPARE(
            runCli("render %1 -o %2", {dir.filePath(QStringLiteral("none.prn")), png}).exitCode, 3);
    }

    // Print files that would block or never end, outputs that are not regular files: a message
    // and exit 3 at once, nothing written. Names that are not UTF-8 are read and written as
    // spelled.
    void unusualFilesAndNames()
    {
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString out = dir.filePath(QStringLiteral("unusual.dat"));
        const QString ticket = writeFile(dir.filePath(QStringLiteral("t.prn")), "ticket");
        for (const QString &special : {fifo, QStringLiteral("/dev/zero"), dir.path()}) {
            const Run run = runCli("pack %1 --T %2", {out, special});
            QCOMPARE(run.exitCode, 3);
            QVERIFY(run.err.contains(QStringLiteral("not a regular file")) ||
                    run.err.contains(QStringLiteral("it is a folder")));
            QVERIFY(!QFile::exists(out));
        }
        QCOMPARE(runCli("pack %1 --T %2", {fifo, ticket}).exitCode, 3);
        QVERIFY(QFileInfo::exists(fifo) && !QFileInfo(fifo).isFile()); // still the FIFO

        const QByteArray folder = QFile::encodeName(dir.path());
        writeFile(dir.filePath(QStringLiteral("raw.prn")), "ticket");
        QCOMPARE(::rename((folder + "/raw.prn").constData(), (folder + "/t\xff.prn").constData()),
                 0);
        const Run packed = runScript(R"sh(exec "$0" pack "$(printf '%s/o\376.dat' "$1")" )sh"
                                     R"sh(--T "$(printf '%s/t\377.prn' "$1")")sh",
                                     dir.path());
        QCOMPARE(packed.exitCode, 0);
        QCOMPARE(readBytes(folder + "/o\xfe.dat"), QByteArray("6,0,0,0,0,0\r\nticket"));
        const Run info =
            runScript(R"sh(exec "$0" info "$(printf '%s/o\376.dat' "$1")")sh", dir.path());
        QCOMPARE(info.exitCode, 0);
        QVERIFY(info.out.contains(QStringLiteral("T: 6\n")));
        ::unlink((folder + "/o\xfe.dat").constData()); // out of QTemporaryDir's reach
        ::unlink((folder + "/t\xff.prn").constData());
    }

    // The front end sends exactly what the window sends, command for command, identifying before
    // each of its runs where the window identifies once on connecting.
    void wireTrafficIsTheWindows_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<Application>("application");
        QTest::newRow("class 1") << Model::ZorlaOld << Application::Industrial;
        QTest::newRow("class 4, truck set") << Model::Zorla << Application::Truck;
        QTest::newRow("class 8") << Model::Velmar << Application::None;
        QTest::newRow("class 8, truck set") << Model::Velmar << Application::Truck;
    }
    void wireTrafficIsTheWindows()
    {
        QFETCH(Model, model);
        QFETCH(Application, application);
        const QString path = writeProject(dir, {41, 7, 0, 13, 21, 5});
        ConnectedDevice window(model, application);
        QVERIFY(window.session.isConnected());
        TicketProject project;
        ProjectCommands commands(project, window.dialogs);
        commands.openProjectFile(path, QStringLiteral("p.dat"));
        DeviceProgrammer(project, window.session).run();
        const QList<QByteArray> programmed = window.commands();
        window.port.device().clearRecording();
        DeviceReader(project, window.session).run();
        const QList<QByteArray> identify{"@C4\r"};

        SimulatedPort port(model, application);
        const Run programRun = runCli("program %1 --port %2", {path, port.slavePath()});
        QCOMPARE(programRun.exitCode, 0);
        QCOMPARE(repeatedLines(programRun), QStringList());
        const QString readBack = dir.filePath(QStringLiteral("read.dat"));
        const Run readRun = runCli("read %1 --port %2", {readBack, port.slavePath()});
        QCOMPARE(readRun.exitCode, 0);
        QCOMPARE(repeatedLines(readRun), QStringList());
        QCOMPARE(port.device().commands(), identify + programmed + identify + window.commands());
        QVERIFY(QFile::exists(readBack));
    }

    // Four devices programmed side by side; a fifth port that vanishes at the first byte of
    // identification fails alone.
    void fourDevicesAtOnce()
    {
        Pty vanishing;
        QVERIFY(vanishing.open());
        QSocketNotifier firstByte(vanishing.masterFd(), QSocketNotifier::Read);
        connect(&firstByte, &QSocketNotifier::activated, this, [&] {
            firstByte.setEnabled(false);
            vanishing.closeMaster();
        });
        QStringList values{writeProject(dir, {300, 90, 60, 6}, 11), vanishing.slavePath()};
        TicketProject expected;
        fill(expected, {300, 90, 60, 6}, 11);
        std::vector<std::unique_ptr<SimulatedPort>> ports;
        QElapsedTimer clock;
        clock.start();
        QList<qint64> start(4, -1), end(4, -1);
        for (int i = 0; i < 4; ++i) {
            ports.push_back(std::make_unique<SimulatedPort>(Model::Zorla));
            ports.back()->server().setLineRate(19200);
            connect(&ports.back()->device(), &SimulatedDevice::commandHandled, this, [&, i] {
                if (start[i] < 0)
                    start[i] = clock.nsecsElapsed();
                end[i] = clock.nsecsElapsed();
            });
            values << ports.back()->slavePath();
        }
        const Run run = runCli(
            "program %1 --baud 19200 --verify --port %3 --port %4 --port %2 --port %5 --port %6",
            values);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out.count(QStringLiteral(": ok (")), 4);
        QVERIFY2(run.err.contains(vanishing.slavePath() +
                                  QStringLiteral(": the device was disconnected")),
                 qPrintable(run.err));
        QCOMPARE(repeatedLines(run), QStringList());
        // Served side by side: every device was busy while every other one was.
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j)
                QVERIFY(start[i] < end[j]);
        }
        for (auto &port : ports)
            QCOMPARE(port->device().memory(0x0410, 300), expected.contents(TicketProject::T));
    }

    // A project that does not fit ends with 4 after the identification alone; a refused command
    // and a device that holds something else than the file end with 1, and a failed read writes
    // nothing.
    void failuresGiveTheirExitStatus()
    {
        SimulatedPort class1(Model::ZorlaOld);
        const QString tooLarge = writeProject(dir, {3000, 57}); // by one byte
        Run run = runCli("program %1 --port %2", {tooLarge, class1.slavePath()});
        QCOMPARE(run.exitCode, 4);
        QVERIFY(run.err.contains(QStringLiteral("Failed to Program Device!: Your required space "
                                                "is greater than the available space")));
        QCOMPARE(class1.device().commands(), QList<QByteArray>{"@C4\r"});

        SimulatedPort refusing(Model::Velmar);
        refusing.device().addFault(Fault::nak(7));
        run = runCli("program %1 --port %2", {writeProject(dir, {30}), refusing.slavePath()});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(QStringLiteral("Communication Error!: The device doesn't")));

        // A read that fails leaves the file it was to replace as it was.
        const QString earlier =
            writeFile(dir.filePath(QStringLiteral("earlier.dat")), "1,0,0,0,0,0\r\nx");
        SimulatedPort failingRead(Model::Velmar);
        failingRead.device().addFault(Fault::nak(3));
        QCOMPARE(runCli("read %1 --port %2", {earlier, failingRead.slavePath()}).exitCode, 1);
        QCOMPARE(readFile(earlier), QByteArray("1,0,0,0,0,0\r\nx"));

        SimulatedPort changed(Model::Zorla);
        const QString project = writeProject(dir, {10, 4});
        // --trace says once, before the first command, whether the adapter passes replies on at
        // once; a pseudo-terminal has no such setting.
        run = runCli("program %1 --port %2 --trace", {project, changed.slavePath()});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.startsWith(QStringLiteral("low latency: not available on this port\n")),
                 qPrintable(run.err.left(200)));
        QCOMPARE(run.err.count(QStringLiteral("low latency")), 1);
        changed.device().setMemory(0x0410 + 12, QByteArray(1, '\x5a'));
        run = runCli("verify %1 --port %2", {project, changed.slavePath()});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.contains(QStringLiteral("slot H differs at byte offset 2")));
    }

    // A station run over four replugging devices: each device is programmed once per plug-in,
    // the log gets its header and one line per device, and the run ends at the count.
    void stationProgramsWhatIsPluggedIn()
    {
        std::vector<std::unique_ptr<SimulatedPort>> ports;
        std::vector<std::unique_ptr<ReplugSimulator>> operators;
        QStringList values{writeProject(dir, {40, 8}), dir.filePath(QStringLiteral("station.csv"))};
        for (int i = 0; i < 4; ++i) {
            ports.push_back(std::make_unique<SimulatedPort>(Model::Velmar));
            operators.push_back(std::make_unique<ReplugSimulator>(ports.back()->device(),
                                                                  std::chrono::milliseconds(0)));
            operators.back()->setQuietTime(std::chrono::milliseconds(200));
            operators.back()->setAbsentTime(std::chrono::milliseconds(2500)); // longer than a poll
            values << ports.back()->slavePath();
        }
        const Run run =
            runCli("station %1 --verify --count 8 --log %2 --port %3 --port %4 --port %5 --port %6",
                   values);
        QCOMPARE(run.exitCode, 0);
        const QList<QByteArray> lines =
            readFile(dir.filePath(QStringLiteral("station.csv"))).trimmed().split('\n');
        QCOMPARE(lines.first(), QByteArray("time,port,model,version,application,result,seconds,"
                                           "bytes,message"));
        QCOMPARE(lines.size(), 9);
        for (const QByteArray &line : lines.mid(1))
            QVERIFY2(line.contains(",VELMAR,2.105,Industrial,ok,") && line.endsWith(",48,"),
                     line.constData());
        QCOMPARE(run.out.count(QStringLiteral(": ok VELMAR")), 8);

        // It ends at its count also while the devices stay plugged in.
        SimulatedPort first(Model::Velmar), second(Model::Zorla);
        const Run plugged = runCli("station %1 --port %2 --port %3 --count 2",
                                   {writeProject(dir, {8}), first.slavePath(), second.slavePath()});
        QCOMPARE(plugged.exitCode, 0);
        QCOMPARE(plugged.out.count(QStringLiteral(": ok ")), 2);
    }

    // A log the station cannot write to stops it before the first device, with exit 3 and the
    // reason (without ever waiting on a FIFO); one that fails on the way lets the device in
    // progress finish, then ends the station with exit 3 and says so.
    void stationLogTargets()
    {
        SimulatedPort port(Model::Velmar);
        QTemporaryDir shared; // readable by everyone, writable by its owner only
        QVERIFY(QFile::setPermissions(shared.path(), QFile::permissions(shared.path()) |
                                                         QFile::ReadOther | QFile::ExeOther));
        const QString project = shared.filePath(QStringLiteral("p.dat"));
        QVERIFY(QFile::copy(writeProject(dir, {8}), project));
        QVERIFY(QFile::setPermissions(project, QFile::permissions(project) | QFile::ReadOther));
        const QString fifo = dir.filePath(QStringLiteral("log.fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &log : {fifo, dir.path(), QStringLiteral("/dev/full")}) {
            const Run run =
                runCli("station %1 --port %2 --log %3 --count 1", {project, port.slavePath(), log});
            QCOMPARE(run.exitCode, 3);
            QVERIFY2(run.err.startsWith(QStringLiteral("File Saving error!: ") + log),
                     qPrintable(run.err));
        }
        // Without permission, as a user who may not write in the folder.
        const QByteArray asOther =
            QByteArray(::getuid() == 0 ? "exec setpriv --reuid=65534 --regid=65534 --clear-groups "
                                       : "chmod a-w \"$1\"; exec ") +
            R"sh("$0" station "$1/p.dat" --port "$2" --log "$1/log.csv" --count 1)sh";
        const Run denied = runScript(asOther.constData(), shared.path(), {port.slavePath()});
        QCOMPARE(denied.exitCode, 3);
        QVERIFY2(denied.err.contains(QStringLiteral("Permission denied")), qPrintable(denied.err));
        QCOMPARE(port.device().commands().size(), 0);

        // A file that cannot grow past 2 KiB: its first line fails, the device is programmed,
        // and the station ends although the device stays plugged in.
        writeFile(dir.filePath(QStringLiteral("full.csv")), QByteArray(2040, 'x'));
        const Run full = runScript(R"sh(trap '' XFSZ; ulimit -f 2; exec "$0" station "$2" )sh"
                                   R"sh(--port "$3" --log "$1/full.csv")sh",
                                   dir.path(), {project, port.slavePath()});
        QCOMPARE(full.exitCode, 3);
        QCOMPARE(full.out.count(QStringLiteral(": ok VELMAR")), 1);
        QVERIFY2(full.err.contains(QStringLiteral("the station stopped: the log")),
                 qPrintable(full.err));
    }

    // Ctrl-C ends a wait at once: a silent device's identification (not after its three
    // time-outs of four seconds), and a station kept waiting by a server that never negotiates.
    // While a device is programmed (SIGTERM is taken like Ctrl-C), the run ends after the
    // command in progress.
    void interruptEndsAWait_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("atCommand"); // 0: half a second after the start
        QTest::newRow("silent device") << QStringLiteral("identify --port %1") << 0;
        QTest::newRow("silent server")
            << QStringLiteral("station %2 --port rfc2217://127.0.0.1:%3") << 0;
        QTest::newRow("programming") << QStringLiteral("program %4 --port %5") << 20;
    }
    void interruptEndsAWait()
    {
        QFETCH(QString, line);
        QFETCH(int, atCommand);
        SimulatedPort port(Model::Velmar), busy(Model::Velmar);
        port.device().addFault(Fault::silence(1));
        busy.server().setLineRate(9600);
        QTcpServer silent; // takes the connection and never negotiates
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QElapsedTimer clock;
        QProcess *running = nullptr;
        const auto interrupt = [&] {
            clock.start();
            ::kill(pid_t(running->processId()), atCommand ? SIGTERM : SIGINT);
        };
        int handled = 0;
        connect(&busy.device(), &SimulatedDevice::commandHandled, this, [&] {
            if (++handled == atCommand)
                interrupt();
        });
        const Run run =
            runCli(qPrintable(line),
                   {port.slavePath(), writeProject(dir, {8}), QString::number(silent.serverPort()),
                    writeProject(dir, {4000}), busy.slavePath()},
                   [&](QProcess &process) {
                       running = &process;
                       if (!atCommand)
                           QTimer::singleShot(500, &process, interrupt);
                   });
        QCOMPARE(run.exitCode, 130);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        if (atCommand) {
            QVERIFY(handled < atCommand + 10);
            QVERIFY(run.out.contains(QStringLiteral("Programming Cancelled")));
        }
    }

    // Device texts in the log cannot become spreadsheet formulas, and control characters reach
    // the console only as their codes.
    void deviceTextsAreNeutralised()
    {
        StationLog::Entry entry;
        entry.model = QStringLiteral("VELMAR");
        entry.version = QStringLiteral("=.1+2");
        entry.application = QStringLiteral("@.SUM");
        entry.message = QStringLiteral("\tx,y");
        entry.port = QStringLiteral("-p");
        QCOMPARE(StationLog::line(entry),
                 QByteArray(",'-p,VELMAR,'=.1+2,'@.SUM,failed,0.0,0,\"'\tx,y\"\n"));
        QCOMPARE(ConsoleOutput::printable(QStringLiteral("A\x1b[2J\nB\x7f")),
                 QStringLiteral("A<1B>[2J<0A>B<7F>"));
    }

    // "ports --json" and "ports" give every port the system lists, with the COM option the user's
    // settings bind to it, and open none of them (the adapter's own fields are copied as the
    // system gives them; the latency timer is read in its own test).
    void portsAsTheSystemListsThem()
    {
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        const auto infos = QSerialPortInfo::availablePorts();
        SettingsStore store;
        PortBinding binding(store);
        if (!infos.isEmpty())
            binding.bind(3, infos.last().systemLocation());
        const Run run = runCli("ports --json");
        const Run text = runCli("ports");
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(run.exitCode, 0);
        QJsonParseError error;
        const QJsonArray listed = QJsonDocument::fromJson(run.out.toUtf8(), &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QHash<QString, int> options; // by port, as listed
        for (const QJsonValue &value : listed)
            options.insert(value[QStringLiteral("port")].toString(),
                           value[QStringLiteral("com_option")].toInt());
        QHash<QString, int> expected;
        for (const QSerialPortInfo &info : infos) {
            const QString name = info.systemLocation();
            int option = 0;
            for (int n = 1; n <= PortBinding::optionCount; ++n)
                option = binding.systemName(n) == name ? n : option;
            expected.insert(name, option);
            QVERIFY(text.out.contains(
                name + QStringLiteral("  ") +
                (option ? QStringLiteral("COM %1").arg(option) : QStringLiteral("-"))));
        }
        QCOMPARE(options, expected);
        QCOMPARE(options.values().contains(3), !infos.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
