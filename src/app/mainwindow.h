#pragma once

#include "devicelink.h"
#include "devicesession.h"
#include "portsettingsdialog.h"
#include "projectcommands.h"
#include "slotpreview.h"
#include "ticketproject.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class DialogService;
class PortBinding;
class QCheckBox;
class QTimer;
class SettingsStore;
class Toolbar;
enum class ToolbarCommand;
class WindowLayout;

// The main window: owns the project, the device link and the device session for the whole run,
// shows what they announce as the window's captions, texts and enabled commands, and runs the
// toolbar and slot commands.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    MainWindow(DialogService &dialogs, SettingsStore &settings, PortBinding &ports,
               const QString &programFolder, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Runs a toolbar command, as its button does.
    void dispatch(ToolbarCommand command);

    TicketProject &project() { return m_project; }
    ProjectCommands &commands() { return m_commands; }
    DeviceLink &link() { return m_link; }
    DeviceSession &session() { return m_session; }
    // The settings dialog while it is loaded, else nullptr.
    PortSettingsDialog *settingsDialog() const { return m_settingsDialog; }

    WindowLayout &windowLayout() const { return *m_layout; }

    // Opens a programming file as Open does after its dialog (a file named on the command line).
    void openProjectFile(const QString &path, const QString &title);

    // Shows the bytes of slot n (1..6) in a read-only preview.
    void showSlotPreview(int n);
    // The preview's title for slot n, naming where its bytes came from.
    QString slotPreviewTitle(int n) const;

    // The settings key of "Verify after programming" ("1" or "0"; on where unset).
    static QString verifyKey() { return QStringLiteral("VerifyAfterProgramming"); }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setCommands();
    void connectSlots();
    void connectSession();
    void startUp();
    // The start-up work that can wait for the first picture of the window: probing the ports
    // (through the settings dialog) and the installer's log. Runs once, at the latest when a
    // command needs the port.
    void finishStartUp();
    void connectVerifyToggle();
    void startClock();
    void watchScreen();
    void updateClock();

    void showCaption();
    void showSlot(int n);
    void showSpaceRequired();
    void showPortState(DeviceSession::PortState state);
    void showIdentity();
    void showProgress(const TransferProgress &progress);
    void showResult(const TransferResult &result);
    void showEnabling();

    // A transfer (Program or Read) is running.
    bool busy() const { return m_session.progress().running(); }
    // A device command (Connect, Program or Read) is running.
    bool deviceCommandRunning() const { return m_deviceCommands > 0; }
    // Runs a device command started by the toolbar command `key`; afterwards the focus goes back
    // to the widget that had it, or where that is gone or unavailable, to the command's button.
    void runDeviceCommand(ToolbarCommand key, const std::function<void()> &command);
    void restoreFocus(QWidget *before, ToolbarCommand key);
    void program();
    // Unsaved work: the project differs from what was last opened, saved, read or made new.
    void noteProjectChange();
    void setModified(bool modified);
    // Runs New, Open or Read once unsaved work is saved or given up; what it loads is unmodified.
    void replaceProject(SlotPreview::Source source, const std::function<void()> &command);
    // Asks about unsaved work; false when the user stays with it (Cancel, or a Save that did not
    // write the file).
    bool settleUnsavedWork();
    void runSettings();
    void loadSettingsDialog();
    void unloadSettingsDialog();

    DialogService &m_dialogs;
    SettingsStore &m_settings;
    PortBinding &m_ports;
    QString m_programFolder;
    PortSettingsDialog::PortChoice m_portChoice;

    TicketProject m_project;
    ProjectCommands m_commands;
    DeviceLink m_link;
    DeviceSession m_session;
    QPointer<PortSettingsDialog> m_settingsDialog;
    int m_deviceCommands = 0;
    bool m_closePending = false;
    bool m_modified = false;
    bool m_replacing = false; // New, Open or Read is loading the project
    bool m_replaced = false;  // ... and has changed it
    bool m_connectedShown = false;
    bool m_startUpFinished = false;
    // Where each slot's bytes came from, and the file's name.
    struct SlotOrigin {
        SlotPreview::Source source = SlotPreview::Source::PrintFile;
        QString name;
    };
    std::array<SlotOrigin, TicketProject::slotCount> m_slotOrigins;
    SlotPreview::Source m_replacingSource = SlotPreview::Source::PrintFile;
    QMetaObject::Connection m_screenConnection;

    Toolbar *m_toolbar = nullptr;
    std::unique_ptr<WindowLayout> m_layout;
    QTimer *m_clock = nullptr;
    QCheckBox *m_verify = nullptr;
};
