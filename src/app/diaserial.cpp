#include "diaserial.h"

#include "devicestatus.h"
#include "dialogservice.h"
#include "errors.h"
#include "portbinding.h"
#include "seriallink.h"
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
#include <QSerialPort>
#include <QVBoxLayout>

namespace
{

const QString occupied = QStringLiteral("OCCUPED");
const QString portKey = QStringLiteral("CommPort");
const QString settingsKey = QStringLiteral("CommSettings");

QString summaryOf(int portNumber, int rate)
{
    return QStringLiteral("COM %1, %2bps 8-N-1").arg(portNumber).arg(rate);
}

} // namespace

diaSerial::diaSerial(SerialLink &link, DeviceStatus &status, SettingsStore &store,
                     PortBinding &binding, DialogService &dialogs, const int &portNumber,
                     const QString &portSettings, QWidget *parent)
    : QDialog(parent), m_link(link), m_status(status), m_store(store), m_binding(binding),
      m_dialogs(dialogs), m_portNumber(portNumber), m_portSettings(portSettings)
{
    setObjectName(QStringLiteral("diaSerial"));
    setWindowTitle(QStringLiteral("COM settings"));
    setModal(true);
    buildControls();
}

diaSerial::~diaSerial()
{
    if (m_loaded)
        releasePort();
}

void diaSerial::buildControls()
{
    auto *portFrame = new QGroupBox(QStringLiteral("Port"), this);
    auto *portLayout = new QGridLayout(portFrame);
    m_portGroup = new QButtonGroup(this);
#ifdef Q_OS_WIN
    const bool chooseDevice = false; // COM n is the system port COMn
#else
    const bool chooseDevice = true;
#endif
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
        port.device->setVisible(chooseDevice);
        port.description = new QLabel(portFrame);
        port.description->setVisible(chooseDevice);
        portLayout->addWidget(port.option, i - 1, 0);
        portLayout->addWidget(port.device, i - 1, 1);
        portLayout->addWidget(port.description, i - 1, 2);
        connect(port.device, &QComboBox::textActivated, this, [this, i] { rebind(i); });
        connect(port.device->lineEdit(), &QLineEdit::editingFinished, this,
                [this, i] { rebind(i); });
    }

    auto *rateFrame = new QGroupBox(QStringLiteral("Baudrate"), this);
    auto *rateLayout = new QVBoxLayout(rateFrame);
    m_rateGroup = new QButtonGroup(this);
    for (int i = 1; i <= rateCount; ++i) {
        auto *option = new QRadioButton(
            QStringLiteral("%1 bps").arg(rates[static_cast<size_t>(i - 1)]), rateFrame);
        option->setObjectName(QStringLiteral("optBauds%1").arg(i));
        m_rateGroup->addButton(option, i);
        rateLayout->addWidget(option);
        m_rateOptions[static_cast<size_t>(i - 1)] = option;
    }

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &diaSerial::OKButtonClick);

    auto *frames = new QHBoxLayout;
    frames->addWidget(portFrame, 1);
    frames->addWidget(rateFrame);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
}

QRadioButton *diaSerial::optCOM(int index) const
{
    return index >= 1 && index <= portCount ? row(index).option : nullptr;
}

QRadioButton *diaSerial::optBauds(int index) const
{
    return index >= 1 && index <= rateCount ? m_rateOptions[static_cast<size_t>(index - 1)]
                                            : nullptr;
}

QString diaSerial::tag(int index) const
{
    return index >= 1 && index <= portCount ? row(index).tag : QString();
}

QComboBox *diaSerial::deviceChooser(int index) const
{
    return index >= 1 && index <= portCount ? row(index).device : nullptr;
}

// Opens the device of option `index` on a port object of its own and closes it again: a device
// that is not there cannot be chosen; one that is in use (or not accessible) is tagged but can
// still be chosen.
void diaSerial::probeOption(int index)
{
    const QString name = m_binding.systemName(index);
    Probe probe = Probe::Missing;
    if (!name.isEmpty()) {
        QSerialPort port;
        port.setPortName(name);
        if (port.open(QIODevice::ReadWrite)) {
            port.close();
            probe = Probe::Free;
        } else if (port.error() != QSerialPort::DeviceNotFoundError &&
                   port.error() != QSerialPort::UnsupportedOperationError) {
            probe = Probe::InUse;
        }
    }
    PortRow &port = row(index);
    port.tag = probe == Probe::Free ? QString() : occupied;
    port.option->setEnabled(probe != Probe::Missing);
    showBinding(index, probe);
}

