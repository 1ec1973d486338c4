#include "windowlayout.h"

#include "ticketproject.h"
#include "twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QWindow>

namespace
{

using Kind = ControlRecord::Kind;

// The device status rows from top to bottom: the status label's number and its caption.
struct StatusRow {
    int index;
    const char *caption;
};
constexpr StatusRow statusRows[] = {
    {1, "Device Type : "},
    {3, "Application : "},
    {2, "SW Version  :"},
    {4, "Status : "},
};

// The frames of the totalize ticket from left to right.
struct TotalPart {
    int slot;
    const char *name;
    const char *caption;
};
constexpr TotalPart totalParts[] = {{TicketProject::H, "fraHeader", "HEADER"},
                                    {TicketProject::B, "fraBody", "BODY"},
                                    {TicketProject::F, "fraFooter", "FOOTER"}};

// Layout of the window description, in twips relative to the container.
const QRectF ticketFrameRect(480, 1080, 5775, 1935);
const QRectF deviceFrameRect(6480, 1080, 8535, 1935);
const QRectF printFrameRect(480, 3240, 5775, 2775);
const QRectF truckFrameRect(6480, 3240, 8535, 2775);
const QRectF totalFrameRect(480, 6240, 14535, 3135);
constexpr double subFrameTop = 300;
constexpr double truckPartWidth = 4095;
constexpr double truckPartHeight = 2355;
constexpr double totalPartWidth = 4695;
constexpr double totalPartHeight = 2715;
constexpr double labelHeight = 270;
constexpr double statusValueLeft = 2160;

} // namespace

WindowLayout::WindowLayout(QMainWindow &window, QToolBar &toolbar)
    : m_window(window), m_toolbar(toolbar)
{
    auto *central = new QWidget(&window);
    central->setObjectName(QStringLiteral("centralWidget"));
    window.setCentralWidget(central);
    buildTicketFrame(central);
    buildDeviceFrame(central);
    buildSlotFrames(central);
    buildStatusBar(window.statusBar());
    m_adaptation.setReference(DisplayAdaptation::StartReferenceHeight,
                              DisplayAdaptation::StartReferenceWidth);
}

void WindowLayout::buildTicketFrame(QWidget *central)
{
    QGroupBox *ticket = frame(central, QStringLiteral("fraTicket"), QStringLiteral("TICKET Status"),
                              ticketFrameRect);
    // Room for counts of 8 digits.
    const QString spaceTag = QStringLiteral("10");
    label(ticket, QStringLiteral("lblEtSR"), 0, QStringLiteral("Space Required "), 360, 540);
    m_spaceRequiredLabel = valueLabel(ticket, QStringLiteral("lblSpaceR"), 0, QStringLiteral("0"),
                                      2500, 540, spaceTag);
    label(ticket, QStringLiteral("lblEtSRB"), 0, QStringLiteral("Bytes"), 3500, 540);
    label(ticket, QStringLiteral("lblEtSA"), 0, QStringLiteral("Space Available"), 360, 1140);
    m_spaceAvailableLabel =
        valueLabel(ticket, QStringLiteral("lblSpaceA"), 0, QString(), 2500, 1140, spaceTag);
    label(ticket, QStringLiteral("lblEtSAB"), 0, QStringLiteral("Bytes"), 3500, 1140);
    for (QLabel *value : {m_spaceRequiredLabel, m_spaceAvailableLabel})
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_verifyToggle = new QCheckBox(QStringLiteral("Verify after programming"), ticket);
    m_verifyToggle->setToolTip(
        QStringLiteral("Read the device back after Program and compare it with what was written"));
    addControl(m_verifyToggle, Kind::CommandButton, QStringLiteral("chkVerify"), 0,
               QRectF(360, 1530, 4200, 300));
}

