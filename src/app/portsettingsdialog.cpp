#include "portsettingsdialog.h"

#include "devicelink.h"
#include "devicesession.h"
#include "errors.h"
#include "portbinding.h"
#include "settingsstore.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace
{

const QString occupied = QStringLiteral("OCCUPED");

QString summaryOf(int portNumber, int rate)
{
    return QStringLiteral("COM %1, %2bps 8-N-1").arg(portNumber).arg(rate);
}

// The settings the dialog offers: the rate with no parity, 8 data bits and 1 stop bit.
LineSettings offeredSettings(int rate)
{
    LineSettings settings;
    settings.rate = rate;
    return settings;
}

} // namespace

PortSettingsDialog::PortSettingsDialog(DeviceSession &session, SettingsStore &store,
                                       PortBinding &binding, const PortChoice &choice,
                                       QWidget *parent)
    : QDialog(parent), m_session(session), m_store(store), m_binding(binding), m_choice(choice)
{
    setObjectName(QStringLiteral("diaSerial"));
    setWindowTitle(QStringLiteral("COM settings"));
    setModal(true);
    buildControls();
}

PortSettingsDialog::~PortSettingsDialog()
{
    if (m_loaded)
        releasePort();
}

void PortSettingsDialog::buildControls()
{
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &PortSettingsDialog::applyChoice);

    auto *frames = new QHBoxLayout;
    frames->addWidget(buildPortFrame(), 1);
    frames->addWidget(buildRateFrame());
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
}

QWidget *PortSettingsDialog::buildPortFrame()
{
    auto *portFrame = new QGroupBox(QStringLiteral("Port"), this);
    auto *portLayout = new QGridLayout(portFrame);
    m_portGroup = new QButtonGroup(this);
    for (int i = 1; i <= portCount; ++i) {
        PortRow &port = row(i);
        port.option = new QRadioButton(QStringLiteral("COM %1").arg(i), portFrame);
        port.option->setObjectName(QStringLiteral("optCOM%1").arg(i));
        m_portGroup->addButton(port.option, i);
        port.device = new QComboBox(portFrame);
        port.device->setObjectName(QStringLiteral("cboDevice%1").arg(i));
        port.device->setEditable(true);
        port.device->setInsertPolicy(QComboBox::NoInsert);
        port.device->setMinimumContentsLength(14);
        port.device->setToolTip(QStringLiteral("Serial device of COM %1").arg(i));
        port.description = new QLabel(portFrame);
        portLayout->addWidget(port.option, i - 1, 0);
        portLayout->addWidget(port.device, i - 1, 1);
        portLayout->addWidget(port.description, i - 1, 2);
        connect(port.device, &QComboBox::activated, this, [this, i] { rebind(i); });
        connect(port.device->lineEdit(), &QLineEdit::editingFinished, this,
                [this, i] { rebind(i); });
    }
    return portFrame;
}

QWidget *PortSettingsDialog::buildRateFrame()
{
    auto *rateFrame = new QGroupBox(QStringLiteral("Baudrate"), this);
    auto *rateLayout = new QVBoxLayout(rateFrame);
    m_rateGroup = new QButtonGroup(this);
    for (int i = 1; i <= rateCount; ++i) {
        auto *option =
            new QRadioButton(QStringLiteral("%1 bps").arg(LineSettings::rates[i - 1]), rateFrame);
        option->setObjectName(QStringLiteral("optBauds%1").arg(i));
        m_rateGroup->addButton(option, i);
        rateLayout->addWidget(option);
        m_rateOptions[static_cast<size_t>(i - 1)] = option;
    }
    return rateFrame;
}

QRadioButton *PortSettingsDialog::portOption(int index) const
{
    return index >= 1 && index <= portCount ? row(index).option : nullptr;
}

QRadioButton *PortSettingsDialog::rateOption(int index) const
{
    return index >= 1 && index <= rateCount ? m_rateOptions[static_cast<size_t>(index - 1)]
                                            : nullptr;
}

QString PortSettingsDialog::tag(int index) const
{
    return index >= 1 && index <= portCount ? row(index).tag : QString();
}

QComboBox *PortSettingsDialog::deviceChooser(int index) const
{
    return index >= 1 && index <= portCount ? row(index).device : nullptr;
}

// Tries the device of option `index`: a device that is not there cannot be chosen; one that is in
// use (or not accessible) is tagged but can still be chosen.
void PortSettingsDialog::probeOption(int index)
{
    const PortAvailability probe = probePort(m_binding.systemName(index));
    PortRow &port = row(index);
    port.tag = probe == PortAvailability::Free ? QString() : occupied;
    port.option->setEnabled(probe != PortAvailability::Missing);
    showBinding(index, probe);
}

void PortSettingsDialog::showBinding(int index, PortAvailability probe)
{
    PortRow &port = row(index);
    const QSignalBlocker blocker(port.device);
    port.device->clear();
    // Each choice shows its adapter; the edit line holds the bare name.
    for (const QString &name : m_binding.availablePorts())
        port.device->addItem(m_binding.describePort(name), name);
    port.device->setEditText(m_binding.systemName(index));
    QString text = m_binding.describe(index);
    if (probe == PortAvailability::Missing)
        text += QStringLiteral(" - not present");
    else if (probe == PortAvailability::InUse)
        text += QStringLiteral(" - in use");
    port.description->setText(text);
    port.option->setToolTip(text);
}

// The device chosen in the list or typed for option `index`: a listed choice by its bare name.
QString PortSettingsDialog::chosenDevice(int index) const
{
    const QComboBox *device = row(index).device;
    const QString text = device->currentText().trimmed();
    const int listed = device->findText(text);
    return listed >= 0 ? device->itemData(listed).toString() : m_binding.normalizedName(text);
}

