#pragma once

#include <QString>

// Opens the help file in the platform's viewer; the viewer runs on its own and nothing is
// reported when the file is missing or cannot be shown.
class HelpViewer
{
public:
    static void showHelp(const QString &helpFile);
};
