#pragma once

#include <QHash>
#include <QIcon>
#include <QToolBar>
#include <functional>

// The main window's toolbar "ToolbarStart": its buttons in their groups with captions and
// tooltips, the image list they take their icons from, and the command run for each button's key.
class Toolbar : public QToolBar
{
    Q_OBJECT
public:
    explicit Toolbar(QWidget *parent = nullptr);

    // The button of a key such as "cmdConnect"; nullptr for an unknown key.
    QAction *button(const QString &key) const { return m_buttons.value(key); }
    // The image-list entry of a key such as "cmdDisconnectIcon".
    QIcon image(const QString &imageKey) const { return m_images.value(imageKey); }

    // Sets a button's tooltip, followed by its keyboard shortcut as in "Enter New Tickets
    // (Ctrl+N)".
    static void setTip(QAction *button, const QString &tip);
    // Sets the command a key runs, from its button or from dispatch().
    void setCommand(const QString &key, std::function<void()> command);
    // Runs the command of a key (exact, case-sensitive); an unknown key does nothing.
    void dispatch(const QString &key) const;

private:
    void loadImages();
    void addButtons();

    QHash<QString, QIcon> m_images;
    QHash<QString, QAction *> m_buttons;
    QHash<QString, std::function<void()>> m_commands;
};
