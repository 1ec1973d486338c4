#pragma once

#include "linesettings.h"
#include "porttransportfactory.h"

#include <QDialog>
#include <QString>
#include <array>
#include <iterator>
#include <optional>

class DeviceSession;
class PortBinding;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class SettingsStore;

// The communication settings dialog "COM settings": finds out which of the four port options can
// be opened, applies the stored port choice to the device link at start, lets the user choose
// port, device and rate, and keeps the choice in the settings store.
//
// The main window creates it hidden and calls load() ("loaded"); it shows it modally for the
// Settings command, loading it first when it is not loaded. OK applies the choice and hides the
// dialog (it stays loaded); closing it without OK unloads it: the port is closed, the window's
// port choice is given back to the link, and unloaded() is emitted.
class PortSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int portCount = 4;
    static constexpr int rateCount = int(std::size(LineSettings::rates));

    // The port choice the main window keeps: read as the defaults of the settings store when
    // loading and given back to the link when unloading.
    struct PortChoice {
        int portNumber = 1;
        LineSettings lineSettings;
    };

    PortSettingsDialog(DeviceSession &session, SettingsStore &store, PortBinding &binding,
                       const PortChoice &choice, QWidget *parent = nullptr);
    // Unloads without emitting unloaded() when still loaded (the port is closed).
    ~PortSettingsDialog() override;

    void load();
    bool isLoaded() const { return m_loaded; }
    // Closes the port and gives the window's port choice back to the link; emits unloaded().
    void unload();

    QRadioButton *portOption(int index) const;
    QRadioButton *rateOption(int index) const;
    QPushButton *okButton() const { return m_okButton; }
    // The tag of portOption(index): "OCCUPED" when the port failed to open when the dialog was
    // loaded.
    QString tag(int index) const;
    // The device chooser beside portOption(index): the system's ports, or any name typed in.
    QComboBox *deviceChooser(int index) const;
    // The status bar's settings summary, such as "COM 1, 9600bps 8-N-1", or empty.
    QString summary() const { return m_summary; }

public slots:
    // Also gives every port option back the device it had when the dialog was shown.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

signals:
    void unloaded();
    void summaryChanged(const QString &summary);

private:
    struct PortRow {
        QRadioButton *option = nullptr;
        QComboBox *device = nullptr;
        QLabel *description = nullptr;
        QString tag;
    };

    void buildControls();
    QWidget *buildPortFrame();
    QWidget *buildRateFrame();
    void applyChoice();
    void applyStoredChoice();
    void probeOption(int index);
    void showBinding(int index, PortAvailability probe);
    QString chosenDevice(int index) const;
    void rebind(int index);
    bool selectRateOf(const LineSettings &settings);
    void clearRateSelection();
    void setSummary(const QString &summary);
    void releasePort();
    void restoreBindings();
    PortRow &row(int index) { return m_ports[static_cast<size_t>(index - 1)]; }
    const PortRow &row(int index) const { return m_ports[static_cast<size_t>(index - 1)]; }

    DeviceSession &m_session;
    SettingsStore &m_store;
    PortBinding &m_binding;
    const PortChoice &m_choice;

    std::array<PortRow, portCount> m_ports;
    std::array<QRadioButton *, rateCount> m_rateOptions{};
    QButtonGroup *m_portGroup = nullptr;
    QButtonGroup *m_rateGroup = nullptr;
    QPushButton *m_okButton = nullptr;
    QString m_summary;
    bool m_loaded = false;
    // Each option's own binding when the dialog was shown (empty: the default order); none
    // while hidden.
    std::optional<std::array<QString, portCount>> m_shownBindings;
};
