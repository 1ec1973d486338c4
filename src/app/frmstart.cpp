#include "frmstart.h"

#include "deviceconnection.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "devicestatus.h"
#include "diaabout.h"
#include "diaserial.h"
#include "guidewindow.h"
#include "portbinding.h"
#include "projectcommands.h"
#include "seriallink.h"
#include "slotpreview.h"
#include "ticketproject.h"
#include "twips.h"
#include "uninstalllog.h"

#include <QAction>
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
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

namespace
{

using Kind = ControlRecord::Kind;

struct ToolbarButton {
    const char *key;
    const char *caption;
    const char *tooltip;
    bool groupEnds;
};

// The toolbar buttons in their order; a separator follows each group's last button.
constexpr ToolbarButton ToolbarButtons[] = {
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

// The images of the image list, keyed by command name followed by "Icon".
constexpr const char *ImageKeys[] = {
    "cmdNewIcon",      "cmdOpenIcon",    "cmdSaveIcon",       "cmdSaveAsIcon", "cmdExitIcon",
    "cmdSettingsIcon", "cmdConnectIcon", "cmdProgramIcon",    "cmdLoadIcon",   "cmdHelpIcon",
    "cmdAboutIcon",    "cmdStopIcon",    "cmdDisconnectIcon",
};

// The device status rows from top to bottom: the lblStatus element and its caption.
struct StatusRow {
    int index;
    const char *caption;
};
constexpr StatusRow StatusRows[] = {
    {1, "Device Type : "},
    {3, "Application : "},
    {2, "SW Version  :"},
    {4, "Status : "},
};

const QString NoFileAdded = QStringLiteral("No File Added");

// Layout of the window description, in twips relative to the container.
const QRectF TicketFrame(480, 1080, 5775, 1935);
const QRectF DeviceFrame(6480, 1080, 8535, 1935);
const QRectF PrintFrame(480, 3240, 5775, 2775);
const QRectF TruckFrame(6480, 3240, 8535, 2775);
const QRectF TotalFrame(480, 6240, 14535, 3135);
constexpr double SubFrameTop = 300;
constexpr double TruckPartWidth = 4095;
constexpr double TruckPartHeight = 2355;
constexpr double TotalPartWidth = 4695;
constexpr double TotalPartHeight = 2715;
constexpr double LabelHeight = 270;
constexpr double StatusValueLeft = 2160;

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

} // namespace

// The artwork is compiled into the window's static library, so its initialiser must be pulled in.
static void ensureResources()
{
    Q_INIT_RESOURCE(zvticket);
}

const QStringList &frmStart::toolbarKeys()
{
    static const QStringList keys = [] {
        QStringList list;
        for (const ToolbarButton &button : ToolbarButtons)
            list << text(button.key);
        return list;
    }();
    return keys;
}

frmStart::frmStart(DialogService &dialogs, SettingsStore &settings, PortBinding &ports,
                   const QString &programFolder, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_settings(settings), m_ports(ports),
      m_programFolder(programFolder), m_project(std::make_unique<TicketProject>()),
      m_commands(std::make_unique<ProjectCommands>(*m_project, dialogs)),
      m_link(std::make_unique<SerialLink>(dialogs)), m_status(std::make_unique<DeviceStatus>()),
      m_connection(std::make_unique<DeviceConnection>(*m_link, *m_status, dialogs))
{
    m_link->setPortBinding(&ports);
    ensureResources();
    setObjectName(QStringLiteral("frmStart"));
    setWindowTitle(startCaption());
    const QString icon = QStringLiteral(":/zvticket.svg");
    setWindowIcon(QFile::exists(icon) ? QIcon(icon)
                                      : style()->standardIcon(QStyle::SP_ComputerIcon));

    buildToolbar();
    buildFrames();
    buildStatusBar();

    connect(m_project.get(), &TicketProject::slotChanged, this, [this](int n) {
        showSlot(n);
        showSpaceRequired();
    });
    connect(m_project.get(), &TicketProject::captionChanged, this, &QWidget::setWindowTitle);
    connect(m_status.get(), &DeviceStatus::changed, this, &frmStart::showStatus);

    startUp();
}

frmStart::~frmStart()
{
    unloadSerialDialog();
}

void frmStart::buildToolbar()
{
    ToolbarStart = new QToolBar(this);
    ToolbarStart->setObjectName(QStringLiteral("ToolbarStart"));
    ToolbarStart->setMovable(false);
    ToolbarStart->setFloatable(false);
    ToolbarStart->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolbarStart->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolbarStart->setIconSize(QSize(32, 32));
    ToolbarStart->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, ToolbarStart);

    for (const char *key : ImageKeys) {
        const QString imageKey = text(key);
        const QString resource = QStringLiteral(":/icons/%1.svg").arg(imageKey);
        imlToolBar.insert(imageKey,
                          QFile::exists(resource) ? QIcon(resource) : fallbackImage(imageKey));
    }

    for (const ToolbarButton &button : ToolbarButtons) {
        const QString key = text(button.key);
        QAction *action = ToolbarStart->addAction(imlToolBar.value(key + QStringLiteral("Icon")),
                                                  text(button.caption));
        action->setObjectName(key);
        // The button shows the caption as it stands ("Save As..." keeps its dots).
        action->setIconText(text(button.caption));
        action->setToolTip(text(button.tooltip));
        connect(action, &QAction::triggered, this, [this, key] { dispatch(key); });
        m_buttons.insert(key, action);
        if (button.groupEnds)
            ToolbarStart->addSeparator();
    }
}

QIcon frmStart::fallbackImage(const QString &imageKey) const
{
    static const QHash<QString, QStyle::StandardPixmap> standard{
        {QStringLiteral("cmdNewIcon"), QStyle::SP_FileIcon},
        {QStringLiteral("cmdOpenIcon"), QStyle::SP_DialogOpenButton},
        {QStringLiteral("cmdSaveIcon"), QStyle::SP_DialogSaveButton},
        {QStringLiteral("cmdSaveAsIcon"), QStyle::SP_DriveFDIcon},
        {QStringLiteral("cmdExitIcon"), QStyle::SP_DialogCloseButton},
        {QStringLiteral("cmdSettingsIcon"), QStyle::SP_ComputerIcon},
        {QStringLiteral("cmdConnectIcon"), QStyle::SP_DriveNetIcon},
        {QStringLiteral("cmdProgramIcon"), QStyle::SP_ArrowRight},
        {QStringLiteral("cmdLoadIcon"), QStyle::SP_ArrowLeft},
        {QStringLiteral("cmdHelpIcon"), QStyle::SP_DialogHelpButton},
        {QStringLiteral("cmdAboutIcon"), QStyle::SP_MessageBoxInformation},
        {QStringLiteral("cmdStopIcon"), QStyle::SP_BrowserStop},
        {QStringLiteral("cmdDisconnectIcon"), QStyle::SP_MediaStop},
    };
    return style()->standardIcon(standard.value(imageKey, QStyle::SP_FileIcon));
}

void frmStart::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(false);
    static constexpr int minimumWidths[] = {120, 200, 90, 70, 170};
    for (int i = 0; i < 5; ++i) {
        auto *panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("statusBarPanel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumWidth(minimumWidths[i]);
        panel->setAlignment(i >= 2 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        bar->addPermanentWidget(panel, i == 1 ? 1 : 0);
        m_panels[i] = panel;
    }
    m_panels[4]->setText(QStringLiteral("Best viewed at 1024x768"));
    m_panels[4]->setToolTip(QStringLiteral("Best viewed at 1024x768"));
    ControlRecord record;
    record.kind = Kind::StatusBar;
    record.name = QStringLiteral("statusBar");
    m_controls.append({bar, record});

    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &frmStart::updateClock);
    m_clock->start();
    updateClock();
}

void frmStart::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_panels[2]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_panels[3]->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

QString frmStart::panelText(int panel) const
{
    return (panel >= 1 && panel <= 5) ? m_panels[panel - 1]->text() : QString();
}

QAction *frmStart::toolButton(const QString &key) const
{
    return m_buttons.value(key);
}

void frmStart::addControl(QWidget *widget, ControlRecord::Kind kind, const QString &name, int index,
                          const QRectF &twips)
{
    widget->setObjectName(index > 0 ? name + QString::number(index) : name);
    ControlRecord record;
    record.kind = kind;
    record.name = name;
    record.index = index;
    record.left = twips.left();
    record.top = twips.top();
    record.width = twips.width();
    record.height = twips.height();
    record.fontSize = widget->font().pointSizeF();
    m_controls.append({widget, record});
}

QGroupBox *frmStart::frame(QWidget *parent, const QString &name, const QString &caption,
                           const QRectF &twips)
{
    auto *box = new QGroupBox(caption, parent);
    addControl(box, Kind::Frame, name, 0, twips);
    return box;
}

QLabel *frmStart::label(QWidget *parent, const QString &name, int index, const QString &caption,
                        double left, double top)
{
    auto *lbl = new QLabel(caption, parent);
    lbl->setTextFormat(Qt::PlainText);
    const double width = (caption.size() + 1) * 135.0;
    addControl(lbl, Kind::Label, name, index, QRectF(left, top, width, LabelHeight));
    return lbl;
}

void frmStart::buildSlot(QWidget *container, int n, double left, double top)
{
    const QString suffix = TicketProject::slotName(n);
    auto *add = new QPushButton(QStringLiteral("Add"), container);
    add->setToolTip(QStringLiteral("Add a ticket to project"));
    addControl(add, Kind::CommandButton, QStringLiteral("cmdAdd") + suffix, 0,
               QRectF(left + 240, top + 420, 1095, 435));
    auto *remove = new QPushButton(QStringLiteral("Remove"), container);
    remove->setToolTip(QStringLiteral("Remove ticket from project"));
    addControl(remove, Kind::CommandButton, QStringLiteral("cmdRve") + suffix, 0,
               QRectF(left + 1440, top + 420, 1095, 435));
    connect(add, &QPushButton::clicked, this, [this, n] { m_commands->AddTicket(n); });
    connect(remove, &QPushButton::clicked, this, [this, n] { m_commands->RemoveTicket(n); });
    m_addButtons[n - 1] = add;
    m_removeButtons[n - 1] = remove;

    label(container, QStringLiteral("lblEtF"), n, QStringLiteral("FILE"), left + 240, top + 1140);
    label(container, QStringLiteral("lblEtB"), n, QStringLiteral("BYTES"), left + 240, top + 1620);
    QLabel *file =
        label(container, QStringLiteral("lblFile"), n, QString(), left + 1000, top + 1140);
    QLabel *bytes = label(container, QStringLiteral("lblBytes"), n, QStringLiteral("0"),
                          left + 1000, top + 1620);
    for (QLabel *value : {file, bytes}) {
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        value->installEventFilter(this);
    }
    lblFile[n - 1] = file;
    lblBytes[n - 1] = bytes;
}

void frmStart::buildFrames()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    QGroupBox *ticket =
        frame(central, QStringLiteral("fraTicket"), QStringLiteral("TICKET Status"), TicketFrame);
    label(ticket, QStringLiteral("lblEtSR"), 0, QStringLiteral("Space Required "), 360, 540);
    lblSpaceR = label(ticket, QStringLiteral("lblSpaceR"), 0, QStringLiteral("0"), 2500, 540);
    label(ticket, QStringLiteral("lblEtSRB"), 0, QStringLiteral("Bytes"), 3500, 540);
    label(ticket, QStringLiteral("lblEtSA"), 0, QStringLiteral("Space Available"), 360, 1140);
    lblSpaceA = label(ticket, QStringLiteral("lblSpaceA"), 0, QString(), 2500, 1140);
    label(ticket, QStringLiteral("lblEtSAB"), 0, QStringLiteral("Bytes"), 3500, 1140);
    for (QLabel *value : {lblSpaceR, lblSpaceA})
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    QGroupBox *device =
        frame(central, QStringLiteral("fraDevice"), QStringLiteral("DEVICE Status"), DeviceFrame);
    double top = 360;
    for (const StatusRow &row : StatusRows) {
        label(device, QStringLiteral("lblEtStatus"), row.index, text(row.caption), 240, top);
        QLabel *value =
            label(device, QStringLiteral("lblStatus"), row.index, QString(), StatusValueLeft, top);
        value->setProperty("tag", row.index == 4 ? QStringLiteral("23") : QStringLiteral("10"));
        lblStatus[row.index - 1] = value;
        top += 330;
    }
    ProgressBar1 = new QProgressBar(device);
    ProgressBar1->setTextVisible(false);
    addControl(ProgressBar1, Kind::ProgressBar, QStringLiteral("ProgressBar1"), 0,
               QRectF(5280, 1335, 3015, 300));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), device);
    addControl(cmdCancel, Kind::CommandButton, QStringLiteral("cmdCancel"), 0,
               QRectF(7080, 600, 1215, 495));
    connect(cmdCancel, &QPushButton::clicked, this, [this] { m_link->setCancelRequested(true); });

    QGroupBox *print =
        frame(central, QStringLiteral("fraPrint"), QStringLiteral("PRINT TICKET"), PrintFrame);
    buildSlot(print, TicketProject::T, 120, SubFrameTop);

    fraTruck =
        frame(central, QStringLiteral("fraTruck"), QStringLiteral("TRUCK TICKET"), TruckFrame);
    QGroupBox *p2 = frame(fraTruck, QStringLiteral("fraP2"), QStringLiteral("P2"),
                          QRectF(120, SubFrameTop, TruckPartWidth, TruckPartHeight));
    buildSlot(p2, TicketProject::P2, 0, 0);
    QGroupBox *p1 =
        frame(fraTruck, QStringLiteral("fraP1"), QStringLiteral("P1"),
              QRectF(120 + TruckPartWidth + 105, SubFrameTop, TruckPartWidth, TruckPartHeight));
    buildSlot(p1, TicketProject::P1, 0, 0);

    fraTotal =
        frame(central, QStringLiteral("fraTotal"), QStringLiteral("TOTALIZE TICKET"), TotalFrame);
    struct Part {
        int slot;
        const char *name;
        const char *caption;
    };
    constexpr Part parts[] = {{TicketProject::H, "fraHeader", "HEADER"},
                              {TicketProject::B, "fraBody", "BODY"},
                              {TicketProject::F, "fraFooter", "FOOTER"}};
    double left = 120;
    for (const Part &part : parts) {
        QGroupBox *box = frame(fraTotal, text(part.name), text(part.caption),
                               QRectF(left, SubFrameTop, TotalPartWidth, TotalPartHeight));
        buildSlot(box, part.slot, 0, 0);
        left += TotalPartWidth + 105;
    }

    fraTruck->hide();
    fraTotal->hide();
    ProgressBar1->hide();
}

