#pragma once

#include "deviceclass.h"

#include <QByteArray>
#include <QString>

// The identified device: what the identification reply says about model, software version and
// application, and what follows from them (device class and free ticket memory).
struct DeviceIdentity {
    // How far the reply could be read.
    enum class Parse {
        Identified,      // model ZORLA or VELMAR
        UnknownModel,    // a version but neither model word: model "UNKNOWN"
        NoVersion,       // no "." in the reply
        VersionMisplaced // the first "." at position 1 or beyond 255 (a communication failure)
    };

    QString model;       // "ZORLA", "VELMAR", "UNKNOWN" or empty
    QString version;     // up to 5 characters around the first "."
    QString application; // "None", "Industrial", "Truck Scale" or empty when no token was found
    DeviceClass deviceClass = DeviceClass::None;
    qint64 space = 0; // free ticket memory in bytes once identified (MemoryLayout)
    Parse parse = Parse::NoVersion;
    QString failure; // description of a VersionMisplaced reply

    bool identified() const { return parse == Parse::Identified; }
    // The truck ticket (T, P1, P2) serves "Truck Scale", the totalize ticket (T, H, B, F) the
    // others.
    bool truckApplication() const { return application == QLatin1String("Truck Scale"); }

    // Reads an identification reply; looks only at the model words, the first "." and the
    // application tokens, case-sensitively and anywhere in the reply.
    static DeviceIdentity fromReply(const QByteArray &reply);
    // The leading decimal number of a version text ("." as decimal point), 0 when there is none.
    static double versionValue(const QString &version);
};
