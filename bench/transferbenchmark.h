#pragma once

#include "simulateddevice.h"

#include <QString>

// One benchmark run: connects to a simulated device of one model at one line rate, programs a
// project that fills the device, reads it back, checks that the same bytes came back, and
// relates the time taken to the time the characters need on the line.
class TransferBenchmark
{
public:
    struct Result {
        QString name;            // "<class>-<rate>", rate "none" without line emulation
        double wallOverWire = 0; // 0 when the line costs no time
        double cpuOverWall = 0;  // CPU of the link's thread only
        double overheadUs = 0;   // median over commands of wall minus wire time
        // Where the overhead goes, medians in microseconds: from the link's sending to the device
        // having the whole command (beyond the character pacing), from the moment the emulated
        // line would deliver the reply (or the link's pacing ends, if later) to the link having
        // it complete, and from there to the link's next command.
        double toDeviceUs = 0;
        double fromDeviceUs = 0;
        double turnaroundUs = 0;
        // The link's turnaround as the device sees it, from the last byte of a reply written (or,
        // for classes 0 and 1, the end of the link's pause after the command's last character,
        // if later) to the first byte of the next command read, over programming and reading.
        double deviceTurnaroundP50Us = 0;
        double deviceTurnaroundP99Us = 0;
        // How late the emulated line sent each reply after its last character would have left.
        double emulatorLateP50Us = 0;
        double emulatorLateP99Us = 0;
        qsizetype commands = 0;
        QString problem; // empty when the run worked and read back what it wrote
    };

    TransferBenchmark(SimulatedDevice::Model model, int lineRate);
    Result run();

private:
    SimulatedDevice::Model m_model;
    int m_lineRate; // bits per second, 0 = no emulation
};
