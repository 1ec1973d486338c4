#pragma once

#include <QByteArray>
#include <QString>

// Bytes as readable text for messages and traces: printable ASCII as it is, every other byte
// as two upper-case hexadecimal digits in angle brackets ("<0D>").
QString escapedBytes(const QByteArray &bytes);
