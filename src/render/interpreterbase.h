#pragma once

#include "commandreader.h"
#include "pagemodel.h"

#include <QImage>

class PageBuilder;

// What the interpreters of both families share: taking a command's parameters only when the
// file holds them all, recording the bytes that were passed over, skipping the print-job
// preamble, and decoding column bit images within a budget of dots.
class InterpreterBase
{
protected:
    explicit InterpreterBase(PageBuilder &builder) : m_builder(builder) {}

    // Starts a command at the reader's position; true when a job preamble was skipped instead.
    bool begin(CommandReader &reader);
    // Consumes length bytes when all are there; records the rest as cut short otherwise.
    bool complete(CommandReader &reader, qsizetype length);
    // Records the bytes from the command's start up to the reader's position plus length.
    void record(CommandReader &reader, qsizetype length, PageModel::SkipKind kind,
                const QString &description);
    // The parameter byte index places after the two command bytes.
    uchar argument(const CommandReader &reader, int index) const
    {
        return uchar(reader.data().at(m_commandStart + 2 + index));
    }
    uchar lastByte(const CommandReader &reader) const
    {
        return uchar(reader.data().at(reader.pos() - 1));
    }
    // Columns of bytesPerColumn bytes, the first byte's top bit the top dot; a null image when
    // the budget of dots is spent.
    QImage columnImage(const char *data, int columns, int bytesPerColumn);
    // Rows of bytesPerRow bytes, the first byte's top bit the leftmost dot.
    QImage rowImage(const char *data, int width, int rows, qsizetype bytesPerRow);
    static QString hexBytes(const QByteArray &bytes);
    // Turns a text attribute (PageModel's flags) on or off for the text that follows.
    void setFlag(int attribute, bool on)
    {
        m_attributes = on ? (m_attributes | attribute) : (m_attributes & ~attribute);
    }

    PageBuilder &m_builder;
    qsizetype m_commandStart = 0;
    int m_attributes = 0;

private:
    bool spend(qint64 dots);

    qint64 m_imageBudget = qint64(1) << 26; // dots all images together may have
};
