// Reply completion over any sequence of pieces. Unsplit, the assembler completes exactly where the
// rule without a bound completes (at a carriage return; at nine characters holding "@", line
// feeds and NULs after them aside, where the line goes quiet after a piece and nothing was cut
// off by the limit; starting afresh from a piece of at least the limit; line feeds
// and NULs in front of a reply dropped), with the same reply or its newest part. Split, every
// reply ends at its only carriage return or is a short reply. Either way, what stays unfinished
// never exceeds the limit.
//
// Input: the first byte sets the limit (10 to 265), the second the modes (bit 0 split, bit 1 the
// line goes quiet after each piece), then pieces as a length byte and its bytes.
#include "replyassembler.h"
#include "require.h"

#include <utility>

namespace
{

// The rule as the link applied it, keeping everything.
struct UnboundedRule {
    qsizetype limit;
    bool quiet;
    QByteArray buffer;
    bool overflowed = false; // past the limit since the reply started

    std::optional<QByteArray> feed(const QByteArray &piece)
    {
        if (piece.isEmpty())
            return std::nullopt;
        const bool start = buffer.isEmpty() || piece.size() >= limit;
        if (start)
            overflowed = false;
        if (piece.size() >= limit)
            buffer = piece;
        else
            buffer.append(piece);
        while (start && (buffer.startsWith('\n') || buffer.startsWith('\0')))
            buffer.remove(0, 1);
        if (buffer.contains('\r'))
            return std::exchange(buffer, {});
        overflowed |= buffer.size() > limit;
        qsizetype end = buffer.size();
        while (end > 0 && (buffer.at(end - 1) == '\n' || buffer.at(end - 1) == '\0'))
            --end;
        if (!quiet || overflowed || end != 9 || !buffer.first(9).contains('@'))
            return std::nullopt;
        const QByteArray reply = buffer.first(9);
        buffer.clear();
        return reply;
    }
};

void checkSplitReply(const QByteArray &reply, bool quiet)
{
    const bool shortReply = quiet && reply.size() == 9 && reply.contains('@');
    require(reply.indexOf('\r') == reply.size() - 1 || (shortReply && !reply.contains('\r')),
            "a split reply ends at its only carriage return");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const qsizetype limit = 10 + data[0];
    const bool split = data[1] & 1;
    const bool quiet = data[1] & 2;
    ReplyAssembler assembler;
    assembler.setLimit(limit);
    assembler.setSplit(split);
    UnboundedRule rule{limit, quiet, {}};
    size_t at = 2;
    while (at < size) {
        const size_t length = std::min<size_t>(data[at], size - at - 1);
        const QByteArray piece(reinterpret_cast<const char *>(data + at + 1), qsizetype(length));
        at += 1 + length;
        if (split) {
            assembler.append(piece);
            while (const std::optional<QByteArray> reply = assembler.take())
                checkSplitReply(*reply, quiet);
            if (const std::optional<QByteArray> reply =
                    quiet ? assembler.takeShortReply() : std::nullopt)
                checkSplitReply(*reply, quiet);
            continue;
        }
        std::optional<QByteArray> reply = assembler.feed(piece);
        if (!reply && quiet)
            reply = assembler.takeShortReply();
        const std::optional<QByteArray> expected = rule.feed(piece);
        require(reply.has_value() == expected.has_value(), "completes where the rule completes");
        if (!reply)
            continue;
        require(expected->endsWith(*reply), "the reply is the rule's or its newest part");
        require(reply->size() <= limit + piece.size(), "a reply is bounded");
    }
    // What stays unfinished is bounded: one more carriage return completes it.
    const std::optional<QByteArray> rest = assembler.feed(QByteArray("\r"));
    require(rest && rest->size() <= limit + 1, "an unfinished reply is bounded");
    return 0;
}
