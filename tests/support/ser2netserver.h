#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's ser2net serving a serial device (a simulated device's pseudo-terminal) on loopback for
// the length of a test, as a raw TCP stream or as Telnet with RFC 2217 serial port control.
// Runs in the foreground as a child of the test, and is stopped when the object goes (and by the
// system should the test itself die).
class Ser2NetServer
{
public:
    enum class Mode { Raw, Rfc2217 };
    // Tuned: what comes from the device is sent on at once (chardelay off), as this protocol's
    // short replies want. Default: ser2net's own packing, which holds each reply at least a
    // millisecond after its last character.
    enum class Packing { Tuned, Default };

    Ser2NetServer(const QString &devicePath, Mode mode, Packing packing = Packing::Tuned);
    ~Ser2NetServer() { stop(); }

    // The ser2net program, or an empty string when it is not installed.
    static QString program();

    // Starts ser2net and returns once it listens; false with the reason (and ser2net's output)
    // in errorString().
    bool start();
    void stop();

    // "socket://127.0.0.1:PORT" or "rfc2217://127.0.0.1:PORT".
    QString url() const;
    QString errorString() const { return m_error; }

private:
    bool writeConfig(const QString &path) const;
    bool waitUntilListening();

    QString m_devicePath;
    Mode m_mode;
    Packing m_packing;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
