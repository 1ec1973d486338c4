#include "devicelink.h"
#include "devicesession.h"
#include "errors.h"
#include "pty.h"
#include "scripteddialogservice.h"

#include <QTcpServer>
#include <QtTest>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using Chunks = QList<QByteArray>;
using Messages = QList<ScriptedDialogService::Message>;

namespace
{

const ScriptedDialogService::Message timeoutBox{QStringLiteral("Communication failed"),
                                                QStringLiteral("Timeout!")};
const ScriptedDialogService::Message nakBox{errorMessage(ErrorCode::CommandRefused).text,
                                            errorMessage(ErrorCode::CommandRefused).title};

// Plays the device on the master end of a pseudo-terminal, with a link opened on the slave end
// (time-outs scaled by 1/20): records every command line and answers the n-th with its scripted
// reply, written chunk by chunk 30 ms apart (no script: silence).
class ScriptedDevice : public QObject
{
public:
    explicit ScriptedDevice(DialogService &dialogs) : session(link, dialogs)
    {
        connect(&notifier, &QSocketNotifier::activated, this, &ScriptedDevice::readLine);
        link.setPortName(pty.slavePath());
        link.setTimeoutScale(0.05);
        link.open();
    }
    void send(const QByteArray &bytes) const
    {
        [[maybe_unused]] auto n = ::write(pty.masterFd(), bytes.data(), size_t(bytes.size()));
    }
    Pty pty;
    QSocketNotifier notifier{(pty.open(), pty.masterFd()), QSocketNotifier::Read};
    DeviceLink link;
    DeviceSession session;
    QList<Chunks> replies; // by command, in order
    QByteArrayList commands;

private:
    void readLine()
    {
        char c;
        while (::read(pty.masterFd(), &c, 1) == 1) {
            line.append(c);
            if (c != '\r')
                continue;
            commands.append(std::exchange(line, {}));
            const Chunks chunks = replies.value(commands.size() - 1);
            for (int i = 0; i < chunks.size(); ++i)
                QTimer::singleShot(30 * i, this, [this, bytes = chunks.at(i)] { send(bytes); });
        }
    }
    QByteArray line;
};

// A device that reads what the link sends in a thread of its own, the way hardware does while the
// link is busy writing, and vanishes at the cut-th byte it receives (a pseudo-terminal's master end
// closed, or a serial server's connection closed); with cut 0 it first sends half a reply to the
// whole command.
class VanishingPeer
{
public:
    explicit VanishingPeer(bool network, int cut) : m_cut(cut)
    {
        if (network) {
            m_listener.setMaxPendingConnections(0); // the connection is the thread's to accept
            m_listener.listen(QHostAddress::LocalHost);
            m_portName = QStringLiteral("socket://127.0.0.1:%1").arg(m_listener.serverPort());
        } else {
            m_pty.open();
            m_portName = m_pty.slavePath();
        }
        m_thread =
            std::thread([this, network] { network ? serveNetwork() : play(m_pty.masterFd()); });
    }
    ~VanishingPeer() { m_thread.join(); }
    QString portName() const { return m_portName; }

private:
    void serveNetwork()
    {
        const int listener = int(m_listener.socketDescriptor());
        pollfd waiting{listener, POLLIN, 0};
        if (::poll(&waiting, 1, 5000) != 1)
            return;
        const int fd = ::accept(listener, nullptr, nullptr);
        play(fd);
        ::close(fd);
    }
    // Reads until the cut, then vanishes.
    void play(int fd)
    {
        for (int received = 0; m_cut == 0 || received < m_cut;) {
            pollfd line{fd, POLLIN, 0};
            char c = 0;
            if (::poll(&line, 1, 5000) != 1 || ::read(fd, &c, 1) != 1)
                break;
            ++received;
            if (m_cut == 0 && c == '\r') {
                [[maybe_unused]] auto n = ::write(fd, "VELM", 4);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                break;
            }
        }
        if (!m_listener.isListening())
            m_pty.closeMaster();
    }

    int m_cut;
    QTcpServer m_listener;
    Pty m_pty;
    QString m_portName;
    std::thread m_thread;
};

} // namespace

class TestDeviceLink : public QObject
{
    Q_OBJECT

