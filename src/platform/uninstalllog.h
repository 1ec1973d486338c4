#pragma once

#include <QString>

// Registers the tool's settings once in the installer's uninstall log "ST6UNST.LOG", so that the
// uninstaller removes them too. Never reports anything: a missing or unreadable log is left alone.
class UninstallLog
{
public:
    // The block appended: three entries, each followed by two line ends, then the marker "x".
    static QByteArray registrationBlock();
    // Appends the block unless the log's third-last byte is already the marker "x".
    static void registerSettings(const QString &logPath);
};
