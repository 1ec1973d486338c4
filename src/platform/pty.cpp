#include "pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace
{

bool makeRaw(int fd)
{
    termios attributes{};
    if (::tcgetattr(fd, &attributes) != 0)
        return false;
    ::cfmakeraw(&attributes);
    return ::tcsetattr(fd, TCSANOW, &attributes) == 0;
}

bool makeNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

Pty::~Pty()
{
    close();
}

bool Pty::open(QString *error)
{
    close();
    const auto fail = [&](const char *what) {
        const int code = errno;
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what),
                                                  QString::fromLocal8Bit(std::strerror(code)));
        close();
        return false;
    };
    // The same pair openpty() gives, built from the POSIX calls (the system header that declares
    // openpty() has this file's name).
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail("unlockpt");
    char name[256];
    if (::ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname");
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail("open");
    if (!makeRaw(m_slave) || !makeRaw(m_master))
        return fail("tcsetattr");
    if (!makeNonBlocking(m_master))
        return fail("fcntl");
    m_slavePath = QString::fromLocal8Bit(name);
    return true;
}

void Pty::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void Pty::close()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
    m_slavePath.clear();
}
