#pragma once

#include "connecteddevice.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "errors.h"
#include "operatortexts.h"
#include "ticketproject.h"

#include <QtTest>

using Message = ScriptedDialogService::Message;
using App = SimulatedDevice::Application;
using Outcome = TransferResult::Outcome;

inline char *toString(const Message &message)
{
    return QTest::toString(message.title + QLatin1String(": ") + message.text);
}

inline Message errorBox(ErrorCode code)
{
    return {errorMessage(code).text, errorMessage(code).title};
}

inline const Message TimeoutBox = errorBox(ErrorCode::Timeout);

// The Program and Read commands on a project, over a connected and identified simulated device.
struct ProcedureRig : ConnectedDevice {
    template <typename... Args> explicit ProcedureRig(Args... args) : ConnectedDevice(args...)
    {
        // The status line as the window shows it.
        QObject::connect(&session, &DeviceSession::progressChanged, &session,
                         [this](const TransferProgress &progress) {
                             if (progress.running())
                                 statusLine = OperatorTexts::transferProgress(progress);
                         });
        QObject::connect(&session, &DeviceSession::transferEnded, &session,
                         [this](const TransferResult &result) {
                             if (!OperatorTexts::transferResult(result).isNull())
                                 statusLine = OperatorTexts::transferResult(result);
                         });
    }
    SimulatedDevice &device() { return port.device(); }
    void fill(int n, const QByteArray &bytes)
    {
        project.setSlot(n, {bytes, QStringLiteral("f"), {}, bytes.size()});
    }
    TransferResult::Outcome program() { return DeviceProgrammer(project, session).run().outcome; }
    TransferResult::Outcome read() { return DeviceReader(project, session).run().outcome; }
    // Lets the wait for the n-th command (counted from now) see a click on Cancel.
    void cancelAt(int n)
    {
        QObject::connect(&link, &DeviceLink::commandSent, &link, [this, n] {
            if (commands().size() + 1 == n)
                QTimer::singleShot(0, &link, [this] { session.requestCancel(); });
        });
    }

    TicketProject project;
    QString statusLine;
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