    ScriptedDialogService dialogs;
    std::unique_ptr<ScriptedDevice> device;
    DeviceLink *link = nullptr;
    QByteArrayList completed; // the replies the link has seen complete

private slots:
    void init()
    {
        dialogs.messages.clear();
        dialogs.onMessage = nullptr;
        device = std::make_unique<ScriptedDevice>(dialogs);
        link = &device->link;
        QVERIFY(link->isOpen());
        completed.clear();
        connect(link, &DeviceLink::replyCompleted, this,
                [this](const QByteArray &r) { completed.append(r); });
    }

    void settingsText()
    {
        const auto parsed = LineSettings::parse(QStringLiteral(" 4800 ,E,7,2"));
        QVERIFY(parsed);
        QCOMPARE(parsed->toString(), QStringLiteral("4800,e,7,2"));
        QCOMPARE(parsed->bitsPerCharacter(), 11);
        for (const char *bad : {"9600,n,9,1", ",n,8,1", "fast", "9600,n,8,1,x"})
            QVERIFY(!LineSettings::parse(QString::fromLatin1(bad)));
    }

    // One command at 1200 baud against a scripted device: how the reply completes, what is
    // repeated, which boxes are shown, that the wait sleeps in the event loop, and that a slow
    // device (class 0 and 1) gets one character per write, each followed by the character's time
    // on the line and a millisecond more (9.334 ms).
    void exchange_data()
    {
        QTest::addColumn<DeviceClass>("deviceClass");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QList<Chunks>>("replies");
        QTest::addColumn<QByteArray>("lastReply"); // answered, refused with NAK, or timed out
        QTest::addColumn<int>("sent");
        QTest::addColumn<double>("timeoutScale");
        QTest::addColumn<int>("boxOpenMs"); // how long the user leaves the first box open
        // A reply answered at the first attempt is waited for the full time-out (scale 0), so that
        // a loaded machine cannot turn pieces 30 ms apart into a time-out; the rest at 1/20.
        auto row = [](const char *name, DeviceClass cls, int attempts, QList<Chunks> replies,
                      QByteArray last, int sent, double scale = 0, int boxOpenMs = 0) {
            if (scale == 0)
                scale = !last.isEmpty() && sent == 1 ? 1.0 : 0.05;
            QTest::newRow(name) << cls << attempts << replies << last << sent << scale << boxOpenMs;
        };
        row("CR and more in one notification", DeviceClass::Zorla, 3, {{"OK\rXY"}}, "OK\rXY", 1);
        row("nine characters with @", DeviceClass::ZorlaOld, 3, {{"@E0010-41"}}, "@E0010-41", 1);
        row("8 then 10 characters wait for CR", DeviceClass::Zorla, 3, {{"@E0010-4", "1Z", "\r"}},
            "@E0010-41Z\r", 1);
        row("nine characters without @", DeviceClass::Zorla, 3, {{"E0010-41Z"}}, "", 3);
        row("NAK first", DeviceClass::None, 3, {{"\025\r"}}, "\025\r", 1);
        row("NAK inside", DeviceClass::Velmar, 3, {{"VELMAR\025 2.1\r"}}, "VELMAR\025 2.1\r", 1);
        row("nine characters with @ complete a later device's reply too", DeviceClass::Velmar, 3,
            {{"@E0010-41"}}, "@E0010-41", 1);
        row("line feeds and NULs in front of a reply", DeviceClass::Velmar, 3,
            {{"\n", QByteArray("\0\nOK\r", 5)}}, "OK\r", 1);
        row("NAK in nine characters", DeviceClass::ZorlaOld, 3, {{"@\0251234567"}}, "@\0251234567",
            1);
        row("NAK box open past the time-out", DeviceClass::Velmar, 3, {{"\025\r"}}, "\025\r", 1,
            0.05, 200);
        row("silent, slow device", DeviceClass::None, 3, {}, "", 3);
        row("silent, fast device, full length", DeviceClass::Velmar, 1, {}, "", 1, 1.0);
        row("zero attempts still send once", DeviceClass::Velmar, 0, {}, "", 1);
        row("second attempt answered", DeviceClass::ZorlaOld, 3, {{}, {"OK\r"}}, "OK\r", 2);
    }
    void exchange()
    {
        QFETCH(DeviceClass, deviceClass);
        QFETCH(int, attempts);
        QFETCH(QByteArray, lastReply);
        QFETCH(int, sent);
        QFETCH(QList<Chunks>, replies);
        QFETCH(double, timeoutScale);
        QFETCH(int, boxOpenMs);
        device->replies = replies;
        link->setDeviceClass(deviceClass);
        link->setTimeoutScale(timeoutScale);
        link->setLineSettings({1200, LineSettings::Parity::None, 8, 1});
        dialogs.onMessage = [&](const ScriptedDialogService::Message &) {
            if (boxOpenMs > 0 && dialogs.messages.size() == 1)
                QTest::qWait(boxOpenMs);
        };
        QElapsedTimer clock;
        clock.start();
        const std::clock_t cpuBefore = std::clock();

        const LinkReply reply = device->session.send("@E0010-??\r", attempts);

        const bool answered = !lastReply.isEmpty();
        const bool refused = lastReply.contains('\025');
        QCOMPARE(reply.status, refused    ? LinkReply::Status::Refused
                               : answered ? LinkReply::Status::Answered
                                          : LinkReply::Status::TimedOut);
        QCOMPARE(reply.bytes, lastReply);
        QCOMPARE(completed, answered ? QByteArrayList{lastReply} : QByteArrayList());
        QCOMPARE(device->commands, QByteArrayList(sent, "@E0010-??\r"));
        Messages boxes = refused ? Messages{nakBox} : answered ? Messages{} : Messages{timeoutBox};
        if (boxOpenMs > 0)
            boxes.append(timeoutBox); // the time-out ran out while the first box was open
        QCOMPARE(dialogs.messages, boxes);
        const int timeout = int((deviceClass >= DeviceClass::Zorla ? 2000 : 4000) * timeoutScale);
        QCOMPARE(link->replyTimeout(), timeout);
        const bool paced = deviceClass < DeviceClass::Zorla && answered;
        QVERIFY(clock.nsecsElapsed() >=
                (sent - (answered ? 1 : 0)) * timeout * 1000000LL + (paced ? 10 * 9334000LL : 0));
        QVERIFY(!link->isWaiting());
        QVERIFY(double(std::clock() - cpuBefore) / CLOCKS_PER_SEC < 0.2);
    }

