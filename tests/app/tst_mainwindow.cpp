#include "baredesktop.h"
#include "mainwindow.h"
#include "portbinding.h"
#include "portsettingsdialog.h"
#include "scripteddialogservice.h"
#include "settingsstore.h"
#include "simulatedport.h"
#include "testfiles.h"
#include "toolbar.h"
#include "twips.h"
#include "windowlayout.h"

#include <algorithm>

#include <QtTest>
#include <QtWidgets>

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
    // Waits for the start-up work that follows the window's first picture (the port opened).
    void waitForStartUp() const { QTRY_VERIFY(window->settingsDialog()); }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        return ::writeFile(dir.filePath(name), bytes);
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
    // A toolbar button by its key, as accessibility tools find it.
    QAction *button(QAnyStringView key) const { return child<QAction>(key); }
    QString text(QAnyStringView label) const { return child<QLabel>(label)->text(); }
    bool shown(QAnyStringView name) const { return !child(name)->isHidden(); }
    // The transfer as the window shows it: status line, then one letter for each control shown
    // or enabled: progress Bar, Cancel, hourglass (Wait), Connect, New, Add T, Program.
    QString transferShown() const
    {
        return text("lblStatus4") + QLatin1Char('|') +
               flags({{'B', shown("ProgressBar1")},
                      {'C', shown("cmdCancel")},
                      {'W', window->cursor().shape() == Qt::WaitCursor},
                      {'c', button("cmdConnect")->isEnabled()},
                      {'n', button("cmdNew")->isEnabled()},
                      {'a', child("cmdAddT")->isEnabled()},
                      {'p', button("cmdProgram")->isEnabled()}});
    }
    // A letter for each state that holds, "-" for each that does not.
    static QString flags(std::initializer_list<std::pair<char, bool>> states)
    {
        QString letters;
        for (const auto &[letter, state] : states)
            letters += state ? QLatin1Char(letter) : QLatin1Char('-');
        return letters;
    }
    void click(QAnyStringView name) const { child<QPushButton>(name)->click(); }
    // The focused control's name; for a toolbar button, its command's.
    static QString focusName()
    {
        QWidget *focus = QApplication::focusWidget();
        auto *tool = qobject_cast<QToolButton *>(focus);
        return tool && tool->defaultAction() ? tool->defaultAction()->objectName()
               : focus                       ? focus->objectName()
                                             : QString();
    }
};

