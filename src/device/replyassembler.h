#pragma once

#include <QByteArray>
#include <optional>

// Puts the device's replies together from the pieces the port delivers: a reply is complete at a
// carriage return, or, where short replies are on, when it holds exactly nine characters one of
// which is "@" (the one-byte read reply of the older ZORLA has no carriage return).
//
// Unsplit, a reply is everything collected when it completes. Split, a reply ends at its first
// carriage return and what follows stays for the next one, so that a stale reply and the one
// looked for can arrive in one piece.
//
// A piece of at least the limit means characters may have been dropped: collecting starts afresh
// from it. Before its first carriage return, what is collected never exceeds the limit: past it,
// only the newest keptAfterOverflow characters stay, so a flood neither grows the buffer nor ends
// up whole in a reply.
class ReplyAssembler
{
public:
    static constexpr qsizetype defaultLimit = 1024;
    static constexpr qsizetype keptAfterOverflow = 128;
    // The shortest reply that completes without a carriage return.
    static constexpr qsizetype shortReplySize = 9;

    void setShortReplies(bool enabled) { m_shortReplies = enabled; }
    void setSplit(bool split) { m_split = split; }
    // Above shortReplySize, so that cutting a flood never completes a short reply.
    void setLimit(qsizetype bytes);

    void append(const QByteArray &piece);
    // The next completed reply, if there is one.
    std::optional<QByteArray> take();
    // append() and take() in one.
    std::optional<QByteArray> feed(const QByteArray &piece);
    // Forgets everything collected.
    void clear() { m_buffer.clear(); }

private:
    QByteArray m_buffer;
    qsizetype m_limit = defaultLimit;
    bool m_shortReplies = true;
    bool m_split = false;
};
