#include "familydetector.h"

#include "commandreader.h"
#include "jobpreamble.h"

#include <QMap>

namespace
{

enum Evidence { ReceiptOnly, DotMatrix, NinePin, TwentyFourPin };

// The commands seen that only one family has, with how often and where first.
class Tally
{
public:
    void add(Evidence evidence, const QString &command, qsizetype offset)
    {
        Entry &entry = m_entries[evidence][command];
        if (entry.count++ == 0)
            entry.first = offset;
        if (m_firstFamily < 0 && (evidence == ReceiptOnly || evidence == DotMatrix))
            m_firstFamily = evidence;
    }
    int count(Evidence evidence) const
    {
        int total = 0;
        for (const Entry &entry : m_entries[evidence])
            total += entry.count;
        return total;
    }
    int firstFamily() const { return m_firstFamily; }
    QString describe(Evidence evidence) const
    {
        QStringList parts;
        for (auto it = m_entries[evidence].cbegin(); it != m_entries[evidence].cend(); ++it)
            parts << QStringLiteral("%1 (%2×, first at byte %3)")
                         .arg(it.key())
                         .arg(it->count)
                         .arg(it->first);
        return parts.join(QStringLiteral(", "));
    }

private:
    struct Entry {
        int count = 0;
        qsizetype first = 0;
    };
    QMap<QString, Entry> m_entries[4];
    int m_firstFamily = -1;
};

QString escName(uchar command)
{
    return QStringLiteral("ESC %1").arg(QLatin1Char(char(command)));
}

// ESC * m nL nH and ESC K/Y/Z nL nH carry image data both families lay out alike.
qsizetype imageLength(const CommandReader &reader, uchar command)
{
    if (command == '*') {
        const int mode = reader.peek(2);
        return 5 + qsizetype(reader.word(3)) * (mode >= 71 ? 6 : mode >= 32 ? 3 : 1);
    }
    return 4 + qsizetype(reader.word(2));
}

void escape(CommandReader &reader, Tally &tally)
{
    const qsizetype offset = reader.pos();
    const uchar command = reader.peek(1);
    const uchar next = reader.peek(2);
    qsizetype length = 2;
    if (command == 'd' || command == '{' || ((command == 'E' || command == 'G') && next <= 1)) {
        tally.add(ReceiptOnly,
                  command == 'd' || command == '{' ? escName(command)
                                                   : escName(command) + QStringLiteral(" n"),
                  offset);
    } else if (QByteArrayLiteral("F45xk0APgKYZ^.").contains(char(command)) ||
               (command == 'E' && next >= 0x20)) {
        tally.add(DotMatrix,
                  command == 'E' ? QStringLiteral("ESC E without parameter") : escName(command),
                  offset);
    } else if (command == '(' && reader.peek(2) >= 'A') {
        tally.add(DotMatrix, QStringLiteral("ESC ( %1").arg(QLatin1Char(char(reader.peek(2)))),
                  offset);
        tally.add(TwentyFourPin, QStringLiteral("ESC ("), offset);
        length = 5 + reader.word(3);
    }
    if (command == '1' || command == '^')
        tally.add(NinePin, escName(command), offset);
    if (command == '+' || command == '.' || (command == '*' && next >= 32))
        tally.add(TwentyFourPin,
                  command == '*' ? QStringLiteral("ESC * with 24-dot columns") : escName(command),
                  offset);
    if (command == '*' || command == 'K' || command == 'Y' || command == 'Z')
        length = imageLength(reader, command);
    reader.skip(length);
}

void groupSeparator(CommandReader &reader, Tally &tally)
{
    const uchar command = reader.peek(1);
    qsizetype length = 2;
    if (QByteArrayLiteral("!BVvkLWHhwfP(").contains(char(command)))
        tally.add(ReceiptOnly, QStringLiteral("GS %1").arg(QLatin1Char(char(command))),
                  reader.pos());
    if (command == 'v' && reader.peek(2) == '0')
        length = 8 + qsizetype(reader.word(4)) * reader.word(6);
    else if (command == '(')
        length = 5 + reader.word(3);
    reader.skip(length);
}

void control(CommandReader &reader, Tally &tally)
{
    const uchar byte = reader.peek();
    if (byte == 0x10 &&
        (reader.peek(1) == 0x04 || reader.peek(1) == 0x05 || reader.peek(1) == 0x14)) {
        tally.add(ReceiptOnly, QStringLiteral("DLE request"), reader.pos());
        reader.skip(reader.peek(1) == 0x14 ? 5 : 3);
        return;
    }
    if (byte == 0x0e || byte == 0x0f || byte == 0x12 || byte == 0x14) {
        static constexpr const char *names[] = {"SO", "SI", "", "", "DC2", "", "DC4"};
        tally.add(DotMatrix, QLatin1String(names[byte - 0x0e]), reader.pos());
    }
    reader.skip(1);
}

FamilyDetector::Choice decide(const Tally &tally)
{
    const int receipt = tally.count(ReceiptOnly);
    const int dotMatrix = tally.count(DotMatrix);
    if (receipt == 0 && dotMatrix == 0)
        return {PrinterFamily::EscPos,
                QStringLiteral("no command only one family has; read as ESC/POS")};
    const bool isReceipt =
        receipt != dotMatrix ? receipt > dotMatrix : tally.firstFamily() == ReceiptOnly;
    if (isReceipt)
        return {PrinterFamily::EscPos,
                QStringLiteral("ESC/POS commands: ") + tally.describe(ReceiptOnly)};
    QString reason = QStringLiteral("ESC/P commands: ") + tally.describe(DotMatrix);
    if (tally.count(NinePin) > tally.count(TwentyFourPin))
        return {PrinterFamily::EscP9,
                reason + QStringLiteral("; 9-pin commands: ") + tally.describe(NinePin)};
    if (tally.count(TwentyFourPin) > 0)
        reason += QStringLiteral("; 24-pin commands: ") + tally.describe(TwentyFourPin);
    return {PrinterFamily::EscP24, reason};
}

} // namespace

FamilyDetector::Choice FamilyDetector::detect(const QByteArray &data)
{
    Tally tally;
    CommandReader reader(data);
    while (!reader.atEnd()) {
        const uchar byte = reader.peek();
        const qsizetype preamble =
            (byte == 0x1b || byte == '@') ? JobPreamble::lengthAt(data, reader.pos()) : 0;
        if (preamble > 0) {
            tally.add(DotMatrix, QStringLiteral("print-job preamble"), reader.pos());
            tally.add(TwentyFourPin, QStringLiteral("print-job preamble"), reader.pos());
            reader.skip(preamble);
        } else if (byte == 0x1b) {
            escape(reader, tally);
        } else if (byte == 0x1d) {
            groupSeparator(reader, tally);
        } else {
            control(reader, tally);
        }
    }
    return decide(tally);
}
