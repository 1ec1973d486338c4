#include "devicestatus.h"
#include "diaabout.h"
#include "frmstart.h"
#include "portbinding.h"
#include "projectcommands.h"
#include "scripteddialogservice.h"
#include "seriallink.h"
#include "settingsstore.h"
#include "simulatedport.h"
#include "ticketproject.h"
#include "widgetdialogservice.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QtTest>

namespace
{

// A main window over a settings store, port binding and program folder of its own. Option 1 is
// bound to a simulated device when the test asks for one; every other option to a path that does
// not exist, so that no test touches a real serial port.
struct Harness {
    std::unique_ptr<SimulatedPort> device;
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    PortBinding ports{settings};
    ScriptedDialogService dialogs;
    std::unique_ptr<frmStart> window;

    explicit Harness(bool simulated = false, const QByteArray &uninstallLog = {})
    {
        if (simulated) {
            device = std::make_unique<SimulatedPort>();
            if (device->slavePath().isEmpty())
                qFatal("no simulated device: %s", qPrintable(device->errorString()));
        }
        for (int n = 1; n <= PortBinding::optionCount; ++n)
            ports.bind(n, n == 1 && device ? device->slavePath()
                                           : dir.filePath(QStringLiteral("no-such-tty%1").arg(n)));
        if (!uninstallLog.isEmpty())
            writeFile(QStringLiteral("ST6UNST.LOG"), uninstallLog);
        window = std::make_unique<frmStart>(dialogs, settings, ports, dir.path());
        window->show();
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

    template <typename T = QWidget> T *child(QAnyStringView name) const
    {
        T *found = window->findChild<T *>(name.toString());
        if (!found)
            qFatal("no control %s", qPrintable(name.toString()));
        return found;
    }
    QAction *button(QAnyStringView key) const { return window->toolButton(key.toString()); }
    QString text(QAnyStringView label) const { return child<QLabel>(label)->text(); }
    // The texts of several labels, joined by "|".
    QString texts(std::initializer_list<const char *> labels) const
    {
        QStringList all;
        for (const char *label : labels)
            all << text(label);
        return all.join(QLatin1Char('|'));
    }
    bool shown(QAnyStringView name) const { return !child(name)->isHidden(); }
    // What slot n shows: file title, the file's path (the tooltip) and byte count.
    QString slotShown(int n) const
    {
        const QLabel *file = child<QLabel>(QStringLiteral("lblFile%1").arg(n));
        return QStringList{file->text(), file->toolTip(), text(QStringLiteral("lblBytes%1").arg(n))}
            .join(QLatin1Char('|'));
    }
    void click(QAnyStringView name) const { child<QPushButton>(name)->click(); }
};

// Answers the next modal dialog: runs `inspect` on it, then closes it unless it has been hidden.
void onNextModal(std::function<void(QWidget *)> inspect)
{
    QTimer::singleShot(0, [inspect] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        inspect(modal);
        if (modal->isVisible())
            modal->close();
    });
}

} // namespace

