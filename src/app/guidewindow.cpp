#include "guidewindow.h"

#include "helpviewer.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

GuideWindow::GuideWindow(const QString &page, QWidget *parent) : QTextBrowser(parent)
{
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setOpenExternalLinks(true);
    if (QFileInfo::exists(page)) {
        setSource(QUrl::fromLocalFile(page));
        setWindowTitle(documentTitle());
    } else {
        setWindowTitle(QStringLiteral("ZorlaVelmarTicket - User guide"));
        setPlainText(QStringLiteral("The user guide is not installed. It was looked for at %1.")
                         .arg(QDir::toNativeSeparators(page)));
    }
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() * 0.8 : QSize(800, 600);
    resize(QSize(860, 900).boundedTo(room));
}

void GuideWindow::showHelp(const QString &helpFile, QWidget *parent)
{
    if (HelpViewer::showHelp(helpFile))
        return;
    GuideWindow *window = parent ? parent->findChild<GuideWindow *>() : nullptr;
    if (!window)
        window = new GuideWindow(HelpViewer::guideLocationFor(helpFile), parent);
    window->show();
    window->raise();
    window->activateWindow();
}
