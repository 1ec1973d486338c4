#include "helpviewer.h"

#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace
{

const char HtmlType[] = "text/html";

// A desktop entry whose MimeType line lists text/html.
bool declaresHtml(const QString &desktopEntry)
{
    QFile file(desktopEntry);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(64 * 1024).trimmed();
        if (line.startsWith("MimeType=") && line.mid(9).split(';').contains(HtmlType))
            return true;
    }
    return false;
}

// A mimeapps.list or mimeinfo.cache that maps text/html to a program (outside the section of
// removed associations).
bool mapsHtml(const QString &list)
{
    QFile file(list);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QByteArray key = QByteArray(HtmlType) + '=';
    bool removed = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(64 * 1024).trimmed();
        if (line.startsWith('['))
            removed = line == "[Removed Associations]";
        else if (!removed && line.startsWith(key) && line.size() > key.size())
            return true;
    }
    return false;
}

// Unused where the system always shows HTML (Windows, macOS).
[[maybe_unused]] bool applicationFolderShowsHtml(const QString &folder)
{
    if (mapsHtml(folder + QStringLiteral("/mimeinfo.cache")) ||
        mapsHtml(folder + QStringLiteral("/mimeapps.list")))
        return true;
    QDirIterator entries(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        if (declaresHtml(entries.next()))
            return true;
    }
    return false;
}

} // namespace

QString HelpViewer::guideLocationFor(const QString &helpFile)
{
    const QDir programFolder = QFileInfo(helpFile).absoluteDir();
    return QDir::cleanPath(
        programFolder.absoluteFilePath(QStringLiteral("../share/doc/zvticket/index.html")));
}

QString HelpViewer::htmlGuideFor(const QString &helpFile)
{
    const QString guide = guideLocationFor(helpFile);
    return QFileInfo::exists(guide) ? guide : QString();
}

bool HelpViewer::desktopShowsHtml()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    if (!qEnvironmentVariableIsEmpty("BROWSER") ||
        !QStandardPaths::findExecutable(QStringLiteral("x-www-browser")).isEmpty())
        return true;
    for (const QString &folder :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        if (mapsHtml(folder + QStringLiteral("/mimeapps.list")))
            return true;
    }
    for (const QString &folder :
         QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        if (applicationFolderShowsHtml(folder))
            return true;
    }
    return false;
#endif
}

bool HelpViewer::openLocalFile(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool HelpViewer::showHelp(const QString &helpFile)
{
#ifdef Q_OS_WIN
    if (QFileInfo::exists(helpFile) && openLocalFile(helpFile))
        return true;
#endif
    // The system's launcher reports success once it has started, not once a page is shown, so
    // the guide goes out only where the desktop names a program for it.
    const QString guide = htmlGuideFor(helpFile);
    return !guide.isEmpty() && desktopShowsHtml() && openLocalFile(guide);
}
