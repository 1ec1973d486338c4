#include "mainwindow.h"

#include "aboutdialog.h"
#include "deviceconnection.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "dialogservice.h"
#include "guidewindow.h"
#include "operatortexts.h"
#include "papertabs.h"
#include "portbinding.h"
#include "programverification.h"
#include "settingsstore.h"
#include "toolbar.h"
#include "uninstalllog.h"
#include "windowlayout.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

namespace
{

const QString noFileAdded = QStringLiteral("No File Added");

} // namespace

// The artwork is compiled into the window's static library, so its initialiser must be pulled in.
static void ensureResources()
{
    Q_INIT_RESOURCE(zvticket);
}

MainWindow::MainWindow(DialogService &dialogs, SettingsStore &settings, PortBinding &ports,
                       const QString &programFolder, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_settings(settings), m_ports(ports),
      m_programFolder(programFolder), m_commands(m_project, dialogs), m_session(m_link, dialogs)
{
    m_link.setPortBinding(&ports);
    ensureResources();
    setObjectName(QStringLiteral("frmStart"));
    const QString icon = QStringLiteral(":/zvticket.svg");
    setWindowIcon(QFile::exists(icon) ? QIcon(icon)
                                      : style()->standardIcon(QStyle::SP_ComputerIcon));

    m_toolbar = new Toolbar(this);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    m_layout = std::make_unique<WindowLayout>(*this, *m_toolbar);
    startClock();
    setCommands();
    connectSlots();
    connectSession();
    startUp();
}

MainWindow::~MainWindow()
{
    unloadSettingsDialog();
}

void MainWindow::setCommands()
{
    const auto command = [this](ToolbarCommand key, std::function<void()> run) {
        m_toolbar->setCommand(key, std::move(run));
    };
    using Source = SlotPreview::Source;
    command(ToolbarCommand::New, [this] {
        if (!busy())
            replaceProject(Source::PrintFile, [this] { m_commands.newProject(); });
    });
    command(ToolbarCommand::Open, [this] {
        if (!busy())
            replaceProject(Source::ProgrammingFile, [this] { m_commands.openProject(); });
    });
    command(ToolbarCommand::Save, [this] {
        if (m_commands.save())
            setModified(false);
    });
    command(ToolbarCommand::SaveAs, [this] {
        if (m_commands.saveAs())
            setModified(false);
    });
    command(ToolbarCommand::Settings, [this] {
        finishStartUp();
        if (!busy())
            runSettings();
    });
    command(ToolbarCommand::Connect, [this] {
        finishStartUp();
        if (!busy() && !deviceCommandRunning())
            runDeviceCommand(ToolbarCommand::Connect,
                             [this] { DeviceConnection(m_session).toggle(); });
    });
    command(ToolbarCommand::Program, [this] {
        if (m_session.transfersEnabled())
            runDeviceCommand(ToolbarCommand::Program, [this] { program(); });
    });
    command(ToolbarCommand::Read, [this] {
        if (m_session.transfersEnabled())
            replaceProject(Source::Device, [this] {
                runDeviceCommand(ToolbarCommand::Read,
                                 [this] { DeviceReader(m_project, m_session).run(); });
            });
    });
    // The desktop's viewer where one opens the guide (Help.chm first on Windows), else the
    // guide in a window of the tool.
    command(ToolbarCommand::Help, [this] {
        GuideWindow::showHelp(QDir(m_programFolder).filePath(QStringLiteral("Help.chm")), this);
    });
    command(ToolbarCommand::About, [this] { AboutDialog(this).exec(); });
    command(ToolbarCommand::Exit, [this] { close(); });
}

void MainWindow::connectSlots()
{
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        connect(m_layout->addButton(n), &QPushButton::clicked, this,
                [this, n] { m_commands.addTicket(n); });
        connect(m_layout->removeButton(n), &QPushButton::clicked, this, [this, n] {
            // Removing from an empty slot changes nothing, so it leaves no unsaved work.
            if (!(m_project.slot(n) == TicketSlot()))
                m_commands.removeTicket(n);
        });
        connect(m_layout->viewButton(n), &QPushButton::clicked, this,
                [this, n] { showSlotPreview(n); });
        m_layout->fileLabel(n)->installEventFilter(this);
        m_layout->byteLabel(n)->installEventFilter(this);
    }
    connect(&m_project, &TicketProject::slotChanged, this, [this](int n) {
        m_slotOrigins[n - 1] =
            m_replacing ? SlotOrigin{m_replacingSource, QString()}
                        : SlotOrigin{SlotPreview::Source::PrintFile, m_project.slot(n).fileTitle};
        showSlot(n);
        showSpaceRequired();
        noteProjectChange();
    });
    connect(&m_project, &TicketProject::originChanged, this, &MainWindow::showCaption);
}

