#include "adapterlatency.h"
#include "adapterlatencytimer.h"
#include "serialporttransport.h"
#include "testfiles.h"

#include <QtTest>

#ifndef Q_OS_WIN
#include "pty.h"

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
    // carries bytes both ways either way. A pseudo-terminal's own driver has no such setting. A
    // command is on the line once written, without a turn of the event loop, so that the wait for
    // its reply starts with it; waiting for it to be written then ends at once.
    void requestedOnOpenUndoneOnClose_data()
    {
        QTest::addColumn<bool>("recorded"); // false: the system's own setting
        QTest::addColumn<std::optional<int>>("flags");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("calls"); // in order, "|" between them
        QTest::addColumn<QString>("note");
        const auto row = [](const char *name, bool recorded, std::optional<int> flags,
                            bool writable, const char *calls, const char *note) {
            QTest::newRow(name) << recorded << flags << writable << QString::fromLatin1(calls)
                                << QStringLiteral("low latency: ") + QLatin1String(note);
        };
        row("taken", true, 0x10, true, "read|write 0x2010|write 0x10", "on");
        row("already on", true, 0x2000, true, "read", "on (already set)");
        row("refused", true, 0, false, "read|write 0x2000", "refused by the driver");
        row("no such call", true, {}, true, "read", "not available on this port");
        row("pseudo-terminal's driver", false, {}, true, "", "not available on this port");
    }
    void requestedOnOpenUndoneOnClose()
    {
        QFETCH(bool, recorded);
        QFETCH(std::optional<int>, flags);
        QFETCH(bool, writable);
        Pty pty;
        QVERIFY(pty.open());
        QStringList calls;
        SerialPortTransport port(pty.slavePath(), nullptr,
                                 recorded
                                     ? std::make_unique<RecordedSetting>(calls, flags, writable)
                                     : AdapterLatency::systemSetting());
        QString error;
        QVERIFY2(port.open(&error), qPrintable(error));
        QTEST(port.adapterNote(), "note");
        QCOMPARE(port.adapterWarning(), QString());
        QCOMPARE(::write(pty.masterFd(), "ok\r", 3), 3);
        QByteArray received;
        QTRY_COMPARE(received += port.readAll(), QByteArray("ok\r"));
        QVERIFY(port.write("@C4\r"));
        char sent[8] = {};
        QCOMPARE(::read(pty.masterFd(), sent, sizeof sent), 4);
        QCOMPARE(QByteArray(sent), QByteArray("@C4\r"));
        QVERIFY(port.waitForBytesWritten(0));
        port.close();
        QTEST(calls.join(QLatin1Char('|')), "calls");
        port.close(); // closed once, given back once
        QTEST(calls.join(QLatin1Char('|')), "calls");
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

        const auto warningFor = [&ftdiBus](const char *port) {
#ifdef Q_OS_WIN
            Q_UNUSED(ftdiBus);
            return AdapterLatency::timerWarning(QLatin1String(port));
#else
            return AdapterLatency::timerWarning(ftdiBus, QLatin1String(port));
#endif
        };
        const QString warning = warningFor("COM12"), wide = warningFor("\\\\.\\COM12");
        const QString atTwo = warningFor("COM5"), other = warningFor("COM3");
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
        writeFile(sys.filePath(QStringLiteral("ttyUSB0/device/latency_timer")), "16\n");
        QCOMPARE(AdapterLatencyTimer::fromSysfs(sys.path(), QStringLiteral("/dev/ttyUSB0")),
                 std::optional<int>(16));
        QCOMPARE(AdapterLatencyTimer::fromSysfs(sys.path(), QStringLiteral("/dev/ttyS3")),
                 std::optional<int>());
    }
};

QTEST_GUILESS_MAIN(TestAdapterLatency)
#include "tst_adapterlatency.moc"
