#include "replyassembler.h"

#include <algorithm>
#include <utility>

void ReplyAssembler::setLimit(qsizetype bytes)
{
    m_limit = std::max(bytes, shortReplySize + 1);
}

void ReplyAssembler::append(const QByteArray &piece)
{
    if (piece.isEmpty())
        return;
    const bool start = m_buffer.isEmpty() || piece.size() >= m_limit;
    if (start)
        m_cut = false;
    if (piece.size() >= m_limit)
        m_buffer = piece;
    else
        m_buffer.append(piece);
    if (start)
        dropLeadingFill();
    const qsizetype end = m_buffer.indexOf('\r');
    const qsizetype unfinished = end < 0 ? m_buffer.size() : end;
    if (unfinished > m_limit) {
        m_buffer.remove(0, unfinished - std::min(keptAfterOverflow, m_limit));
        m_cut = true;
    }
}

// Line feeds and NULs before the first character of a reply.
void ReplyAssembler::dropLeadingFill()
{
    qsizetype fill = 0;
    while (fill < m_buffer.size() && (m_buffer.at(fill) == '\n' || m_buffer.at(fill) == '\0'))
        ++fill;
    m_buffer.remove(0, fill);
}

std::optional<QByteArray> ReplyAssembler::take()
{
    const qsizetype end = m_buffer.indexOf('\r');
    if (end < 0)
        return std::nullopt;
    m_cut = false;
    if (!m_split)
        return std::exchange(m_buffer, {});
    QByteArray reply = m_buffer.left(end + 1);
    m_buffer.remove(0, end + 1);
    dropLeadingFill();
    return reply;
}

std::optional<QByteArray> ReplyAssembler::feed(const QByteArray &piece)
{
    append(piece);
    return take();
}

// Line feeds and NULs after nine characters are the fill a device may send after any reply. What
// is left of a flood is no short reply, whatever its last characters.
bool ReplyAssembler::holdsShortReply() const
{
    if (m_cut)
        return false;
    qsizetype end = m_buffer.size();
    while (end > 0 && (m_buffer.at(end - 1) == '\n' || m_buffer.at(end - 1) == '\0'))
        --end;
    return end == shortReplySize && m_buffer.first(end).contains('@') && !m_buffer.contains('\r');
}

std::optional<QByteArray> ReplyAssembler::takeShortReply()
{
    if (!holdsShortReply())
        return std::nullopt;
    QByteArray reply = m_buffer.first(shortReplySize);
    m_buffer.clear();
    return reply;
}
