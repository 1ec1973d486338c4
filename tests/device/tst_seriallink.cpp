#include "errors.h"
#include "pty.h"
#include "scripteddialogservice.h"
#include "seriallink.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <sys/resource.h>
#include <unistd.h>

using Chunks = QList<QByteArray>;
using Messages = QList<ScriptedDialogService::Message>;

namespace
{

const ScriptedDialogService::Message timeoutBox{QStringLiteral("Communication failed"),
                                                QStringLiteral("Timeout!")};
const ScriptedDialogService::Message nakBox{errorMessage(8).text, errorMessage(8).title};

// Plays the device on the master end of a pseudo-terminal: records every command line and answers
// the n-th with its scripted reply, written chunk by chunk 30 ms apart (no script: silence).
class ScriptedDevice : public QObject
{
public:
    ScriptedDevice() : notifier((pty.open(), pty.masterFd()), QSocketNotifier::Read)
    {
        connect(&notifier, &QSocketNotifier::activated, this, &ScriptedDevice::readLine);
    }
    void send(const QByteArray &bytes) const
    {
        const auto written = ::write(pty.masterFd(), bytes.data(), size_t(bytes.size()));
        Q_UNUSED(written);
    }
    void hangUp()
    {
        notifier.setEnabled(false);
        pty.closeMaster();
    }
    Pty pty;
    QSocketNotifier notifier;
    QList<Chunks> replies; // by command, in order
    QList<QByteArray> commands;

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

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT

    ScriptedDialogService dialogs;
    std::unique_ptr<ScriptedDevice> device;
    std::unique_ptr<SerialLink> link;

private slots:
    void init()
    {
        dialogs.messages.clear();
        dialogs.onMessage = nullptr;
        device = std::make_unique<ScriptedDevice>();
        link = std::make_unique<SerialLink>(dialogs);
        link->setPortName(device->pty.slavePath());
        link->setTimeoutScale(0.05);
        QVERIFY(link->open());
    }
    void cleanup()
    {
        link.reset();
        device.reset();
    }

    void settingsText()
    {
        link->close(); // a pseudo-terminal takes no parity or 7 data bits
        QVERIFY(link->setSettings(QStringLiteral("4800,E,7,2")));
        QCOMPARE(link->settings(), QStringLiteral("4800,e,7,2"));
        for (const char *bad : {"9600,n,9,1", ",n,8,1", "fast"})
            QVERIFY(!link->setSettings(QString::fromLatin1(bad)));
        QCOMPARE(link->settings(), QStringLiteral("4800,e,7,2"));
        QCOMPARE(link->commStart().baudRate(), 4800);
    }

