#include "interpreterbase.h"

#include "jobpreamble.h"
#include "pagebuilder.h"

#include <cstring>

bool InterpreterBase::begin(CommandReader &reader)
{
    m_commandStart = reader.pos();
    const uchar byte = reader.peek();
    if (byte != 0x1b && byte != '@')
        return false;
    const qsizetype length = JobPreamble::lengthAt(reader.data(), reader.pos());
    if (length == 0)
        return false;
    record(reader, length, PageModel::SkipKind::Preamble, QStringLiteral("print-job preamble"));
    return true;
}

bool InterpreterBase::complete(CommandReader &reader, qsizetype length)
{
    if (reader.has(length)) {
        reader.skip(length);
        return true;
    }
    reader.skip(reader.remaining());
    record(reader, 0, PageModel::SkipKind::Truncated,
           QStringLiteral("command cut short by the end of the file"));
    return false;
}

void InterpreterBase::record(CommandReader &reader, qsizetype length, PageModel::SkipKind kind,
                             const QString &description)
{
    reader.skip(length);
    m_builder.skipped(reader.bytes(m_commandStart, reader.pos() - m_commandStart), kind,
                      description, m_commandStart);
}

bool InterpreterBase::spend(qint64 dots)
{
    m_imageBudget -= dots;
    return dots > 0 && m_imageBudget >= 0;
}

QImage InterpreterBase::columnImage(const char *data, int columns, int bytesPerColumn)
{
    const int height = bytesPerColumn * 8;
    if (!spend(qint64(columns) * height))
        return QImage();
    QImage bits(columns, height, QImage::Format_Mono);
    bits.fill(0);
    for (int x = 0; x < columns; ++x) {
        for (int y = 0; y < height; ++y) {
            if (uchar(data[qsizetype(x) * bytesPerColumn + y / 8]) & (0x80 >> (y % 8)))
                bits.setPixel(x, y, 1);
        }
    }
    return bits;
}

QImage InterpreterBase::rowImage(const char *data, int width, int rows, qsizetype bytesPerRow)
{
    if (!spend(qint64(width) * rows))
        return QImage();
    QImage bits(width, rows, QImage::Format_Mono);
    bits.fill(0);
    const qsizetype copied = qMin<qsizetype>(bytesPerRow, bits.bytesPerLine());
    for (int y = 0; y < rows; ++y)
        std::memcpy(bits.scanLine(y), data + y * bytesPerRow, copied);
    return bits;
}

QString InterpreterBase::hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
