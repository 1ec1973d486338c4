#pragma once

#include <QString>

// Chooses what the Help command opens and opens it in a viewer of the system: on Windows the
// compiled help file beside the program, elsewhere the installed HTML guide. Says when nothing
// outside the tool can show help, so that the caller shows the guide itself.
class HelpViewer
{
public:
    // Opens help outside the tool; false when nothing there can show it.
    static bool showHelp(const QString &helpFile);

    // Where the HTML guide is installed for the program of a help file beside it:
    // ../share/doc/zvticket/index.html from the program's folder.
    static QString guideLocationFor(const QString &helpFile);
    // That guide, or empty when there is none.
    static QString htmlGuideFor(const QString &helpFile);

    // Whether the desktop names a program for HTML pages: a desktop entry or a MIME default for
    // text/html, or the browser that xdg-open falls back to. Always true on Windows and macOS,
    // whose shells report themselves when they cannot open a file.
    static bool desktopShowsHtml();

private:
    static bool openLocalFile(const QString &path);
};
