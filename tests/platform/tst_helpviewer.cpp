#include "baredesktop.h"
#include "helpviewer.h"

#include <QTest>

class TestHelpViewer : public QObject
{
    Q_OBJECT

private slots:
    // Starting the system's launcher is no proof that anything shows a page: the desktop must
    // name a program for HTML pages, in any of the places xdg-open looks.
    void desktopShowsHtml_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("shows");
        const auto row = [](const char *name, const char *file, const QByteArray &content,
                            bool shows) {
            QTest::newRow(name) << QString::fromLatin1(file) << content << shows;
        };
        const QByteArray entry = "[Desktop Entry]\nType=Application\nMimeType=";
        row("nothing", "", {}, false);
        row("entry for pages", "data/applications/org/browser.desktop",
            entry + "text/plain;text/html;\n", true);
        row("entry for other types", "data-home/applications/viewer.desktop",
            entry + "text/plain;text/htmlx;\n", false);
        row("MIME default", "config-home/mimeapps.list",
            "[Default Applications]\ntext/html=browser.desktop\n", true);
        row("removed association", "config/mimeapps.list",
            "[Removed Associations]\ntext/html=browser.desktop\n", false);
        row("MIME cache", "data/applications/mimeinfo.cache",
            "[MIME Cache]\ntext/html=browser.desktop;\n", true);
        row("fallback browser", "bin/x-www-browser", "#!/bin/sh\n", true);
    }
    void desktopShowsHtml()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        BareDesktop desktop;
        if (!file.isEmpty())
            desktop.put(file, content, file.startsWith(QLatin1String("bin/")));
        QTEST(HelpViewer::desktopShowsHtml(), "shows");
    }

    // The guide lies where an installation puts it from the program's folder; help is never
    // reported shown without it.
    void guideBesideTheProgram()
    {
        BareDesktop desktop;
        desktop.put(QStringLiteral("bin/x-www-browser"), "#!/bin/sh\n", true);
        const QString helpFile = desktop.dir.filePath(QStringLiteral("usr/bin/Help.chm"));
        QCOMPARE(HelpViewer::htmlGuideFor(helpFile), QString());
        QVERIFY(!HelpViewer::showHelp(helpFile));
        desktop.put(QStringLiteral("usr/share/doc/zvticket/index.html"), "<html></html>");
        QCOMPARE(HelpViewer::htmlGuideFor(helpFile),
                 desktop.dir.filePath(QStringLiteral("usr/share/doc/zvticket/index.html")));
    }
};

QTEST_GUILESS_MAIN(TestHelpViewer)
#include "tst_helpviewer.moc"
