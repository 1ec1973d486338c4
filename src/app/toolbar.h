#pragma once

#include <QHash>
#include <QIcon>
#include <QToolBar>
#include <array>
#include <functional>

// The commands of the main window's toolbar, in the order of its buttons.
enum class ToolbarCommand {
    New,
    Open,
    Save,
    SaveAs,
    Settings,
    Connect,
    Program,
    Read,
    Help,
    About,
    Exit
};

// The main window's toolbar "ToolbarStart": its buttons in their groups with captions and
// tooltips, the image list they take their icons from, and the command run for each button.
class Toolbar : public QToolBar
{
    Q_OBJECT
public:
    static constexpr int commandCount = int(ToolbarCommand::Exit) + 1;

    explicit Toolbar(QWidget *parent = nullptr);

    // The button of a command; its objectName() is the command's key, such as "cmdConnect".
    QAction *button(ToolbarCommand command) const { return m_buttons.at(int(command)); }
    // The command whose button this is, when it is one of the toolbar's.
    static ToolbarCommand commandOf(const QAction *button);
    // The image-list picture of a command's button.
    QIcon image(ToolbarCommand command) const;
    // The image-list picture Connect shows while a device is connected.
    QIcon disconnectImage() const;

    // Sets a button's tooltip, followed by its keyboard shortcut as in "Enter New Tickets
    // (Ctrl+N)".
    static void setTip(QAction *button, const QString &tip);
    // Sets what a command runs, from its button or from dispatch().
    void setCommand(ToolbarCommand command, std::function<void()> run);
    // Runs a command; every command must have been set (debug builds stop on one that was not).
    void dispatch(ToolbarCommand command) const;

private:
    void loadImages();
    void addButtons();

    QHash<QString, QIcon> m_images;
    std::array<QAction *, commandCount> m_buttons{};
    std::array<std::function<void()>, commandCount> m_commands;
};
