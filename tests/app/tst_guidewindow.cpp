#include "baredesktop.h"
#include "guidewindow.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// The names of the pictures a document shows.
QStringList imagesOf(const QTextDocument &document)
{
    QStringList names;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat())
                names.append(format.toImageFormat().name());
        }
    }
    return names;
}

} // namespace

// On a desktop where nothing can show a page, Help shows the guide in a window of the tool.
class TestGuideWindow : public QObject
{
    Q_OBJECT

private slots:
    void showsTheGuideItself()
    {
        BareDesktop desktop;
        QWidget main;
        // The build tree keeps the guide where an installation would, seen from the program.
        const QString helpFile =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../src/app/Help.chm");
        GuideWindow::showHelp(helpFile, &main);
        GuideWindow::showHelp(helpFile, &main);
        const QList<GuideWindow *> windows = main.findChildren<GuideWindow *>();
        QCOMPARE(windows.size(), 1);
        GuideWindow &guide = *windows.first();
        QVERIFY(guide.isVisible() && guide.isWindow());
        QCOMPARE(guide.windowTitle(), QStringLiteral("ZorlaVelmarTicket - User guide"));
        const QStringList images = imagesOf(*guide.document());
        QVERIFY(images.size() > 10);
        for (const QString &image : images)
            QVERIFY2(guide.loadResource(QTextDocument::ImageResource, QUrl(image)).isValid(),
                     qPrintable(image));
    }

    void saysWhereTheGuideWasLookedFor()
    {
        BareDesktop desktop;
        QWidget main;
        GuideWindow::showHelp(desktop.dir.filePath(QStringLiteral("usr/bin/Help.chm")), &main);
        GuideWindow *guide = main.findChild<GuideWindow *>();
        QVERIFY(guide && guide->isVisible());
        QCOMPARE(
            guide->toPlainText(),
            QStringLiteral("The user guide is not installed. It was looked for at %1.")
                .arg(desktop.dir.filePath(QStringLiteral("usr/share/doc/zvticket/index.html"))));
    }
};

QTEST_MAIN(TestGuideWindow)
#include "tst_guidewindow.moc"
