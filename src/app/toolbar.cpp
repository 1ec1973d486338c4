#include "toolbar.h"

#include <QAction>
#include <QFile>
#include <QStyle>
#include <QToolButton>

namespace
{

// A button's key: the platform's standard key where there is one, else (or where the platform
// has none) the given sequence.
struct ToolbarShortcut {
    QKeySequence::StandardKey standard;
    const char *sequence;
};

struct ToolbarButton {
    const char *key;
    const char *caption;
    const char *tooltip;
    bool groupEnds;
    ToolbarShortcut shortcut;
};

constexpr QKeySequence::StandardKey noStandardKey = QKeySequence::UnknownKey;

// The toolbar buttons in their order, which is ToolbarCommand's; a separator follows each group's
// last button. A button's key is its objectName() and names its image; Read keeps its older key
// "cmdLoad".
constexpr ToolbarButton toolbarButtons[] = {
    {"cmdNew", "New", "Enter New Tickets", false, {QKeySequence::New, "Ctrl+N"}},
    {"cmdOpen", "Open", "Open Programming File (*.dat)", false, {QKeySequence::Open, "Ctrl+O"}},
    {"cmdSave",
     "Save",
     "Save the current programming file (*.dat)",
     false,
     {QKeySequence::Save, "Ctrl+S"}},
    {"cmdSaveAs",
     "Save As...",
     "Save as a new programming file (*.dat)",
     true,
     {QKeySequence::SaveAs, "Ctrl+Shift+S"}},
    {"cmdSettings", "Settings", "Select Communication Settings", false, {noStandardKey, "Ctrl+,"}},
    {"cmdConnect", "Connect", "Connect With Device", false, {noStandardKey, "Ctrl+K"}},
    {"cmdProgram",
     "Program",
     "Program device with introduced tickets",
     false,
     {noStandardKey, "F5"}},
    {"cmdLoad", "Read", "Read tickets that are programmed in device", true, {noStandardKey, "F6"}},
    {"cmdHelp", "Help", "It may be of interest for you", false, {QKeySequence::HelpContents, "F1"}},
    {"cmdAbout", "About", "Who we are?", true, {noStandardKey, nullptr}},
    {"cmdExit", "Exit", "Good-Bye", false, {QKeySequence::Quit, "Ctrl+Q"}},
};

static_assert(std::size(toolbarButtons) == Toolbar::commandCount, "one button per command");

QKeySequence keyOf(const ToolbarShortcut &shortcut)
{
    if (shortcut.standard != noStandardKey) {
        const QKeySequence standard(shortcut.standard);
        if (!standard.isEmpty())
            return standard;
    }
    return shortcut.sequence ? QKeySequence(QString::fromLatin1(shortcut.sequence))
                             : QKeySequence();
}

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
    for (int index = 0; index < commandCount; ++index) {
        const ToolbarButton &button = toolbarButtons[index];
        const QString key = QString::fromLatin1(button.key);
        const QString caption = QString::fromLatin1(button.caption);
        QAction *action = addAction(m_images.value(key + QStringLiteral("Icon")), caption);
        action->setObjectName(key);
        // The button shows the caption as it stands ("Save As..." keeps its dots).
        action->setIconText(caption);
        action->setShortcut(keyOf(button.shortcut));
        setTip(action, QString::fromLatin1(button.tooltip));
        // Reachable with Tab as well as with the keys and the mouse.
        widgetForAction(action)->setFocusPolicy(Qt::TabFocus);
        action->setData(index);
        connect(action, &QAction::triggered, this,
                [this, command = ToolbarCommand(index)] { dispatch(command); });
        m_buttons.at(index) = action;
        if (button.groupEnds)
            addSeparator();
    }
}

void Toolbar::setTip(QAction *button, const QString &tip)
{
    const QKeySequence key = button->shortcut();
    button->setToolTip(
        key.isEmpty() ? tip
                      : QStringLiteral("%1 (%2)").arg(tip, key.toString(QKeySequence::NativeText)));
}

ToolbarCommand Toolbar::commandOf(const QAction *button)
{
    return ToolbarCommand(button->data().toInt());
}

QIcon Toolbar::image(ToolbarCommand command) const
{
    return m_images.value(QString::fromLatin1(toolbarButtons[int(command)].key) +
                          QStringLiteral("Icon"));
}

QIcon Toolbar::disconnectImage() const
{
    return m_images.value(QStringLiteral("cmdDisconnectIcon"));
}

void Toolbar::setCommand(ToolbarCommand command, std::function<void()> run)
{
    m_commands.at(int(command)) = std::move(run);
}

void Toolbar::dispatch(ToolbarCommand command) const
{
    // A copy, so that a command may replace commands while it runs.
    const std::function<void()> run = m_commands.at(int(command));
    Q_ASSERT_X(run, "Toolbar::dispatch", "a toolbar command without its function");
    if (run)
        run();
}
