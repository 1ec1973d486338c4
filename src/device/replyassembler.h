#pragma once

#include <QByteArray>
#include <optional>

// Puts the device's replies together from the pieces the port delivers: a reply is complete at a
// carriage return; exactly nine characters one of which is "@" are a reply once the line has gone
// quiet after them (the one-byte read reply of the older ZORLA and the short acknowledgements
// some devices send carry no carriage return), which the link tells by time. Line feeds and NULs
// in front of a reply are not part of it: a device ending its replies with CR LF leaves the LF
// in front of the next one.
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
    // The size of a reply that completes without a carriage return.
    static constexpr qsizetype shortReplySize = 9;

    void setSplit(bool split) { m_split = split; }
    // Above shortReplySize, so that cutting a flood never leaves a short reply.
    void setLimit(qsizetype bytes);

    void append(const QByteArray &piece);
    // The next reply completed by a carriage return, if there is one.
    std::optional<QByteArray> take();
    // append() and take() in one.
    std::optional<QByteArray> feed(const QByteArray &piece);
    // What is collected is a short reply if the line stays quiet now.
    bool holdsShortReply() const;
    // The short reply, taken once the line has stayed quiet after it.
    std::optional<QByteArray> takeShortReply();
    // Forgets everything collected.
    void clear()
    {
        m_buffer.clear();
        m_cut = false;
    }

private:
    void dropLeadingFill();

    QByteArray m_buffer;
    qsizetype m_limit = defaultLimit;
    bool m_split = false;
    bool m_cut = false; // the reply being collected lost its front to the limit
};
