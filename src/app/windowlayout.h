#pragma once

#include "controlrecord.h"
#include "displayadaptation.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QMainWindow;
class QProgressBar;
class QScreen;
class QPushButton;
class QStatusBar;
class QToolBar;
class QWidget;

// The main window's controls as the window description places them in twips: the ticket, device,
// print, truck and totalize frames with the six slots, the status bar panels, and their fitting
// to the screen's work area.
class WindowLayout
{
public:
    static constexpr int panelCount = 5;
    static constexpr int statusCount = 4;

    // Builds the controls into the window's central widget and status bar; the toolbar's height
    // decides where the frames stand under it.
    WindowLayout(QMainWindow &window, QToolBar &toolbar);

    // Fits the controls and the window to the work area of the screen the window is on.
    void adapt();
    // Fits the controls and the window to a work area in twips.
    void adaptTo(const WorkArea &area);
    // Places the frames on the window again once the toolbar's height is known for certain.
    void placeFrames();

    // Slot n = 1..6 (TicketProject's numbering).
    QLabel *fileLabel(int n) const { return m_fileLabels.at(n - 1); }
    QLabel *byteLabel(int n) const { return m_byteLabels.at(n - 1); }
    QPushButton *addButton(int n) const { return m_addButtons.at(n - 1); }
    QPushButton *removeButton(int n) const { return m_removeButtons.at(n - 1); }
    QPushButton *viewButton(int n) const { return m_viewButtons.at(n - 1); }
    // The device frame's values.
    QLabel *modelLabel() const { return m_statusLabels.at(0); }
    QLabel *versionLabel() const { return m_statusLabels.at(1); }
    QLabel *applicationLabel() const { return m_statusLabels.at(2); }
    QLabel *statusLine() const { return m_statusLabels.at(3); }
    // The status bar's panels, left to right.
    QLabel *portStatePanel() const { return m_panels.at(0); }
    QLabel *portSettingsPanel() const { return m_panels.at(1); }
    QLabel *datePanel() const { return m_panels.at(2); }
    QLabel *timePanel() const { return m_panels.at(3); }
    QLabel *displayHintPanel() const { return m_panels.at(4); }
    QLabel *spaceRequiredLabel() const { return m_spaceRequiredLabel; }
    QLabel *spaceAvailableLabel() const { return m_spaceAvailableLabel; }
    QProgressBar *progressBar() const { return m_progressBar; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QGroupBox *truckFrame() const { return m_truckFrame; }
    QGroupBox *totalFrame() const { return m_totalFrame; }
    // "Verify after programming", in the ticket frame.
    QCheckBox *verifyToggle() const { return m_verifyToggle; }

private:
    // One control that the display adaptation handles, with its geometry in twips relative to
    // its container.
    struct Control {
        QWidget *widget = nullptr;
        ControlRecord record;
    };

    void buildTicketFrame(QWidget *central);
    void buildDeviceFrame(QWidget *central);
    void buildSlotFrames(QWidget *central);
    void buildSlot(QWidget *container, int n, double left, double top);
    void buildStatusBar(QStatusBar *bar);
    QGroupBox *frame(QWidget *parent, const QString &name, const QString &caption,
                     const QRectF &twips);
    QLabel *label(QWidget *parent, const QString &name, int index, const QString &caption,
                  double left, double top);
    QLabel *valueLabel(QWidget *parent, const QString &name, int index, const QString &caption,
                       double left, double top, const QString &tag);
    void addControl(QWidget *widget, ControlRecord::Kind kind, const QString &name, int index,
                    const QRectF &twips);
    void applyControl(const Control &control);
    QScreen *screen() const;
    // Where slot n's "FILE" caption starts within its frame.
    int captionLeft(int n) const;

    QMainWindow &m_window;
    QToolBar &m_toolbar;
    DisplayAdaptation m_adaptation;
    QList<Control> m_controls;

    std::array<QLabel *, 6> m_fileLabels{};
    std::array<QLabel *, 6> m_byteLabels{};
    std::array<QPushButton *, 6> m_addButtons{};
    std::array<QPushButton *, 6> m_removeButtons{};
    std::array<QPushButton *, 6> m_viewButtons{};
    std::array<QLabel *, statusCount> m_statusLabels{};
    std::array<QLabel *, panelCount> m_panels{};
    QLabel *m_spaceRequiredLabel = nullptr;
    QLabel *m_spaceAvailableLabel = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QGroupBox *m_truckFrame = nullptr;
    QGroupBox *m_totalFrame = nullptr;
    QCheckBox *m_verifyToggle = nullptr;
};
