#include "uninstalllog.h"

#include "settingsstore.h"

#include <QFile>

QByteArray UninstallLog::registrationBlock()
{
    const QByteArray base = "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Dravenco";
    const QByteArray section = base + "\\Zorla Ticket";
    QByteArray block;
    block += "ACTION: RegKey: \"" + base + "\", \"Zorla Ticket\"\r\n\r\n";
    for (const QString &key : {SettingsStore::portKey(), SettingsStore::lineSettingsKey()})
        block += "ACTION: RegValue: \"" + section + "\", \"" + key.toLatin1() + "\"\r\n\r\n";
    block += "x\r\n";
    return block;
}

void UninstallLog::registerSettings(const QString &logPath)
{
    QFile log(logPath);
    if (!log.exists() || !log.open(QIODevice::ReadWrite))
        return;
    const qint64 size = log.size();
    if (size < 3 || !log.seek(size - 3))
        return;
    char marker = 0;
    if (!log.getChar(&marker) || marker == 'x')
        return;
    if (log.seek(size))
        log.write(registrationBlock());
}