void MainWindow::connectSession()
{
    connect(m_layout->cancelButton(), &QPushButton::clicked, this,
            [this] { m_session.requestCancel(); });
    // Escape cancels a running transfer at once (a button's own shortcut would click it only
    // after its press animation).
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_layout->cancelButton());
    connect(escape, &QShortcut::activated, this, [this] {
        if (busy())
            m_session.requestCancel();
    });
    connect(&m_session, &DeviceSession::portStateChanged, this, &MainWindow::showPortState);
    connect(&m_session, &DeviceSession::identityChanged, this, &MainWindow::showIdentity);
    connect(&m_session, &DeviceSession::transfersEnabledChanged, this, &MainWindow::showEnabling);
    connect(&m_session, &DeviceSession::progressChanged, this, &MainWindow::showProgress);
    connect(&m_session, &DeviceSession::transferEnded, this, &MainWindow::showResult);
}

void MainWindow::startUp()
{
    m_layout->adapt();
    watchScreen();
    connectVerifyToggle();

    showCaption();
    for (int n = 1; n <= TicketProject::slotCount; ++n)
        showSlot(n);
    showSpaceRequired();
    showPortState(m_session.portState());
    showIdentity();
    showProgress(m_session.progress());
}

void MainWindow::finishStartUp()
{
    if (m_startUpFinished)
        return;
    m_startUpFinished = true;
    // Registers the settings in the installer's log once; never reports anything.
    UninstallLog::registerSettings(QDir(m_programFolder).filePath(QStringLiteral("ST6UNST.LOG")));
    if (!m_settingsDialog)
        loadSettingsDialog();
}

bool MainWindow::event(QEvent *event)
{
    // The first picture of the window is painted before the work that can wait.
    if (event->type() == QEvent::Paint && !m_startUpFinished)
        QTimer::singleShot(0, this, &MainWindow::finishStartUp);
    return QMainWindow::event(event);
}

void MainWindow::connectVerifyToggle()
{
    m_verify = m_layout->verifyToggle();
    m_verify->setChecked(m_settings.value(verifyKey(), QStringLiteral("1")) != u"0");
    connect(m_verify, &QCheckBox::toggled, this, [this](bool on) {
        m_settings.setValue(verifyKey(), on ? QStringLiteral("1") : QStringLiteral("0"));
        m_settings.sync();
    });
}

void MainWindow::program()
{
    const TransferResult result = DeviceProgrammer(m_project, m_session).run();
    if (result.outcome != TransferResult::Outcome::Programmed || !m_verify->isChecked())
        return;
    const QString status = ProgramVerification(m_project, m_session).run();
    m_layout->statusLine()->setText(status);
}

void MainWindow::startClock()
{
    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &MainWindow::updateClock);
    m_clock->start();
    updateClock();
}

void MainWindow::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_layout->datePanel()->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_layout->timePanel()->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

void MainWindow::watchScreen()
{
    // The work area changes with the resolution, with panels and docks, and when the window
    // moves to another screen.
    (void)winId();
    auto follow = [this](QScreen *screen) {
        disconnect(m_screenConnection);
        if (screen)
            m_screenConnection = connect(screen, &QScreen::availableGeometryChanged, this,
                                         [this] { m_layout->adapt(); });
    };
    follow(windowHandle()->screen());
    connect(windowHandle(), &QWindow::screenChanged, this, [this, follow](QScreen *screen) {
        follow(screen);
        m_layout->adapt();
    });
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The toolbar's height is known for certain once the window is laid out.
    QTimer::singleShot(0, this, [this] { m_layout->placeFrames(); });
}

void MainWindow::dispatch(ToolbarCommand command)
{
    m_toolbar->dispatch(command);
}

void MainWindow::showCaption()
{
    QString caption;
    switch (m_project.origin()) {
    case TicketProject::Origin::Start:
        caption = QStringLiteral("Zorla Velmar Ticket");
        break;
    case TicketProject::Origin::New:
        caption = QStringLiteral("Zorla Ticket");
        break;
    case TicketProject::Origin::File:
        caption =
            QStringLiteral("Zorla Velmar Ticket -   Working file : ") + m_project.workingTitle();
        break;
    }
    setWindowTitle(m_modified ? caption + QLatin1Char('*') : caption);
}

void MainWindow::noteProjectChange()
{
    if (m_replacing)
        m_replaced = true;
    else
        setModified(true);
}

void MainWindow::setModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    showCaption();
}