class TestFrmStart : public QObject
{
    Q_OBJECT
private slots:
    void startUpState()
    {
        Harness h(false, QByteArrayLiteral("log of the installer\r\n"));
        frmStart &w = *h.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Zorla Velmar Ticket"));
        for (const char *name : {"fraTicket", "fraDevice", "fraPrint"})
            QVERIFY2(h.shown(name), name);
        for (const char *name : {"fraTruck", "fraTotal", "cmdCancel", "ProgressBar1"})
            QVERIFY2(!h.shown(name), name);

        QStringList layout;
        for (const QAction *action : h.child<QToolBar>("ToolbarStart")->actions())
            layout << (action->isSeparator() ? QStringLiteral("|") : action->objectName());
        QCOMPARE(layout.join(QLatin1Char(' ')),
                 QStringLiteral("cmdNew cmdOpen cmdSave cmdSaveAs | cmdSettings cmdConnect "
                                "cmdProgram cmdLoad | cmdHelp cmdAbout | cmdExit"));
        const struct {
            const char *key, *caption, *tooltip;
            bool enabled;
        } buttons[] = {
            {"cmdNew", "New", "Enter New Tickets", true},
            {"cmdOpen", "Open", "Open Programming File (*.dat)", true},
            {"cmdSave", "Save", "Save the current programming file (*.dat)", true},
            {"cmdSaveAs", "Save As...", "Save as a new programming file (*.dat)", true},
            {"cmdSettings", "Settings", "Select Communication Settings", true},
            {"cmdConnect", "Connect", "Connect With Device", true},
            {"cmdProgram", "Program", "Program device with introduced tickets", false},
            {"cmdLoad", "Read", "Read tickets that are programmed in device", false},
            {"cmdHelp", "Help", "It may be of interest for you", true},
            {"cmdAbout", "About", "Who we are?", true},
            {"cmdExit", "Exit", "Good-Bye", true},
        };
        for (const auto &b : buttons) {
            const QAction *action = h.button(b.key);
            QCOMPARE(action->iconText(), QLatin1String(b.caption)); // what the button shows
            QCOMPARE(action->toolTip(), QLatin1String(b.tooltip));
            QCOMPARE(action->isEnabled(), b.enabled);
        }

        for (int n = 1; n <= 6; ++n)
            QCOMPARE(h.slotShown(n), QStringLiteral("|No File Added|0"));
        QCOMPARE(h.text("lblSpaceR"), QStringLiteral("0"));

        // No port can be opened: the settings dialog is loaded but leaves the port closed.
        QVERIFY(w.serialDialog());
        QCOMPARE(w.panelText(1), QStringLiteral("Not Connected"));
        QCOMPARE(w.panelText(2), QStringLiteral("COM 1, 9600bps 8-N-1"));
        QCOMPARE(w.panelText(5), QStringLiteral("Best viewed at 1024x768"));

        // The display adaptation has put each value label behind its caption.
        QVERIFY(h.child("lblFile1")->x() > h.child("lblEtF1")->geometry().right());

        QFile log(h.dir.filePath(QStringLiteral("ST6UNST.LOG")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().endsWith("\"CommSettings\"\r\n\r\nx\r\n"));
    }

    void dispatchByKey()
    {
        Harness h;
        frmStart &w = *h.window;
        for (const char *key : {"cmdnew", "cmdNew ", "", "cmdStop", "cmdNewIcon"})
            w.dispatch(QLatin1String(key));
        QCOMPARE(w.windowTitle(), QStringLiteral("Zorla Velmar Ticket"));
        QVERIFY(h.dialogs.filters.isEmpty() && h.dialogs.messages.isEmpty() && w.isVisible());

        h.button("cmdNew")->trigger();
        QCOMPARE(w.windowTitle(), QStringLiteral("Zorla Ticket"));
        // Save after New has no working file, so it asks for a name (cancelled here) as Save As
        // does; Program and Read are unavailable until a device is identified; Help without a
        // help file stays silent.
        for (const char *key :
             {"cmdOpen", "cmdSave", "cmdSaveAs", "cmdProgram", "cmdLoad", "cmdHelp"})
            w.dispatch(QLatin1String(key));
        QCOMPARE(h.dialogs.filters,
                 QStringList({ProjectCommands::openFilter(), ProjectCommands::saveFilter(),
                              ProjectCommands::saveFilter()}));
        QVERIFY(h.dialogs.messages.isEmpty());
        QCOMPARE(w.status().statusText(4), QString());

        w.dispatch(QStringLiteral("cmdExit"));
        QVERIFY(!w.isVisible());
    }

    void fileDialogFilters()
    {
        QCOMPARE(WidgetDialogService::toQtFilter(ProjectCommands::printFileFilter()),
                 QStringLiteral("Print Files(*.prn) or Text Files(*.txt) (*.prn *.txt)"));
        QCOMPARE(WidgetDialogService::toQtFilter(QStringLiteral("Text|*.txt|All|*.*")),
                 QStringLiteral("Text (*.txt);;All (*.*)"));
    }

    void slotButtons()
    {
        Harness h;
        const QString hundred = h.writeFile(QStringLiteral("hundred.prn"), QByteArray(100, 'a'));
        const QString other = h.writeFile(QStringLiteral("other.txt"), QByteArray(40, '\f'));
        h.dialogs.queueFile(hundred);
        h.click("cmdAddT");
        QCOMPARE(h.dialogs.filters.last(), ProjectCommands::printFileFilter());
        QCOMPARE(h.slotShown(1), QStringLiteral("hundred.prn|%1|100").arg(hundred));

        // The truck ticket's buttons work while their frame is hidden, e.g. after a disconnect.
        h.dialogs.queueFile(h.writeFile(QStringLiteral("truck.prn"), QByteArray(250, '\0')));
        h.click("cmdAddP1");
        QCOMPARE(h.text("lblBytes5") + QLatin1Char('|') + h.text("lblSpaceR"),
                 QStringLiteral("250|350"));

        h.dialogs.queueCancel();
        h.click("cmdAddT");
        QCOMPARE(h.slotShown(1), QStringLiteral("hundred.prn|%1|100").arg(hundred));
        QCOMPARE(h.text("lblSpaceR"), QStringLiteral("350"));

        h.dialogs.queueFile(other);
        h.click("cmdAddT");
        QCOMPARE(h.slotShown(1), QStringLiteral("other.txt|%1|40").arg(other));
        QCOMPARE(h.window->project().contents(1), QByteArray(40, '\f'));
        QCOMPARE(h.text("lblSpaceR"), QStringLiteral("290"));

        h.click("cmdRveT");
        h.click("cmdRveT");
        QCOMPARE(h.slotShown(1), QStringLiteral("|No File Added|0"));
        QCOMPARE(h.text("lblSpaceR"), QStringLiteral("250"));
        h.click("cmdRveP1");
        QCOMPARE(h.text("lblSpaceR"), QStringLiteral("0"));
        QVERIFY(h.dialogs.messages.isEmpty());
    }

    void aboutBoxIsRebuiltEachTime()
    {
        Harness h;
        QStringList texts;
        for (int i = 0; i < 2; ++i) {
            onNextModal([&texts](QWidget *modal) {
                QCOMPARE(modal->windowTitle(), QStringLiteral("About ..."));
                texts << modal->findChild<QLabel *>(QStringLiteral("lblAbout"))->text();
            });
            h.window->dispatch(QStringLiteral("cmdAbout"));
            QVERIFY(!h.window->findChild<diaAbout *>());
        }
        QCOMPARE(texts, QStringList(2, diaAbout::aboutText()));
    }

    // A session with the simulated device on COM 1: settings, connect, disconnect, closing.
    void deviceSession()
    {
        Harness h(true);
        frmStart &w = *h.window;
        QVERIFY(w.link().isOpen());
        QCOMPARE(w.panelText(1), QStringLiteral("Port Opened"));
        QCOMPARE(w.panelText(2), QStringLiteral("COM 1, 9600bps 8-N-1"));

        // Closing the settings dialog without OK unloads it and closes the port; the next Settings
        // command loads a fresh one, whose OK opens the port again.
        QPointer<diaSerial> first = w.serialDialog();
        onNextModal([](QWidget *) {});
        w.dispatch(QStringLiteral("cmdSettings"));
        QVERIFY(!w.link().isOpen() && !w.serialDialog());
        QTRY_VERIFY(!first);
        onNextModal([](QWidget *modal) { static_cast<diaSerial *>(modal)->OKButton()->click(); });
        w.dispatch(QStringLiteral("cmdSettings"));
        QVERIFY(w.link().isOpen());

        QAction *connectButton = h.button("cmdConnect");
        connectButton->trigger();
        QCOMPARE(w.panelText(1), QStringLiteral("Connected !"));
        QCOMPARE(h.texts({"lblStatus1", "lblStatus2", "lblStatus3", "lblSpaceA"}),
                 QStringLiteral("VELMAR|2.105|Industrial|20480"));
        QVERIFY(h.button("cmdProgram")->isEnabled() && h.button("cmdLoad")->isEnabled());
        QVERIFY(h.shown("fraTotal") && !h.shown("fraTruck"));
        QVERIFY(connectButton->isEnabled());
        QCOMPARE(connectButton->toolTip(), QStringLiteral("Break Communication"));
        QCOMPARE(connectButton->iconText(), QStringLiteral("Connect"));

        connectButton->trigger();
        QCOMPARE(w.panelText(1), QStringLiteral("Not Connected"));
        QVERIFY(!w.link().isOpen());
        QCOMPARE(h.texts({"lblSpaceA", "lblStatus1", "lblStatus2", "lblStatus3", "lblStatus4"}),
                 QStringLiteral("||||"));
        QVERIFY(!h.button("cmdProgram")->isEnabled() && !h.button("cmdLoad")->isEnabled());
        QCOMPARE(connectButton->toolTip(), QStringLiteral("Connect with Device"));
        QVERIFY(h.shown("fraTotal"));

        connectButton->trigger();
        QVERIFY(w.close());
        QVERIFY(!w.link().isOpen() && !w.serialDialog());
        QVERIFY(h.dialogs.messages.isEmpty());
    }

    void closingDuringTransferWaitsForTheCancel()
    {
        Harness h(true);
        frmStart &w = *h.window;
        h.dialogs.queueFile(h.writeFile(QStringLiteral("t.prn"), QByteArray(400, 'x')));
        h.click("cmdAddT");
        w.dispatch(QStringLiteral("cmdConnect"));
        QVERIFY(h.button("cmdProgram")->isEnabled());

        int sent = 0;
        bool busyShown = false, stillOpen = false;
        connect(&w.link(), &SerialLink::commandSent, &w, [&] {
            if (++sent != 10)
                return;
            busyShown = w.status().busy() && h.shown("ProgressBar1") && h.shown("cmdCancel") &&
                        !h.button("cmdConnect")->isEnabled() && !h.button("cmdNew")->isEnabled() &&
                        !h.child("cmdAddT")->isEnabled();
            w.close();
            stillOpen = w.isVisible();
        });
        w.dispatch(QStringLiteral("cmdProgram"));
        QVERIFY(busyShown && stillOpen);
        QCOMPARE(w.status().statusText(4), QStringLiteral("Programming Cancelled"));
        QVERIFY(sent < 50);
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(!w.link().isOpen());
        QVERIFY(h.dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(TestFrmStart)
#include "tst_frmstart.moc"
