#include "adapterlatency.h"
#include "adapterlatencytimer.h"
#include "serialporttransport.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include "pty.h"

#include <poll.h>
#include <unistd.h>
#endif

namespace
{

// A driver setting that records what is asked of it: "read", "write 0x2010", and refuses
// where told to.
class RecordedSetting : public AdapterLatency::Setting
{
public:
    RecordedSetting(QStringList &calls, std::optional<int> value, bool writable)
        : m_calls(calls), m_value(value), m_writable(writable)
    {
    }
    std::optional<int> read(qintptr) override
    {
        m_calls << QStringLiteral("read");
        return m_value;
    }
    bool write(qintptr, int value) override
    {
        m_calls << QStringLiteral("write 0x%1").arg(value, 0, 16);
        if (m_writable)
            m_value = value;
        return m_writable;
    }

private:
    QStringList &m_calls;
    std::optional<int> m_value;
    bool m_writable;
};

} // namespace

// The adapter's latency while a port is open: what the driver is asked on open and on close, what
// a port that refuses keeps, and the warning about an FTDI adapter's latency timer.
class TestAdapterLatency : public QObject
{
    Q_OBJECT

    // Writes the FTDI driver's record of one adapter: its port and latency timer.
    static void addAdapter(QSettings &ftdiBus, const QString &adapter, const QString &port,
                           int timer)
    {
        ftdiBus.beginGroup(adapter + QStringLiteral("/0000/Device Parameters"));
        ftdiBus.setValue(QStringLiteral("PortName"), port);
        ftdiBus.setValue(QStringLiteral("LatencyTimer"), timer);
        ftdiBus.endGroup();
    }

private slots:
#ifndef Q_OS_WIN
    // Opening a port asks for the quick setting on top of the driver's flags, closing gives the
    // flags back; a driver without the setting, or refusing it, is left alone, and the port
    // carries bytes either way.
    void requestedOnOpenUndoneOnClose_data()
    {
        QTest::addColumn<std::optional<int>>("flags");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("calls"); // in order, "|" between them
        QTest::addColumn<QString>("note");
        QTest::newRow("taken") << std::optional<int>(0x10) << true
                               << QStringLiteral("read|write 0x2010|write 0x10")
                               << QStringLiteral("low latency: on");
        QTest::newRow("already on") << std::optional<int>(0x2000) << true << QStringLiteral("read")
                                    << QStringLiteral("low latency: on (already set)");
        QTest::newRow("refused") << std::optional<int>(0) << false
                                 << QStringLiteral("read|write 0x2000")
                                 << QStringLiteral("low latency: refused by the driver");
        QTest::newRow("no such call") << std::optional<int>() << true << QStringLiteral("read")
                                      << QStringLiteral("low latency: not available on this port");
    }
    void requestedOnOpenUndoneOnClose()
    {
        QFETCH(std::optional<int>, flags);
        QFETCH(bool, writable);
        Pty pty;
        QVERIFY(pty.open());
        QStringList calls;
        SerialPortTransport port(pty.slavePath(), nullptr,
                                 std::make_unique<RecordedSetting>(calls, flags, writable));
        QString error;
        QVERIFY2(port.open(&error), qPrintable(error));
        QTEST(port.adapterNote(), "note");
        QVERIFY(port.write("@C4\r") && port.waitForBytesWritten(2000));
        port.close();
        QTEST(calls.join(QLatin1Char('|')), "calls");
        port.close(); // closed once, given back once
        QTEST(calls.join(QLatin1Char('|')), "calls");

        pollfd ready{pty.masterFd(), POLLIN, 0};
        QCOMPARE(::poll(&ready, 1, 2000), 1);
        char sent[8] = {};
        QCOMPARE(::read(pty.masterFd(), sent, sizeof sent), 4);
        QCOMPARE(QByteArray(sent), QByteArray("@C4\r"));
    }

