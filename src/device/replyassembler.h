#pragma once

#include <QByteArray>
#include <optional>

// Puts the device's replies together from the pieces the port delivers: a reply is complete at a
// carriage return anywhere in it, or when it holds exactly nine characters one of which is "@"
// (the one-byte read reply of the older ZORLA has no carriage return).
//
// A piece of at least the limit means characters may have been dropped: the reply starts afresh
// from it. An unfinished reply that grows past the limit is noise but for its newest
// keptAfterOverflow characters, so the buffer never holds more than the limit between pieces.
class ReplyAssembler
{
public:
    static constexpr qsizetype defaultLimit = 1024;
    static constexpr qsizetype keptAfterOverflow = 128;
    // The shortest reply that completes without a carriage return.
    static constexpr qsizetype shortReplySize = 9;

    // Takes the next piece; returns the completed reply (everything collected, the piece included)
    // or nothing while the reply is unfinished.
    std::optional<QByteArray> feed(const QByteArray &piece);
    // Forgets the unfinished reply.
    void clear() { m_buffer.clear(); }
    // At least shortReplySize, so that keeping the newest characters never changes when a reply
    // completes.
    void setLimit(qsizetype bytes);
    qsizetype limit() const { return m_limit; }

private:
    QByteArray m_buffer;
    qsizetype m_limit = defaultLimit;
};
