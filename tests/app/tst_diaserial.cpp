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

    void load_data()
    {
        QTest::addColumn<QList<int>>("inUse");
        QTest::addColumn<QList<int>>("missing");
        QTest::addColumn<QString>("storedPort");
        QTest::addColumn<QString>("storedSettings");
        QTest::addColumn<int>("port"); // opened and selected
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("rateOption"); // 0: none
        QTest::addColumn<QString>("summary");
        QTest::newRow("empty store") << QList<int>{} << QList<int>{} << ""
                                     << "" << 1 << true << 4 << "COM 1, 9600bps 8-N-1";
        QTest::newRow("stored port 3 at 19200")
            << QList<int>{} << QList<int>{} << "3"
            << "19200,n,8,1" << 3 << true << 5 << "COM 3, 19200bps 8-N-1";
        QTest::newRow("stored port in use") << QList<int>{3} << QList<int>{} << "3"
                                            << "" << 1 << true << 4 << "COM 1, 9600bps 8-N-1";
        QTest::newRow("stored port and port 1 in use")
            << QList<int>{1, 3} << QList<int>{} << "3"
            << "" << 1 << false << 4 << "COM 1, 9600bps 8-N-1";
        QTest::newRow("stored port missing") << QList<int>{} << QList<int>{2} << "2"
                                             << "" << 1 << true << 4 << "COM 1, 9600bps 8-N-1";
        QTest::newRow("port 1 missing")
            << QList<int>{} << QList<int>{1} << ""
            << "2400,n,8,1" << 1 << false << 2 << "COM 1, 2400bps 8-N-1";
        QTest::newRow("settings not offered") << QList<int>{} << QList<int>{} << "2"
                                              << "600,n,8,1" << 2 << true << 0 << "";
    }
    void load()
    {
        QFETCH(QList<int>, inUse);
        QFETCH(QList<int>, missing);
        QFETCH(QString, storedPort);
        QFETCH(QString, storedSettings);
        QFETCH(int, port);
        QFETCH(bool, open);
        QFETCH(int, rateOption);
        QFETCH(QString, summary);
        Bench b(inUse, missing);
        if (!storedPort.isEmpty())
            b.store.setValue(QStringLiteral("CommPort"), storedPort);
        if (!storedSettings.isEmpty())
            b.store.setValue(QStringLiteral("CommSettings"), storedSettings);

        b.dialog.load();

        QVERIFY(b.dialog.isLoaded());
        QVERIFY(!b.dialog.isVisible());
        QCOMPARE(b.link.isOpen(), open);
        QCOMPARE(b.link.portNumber(), port);
        QCOMPARE(b.link.portName(), b.binding.systemName(port));
        QCOMPARE(b.status.portState(),
                 open ? QStringLiteral("Port Opened") : QStringLiteral("Not Connected"));
        QVERIFY(b.dialog.optCOM(port)->isChecked());
        QCOMPARE(checkedRate(b.dialog), rateOption);
        QCOMPARE(b.status.portSummary(), summary);
        if (!storedSettings.isEmpty())
            QCOMPARE(b.link.settings(), storedSettings);
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