void frmStart::startUp()
{
    // Registers the settings in the installer's log once; never reports anything.
    UninstallLog::registerSettings(QDir(m_programFolder).filePath(QStringLiteral("ST6UNST.LOG")));
    // The file dialogs hide the read-only check box (WidgetDialogService shows none).
    m_helpFile = QDir(m_programFolder).filePath(QStringLiteral("Help.chm"));
    m_link->setDeviceClass(0);
    m_status->setLoadEnabled(false);
    m_status->setProgramEnabled(false);
    m_status->setCancelVisible(false);
    cmdCancel->hide();

    for (int n = 1; n <= TicketProject::SlotCount; ++n) {
        lblFile[n - 1]->setToolTip(NoFileAdded);
        lblFile[n - 1]->setProperty("tag", QStringLiteral("19"));
        lblBytes[n - 1]->setProperty("tag", QStringLiteral("5"));
    }
    lblSpaceR->setProperty("tag", QStringLiteral("7"));
    lblSpaceA->setProperty("tag", QStringLiteral("7"));

    m_adaptation.setReference(DisplayAdaptation::StartReferenceHeight,
                              DisplayAdaptation::StartReferenceWidth);
    adaptDisplay();
    watchScreen();

    m_portNumber = 1;
    m_portSettings = QStringLiteral("9600,n,8,1");
    loadSerialDialog();
    m_buttons.value(QStringLiteral("cmdConnect"))->setText(QStringLiteral("Connect"));

    for (int n = 1; n <= TicketProject::SlotCount; ++n)
        showSlot(n);
    showSpaceRequired();
    showStatus();
}

