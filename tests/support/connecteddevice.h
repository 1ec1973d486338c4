#pragma once

#include "deviceconnection.h"
#include "devicelink.h"
#include "devicesession.h"
#include "scripteddialogservice.h"
#include "simulatedport.h"

// A simulated device with the real link connected to it and identified, its recording emptied so
// that commands() holds only what is sent afterwards. Header only: zv_testsupport does not link the
// device layer, the tests that use it do.
struct ConnectedDevice {
    explicit ConnectedDevice(Model model, Application application = Application::Industrial,
                             int rate = 19200)
        : port(model, application)
    {
        link.setPortName(port.slavePath());
        link.setLineSettings({rate, LineSettings::Parity::None, 8, 1});
        connection.toggle();
        port.device().clearRecording();
    }
    QList<QByteArray> commands() { return port.device().commands(); }

    SimulatedPort port;
    ScriptedDialogService dialogs;
    DeviceLink link;
    DeviceSession session{link, dialogs};
    DeviceConnection connection{session};
};
