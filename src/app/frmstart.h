#pragma once

#include "diaserial.h"
#include "displayadaptation.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRectF>
#include <array>
#include <functional>
#include <memory>

class DeviceConnection;
class DeviceStatus;
class DialogService;
class PortBinding;
class ProjectCommands;
class QAction;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolBar;
class SerialLink;
class SettingsStore;
class TicketProject;

// The main window: owns the project, the serial link and the device status for
// the whole run, shows them, and runs the toolbar and slot commands.
class frmStart : public QMainWindow
{
    Q_OBJECT
public:
    // The toolbar keys in dispatch order.
    static const QStringList &toolbarKeys();
    static QString startCaption() { return QStringLiteral("Zorla Velmar Ticket"); }

    frmStart(DialogService &dialogs, SettingsStore &settings, PortBinding &ports,
             const QString &programFolder, QWidget *parent = nullptr);
    ~frmStart() override;

    // Runs the command of a toolbar key (exact, case-sensitive); an unknown key does nothing.
    void dispatch(const QString &key);

    TicketProject &project() { return *m_project; }
    ProjectCommands &commands() { return *m_commands; }
    SerialLink &link() { return *m_link; }
    DeviceStatus &status() { return *m_status; }
    DeviceConnection &connection() { return *m_connection; }
    // The settings dialog while it is loaded, else nullptr.
    diaSerial *serialDialog() const { return m_diaSerial; }

    QAction *toolButton(const QString &key) const;
    QIcon toolbarImage(const QString &imageKey) const { return imlToolBar.value(imageKey); }
    QString panelText(int panel) const;
    QString helpFile() const { return m_helpFile; }
    int PortNumber() const { return m_portNumber; }
    QString PortSettings() const { return m_portSettings; }
    // True while a device command (connect, program, read) is running.
    bool transferRunning() const { return m_deviceCommands > 0; }

    // Fits the layout to the screen the window is on (also run on every work-area change).
    void adaptDisplay();
    // Shows the bytes of slot n (1..6) in a read-only preview.
    void showSlotPreview(int n);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // One control that the display adaptation handles, with its geometry in twips
    // relative to its container.
    struct Control {
        QWidget *widget = nullptr;
        ControlRecord record;
    };

    void buildToolbar();
    void buildStatusBar();
    void buildFrames();
    void buildSlot(QWidget *container, int n, double left, double top);
    QGroupBox *frame(QWidget *parent, const QString &name, const QString &caption,
                     const QRectF &twips);
    QLabel *label(QWidget *parent, const QString &name, int index, const QString &caption,
                  double left, double top);
    void addControl(QWidget *widget, ControlRecord::Kind kind, const QString &name, int index,
                    const QRectF &twips);
    void applyControl(const Control &control);
    QIcon fallbackImage(const QString &imageKey) const;
    void startUp();
    void watchScreen();

    void showSlot(int n);
    void showSpaceRequired();
    void showStatus();
    void updateClock();

    void runSettings();
    void runDeviceCommand(const std::function<void()> &command);
    void unloadSerialDialog();
    void loadSerialDialog();

    DialogService &m_dialogs;
    SettingsStore &m_settings;
    PortBinding &m_ports;
    QString m_programFolder;
    QString m_helpFile;
    int m_portNumber = 1;
    QString m_portSettings = QStringLiteral("9600,n,8,1");

    std::unique_ptr<TicketProject> m_project;
    std::unique_ptr<ProjectCommands> m_commands;
    std::unique_ptr<SerialLink> m_link;
    std::unique_ptr<DeviceStatus> m_status;
    std::unique_ptr<DeviceConnection> m_connection;
    QPointer<diaSerial> m_diaSerial;
    DisplayAdaptation m_adaptation;
    QList<Control> m_controls;
    int m_deviceCommands = 0;
    bool m_closePending = false;
    QMetaObject::Connection m_screenConnection;

    QToolBar *ToolbarStart = nullptr;
    QHash<QString, QIcon> imlToolBar;
    QHash<QString, QAction *> m_buttons;
    std::array<QLabel *, 5> m_panels{};
    QTimer *m_clock = nullptr;

    QGroupBox *fraTruck = nullptr;
    QGroupBox *fraTotal = nullptr;
    std::array<QLabel *, 6> lblFile{};
    std::array<QLabel *, 6> lblBytes{};
    std::array<QPushButton *, 6> m_addButtons{};
    std::array<QPushButton *, 6> m_removeButtons{};
    std::array<QLabel *, 4> lblStatus{};
    QLabel *lblSpaceR = nullptr;
    QLabel *lblSpaceA = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *cmdCancel = nullptr;
};
