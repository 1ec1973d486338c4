#pragma once

#include <QDialog>
#include <QString>
#include <array>

class DeviceStatus;
class DialogService;
class PortBinding;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class SerialLink;
class SettingsStore;

// The communication settings dialog "COM settings": finds out which of the four port options can
// be opened, applies the stored port choice to the serial link at start, lets the user choose
// port, device and rate, and keeps the choice in the settings store.
//
// The main window creates it hidden and calls load() ("loaded"); it shows it modally for the
// Settings command, loading it first when it is not loaded. OK applies the choice and hides the
// dialog (it stays loaded); closing it without OK unloads it: the port is closed, the window's
// PortNumber and PortSettings are given back to the link, and unloaded() is emitted.
class diaSerial : public QDialog
{
    Q_OBJECT

public:
    static constexpr int portCount = 4;
    static constexpr int rateCount = 5;
    static constexpr std::array<int, rateCount> rates{1200, 2400, 4800, 9600, 19200};

    // portNumber and portSettings are the main window's PortNumber and PortSettings: read as the
    // defaults of the settings store when loading and restored to the link when unloading.
    diaSerial(SerialLink &link, DeviceStatus &status, SettingsStore &store, PortBinding &binding,
              DialogService &dialogs, const int &portNumber, const QString &portSettings,
              QWidget *parent = nullptr);
    // Unloads without emitting unloaded() when still loaded (the port is closed).
    ~diaSerial() override;

    void load();
    bool isLoaded() const { return m_loaded; }
    // Closes the port and restores the window's port choice to the link; emits unloaded().
    void unload();

    QRadioButton *optCOM(int index) const;
    QRadioButton *optBauds(int index) const;
    QPushButton *OKButton() const { return m_okButton; }
    // The tag of optCOM(index): "OCCUPED" when the port failed to open when the dialog was loaded.
    QString tag(int index) const;
    // The device chooser beside optCOM(index) (hidden where the port names are fixed).
    QComboBox *deviceChooser(int index) const;

public slots:
    void reject() override;

signals:
    void unloaded();

private:
    enum class Probe { Free, InUse, Missing };
    struct PortRow {
        QRadioButton *option = nullptr;
        QComboBox *device = nullptr;
        QLabel *description = nullptr;
        QString tag;
    };

    void buildControls();
    void OKButtonClick();
    void probeOption(int index);
    void showBinding(int index, Probe probe);
    void rebind(int index);
    bool selectRateOf(const QString &settings);
    void clearRateSelection();
    void releasePort();
    PortRow &row(int index) { return m_ports[static_cast<size_t>(index - 1)]; }
    const PortRow &row(int index) const { return m_ports[static_cast<size_t>(index - 1)]; }

    SerialLink &m_link;
    DeviceStatus &m_status;
    SettingsStore &m_store;
    PortBinding &m_binding;
    DialogService &m_dialogs;
    const int &m_portNumber;
    const QString &m_portSettings;

    std::array<PortRow, portCount> m_ports;
    std::array<QRadioButton *, rateCount> m_rateOptions{};
    QButtonGroup *m_portGroup = nullptr;
    QButtonGroup *m_rateGroup = nullptr;
    QPushButton *m_okButton = nullptr;
    bool m_loaded = false;
};
