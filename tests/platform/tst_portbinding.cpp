#include "portbinding.h"
#include "settingsstore.h"

#include <QtTest>

// The binding of the four COM options to system ports, with Windows' port numbers and with the
// devices of other systems, kept in a settings file and in the user's own settings.
class TestPortBinding : public QObject
{
    Q_OBJECT

    static QStringList prefixed(const char *names, const QString &prefix)
    {
        QStringList list = QString::fromLatin1(names).split(QLatin1Char(' '));
        for (QString &name : list)
            name.prepend(prefix);
        return list;
    }
    static QStringList options(const PortBinding &binding)
    {
        QStringList names;
        for (int n = 1; n <= PortBinding::optionCount; ++n)
            names << binding.systemName(n) + (binding.isBound(n) ? QStringLiteral("*") : QString());
        return names;
    }

    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        // The user's own settings go to a folder of the test's (the registry on Windows).
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
    }

    // Unbound options take the system's ports in order, USB and ACM adapters first, skipping the
    // devices the user has bound (and kept in the store) for other options.
    void systemOrder()
    {
        SettingsStore store(m_home.filePath(QStringLiteral("order.ini")));
        const QString dev = QStringLiteral("/dev/");
        const QStringList system = prefixed("ttyS10 ttyS2 ttyUSB1 ttyAMA0 ttyACM0 ttyUSB0", dev);
        PortBinding binding(store, PortBinding::Naming::SystemOrder);
        binding.refresh(system);
        QCOMPARE(binding.availablePorts(),
                 prefixed("ttyACM0 ttyUSB0 ttyUSB1 ttyS2 ttyS10 ttyAMA0", dev));
        binding.bind(2, QStringLiteral("/dev/ttyACM0"));
        binding.bind(3, QStringLiteral("/dev/pts/7"));
        PortBinding reloaded(store, PortBinding::Naming::SystemOrder);
        reloaded.refresh(system);
        QCOMPARE(options(reloaded), prefixed("ttyUSB0 ttyACM0* pts/7* ttyUSB1", dev));
    }

    // With Windows' port numbers an unbound option n is COMn; a bound one keeps any port from
    // COM1 to COM256, in either spelling, or a network port, until it is unbound again.
    void comNumbers()
    {
        SettingsStore store(m_home.filePath(QStringLiteral("com.ini")));
        PortBinding binding(store, PortBinding::Naming::ComNumbers);
        binding.refresh({QStringLiteral("COM12"), QStringLiteral("\\\\.\\COM3"),
                         QStringLiteral("COM1"), QStringLiteral("com7")});
        QCOMPARE(binding.availablePorts(), prefixed("1 3 7 12", QStringLiteral("COM")));
        QCOMPARE(options(binding), prefixed("1 2 3 4", QStringLiteral("COM")));

        binding.bind(1, QStringLiteral("\\\\.\\COM12"));
        binding.bind(2, QStringLiteral(" com256 "));
        binding.bind(4, QStringLiteral("socket://127.0.0.1:4001"));
        PortBinding reloaded(store, PortBinding::Naming::ComNumbers);
        QCOMPARE(options(reloaded),
                 QStringList({QStringLiteral("COM12*"), QStringLiteral("COM256*"),
                              QStringLiteral("COM3"), QStringLiteral("socket://127.0.0.1:4001*")}));
        QCOMPARE(store.value(PortBinding::settingsKey(1), QString()), QStringLiteral("COM12"));
        // Beyond COM256 a name is kept as typed: the port is then reported missing.
        reloaded.bind(3, QStringLiteral("COM257"));
        reloaded.bind(1, QString());
        QCOMPARE(options(reloaded).mid(0, 3),
                 QStringList({QStringLiteral("COM1"), QStringLiteral("COM256*"),
                              QStringLiteral("COM257*")}));
    }

    // A binding made in one run is there in the next, in the user's own settings.
    void keptInUserSettings()
    {
        const QString key = PortBinding::settingsKey(2);
        QString before;
        {
            SettingsStore store;
            before = store.value(key, QString());
            PortBinding(store, PortBinding::Naming::ComNumbers).bind(2, QStringLiteral("COM12"));
        }
        SettingsStore store;
        const QString after = PortBinding(store, PortBinding::Naming::ComNumbers).systemName(2);
        store.setValue(key, before);
        store.sync();
        QCOMPARE(after, QStringLiteral("COM12"));
    }
};

QTEST_GUILESS_MAIN(TestPortBinding)
#include "tst_portbinding.moc"
