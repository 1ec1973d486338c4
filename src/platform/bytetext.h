#pragma once

#include <QByteArray>
#include <QString>
#include <initializer_list>

// A byte that messages show by a name of its own, between angle brackets ("<CR>").
struct ByteName {
    char byte;
    const char *name;
};

// Bytes as readable text for messages and traces: printable ASCII as it is, a named byte as its
// name in angle brackets, every other byte as two upper-case hexadecimal digits in angle brackets
// ("<0D>"). With a limit, only the first `limit` bytes are shown, followed by "..." when there
// were more.
QString escapedBytes(const QByteArray &bytes, std::initializer_list<ByteName> names = {},
                     qsizetype limit = -1);
