#include "devicelink.h"
#include "devicesession.h"
#include "portbinding.h"
#include "portsettingsdialog.h"
#include "pty.h"
#include "scripteddialogservice.h"
#include "settingsstore.h"

#include <QSerialPort>
#include <QtTest>
#include <QtWidgets>

// The settings dialog over four pseudo-terminals bound to COM 1..4; a port can be held by another
// port object (in use) or bound to a path that does not exist (missing).
class TestPortSettingsDialog : public QObject
{
    Q_OBJECT

    struct Bench {
        Bench(const QList<int> &inUse = {}, const QList<int> &missing = {})
            : store(dir.filePath(QStringLiteral("settings.ini"))), binding(store),
              session(link, dialogs), dialog(session, store, binding, choice)
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
        QString stored(const QString &key) const
        {
            return store.value(key, QStringLiteral("(none)"));
        }
        // Checked port option|link's port|port open|checked rate option (0: none)|port
        // state|summary.
        QString state() const
        {
            int port = 0, rate = 0;
            for (int i = 1; i <= PortSettingsDialog::rateCount; ++i) {
                port = i <= PortSettingsDialog::portCount && dialog.portOption(i)->isChecked()
                           ? i
                           : port;
                rate = dialog.rateOption(i)->isChecked() ? i : rate;
            }
            return QString::asprintf("%d|%d|%d|%d|", port, link.portNumber(), int(link.isOpen()),
                                     rate) +
                   QLatin1String(portStates[int(session.portState())]) + QLatin1Char('|') +
                   dialog.summary();
        }

        QTemporaryDir dir;
        SettingsStore store;
        PortBinding binding;
        ScriptedDialogService dialogs;
        DeviceLink link;
        DeviceSession session;
        PortSettingsDialog::PortChoice choice;
        Pty ptys[4];
        QSerialPort holders[4];
        PortSettingsDialog dialog;
    };

    // DeviceSession::PortState by name.
    static constexpr const char *portStates[] = {"NotConnected", "PortOpened", "Connected"};

private slots:
    void load_data()
    {
        QTest::addColumn<QList<int>>("inUse");
        QTest::addColumn<QList<int>>("missing");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("expected"); // state()
        auto row = [](const char *name, QList<int> inUse, QList<int> missing, const char *port,
                      const char *settings, const char *expected) {
            QTest::newRow(name) << inUse << missing << QString::fromLatin1(port)
                                << QString::fromLatin1(settings) << QString::fromLatin1(expected);
        };
        row("empty store", {}, {}, "", "", "1|1|1|4|PortOpened|COM 1, 9600bps 8-N-1");
        row("stored 3", {}, {}, "3", "19200,n,8,1", "3|3|1|5|PortOpened|COM 3, 19200bps 8-N-1");
        row("stored in use", {3}, {}, "3", "", "1|1|1|4|PortOpened|COM 1, 9600bps 8-N-1");
        row("stored, 1 in use", {1, 3}, {}, "3", "", "1|1|0|4|NotConnected|COM 1, 9600bps 8-N-1");
        row("stored missing", {}, {2}, "2", "", "1|1|1|4|PortOpened|COM 1, 9600bps 8-N-1");
        row("1 missing", {}, {1}, "", "2400,n,8,1", "1|1|0|2|NotConnected|COM 1, 2400bps 8-N-1");
        row("settings not offered", {}, {}, "2", "600,n,8,1", "2|2|1|0|PortOpened|");
    }
    void load()
    {
        QFETCH(QList<int>, inUse);
        QFETCH(QList<int>, missing);
        QFETCH(QString, settings);
        Bench b(inUse, missing);
        QFETCH(QString, port);
        if (!port.isEmpty())
            b.store.setValue(SettingsStore::portKey(), port);
        if (!settings.isEmpty())
            b.store.setValue(SettingsStore::lineSettingsKey(), settings);
        b.dialog.load();
        QTEST(b.state(), "expected");
        QCOMPARE(b.link.lineSettings().toString(),
                 settings.isEmpty() ? b.choice.lineSettings.toString() : settings);
        for (int i = 1; i <= 4; ++i) {
            const bool marked = inUse.contains(i) || missing.contains(i);
            QCOMPARE(b.dialog.tag(i), marked ? QStringLiteral("OCCUPED") : QString());
            QCOMPARE(b.dialog.portOption(i)->isEnabled(), !missing.contains(i));
        }
        QVERIFY(b.dialogs.messages.isEmpty());
    }