void frmStart::watchScreen()
{
    // The work area changes with the resolution, with panels and docks, and when
    // the window moves to another screen.
    (void)winId();
    auto follow = [this](QScreen *screen) {
        disconnect(m_screenConnection);
        if (screen)
            m_screenConnection =
                connect(screen, &QScreen::availableGeometryChanged, this, &frmStart::adaptDisplay);
    };
    follow(windowHandle()->screen());
    connect(windowHandle(), &QWindow::screenChanged, this, [this, follow](QScreen *screen) {
        follow(screen);
        adaptDisplay();
    });
}

void frmStart::adaptDisplay()
{
    QScreen *screen = windowHandle() ? windowHandle()->screen() : this->screen();
    QList<ControlRecord> records;
    records.reserve(m_controls.size());
    for (Control &control : m_controls) {
        ControlRecord &record = control.record;
        if (auto *lbl = qobject_cast<QLabel *>(control.widget))
            record.caption = lbl->text();
        else if (auto *box = qobject_cast<QGroupBox *>(control.widget))
            record.caption = box->title();
        else if (auto *button = qobject_cast<QPushButton *>(control.widget))
            record.caption = button->text();
        record.tag = control.widget->property("tag").toString();
        record.fontSize = control.widget->font().pointSizeF();
        records.append(record);
    }
    const WindowFit fit = m_adaptation.adapt(records, DisplayAdaptation::workAreaOf(screen),
                                             DisplayAdaptation::platformDefaultFontSize());
    for (qsizetype i = 0; i < m_controls.size(); ++i) {
        m_controls[i].record = records.at(i);
        applyControl(m_controls.at(i));
    }
    DisplayAdaptation::applyWindowFit(this, fit,
                                      screen ? screen->logicalDotsPerInch() : Twips::ReferenceDpi);
}

