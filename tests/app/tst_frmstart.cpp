#include "deviceconnection.h"
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
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

namespace
{

// A main window over a settings store, port binding and program folder of its
// own. Option 1 is bound to the given device path; the other options to paths
// that do not exist, so that no test touches a real serial port.
struct Harness {
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    PortBinding ports{settings};
    ScriptedDialogService dialogs;
    std::unique_ptr<frmStart> window;

    explicit Harness(const QString &port1 = QString(), const QByteArray &uninstallLog = {})
    {
        for (int n = 1; n <= PortBinding::optionCount; ++n)
            ports.bind(n, n == 1 && !port1.isEmpty()
                              ? port1
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

    template <typename T> T *child(const QString &name) const
    {
        T *found = window->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QString text(const QString &label) const { return child<QLabel>(label)->text(); }
    bool shown(const QString &name) const { return !child<QWidget>(name)->isHidden(); }
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
    void startUpState();
    void toolbar_data();
    void toolbar();
    void dispatchByKey();
    void filterConversion_data();
    void filterConversion();
    void slotButtons();
    void aboutBoxIsRebuiltEachTime();
    void settingsDialogAndClosing();
    void connectAndDisconnect();
    void closingDuringTransferWaitsForTheCancel();

private:
    std::unique_ptr<Harness> m_fresh; // a window at start-up, shared by the toolbar rows
};

void TestFrmStart::startUpState()
{
    Harness h(QString(), QByteArrayLiteral("log of the installer\r\n"));
    frmStart &w = *h.window;

    QCOMPARE(w.windowTitle(), QStringLiteral("Zorla Velmar Ticket"));
    for (const char *name : {"fraTicket", "fraDevice", "fraPrint"})
        QVERIFY(h.shown(QLatin1String(name)));
    for (const char *name : {"fraTruck", "fraTotal", "cmdCancel", "ProgressBar1"})
        QVERIFY(!h.shown(QLatin1String(name)));

    for (int n = 1; n <= 6; ++n) {
        QCOMPARE(h.text(QStringLiteral("lblBytes%1").arg(n)), QStringLiteral("0"));
        QCOMPARE(h.text(QStringLiteral("lblFile%1").arg(n)), QString());
        QCOMPARE(h.child<QLabel>(QStringLiteral("lblFile%1").arg(n))->toolTip(),
                 QStringLiteral("No File Added"));
        const QString slot = TicketProject::slotName(n);
        QCOMPARE(h.child<QPushButton>(QStringLiteral("cmdAdd") + slot)->toolTip(),
                 QStringLiteral("Add a ticket to project"));
        QCOMPARE(h.child<QPushButton>(QStringLiteral("cmdRve") + slot)->toolTip(),
                 QStringLiteral("Remove ticket from project"));
    }
    QCOMPARE(h.text(QStringLiteral("lblSpaceR")), QStringLiteral("0"));
    QCOMPARE(h.text(QStringLiteral("lblSpaceA")), QString());
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(h.text(QStringLiteral("lblStatus%1").arg(i)), QString());

    // No port can be opened: the settings dialog leaves the port closed.
    QCOMPARE(w.panelText(1), QStringLiteral("Not Connected"));
    QVERIFY(!w.panelText(3).isEmpty() && !w.panelText(4).isEmpty());
    QCOMPARE(w.panelText(5), QStringLiteral("Best viewed at 1024x768"));
    QCOMPARE(h.child<QLabel>(QStringLiteral("statusBarPanel5"))->toolTip(), w.panelText(5));
    QCOMPARE(w.PortNumber(), 1);
    QCOMPARE(w.PortSettings(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(w.helpFile(), h.dir.filePath(QStringLiteral("Help.chm")));
    QVERIFY(w.serialDialog());

    // The display adaptation has put each value label behind its caption.
    QCOMPARE(h.child<QLabel>(QStringLiteral("lblStatus4"))->property("tag").toString(),
             QStringLiteral("23"));
    const QLabel *caption = h.child<QLabel>(QStringLiteral("lblEtF1"));
    QVERIFY(h.child<QLabel>(QStringLiteral("lblFile1"))->x() > caption->geometry().right());

    QFile log(h.dir.filePath(QStringLiteral("ST6UNST.LOG")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().endsWith("\"CommSettings\"\r\n\r\nx\r\n"));
}

void TestFrmStart::toolbar_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("separatorFollows");

    QTest::newRow("cmdNew") << "New"
                            << "Enter New Tickets" << true << false;
    QTest::newRow("cmdOpen") << "Open"
                             << "Open Programming File (*.dat)" << true << false;
    QTest::newRow("cmdSave") << "Save"
                             << "Save the current programming file (*.dat)" << true << false;
    QTest::newRow("cmdSaveAs") << "Save As..."
                               << "Save as a new programming file (*.dat)" << true << true;
    QTest::newRow("cmdSettings") << "Settings"
                                 << "Select Communication Settings" << true << false;
    QTest::newRow("cmdConnect") << "Connect"
                                << "Connect With Device" << true << false;
    QTest::newRow("cmdProgram") << "Program"
                                << "Program device with introduced tickets" << false << false;
    QTest::newRow("cmdLoad") << "Read"
                             << "Read tickets that are programmed in device" << false << true;
    QTest::newRow("cmdHelp") << "Help"
                             << "It may be of interest for you" << true << false;
    QTest::newRow("cmdAbout") << "About"
                              << "Who we are?" << true << true;
    QTest::newRow("cmdExit") << "Exit"
                             << "Good-Bye" << true << false;
}

void TestFrmStart::toolbar()
{
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);
    QFETCH(bool, enabled);
    QFETCH(bool, separatorFollows);
    if (!m_fresh)
        m_fresh = std::make_unique<Harness>();
    Harness &h = *m_fresh;
    const QString key = QString::fromLatin1(QTest::currentDataTag());

    const QList<QAction *> actions = h.child<QToolBar>(QStringLiteral("ToolbarStart"))->actions();
    QList<QAction *> buttons;
    for (QAction *action : actions) {
        if (!action->isSeparator())
            buttons << action;
    }
    QCOMPARE(buttons.size(), 11);
    QAction *button = h.window->toolButton(key);
    QVERIFY(button);
    QCOMPARE(buttons.indexOf(button), frmStart::toolbarKeys().indexOf(key));
    QCOMPARE(button->objectName(), key);
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->iconText(), caption); // what the toolbar button shows
    QCOMPARE(button->toolTip(), tooltip);
    QCOMPARE(button->isEnabled(), enabled);
    QVERIFY(!button->icon().isNull());
    const qsizetype at = actions.indexOf(button);
    QCOMPARE(at + 1 < actions.size() && actions.at(at + 1)->isSeparator(), separatorFollows);
}

void TestFrmStart::dispatchByKey()
{
    Harness h;
    frmStart &w = *h.window;

    for (const QString &key : {QStringLiteral("cmdnew"), QStringLiteral("cmdNew "), QString(),
                               QStringLiteral("cmdStop"), QStringLiteral("cmdNewIcon")})
        w.dispatch(key);
    QCOMPARE(w.windowTitle(), QStringLiteral("Zorla Velmar Ticket"));
    QVERIFY(h.dialogs.filters.isEmpty());
    QVERIFY(h.dialogs.messages.isEmpty());
    QVERIFY(w.isVisible());

    w.toolButton(QStringLiteral("cmdNew"))->trigger();
    QCOMPARE(w.windowTitle(), QStringLiteral("Zorla Ticket"));

    // Save after New has no working file, so it asks for a name (cancelled here), as Save As does.
    w.dispatch(QStringLiteral("cmdOpen"));
    w.dispatch(QStringLiteral("cmdSave"));
    w.dispatch(QStringLiteral("cmdSaveAs"));
    QCOMPARE(h.dialogs.filters,
             QStringList({ProjectCommands::openFilter(), ProjectCommands::saveFilter(),
                          ProjectCommands::saveFilter()}));

    // Program and Read are unavailable until a device is identified.
    w.dispatch(QStringLiteral("cmdProgram"));
    w.dispatch(QStringLiteral("cmdLoad"));
    QVERIFY(h.dialogs.messages.isEmpty());
    QCOMPARE(w.status().statusText(4), QString());

    // Help without a help file stays silent.
    w.dispatch(QStringLiteral("cmdHelp"));
    QVERIFY(h.dialogs.messages.isEmpty());

    w.dispatch(QStringLiteral("cmdExit"));
    QVERIFY(!w.isVisible());
    QVERIFY(!w.serialDialog());
}

void TestFrmStart::filterConversion_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two patterns") << ProjectCommands::printFileFilter()
                                  << "Print Files(*.prn) or Text Files(*.txt) (*.prn *.txt)";
    QTest::newRow("one pattern") << ProjectCommands::openFilter()
                                 << "ZorlaVelmar Format(*.dat) (*.dat)";
    QTest::newRow("two entries") << "Text|*.txt|All|*.*"
                                 << "Text (*.txt);;All (*.*)";
}

void TestFrmStart::filterConversion()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(WidgetDialogService::toQtFilter(filter), expected);
    QCOMPARE(WidgetDialogService::choiceOf(QStringLiteral("/a/b/ticket.prn")).title,
             QStringLiteral("ticket.prn"));
    QVERIFY(WidgetDialogService::choiceOf(QString()).cancelled());
}

void TestFrmStart::slotButtons()
{
    Harness h;
    const QString hundred = h.writeFile(QStringLiteral("hundred.prn"), QByteArray(100, 'a'));
    const QString other = h.writeFile(QStringLiteral("other.txt"), QByteArray(40, '\f'));
    const QString truck = h.writeFile(QStringLiteral("truck.prn"), QByteArray(250, '\0'));
    auto click = [&h](const char *name) { h.child<QPushButton>(QLatin1String(name))->click(); };

    h.dialogs.queueFile(hundred);
    click("cmdAddT");
    QCOMPARE(h.dialogs.filters.last(), ProjectCommands::printFileFilter());
    QCOMPARE(h.text(QStringLiteral("lblFile1")), QStringLiteral("hundred.prn"));
    QCOMPARE(h.child<QLabel>(QStringLiteral("lblFile1"))->toolTip(), hundred);
    QCOMPARE(h.text(QStringLiteral("lblBytes1")), QStringLiteral("100"));

    // The truck ticket's buttons work while their frame is hidden, e.g. after a disconnect.
    h.dialogs.queueFile(truck);
    click("cmdAddP1");
    QCOMPARE(h.text(QStringLiteral("lblBytes5")), QStringLiteral("250"));
    QCOMPARE(h.text(QStringLiteral("lblSpaceR")), QStringLiteral("350"));

    h.dialogs.queueCancel();
    click("cmdAddT");
    QCOMPARE(h.text(QStringLiteral("lblFile1")), QStringLiteral("hundred.prn"));
    QCOMPARE(h.text(QStringLiteral("lblSpaceR")), QStringLiteral("350"));

    h.dialogs.queueFile(other);
    click("cmdAddT");
    QCOMPARE(h.text(QStringLiteral("lblFile1")), QStringLiteral("other.txt"));
    QCOMPARE(h.child<QLabel>(QStringLiteral("lblFile1"))->toolTip(), other);
    QCOMPARE(h.window->project().contents(1), QByteArray(40, '\f'));
    QCOMPARE(h.text(QStringLiteral("lblSpaceR")), QStringLiteral("290"));

    click("cmdRveT");
    click("cmdRveT");
    QCOMPARE(h.text(QStringLiteral("lblFile1")), QString());
    QCOMPARE(h.child<QLabel>(QStringLiteral("lblFile1"))->toolTip(),
             QStringLiteral("No File Added"));
    QCOMPARE(h.text(QStringLiteral("lblBytes1")), QStringLiteral("0"));
    QCOMPARE(h.text(QStringLiteral("lblSpaceR")), QStringLiteral("250"));
    click("cmdRveP1");
    QCOMPARE(h.text(QStringLiteral("lblSpaceR")), QStringLiteral("0"));
    QVERIFY(h.dialogs.messages.isEmpty());
}

void TestFrmStart::aboutBoxIsRebuiltEachTime()
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

void TestFrmStart::settingsDialogAndClosing()
{
    SimulatedPort device;
    QVERIFY2(!device.slavePath().isEmpty(), qPrintable(device.errorString()));
    Harness h(device.slavePath());
    frmStart &w = *h.window;
    QVERIFY(w.link().isOpen());
    QCOMPARE(w.panelText(1), QStringLiteral("Port Opened"));
    QCOMPARE(w.panelText(2), QStringLiteral("COM 1, 9600bps 8-N-1"));

    // Closing the settings dialog without OK unloads it and closes the port; the next Settings
    // command loads a fresh one, whose OK opens the port again.
    QPointer<diaSerial> first = w.serialDialog();
    onNextModal([](QWidget *) {});
    w.dispatch(QStringLiteral("cmdSettings"));
    QVERIFY(!w.link().isOpen());
    QVERIFY(!w.serialDialog());
    QTRY_VERIFY(!first);
    onNextModal([](QWidget *modal) {
        QCOMPARE(modal->windowTitle(), QStringLiteral("COM settings"));
        static_cast<diaSerial *>(modal)->OKButton()->click();
    });
    w.dispatch(QStringLiteral("cmdSettings"));
    QVERIFY(w.link().isOpen());

    QVERIFY(w.close());
    QVERIFY(!w.link().isOpen());
    QVERIFY(!w.serialDialog());
}

void TestFrmStart::connectAndDisconnect()
{
    SimulatedPort device;
    QVERIFY2(!device.slavePath().isEmpty(), qPrintable(device.errorString()));
    Harness h(device.slavePath());
    frmStart &w = *h.window;
    QAction *connectButton = w.toolButton(QStringLiteral("cmdConnect"));

    connectButton->trigger();
    QVERIFY(h.dialogs.messages.isEmpty());
    QCOMPARE(w.panelText(1), QStringLiteral("Connected !"));
    QCOMPARE(h.text(QStringLiteral("lblStatus1")), QStringLiteral("VELMAR"));
    QVERIFY(!h.text(QStringLiteral("lblStatus2")).isEmpty());
    QCOMPARE(h.text(QStringLiteral("lblStatus3")), QStringLiteral("Industrial"));
    QCOMPARE(h.text(QStringLiteral("lblSpaceA")), QStringLiteral("20480"));
    QVERIFY(h.shown(QStringLiteral("fraTotal")));
    QVERIFY(!h.shown(QStringLiteral("fraTruck")));
    QVERIFY(w.toolButton(QStringLiteral("cmdProgram"))->isEnabled());
    QVERIFY(w.toolButton(QStringLiteral("cmdLoad"))->isEnabled());
    QVERIFY(connectButton->isEnabled());
    QCOMPARE(connectButton->toolTip(), QStringLiteral("Break Communication"));
    QCOMPARE(connectButton->text(), QStringLiteral("Connect"));
    QCOMPARE(w.connection().Connected(), true);

    connectButton->trigger();
    QCOMPARE(w.panelText(1), QStringLiteral("Not Connected"));
    QVERIFY(!w.link().isOpen());
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(h.text(QStringLiteral("lblStatus%1").arg(i)), QString());
    QCOMPARE(h.text(QStringLiteral("lblSpaceA")), QString());
    QVERIFY(!w.toolButton(QStringLiteral("cmdProgram"))->isEnabled());
    QVERIFY(!w.toolButton(QStringLiteral("cmdLoad"))->isEnabled());
    QCOMPARE(connectButton->toolTip(), QStringLiteral("Connect with Device"));
    QVERIFY(h.shown(QStringLiteral("fraTotal")));
    QVERIFY(h.dialogs.messages.isEmpty());
}

void TestFrmStart::closingDuringTransferWaitsForTheCancel()
{
    SimulatedPort device;
    QVERIFY2(!device.slavePath().isEmpty(), qPrintable(device.errorString()));
    Harness h(device.slavePath());
    frmStart &w = *h.window;
    h.dialogs.queueFile(h.writeFile(QStringLiteral("t.prn"), QByteArray(400, 'x')));
    h.child<QPushButton>(QStringLiteral("cmdAddT"))->click();
    w.dispatch(QStringLiteral("cmdConnect"));
    QVERIFY(w.toolButton(QStringLiteral("cmdProgram"))->isEnabled());

    int sent = 0;
    bool stillOpen = false;
    bool busyShown = false;
    connect(&w.link(), &SerialLink::commandSent, &w, [&] {
        if (++sent != 10)
            return;
        busyShown = w.status().busy() && h.shown(QStringLiteral("ProgressBar1")) &&
                    h.shown(QStringLiteral("cmdCancel")) &&
                    !w.toolButton(QStringLiteral("cmdConnect"))->isEnabled() &&
                    !w.toolButton(QStringLiteral("cmdNew"))->isEnabled() &&
                    !h.child<QPushButton>(QStringLiteral("cmdAddT"))->isEnabled();
        w.close();
        stillOpen = w.isVisible();
    });
    w.dispatch(QStringLiteral("cmdProgram"));
    QVERIFY(busyShown);
    QVERIFY(stillOpen);
    QCOMPARE(w.status().statusText(4), QStringLiteral("Programming Cancelled"));
    QVERIFY(sent < 50);
    QTRY_VERIFY(!w.isVisible());
    QVERIFY(!w.link().isOpen());
    QVERIFY(h.dialogs.messages.isEmpty());
}

QTEST_MAIN(TestFrmStart)
#include "tst_frmstart.moc"
