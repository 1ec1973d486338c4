#pragma once

#include "printinterpreter.h"

#include <QList>
#include <QWidget>

class DialogService;
class PaperCanvas;
class QComboBox;
class QLabel;
class QScrollArea;
class SettingsStore;

// The paper a slot or a ticket set gives: the family and paper choices (kept with the other
// settings), zoom, what the interpreter chose and passed over, the drawn pages, and Export… to a
// PNG or PDF.
class PaperView : public QWidget
{
    Q_OBJECT
public:
    static QString familyKey() { return QStringLiteral("PreviewFamily"); }
    static QString paperKey() { return QStringLiteral("PreviewPaper"); }

    PaperView(SettingsStore &settings, DialogService &dialogs, QWidget *parent = nullptr);

    // Tickets printed one after the other, each on paper of its own; read when the view is
    // first shown (or its result asked for), so that a preview opens as fast as its first tab.
    void setTickets(const QList<QByteArray> &tickets);
    const PrintInterpreter::Result &result();
    PaperCanvas *canvas() const { return m_canvas; }
    QString statusText();

signals:
    // The operator chose another family or paper (already kept in the settings).
    void choicesApplied();

public slots:
    // Takes the family and paper from the settings again.
    void reloadChoices();
    void zoomIn();
    void zoomOut();
    void exportPicture();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *makeControls();
    void choicesChanged();
    void interpret();
    void showZoom();

    SettingsStore &m_settings;
    DialogService &m_dialogs;
    QList<QByteArray> m_tickets;
    PrintInterpreter::Result m_result;
    bool m_interpreted = false;
    QComboBox *m_family = nullptr;
    QComboBox *m_paper = nullptr;
    QLabel *m_zoomLabel = nullptr;
    QLabel *m_status = nullptr;
    QScrollArea *m_scroll = nullptr;
    PaperCanvas *m_canvas = nullptr;
};
