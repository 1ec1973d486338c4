#pragma once

#include <QFile>
#include <QMutex>
#include <QString>
#include <atomic>

// The production station's record: one CSV line per device, appended to a file that gets its
// header row when it is new or empty. Opened once before the first device; after a line could not
// be written it takes no more and says why. Shared by the ports' threads.
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

    // Opens the file and writes the header row when it is new or empty; false, with the reason,
    // when it is not a regular file or cannot be written.
    bool open(QString *error);
    // False, with the reason, when the line could not be appended; the log then stays failed.
    bool append(const Entry &entry, QString *error);
    bool failed() const { return m_failed.load(); }
    QString failure() const;

    static QByteArray header();
    static QByteArray line(const Entry &entry);

private:
    bool write(const QByteArray &bytes);

    mutable QMutex m_mutex;
    QString m_path;
    QFile m_file;
    std::atomic<bool> m_failed{false};
    QString m_failure;
};
