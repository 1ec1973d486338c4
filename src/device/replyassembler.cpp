#include "replyassembler.h"

#include <algorithm>
#include <utility>

std::optional<QByteArray> ReplyAssembler::feed(const QByteArray &piece)
{
    if (piece.isEmpty())
        return std::nullopt;
    if (piece.size() >= m_limit)
        m_buffer = piece;
    else
        m_buffer.append(piece);
    if (m_buffer.contains('\r') || (m_buffer.size() == shortReplySize && m_buffer.contains('@')))
        return std::exchange(m_buffer, {});
    // Neither rule looks at what is cut here: it holds no carriage return, and a buffer longer
    // than nine characters only grows until it completes.
    if (m_buffer.size() > m_limit)
        m_buffer = m_buffer.right(std::min(keptAfterOverflow, m_limit));
    return std::nullopt;
}

void ReplyAssembler::setLimit(qsizetype bytes)
{
    m_limit = std::max(bytes, shortReplySize);
}
