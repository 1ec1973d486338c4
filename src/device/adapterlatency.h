#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>

class QSettings;

// Makes a USB serial adapter pass each reply on as soon as it arrives while its port is open, and
// gives the driver back its own setting when the port closes: on Linux the low-latency flag
// (which FTDI's driver turns into a 1 ms latency timer), on Windows the event character set to
// carriage return (on which FTDI's driver sends what it holds at once).
class AdapterLatency
{
public:
    // The one driver setting this takes, read and written on an open port's handle; tests put
    // their own in its place to watch what is asked of the driver.
    class Setting
    {
    public:
        virtual ~Setting() = default;
        // The setting's value; none where the driver does not have it.
        virtual std::optional<int> read(qintptr handle) = 0;
        virtual bool write(qintptr handle, int value) = 0;
    };

    // The system's own: the serial flags of TIOCGSERIAL/TIOCSSERIAL on Linux, DCB.EvtChar on
    // Windows; one that has nothing elsewhere.
    static std::unique_ptr<Setting> systemSetting();
    // The value that makes the adapter quick, from the one it had.
    static int quickValue(int value);

    explicit AdapterLatency(std::unique_ptr<Setting> setting = systemSetting());

    // Sets the quick value on a port just opened; true when it is in force. Where the driver
    // refuses, nothing changes. note() says what came of it.
    bool engage(qintptr handle);
    // Gives the driver the value engage() found, before the port closes.
    void release(qintptr handle);
    // For traces: "low latency: on", "low latency: not available on this port", ...
    QString note() const { return m_note; }

    // What an FTDI adapter's latency timer costs and how to set it to 1 ms, for a timer above
    // 2 ms; empty otherwise. The adapter is the one behind the Windows port portName, looked up
    // in the FTDI driver's registry (or the given copy of it).
    static QString timerWarning(const QString &portName);
    static QString timerWarning(QSettings &ftdiBus, const QString &portName);
    static QString timerWarning(const QString &portName, int milliseconds);

private:
    std::unique_ptr<Setting> m_setting;
    std::optional<int> m_previous; // the value engage() replaced
    QString m_note;
};