    // OK on a port in use reports it and keeps the dialog open; OK on a free one applies and
    // stores the choice.
    void ok()
    {
        Bench b({3});
        b.dialog.load();
        b.dialog.show();
        b.dialog.portOption(3)->setChecked(true);
        b.dialog.rateOption(3)->setChecked(true);
        QTest::mouseClick(b.dialog.okButton(), Qt::LeftButton);
        QCOMPARE(b.state(), QStringLiteral("3|3|0|3|NotConnected|COM 3, 4800bps 8-N-1"));
        QCOMPARE(b.dialogs.messages.value(0).title, QStringLiteral("Configuration error!"));
        QVERIFY(b.dialogs.messages.value(0).text.contains(QStringLiteral("in use")));
        QVERIFY(b.dialog.isVisible());
        QCOMPARE(b.stored(SettingsStore::portKey()), QStringLiteral("(none)"));

        b.dialog.portOption(2)->setChecked(true);
        QTest::mouseClick(b.dialog.okButton(), Qt::LeftButton);
        QCOMPARE(b.state(), QStringLiteral("2|2|1|3|PortOpened|COM 2, 4800bps 8-N-1"));
        QCOMPARE(b.stored(SettingsStore::portKey()) + b.stored(SettingsStore::lineSettingsKey()),
                 QStringLiteral("24800,n,8,1"));
        QCOMPARE(b.link.lineSettings().rate, 4800);
        QVERIFY(!b.dialog.isVisible() && b.dialog.isLoaded());
        QCOMPARE(b.dialogs.messages.size(), 1);
    }

    // The window copies the link's choice into PortNumber/PortSettings before showing the dialog;
    // closing without OK gives it back and leaves the port closed.
    void closeWithoutOkRestores()
    {
        Bench b;
        b.store.setValue(SettingsStore::portKey(), QStringLiteral("4"));
        b.store.setValue(SettingsStore::lineSettingsKey(), QStringLiteral("2400,n,8,1"));
        b.dialog.load();
        b.choice = {b.link.portNumber(), b.link.lineSettings()};
        b.dialog.show();
        b.dialog.portOption(1)->setChecked(true);
        b.dialog.rateOption(5)->setChecked(true);
        b.dialog.close();

        QVERIFY(!b.dialog.isLoaded());
        QCOMPARE(b.state().section(QLatin1Char('|'), 1, 2), QStringLiteral("4|0"));
        QCOMPARE(b.link.lineSettings().toString(), QStringLiteral("2400,n,8,1"));
        QCOMPARE(b.stored(SettingsStore::portKey()), QStringLiteral("4"));

        // Shown again, it loads afresh: port 4 is opened again.
        b.dialog.load();
        QCOMPARE(b.state(), QStringLiteral("4|4|1|2|PortOpened|COM 4, 2400bps 8-N-1"));
    }

    // A device or a serial server on the network bound in the dialog holds once OK is pressed;
    // closing without OK gives every option back the device it had when the dialog was shown. A
    // malformed network address is bound but cannot be chosen.
    void bindAnotherDevice_data()
    {
        QTest::addColumn<QString>("device"); // empty: a pseudo-terminal of its own
        QTest::addColumn<bool>("usable");
        QTest::addColumn<bool>("ok");
        QTest::newRow("ok keeps it") << QString() << true << true;
        QTest::newRow("closing without OK restores") << QString() << true << false;
        QTest::newRow("serial server")
            << QStringLiteral("rfc2217://127.0.0.1:4001") << true << true;
        QTest::newRow("no port number") << QStringLiteral("socket://127.0.0.1") << false << true;
    }
    void bindAnotherDevice()
    {
        QFETCH(QString, device);
        QFETCH(bool, usable);
        QFETCH(bool, ok);
        Bench b({}, {4});
        b.dialog.load();
        b.dialog.show();
        QVERIFY(!b.dialog.portOption(4)->isEnabled());
        Pty other;
        if (device.isEmpty()) {
            QVERIFY(other.open());
            device = other.slavePath();
        }
        QLineEdit *edit = b.dialog.deviceChooser(4)->lineEdit();
        edit->setText(device);
        emit edit->editingFinished();
        QCOMPARE(b.binding.systemName(4), device);
        QCOMPARE(b.dialog.tag(4).isEmpty(), usable);
        QCOMPARE(b.dialog.portOption(4)->isEnabled(), usable);

        if (ok)
            b.dialog.okButton()->click();
        else
            b.dialog.close();
        QCOMPARE(b.binding.systemName(4), ok ? device : QStringLiteral("/dev/zv-missing-4"));
        QVERIFY(b.binding.isBound(4));
        QVERIFY(b.dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(TestPortSettingsDialog)
#include "tst_portsettingsdialog.moc"
