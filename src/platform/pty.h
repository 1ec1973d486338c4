#pragma once

#include <QString>

// A pseudo-terminal pair in raw mode: the master end for whoever plays the device, the slave path
// for whoever opens it as a serial port.
class Pty
{
public:
    Pty() = default;
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    // Opens the pair: both ends raw, the master non-blocking. The slave end stays open for the
    // object's whole life, so the master never reads end-of-file or EIO while nobody else has the
    // slave open.
    bool open(QString *error = nullptr);
    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    QString slavePath() const { return m_slavePath; }

    // Closes the master end only: whoever has the slave open sees the line hang up.
    void closeMaster();
    void close();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
