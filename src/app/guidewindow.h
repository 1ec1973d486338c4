#pragma once

#include <QTextBrowser>

// The user guide in a window of the tool, for a desktop where nothing else can show it.
class GuideWindow : public QTextBrowser
{
    Q_OBJECT
public:
    // Opens help with the system's viewer; where none can show it, shows the guide in a window
    // of the parent's (one window, brought to the front when asked again).
    static void showHelp(const QString &helpFile, QWidget *parent);

    // Shows the guide's page, or where it is missing, where it was looked for.
    explicit GuideWindow(const QString &page, QWidget *parent = nullptr);
};