void MainWindow::replaceProject(SlotPreview::Source source, const std::function<void()> &command)
{
    if (!settleUnsavedWork())
        return;
    m_replacing = true;
    m_replaced = false;
    m_replacingSource = source;
    command();
    m_replacing = false;
    if (m_replaced)
        setModified(false);
    // Slots read from a programming file are named after it once it is open.
    for (SlotOrigin &origin : m_slotOrigins) {
        if (origin.source == SlotPreview::Source::ProgrammingFile && origin.name.isEmpty())
            origin.name = m_project.workingTitle();
    }
}

bool MainWindow::settleUnsavedWork()
{
    if (!m_modified)
        return true;
    switch (m_dialogs.askToSave(QStringLiteral(
        "The tickets have changed since they were last opened, saved or read. Save them first?"))) {
    case SaveChoice::Save:
        if (!m_commands.save())
            return false;
        setModified(false);
        return true;
    case SaveChoice::Discard:
        return true;
    case SaveChoice::Cancel:
        break;
    }
    return false;
}

void MainWindow::showSlot(int n)
{
    const TicketSlot &slot = m_project.slot(n);
    QLabel *file = m_layout->fileLabel(n);
    // A name longer than the label keeps its start and its extension.
    file->setText(file->fontMetrics().elidedText(slot.fileTitle, Qt::ElideMiddle,
                                                 file->contentsRect().width()));
    file->setToolTip(slot.filePath.isEmpty() ? noFileAdded : slot.filePath);
    m_layout->byteLabel(n)->setText(QString::number(slot.byteCount));
}

void MainWindow::showSpaceRequired()
{
    m_layout->spaceRequiredLabel()->setText(QString::number(m_project.spaceRequired()));
}

void MainWindow::showPortState(DeviceSession::PortState state)
{
    m_layout->portStatePanel()->setText(OperatorTexts::portState(state));
}

// The identified device's texts and ticket frame; a disconnect also empties the status line and
// hides the truck ticket (the totalize ticket stays as it was).
void MainWindow::showIdentity()
{
    const DeviceIdentity &identity = m_session.identity();
    const bool identified = identity.identified();
    m_layout->modelLabel()->setText(identity.model);
    m_layout->versionLabel()->setText(identified ? identity.version : QString());
    m_layout->applicationLabel()->setText(identified ? identity.application : QString());
    m_layout->spaceAvailableLabel()->setText(identified ? QString::number(identity.space)
                                                        : QString());
    if (identified && !identity.application.isEmpty()) {
        m_layout->truckFrame()->setVisible(identity.truckApplication());
        m_layout->totalFrame()->setVisible(!identity.truckApplication());
    }

    QAction *connectButton = m_toolbar->button(ToolbarCommand::Connect);
    const bool connected = m_session.isConnected();
    if (connected) {
        Toolbar::setTip(connectButton, QStringLiteral("Break Communication"));
    } else if (m_connectedShown) {
        m_layout->statusLine()->clear();
        m_layout->truckFrame()->hide();
        Toolbar::setTip(connectButton, QStringLiteral("Connect with Device"));
    }
    connectButton->setIcon(connected ? m_toolbar->disconnectImage()
                                     : m_toolbar->image(ToolbarCommand::Connect));
    m_connectedShown = connected;
}

void MainWindow::showProgress(const TransferProgress &progress)
{
    using Phase = TransferProgress::Phase;
    const bool counting =
        progress.phase == Phase::Programming || progress.phase == Phase::ReadingData;
    QProgressBar *bar = m_layout->progressBar();
    if (counting) {
        bar->setRange(0, qMax(1, progress.total));
        bar->setValue(qBound(0, progress.done, bar->maximum()));
    }
    if (progress.running())
        m_layout->statusLine()->setText(OperatorTexts::transferProgress(progress));
    bar->setVisible(counting);
    m_layout->cancelButton()->setVisible(counting);
    showEnabling();
}

void MainWindow::showResult(const TransferResult &result)
{
    // A null text leaves the status line as it was.
    const QString text = OperatorTexts::transferResult(result);
    if (!text.isNull())
        m_layout->statusLine()->setText(text);
}

