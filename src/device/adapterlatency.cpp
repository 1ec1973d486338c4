#include "adapterlatency.h"

#include "adapterlatencytimer.h"

#include <QSettings>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace
{

#if defined(Q_OS_LINUX)
const QString settingName = QStringLiteral("low latency");

// The serial flags of the tty driver; USB serial drivers take ASYNC_LOW_LATENCY from any user.
class SerialFlags : public AdapterLatency::Setting
{
public:
    std::optional<int> read(qintptr handle) override
    {
        serial_struct serial{};
        if (::ioctl(int(handle), TIOCGSERIAL, &serial) != 0)
            return std::nullopt;
        return serial.flags;
    }
    bool write(qintptr handle, int value) override
    {
        serial_struct serial{};
        if (::ioctl(int(handle), TIOCGSERIAL, &serial) != 0)
            return false;
        serial.flags = value;
        return ::ioctl(int(handle), TIOCSSERIAL, &serial) == 0;
    }
};
using SystemSetting = SerialFlags;
#elif defined(Q_OS_WIN)
const QString settingName = QStringLiteral("event character CR");

// The port's event character in its device control block.
class EventCharacter : public AdapterLatency::Setting
{
public:
    std::optional<int> read(qintptr handle) override
    {
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        if (!::GetCommState(reinterpret_cast<HANDLE>(handle), &dcb))
            return std::nullopt;
        return int(static_cast<unsigned char>(dcb.EvtChar));
    }
    bool write(qintptr handle, int value) override
    {
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        if (!::GetCommState(reinterpret_cast<HANDLE>(handle), &dcb))
            return false;
        dcb.EvtChar = char(value);
        return ::SetCommState(reinterpret_cast<HANDLE>(handle), &dcb);
    }
};
using SystemSetting = EventCharacter;
#else
const QString settingName = QStringLiteral("low latency");

class NoSetting : public AdapterLatency::Setting
{
public:
    std::optional<int> read(qintptr) override { return std::nullopt; }
    bool write(qintptr, int) override { return false; }
};
using SystemSetting = NoSetting;
#endif

// Commands of a full VELMAR, each of which an adapter's timer may hold back.
constexpr int commandsOfFullDevice = 5000;

} // namespace

std::unique_ptr<AdapterLatency::Setting> AdapterLatency::systemSetting()
{
    return std::make_unique<SystemSetting>();
}

int AdapterLatency::quickValue(int value)
{
#if defined(Q_OS_LINUX)
    return value | ASYNC_LOW_LATENCY;
#elif defined(Q_OS_WIN)
    Q_UNUSED(value);
    return '\r';
#else
    return value;
#endif
}

AdapterLatency::AdapterLatency(std::unique_ptr<Setting> setting) : m_setting(std::move(setting)) {}

bool AdapterLatency::engage(qintptr handle)
{
    m_previous.reset();
    const std::optional<int> value = m_setting->read(handle);
    if (!value) {
        m_note = settingName + QStringLiteral(": not available on this port");
        return false;
    }
    const int quick = quickValue(*value);
    if (quick == *value) {
        m_note = settingName + QStringLiteral(": on (already set)");
        return true;
    }
    if (!m_setting->write(handle, quick)) {
        m_note = settingName + QStringLiteral(": refused by the driver");
        return false;
    }
    m_previous = value;
    m_note = settingName + QStringLiteral(": on");
    return true;
}

void AdapterLatency::release(qintptr handle)
{
    if (m_previous)
        m_setting->write(handle, *m_previous);
    m_previous.reset();
}

QString AdapterLatency::timerWarning(const QString &portName)
{
#ifdef Q_OS_WIN
    QSettings ftdiBus(AdapterLatencyTimer::ftdiBusKey(), QSettings::NativeFormat);
    return timerWarning(ftdiBus, portName);
#else
    // The driver's own timer follows the low-latency flag set when the port opened.
    Q_UNUSED(portName);
    return {};
#endif
}

QString AdapterLatency::timerWarning(QSettings &ftdiBus, const QString &portName)
{
    const std::optional<int> timer = AdapterLatencyTimer::fromFtdiBus(ftdiBus, portName);
    return timer ? timerWarning(portName, *timer) : QString();
}

QString AdapterLatency::timerWarning(const QString &portName, int milliseconds)
{
    if (milliseconds <= 2)
        return {};
    return QStringLiteral(
               "%1: the adapter's latency timer is %2 ms. It holds each reply back for up to %2 "
               "ms, up to %3 s over the %4 commands of a full VELMAR. To set it to 1 ms: Device "
               "Manager \u2192 Ports \u2192 %1 \u2192 Port Settings \u2192 Advanced \u2192 "
               "Latency Timer.")
        .arg(portName)
        .arg(milliseconds)
        .arg(commandsOfFullDevice * milliseconds / 1000)
        .arg(commandsOfFullDevice);
}
