#pragma once

#include <QByteArray>
#include <QString>

// How one command on the device link ended: the device's reply, a refusal (NAK), no reply within
// the attempts, a port that failed, or a wait broken off by abort(); with the reply bytes and a
// description for the operator.
struct LinkReply {
    enum class Status { Answered, Refused, TimedOut, PortLost, Aborted };

    Status status = Status::TimedOut;
    QByteArray bytes;    // the completed reply (also the refusal), empty otherwise
    QString description; // why the port failed, for PortLost
    // The time-out ran out while a refusal was being reported to the operator.
    bool timeoutPassed = false;

    bool answered() const { return status == Status::Answered; }
};