// While a transfer runs: hourglass over the window (not over Cancel); New, Open, Settings,
// Connect and the slot buttons unavailable. Connect also waits for its own run to end.
void MainWindow::showEnabling()
{
    const bool transferring = busy();
    const bool transfers = m_session.transfersEnabled();
    m_toolbar->button(ToolbarCommand::Program)->setEnabled(transfers);
    m_toolbar->button(ToolbarCommand::Read)->setEnabled(transfers);
    m_toolbar->button(ToolbarCommand::Connect)
        ->setEnabled(!transferring && !deviceCommandRunning());
    for (const ToolbarCommand command :
         {ToolbarCommand::New, ToolbarCommand::Open, ToolbarCommand::Settings})
        m_toolbar->button(command)->setEnabled(!transferring);
    m_layout->verifyToggle()->setEnabled(!transferring);
    for (int n = 1; n <= TicketProject::slotCount; ++n) {
        m_layout->addButton(n)->setEnabled(!transferring);
        m_layout->removeButton(n)->setEnabled(!transferring);
        m_layout->viewButton(n)->setEnabled(!transferring);
    }
    if (transferring) {
        setCursor(Qt::WaitCursor);
        m_layout->cancelButton()->setCursor(Qt::ArrowCursor);
    } else {
        unsetCursor();
    }
}

void MainWindow::runDeviceCommand(ToolbarCommand key, const std::function<void()> &command)
{
    const QPointer<QWidget> focus = QApplication::focusWidget();
    ++m_deviceCommands;
    showEnabling();
    command();
    --m_deviceCommands;
    showEnabling();
    restoreFocus(focus, key);
    if (m_closePending && !deviceCommandRunning())
        QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::restoreFocus(QWidget *before, ToolbarCommand key)
{
    // While the slot buttons were unavailable the toolkit moved the focus on (to Save, where a
    // Space would then save the project).
    if (before && before->window() == this && before->isEnabled() && before->isVisible()) {
        before->setFocus(Qt::OtherFocusReason);
        return;
    }
    QWidget *button = m_toolbar->widgetForAction(m_toolbar->button(key));
    if (button && button->isEnabled())
        button->setFocus(Qt::OtherFocusReason);
}

void MainWindow::runSettings()
{
    m_portChoice = {m_link.portNumber(), m_link.lineSettings()};
    if (!m_settingsDialog)
        loadSettingsDialog();
    m_settingsDialog->exec();
}

void MainWindow::loadSettingsDialog()
{
    auto *dialog = new PortSettingsDialog(m_session, m_settings, m_ports, m_portChoice, this);
    connect(dialog, &PortSettingsDialog::summaryChanged, m_layout->portSettingsPanel(),
            &QLabel::setText);
    // Closing the dialog without OK unloads it, which closes the port: the device is no longer
    // connected, and Program and Read wait for the next Connect. The next Settings command loads
    // a fresh dialog.
    connect(dialog, &PortSettingsDialog::unloaded, this, [this, dialog] {
        if (m_settingsDialog == dialog)
            m_settingsDialog = nullptr;
        dialog->deleteLater();
        m_session.disconnectDevice();
    });
    m_settingsDialog = dialog;
    dialog->load();
}

void MainWindow::unloadSettingsDialog()
{
    // Unloading the dialog closes the port.
    delete m_settingsDialog.data();
}

void MainWindow::openProjectFile(const QString &path, const QString &title)
{
    replaceProject(SlotPreview::Source::ProgrammingFile,
                   [this, &path, &title] { m_commands.openProjectFile(path, title); });
}

QString MainWindow::slotPreviewTitle(int n) const
{
    const SlotOrigin &origin = m_slotOrigins[n - 1];
    return SlotPreview::title(TicketProject::slotName(n), origin.source, origin.name);
}

void MainWindow::showSlotPreview(int n)
{
    SlotPreview preview(slotPreviewTitle(n), m_project.contents(n), this);
    const auto shown = !m_layout->truckFrame()->isHidden()   ? PaperTabs::ShownSet::Truck
                       : !m_layout->totalFrame()->isHidden() ? PaperTabs::ShownSet::Totalize
                                                             : PaperTabs::ShownSet::PrintTicketOnly;
    PaperTabs::addTo(preview.tabs(), preview.content(), m_project, shown, m_settings, m_dialogs);
    preview.exec();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange) {
        // The file name is cut to the label's new width.
        for (int n = 1; n <= TicketProject::slotCount; ++n) {
            if (watched == m_layout->fileLabel(n))
                showSlot(n);
        }
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int n = 1; n <= TicketProject::slotCount; ++n) {
            if (watched == m_layout->fileLabel(n) || watched == m_layout->byteLabel(n)) {
                showSlotPreview(n);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (deviceCommandRunning()) {
        // Leaving the nested wait of a device command would break it off mid-command: ask it to
        // stop and close once it has ended.
        m_session.requestCancel();
        m_closePending = true;
        event->ignore();
        return;
    }
    m_closePending = false;
    if (!settleUnsavedWork()) {
        event->ignore();
        return;
    }
    unloadSettingsDialog();
    m_clock->stop();
    event->accept();
}