void WindowLayout::buildDeviceFrame(QWidget *central)
{
    QGroupBox *device = frame(central, QStringLiteral("fraDevice"), QStringLiteral("DEVICE Status"),
                              deviceFrameRect);
    double top = 360;
    for (const StatusRow &row : statusRows) {
        label(device, QStringLiteral("lblEtStatus"), row.index, QString::fromLatin1(row.caption),
              240, top);
        m_statusLabels[row.index - 1] =
            valueLabel(device, QStringLiteral("lblStatus"), row.index, QString(), statusValueLeft,
                       top, row.index == 4 ? QStringLiteral("23") : QStringLiteral("10"));
        top += 330;
    }
    m_progressBar = new QProgressBar(device);
    m_progressBar->setTextVisible(false);
    addControl(m_progressBar, Kind::ProgressBar, QStringLiteral("ProgressBar1"), 0,
               QRectF(5280, 1335, 3015, 300));
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), device);
    addControl(m_cancelButton, Kind::CommandButton, QStringLiteral("cmdCancel"), 0,
               QRectF(7080, 600, 1215, 495));
    m_progressBar->hide();
    m_cancelButton->hide();
}

void WindowLayout::buildSlotFrames(QWidget *central)
{
    QGroupBox *print =
        frame(central, QStringLiteral("fraPrint"), QStringLiteral("PRINT TICKET"), printFrameRect);
    buildSlot(print, TicketProject::T, 120, subFrameTop);

    m_truckFrame =
        frame(central, QStringLiteral("fraTruck"), QStringLiteral("TRUCK TICKET"), truckFrameRect);
    QGroupBox *p2 = frame(m_truckFrame, QStringLiteral("fraP2"), QStringLiteral("P2"),
                          QRectF(120, subFrameTop, truckPartWidth, truckPartHeight));
    buildSlot(p2, TicketProject::P2, 0, 0);
    QGroupBox *p1 =
        frame(m_truckFrame, QStringLiteral("fraP1"), QStringLiteral("P1"),
              QRectF(120 + truckPartWidth + 105, subFrameTop, truckPartWidth, truckPartHeight));
    buildSlot(p1, TicketProject::P1, 0, 0);

    m_totalFrame = frame(central, QStringLiteral("fraTotal"), QStringLiteral("TOTALIZE TICKET"),
                         totalFrameRect);
    double left = 120;
    for (const TotalPart &part : totalParts) {
        QGroupBox *box =
            frame(m_totalFrame, QString::fromLatin1(part.name), QString::fromLatin1(part.caption),
                  QRectF(left, subFrameTop, totalPartWidth, totalPartHeight));
        buildSlot(box, part.slot, 0, 0);
        left += totalPartWidth + 105;
    }
    m_truckFrame->hide();
    m_totalFrame->hide();
}

void WindowLayout::buildSlot(QWidget *container, int n, double left, double top)
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
    auto *view = new QPushButton(QStringLiteral("View"), container);
    view->setToolTip(QStringLiteral("Show what the ticket holds"));
    addControl(view, Kind::CommandButton, QStringLiteral("cmdView") + suffix, 0,
               QRectF(left + 2640, top + 420, 1095, 435));
    m_addButtons[n - 1] = add;
    m_removeButtons[n - 1] = remove;
    m_viewButtons[n - 1] = view;

    label(container, QStringLiteral("lblEtF"), n, QStringLiteral("FILE"), left + 240, top + 1140);
    label(container, QStringLiteral("lblEtB"), n, QStringLiteral("BYTES"), left + 240, top + 1620);
    QLabel *file = valueLabel(container, QStringLiteral("lblFile"), n, QString(), left + 1000,
                              top + 1140, QStringLiteral("19"));
    QLabel *bytes = valueLabel(container, QStringLiteral("lblBytes"), n, QStringLiteral("0"),
                               left + 1000, top + 1620, QStringLiteral("10"));
    for (QLabel *value : {file, bytes})
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_fileLabels[n - 1] = file;
    m_byteLabels[n - 1] = bytes;
}

