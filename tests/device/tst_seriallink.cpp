#include "errors.h"
#include "pty.h"
#include "scripteddialogservice.h"
#include "seriallink.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <sys/resource.h>
#include <unistd.h>

using Chunks = QList<QByteArray>;
Q_DECLARE_METATYPE(Chunks)

namespace
{

const ScriptedDialogService::Message timeoutBox{QStringLiteral("Communication failed"),
                                                QStringLiteral("Timeout!")};

// Plays the device on the master end of a pseudo-terminal: records every command line and answers
// the n-th with its scripted reply, written chunk by chunk 30 ms apart (no script: silence).
class ScriptedDevice : public QObject
{
public:
    ScriptedDevice()
    {
        QString error;
        if (!pty.open(&error))
            qFatal("pty: %s", qPrintable(error));
        notifier = new QSocketNotifier(pty.masterFd(), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &ScriptedDevice::readLine);
    }
    void send(const QByteArray &bytes) const
    {
        QCOMPARE(::write(pty.masterFd(), bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    void hangUp()
    {
        notifier->setEnabled(false);
        pty.closeMaster();
    }

    Pty pty;
    QList<Chunks> replies; // by command, in order
    QList<QByteArray> commands;

private:
    void readLine()
    {
        char buffer[256];
        const ssize_t n = ::read(pty.masterFd(), buffer, sizeof buffer);
        for (ssize_t i = 0; i < n; ++i) {
            line.append(buffer[i]);
            if (buffer[i] != '\r')
                continue;
            commands.append(line);
            line.clear();
            const Chunks chunks = replies.value(commands.size() - 1);
            for (int c = 0; c < chunks.size(); ++c)
                QTimer::singleShot(30 * c, this, [this, bytes = chunks.at(c)] { send(bytes); });
        }
    }
    QSocketNotifier *notifier = nullptr;
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
        QString error;
        QVERIFY2(link->open(&error), qPrintable(error));
    }
    void cleanup()
    {
        link.reset();
        device.reset();
    }

    void settingsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("rate");
        QTest::newRow("19200") << "19200,n,8,1"
                               << "19200,n,8,1" << 19200;
        QTest::newRow("upper case, even, 7, 2") << "4800,E,7,2"
                                                << "4800,e,7,2" << 4800;
        QTest::newRow("nine data bits") << "9600,n,9,1"
                                        << "1200,n,8,1" << 1200;
        QTest::newRow("no rate") << ",n,8,1"
                                 << "1200,n,8,1" << 1200;
        QTest::newRow("words") << "fast"
                               << "1200,n,8,1" << 1200;
    }
    void settingsText()
    {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        QFETCH(int, rate);
        link->close(); // a pseudo-terminal takes no parity or 7 data bits
        QVERIFY(link->setSettings(QStringLiteral("1200,n,8,1")));
        QCOMPARE(link->setSettings(text), text.toLower() == kept);
        QCOMPARE(link->settings(), kept);
        QCOMPARE(link->commStart().baudRate(), rate);
    }

    void completion_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<Chunks>("reply");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("lastReply");
        QTest::addColumn<int>("commands");
        QTest::addColumn<bool>("nakBox");
        QTest::newRow("CR and more in one notification")
            << 4 << Chunks{"OK\rXY"} << "R" << QByteArray("OK\rXY") << 1 << false;
        QTest::newRow("reply in pieces")
            << 8 << Chunks{"@E0", "1-", "AB\r"} << "R" << QByteArray("@E01-AB\r") << 1 << false;
        QTest::newRow("nine characters with @")
            << 1 << Chunks{"@E0010-41"} << "R" << QByteArray("@E0010-41") << 1 << false;
        QTest::newRow("8 then 10 characters wait for CR")
            << 4 << Chunks{"@E0010-4", "1Z", "\r"} << "R" << QByteArray("@E0010-41Z\r") << 1
            << false;
        QTest::newRow("nine characters without @")
            << 4 << Chunks{"E0010-41Z"} << "W" << QByteArray() << 3 << false;
        QTest::newRow("NAK first")
            << 0 << Chunks{"\x15\r"} << "N" << QByteArray("\x15\r") << 1 << true;
        QTest::newRow("NAK inside a long reply") << 8 << Chunks{"@C4 VELMAR\x15 2.1\r"} << "N"
                                                 << QByteArray("@C4 VELMAR\x15 2.1\r") << 1 << true;
        QTest::newRow("NAK in nine characters") << 4
                                                << Chunks{"@\x15"
                                                          "1234567"}
                                                << "N"
                                                << QByteArray("@\x15"
                                                              "1234567")
                                                << 1 << true;
    }
    void completion()
    {
        QFETCH(int, deviceClass);
        QFETCH(Chunks, reply);
        QFETCH(QString, status);
        QFETCH(QByteArray, lastReply);
        QFETCH(int, commands);
        QFETCH(bool, nakBox);
        device->replies = {reply};
        link->setDeviceClass(deviceClass);
        QList<QByteArray> completed;
        connect(link.get(), &SerialLink::replyCompleted, this,
                [&](const QByteArray &r) { completed.append(r); });

        link->SendAndWait("@E0010-??\r", 3);

        QCOMPARE(link->ReplyStatus(), status.at(0));
        QCOMPARE(link->LastReply(), lastReply);
        QCOMPARE(device->commands.size(), commands);
        QCOMPARE(device->commands.value(0), QByteArray("@E0010-??\r"));
        QCOMPARE(completed, status == QLatin1String("W") ? QList<QByteArray>() : QList{lastReply});
        QList<ScriptedDialogService::Message> boxes;
        if (nakBox)
            boxes.append({errorMessage(8).text, errorMessage(8).title});
        if (status == QLatin1String("W"))
            boxes.append(timeoutBox);
        QCOMPARE(dialogs.messages, boxes);
        QVERIFY(link->InTime());
        QVERIFY(!link->isWaiting());
    }

