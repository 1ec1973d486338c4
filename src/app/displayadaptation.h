#pragma once

#include "controlrecord.h"

#include <QList>
#include <QtGlobal>

class QScreen;
class QWidget;

// The desktop work area the window may use, in twips.
struct WorkArea {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    bool operator==(const WorkArea &) const = default;
};

// How the window is fitted after the controls were adapted: put it in the normal state, set
// left, width, top and height to the work area in that order, then maximize it.
struct WindowFit {
    WorkArea geometry;
    bool maximize = true;

    bool operator==(const WindowFit &) const = default;
};

// Fits the main window's layout to the current work area: rescales frames, buttons, images and
// the progress bar by the ratio between the current work area and the one the layout was last
// made for, refits labels to their text and the default font, and puts each value label right
// behind its caption label.
class DisplayAdaptation
{
public:
    static constexpr qint64 StartReferenceHeight = 11100;
    static constexpr qint64 StartReferenceWidth = 15360;
    static constexpr double CharacterWidthPerPoint = 13.5;
    static constexpr double LineHeightPerPoint = 30.0;

    DisplayAdaptation() = default;
    DisplayAdaptation(qint64 referenceHeight, qint64 referenceWidth);

    void setReference(qint64 height, qint64 width);
    qint64 referenceHeight() const { return m_referenceHeight; }
    qint64 referenceWidth() const { return m_referenceWidth; }

    // Adapts the controls in place and remembers the current work area as the new reference.
    WindowFit adapt(QList<ControlRecord> &controls, const WorkArea &current,
                    double defaultFontSize);

    // Factors of the last run (1 and 1 before the first run).
    double horizontalFactor() const { return m_horizontalFactor; }
    double verticalFactor() const { return m_verticalFactor; }

    static bool isValueLabel(const QString &name);
    // Nearest integer, halves to the even neighbour.
    static qint64 roundHalfToEven(double value);

    // The screen's available geometry converted to twips at its logical dpi.
    static WorkArea workAreaOf(const QScreen *screen);
    // The point size of a newly created default font on this platform.
    static double platformDefaultFontSize();
    // Applies a window fit to a top-level window, converting twips at the given logical dpi.
    static void applyWindowFit(QWidget *window, const WindowFit &fit, double logicalDpi);

private:
    void scaleFirstPass(ControlRecord &control, double defaultFontSize) const;
    static void placeValueLabels(QList<ControlRecord> &controls);

    qint64 m_referenceHeight = StartReferenceHeight;
    qint64 m_referenceWidth = StartReferenceWidth;
    double m_horizontalFactor = 1.0;
    double m_verticalFactor = 1.0;
};