void frmStart::applyControl(const Control &control)
{
    const ControlRecord &record = control.record;
    QWidget *widget = control.widget;
    if (record.kind == Kind::Other)
        return;
    if (record.kind != Kind::ProgressBar && record.kind != Kind::Image && record.fontSize > 0) {
        QFont font = widget->font();
        font.setPointSizeF(record.fontSize);
        widget->setFont(font);
    }
    if (record.kind == Kind::StatusBar)
        return;
    const double dpi = widget->logicalDpiX();
    QRect rect = Twips::toPixelRect(record.left, record.top, record.width, record.height, dpi);
    // Frames on the window itself are placed from the top of the client area,
    // under which the toolbar lies.
    if (widget->parentWidget() == centralWidget()) {
        const int formTop =
            ToolbarStart->isVisible() ? centralWidget()->y() : ToolbarStart->sizeHint().height();
        rect.translate(0, -qMin(formTop, rect.top()));
    }
    widget->setGeometry(rect);
}

void frmStart::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The toolbar's height is known for certain once the window is laid out.
    QTimer::singleShot(0, this, [this] {
        for (const Control &control : m_controls) {
            if (control.widget->parentWidget() == centralWidget())
                applyControl(control);
        }
    });
}

void frmStart::showSlot(int n)
{
    const TicketSlot &slot = m_project->slot(n);
    lblFile[n - 1]->setText(slot.fileTitle);
    lblFile[n - 1]->setToolTip(slot.filePath.isEmpty() ? NoFileAdded : slot.filePath);
    lblBytes[n - 1]->setText(slot.byteCount);
}

