#pragma once

#include <QObject>
#include <QString>
#include <array>

// The device-related window state that the connect, program and read commands write and that the
// main window (or the command line) shows: status bar panels, device status labels, toolbar
// button states, ticket frames, Cancel button and progress bar.
class DeviceStatus : public QObject
{
    Q_OBJECT

public:
    explicit DeviceStatus(QObject *parent = nullptr);

    static constexpr int statusCount = 4;

    // Status bar panel 1: "Not Connected", "Port Opened" or "Connected !".
    QString portState() const { return m_portState; }
    void setPortState(const QString &text);
    // Status bar panel 2: the settings summary, such as "COM 1, 9600bps 8-N-1", or empty.
    QString portSummary() const { return m_portSummary; }
    void setPortSummary(const QString &text);

    // lblStatus(1..4): device type, software version, application, status line.
    QString statusText(int i) const;
    void setStatusText(int i, const QString &text);

    // lblSpaceA: the device's free ticket memory as decimal text, empty when disconnected.
    QString spaceAvailable() const { return m_spaceAvailable; }
    qint64 spaceAvailableValue() const;
    void setSpaceAvailable(const QString &text);
    void setSpaceAvailable(qint64 bytes);

    // The connection state is the image of the Connect button: "cmdDisconnectIcon" while
    // connected, "cmdConnectIcon" otherwise.
    bool connected() const { return m_connected; }
    QString connectIcon() const;
    void setConnected(bool connected);
    QString connectTooltip() const { return m_connectTooltip; }
    void setConnectTooltip(const QString &text);

    bool programEnabled() const { return m_programEnabled; }
    void setProgramEnabled(bool enabled);
    bool loadEnabled() const { return m_loadEnabled; }
    void setLoadEnabled(bool enabled);
    bool connectEnabled() const { return m_connectEnabled; }
    void setConnectEnabled(bool enabled);

    bool truckVisible() const { return m_truckVisible; }
    void setTruckVisible(bool visible);
    bool totalVisible() const { return m_totalVisible; }
    void setTotalVisible(bool visible);

    bool commandButtonsEnabled() const { return m_commandButtonsEnabled; }
    void setCommandButtonsEnabled(bool enabled);
    bool cancelVisible() const { return m_cancelVisible; }
    void setCancelVisible(bool visible);
    bool cancelEnabled() const { return m_cancelEnabled; }
    void setCancelEnabled(bool enabled);
    // A transfer is running: hourglass over the window; New, Open, Settings, Connect unavailable.
    bool busy() const { return m_busy; }
    void setBusy(bool busy);

    bool progressVisible() const { return m_progressVisible; }
    void setProgressVisible(bool visible);
    int progressMaximum() const { return m_progressMaximum; }
    void setProgressRange(int maximum);
    int progressValue() const { return m_progressValue; }
    void setProgressValue(int value);

signals:
    void changed();

private:
    template <typename T> void assign(T &field, const T &value);

    QString m_portState;
    QString m_portSummary;
    std::array<QString, statusCount> m_statusTexts;
    QString m_spaceAvailable;
    bool m_connected = false;
    QString m_connectTooltip = QStringLiteral("Connect With Device");
    bool m_programEnabled = false;
    bool m_loadEnabled = false;
    bool m_connectEnabled = true;
    bool m_truckVisible = false;
    bool m_totalVisible = false;
    bool m_commandButtonsEnabled = true;
    bool m_cancelVisible = false;
    bool m_cancelEnabled = true;
    bool m_busy = false;
    bool m_progressVisible = false;
    int m_progressMaximum = 100;
    int m_progressValue = 0;
};
