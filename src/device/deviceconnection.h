#pragma once

#include <QString>

class DeviceSession;

// The Connect command: when not connected, opens the port if needed, identifies the device and
// takes its identity into the session; when connected, closes the port and forgets the device.
class DeviceConnection
{
public:
    static constexpr char identificationCommand[] = "@C4\r";

    explicit DeviceConnection(DeviceSession &session) : m_session(session) {}

    void toggle();

private:
    void connectAndIdentify();
    void failed(const QString &description);

    DeviceSession &m_session;
};
