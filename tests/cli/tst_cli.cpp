#include "deviceconnection.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "devicestatus.h"
#include "programmingfile.h"
#include "projectcommands.h"
#include "scripteddialogservice.h"
#include "seriallink.h"
#include "simulatedport.h"
#include "ticketproject.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using Model = SimulatedDevice::Model;
using Application = SimulatedDevice::Application;
Q_DECLARE_METATYPE(Model)
Q_DECLARE_METATYPE(Application)

namespace
{

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs zvticket-cli while this process keeps serving its simulated devices.
Run runCli(const QStringList &arguments, const std::function<void(QProcess &)> &whileRunning = {})
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationDirPath() +
                       QStringLiteral("/../src/cli/zvticket-cli"));
    process.setArguments(arguments);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    process.start();
    if (whileRunning)
        whileRunning(process);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QByteArray randomBytes(QRandomGenerator &random, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// A project with every slot filled, written as a programming file.
QString writeProject(const QTemporaryDir &dir, const QList<int> &sizes, quint32 seed = 7)
{
    QRandomGenerator random(seed);
    TicketProject project;
    for (int n = 1; n <= TicketProject::SlotCount; ++n) {
        const QByteArray content = randomBytes(random, sizes.value(n - 1));
        project.setSlot(n, {content, {}, {}, QString::number(content.size())});
    }
    const QString path = dir.filePath(QStringLiteral("project%1.dat").arg(seed));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(ProgrammingFile::serialize(project));
    return path;
}

// What the window sends for Program and then Read on a device of this kind.
QList<QByteArray> windowTraffic(Model model, Application application, const QString &projectPath)
{
    SimulatedPort port(model, application);
    ScriptedDialogService dialogs;
    SerialLink link(dialogs);
    DeviceStatus status;
    DeviceConnection connection(link, status, dialogs);
    TicketProject project;
    ProjectCommands commands(project, dialogs);
    link.setPortName(port.slavePath());
    connection.toggle();
    commands.openProjectFile(projectPath, QStringLiteral("p.dat"));
    DeviceProgrammer(project, link, status, connection, dialogs).run();
    DeviceReader(project, link, status, connection, dialogs, commands).run();
    return port.device().commands();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void packInfoAndUsage()
    {
        const QString t = dir.filePath(QStringLiteral("t.prn"));
        QFile file(t);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("ab\0\r\n\x1b", 6));
        file.close();
        const QString packed = dir.filePath(QStringLiteral("packed.dat"));

        Run run = runCli(
            {QStringLiteral("pack"), packed, QStringLiteral("--T"), t, QStringLiteral("--P2"), t});
        QCOMPARE(run.exitCode, 0);
        QFile result(packed);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), QByteArray("6,0,0,0,0,6\r\nab\0\r\n\x1b"
                                              "ab\0\r\n\x1b",
                                              25));

        run = runCli({QStringLiteral("info"), packed});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains(QStringLiteral("P2: 6\n")));
        QVERIFY(run.out.contains(QStringLiteral("space required: 12\n")));

        QFile damaged(dir.filePath(QStringLiteral("damaged.dat")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("1,2,3,4,5,6,7\r\n");
        damaged.close();
        run = runCli({QStringLiteral("info"), damaged.fileName()});
        QCOMPARE(run.exitCode, 3);
        QVERIFY(run.err.startsWith(QStringLiteral("File Opening error!: ")));

        run = runCli({QStringLiteral("pack"), packed, QStringLiteral("--B"),
                      dir.filePath(QStringLiteral("missing.prn"))});
        QCOMPARE(run.exitCode, 3);

        for (const QStringList &bad :
             {QStringList{}, QStringList{QStringLiteral("burn")},
              QStringList{QStringLiteral("identify"), QStringLiteral("--simulate"),
                          QStringLiteral("velmar"), QStringLiteral("--baud"),
                          QStringLiteral("9601")},
              QStringList{QStringLiteral("read"), packed, QStringLiteral("--port"),
                          QStringLiteral("a"), QStringLiteral("--port"), QStringLiteral("b")},
              QStringList{QStringLiteral("identify"), QStringLiteral("--simulate"),
                          QStringLiteral("teapot")}})
            QCOMPARE(runCli(bad).exitCode, 2);
    }

    // The front end sends exactly what the window sends, command for command.
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
        const QString project = writeProject(dir, {41, 7, 0, 13, 21, 5});
        const QList<QByteArray> window = windowTraffic(model, application, project);

        SimulatedPort port(model, application);
        Run run = runCli(
            {QStringLiteral("program"), project, QStringLiteral("--port"), port.slavePath()});
        QCOMPARE(run.exitCode, 0);
        const QString readBack = dir.filePath(QStringLiteral("read.dat"));
        run =
            runCli({QStringLiteral("read"), readBack, QStringLiteral("--port"), port.slavePath()});
        QCOMPARE(run.exitCode, 0);
        // The window identifies once; the front end identifies before each of its two runs.
        QList<QByteArray> cli = port.device().commands();
        QCOMPARE(cli.count(QByteArray("@C4\r")), 2);
        cli.removeAt(cli.lastIndexOf(QByteArray("@C4\r")));
        QCOMPARE(cli, window);
        QVERIFY(QFile::exists(readBack));
    }

    void fourDevicesAtOnce()
    {
        const QString project = writeProject(dir, {300, 90, 60, 6, 0, 0}, 11);
        std::vector<std::unique_ptr<SimulatedPort>> ports;
        QStringList arguments = {QStringLiteral("program"), project, QStringLiteral("--baud"),
                                 QStringLiteral("19200"), QStringLiteral("--verify")};
        QElapsedTimer clock;
        clock.start();
        QList<qint64> start(4, -1), end(4, -1);
        for (int i = 0; i < 4; ++i) {
            ports.push_back(std::make_unique<SimulatedPort>(Model::Zorla, Application::Industrial));
            ports.back()->server().setLineRate(19200);
            connect(&ports.back()->device(), &SimulatedDevice::commandHandled, this, [&, i] {
                if (start[i] < 0)
                    start[i] = clock.nsecsElapsed();
                end[i] = clock.nsecsElapsed();
            });
            arguments << QStringLiteral("--port") << ports.back()->slavePath();
        }
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.count(QStringLiteral(": ok (")), 4);
        // Served side by side: every device was busy while every other one was.
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                QVERIFY(start[i] < end[j]);
        TicketProject expected;
        QFile file(project);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString error;
        QVERIFY(ProgrammingFile::deserialize(file.readAll(), expected, &error));
        for (auto &port : ports)
            QCOMPARE(port->device().memory(0x0410, 300), expected.contents(TicketProject::T));
    }

    void failuresGiveTheirExitStatus()
    {
        // A project one byte larger than a class-1 device: code 7, nothing but identification.
        {
            SimulatedPort port(Model::ZorlaOld, Application::Industrial);
            const Run run =
                runCli({QStringLiteral("program"), writeProject(dir, {3000, 57, 0, 0, 0, 0}),
                        QStringLiteral("--port"), port.slavePath()});
            QCOMPARE(run.exitCode, 4);
            QVERIFY(run.err.contains(QStringLiteral("Failed to Program Device!: Your required "
                                                    "space is greater than the available space")));
            QCOMPARE(port.device().commands(), QList<QByteArray>{"@C4\r"});
        }
        // A refused data command.
        {
            SimulatedPort port(Model::Velmar, Application::Industrial);
            port.device().addFault(SimulatedDevice::Fault::nak(7));
            const Run run =
                runCli({QStringLiteral("program"), writeProject(dir, {30, 0, 0, 0, 0, 0}),
                        QStringLiteral("--port"), port.slavePath()});
            QCOMPARE(run.exitCode, 1);
            QVERIFY(run.err.contains(QStringLiteral("Communication Error!: The device doesn't")));
        }
        // A device that holds something else than the file: verify names slot and offset.
        {
            SimulatedPort port(Model::Zorla, Application::Industrial);
            const QString project = writeProject(dir, {10, 4, 0, 0, 0, 0});
            QCOMPARE(runCli({QStringLiteral("program"), project, QStringLiteral("--port"),
                             port.slavePath()})
                         .exitCode,
                     0);
            port.device().setMemory(0x0410 + 12, QByteArray(1, '\x5a'));
            const Run run = runCli(
                {QStringLiteral("verify"), project, QStringLiteral("--port"), port.slavePath()});
            QCOMPARE(run.exitCode, 1);
            QVERIFY(run.out.contains(QStringLiteral("slot H differs at byte offset 2")));
        }
    }

    void interruptEndsAfterTheCommandInProgress()
    {
        SimulatedPort port(Model::Velmar, Application::Industrial);
        port.server().setLineRate(9600);
        int handled = 0;
        QProcess *running = nullptr;
        connect(&port.device(), &SimulatedDevice::commandHandled, this, [&] {
            if (++handled == 20 && running)
                running->terminate(); // SIGTERM is taken like Ctrl-C
        });
        const Run run = runCli({QStringLiteral("program"), writeProject(dir, {4000, 0, 0, 0, 0, 0}),
                                QStringLiteral("--port"), port.slavePath()},
                               [&](QProcess &process) { running = &process; });
        QCOMPARE(run.exitCode, 130);
        QVERIFY(handled < 30);
        QVERIFY(run.out.contains(QStringLiteral("Programming Cancelled")));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
