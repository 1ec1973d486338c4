#include "devicestatus.h"
#include "diaserial.h"
#include "portbinding.h"
#include "pty.h"
#include "scripteddialogservice.h"
#include "seriallink.h"
#include "settingsstore.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Messages = QList<ScriptedDialogService::Message>;

// The settings dialog over four pseudo-terminals bound to COM 1..4; a port can be held by another
// port object (in use) or bound to a path that does not exist (missing).
class TestDiaSerial : public QObject
{
    Q_OBJECT

    struct Bench {
        Bench(const QList<int> &inUse = {}, const QList<int> &missing = {})
            : store(dir.filePath(QStringLiteral("settings.ini"))), binding(store), link(dialogs),
              dialog(link, status, store, binding, dialogs, portNumber, portSettings)
        {
            link.setPortBinding(&binding);
            for (int i = 1; i <= 4; ++i) {
                ptys[i - 1].open();
                binding.bind(i, missing.contains(i) ? QStringLiteral("/dev/zv-missing-%1").arg(i)
                                                    : ptys[i - 1].slavePath());
                if (inUse.contains(i)) {
                    holders[i - 1].setPortName(ptys[i - 1].slavePath());
                    holders[i - 1].open(QIODevice::ReadWrite);
                }
            }
        }
        QString path(int i) const { return ptys[i - 1].slavePath(); }
        QString stored(const char *key) const
        {
            return store.value(QString::fromLatin1(key), QStringLiteral("(none)"));
        }

        QTemporaryDir dir;
        SettingsStore store;
        PortBinding binding;
        ScriptedDialogService dialogs;
        SerialLink link;
        DeviceStatus status;
        int portNumber = 1;
        QString portSettings = QStringLiteral("9600,n,8,1");
        Pty ptys[4];
        QSerialPort holders[4];
        diaSerial dialog;
    };

