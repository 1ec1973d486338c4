#pragma once

#include "deviceconnection.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "devicestatus.h"
#include "errors.h"
#include "projectcommands.h"
#include "scripteddialogservice.h"
#include "seriallink.h"
#include "simulatedport.h"
#include "ticketproject.h"

#include <QtTest>

using Message = ScriptedDialogService::Message;

inline char *toString(const Message &message)
{
    return QTest::toString(message.title + QLatin1String(": ") + message.text);
}

inline Message errorBox(int code)
{
    return {errorMessage(code).text, errorMessage(code).title};
}

inline const Message TimeoutBox{QStringLiteral("Communication failed"), QStringLiteral("Timeout!")};

// The Program and Read commands over the real link, connected to a simulated device over a
// pseudo-terminal and identified; the device's recording starts after the identification.
struct ProcedureRig {
    explicit ProcedureRig(
        SimulatedDevice::Model model,
        SimulatedDevice::Application app = SimulatedDevice::Application::Industrial)
        : port(model, app)
    {
        link.setPortName(port.slavePath());
        link.setSettings(QStringLiteral("19200,n,8,1"));
        connection.toggle();
        device().clearRecording();
    }
    SimulatedDevice &device() { return port.device(); }
    void fill(int n, const QByteArray &bytes)
    {
        project.setSlot(n, {bytes, QStringLiteral("f"), {}, QString::number(bytes.size())});
    }
    DeviceProgrammer::Outcome program()
    {
        return DeviceProgrammer(project, link, status, connection, dialogs).run();
    }
    DeviceReader::Outcome read()
    {
        return DeviceReader(project, link, status, connection, dialogs, commands).run();
    }
    // Lets the wait for the n-th command (counted from now) see a click on Cancel.
    void cancelAt(int n)
    {
        QObject::connect(&link, &SerialLink::commandSent, &link, [this, n] {
            if (device().commands().size() + 1 == n)
                QTimer::singleShot(0, &link, [this] { link.setCancelRequested(true); });
        });
    }

    SimulatedPort port;
    ScriptedDialogService dialogs;
    TicketProject project;
    ProjectCommands commands{project, dialogs};
    SerialLink link{dialogs};
    DeviceStatus status;
    DeviceConnection connection{link, status, dialogs};
};

// Memory access commands at from, from + step, ..., each with its carriage return.
inline QByteArrayList accesses(quint16 from, int count, int step, const QByteArray &data)
{
    QByteArrayList commands;
    for (int i = 0; i < count; ++i) {
        const QByteArray address = QByteArray::number(from + step * i, 16).toUpper();
        commands << "@E" + address.rightJustified(4, '0') + '-' + data + '\r';
    }
    return commands;
}
