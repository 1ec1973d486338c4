#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <functional>

// Files named as the system spells them. A name that is not valid UTF-8 keeps its bytes: each byte
// that does not decode is carried as one character U+DC80..U+DCFF, and the file is opened, looked
// at and written by the original bytes.
class SystemFile
{
public:
    enum class Kind { Missing, Regular, Folder, Other };
    struct Status {
        Kind kind = Kind::Missing;
        qint64 size = 0;
    };

    static QString decodeName(const QByteArray &name);
    static QByteArray encodeName(const QString &name);

    static Status status(const QString &path);
    // Why the path cannot be written over or read as a file ("it is a folder", "it is not a
    // regular file"); empty for a regular file or one that does not exist.
    static QString notARegularFile(const QString &path);
    static bool open(QFile &file, const QString &path, QIODevice::OpenMode mode);
    // Opens a regular file for appending, making it when missing, without ever waiting: a folder,
    // a FIFO, a device or a file that cannot be written is refused with the reason.
    static bool openForAppend(QFile &file, const QString &path, QString *error);
    static bool canWriteIn(const QString &folder);
    // Writes a temporary file beside the path and renames it over the path only once `write`
    // succeeded and the data is on disk, so the path holds the old file or all of the new one.
    static bool writeAtomically(const QString &path, const std::function<bool(QIODevice &)> &write,
                                QString *error);
};