    // A silent device: every attempt waits the time-out of the class, counted from before the
    // first character; then one time-out box.
    void attempts_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<int>("answeredAttempt"); // 0: silent
        QTest::addColumn<int>("timeoutMs");
        QTest::newRow("class 0, three attempts") << 0 << 3 << 0 << 4000;
        QTest::newRow("class 1, three attempts") << 1 << 3 << 0 << 4000;
        QTest::newRow("class 4, three attempts") << 4 << 3 << 0 << 2000;
        QTest::newRow("class 8, one attempt") << 8 << 1 << 0 << 2000;
        QTest::newRow("zero attempts still send once") << 8 << 0 << 0 << 2000;
        QTest::newRow("second attempt answered") << 1 << 3 << 2 << 4000;
    }
    void attempts()
    {
        QFETCH(int, deviceClass);
        QFETCH(int, attempts);
        QFETCH(int, answeredAttempt);
        QFETCH(int, timeoutMs);
        link->setDeviceClass(deviceClass);
        QCOMPARE(link->replyTimeout(), timeoutMs / 20);
        if (answeredAttempt) {
            device->replies.resize(answeredAttempt);
            device->replies.last() = {"OK\r"};
        }

        QElapsedTimer clock;
        clock.start();
        link->SendAndWait("@C4\r", quint8(attempts));
        const qint64 elapsed = clock.elapsed();

        const int sent = answeredAttempt ? answeredAttempt : std::max(1, attempts);
        QCOMPARE(device->commands, QList<QByteArray>(sent, "@C4\r"));
        QVERIFY2(elapsed >= (sent - (answeredAttempt ? 1 : 0)) * timeoutMs / 20,
                 qPrintable(QString::number(elapsed)));
        QCOMPARE(link->ReplyStatus(), QChar(answeredAttempt ? u'R' : u'W'));
        QCOMPARE(dialogs.messages,
                 answeredAttempt ? QList<ScriptedDialogService::Message>() : QList{timeoutBox});
        QVERIFY(link->InTime());
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
        QCOMPARE(dialogs.messages, QList{timeoutBox});
        QVERIFY2(cpu < 0.2, qPrintable(QStringLiteral("%1 s of CPU").arg(cpu)));
    }

