#include "mainwindow.h"
#include "papercanvas.h"
#include "papertabs.h"
#include "paperview.h"
#include "portbinding.h"
#include "scripteddialogservice.h"
#include "settingsstore.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// The main window with the bundled sample project open, over settings of its own and ports
// that do not exist.
struct Harness {
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    PortBinding ports{settings};
    ScriptedDialogService dialogs;
    std::unique_ptr<MainWindow> window;

    Harness()
    {
        for (int n = 1; n <= PortBinding::optionCount; ++n)
            ports.bind(n, dir.filePath(QStringLiteral("no-such-tty%1").arg(n)));
        window = std::make_unique<MainWindow>(dialogs, settings, ports, dir.path());
        window->show();
        window->openProjectFile(QStringLiteral(ZV_EXAMPLES_DIR "/sample.dat"),
                                QStringLiteral("sample.dat"));
    }
};

// Presses a slot's View button and runs inspect on the preview it opens, then closes it.
void viewSlot(Harness &h, const QString &slot, const std::function<void(QWidget *)> &inspect)
{
    QTimer::singleShot(0, [inspect] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        inspect(modal);
        modal->close();
    });
    h.window->findChild<QPushButton *>(QStringLiteral("cmdView") + slot)->click();
}

qreal feedAt(const PageModel &model, qsizetype offset)
{
    for (const PageModel::Feed &feed : model.feeds) {
        if (feed.offset == offset)
            return feed.amount;
    }
    return -1;
}

} // namespace

class TestPaperView : public QObject
{
    Q_OBJECT
private slots:
    // The preview of H shows its paper as the file is, and the ticket set as identification shows
    // it and programming leaves it: T on paper of its own, then H, B and F with the last ESC J of
    // H feeding nothing.
    void paperAndTicketTabs()
    {
        Harness h;
        viewSlot(h, QStringLiteral("H"), [](QWidget *preview) {
            auto *tabs = preview->findChild<QTabWidget *>();
            QStringList captions;
            for (int i = 0; i < tabs->count(); ++i)
                captions << tabs->tabText(i);
            QCOMPARE(captions.join(QLatin1Char(',')), QStringLiteral("Text,Hex,Paper,Ticket"));
            auto *paper = preview->findChild<PaperView *>(QStringLiteral("paperView"));
            auto *ticket = preview->findChild<PaperView *>(QStringLiteral("ticketView"));
            QCOMPARE(feedAt(paper->result().model, 131), 48.0);
            QVERIFY(paper->statusText().contains(QStringLiteral("chosen automatically: ESC/POS")));
            // No device has been identified: the window shows the print ticket alone.
            QCOMPARE(ticket->result().model.pageCount(), 1);
            QCOMPARE(ticket->result().model.runs.size(), 13);
        });

        QTabWidget tabs;
        PaperTabs::addTo(&tabs, QByteArray(), h.window->project(), PaperTabs::ShownSet::Totalize,
                         h.settings, h.dialogs);
        const PageModel &ticket =
            tabs.findChild<PaperView *>(QStringLiteral("ticketView"))->result().model;
        QCOMPARE(ticket.pageCount(), 3);
        QCOMPARE(feedAt(ticket, 407 + 131), 0.0);
    }

    // Choosing another family in one view redraws both and is kept; Export… writes the picture;
    // Ctrl++ zooms; a marker names its bytes in a tooltip.
    void operatorControls()
    {
        Harness h;
        const QString exported = h.dir.filePath(QStringLiteral("header.pdf"));
        h.dialogs.queueFile(exported);
        viewSlot(h, QStringLiteral("H"), [&exported](QWidget *preview) {
            auto *tabs = preview->findChild<QTabWidget *>();
            auto *paper = preview->findChild<PaperView *>(QStringLiteral("paperView"));
            auto *ticket = preview->findChild<PaperView *>(QStringLiteral("ticketView"));
            tabs->setCurrentWidget(paper);
            auto *family = paper->findChild<QComboBox *>(QStringLiteral("paperFamily"));
            family->setCurrentIndex(family->findData(QStringLiteral("escp24")));
            QCOMPARE(paper->result().family, PrinterFamily::EscP24);
            QCOMPARE(ticket->result().family, PrinterFamily::EscP24);
            QVERIFY(paper->statusText().contains(QStringLiteral("not understood")));

            PaperCanvas *canvas = paper->canvas();
            const PageModel::Uninterpreted marker = canvas->model().uninterpreted.first();
            const PagePainter painter(canvas->model());
            const QPoint at = (painter.markerRect(marker).center() * canvas->scale()).toPoint();
            QHelpEvent help(QEvent::ToolTip, at, canvas->mapToGlobal(at));
            QApplication::sendEvent(canvas, &help);
            QVERIFY2(QToolTip::text().contains(QStringLiteral("byte 4, 1 byte(s): 01")),
                     qPrintable(QToolTip::text()));

            auto *scroll = paper->findChild<QScrollArea *>();
            scroll->setFocus();
            QTest::keyClick(scroll, Qt::Key_Plus, Qt::ControlModifier);
            QCOMPARE(canvas->zoom(), 1.25);

            paper->findChild<QPushButton *>(QStringLiteral("paperExport"))->click();
            QVERIFY(QFile(exported).size() > 1000);
        });
        QCOMPARE(h.settings.value(PaperView::familyKey(), QString()), QStringLiteral("escp24"));
        QVERIFY(h.dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(TestPaperView)
#include "tst_paperview.moc"
