#pragma once

#include <QByteArray>

// A cursor over a print file's bytes that never reads past the end: peek() beyond the end gives
// 0 and has() tells whether a command's parameters are all there.
class CommandReader
{
public:
    explicit CommandReader(const QByteArray &data) : m_data(data) {}

    bool atEnd() const { return m_pos >= m_data.size(); }
    qsizetype pos() const { return m_pos; }
    qsizetype remaining() const { return m_data.size() - m_pos; }
    bool has(qsizetype count) const { return count <= remaining(); }
    uchar peek(qsizetype ahead = 0) const
    {
        return ahead < remaining() ? uchar(m_data.at(m_pos + ahead)) : 0;
    }
    // Little-endian 16-bit number at pos + ahead.
    int word(qsizetype ahead) const { return peek(ahead) | (peek(ahead + 1) << 8); }
    uchar take() { return uchar(m_data.at(m_pos++)); }
    void skip(qsizetype count) { m_pos = qMin(m_pos + count, m_data.size()); }
    QByteArray bytes(qsizetype from, qsizetype count) const { return m_data.mid(from, count); }
    const QByteArray &data() const { return m_data; }

private:
    const QByteArray &m_data;
    qsizetype m_pos = 0;
};