    // One command with 3 attempts (or `attempts`) against a scripted device: how the reply
    // completes, what is repeated and which boxes are shown. Time-outs are scaled by 1/20.
    void exchange_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QList<Chunks>>("replies");
        QTest::addColumn<QByteArray>("lastReply"); // status "R", or "N" with NAK, or "W" if empty
        QTest::addColumn<int>("sent");
        auto row = [](const char *name, int cls, int attempts, QList<Chunks> replies,
                      QByteArray last, int sent) {
            QTest::newRow(name) << cls << attempts << replies << last << sent;
        };
        row("CR and more in one notification", 4, 3, {{"OK\rXY"}}, "OK\rXY", 1);
        row("reply in pieces", 8, 3, {{"@E0", "1-", "AB\r"}}, "@E01-AB\r", 1);
        row("nine characters with @", 1, 3, {{"@E0010-41"}}, "@E0010-41", 1);
        row("8 then 10 characters wait for CR", 4, 3, {{"@E0010-4", "1Z", "\r"}}, "@E0010-41Z\r",
            1);
        row("nine characters without @", 4, 3, {{"E0010-41Z"}}, "", 3);
        row("NAK first", 0, 3, {{"\x15\r"}}, "\x15\r", 1);
        row("NAK inside", 8, 3, {{"VELMAR\x15 2.1\r"}}, "VELMAR\x15 2.1\r", 1);
        row("NAK in nine characters", 4, 3,
            {{"@\x15"
              "1234567"}},
            "@\x15"
            "1234567",
            1);
        row("silent, class 0", 0, 3, {}, "", 3);
        row("silent, class 1", 1, 3, {}, "", 3);
        row("silent, class 4", 4, 3, {}, "", 3);
        row("silent, class 8, one attempt", 8, 1, {}, "", 1);
        row("zero attempts still send once", 8, 0, {}, "", 1);
        row("second attempt answered", 1, 3, {{}, {"OK\r"}}, "OK\r", 2);
    }
    void exchange()
    {
        QFETCH(int, deviceClass);
        QFETCH(int, attempts);
        QFETCH(QByteArray, lastReply);
        QFETCH(int, sent);
        QFETCH(QList<Chunks>, replies);
        device->replies = replies;
        link->setDeviceClass(deviceClass);
        QList<QByteArray> completed;
        connect(link.get(), &SerialLink::replyCompleted, this,
                [&](const QByteArray &r) { completed.append(r); });
        QElapsedTimer clock;
        clock.start();

        link->SendAndWait("@E0010-??\r", quint8(attempts));

        const bool answered = !lastReply.isEmpty();
        const bool refused = lastReply.contains('\x15');
        QCOMPARE(link->ReplyStatus(), QChar(refused ? u'N' : answered ? u'R' : u'W'));
        QCOMPARE(link->LastReply(), lastReply);
        QCOMPARE(completed, answered ? QList{lastReply} : QList<QByteArray>());
        QCOMPARE(device->commands, QList<QByteArray>(sent, "@E0010-??\r"));
        QCOMPARE(dialogs.messages, refused    ? Messages{nakBox}
                                   : answered ? Messages{}
                                              : Messages{timeoutBox});
        const int timeout = deviceClass == 4 || deviceClass == 8 ? 2000 : 4000;
        QCOMPARE(link->replyTimeout(), timeout / 20);
        QVERIFY(clock.elapsed() >= (sent - (answered ? 1 : 0)) * timeout / 20);
        QVERIFY(link->InTime());
        QVERIFY(!link->isWaiting());
    }

    // The one wait at full length: 2000 ms for a fast device, spent asleep in the event loop.
    void realTimeout()
    {
        link->setTimeoutScale(1.0);
        link->setDeviceClass(8);
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuSeconds();
        link->SendAndWait("@C4\r", 1);
        const double cpu = cpuSeconds() - cpuBefore;
        QVERIFY(clock.elapsed() >= 2000);
        QCOMPARE(dialogs.messages, Messages{timeoutBox});
        QVERIFY2(cpu < 0.2, qPrintable(QStringLiteral("%1 s of CPU").arg(cpu)));
    }

    // Slow devices get one character per write, each followed by its pause without events.
    void slowDevicePacing()
    {
        link->setSettings(QStringLiteral("1200,n,8,1"));
        QCOMPARE(link->characterPause(), std::chrono::microseconds(8334 + 1000));
        for (int deviceClass : {1, 8}) {
            link->setDeviceClass(deviceClass);
            device->replies.append({"OK\r"});
            QElapsedTimer clock;
            clock.start();
            link->SendAndWait("@E12-34\r", 1);
            const auto elapsed = std::chrono::nanoseconds(clock.nsecsElapsed());
            QCOMPARE(link->LastReply(), QByteArray("OK\r"));
            QCOMPARE(elapsed >= 8 * link->characterPause(), deviceClass == 1);
        }
    }

