#include "systemfile.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A new file beside the target, created with the target's permissions (or the ones a new file
// gets under the umask) so that the rename changes nothing but the content.
int createBeside(const QByteArray &target, QByteArray *temporary)
{
    struct stat existing = {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    for (int tries = 0; tries < 16; ++tries) {
        *temporary =
            target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        const int fd =
            ::open(temporary->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 && exists)
            ::fchmod(fd, existing.st_mode & 07777);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

SystemFile::Status SystemFile::status(const QString &path)
{
    struct stat info = {};
    if (::stat(encodeName(path).constData(), &info) != 0)
        return {};
    const Kind kind = S_ISREG(info.st_mode)   ? Kind::Regular
                      : S_ISDIR(info.st_mode) ? Kind::Folder
                                              : Kind::Other;
    return {kind, qint64(info.st_size)};
}

bool SystemFile::open(QFile &file, const QString &path, QIODevice::OpenMode mode)
{
    int flags = O_CLOEXEC;
    if (mode.testFlag(QIODevice::ReadOnly) && mode.testFlag(QIODevice::WriteOnly))
        flags |= O_RDWR | O_CREAT;
    else if (mode.testFlag(QIODevice::WriteOnly))
        flags |= O_WRONLY | O_CREAT;
    if (mode.testFlag(QIODevice::Append))
        flags |= O_APPEND;
    else if (mode.testFlag(QIODevice::Truncate))
        flags |= O_TRUNC;
    const int fd = ::open(encodeName(path).constData(), flags, 0666);
    if (fd < 0) {
        file.setFileName(path);
        file.open(mode); // for QFile's own error and errorString()
        return false;
    }
    return file.open(fd, mode, QFileDevice::AutoCloseHandle);
}

bool SystemFile::openForAppend(QFile &file, const QString &path, QString *error)
{
    *error = notARegularFile(path);
    if (!error->isEmpty())
        return false;
    // Without O_NONBLOCK, opening a FIFO that nobody reads would wait for a reader; what was put
    // in the path's place since the check is refused once open.
    const int fd = ::open(encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = errno == ENXIO ? QStringLiteral("it is not a regular file") : systemError(errno);
        return false;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        *error = QStringLiteral("it is not a regular file");
        return false;
    }
    if (file.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    *error = file.errorString();
    return false;
}

bool SystemFile::canWriteIn(const QString &folder)
{
    return status(folder).kind == Kind::Folder &&
           ::access(encodeName(folder).constData(), W_OK) == 0;
}

bool SystemFile::writeAtomically(const QString &path, const std::function<bool(QIODevice &)> &write,
                                 QString *error)
{
    const QByteArray target = encodeName(path);
    QByteArray temporary;
    const int fd = createBeside(target, &temporary);
    if (fd < 0) {
        *error = systemError(errno);
        return false;
    }
    auto removeTemporary = qScopeGuard([&] { ::unlink(temporary.constData()); });
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = file.errorString();
        return false;
    }
    if (!write(file) || !file.flush()) {
        *error = file.errorString();
        return false;
    }
    if (::fsync(file.handle()) != 0 || ::rename(temporary.constData(), target.constData()) != 0) {
        *error = systemError(errno);
        return false;
    }
    removeTemporary.dismiss();
    return true;
}
