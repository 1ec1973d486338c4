#include "helpviewer.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

QString HelpViewer::htmlGuideFor(const QString &helpFile)
{
    const QDir programFolder = QFileInfo(helpFile).absoluteDir();
    const QString guide =
        programFolder.absoluteFilePath(QStringLiteral("../share/doc/zvticket/index.html"));
    return QFileInfo::exists(guide) ? QDir::cleanPath(guide) : QString();
}

void HelpViewer::showHelp(const QString &helpFile)
{
    if (!QFileInfo::exists(helpFile))
        return;
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile)))
        return;
    const QString guide = htmlGuideFor(helpFile);
    if (!guide.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(guide));
}