void PortSettingsDialog::rebind(int index)
{
    const QString chosen = chosenDevice(index);
    if (chosen == m_binding.systemName(index)) {
        row(index).device->setEditText(chosen);
        return;
    }
    m_binding.bind(index, chosen);
    probeOption(index);
}

void PortSettingsDialog::clearRateSelection()
{
    m_rateGroup->setExclusive(false);
    for (QRadioButton *option : m_rateOptions)
        option->setChecked(false);
    m_rateGroup->setExclusive(true);
}

bool PortSettingsDialog::selectRateOf(const LineSettings &settings)
{
    clearRateSelection();
    for (int i = 1; i <= rateCount; ++i) {
        if (settings == offeredSettings(LineSettings::rates[i - 1])) {
            rateOption(i)->setChecked(true);
            return true;
        }
    }
    return false;
}

void PortSettingsDialog::setSummary(const QString &summary)
{
    m_summary = summary;
    emit summaryChanged(summary);
}

void PortSettingsDialog::load()
{
    m_loaded = true;
    DeviceLink &link = m_session.link();
    // The probe below opens every port in turn, so the link lets go of its own first.
    link.close();
    link.setLineSettings(m_choice.lineSettings);
    // Reads always return all waiting characters: there is no input length to set.

    m_binding.refresh();
    for (int i = 1; i <= portCount; ++i)
        probeOption(i);
    applyStoredChoice();

    const int portNumber = link.portNumber();
    // A port that the probe found free but that cannot be opened now (taken in between) ends
    // closed as well.
    const bool opened = tag(portNumber) != occupied && link.open();
    m_session.setPortState(opened ? DeviceSession::PortState::PortOpened
                                  : DeviceSession::PortState::NotConnected);
    portOption(portNumber)->setChecked(true);

    QString summary;
    if (selectRateOf(link.lineSettings()))
        summary = summaryOf(portNumber, LineSettings::rates[m_rateGroup->checkedId() - 1]);
    setSummary(summary);
}

// Gives the link the stored port (port 1 instead of one in use) and the stored line settings
// (the window's when they cannot be read).
void PortSettingsDialog::applyStoredChoice()
{
    DeviceLink &link = m_session.link();
    const QString defaultPort = QString::number(m_choice.portNumber);
    bool numeric = false;
    int stored = m_store.value(SettingsStore::portKey(), defaultPort).trimmed().toInt(&numeric);
    if (!numeric || stored < 1 || stored > portCount)
        stored =
            m_choice.portNumber >= 1 && m_choice.portNumber <= portCount ? m_choice.portNumber : 1;
    link.setPortNumber(tag(stored) == occupied ? 1 : stored);
    const std::optional<LineSettings> settings = LineSettings::parse(
        m_store.value(SettingsStore::lineSettingsKey(), m_choice.lineSettings.toString()));
    if (settings)
        link.setLineSettings(*settings);
}

void PortSettingsDialog::applyChoice()
{
    DeviceLink &link = m_session.link();
    link.close();
    m_session.setPortState(DeviceSession::PortState::NotConnected);

    const int portNumber = m_portGroup->checkedId();
    const int rateIndex = m_rateGroup->checkedId();
    if (portNumber < 1 || rateIndex < 1) {
        showError(m_session.dialogs(), ErrorCode::Configuration,
                  QStringLiteral("Choose a port and a rate."));
        return;
    }
    const int rate = LineSettings::rates[rateIndex - 1];
    setSummary(summaryOf(portNumber, rate));

    link.setPortNumber(portNumber);
    const LineSettings settings = offeredSettings(rate);
    if (!link.setLineSettings(settings)) {
        showError(
            m_session.dialogs(), ErrorCode::Configuration,
            QStringLiteral("The port does not take the settings %1.").arg(settings.toString()));
        return;
    }
    QString error;
    if (!link.open(&error)) {
        showError(m_session.dialogs(), ErrorCode::Configuration, error);
        return;
    }
    m_session.setPortState(DeviceSession::PortState::PortOpened);

    m_store.setValue(SettingsStore::portKey(), QString::number(link.portNumber()));
    m_store.setValue(SettingsStore::lineSettingsKey(), link.lineSettings().toString());
    m_store.sync();
    m_shownBindings.reset();
    accept();
}

void PortSettingsDialog::releasePort()
{
    DeviceLink &link = m_session.link();
    link.close();
    link.setPortNumber(m_choice.portNumber);
    link.setLineSettings(m_choice.lineSettings);
    m_loaded = false;
}

void PortSettingsDialog::unload()
{
    if (!m_loaded)
        return;
    releasePort();
    emit unloaded();
}

void PortSettingsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    std::array<QString, portCount> bindings;
    for (int i = 1; i <= portCount; ++i)
        bindings[static_cast<size_t>(i - 1)] =
            m_binding.isBound(i) ? m_binding.systemName(i) : QString();
    m_shownBindings = bindings;
}

void PortSettingsDialog::restoreBindings()
{
    if (!m_shownBindings)
        return;
    for (int i = 1; i <= portCount; ++i) {
        const QString &shown = (*m_shownBindings)[static_cast<size_t>(i - 1)];
        if (m_binding.isBound(i) != !shown.isEmpty() ||
            (!shown.isEmpty() && m_binding.systemName(i) != shown))
            m_binding.bind(i, shown);
    }
    m_shownBindings.reset();
}

void PortSettingsDialog::reject()
{
    restoreBindings();
    QDialog::reject();
    unload();
}
