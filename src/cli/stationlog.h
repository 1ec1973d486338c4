#pragma once

#include <QMutex>
#include <QString>

// The production station's record: one CSV line per device, appended to a file that gets its
// header row when it is new or empty. Shared by the ports' threads.
class StationLog
{
public:
    struct Entry {
        QString time; // ISO 8601, UTC
        QString port;
        QString model;
        QString version;
        QString application;
        bool ok = false;
        double seconds = 0;
        qint64 bytes = 0;
        QString message; // why it failed
    };

    // No path: nothing is recorded.
    explicit StationLog(const QString &path) : m_path(path) {}

    // False, with the reason, when the line could not be appended.
    bool append(const Entry &entry, QString *error);

    static QByteArray header();
    static QByteArray line(const Entry &entry);

private:
    QMutex m_mutex;
    QString m_path;
};
