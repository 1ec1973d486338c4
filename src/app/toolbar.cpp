#include "toolbar.h"

#include <QAction>
#include <QFile>
#include <QStyle>

namespace
{

struct ToolbarButton {
    const char *key;
    const char *caption;
    const char *tooltip;
    bool groupEnds;
};

// The toolbar buttons in their order; a separator follows each group's last button.
constexpr ToolbarButton toolbarButtons[] = {
    {"cmdNew", "New", "Enter New Tickets", false},
    {"cmdOpen", "Open", "Open Programming File (*.dat)", false},
    {"cmdSave", "Save", "Save the current programming file (*.dat)", false},
    {"cmdSaveAs", "Save As...", "Save as a new programming file (*.dat)", true},
    {"cmdSettings", "Settings", "Select Communication Settings", false},
    {"cmdConnect", "Connect", "Connect With Device", false},
    {"cmdProgram", "Program", "Program device with introduced tickets", false},
    {"cmdLoad", "Read", "Read tickets that are programmed in device", true},
    {"cmdHelp", "Help", "It may be of interest for you", false},
    {"cmdAbout", "About", "Who we are?", true},
    {"cmdExit", "Exit", "Good-Bye", false},
};

// The images of the image list and the standard icon each falls back to when its artwork is
// missing, keyed by command name followed by "Icon".
struct ToolbarImage {
    const char *key;
    QStyle::StandardPixmap fallback;
};
constexpr ToolbarImage toolbarImages[] = {
    {"cmdNewIcon", QStyle::SP_FileIcon},
    {"cmdOpenIcon", QStyle::SP_DialogOpenButton},
    {"cmdSaveIcon", QStyle::SP_DialogSaveButton},
    {"cmdSaveAsIcon", QStyle::SP_DriveFDIcon},
    {"cmdExitIcon", QStyle::SP_DialogCloseButton},
    {"cmdSettingsIcon", QStyle::SP_ComputerIcon},
    {"cmdConnectIcon", QStyle::SP_DriveNetIcon},
    {"cmdProgramIcon", QStyle::SP_ArrowRight},
    {"cmdLoadIcon", QStyle::SP_ArrowLeft},
    {"cmdHelpIcon", QStyle::SP_DialogHelpButton},
    {"cmdAboutIcon", QStyle::SP_MessageBoxInformation},
    {"cmdStopIcon", QStyle::SP_BrowserStop},
    {"cmdDisconnectIcon", QStyle::SP_MediaStop},
};

} // namespace

// The artwork is compiled into the window's static library, so its initialiser must be pulled in.
static void ensureResources()
{
    Q_INIT_RESOURCE(zvticket);
}

Toolbar::Toolbar(QWidget *parent) : QToolBar(parent)
{
    ensureResources();
    setObjectName(QStringLiteral("ToolbarStart"));
    setMovable(false);
    setFloatable(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(32, 32));
    toggleViewAction()->setEnabled(false);
    loadImages();
    addButtons();
}

void Toolbar::loadImages()
{
    for (const ToolbarImage &image : toolbarImages) {
        const QString key = QString::fromLatin1(image.key);
        const QString resource = QStringLiteral(":/icons/%1.svg").arg(key);
        m_images.insert(key, QFile::exists(resource) ? QIcon(resource)
                                                     : style()->standardIcon(image.fallback));
    }
}

void Toolbar::addButtons()
{
    for (const ToolbarButton &button : toolbarButtons) {
        const QString key = QString::fromLatin1(button.key);
        const QString caption = QString::fromLatin1(button.caption);
        QAction *action = addAction(m_images.value(key + QStringLiteral("Icon")), caption);
        action->setObjectName(key);
        // The button shows the caption as it stands ("Save As..." keeps its dots).
        action->setIconText(caption);
        action->setToolTip(QString::fromLatin1(button.tooltip));
        connect(action, &QAction::triggered, this, [this, key] { dispatch(key); });
        m_buttons.insert(key, action);
        if (button.groupEnds)
            addSeparator();
    }
}

void Toolbar::setCommand(const QString &key, std::function<void()> command)
{
    m_commands.insert(key, std::move(command));
}

void Toolbar::dispatch(const QString &key) const
{
    // A copy, so that a command may replace commands while it runs.
    const std::function<void()> command = m_commands.value(key);
    if (command)
        command();
}
