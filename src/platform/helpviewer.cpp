#include "helpviewer.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

void HelpViewer::showHelp(const QString &helpFile)
{
    if (QFileInfo::exists(helpFile))
        QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile));
}