    void lateReplyAfterTimeout()
    {
        link->setDeviceClass(4);
        link->SendAndWait("@C4\r", 1);
        device->send("LATE\r");
        QTRY_COMPARE(link->ReplyStatus(), u'R');
        QCOMPARE(link->LastReply(), QByteArray("LATE\r"));

        // The next command starts from a clean state and gets its own reply.
        QString stateAtSend;
        connect(link.get(), &SerialLink::commandSent, this, [&] {
            stateAtSend = link->ReplyStatus() + QString::fromLatin1(link->LastReply());
        });
        device->replies = {{}, {"NEXT\r"}};
        link->SendAndWait("@C4\r", 1);
        QCOMPARE(stateAtSend, QStringLiteral("W"));
        QCOMPARE(link->LastReply(), QByteArray("NEXT\r"));
    }

    // What arrived before the command starts the reply; an overflow of the port's receive buffer
    // throws away what was collected before it.
    void charactersBeforeCommand_data()
    {
        QTest::addColumn<qint64>("receiveBuffer");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("lastReply");
        QTest::newRow("kept") << 1024LL << QByteArray("1-FF\r") << QByteArray("@E01-FF\r");
        QTest::newRow("overflow") << 16LL << QByteArray("0123456789ABCDEFGH\r")
                                  << QByteArray("0123456789ABCDEFGH\r");
    }
    void charactersBeforeCommand()
    {
        QFETCH(qint64, receiveBuffer);
        QFETCH(QByteArray, reply);
        link->setDeviceClass(8);
        link->commStart().setReadBufferSize(receiveBuffer);
        device->send("@E0");
        QTest::qWait(50);
        device->replies = {{reply}};
        link->SendAndWait("@E01-??\r", 3);
        QTEST(link->LastReply(), "lastReply");
    }

    // A port that is lost while waiting, or closed before sending: code 1, no further attempt.
    void portFailure_data()
    {
        QTest::addColumn<bool>("vanishes");
        QTest::newRow("vanishes while waiting") << true;
        QTest::newRow("closed before sending") << false;
    }
    void portFailure()
    {
        QFETCH(bool, vanishes);
        link->setTimeoutScale(1.0);
        link->setDeviceClass(4);
        if (vanishes)
            QTimer::singleShot(100, this, [this] { device->hangUp(); });
        else
            link->close();
        link->SendAndWait("@C4\r", 3);
        QCOMPARE(device->commands.size(), vanishes ? 1 : 0);
        QCOMPARE(link->ReplyStatus(), u'W');
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Communication Error!"));
        QVERIFY(!link->isOpen());
    }

    // The user leaves the NAK box open beyond the time-out: the time-out box follows it, and the
    // refused command is not repeated.
    void nakBoxOpenPastTimeout()
    {
        link->setDeviceClass(8);
        dialogs.onMessage = [this](const ScriptedDialogService::Message &) {
            if (dialogs.messages.size() == 1)
                QTest::qWait(link->replyTimeout() + 100);
        };
        device->replies = {{"\x15\r"}};
        link->SendAndWait("@E01-??\r", 3);
        QCOMPARE(link->ReplyStatus(), u'N');
        QCOMPARE(device->commands.size(), 1);
        QCOMPARE(dialogs.messages, (Messages{nakBox, timeoutBox}));
    }

    // Two links on two ports: a command on the second runs while the first one waits.
    void twoLinksAtOnce()
    {
        ScriptedDevice other;
        SerialLink second(dialogs);
        second.setPortName(other.pty.slavePath());
        QVERIFY(second.open());
        second.setDeviceClass(8);
        link->setDeviceClass(4);
        device->replies = {{"FIRST", "\r"}};
        other.replies = {{"SECOND\r"}};
        QTimer::singleShot(5, this, [&] { second.SendAndWait("@C4\r", 3); });
        link->SendAndWait("@C4\r", 3);
        QCOMPARE(second.LastReply(), QByteArray("SECOND\r"));
        QCOMPARE(link->LastReply(), QByteArray("FIRST\r"));
        QCOMPARE(dialogs.messages, Messages());
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