    // What arrives after a timed-out command is dropped before the next one is sent (a late
    // reply is still seen as it completes); a chunk as large as the receive limit restarts the
    // reply. What a killed run's late reply left in the port is dropped as the port opens: it is
    // never taken for a reply.
    void betweenCommands_data()
    {
        QTest::addColumn<QByteArray>("between");
        QTest::addColumn<qsizetype>("receiveLimit");
        QTest::addColumn<bool>("beforeOpen");  // sent while the port is closed, not after a command
        QTest::addColumn<QByteArray>("reply"); // to the next command
        const auto row = [](const char *name, const QByteArray &between, qsizetype limit,
                            const QByteArray &reply, bool beforeOpen = false) {
            QTest::newRow(name) << between << limit << beforeOpen << reply;
        };
        row("late reply", "LATE\r", 1024, "NEXT\r");
        row("reply started", "@E0", 1024, "1-FF\r");
        row("overflow", "@E0", 16, "0123456789ABCDE\r");
        row("stale reply before the port opens", "STALE\r", 1024, "NEXT\r", true);
    }
    void betweenCommands()
    {
        QFETCH(QByteArray, between);
        QFETCH(qsizetype, receiveLimit);
        QFETCH(bool, beforeOpen);
        QFETCH(QByteArray, reply);
        link->setDeviceClass(DeviceClass::Velmar);
        link->setReceiveLimit(receiveLimit);
        if (beforeOpen)
            link->close();
        else
            link->exchange("@C4\r", 1);
        device->send(between);
        if (beforeOpen) {
            QTest::qWait(20);
            QVERIFY(link->open());
        }
        if (between.endsWith('\r') && !beforeOpen) {
            QTRY_COMPARE(completed, QByteArrayList{between});
        } else {
            QTest::qWait(50);
            QCOMPARE(completed, QByteArrayList());
        }
        device->replies = QList<Chunks>(device->commands.size()) << Chunks{reply};
        QCOMPARE(link->exchange("@E01-??\r", 1).bytes, reply);
    }

