#include "displayadaptation.h"

#include "twips.h"

#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace
{

// Gaps between a caption label and what stands behind it, in character widths of the caption
// label's font.
constexpr double FileGap = 2.0;
constexpr double BytesGap = 1.0;
constexpr double SpaceGap = 2.5;
constexpr double UnitGap = 1.0;

ControlRecord *find(QList<ControlRecord> &controls, QLatin1String name, int index = 0)
{
    for (ControlRecord &control : controls) {
        if (control.name == name && control.index == index)
            return &control;
    }
    return nullptr;
}

double characterWidth(const ControlRecord &label)
{
    return DisplayAdaptation::CharacterWidthPerPoint * label.fontSize;
}

void placeBehind(ControlRecord &value, const ControlRecord &caption, double gap)
{
    value.left = caption.left + caption.width + gap * characterWidth(caption);
    value.top = caption.top;
}

// Puts every element of the value array behind the caption array's element of the same index.
void placeArrayBehind(QList<ControlRecord> &controls, QLatin1String valueName,
                      QLatin1String captionName, double gap)
{
    for (ControlRecord &value : controls) {
        if (value.name != valueName)
            continue;
        if (const ControlRecord *caption = find(controls, captionName, value.index))
            placeBehind(value, *caption, gap);
    }
}

// Places a value label behind its caption, then the unit label behind the value label; the unit
// keeps its top and is spaced by the caption's font.
void placeWithUnit(QList<ControlRecord> &controls, QLatin1String valueName,
                   QLatin1String captionName, QLatin1String unitName)
{
    ControlRecord *value = find(controls, valueName);
    const ControlRecord *caption = find(controls, captionName);
    if (!value || !caption)
        return;
    placeBehind(*value, *caption, SpaceGap);
    if (ControlRecord *unit = find(controls, unitName))
        unit->left = value->left + value->width + UnitGap * characterWidth(*caption);
}

} // namespace

DisplayAdaptation::DisplayAdaptation(qint64 referenceHeight, qint64 referenceWidth)
    : m_referenceHeight(referenceHeight), m_referenceWidth(referenceWidth)
{
}

void DisplayAdaptation::setReference(qint64 height, qint64 width)
{
    m_referenceHeight = height;
    m_referenceWidth = width;
}

WindowFit DisplayAdaptation::adapt(QList<ControlRecord> &controls, const WorkArea &current,
                                   double defaultFontSize)
{
    m_horizontalFactor = current.width / double(m_referenceWidth);
    m_verticalFactor = current.height / double(m_referenceHeight);
    m_referenceHeight = roundHalfToEven(current.height);
    m_referenceWidth = roundHalfToEven(current.width);

    for (ControlRecord &control : controls)
        scaleFirstPass(control, defaultFontSize);
    placeValueLabels(controls);

    return WindowFit{current, true};
}

void DisplayAdaptation::scaleFirstPass(ControlRecord &control, double defaultFontSize) const
{
    using Kind = ControlRecord::Kind;
    switch (control.kind) {
    case Kind::Frame:
    case Kind::CommandButton:
        control.fontSize = defaultFontSize;
        [[fallthrough]];
    case Kind::Image:
    case Kind::ProgressBar:
        control.left *= m_horizontalFactor;
        control.top *= m_verticalFactor;
        control.width *= m_horizontalFactor;
        control.height *= m_verticalFactor;
        break;
    case Kind::StatusBar:
        control.fontSize = defaultFontSize;
        break;
    case Kind::Label: {
        control.fontSize = defaultFontSize;
        const double characters = isValueLabel(control.name) ? control.tag.trimmed().toDouble()
                                                             : double(control.caption.size());
        control.left *= m_horizontalFactor;
        control.top *= m_verticalFactor;
        control.width = characters * characterWidth(control);
        control.height = control.fontSize * LineHeightPerPoint;
        break;
    }
    case Kind::Other:
        break;
    }
}

void DisplayAdaptation::placeValueLabels(QList<ControlRecord> &controls)
{
    placeArrayBehind(controls, QLatin1String("lblFile"), QLatin1String("lblEtF"), FileGap);
    placeArrayBehind(controls, QLatin1String("lblBytes"), QLatin1String("lblEtB"), BytesGap);
    placeWithUnit(controls, QLatin1String("lblSpaceR"), QLatin1String("lblEtSR"),
                  QLatin1String("lblEtSRB"));
    placeWithUnit(controls, QLatin1String("lblSpaceA"), QLatin1String("lblEtSA"),
                  QLatin1String("lblEtSAB"));
}

bool DisplayAdaptation::isValueLabel(const QString &name)
{
    return name == QLatin1String("lblFile") || name == QLatin1String("lblBytes") ||
           name == QLatin1String("lblSpaceA") || name == QLatin1String("lblSpaceR") ||
           name == QLatin1String("lblStatus");
}

qint64 DisplayAdaptation::roundHalfToEven(double value)
{
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0))
        rounded += 1.0;
    return qint64(rounded);
}

WorkArea DisplayAdaptation::workAreaOf(const QScreen *screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return WorkArea{0, 0, double(StartReferenceWidth), double(StartReferenceHeight)};
    const QRect area = screen->availableGeometry();
    const double dpi = screen->logicalDotsPerInch();
    return WorkArea{Twips::fromPixels(area.left(), dpi), Twips::fromPixels(area.top(), dpi),
                    Twips::fromPixels(area.width(), dpi), Twips::fromPixels(area.height(), dpi)};
}

double DisplayAdaptation::platformDefaultFontSize()
{
    const QFont font;
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    const QScreen *screen = QGuiApplication::primaryScreen();
    return Twips::pixelsToPoints(font.pixelSize(),
                                 screen ? screen->logicalDotsPerInch() : Twips::ReferenceDpi);
}

void DisplayAdaptation::applyWindowFit(QWidget *window, const WindowFit &fit, double logicalDpi)
{
    window->setWindowState(window->windowState() &
                           ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    const WorkArea &area = fit.geometry;
    const QRect rect = Twips::toPixelRect(area.left, area.top, area.width, area.height, logicalDpi);
    // move() places the outer frame, as the work area's left and top mean it.
    window->move(rect.topLeft());
    window->resize(rect.size());
    if (fit.maximize)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}