    // A pseudo-terminal's own driver has no such setting: the port opens and works as before.
    void pseudoTerminalRefuses()
    {
        Pty pty;
        QVERIFY(pty.open());
        SerialPortTransport port(pty.slavePath());
        QVERIFY(port.open(nullptr));
        QCOMPARE(port.adapterNote(), QStringLiteral("low latency: not available on this port"));
        QCOMPARE(port.adapterWarning(), QString());
        QCOMPARE(::write(pty.masterFd(), "ok\r", 3), 3);
        QByteArray received;
        QTRY_COMPARE(received += port.readAll(), QByteArray("ok\r"));
    }
#endif

    // An FTDI adapter whose latency timer is above 2 ms draws a warning that says what it costs
    // and how to set 1 ms; the driver's record is read from the registry on Windows (where the
    // test writes it) and from a copy of it elsewhere.
    void ftdiTimerWarning()
    {
        QTemporaryDir dir;
#ifdef Q_OS_WIN
        QSettings ftdiBus(AdapterLatencyTimer::ftdiBusKey(), QSettings::NativeFormat);
#else
        QSettings ftdiBus(dir.filePath(QStringLiteral("ftdibus.ini")), QSettings::IniFormat);
#endif
        const QString slow = QStringLiteral("VID_0403+PID_6001+ZVTEST1A");
        const QString quick = QStringLiteral("VID_0403+PID_6015+ZVTEST2A");
        addAdapter(ftdiBus, slow, QStringLiteral("COM12"), 16);
        addAdapter(ftdiBus, quick, QStringLiteral("COM5"), 2);
        ftdiBus.sync();
        QCOMPARE(ftdiBus.status(), QSettings::NoError);

#ifdef Q_OS_WIN
        const QString warning = AdapterLatency::timerWarning(QStringLiteral("COM12"));
        const QString wide = AdapterLatency::timerWarning(QStringLiteral("\\\\.\\COM12"));
        const QString atTwo = AdapterLatency::timerWarning(QStringLiteral("COM5"));
        const QString other = AdapterLatency::timerWarning(QStringLiteral("COM3"));
#else
        const QString warning = AdapterLatency::timerWarning(ftdiBus, QStringLiteral("COM12"));
        const QString wide = AdapterLatency::timerWarning(ftdiBus, QStringLiteral("\\\\.\\COM12"));
        const QString atTwo = AdapterLatency::timerWarning(ftdiBus, QStringLiteral("COM5"));
        const QString other = AdapterLatency::timerWarning(ftdiBus, QStringLiteral("COM3"));
#endif
        ftdiBus.remove(slow);
        ftdiBus.remove(quick);
        ftdiBus.sync();

        QVERIFY2(warning.startsWith(QStringLiteral("COM12: the adapter's latency timer is 16 ms")),
                 qPrintable(warning));
        for (const char *part : {"up to 80 s over the 5000 commands", "Device Manager",
                                 "Port Settings", "Advanced", "Latency Timer"})
            QVERIFY2(warning.contains(QLatin1String(part)), part);
        QVERIFY(wide.contains(QStringLiteral("16 ms")));
        QCOMPARE(atTwo, QString());
        QCOMPARE(other, QString());
    }

    // The timer of a Linux adapter as its driver shows it in sysfs; none for other ports.
    void sysfsTimer()
    {
        QTemporaryDir sys;
        QVERIFY(QDir(sys.path()).mkpath(QStringLiteral("ttyUSB0/device")));
        QFile timer(sys.filePath(QStringLiteral("ttyUSB0/device/latency_timer")));
        QVERIFY(timer.open(QIODevice::WriteOnly) && timer.write("16\n") == 3);
        timer.close();
        QCOMPARE(AdapterLatencyTimer::fromSysfs(sys.path(), QStringLiteral("/dev/ttyUSB0")),
                 std::optional<int>(16));
        QCOMPARE(AdapterLatencyTimer::fromSysfs(sys.path(), QStringLiteral("/dev/ttyS3")),
                 std::optional<int>());
    }
};

QTEST_GUILESS_MAIN(TestAdapterLatency)
#include "tst_adapterlatency.moc"