    // A read reply counts only if it echoes the address asked for: a duplicated or late reply to
    // an earlier command is waited past within the same time-out, a refusal still counts, and a
    // flood of noise leaves only the newest bytes before the reply.
    void checkedReplies_data()
    {
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<QByteArray>("echo");
        QTest::addColumn<QByteArray>("expected"); // empty: timed out
        const auto row = [](const char *name, const Chunks &chunks, const QByteArray &expected) {
            QTest::newRow(name) << chunks << QByteArray("@EA004-") << expected;
        };
        const QByteArray stale("@EA000-11223344\r"), right("@EA004-55667788\r");
        row("duplicate in one chunk", {stale + right}, right);
        row("late reply, then the right one", {stale, right}, right);
        row("only a stale reply", {stale}, {});
        row("refusal", {"\025\r"}, "\025\r");
        QTest::newRow("flood before an unchecked reply")
            << Chunks{QByteArray(3000, 'x') + "VELMAR 2.105 ID\r"} << QByteArray()
            << (QByteArray(3000, 'x') + "VELMAR 2.105 ID\r").right(DeviceLink::keptAfterFlood + 1);
    }
    void checkedReplies()
    {
        QFETCH(Chunks, chunks);
        QFETCH(QByteArray, echo);
        QFETCH(QByteArray, expected);
        link->setDeviceClass(DeviceClass::Velmar);
        // A full time-out where a reply is expected: the pieces 30 ms apart always fit in it.
        link->setTimeoutScale(expected.isEmpty() ? 0.05 : 1.0);
        device->replies = {chunks};
        const LinkReply reply = link->exchange("@EA004-??\r", 1, echo);
        QCOMPARE(reply.bytes, expected);
        QCOMPARE(reply.status == LinkReply::Status::TimedOut, expected.isEmpty());
    }

    // A device that vanishes while a command goes out (paced or not), or while its reply arrives,
    // ends the exchange as a lost port at once, without a further attempt, on a serial port and on
    // a serial server alike; so does the next command, which sends nothing. (The box the session
    // shows for it is checked in the fault soak.)
    void vanishes_data()
    {
        QTest::addColumn<bool>("network");
        QTest::addColumn<DeviceClass>("deviceClass");
        QTest::addColumn<int>("cut"); // the byte the device vanishes at, 0 for mid-reply
        const int paced = 1 + QRandomGenerator::global()->bounded(10);
        for (const bool network : {false, true}) {
            const char *where = network ? "server" : "pty";
            QTest::addRow("%s, first byte, paced", where) << network << DeviceClass::None << 1;
            QTest::addRow("%s, byte %d of a paced command", where, paced)
                << network << DeviceClass::ZorlaOld << paced;
            QTest::addRow("%s, first byte", where) << network << DeviceClass::Velmar << 1;
            QTest::addRow("%s, mid-reply", where) << network << DeviceClass::Velmar << 0;
        }
    }
    void vanishes()
    {
        QFETCH(bool, network);
        QFETCH(DeviceClass, deviceClass);
        QFETCH(int, cut);
        VanishingPeer peer(network, cut);
        DeviceLink vanishing;
        vanishing.setPortName(peer.portName());
        vanishing.setTimeoutScale(0.5);
        vanishing.setDeviceClass(deviceClass);
        QVERIFY(vanishing.open());
        for (int command = 1; command <= 2; ++command) {
            QElapsedTimer clock;
            clock.start();
            const LinkReply reply = vanishing.exchange("@E0010-??\r", 3);
            QVERIFY(clock.elapsed() < vanishing.replyTimeout()); // no time-out waited out
            QCOMPARE(reply.status, LinkReply::Status::PortLost);
            QVERIFY2(
                reply.description.startsWith(peer.portName() + QStringLiteral(": ")) &&
                    reply.description.contains(QStringLiteral("the device was disconnected")) &&
                    reply.description.count(peer.portName()) == 1,
                qPrintable(reply.description));
            QVERIFY(!vanishing.isOpen());
        }
    }
};

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