void frmStart::showSpaceRequired()
{
    lblSpaceR->setText(QString::number(m_project->spaceRequired()));
}

void frmStart::showStatus()
{
    const DeviceStatus &status = *m_status;
    m_panels[0]->setText(status.portState());
    m_panels[1]->setText(status.portSummary());
    for (int i = 1; i <= DeviceStatus::statusCount; ++i)
        lblStatus[i - 1]->setText(status.statusText(i));
    lblSpaceA->setText(status.spaceAvailable());
    fraTruck->setVisible(status.truckVisible());
    fraTotal->setVisible(status.totalVisible());

    const bool busy = status.busy();
    m_buttons.value(QStringLiteral("cmdProgram"))->setEnabled(status.programEnabled());
    m_buttons.value(QStringLiteral("cmdLoad"))->setEnabled(status.loadEnabled());
    m_buttons.value(QStringLiteral("cmdConnect"))->setEnabled(status.connectEnabled() && !busy);
    for (const char *key : {"cmdNew", "cmdOpen", "cmdSettings"})
        m_buttons.value(text(key))->setEnabled(!busy);
    QAction *connectButton = m_buttons.value(QStringLiteral("cmdConnect"));
    connectButton->setIcon(imlToolBar.value(status.connectIcon()));
    connectButton->setToolTip(status.connectTooltip());

    ProgressBar1->setRange(0, qMax(1, status.progressMaximum()));
    ProgressBar1->setValue(qBound(0, status.progressValue(), ProgressBar1->maximum()));
    ProgressBar1->setVisible(status.progressVisible());

    for (int n = 0; n < TicketProject::SlotCount; ++n) {
        m_addButtons[n]->setEnabled(status.commandButtonsEnabled());
        m_removeButtons[n]->setEnabled(status.commandButtonsEnabled());
    }
    cmdCancel->setVisible(status.cancelVisible());
    cmdCancel->setEnabled(status.cancelEnabled());
    if (busy) {
        setCursor(Qt::WaitCursor);
        cmdCancel->setCursor(Qt::ArrowCursor);
    } else {
        unsetCursor();
    }
}

