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
    if (piece.size() >= m_limit)
        m_buffer = piece;
    else
        m_buffer.append(piece);
    const qsizetype end = m_buffer.indexOf('\r');
    const qsizetype unfinished = end < 0 ? m_buffer.size() : end;
    if (unfinished > m_limit)
        m_buffer.remove(0, unfinished - std::min(keptAfterOverflow, m_limit));
}

std::optional<QByteArray> ReplyAssembler::take()
{
    const qsizetype end = m_buffer.indexOf('\r');
    if (end >= 0) {
        if (!m_split)
            return std::exchange(m_buffer, {});
        QByteArray reply = m_buffer.left(end + 1);
        m_buffer.remove(0, end + 1);
        return reply;
    }
    if (m_shortReplies && m_buffer.size() == shortReplySize && m_buffer.contains('@'))
        return std::exchange(m_buffer, {});
    return std::nullopt;
}

std::optional<QByteArray> ReplyAssembler::feed(const QByteArray &piece)
{
    append(piece);
    return take();
}
