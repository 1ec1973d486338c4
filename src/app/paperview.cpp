#include "paperview.h"

#include "dialogservice.h"
#include "papercanvas.h"
#include "pictureexport.h"
#include "settingsstore.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace
{

constexpr qreal ZoomStep = 1.25;

QComboBox *choiceBox(const QString &name, const QStringList &keys, const QStringList &captions,
                     const QString &current)
{
    auto *box = new QComboBox;
    box->setObjectName(name);
    for (qsizetype i = 0; i < keys.size(); ++i)
        box->addItem(captions.at(i), keys.at(i));
    box->setCurrentIndex(qMax(0, int(keys.indexOf(current))));
    return box;
}

QStringList familyCaptions()
{
    QStringList captions;
    for (int id = PrinterFamily::Automatic; id <= PrinterFamily::EscP9; ++id)
        captions << PrinterFamily::caption(PrinterFamily::Id(id));
    return captions;
}

QStringList paperCaptions()
{
    QStringList captions;
    for (const QString &key : PaperFormat::keys())
        captions << PaperFormat::fromKey(key)->caption;
    return captions;
}

} // namespace

PaperView::PaperView(SettingsStore &settings, DialogService &dialogs, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_dialogs(dialogs)
{
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("paperStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_canvas = new PaperCanvas;
    m_scroll = new QScrollArea;
    m_scroll->setWidget(m_canvas);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->viewport()->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeControls());
    layout->addWidget(m_status);
    layout->addWidget(m_scroll, 1);
}

QWidget *PaperView::makeControls()
{
    m_family = choiceBox(QStringLiteral("paperFamily"), PrinterFamily::keys(), familyCaptions(),
                         m_settings.value(familyKey(), QStringLiteral("auto")));
    m_paper = choiceBox(QStringLiteral("paperSize"), PaperFormat::keys(), paperCaptions(),
                        m_settings.value(paperKey(), QStringLiteral("auto")));
    connect(m_family, &QComboBox::currentIndexChanged, this, &PaperView::choicesChanged);
    connect(m_paper, &QComboBox::currentIndexChanged, this, &PaperView::choicesChanged);
    auto *zoomOutButton = new QToolButton;
    zoomOutButton->setText(QStringLiteral("\u2212"));
    zoomOutButton->setToolTip(tr("Zoom out (Ctrl+-)"));
    connect(zoomOutButton, &QToolButton::clicked, this, &PaperView::zoomOut);
    auto *zoomInButton = new QToolButton;
    zoomInButton->setText(QStringLiteral("+"));
    zoomInButton->setToolTip(tr("Zoom in (Ctrl++)"));
    connect(zoomInButton, &QToolButton::clicked, this, &PaperView::zoomIn);
    m_zoomLabel = new QLabel;
    auto *exportButton = new QPushButton(tr("Export\u2026"));
    exportButton->setObjectName(QStringLiteral("paperExport"));
    connect(exportButton, &QPushButton::clicked, this, &PaperView::exportPicture);

    auto *controls = new QWidget;
    auto *row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Printer:")));
    row->addWidget(m_family);
    row->addWidget(new QLabel(tr("Paper:")));
    row->addWidget(m_paper);
    row->addStretch(1);
    row->addWidget(zoomOutButton);
    row->addWidget(m_zoomLabel);
    row->addWidget(zoomInButton);
    row->addWidget(exportButton);
    showZoom();
    return controls;
}

void PaperView::setTickets(const QList<QByteArray> &tickets)
{
    m_tickets = tickets;
    m_interpreted = false;
    if (isVisible())
        interpret();
}

const PrintInterpreter::Result &PaperView::result()
{
    if (!m_interpreted)
        interpret();
    return m_result;
}

void PaperView::showEvent(QShowEvent *event)
{
    if (!m_interpreted)
        interpret();
    QWidget::showEvent(event);
}

void PaperView::choicesChanged()
{
    m_settings.setValue(familyKey(), m_family->currentData().toString());
    m_settings.setValue(paperKey(), m_paper->currentData().toString());
    m_settings.sync();
    interpret();
    emit choicesApplied();
}

void PaperView::reloadChoices()
{
    const QSignalBlocker familyBlocker(m_family);
    const QSignalBlocker paperBlocker(m_paper);
    m_family->setCurrentIndex(
        qMax(0, m_family->findData(m_settings.value(familyKey(), QStringLiteral("auto")))));
    m_paper->setCurrentIndex(
        qMax(0, m_paper->findData(m_settings.value(paperKey(), QStringLiteral("auto")))));
    interpret();
}

void PaperView::interpret()
{
    const auto family = PrinterFamily::fromKey(m_family->currentData().toString());
    const auto paper = PaperFormat::fromKey(m_paper->currentData().toString());
    m_result =
        PrintInterpreter::interpretTickets(m_tickets, family.value_or(PrinterFamily::Automatic),
                                           paper.value_or(PaperFormat::automatic()));
    m_interpreted = true;
    m_canvas->setModel(m_result.model);
    m_status->setText(statusText());
}

QString PaperView::statusText()
{
    result();
    QString text =
        PrinterFamily::caption(m_result.family) + QStringLiteral(", ") + m_result.paper.caption;
    if (!m_result.familyReason.isEmpty())
        text += tr(" \u2014 chosen automatically: %1").arg(m_result.familyReason);
    const PageModel &model = m_result.model;
    text += tr(". %n page(s)", nullptr, model.pageCount());
    if (model.unknownCount() > 0)
        text +=
            tr(", %n command(s) not understood (red marks)", nullptr, int(model.unknownCount()));
    if (model.uninterpreted.size() > model.unknownCount())
        text += tr(", %n passed over (orange marks)", nullptr,
                   int(model.uninterpreted.size() - model.unknownCount()));
    if (const int lines = model.linesBeyondEdge())
        text += tr(", %n line(s) past the paper edge", nullptr, lines);
    return text + QLatin1Char('.');
}

void PaperView::zoomIn()
{
    m_canvas->setZoom(m_canvas->zoom() * ZoomStep);
    showZoom();
}

void PaperView::zoomOut()
{
    m_canvas->setZoom(m_canvas->zoom() / ZoomStep);
    showZoom();
}

void PaperView::showZoom()
{
    m_zoomLabel->setText(QStringLiteral("%1 %").arg(qRound(m_canvas->zoom() * 100)));
}

void PaperView::exportPicture()
{
    const FileChoice choice =
        m_dialogs.saveFileName(tr("PNG Picture(*.png) or PDF Document(*.pdf)|*.png;*.pdf"));
    if (choice.cancelled())
        return;
    QString path = choice.path;
    if (!PictureExport::isSupported(path))
        path += QStringLiteral(".png");
    QString error;
    if (!PictureExport::write(m_result.model, path, &error))
        m_dialogs.showMessage(error, tr("Export"));
}

void PaperView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::ZoomIn) ||
        (event->modifiers() & Qt::ControlModifier && event->key() == Qt::Key_Plus))
        zoomIn();
    else if (event->matches(QKeySequence::ZoomOut))
        zoomOut();
    else
        QWidget::keyPressEvent(event);
}

bool PaperView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            wheel->angleDelta().y() > 0 ? zoomIn() : zoomOut();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