void diaSerial::showBinding(int index, Probe probe)
{
    PortRow &port = row(index);
    const QSignalBlocker blocker(port.device);
    port.device->clear();
    port.device->addItems(m_binding.availablePorts());
    port.device->setEditText(m_binding.systemName(index));
    QString text = m_binding.describe(index);
    if (probe == Probe::Missing)
        text += QStringLiteral(" - not present");
    else if (probe == Probe::InUse)
        text += QStringLiteral(" - in use");
    port.description->setText(text);
    port.option->setToolTip(text);
}

void diaSerial::rebind(int index)
{
    const QString chosen = row(index).device->currentText().trimmed();
    if (chosen == m_binding.systemName(index))
        return;
    m_binding.bind(index, chosen);
    probeOption(index);
}

void diaSerial::clearRateSelection()
{
    m_rateGroup->setExclusive(false);
    for (QRadioButton *option : m_rateOptions)
        option->setChecked(false);
    m_rateGroup->setExclusive(true);
}

bool diaSerial::selectRateOf(const QString &settings)
{
    clearRateSelection();
    for (int i = 1; i <= rateCount; ++i) {
        if (settings == QStringLiteral("%1,n,8,1").arg(rates[static_cast<size_t>(i - 1)])) {
            optBauds(i)->setChecked(true);
            return true;
        }
    }
    return false;
}

void diaSerial::load()
{
    m_loaded = true;
    // The probe below opens every port in turn, so the link lets go of its own first.
    m_link.close();
    m_link.setSettings(m_portSettings);
    // Reads always return all waiting characters: there is no input length to set.

    m_binding.refresh();
    for (int i = 1; i <= portCount; ++i)
        probeOption(i);

    bool numeric = false;
    int stored = m_store.value(portKey, QString::number(m_portNumber)).trimmed().toInt(&numeric);
    if (!numeric || stored < 1 || stored > portCount)
        stored = m_portNumber >= 1 && m_portNumber <= portCount ? m_portNumber : 1;
    m_link.setPortNumber(stored);
    m_link.setSettings(m_store.value(settingsKey, m_portSettings));

    if (tag(stored) == occupied)
        m_link.setPortNumber(1);

    const int portNumber = m_link.portNumber();
    // A port that the probe found free but that cannot be opened now (taken in between) ends
    // closed as well.
    if (tag(portNumber) != occupied && m_link.open())
        m_status.setPortState(QStringLiteral("Port Opened"));
    else
        m_status.setPortState(QStringLiteral("Not Connected"));

    optCOM(portNumber)->setChecked(true);

    QString summary;
    if (selectRateOf(m_link.settings()))
        summary = summaryOf(portNumber, rates[static_cast<size_t>(m_rateGroup->checkedId() - 1)]);
    m_status.setPortSummary(summary);
}

void diaSerial::OKButtonClick()
{
    m_link.close();
    m_status.setPortState(QStringLiteral("Not Connected"));

    const int portNumber = m_portGroup->checkedId();
    const int rateIndex = m_rateGroup->checkedId();
    if (portNumber < 1 || rateIndex < 1) {
        ShowError(m_dialogs, 3, QStringLiteral("Choose a port and a rate."));
        return;
    }
    const int rate = rates[static_cast<size_t>(rateIndex - 1)];
    m_status.setPortSummary(summaryOf(portNumber, rate));

    m_link.setPortNumber(portNumber);
    const QString settings = QStringLiteral("%1,n,8,1").arg(rate);
    if (!m_link.setSettings(settings)) {
        ShowError(m_dialogs, 3,
                  QStringLiteral("The port does not take the settings %1.").arg(settings));
        return;
    }
    QString error;
    if (!m_link.open(&error)) {
        ShowError(m_dialogs, 3, error);
        return;
    }
    m_status.setPortState(QStringLiteral("Port Opened"));

    m_store.setValue(portKey, QString::number(m_link.portNumber()));
    m_store.setValue(settingsKey, m_link.settings());
    m_store.sync();
    accept();
}

void diaSerial::releasePort()
{
    m_link.close();
    m_link.setPortNumber(m_portNumber);
    m_link.setSettings(m_portSettings);
    m_loaded = false;
}

void diaSerial::unload()
{
    if (!m_loaded)
        return;
    releasePort();
    emit unloaded();
}

void diaSerial::reject()
{
    QDialog::reject();
    unload();
}
