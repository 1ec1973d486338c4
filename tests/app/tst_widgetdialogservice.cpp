#include "projectcommands.h"
#include "widgetdialogservice.h"

#include <QTest>

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
};

QTEST_GUILESS_MAIN(TestWidgetDialogService)
#include "tst_widgetdialogservice.moc"