void WindowLayout::buildStatusBar(QStatusBar *bar)
{
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(false);
    static constexpr int minimumWidths[panelCount] = {120, 200, 90, 70, 170};
    for (int i = 0; i < panelCount; ++i) {
        auto *panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("statusBarPanel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumWidth(minimumWidths[i]);
        panel->setAlignment(i >= 2 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        bar->addPermanentWidget(panel, i == 1 ? 1 : 0);
        m_panels[i] = panel;
    }
    displayHintPanel()->setText(QStringLiteral("Best viewed at 1024x768"));
    displayHintPanel()->setToolTip(QStringLiteral("Best viewed at 1024x768"));
    ControlRecord record;
    record.kind = Kind::StatusBar;
    record.name = QStringLiteral("statusBar");
    m_controls.append({bar, record});
}

QGroupBox *WindowLayout::frame(QWidget *parent, const QString &name, const QString &caption,
                               const QRectF &twips)
{
    auto *box = new QGroupBox(caption, parent);
    addControl(box, Kind::Frame, name, 0, twips);
    return box;
}

QLabel *WindowLayout::label(QWidget *parent, const QString &name, int index, const QString &caption,
                            double left, double top)
{
    auto *lbl = new QLabel(caption, parent);
    lbl->setTextFormat(Qt::PlainText);
    const double width = (caption.size() + 1) * 135.0;
    addControl(lbl, Kind::Label, name, index, QRectF(left, top, width, labelHeight));
    return lbl;
}

// A label showing a value; its tag is the width in characters the display adaptation gives it.
QLabel *WindowLayout::valueLabel(QWidget *parent, const QString &name, int index,
                                 const QString &caption, double left, double top,
                                 const QString &tag)
{
    QLabel *value = label(parent, name, index, caption, left, top);
    value->setProperty("tag", tag);
    return value;
}

void WindowLayout::addControl(QWidget *widget, ControlRecord::Kind kind, const QString &name,
                              int index, const QRectF &twips)
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

void WindowLayout::adapt()
{
    adaptTo(DisplayAdaptation::workAreaOf(screen()));
}

int WindowLayout::captionLeft(int n) const
{
    const QWidget *file = m_fileLabels[size_t(n - 1)];
    const auto *caption = file->parentWidget()->findChild<QLabel *>(
        QStringLiteral("lblEtF%1").arg(n), Qt::FindDirectChildrenOnly);
    return caption ? caption->x() : 0;
}

QScreen *WindowLayout::screen() const
{
    return m_window.windowHandle() ? m_window.windowHandle()->screen() : m_window.screen();
}

void WindowLayout::adaptTo(const WorkArea &area)
{
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
    const WindowFit fit =
        m_adaptation.adapt(records, area, DisplayAdaptation::platformDefaultFontSize());
    for (qsizetype i = 0; i < m_controls.size(); ++i) {
        m_controls[i].record = records.at(i);
        applyControl(m_controls.at(i));
    }
    const QScreen *current = screen();
    DisplayAdaptation::applyWindowFit(
        &m_window, fit, current ? current->logicalDotsPerInch() : Twips::ReferenceDpi);
}

void WindowLayout::placeFrames()
{
    for (const Control &control : m_controls) {
        if (control.widget->parentWidget() == m_window.centralWidget())
            applyControl(control);
    }
}

void WindowLayout::applyControl(const Control &control)
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
    // Frames on the window itself are placed from the top of the client area, under which the
    // toolbar lies.
    QWidget *central = m_window.centralWidget();
    // A label inside a frame ends at the frame's edge, so that what it shows (a file name cut
    // to fit) is what can be seen.
    if (record.kind == Kind::Label && widget->parentWidget() != central)
        rect.setRight(qMin(rect.right(), widget->parentWidget()->contentsRect().right() - 1));
    // A file name box takes the width its frame offers, leaving the margin its caption has.
    if (record.name == QLatin1String("lblFile"))
        rect.setRight(widget->parentWidget()->contentsRect().right() - captionLeft(record.index));
    if (widget->parentWidget() == central) {
        const int formTop = m_toolbar.isVisible() ? central->y() : m_toolbar.sizeHint().height();
        rect.translate(0, -qMin(formTop, rect.top()));
    }
    widget->setGeometry(rect);
}
