#include "jobpreamble.h"

namespace
{

bool matchAt(const QByteArray &data, qsizetype at, QByteArrayView what)
{
    return at + what.size() <= data.size() &&
           QByteArrayView(data.constData() + at, what.size()) == what;
}

} // namespace

qsizetype JobPreamble::lengthAt(const QByteArray &data, qsizetype pos)
{
    qsizetype at = pos;
    if (matchAt(data, at, "\x1b\x01"))
        at += 2;
    if (!matchAt(data, at, "@EJL 1284.4"))
        return 0;
    while (matchAt(data, at, "@EJL")) {
        const qsizetype end = data.indexOf('\n', at);
        if (end < 0)
            return data.size() - pos;
        at = end + 1;
    }
    return at - pos;
}
