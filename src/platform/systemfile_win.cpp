#include "systemfile.h"

#include <QFileInfo>
#include <QSaveFile>

// Windows hands names over as UTF-16, so every name decodes and Qt's own file classes serve.

SystemFile::Status SystemFile::status(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    const Kind kind = info.isFile() ? Kind::Regular : info.isDir() ? Kind::Folder : Kind::Other;
    return {kind, info.size()};
}

bool SystemFile::open(QFile &file, const QString &path, QIODevice::OpenMode mode)
{
    file.setFileName(path);
    return file.open(mode);
}

bool SystemFile::openForAppend(QFile &file, const QString &path, QString *error)
{
    *error = notARegularFile(path);
    if (!error->isEmpty())
        return false;
    file.setFileName(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
    *error = file.errorString();
    return false;
}

bool SystemFile::canWriteIn(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

bool SystemFile::writeAtomically(const QString &path, const std::function<bool(QIODevice &)> &write,
                                 QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && write(file) && file.commit())
        return true;
    *error = file.errorString();
    return false;
}
