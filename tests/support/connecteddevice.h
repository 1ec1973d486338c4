#pragma once

#include "deviceconnection.h"
#include "devicestatus.h"
#include "scripteddialogservice.h"
#include "seriallink.h"
#include "simulatedport.h"

// A simulated device with the real link connected to it and identified, its recording emptied so
// that commands() holds only what is sent afterwards. Header only: zv_testsupport does not link the
// device layer, the tests that use it do.
struct ConnectedDevice {
    explicit ConnectedDevice(
        SimulatedDevice::Model model,
        SimulatedDevice::Application application = SimulatedDevice::Application::Industrial,
        const QString &settings = QStringLiteral("19200,n,8,1"))
        : port(model, application)
    {
        link.setPortName(port.slavePath());
        link.setSettings(settings);
        connection.toggle();
        port.device().clearRecording();
    }
    QList<QByteArray> commands() { return port.device().commands(); }

    SimulatedPort port;
    ScriptedDialogService dialogs;
    SerialLink link{dialogs};
    DeviceStatus status;
    DeviceConnection connection{link, status, dialogs};
};