void frmStart::dispatch(const QString &key)
{
    const bool busy = m_status->busy();
    if (key == QLatin1String("cmdNew")) {
        if (!busy)
            m_commands->NewProject();
    } else if (key == QLatin1String("cmdOpen")) {
        if (!busy)
            m_commands->OpenProject();
    } else if (key == QLatin1String("cmdSave")) {
        m_commands->SaveProject();
    } else if (key == QLatin1String("cmdSaveAs")) {
        m_commands->SaveProjectAs();
    } else if (key == QLatin1String("cmdSettings")) {
        if (!busy)
            runSettings();
    } else if (key == QLatin1String("cmdConnect")) {
        if (!busy && m_status->connectEnabled())
            runDeviceCommand([this] { m_connection->toggle(); });
    } else if (key == QLatin1String("cmdProgram")) {
        if (m_status->programEnabled())
            runDeviceCommand([this] {
                DeviceProgrammer(*m_project, *m_link, *m_status, *m_connection, m_dialogs).run();
            });
    } else if (key == QLatin1String("cmdLoad")) {
        if (m_status->loadEnabled())
            runDeviceCommand([this] {
                DeviceReader(*m_project, *m_link, *m_status, *m_connection, m_dialogs, *m_commands)
                    .run();
            });
    } else if (key == QLatin1String("cmdHelp")) {
        GuideWindow::showHelp(m_helpFile, this);
    } else if (key == QLatin1String("cmdAbout")) {
        diaAbout about(this);
        about.exec();
    } else if (key == QLatin1String("cmdExit")) {
        close();
    }
}

void frmStart::runDeviceCommand(const std::function<void()> &command)
{
    ++m_deviceCommands;
    command();
    --m_deviceCommands;
    if (m_closePending && !transferRunning())
        QTimer::singleShot(0, this, &QWidget::close);
}

void frmStart::runSettings()
{
    m_portNumber = m_link->portNumber();
    m_portSettings = m_link->settings();
    if (!m_diaSerial)
        loadSerialDialog();
    m_diaSerial->exec();
}

void frmStart::loadSerialDialog()
{
    auto *dialog = new diaSerial(*m_link, *m_status, m_settings, m_ports, m_dialogs, m_portNumber,
                                 m_portSettings, this);
    // Closing the dialog without OK unloads it; the next Settings command loads a fresh one.
    connect(dialog, &diaSerial::unloaded, this, [this, dialog] {
        if (m_diaSerial == dialog)
            m_diaSerial = nullptr;
        dialog->deleteLater();
    });
    m_diaSerial = dialog;
    dialog->load();
}

void frmStart::unloadSerialDialog()
{
    // Unloading the dialog closes the port.
    delete m_diaSerial.data();
}

void frmStart::showSlotPreview(int n)
{
    const TicketSlot &slot = m_project->slot(n);
    SlotPreview preview(SlotPreview::title(TicketProject::slotName(n), slot.fileTitle),
                        slot.content, this);
    preview.exec();
}

bool frmStart::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int n = 1; n <= TicketProject::SlotCount; ++n) {
            if (watched == lblFile[n - 1] || watched == lblBytes[n - 1]) {
                showSlotPreview(n);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmStart::closeEvent(QCloseEvent *event)
{
    if (transferRunning()) {
        // Leaving the nested wait of a transfer would break it off mid-command: ask
        // it to stop and close once it has ended.
        m_link->setCancelRequested(true);
        m_closePending = true;
        event->ignore();
        return;
    }
    m_closePending = false;
    unloadSerialDialog();
    m_clock->stop();
    event->accept();
}