// What an operator sees of the window, one "what: value" line each: the caption, the port state,
// the status line, the available toolbar commands, and the other windows shown.
QStringList sights(const Harness &h)
{
    QStringList seen{QStringLiteral("caption: ") + h.window->windowTitle(),
                     QStringLiteral("port: ") + h.window->windowLayout().portStatePanel()->text(),
                     QStringLiteral("status: ") + h.text("lblStatus4")};
    for (QAction *action : h.window->findChildren<QAction *>()) {
        if (action->objectName().startsWith(QLatin1String("cmd")) && action->isEnabled())
            seen << QStringLiteral("available: ") + action->objectName();
    }
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top != h.window.get() && top->isVisible())
            seen << QStringLiteral("window: ") + top->windowTitle();
    }
    if (!h.window->isVisible())
        seen << QStringLiteral("window closed");
    return seen;
}

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
        for (int n = 1; n <= 6; ++n) { // no file title; the tooltip where the path goes says why
            const QLabel *file = h.child<QLabel>(QStringLiteral("lblFile%1").arg(n));
            QVERIFY(file->text().isEmpty() && file->toolTip() == u"No File Added");
            QCOMPARE(h.text(QStringLiteral("lblBytes%1").arg(n)), QStringLiteral("0"));
        }
        QCOMPARE(h.text("lblSpaceR"), QStringLiteral("0"));

        // No port can be opened: the settings dialog is loaded once the window has been drawn,
        // but leaves the port closed.
        h.waitForStartUp();
        QCOMPARE(w.windowLayout().portStatePanel()->text(), QStringLiteral("Not Connected"));
        QCOMPARE(w.windowLayout().portSettingsPanel()->text(),
                 QStringLiteral("COM 1, 9600bps 8-N-1"));
        QCOMPARE(w.windowLayout().displayHintPanel()->text(),
                 QStringLiteral("Best viewed at 1024x768"));

        // The display adaptation has put each value label behind its caption.
        QVERIFY(h.child("lblFile1")->x() > h.child("lblEtF1")->geometry().right());

        QVERIFY(readFile(h.dir.filePath(QStringLiteral("ST6UNST.LOG")))
                    .endsWith("\"CommSettings\"\r\n\r\nx\r\n"));

        // Tab walks through every enabled toolbar button and the print ticket's buttons.
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QStringList reached;
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w,
                            Qt::Key_Tab);
            reached << Harness::focusName();
        }
        for (const char *name :
             {"cmdNew", "cmdOpen", "cmdSave", "cmdSaveAs", "cmdSettings", "cmdConnect", "cmdHelp",
              "cmdAbout", "cmdExit", "cmdAddT", "cmdRveT", "cmdViewT"})
            QVERIFY2(reached.contains(QLatin1String(name)), name);

        // The About box is built for each showing and gone once closed: its text is never
        // appended to.
        QStringList shown;
        for (int i = 0; i < 2; ++i) {
            onNextModal([&shown](QWidget *modal) {
                shown << modal->objectName() + QLatin1Char('|') + modal->windowTitle() +
                             QLatin1Char('|') +
                             modal->findChild<QLabel *>(QStringLiteral("lblAbout"))->text();
            });
            w.dispatch(ToolbarCommand::About);
            QVERIFY(!w.findChild<QDialog *>(QStringLiteral("diaAbout")));
        }
        const QString once = QStringLiteral(
            "diaAbout|About ...|\r\n\r\nZorlaVelmarTicket\r\nV1.101\r\n\r\n\r\nDravenco");
        QCOMPARE(shown, QStringList({once, once}));
    }

    // Every toolbar command and its key, as the operator triggers them on the real window: what
    // becomes visible (a dialog, a window, a status text, a changed set of available commands).
    // Modal dialogs are closed as soon as they show; file dialogs and message boxes go to the
    // dialog double. Help runs on a desktop with no program for web pages.
    void commandsAsTriggered_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("seen"); // what changed, ";"-separated, in sights() order
        const auto row = [](const char *key, bool connected, const char *seen) {
            for (bool byKey : {false, true}) {
                if (byKey && QLatin1String(key) == QLatin1String("cmdAbout"))
                    continue; // About has no key
                QTest::newRow(
                    qPrintable(QStringLiteral("%1 by %2")
                                   .arg(QLatin1String(key),
                                        byKey ? QStringLiteral("key") : QStringLiteral("action"))))
                    << QString::fromLatin1(key) << byKey << connected << QString::fromLatin1(seen);
            }
        };
        row("cmdNew", false, "caption: Zorla Ticket");
        row("cmdOpen", false, "file dialog: ZorlaVelmar Format(*.dat)|*.dat");
        row("cmdSave", false, "file dialog: Zorla Velmar Format(*.dat)|*.dat");
        row("cmdSaveAs", false, "file dialog: Zorla Velmar Format(*.dat)|*.dat");
        // Closed without OK: the port closes, and the window says so.
        row("cmdSettings", true,
            "port: Not Connected;-available: cmdProgram;-available: cmdLoad;dialog: COM settings");
        row("cmdConnect", false, "port: Connected !;available: cmdProgram;available: cmdLoad");
        row("cmdProgram", true, "status: Tickets Verified");
        row("cmdLoad", true, "caption: Zorla Ticket;status: Tickets Readed");
        row("cmdHelp", false, "window: ZorlaVelmarTicket - User guide");
        row("cmdAbout", false, "dialog: About ...");
        row("cmdExit", false, "window closed");
    }
    void commandsAsTriggered()
    {
        QFETCH(QString, key);
        QFETCH(bool, byKey);
        QFETCH(bool, connected);
        BareDesktop desktop;
        Harness h(Model::Velmar);
        MainWindow &w = *h.window;
        h.waitForStartUp();
        if (connected)
            w.dispatch(ToolbarCommand::Connect);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QStringList before = sights(h);
        const qsizetype files = h.dialogs.filters.size();

        QStringList dialogs;
        QTimer closer;
        connect(&closer, &QTimer::timeout, &closer, [&dialogs] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                dialogs << QStringLiteral("dialog: ") + modal->windowTitle();
                modal->close();
            }
        });
        closer.start(10);
        QAction *action = h.button(key);
        if (byKey)
            QTest::keySequence(&w, action->shortcut());
        else
            action->trigger();
        closer.stop();

        QStringList seen;
        const QStringList after = sights(h);
        for (const QString &sight : after) {
            if (!before.contains(sight))
                seen << sight;
        }
        for (const QString &sight : before) {
            if (!after.contains(sight) && !sight.startsWith(QLatin1String("port:")) &&
                !sight.startsWith(QLatin1String("caption:")) &&
                !sight.startsWith(QLatin1String("status:")))
                seen << QLatin1Char('-') + sight;
        }
        for (const QString &filter : h.dialogs.filters.mid(files))
            seen << QStringLiteral("file dialog: ") + filter;
        for (const auto &message : h.dialogs.messages)
            seen << QStringLiteral("message: ") + message.title;
        seen << dialogs;
        QTEST(seen.join(QLatin1Char(';')), "seen");
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top != &w)
                top->close();
        }
    }

    // The preview's title names where the slot's bytes came from.
    void previewTitleNamesTheSource()
    {
        Harness h(Model::Velmar);
        MainWindow &w = *h.window;
        h.addTicket("cmdAddT", 40);
        QString title;
        onNextModal([&title](QWidget *modal) { title = modal->windowTitle(); });
        h.click("cmdViewT");
        QCOMPARE(title, QStringLiteral("T — ticket40.prn"));

        h.dialogs.queueFile(h.dir.filePath(QStringLiteral("a.dat")));
        w.dispatch(ToolbarCommand::SaveAs);
        w.dispatch(ToolbarCommand::New);
        h.dialogs.queueFile(h.dir.filePath(QStringLiteral("a.dat")));
        w.dispatch(ToolbarCommand::Open);
        QCOMPARE(w.slotPreviewTitle(1), QStringLiteral("T — from the programming file a.dat"));

        w.dispatch(ToolbarCommand::Connect);
        w.dispatch(ToolbarCommand::Program);
        w.dispatch(ToolbarCommand::Read);
        QCOMPARE(h.text("lblBytes1"), QStringLiteral("40"));
        QCOMPARE(w.slotPreviewTitle(1), QStringLiteral("T (read from device)"));
    }

    // "Verify after programming" (on unless turned off, kept in the settings) reads the device
    // back: it names the first slot and offset that differ, and never calls verified what the
    // device cannot give back (the truck ticket on a ZORLA).
    void verifyAfterProgramming_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<Application>("application");
        QTest::addColumn<QString>("slotButtons"); // slot buttons to fill
        QTest::addColumn<QString>("verify"); // "on", "off", "corrupt" (T changed after writing)
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("message"); // title: text of the one message box, if any
        // Verified in full: the "program" row of transfers.
        QTest::newRow("off") << Model::Velmar << Application::Industrial << QStringLiteral("T H")
                             << QStringLiteral("off") << QStringLiteral("Tickets Programmed")
                             << QString();
        QTest::newRow("differs")
            << Model::Velmar << Application::Industrial << QStringLiteral("T H")
            << QStringLiteral("corrupt") << QStringLiteral("Verify Failed")
            << QStringLiteral("Verify error!: The device does not hold what was programmed: slot "
                              "T differs at byte offset 17.");
        QTest::newRow("zorla truck")
            << Model::Zorla << Application::Truck << QStringLiteral("T P1") << QStringLiteral("on")
            << QStringLiteral("Partly Verified")
            << QStringLiteral("Verify: T read back as programmed. P1 cannot be read back from "
                              "this device, so it is not verified.");
    }
    void verifyAfterProgramming()
    {
        QFETCH(Model, model);
        QFETCH(Application, application);
        QFETCH(QString, slotButtons);
        QFETCH(QString, verify);
        Harness h(model, application);
        MainWindow &w = *h.window;
        auto *toggle = h.child<QCheckBox>("chkVerify");
        QVERIFY(toggle->isChecked());
        if (verify == u"off")
            toggle->click();
        QCOMPARE(h.settings.value(MainWindow::verifyKey(), QString()),
                 verify == u"off" ? QStringLiteral("0") : QString());
        for (const QString &slot : slotButtons.split(QLatin1Char(' ')))
            h.addTicket(qPrintable(QStringLiteral("cmdAdd") + slot), 40);
        w.dispatch(ToolbarCommand::Connect);
        if (verify == u"corrupt") {
            connect(&w.session(), &DeviceSession::transferEnded, &w,
                    [&h](const TransferResult &result) {
                        if (result.kind == TransferResult::Kind::Program)
                            h.device->device().setMemory(0xA000 + 17, "Q");
                    });
        }
        h.dialogs.messages.clear();
        w.dispatch(ToolbarCommand::Program);
        QTEST(h.text("lblStatus4"), "status");
        QStringList messages;
        for (const auto &message : h.dialogs.messages) {
            if (!message.text.contains(QLatin1String("Program anyway?")))
                messages << message.title + QStringLiteral(": ") + message.text;
        }
        QTEST(messages.join(QLatin1Char('\n')), "message");
    }

    // Counts of up to 8 digits show whole at every usual resolution; a file name box is as wide as
    // its frame, and a long file name is cut in the middle, with the whole path in the tooltip.
    void labelsFitTheirText_data()
    {
        QTest::addColumn<QSize>("screen");
        for (const QSize screen : QList<QSize>{{800, 600}, {1024, 768}, {1280, 1024}, {1920, 1080}})
            QTest::addRow("%dx%d", screen.width(), screen.height()) << screen;
    }
    void labelsFitTheirText()
    {
        QFETCH(QSize, screen);
        Harness h;
        MainWindow &w = *h.window;
        const QString longName = QStringLiteral("a-rather-long-name-for-a-print-file-%1.prn")
                                     .arg(QString(120, QLatin1Char('x')));
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
            // The box takes the width its frame offers, up to the caption's margin.
            const QWidget *caption =
                h.child(QStringLiteral("lblEtF") + QLatin1String(name).right(1));
            QVERIFY2(file->geometry().right() + 2 * caption->x() >=
                         file->parentWidget()->contentsRect().right(),
                     name);
            QVERIFY(file->text().startsWith(QStringLiteral("a-rather")));
            QVERIFY(file->text().endsWith(QStringLiteral("x.prn")));
            QVERIFY(file->text().size() < longName.size());
            QCOMPARE(file->toolTip(), h.dir.filePath(longName));
        }
    }

    // With the simulated device on COM 1: closing the settings dialog without OK unloads it and
    // closes the port (what the window then shows is in commandsAsTriggered) until the next
    // Connect. The next Settings command loads a fresh dialog, whose OK opens the port again.
    // Closing the window closes the port.
    void settingsAndClosing()
    {
        Harness h(Model::Velmar);
        MainWindow &w = *h.window;
        h.waitForStartUp();
        QVERIFY(w.link().isOpen());
        QCOMPARE(w.windowLayout().portStatePanel()->text(), QStringLiteral("Port Opened"));
        w.dispatch(ToolbarCommand::Connect);
        QPointer<PortSettingsDialog> first = w.settingsDialog();
        onNextModal([](QWidget *) {});
        w.dispatch(ToolbarCommand::Settings);
        QVERIFY(!w.link().isOpen() && !w.settingsDialog());
        QTRY_VERIFY(!first);
        QCOMPARE(h.text("lblStatus1"), QString());
        w.dispatch(ToolbarCommand::Connect);
        QCOMPARE(w.windowLayout().portStatePanel()->text(), QStringLiteral("Connected !"));
        QVERIFY(h.button("cmdLoad")->isEnabled());
        w.dispatch(ToolbarCommand::Connect);
        onNextModal(
            [](QWidget *modal) { static_cast<PortSettingsDialog *>(modal)->okButton()->click(); });
        w.dispatch(ToolbarCommand::Settings);
        QVERIFY(w.link().isOpen());

        w.dispatch(ToolbarCommand::Connect);
        QVERIFY(w.close());
        QVERIFY(!w.link().isOpen() && !w.settingsDialog());
        QVERIFY(h.dialogs.messages.isEmpty());
    }

    // What an identification shows, and what the disconnect after it leaves: the device's texts,
    // the truck and totalize frames (shown "T", "t" or hidden "-"), the port state, whether
    // Program and Read are available, and the connect button's tooltip.
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
        const char *off = "|||||--|Not Connected|--|Connect with Device (Ctrl+K)";
        row("velmar truck", Model::Velmar, Application::Truck, {},
            "VELMAR|2.105|Truck Scale|20480||T-|Connected !|pl|Break Communication (Ctrl+K)", off);
        row("velmar industrial", Model::Velmar, Application::Industrial, {},
            "VELMAR|2.105|Industrial|20480||-t|Connected !|pl|Break Communication (Ctrl+K)",
            "|||||-t|Not Connected|--|Connect with Device (Ctrl+K)");
        row("older zorla, no application", Model::ZorlaOld, Application::None, {},
            "ZORLA|1.020|None|3056||-t|Connected !|pl|Break Communication (Ctrl+K)",
            "|||||-t|Not Connected|--|Connect with Device (Ctrl+K)");
        // An unknown model enables Program but stays unconnected: Connect identifies again.
        row("unknown model", Model::Velmar, Application::Truck, "XYZ 1.000 PC\r",
            "UNKNOWN|||||--|Connected !|pl|Connect With Device (Ctrl+K)",
            "VELMAR|2.105|Truck Scale|20480||T-|Connected !|pl|Break Communication (Ctrl+K)");
    }
    void identification()
    {
        QFETCH(Model, model);
        QFETCH(Application, application);
        QFETCH(QByteArray, reply);
        Harness h(model, application);
        if (!reply.isEmpty())
            h.device->device().addFault(Fault::garbage(1, reply));
        const auto shown = [&h] {
            QStringList all;
            for (const char *label :
                 {"lblStatus1", "lblStatus2", "lblStatus3", "lblSpaceA", "lblStatus4"})
                all << h.text(label);
            return (all << h.flags({{'T', h.shown("fraTruck")}, {'t', h.shown("fraTotal")}})
                        << h.window->windowLayout().portStatePanel()->text()
                        << h.flags({{'p', h.button("cmdProgram")->isEnabled()},
                                    {'l', h.button("cmdLoad")->isEnabled()}})
                        << h.button("cmdConnect")->toolTip())
                .join(QLatin1Char('|'));
        };
        h.window->dispatch(ToolbarCommand::Connect);
        QTEST(shown(), "connected");
        QVERIFY(h.button("cmdConnect")->isEnabled());
        QCOMPARE(h.button("cmdConnect")->iconText(), QStringLiteral("Connect"));
        h.window->dispatch(ToolbarCommand::Connect);
        QTEST(shown(), "disconnected");
        QCOMPARE(h.window->link().isOpen(), !reply.isEmpty());
        QVERIFY(h.dialogs.messages.isEmpty());
    }

    // Program and Read by their keys, as the window shows them at the 2nd and the 10th command
    // and once ended, with the caption after. The ticket added before is unsaved work: Read asks
    // about it first (answered Discard unless the row keeps the work), and what it reads is
    // unmodified. The focus is back where it was (on Add T), so that a Space afterwards presses
    // what it pressed before; where that control is gone, it is on the command that ran.
    void transfers_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("ticketSize");
        // "click", "Esc" or "close" at the 10th command, "hide" Add T at the 2nd; "keep" answers
        // the question Cancel.
        QTest::addColumn<QString>("interrupt");
        QTest::addColumn<QString>("shown"); // transferShown() each time, separated by ";"
        QTest::addColumn<int>("messages");
        // What the 2nd and the 10th command show, where they are sent.
        const QHash<QByteArray, QString> during{
            {"program",
             QStringLiteral("Programming ...   2%|BCW----;Programming ...   12%|BCW----;")},
            {"read", QStringLiteral("Reading ...|--W----;Reading ...   3%|BCW----;")}};
        const auto row = [&during](const char *name, const char *key, int ticketSize,
                                   const char *interrupt, const char *sent, const char *ended,
                                   int messages) {
            QTest::newRow(name) << QString::fromLatin1(key) << ticketSize
                                << QString::fromLatin1(interrupt)
                                << during.value(sent) + QLatin1String(ended) << messages;
        };
        // Verify after programming is on unless turned off.
        const char *programmed = "Tickets Verified|---cnap|Zorla Velmar Ticket*";
        const char *cancelled = "Programming Cancelled|---cnap|Zorla Velmar Ticket*";
        row("program", "cmdProgram", 400, "", "program", programmed, 0);
        row("focused control gone", "cmdProgram", 400, "hide", "program", programmed, 0);
        row("program cancelled", "cmdProgram", 400, "click", "program", cancelled, 0);
        row("program cancelled by Esc", "cmdProgram", 400, "Esc", "program", cancelled, 0);
        // Closing the window cancels; it closes once the transfer has ended and the question
        // about the unsaved ticket is answered.
        row("window closed during program", "cmdProgram", 400, "close", "program", cancelled, 1);
        row("read", "cmdLoad", 400, "", "read", "Tickets Readed|---cnap|Zorla Ticket", 1);
        row("read cancelled", "cmdLoad", 400, "click", "read",
            "Reading Cancelled|---cnap|Zorla Ticket", 1);
        row("read, unsaved work kept", "cmdLoad", 400, "keep", "", programmed, 1);
        // A project larger than the device is refused before anything is sent.
        row("program refused", "cmdProgram", 30000, "", "", programmed, 1);
    }
    void transfers()
    {
        QFETCH(QString, key);
        QFETCH(int, ticketSize);
        QFETCH(QString, interrupt);
        Harness h(Model::Velmar);
        MainWindow &w = *h.window;
        h.addTicket("cmdAddT", 400);
        w.dispatch(ToolbarCommand::Connect);
        w.dispatch(ToolbarCommand::Program);
        if (ticketSize != 400)
            h.addTicket("cmdAddH", ticketSize);
        if (interrupt == u"keep")
            h.dialogs.saveAnswers.enqueue(SaveChoice::Cancel);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QWidget *add = h.child("cmdAddT");
        add->setFocus();

        QStringList shown;
        int sent = 0;
        connect(&w.link(), &DeviceLink::commandSent, &w, [&] {
            ++sent;
            if (sent == 2 || sent == 10)
                shown << h.transferShown();
            if (sent == 2 && interrupt == u"hide")
                add->hide();
            if (sent != 10)
                return;
            if (interrupt == u"click")
                h.click("cmdCancel");
            if (interrupt == u"Esc")
                QTest::keyClick(&w, Qt::Key_Escape);
            if (interrupt == u"close") {
                w.close();
                QVERIFY(w.isVisible());
            }
        });
        QTest::keySequence(&w, h.button(key)->shortcut());
        shown << h.transferShown() + QLatin1Char('|') + w.windowTitle();
        if (interrupt != u"close")
            QCOMPARE(Harness::focusName(), interrupt == u"hide" ? key : QStringLiteral("cmdAddT"));
        QTEST(shown.join(QLatin1Char(';')), "shown");
        QVERIFY(interrupt.isEmpty() || interrupt == u"hide" || sent < 50); // ended early
        QTRY_COMPARE(w.isVisible(), interrupt != u"close");
        QCOMPARE(w.link().isOpen(), interrupt != u"close");
        QTEST(int(h.dialogs.messages.size()), "messages");
    }

    // Unsaved work: the caption's mark and the question before New, Open and Exit; the slot
    // buttons (the truck ticket's work while their frame is hidden). A script of steps: "Add"/"Rve"
    // and a slot press a slot button (Add picks a 100-byte file), "file" queues a.dat for the next
    // file dialog, "arg" opens a.dat as a file named on the command line, "S", "D" and "C" queue
    // the answer to the question, the rest are toolbar keys without "cmd". "~" in the result
    // stands for the caption with a.dat as the working file.
    void unsavedWork_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("shown"); // caption|space required|questions|window shown
        const auto row = [](const char *name, const char *script, const char *shown) {
            const QLatin1String working("Zorla Velmar Ticket -   Working file : a.dat");
            QTest::newRow(name) << QString::fromLatin1(script)
                                << QString::fromLatin1(shown).replace(QLatin1Char('~'), working);
        };
        row("a change marks the caption", "AddT", "Zorla Velmar Ticket*|100|0|1");
        row("removing from an empty slot", "RveT", "Zorla Velmar Ticket|0|0|1");
        row("truck ticket's slot buttons", "AddT AddP1 RveT AddP2 RveP2",
            "Zorla Velmar Ticket*|100|0|1");
        row("save as clears the mark", "AddT file SaveAs", "~|100|0|1");
        row("a change after saving", "AddT file SaveAs RveT", "~*|0|0|1");
        row("open asks, then clears", "AddT file SaveAs RveT file Open", "~|100|1|1");
        row("saved work: new asks nothing", "AddT file SaveAs New", "Zorla Ticket|0|0|1");
        row("a file named on the command line", "AddT file SaveAs New arg", "~|100|0|1");
        row("new, cancelled", "AddT C New", "Zorla Velmar Ticket*|100|1|1");
        row("new, discarded", "AddT D New", "Zorla Ticket|0|1|1");
        row("new, saved first", "AddT S file New file Open", "~|100|1|1");
        row("new, save dialog cancelled", "AddT S New", "Zorla Velmar Ticket*|100|1|1");
        row("exit, cancelled", "AddT C Exit", "Zorla Velmar Ticket*|100|1|1");
        row("exit, discarded", "AddT D Exit", "Zorla Velmar Ticket*|100|1|0");
        row("exit, saved first", "AddT S file Exit", "~|100|1|0");
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
            if (step.startsWith(QLatin1String("Add")) || step.startsWith(QLatin1String("Rve"))) {
                if (step.startsWith(QLatin1String("Add")))
                    h.dialogs.queueFile(ticket);
                h.click(QStringLiteral("cmd") + step);
            } else if (step == QLatin1String("arg")) {
                h.window->openProjectFile(h.dir.filePath(QStringLiteral("a.dat")),
                                          QStringLiteral("a.dat"));
            } else if (step == QLatin1String("file")) {
                h.dialogs.queueFile(h.dir.filePath(QStringLiteral("a.dat")));
            } else if (answers.contains(step)) {
                h.dialogs.saveAnswers.enqueue(answers.value(step));
            } else {
                h.window->dispatch(Toolbar::commandOf(h.button(QStringLiteral("cmd") + step)));
            }
        }
        const auto questions = std::count_if(
            h.dialogs.messages.cbegin(), h.dialogs.messages.cend(),
            [](const ScriptedDialogService::Message &m) { return m.title == u"Save"; });
        QTEST(QStringList({h.window->windowTitle(), h.text("lblSpaceR"), QString::number(questions),
                           QString::number(h.window->isVisible())})
                  .join(QLatin1Char('|')),
              "shown");
        QCOMPARE(h.dialogs.messages.size(), questions);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