    // Slow devices get one character per write, each followed by its pause without events.
    void slowDevicePacing_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<bool>("paced");
        QTest::newRow("class 1") << 1 << true;
        QTest::newRow("class 8") << 8 << false;
    }
    void slowDevicePacing()
    {
        QFETCH(int, deviceClass);
        QFETCH(bool, paced);
        link->setSettings(QStringLiteral("1200,n,8,1"));
        link->setDeviceClass(deviceClass);
        QCOMPARE(link->characterPause(), std::chrono::microseconds(8334 + 1000));
        device->replies = {{"OK\r"}};
        QElapsedTimer clock;
        clock.start();
        link->SendAndWait("@E12-34\r", 1);
        const auto elapsed = std::chrono::nanoseconds(clock.nsecsElapsed());
        QCOMPARE(device->commands, QList<QByteArray>{"@E12-34\r"});
        QCOMPARE(elapsed >= 8 * link->characterPause(), paced);
    }

    void lateReplyAfterTimeout()
    {
        link->setDeviceClass(4);
        link->SendAndWait("@C4\r", 1);
        QCOMPARE(link->ReplyStatus(), u'W');
        device->send("LATE\r");
        QTRY_COMPARE(link->ReplyStatus(), u'R');
        QCOMPARE(link->LastReply(), QByteArray("LATE\r"));

        // The next command starts from a clean state and gets its own reply.
        QChar statusAtSend;
        QByteArray replyAtSend = "unset";
        connect(link.get(), &SerialLink::commandSent, this, [&] {
            statusAtSend = link->ReplyStatus();
            replyAtSend = link->LastReply();
        });
        device->replies = {{}, {"NEXT\r"}};
        link->SendAndWait("@C4\r", 1);
        QCOMPARE(statusAtSend, u'W');
        QCOMPARE(replyAtSend, QByteArray());
        QCOMPARE(link->LastReply(), QByteArray("NEXT\r"));
    }

    void charactersBeforeCommandStartTheReply()
    {
        link->setDeviceClass(8);
        device->send("@E0");
        QTest::qWait(50);
        device->replies = {{"1-FF\r"}};
        link->SendAndWait("@E01-??\r", 3);
        QCOMPARE(link->ReplyStatus(), u'R');
        QCOMPARE(link->LastReply(), QByteArray("@E01-FF\r"));
    }

    void receiveOverflowReplacesBuffer()
    {
        link->setDeviceClass(8);
        link->commStart().setReadBufferSize(16);
        device->send("stale");
        QTest::qWait(50);
        device->replies = {{"0123456789ABCDEFGH\r"}};
        link->SendAndWait("@C4\r", 1);
        QCOMPARE(link->LastReply(), QByteArray("0123456789ABCDEFGH\r"));
    }

    void portVanishesWhileWaiting()
    {
        link->setTimeoutScale(1.0);
        link->setDeviceClass(4);
        QTimer::singleShot(100, this, [this] { device->hangUp(); });
        link->SendAndWait("@C4\r", 3);
        QCOMPARE(device->commands.size(), 1);
        QCOMPARE(link->ReplyStatus(), u'W');
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Communication Error!"));
        QVERIFY(!link->isOpen());
    }

    void closedPortFailsWithoutSending()
    {
        QList<QByteArray> sent;
        connect(link.get(), &SerialLink::commandSent, this,
                [&](const QByteArray &command) { sent.append(command); });
        link->close();
        link->SendAndWait("@C4\r", 3);
        QCOMPARE(sent, QList<QByteArray>());
        QCOMPARE(link->ReplyStatus(), u'W');
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().title, QStringLiteral("Communication Error!"));
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
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(dialogs.messages.first().text, errorMessage(8).text);
        QCOMPARE(dialogs.messages.last(), timeoutBox);
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
        QCOMPARE(dialogs.messages, QList<ScriptedDialogService::Message>());
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
