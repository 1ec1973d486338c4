#pragma once

#include <QString>

// Opens the help file in the platform's viewer; the viewer runs on its own and nothing is
// reported when the file is missing or cannot be shown.
class HelpViewer
{
public:
    // Where the system has no viewer for the compiled help file (most Linux desktops), the HTML
    // user guide installed with the program is opened in the browser instead.
    static void showHelp(const QString &helpFile);

    // The installed HTML guide for a help file beside the program, or empty when there is none.
    static QString htmlGuideFor(const QString &helpFile);
};
