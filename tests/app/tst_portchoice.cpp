#include "devicelink.h"
#include "devicesession.h"
#include "portbinding.h"
#include "portsettingsdialog.h"
#include "scripteddialogservice.h"
#include "settingsstore.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

// The settings dialog with Windows' port numbers, as on Windows: a COM option is bound to a port
// beyond COM4 in the dialog, and the next run shows it again. On Windows the bindings live in the
// registry; elsewhere in a settings file of the test's.
class TestPortChoice : public QObject
{
    Q_OBJECT

    // One run of the program: its settings, bindings, link and dialog.
    struct Run {
        explicit Run(const QString &iniPath)
#ifdef Q_OS_WIN
            : store(),
#else
            : store(iniPath),
#endif
              binding(store, PortBinding::Naming::ComNumbers), session(link, dialogs),
              dialog(session, store, binding, choice)
        {
            Q_UNUSED(iniPath);
            link.setPortBinding(&binding);
        }
        SettingsStore store;
        PortBinding binding;
        ScriptedDialogService dialogs;
        DeviceLink link;
        DeviceSession session;
        PortSettingsDialog::PortChoice choice;
        PortSettingsDialog dialog;
    };

    QTemporaryDir m_dir;
    QStringList m_kept; // the user's own bindings and choice, given back at the end

    static QStringList keys()
    {
        QStringList all{SettingsStore::portKey(), SettingsStore::lineSettingsKey()};
        for (int n = 1; n <= PortBinding::optionCount; ++n)
            all << PortBinding::settingsKey(n);
        return all;
    }

private slots:
#ifdef Q_OS_WIN
    void initTestCase()
    {
        SettingsStore store;
        for (const QString &key : keys())
            m_kept << store.value(key, QString());
    }
    void cleanupTestCase()
    {
        SettingsStore store;
        for (qsizetype i = 0; i < m_kept.size(); ++i)
            store.setValue(keys().at(i), m_kept.at(i));
        store.sync();
    }
#endif

    void boundComPortKeptAcrossRestart()
    {
        QTcpServer server; // a serial server on the network for COM 1, so that OK can open it
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString ini = m_dir.filePath(QStringLiteral("settings.ini"));
        {
            Run first(ini);
            first.binding.bind(1, QStringLiteral("socket://127.0.0.1:%1").arg(server.serverPort()));
            for (int n = 2; n <= PortBinding::optionCount; ++n)
                first.binding.bind(n, QString());
            first.dialog.load();
            first.dialog.show();
            QComboBox *chooser = first.dialog.deviceChooser(2);
            QVERIFY(chooser->isVisible());
            for (int i = 0; i < chooser->count(); ++i)
                QVERIFY(chooser->itemText(i).startsWith(chooser->itemData(i).toString()));
            QCOMPARE(chooser->currentText(), QStringLiteral("COM2"));
            chooser->lineEdit()->selectAll();
            QTest::keyClicks(chooser->lineEdit(), QStringLiteral("\\\\.\\com12"));
            emit chooser->lineEdit()->editingFinished();
            QCOMPARE(chooser->currentText(), QStringLiteral("COM12"));
            first.dialog.portOption(1)->setChecked(true);
            first.dialog.okButton()->click();
            QCOMPARE(first.dialogs.messages.size(), 0);
            QVERIFY(!first.dialog.isVisible());
        }

        Run second(ini);
        second.dialog.load();
        second.dialog.show();
        QCOMPARE(second.dialog.deviceChooser(2)->currentText(), QStringLiteral("COM12"));
        QCOMPARE(second.binding.systemName(2), QStringLiteral("COM12"));
        QCOMPARE(second.binding.systemName(3), QStringLiteral("COM3"));
        QVERIFY(second.dialog.portOption(1)->isChecked());
        const QString shots = qEnvironmentVariable("ZV_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            QVERIFY(second.dialog.grab().save(
                QDir(shots).filePath(QStringLiteral("settings-com12.png"))));
    }
};

QTEST_MAIN(TestPortChoice)
#include "tst_portchoice.moc"
