#include "projectcommands.h"
#include "widgetdialogservice.h"

#include <QtTest>
#include <QtWidgets>

class TestWidgetDialogService : public QObject
{
    Q_OBJECT
private slots:
    void fileDialogFilters()
    {
        QCOMPARE(WidgetDialogService::toQtFilter(ProjectCommands::printFileFilter()),
                 QStringLiteral("Print Files(*.prn) or Text Files(*.txt) (*.prn *.txt)"));
        QCOMPARE(WidgetDialogService::toQtFilter(QStringLiteral("Text|*.txt|All|*.*")),
                 QStringLiteral("Text (*.txt);;All (*.*)"));
    }

    // The question about unsaved work: its three buttons and Escape, which stays with the work.
    void askToSave_data()
    {
        QTest::addColumn<int>("button"); // QMessageBox::StandardButton; 0: Escape
        QTest::addColumn<SaveChoice>("choice");
        QTest::newRow("save") << int(QMessageBox::Save) << SaveChoice::Save;
        QTest::newRow("discard") << int(QMessageBox::Discard) << SaveChoice::Discard;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << SaveChoice::Cancel;
        QTest::newRow("escape") << 0 << SaveChoice::Cancel;
    }
    void askToSave()
    {
        QFETCH(int, button);
        QWidget window;
        window.setWindowTitle(QStringLiteral("Zorla Ticket*"));
        WidgetDialogService dialogs(&window);
        QString title;
        QTimer::singleShot(0, [button, &title] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            if (button)
                box->button(QMessageBox::StandardButton(button))->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        QTEST(dialogs.askToSave(QStringLiteral("Save them first?")), "choice");
        QCOMPARE(title, window.windowTitle());
    }
};

QTEST_MAIN(TestWidgetDialogService)
#include "tst_widgetdialogservice.moc"
