// Reply completion over any sequence of pieces: the assembler completes exactly where the link's
// rule without a bound completes (at a carriage return, at nine characters holding "@", starting
// afresh from a piece of at least the limit), with the same reply or its newest part, and never
// keeps more than the limit between pieces.
//
// Input: the first byte sets the limit (9 to 264), then pieces as a length byte and its bytes.
#include "replyassembler.h"
#include "require.h"

#include <utility>

namespace
{

// The rule as the link applied it, keeping everything.
struct UnboundedRule {
    qsizetype limit;
    QByteArray buffer;

    std::optional<QByteArray> feed(const QByteArray &piece)
    {
        if (piece.isEmpty())
            return std::nullopt;
        if (piece.size() >= limit)
            buffer = piece;
        else
            buffer.append(piece);
        if (buffer.contains('\r') || (buffer.size() == 9 && buffer.contains('@')))
            return std::exchange(buffer, {});
        return std::nullopt;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype limit = 9 + data[0];
    ReplyAssembler assembler;
    assembler.setLimit(limit);
    UnboundedRule rule{limit, {}};
    size_t at = 1;
    while (at < size) {
        const size_t length = std::min<size_t>(data[at], size - at - 1);
        const QByteArray piece(reinterpret_cast<const char *>(data + at + 1), qsizetype(length));
        at += 1 + length;
        const std::optional<QByteArray> reply = assembler.feed(piece);
        const std::optional<QByteArray> expected = rule.feed(piece);
        require(reply.has_value() == expected.has_value(), "completes where the rule completes");
        if (!reply)
            continue;
        require(expected->endsWith(*reply), "the reply is the rule's or its newest part");
        if (piece.size() >= limit)
            require(*reply == piece, "a long piece starts afresh");
        else
            require(reply->size() <= limit + piece.size(), "at most the limit before the piece");
    }
    // What stays unfinished is bounded: one more carriage return completes it.
    const std::optional<QByteArray> rest = assembler.feed(QByteArray("\r"));
    require(rest && rest->size() <= limit + 1, "an unfinished reply is bounded");
    return 0;
}
