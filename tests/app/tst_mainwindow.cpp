#include "mainwindow.h"
#include "portbinding.h"
#include "portsettingsdialog.h"
#include "scripteddialogservice.h"
#include "settingsstore.h"
#include "simulatedport.h"
#include "twips.h"
#include "windowlayout.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace
{

using Model = SimulatedDevice::Model;
using Application = SimulatedDevice::Application;

// A main window over a settings store, port binding and program folder of its own. Option 1 is
// bound to a simulated device when the test asks for one; every other option to a path that does
// not exist, so that no test touches a real serial port.
struct Harness {
    std::unique_ptr<SimulatedPort> device;
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    PortBinding ports{settings};
    ScriptedDialogService dialogs;
    std::unique_ptr<MainWindow> window;

    explicit Harness(std::optional<Model> model = std::nullopt,
                     Application application = Application::Industrial,
                     const QByteArray &uninstallLog = {})
    {
        if (model) {
            device = std::make_unique<SimulatedPort>(*model, application);
            if (device->slavePath().isEmpty())
                qFatal("no simulated device: %s", qPrintable(device->errorString()));
        }
        for (int n = 1; n <= PortBinding::optionCount; ++n)
            ports.bind(n, n == 1 && device ? device->slavePath()
                                           : dir.filePath(QStringLiteral("no-such-tty%1").arg(n)));
        if (!uninstallLog.isEmpty())
            writeFile(QStringLiteral("ST6UNST.LOG"), uninstallLog);
        window = std::make_unique<MainWindow>(dialogs, settings, ports, dir.path());
        window->show();
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }
    void addTicket(const char *slotButton, qsizetype size)
    {
        dialogs.queueFile(
            writeFile(QStringLiteral("ticket%1.prn").arg(size), QByteArray(size, 'x')));
        click(slotButton);
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
    // The transfer as the window shows it: status line, then one letter for each control shown
    // or enabled: progress Bar, Cancel, hourglass (Wait), Connect, New, Add T, Program.
    QString transferShown() const
    {
        QString flags;
        const std::pair<char, bool> states[] = {
            {'B', shown("ProgressBar1")},
            {'C', shown("cmdCancel")},
            {'W', window->cursor().shape() == Qt::WaitCursor},
            {'c', button("cmdConnect")->isEnabled()},
            {'n', button("cmdNew")->isEnabled()},
            {'a', child("cmdAddT")->isEnabled()},
            {'p', button("cmdProgram")->isEnabled()},
        };
        for (const auto &[letter, state] : states)
            flags += state ? QLatin1Char(letter) : QLatin1Char('-');
        return text("lblStatus4") + QLatin1Char('|') + flags;
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

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void startUpState()
    {
        Harness h(std::nullopt, Application::Industrial,
                  QByteArrayLiteral("log of the installer\r\n"));
        MainWindow &w = *h.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Zorla Velmar Ticket"));
        for (const char *name : {"fraTicket", "fraDevice", "fraPrint"})
            QVERIFY2(h.shown(name), name);
        for (const char *name : {"fraTruck", "fraTotal", "cmdCancel", "ProgressBar1"})
            QVERIFY2(!h.shown(name), name);
        QCOMPARE(h.transferShown(), QStringLiteral("|---cna-"));
        QVERIFY(!h.button("cmdLoad")->isEnabled());
        QCOMPARE(h.button("cmdConnect")->toolTip(), QStringLiteral("Connect With Device (Ctrl+K)"));

        for (int n = 1; n <= 6; ++n)
            QCOMPARE(h.slotShown(n), QStringLiteral("|No File Added|0"));
        QCOMPARE(h.text("lblSpaceR"), QStringLiteral("0"));

        // No port can be opened: the settings dialog is loaded but leaves the port closed.
        QVERIFY(w.settingsDialog());
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
        MainWindow &w = *h.window;
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
        QCOMPARE(h.text("lblStatus4"), QString());

        // A working file shows in the caption.
        h.dialogs.queueFile(h.dir.filePath(QStringLiteral("work.dat")));
        w.dispatch(QStringLiteral("cmdSaveAs"));
        QCOMPARE(w.windowTitle(),
                 QStringLiteral("Zorla Velmar Ticket -   Working file : work.dat"));

        w.dispatch(QStringLiteral("cmdExit"));
        QVERIFY(!w.isVisible());
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

    // Every toolbar command has a key, named in its tooltip, and a place in the Tab order.
    void keyboard_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("tooltip");
        const auto row = [](const char *key, const char *tooltip) {
            QTest::newRow(key) << QString::fromLatin1(key) << QString::fromLatin1(tooltip);
        };
        row("cmdNew", "Enter New Tickets (Ctrl+N)");
        row("cmdOpen", "Open Programming File (*.dat) (Ctrl+O)");
        row("cmdSave", "Save the current programming file (*.dat) (Ctrl+S)");
        row("cmdSaveAs", "Save as a new programming file (*.dat) (Ctrl+Shift+S)");
        row("cmdSettings", "Select Communication Settings (Ctrl+,)");
        row("cmdConnect", "Connect With Device (Ctrl+K)");
        row("cmdProgram", "Program device with introduced tickets (F5)");
        row("cmdLoad", "Read tickets that are programmed in device (F6)");
        row("cmdHelp", "It may be of interest for you (F1)");
        row("cmdAbout", "Who we are?");
        row("cmdExit", "Good-Bye (Ctrl+Q)");
    }
    void keyboard()
    {
        QFETCH(QString, key);
        Harness h;
        QAction *button = h.button(key);
        QTEST(button->toolTip(), "tooltip");
        int focusable = 0;
        for (QObject *widget : button->associatedObjects()) {
            if (auto *tool = qobject_cast<QToolButton *>(widget))
                focusable += (tool->focusPolicy() & Qt::TabFocus) ? 1 : 0;
        }
        QCOMPARE(focusable, 1);
        // The key runs the command: Save As asks for a file name.
        if (key == u"cmdSaveAs") {
            QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
            QTest::keySequence(h.window.get(), button->shortcut());
            QCOMPARE(h.dialogs.filters, QStringList{ProjectCommands::saveFilter()});
        }
    }

    // Tab walks through every enabled toolbar button and the print ticket's buttons.
    void tabReachesEveryCommand()
    {
        Harness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        QStringList reached;
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                        : h.window.get(),
                            Qt::Key_Tab);
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus);
            auto *tool = qobject_cast<QToolButton *>(focus);
            const QString name = tool && tool->defaultAction() ? tool->defaultAction()->objectName()
                                                               : focus->objectName();
            if (!reached.contains(name))
                reached << name;
        }
        for (const char *name :
             {"cmdNew", "cmdOpen", "cmdSave", "cmdSaveAs", "cmdSettings", "cmdConnect", "cmdHelp",
              "cmdAbout", "cmdExit", "cmdAddT", "cmdRveT", "cmdViewT"})
            QVERIFY2(reached.contains(QLatin1String(name)), name);
    }

    // View shows what a slot holds, as a double-click on its file name does.
    void viewButtonShowsTheSlot()
    {
        Harness h;
        h.addTicket("cmdAddB", 12);
        QString title;
        onNextModal([&title](QWidget *modal) { title = modal->windowTitle(); });
        h.click("cmdViewB");
        QVERIFY(title.contains(QStringLiteral("ticket12.prn")));
    }

    // Counts of up to 8 digits show whole at every usual resolution; a long file name is cut in
    // the middle, with the whole path in the tooltip.
    void labelsFitTheirText_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("800x600") << QSize(800, 600);
        QTest::newRow("1024x768") << QSize(1024, 768);
        QTest::newRow("1280x1024") << QSize(1280, 1024);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
    }
    void labelsFitTheirText()
    {
        QFETCH(QSize, screen);
        Harness h;
        MainWindow &w = *h.window;
        const QString longName = QStringLiteral("a-rather-long-name-for-a-print-file-%1.prn")
                                     .arg(QString(40, QLatin1Char('x')));
        h.dialogs.queueFile(h.writeFile(longName, "ticket"));
        h.click("cmdAddT");
        h.dialogs.queueFile(h.dir.filePath(longName));
        h.click("cmdAddP2");
        for (int n = 2; n <= 5; ++n)
            w.project().setByteCount(n, 12000000 + n);
        h.child<QLabel>("lblSpaceA")->setText(QStringLiteral("99999999"));
        const double dpi = w.logicalDpiX();
        w.windowLayout().adaptTo(WorkArea{0, 0, Twips::fromPixels(screen.width(), dpi),
                                          Twips::fromPixels(screen.height(), dpi)});

        QStringList labels{QStringLiteral("lblSpaceR"), QStringLiteral("lblSpaceA"),
                           QStringLiteral("lblFile1"), QStringLiteral("lblFile6")};
        for (int n = 2; n <= 5; ++n)
            labels << QStringLiteral("lblBytes%1").arg(n);
        // Each label shows its whole text and lies within its frame.
        for (const QString &name : labels) {
            const QLabel *label = h.child<QLabel>(name);
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <=
                             label->contentsRect().width() &&
                         label->geometry().right() < label->parentWidget()->contentsRect().right(),
                     qPrintable(name + QLatin1Char(' ') + label->text()));
        }
        QCOMPARE(h.text("lblSpaceR"), QStringLiteral("48000026"));
        for (const char *name : {"lblFile1", "lblFile6"}) {
            const QLabel *file = h.child<QLabel>(name);
            QVERIFY(file->text().startsWith(QStringLiteral("a-rather")));
            QVERIFY(file->text().endsWith(QStringLiteral("x.prn")));
            QVERIFY(file->text().size() < longName.size());
            QCOMPARE(file->toolTip(), h.dir.filePath(longName));
        }
    }

    void aboutBoxIsRebuiltEachTime()
    {
        Harness h;
        int shown = 0;
        for (int i = 0; i < 2; ++i) {
            onNextModal([&shown](QWidget *modal) {
                QCOMPARE(modal->objectName(), QStringLiteral("diaAbout"));
                ++shown;
            });
            h.window->dispatch(QStringLiteral("cmdAbout"));
            QVERIFY(!h.window->findChild<QDialog *>(QStringLiteral("diaAbout")));
        }
        QCOMPARE(shown, 2);
    }

    // A session with the simulated device on COM 1: settings, connect, disconnect, closing.
    void deviceSession()
    {
        Harness h(Model::Velmar);
        MainWindow &w = *h.window;
        QVERIFY(w.link().isOpen());
        QCOMPARE(w.panelText(1), QStringLiteral("Port Opened"));
        QCOMPARE(w.panelText(2), QStringLiteral("COM 1, 9600bps 8-N-1"));

        // Closing the settings dialog without OK unloads it and closes the port; the next Settings
        // command loads a fresh one, whose OK opens the port again.
        QPointer<PortSettingsDialog> first = w.settingsDialog();
        onNextModal([](QWidget *) {});
        w.dispatch(QStringLiteral("cmdSettings"));
        QVERIFY(!w.link().isOpen() && !w.settingsDialog());
        QTRY_VERIFY(!first);
        onNextModal(
            [](QWidget *modal) { static_cast<PortSettingsDialog *>(modal)->okButton()->click(); });
        w.dispatch(QStringLiteral("cmdSettings"));
        QVERIFY(w.link().isOpen());

        QAction *connectButton = h.button("cmdConnect");
        connectButton->trigger();
        QCOMPARE(w.panelText(1), QStringLiteral("Connected !"));
        QCOMPARE(h.texts({"lblStatus1", "lblStatus2", "lblStatus3", "lblSpaceA"}),
                 QStringLiteral("VELMAR|2.105|Industrial|20480"));
        QVERIFY(h.button("cmdProgram")->isEnabled() && h.button("cmdLoad")->isEnabled());
        QVERIFY(connectButton->isEnabled());
        QCOMPARE(connectButton->toolTip(), QStringLiteral("Break Communication (Ctrl+K)"));
        QCOMPARE(connectButton->iconText(), QStringLiteral("Connect"));

        connectButton->trigger();
        QCOMPARE(w.panelText(1), QStringLiteral("Not Connected"));
        QVERIFY(!w.link().isOpen());
        QCOMPARE(h.texts({"lblSpaceA", "lblStatus1", "lblStatus2", "lblStatus3", "lblStatus4"}),
                 QStringLiteral("||||"));
        QVERIFY(!h.button("cmdProgram")->isEnabled() && !h.button("cmdLoad")->isEnabled());
        QCOMPARE(connectButton->toolTip(), QStringLiteral("Connect with Device (Ctrl+K)"));

        connectButton->trigger();
        QVERIFY(w.close());
        QVERIFY(!w.link().isOpen() && !w.settingsDialog());
        QVERIFY(h.dialogs.messages.isEmpty());
    }

    // What an identification shows, and what the disconnect after it leaves: the device's texts,
    // the truck and totalize frames (shown "T", "t" or hidden "-"), the port state and whether
    // Program is available.
    void identification_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<Application>("application");
        QTest::addColumn<QByteArray>("reply"); // instead of the device's own, when not empty
        QTest::addColumn<QString>("connected");
        QTest::addColumn<QString>("disconnected");
        const auto row = [](const char *name, Model model, Application application,
                            const QByteArray &reply, const char *connected,
                            const char *disconnected) {
            QTest::newRow(name) << model << application << reply << QString::fromLatin1(connected)
                                << QString::fromLatin1(disconnected);
        };
        row("velmar truck", Model::Velmar, Application::Truck, {},
            "VELMAR|2.105|Truck Scale|20480||T-|Connected !|p", "|||||--|Not Connected|-");
        row("velmar industrial", Model::Velmar, Application::Industrial, {},
            "VELMAR|2.105|Industrial|20480||-t|Connected !|p", "|||||-t|Not Connected|-");
        row("older zorla, no application", Model::ZorlaOld, Application::None, {},
            "ZORLA|1.020|None|3056||-t|Connected !|p", "|||||-t|Not Connected|-");
        // An unknown model enables Program but stays unconnected: Connect identifies again.
        row("unknown model", Model::Velmar, Application::Truck, "XYZ 1.000 PC\r",
            "UNKNOWN|||||--|Connected !|p", "VELMAR|2.105|Truck Scale|20480||T-|Connected !|p");
    }
    void identification()
    {
        QFETCH(Model, model);
        QFETCH(Application, application);
        QFETCH(QByteArray, reply);
        Harness h(model, application);
        if (!reply.isEmpty())
            h.device->device().addFault(SimulatedDevice::Fault::garbage(1, reply));
        const auto shown = [&h] {
            return h.texts({"lblStatus1", "lblStatus2", "lblStatus3", "lblSpaceA", "lblStatus4"}) +
                   QLatin1Char('|') + QLatin1Char(h.shown("fraTruck") ? 'T' : '-') +
                   QLatin1Char(h.shown("fraTotal") ? 't' : '-') + QLatin1Char('|') +
                   h.window->panelText(1) + QLatin1Char('|') +
                   QLatin1Char(h.button("cmdProgram")->isEnabled() ? 'p' : '-');
        };
        h.window->dispatch(QStringLiteral("cmdConnect"));
        QTEST(shown(), "connected");
        h.window->dispatch(QStringLiteral("cmdConnect"));
        QTEST(shown(), "disconnected");
        QVERIFY(h.dialogs.messages.isEmpty());
    }

    // Program and Read as the window shows them at the 2nd and the 10th command and once ended.
    // Read follows a Program of the same tickets, so that it finds data to read.
    void transfers_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("ticketSize");
        QTest::addColumn<QString>("cancel"); // at the 10th command: "click" or "Esc"
        QTest::addColumn<QString>("shown");  // transferShown() each time, separated by ";"
        QTest::addColumn<int>("messages");
        const auto row = [](const char *name, const char *key, int ticketSize, const char *cancel,
                            const char *shown, int messages) {
            QTest::newRow(name) << QString::fromLatin1(key) << ticketSize
                                << QString::fromLatin1(cancel) << QString::fromLatin1(shown)
                                << messages;
        };
        row("program", "cmdProgram", 400, "",
            "Programming ...   2%|BCW----;Programming ...   12%|BCW----;Tickets Programmed|---cnap",
            0);
        row("program cancelled", "cmdProgram", 400, "click",
            "Programming ...   2%|BCW----;Programming ...   12%|BCW----;"
            "Programming Cancelled|---cnap",
            0);
        // Read first asks about the unsaved tickets (answered Discard).
        row("program cancelled by Esc", "cmdProgram", 400, "Esc",
            "Programming ...   2%|BCW----;Programming ...   12%|BCW----;"
            "Programming Cancelled|---cnap",
            0);
        row("read", "cmdLoad", 400, "",
            "Reading ...|--W----;Reading ...   3%|BCW----;Tickets Readed|---cnap", 1);
        row("read cancelled", "cmdLoad", 400, "click",
            "Reading ...|--W----;Reading ...   3%|BCW----;Reading Cancelled|---cnap", 1);
        // A project larger than the device is refused before anything is sent.
        row("program refused", "cmdProgram", 30000, "", "Tickets Programmed|---cnap", 1);
    }
    void transfers()
    {
        QFETCH(QString, key);
        QFETCH(int, ticketSize);
        QFETCH(QString, cancel);
        Harness h(Model::Velmar);
        h.addTicket("cmdAddT", 400);
        h.window->dispatch(QStringLiteral("cmdConnect"));
        h.window->dispatch(QStringLiteral("cmdProgram"));
        if (ticketSize != 400)
            h.addTicket("cmdAddH", ticketSize);

        QStringList shown;
        int sent = 0;
        connect(&h.window->link(), &SerialLink::commandSent, h.window.get(), [&] {
            ++sent;
            if (sent == 2 || sent == 10)
                shown << h.transferShown();
            if (sent == 10 && cancel == u"click")
                h.click("cmdCancel");
            if (sent == 10 && cancel == u"Esc")
                QTest::keyClick(h.window.get(), Qt::Key_Escape);
        });
        if (cancel == u"Esc")
            QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        h.window->dispatch(key);
        shown << h.transferShown();
        QTEST(shown.join(QLatin1Char(';')), "shown");
        QTEST(int(h.dialogs.messages.size()), "messages");
    }

    // Unsaved work: the caption's mark and the question before New, Open, Read and Exit. A script
    // of steps: "add"/"rve" change slot T, "file" queues a.dat for the next file dialog, "arg"
    // opens a.dat as a file named on the command line, "S", "D"
    // and "C" queue the answer to the question, the rest are toolbar keys without "cmd".
    void unsavedWork_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("shown"); // caption|bytes of T|questions|window shown
        const auto row = [](const char *name, const char *script, const char *shown) {
            QTest::newRow(name) << QString::fromLatin1(script) << QString::fromLatin1(shown);
        };
        const char *working = "Zorla Velmar Ticket -   Working file : a.dat";
        row("a change marks the caption", "add", "Zorla Velmar Ticket*|100|0|1");
        row("removing from an empty slot", "rve", "Zorla Velmar Ticket|0|0|1");
        row("save as clears the mark", "add file SaveAs",
            qPrintable(QString::fromLatin1(working) + QStringLiteral("|100|0|1")));
        row("a change after saving", "add file SaveAs rve",
            qPrintable(QString::fromLatin1(working) + QStringLiteral("*|0|0|1")));
        row("open asks, then clears", "add file SaveAs rve file Open",
            qPrintable(QString::fromLatin1(working) + QStringLiteral("|100|1|1")));
        row("saved work: new asks nothing", "add file SaveAs New", "Zorla Ticket|0|0|1");
        row("a file named on the command line", "add file SaveAs New arg",
            qPrintable(QString::fromLatin1(working) + QStringLiteral("|100|0|1")));
        row("new, cancelled", "add C New", "Zorla Velmar Ticket*|100|1|1");
        row("new, discarded", "add D New", "Zorla Ticket|0|1|1");
        row("new, saved first", "add S file New file Open",
            qPrintable(QString::fromLatin1(working) + QStringLiteral("|100|1|1")));
        row("new, save dialog cancelled", "add S New", "Zorla Velmar Ticket*|100|1|1");
        row("exit, cancelled", "add C Exit", "Zorla Velmar Ticket*|100|1|1");
        row("exit, discarded", "add D Exit", "Zorla Velmar Ticket*|100|1|0");
        row("exit, saved first", "add S file Exit",
            qPrintable(QString::fromLatin1(working) + QStringLiteral("|100|1|0")));
    }
    void unsavedWork()
    {
        QFETCH(QString, script);
        Harness h;
        const QString ticket = h.writeFile(QStringLiteral("t.prn"), QByteArray(100, 'x'));
        const QHash<QString, SaveChoice> answers{{QStringLiteral("S"), SaveChoice::Save},
                                                 {QStringLiteral("D"), SaveChoice::Discard},
                                                 {QStringLiteral("C"), SaveChoice::Cancel}};
        for (const QString &step : script.split(QLatin1Char(' '))) {
            if (step == QLatin1String("add")) {
                h.dialogs.queueFile(ticket);
                h.click("cmdAddT");
            } else if (step == QLatin1String("rve")) {
                h.click("cmdRveT");
            } else if (step == QLatin1String("arg")) {
                h.window->openProjectFile(h.dir.filePath(QStringLiteral("a.dat")),
                                          QStringLiteral("a.dat"));
            } else if (step == QLatin1String("file")) {
                h.dialogs.queueFile(h.dir.filePath(QStringLiteral("a.dat")));
            } else if (answers.contains(step)) {
                h.dialogs.saveAnswers.enqueue(answers.value(step));
            } else {
                h.window->dispatch(QStringLiteral("cmd") + step);
            }
        }
        const auto questions = std::count_if(
            h.dialogs.messages.cbegin(), h.dialogs.messages.cend(),
            [](const ScriptedDialogService::Message &m) { return m.title == u"Save"; });
        QTEST(QStringList({h.window->windowTitle(), h.text("lblBytes1"), QString::number(questions),
                           QString::number(h.window->isVisible())})
                  .join(QLatin1Char('|')),
              "shown");
        QCOMPARE(h.dialogs.messages.size(), questions);
    }

    // Read replaces the project, so it asks about unsaved work first; what it read is unmodified.
    void readAsksAboutUnsavedWork()
    {
        Harness h(Model::Velmar);
        MainWindow &w = *h.window;
        h.addTicket("cmdAddT", 400);
        w.dispatch(QStringLiteral("cmdConnect"));
        w.dispatch(QStringLiteral("cmdProgram"));
        h.dialogs.saveAnswers << SaveChoice::Cancel << SaveChoice::Discard;
        w.dispatch(QStringLiteral("cmdLoad"));
        QCOMPARE(w.windowTitle() + h.text("lblStatus4"),
                 QStringLiteral("Zorla Velmar Ticket*Tickets Programmed"));
        w.dispatch(QStringLiteral("cmdLoad"));
        QCOMPARE(w.windowTitle() + h.text("lblStatus4"),
                 QStringLiteral("Zorla TicketTickets Readed"));
        QCOMPARE(h.dialogs.messages.size(), 2);
        QVERIFY(w.close());
    }

    void closingDuringTransferWaitsForTheCancel()
    {
        Harness h(Model::Velmar);
        MainWindow &w = *h.window;
        h.addTicket("cmdAddT", 400);
        w.dispatch(QStringLiteral("cmdConnect"));
        QVERIFY(h.button("cmdProgram")->isEnabled());

        int sent = 0;
        bool stillOpen = false;
        connect(&w.link(), &SerialLink::commandSent, &w, [&] {
            if (++sent != 10)
                return;
            w.close();
            stillOpen = w.isVisible();
        });
        w.dispatch(QStringLiteral("cmdProgram"));
        QVERIFY(stillOpen);
        QCOMPARE(h.text("lblStatus4"), QStringLiteral("Programming Cancelled"));
        QVERIFY(sent < 50);
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(!w.link().isOpen());
        // Only the question about the unsaved ticket, once the transfer has ended.
        QCOMPARE(h.dialogs.messages.size(), 1);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