    static int checkedRate(const diaSerial &dialog)
    {
        for (int i = 1; i <= diaSerial::rateCount; ++i) {
            if (dialog.optBauds(i)->isChecked())
                return i;
        }
        return 0;
    }

private slots:
    // Unbound options take the system's ports in order, USB and ACM adapters first, skipping the
    // devices the user has bound to other options.
    void defaultBinding()
    {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
        PortBinding binding(store);
        binding.refresh({QStringLiteral("/dev/ttyS10"), QStringLiteral("/dev/ttyS2"),
                         QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyAMA0"),
                         QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB0")});
        QCOMPARE(binding.availablePorts(),
                 QStringList({QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB0"),
                              QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyS2"),
                              QStringLiteral("/dev/ttyS10"), QStringLiteral("/dev/ttyAMA0")}));
        binding.bind(2, QStringLiteral("/dev/ttyUSB0"));
        binding.bind(3, QStringLiteral("/dev/pts/7"));
        const QStringList bound{binding.systemName(1), binding.systemName(2), binding.systemName(3),
                                binding.systemName(4)};
        QCOMPARE(bound,
                 QStringList({QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB0"),
                              QStringLiteral("/dev/pts/7"), QStringLiteral("/dev/ttyUSB1")}));
        QCOMPARE(store.value(QStringLiteral("PortBinding3"), QString()),
                 QStringLiteral("/dev/pts/7"));
        binding.bind(2, QString());
        QCOMPARE(binding.systemName(2), QStringLiteral("/dev/ttyUSB0"));
        QVERIFY(!binding.isBound(2));
    }

    void heldPortCannotBeOpenedTwice()
    {
        Bench b({2});
        b.link.setPortNumber(2);
        QString error;
        QVERIFY(!b.link.open(&error));
        QCOMPARE(b.link.openError(), QSerialPort::PermissionError);
        QVERIFY2(error.contains(QStringLiteral("in use")), qPrintable(error));
    }

    // Expected: checked port option|port open|checked rate option (0: none)|panel 1|panel 2.
    void load_data()
    {
        QTest::addColumn<QList<int>>("inUse");
        QTest::addColumn<QList<int>>("missing");
        QTest::addColumn<QString>("stored"); // CommPort|CommSettings, empty parts not stored
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, QList<int> inUse, QList<int> missing, const char *stored,
                      const char *expected) {
            QTest::newRow(name) << inUse << missing << QString::fromLatin1(stored)
                                << QString::fromLatin1(expected);
        };
        row("empty store", {}, {}, "|", "1|1|4|Port Opened|COM 1, 9600bps 8-N-1");
        row("stored 3, 19200", {}, {}, "3|19200,n,8,1", "3|1|5|Port Opened|COM 3, 19200bps 8-N-1");
        row("stored in use", {3}, {}, "3|", "1|1|4|Port Opened|COM 1, 9600bps 8-N-1");
        row("stored and 1 in use", {1, 3}, {}, "3|", "1|0|4|Not Connected|COM 1, 9600bps 8-N-1");
        row("stored missing", {}, {2}, "2|", "1|1|4|Port Opened|COM 1, 9600bps 8-N-1");
        row("1 missing", {}, {1}, "|2400,n,8,1", "1|0|2|Not Connected|COM 1, 2400bps 8-N-1");
        row("settings not offered", {}, {}, "2|600,n,8,1", "2|1|0|Port Opened|");
    }
    void load()
    {
        QFETCH(QList<int>, inUse);
        QFETCH(QList<int>, missing);
        QFETCH(QString, stored);
        Bench b(inUse, missing);
        const QStringList values = stored.split(QLatin1Char('|'));
        if (!values[0].isEmpty())
            b.store.setValue(QStringLiteral("CommPort"), values[0]);
        if (!values[1].isEmpty())
            b.store.setValue(QStringLiteral("CommSettings"), values[1]);

        b.dialog.load();

        const int port = b.link.portNumber();
        const QStringList outcome{QString::number(port), QString::number(b.link.isOpen()),
                                  QString::number(checkedRate(b.dialog)), b.status.portState(),
                                  b.status.portSummary()};
        QTEST(outcome.join(QLatin1Char('|')), "expected");
        QVERIFY(b.dialog.isLoaded() && !b.dialog.isVisible());
        QVERIFY(b.dialog.optCOM(port)->isChecked());
        QCOMPARE(b.link.portName(), b.binding.systemName(port));
        QCOMPARE(b.link.settings(), values[1].isEmpty() ? b.portSettings : values[1]);
        for (int i = 1; i <= 4; ++i) {
            const bool marked = inUse.contains(i) || missing.contains(i);
            QCOMPARE(b.dialog.tag(i), marked ? QStringLiteral("OCCUPED") : QString());
            QCOMPARE(b.dialog.optCOM(i)->isEnabled(), !missing.contains(i));
            QCOMPARE(b.dialog.deviceChooser(i)->currentText(), b.binding.systemName(i));
        }
        QCOMPARE(b.dialogs.messages, Messages());
    }

    void okAppliesAndStores()
    {
        Bench b;
        b.dialog.load();
        b.dialog.show();
        b.dialog.optCOM(2)->setChecked(true);
        b.dialog.optBauds(3)->setChecked(true);
        QTest::mouseClick(b.dialog.OKButton(), Qt::LeftButton);

        QCOMPARE(b.stored("CommPort"), QStringLiteral("2"));
        QCOMPARE(b.stored("CommSettings"), QStringLiteral("4800,n,8,1"));
        QCOMPARE(b.status.portSummary(), QStringLiteral("COM 2, 4800bps 8-N-1"));
        QCOMPARE(b.status.portState(), QStringLiteral("Port Opened"));
        QVERIFY(b.link.isOpen());
        QCOMPARE(b.link.portName(), b.path(2));
        QCOMPARE(b.link.commStart().baudRate(), 4800);
        QVERIFY(!b.dialog.isVisible());
        QVERIFY(b.dialog.isLoaded());
    }

    void okOnPortInUse()
    {
        Bench b({3});
        b.dialog.load();
        b.dialog.show();
        QVERIFY(b.dialog.optCOM(3)->isEnabled());
        b.dialog.optCOM(3)->setChecked(true);
        QTest::mouseClick(b.dialog.OKButton(), Qt::LeftButton);

        QCOMPARE(b.dialogs.messages.size(), 1);
        QCOMPARE(b.dialogs.messages.first().title, QStringLiteral("Configuration error!"));
        QVERIFY(!b.link.isOpen());
        QCOMPARE(b.status.portState(), QStringLiteral("Not Connected"));
        QVERIFY(b.dialog.isVisible());
        QCOMPARE(b.stored("CommPort"), QStringLiteral("(none)"));
    }

    // The window copies the link's choice into PortNumber/PortSettings before showing the dialog;
    // closing without OK gives it back and leaves the port closed.
    void closeWithoutOkRestores()
    {
        Bench b;
        b.store.setValue(QStringLiteral("CommPort"), QStringLiteral("4"));
        b.store.setValue(QStringLiteral("CommSettings"), QStringLiteral("2400,n,8,1"));
        b.dialog.load();
        b.portNumber = b.link.portNumber();
        b.portSettings = b.link.settings();
        QSignalSpy unloaded(&b.dialog, &diaSerial::unloaded);
        b.dialog.show();
        b.dialog.optCOM(1)->setChecked(true);
        b.dialog.optBauds(5)->setChecked(true);
        b.dialog.close();

        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!b.dialog.isLoaded());
        QVERIFY(!b.link.isOpen());
        QCOMPARE(b.link.portNumber(), 4);
        QCOMPARE(b.link.portName(), b.path(4));
        QCOMPARE(b.link.settings(), QStringLiteral("2400,n,8,1"));
        QCOMPARE(b.stored("CommPort"), QStringLiteral("4"));

        // Shown again, it loads afresh: port 4 is opened again.
        b.dialog.load();
        QVERIFY(b.link.isOpen());
        QVERIFY(b.dialog.optCOM(4)->isChecked());
    }

    void bindAnotherDevice()
    {
        Bench b({}, {4});
        b.dialog.load();
        QVERIFY(!b.dialog.optCOM(4)->isEnabled());
        Pty other;
        QVERIFY(other.open());
        QLineEdit *edit = b.dialog.deviceChooser(4)->lineEdit();
        edit->setText(other.slavePath());
        emit edit->editingFinished();
        QCOMPARE(b.binding.systemName(4), other.slavePath());
        QCOMPARE(b.dialog.tag(4), QString());
        QVERIFY(b.dialog.optCOM(4)->isEnabled());
    }
};

QTEST_MAIN(TestDiaSerial)
#include "tst_diaserial.moc"
