#include "escposinterpreter.h"

#include "pagebuilder.h"

namespace
{

using Skip = PageModel::SkipKind;
using FeedKind = PageModel::FeedKind;

constexpr qreal Dot = 2; // 1/180 inch in units of 1/360 inch

// Parameter counts of the ESC commands this preview passes over: silent ones leave the paper as
// it is, the others change the print in a way not drawn.
int escSilentParameters(uchar command)
{
    switch (command) {
    case 'S':
    case 'v':
        return 0;
    case '=':
    case 'U':
    case 'u':
        return 1;
    case 'c':
        return 2;
    case 'p':
        return 3;
    default:
        return -1;
    }
}

int escMarkedParameters(uchar command)
{
    switch (command) {
    case 'L':
    case 'F':
        return 0;
    case ' ':
    case 'R':
    case 'r':
    case 'V':
    case '{':
    case 'e':
    case 'T':
    case '%':
    case '?':
        return 1;
    case 'W':
        return 8;
    default:
        return -1;
    }
}

int gsSilentParameters(uchar command)
{
    switch (command) {
    case 'H':
    case 'h':
    case 'w':
    case 'f':
    case 'b':
    case 'a':
    case 'r':
    case 'I':
        return 1;
    case 'P':
        return 2;
    default:
        return -1;
    }
}

int gsMarkedParameters(uchar command)
{
    switch (command) {
    case ':':
        return 0;
    case '/':
        return 1;
    case 'W':
    case '\\':
    case '$':
        return 2;
    case '^':
        return 3;
    default:
        return -1;
    }
}

int fsMarkedParameters(uchar command)
{
    switch (command) {
    case '&':
    case '.':
        return 0;
    case '!':
    case '-':
    case 'C':
    case 'W':
        return 1;
    case 'p':
    case 'S':
        return 2;
    default:
        return -1;
    }
}

CodePage::Id codePageFor(int n, bool *known)
{
    *known = true;
    switch (n) {
    case 0:
        return CodePage::Cp437;
    case 2:
        return CodePage::Cp850;
    case 16:
        return CodePage::Cp1252;
    case 19:
        return CodePage::Cp858;
    default:
        *known = false;
        return CodePage::Cp437;
    }
}

} // namespace

EscPosInterpreter::EscPosInterpreter(PageBuilder &builder, int columns)
    : InterpreterBase(builder), m_columnWidth(builder.printableWidth() / qMax(1, columns))
{
    m_builder.setFeedsAtLeastLineHeight(true);
    reset();
}

void EscPosInterpreter::reset()
{
    m_fontB = false;
    m_widthScale = m_heightScale = 1;
    m_attributes = 0;
    m_codePage = CodePage::Cp437;
    m_builder.setLineSpacing(30 * Dot);
    m_builder.setJustification(PageBuilder::Left);
    m_builder.setLeftMargin(0);
    m_builder.setTabStops({}, m_columnWidth);
}

// Font A is 12 dots by 24, font B 9 by 17.
TextStyle EscPosInterpreter::style() const
{
    TextStyle style;
    style.charWidth = m_fontB ? m_columnWidth * 0.75 : m_columnWidth;
    style.cellHeight = m_fontB ? style.charWidth * 17 / 9 : style.charWidth * 2;
    style.widthScale = m_widthScale;
    style.heightScale = m_heightScale;
    style.attributes = m_attributes;
    return style;
}

void EscPosInterpreter::run(const QByteArray &data)
{
    CommandReader reader(data);
    while (!reader.atEnd()) {
        if (begin(reader))
            continue;
        const uchar byte = reader.peek();
        if (byte == 0x1b)
            escape(reader);
        else if (byte == 0x1d)
            groupSeparator(reader);
        else if (byte == 0x1c)
            fileSeparator(reader);
        else if (byte < 0x20 || byte == 0x7f)
            control(reader);
        else
            m_builder.character(CodePage::character(m_codePage, reader.take()), style(),
                                m_commandStart);
    }
}

void EscPosInterpreter::control(CommandReader &reader)
{
    const uchar byte = reader.take();
    switch (byte) {
    case 0x00:
    case 0x0d:
    case 0x18:
        return; // NUL; CR without automatic line feed; CAN outside page mode
    case 0x08:
        return m_builder.moveX(-style().advance());
    case 0x09:
        return m_builder.tab();
    case 0x0a:
        return m_builder.lineFeed(FeedKind::LineFeed, m_commandStart);
    case 0x0c:
        return m_builder.formFeed(m_commandStart);
    case 0x10: // DLE EOT n, DLE ENQ n, DLE DC4 fn m t: real-time requests
        if (complete(reader, 1))
            complete(reader, lastByte(reader) == 0x14 ? 3 : 1);
        return;
    default:
        m_builder.skipped(
            QByteArray(1, char(byte)), Skip::Unknown,
            QStringLiteral("control code %1").arg(hexBytes(QByteArray(1, char(byte)))),
            m_commandStart);
    }
}

void EscPosInterpreter::escape(CommandReader &reader)
{
    if (!complete(reader, 2))
        return;
    const uchar command = lastByte(reader);
    if (command == '@')
        return reset();
    if (attribute(command, reader) || paperMotion(command, reader) || layout(command, reader) ||
        graphics(command, reader) || userCharacters(command, reader))
        return;
    if (byLength(escSilentParameters(command), false, reader) ||
        byLength(escMarkedParameters(command), true, reader))
        return;
    record(reader, 0, Skip::Unknown,
           QStringLiteral("unknown command ESC %1").arg(QLatin1Char(char(command))));
}

void EscPosInterpreter::groupSeparator(CommandReader &reader)
{
    if (!complete(reader, 2))
        return;
    const uchar command = lastByte(reader);
    if (sizeAndCut(command, reader) || rasterImage(command, reader) || barcode(command, reader) ||
        lengthPrefixed(command, reader))
        return;
    if (byLength(gsSilentParameters(command), false, reader) ||
        byLength(gsMarkedParameters(command), true, reader))
        return;
    record(reader, 0, Skip::Unknown,
           QStringLiteral("unknown command GS %1").arg(QLatin1Char(char(command))));
}

void EscPosInterpreter::fileSeparator(CommandReader &reader)
{
    if (!complete(reader, 2))
        return;
    const uchar command = lastByte(reader);
    if (lengthPrefixed(command, reader) || byLength(fsMarkedParameters(command), true, reader))
        return;
    record(reader, 0, Skip::Unknown,
           QStringLiteral("unknown command FS %1").arg(QLatin1Char(char(command))));
}

bool EscPosInterpreter::byLength(int parameters, bool marked, CommandReader &reader)
{
    if (parameters < 0)
        return false;
    if (complete(reader, parameters) && marked)
        record(reader, 0, Skip::Skipped, QStringLiteral("not drawn (skipped by its length)"));
    return true;
}

bool EscPosInterpreter::attribute(uchar command, CommandReader &reader)
{
    if (command != 'E' && command != '-' && command != '!' && command != 'G' && command != 'M' &&
        command != 't')
        return false;
    if (!complete(reader, 1))
        return true;
    const uchar n = argument(reader, 0);
    if (command == 'E')
        setFlag(PageModel::Bold, n & 1);
    else if (command == 'G')
        setFlag(PageModel::DoubleStrike, n & 1);
    else if (command == '-')
        setFlag(PageModel::Underline, (n & 0x0f) == 1 || (n & 0x0f) == 2);
    else if (command == 'M')
        m_fontB = (n & 0x0f) == 1;
    else if (command == '!')
        printMode(n);
    else
        selectCodePage(n, reader);
    return true;
}

void EscPosInterpreter::selectCodePage(int n, CommandReader &reader)
{
    bool known = false;
    m_codePage = codePageFor(n, &known);
    if (!known)
        record(reader, 0, Skip::Skipped,
               QStringLiteral("code page %1 not drawn, 437 instead").arg(n));
}

void EscPosInterpreter::printMode(int n)
{
    m_fontB = n & 0x01;
    setFlag(PageModel::Bold, n & 0x08);
    m_heightScale = (n & 0x10) ? 2 : 1;
    m_widthScale = (n & 0x20) ? 2 : 1;
    setFlag(PageModel::Underline, n & 0x80);
}

bool EscPosInterpreter::paperMotion(uchar command, CommandReader &reader)
{
    if (command == '2') {
        m_builder.setLineSpacing(30 * Dot);
        return true;
    }
    if (command == 'i' || command == 'm') {
        m_builder.cut(command == 'm', m_commandStart);
        return true;
    }
    if (command != '3' && command != 'J' && command != 'd')
        return false;
    if (!complete(reader, 1))
        return true;
    const int n = argument(reader, 0);
    if (command == '3')
        m_builder.setLineSpacing(n * Dot);
    else if (command == 'J')
        m_builder.feed(n * Dot, FeedKind::FeedUnits, m_commandStart, true);
    else
        m_builder.feed(n * m_builder.lineSpacing(), FeedKind::FeedLines, m_commandStart, true);
    return true;
}

bool EscPosInterpreter::layout(uchar command, CommandReader &reader)
{
    if (command == 'D') {
        tabStops(reader);
        return true;
    }
    if (command == 'a') {
        if (complete(reader, 1))
            m_builder.setJustification(
                PageBuilder::Justification(qMin(2, argument(reader, 0) & 0x0f)));
        return true;
    }
    if (command != '$' && command != '\\')
        return false;
    if (!complete(reader, 2))
        return true;
    const int value = argument(reader, 0) | (argument(reader, 1) << 8);
    if (command == '$')
        m_builder.setX(value * Dot);
    else
        m_builder.moveX(qint16(value) * Dot);
    return true;
}

void EscPosInterpreter::tabStops(CommandReader &reader)
{
    QList<qreal> stops;
    for (int i = 0; i < 33; ++i) {
        if (!complete(reader, 1))
            return;
        const uchar n = lastByte(reader);
        if (n == 0 || (!stops.isEmpty() && n * m_columnWidth <= stops.last()))
            break;
        stops.append(n * m_columnWidth);
    }
    m_builder.setTabStops(stops, m_columnWidth);
}

// ESC * m nL nH: columns of 8 dots (m 0, 1) or 24 dots (m 32, 33), at single or double density.
bool EscPosInterpreter::graphics(uchar command, CommandReader &reader)
{
    if (command != '*')
        return false;
    if (!complete(reader, 3))
        return true;
    const int mode = argument(reader, 0);
    const int columns = argument(reader, 1) | (argument(reader, 2) << 8);
    const int bytesPerColumn = mode >= 32 ? 3 : 1;
    const qsizetype dataStart = reader.pos();
    if (!complete(reader, qsizetype(columns) * bytesPerColumn))
        return true;
    if (mode != 0 && mode != 1 && mode != 32 && mode != 33) {
        record(reader, 0, Skip::Unknown, QStringLiteral("bit image of unknown density"));
        return true;
    }
    const QImage bits = columnImage(reader.data().constData() + dataStart, columns, bytesPerColumn);
    if (!bits.isNull())
        m_builder.image(bits, (mode & 1) ? Dot : 2 * Dot, mode >= 32 ? Dot : 3 * Dot,
                        m_commandStart);
    return true;
}

bool EscPosInterpreter::sizeAndCut(uchar command, CommandReader &reader)
{
    if (command == '!' || command == 'B' || command == 'L') {
        if (!complete(reader, command == 'L' ? 2 : 1))
            return true;
        const uchar n = argument(reader, 0);
        if (command == '!') {
            m_widthScale = ((n >> 4) & 0x07) + 1;
            m_heightScale = (n & 0x07) + 1;
        } else if (command == 'B') {
            setFlag(PageModel::Reverse, n & 1);
        } else {
            m_builder.setLeftMargin((n | argument(reader, 1) << 8) * Dot);
        }
        return true;
    }
    if (command != 'V')
        return false;
    if (!complete(reader, 1))
        return true;
    const uchar m = argument(reader, 0);
    const bool feeds = m == 65 || m == 66 || m == 97 || m == 98 || m == 103 || m == 104;
    if (feeds && !complete(reader, 1))
        return true;
    if (feeds && argument(reader, 1) > 0)
        m_builder.feed(argument(reader, 1) * Dot, FeedKind::FeedUnits, m_commandStart, true);
    m_builder.cut((m & 1) == (m >= 65 ? 0 : 1), m_commandStart);
    return true;
}

// GS v 0 m xL xH yL yH: x bytes a row, y rows; m doubles the width (1), the height (2) or both.
bool EscPosInterpreter::rasterImage(uchar command, CommandReader &reader)
{
    if (command != 'v')
        return false;
    if (!complete(reader, 6))
        return true;
    const int mode = argument(reader, 1) & 0x03;
    const int rowBytes = argument(reader, 2) | (argument(reader, 3) << 8);
    const int rows = argument(reader, 4) | (argument(reader, 5) << 8);
    const qsizetype dataStart = reader.pos();
    if (!complete(reader, qsizetype(rowBytes) * rows))
        return true;
    if (argument(reader, 0) != '0' && argument(reader, 0) != 0) {
        record(reader, 0, Skip::Unknown, QStringLiteral("unknown raster command"));
        return true;
    }
    const QImage bits =
        rowImage(reader.data().constData() + dataStart, rowBytes * 8, rows, rowBytes);
    if (!bits.isNull())
        m_builder.rasterImage(bits, (mode & 1) ? 2 * Dot : Dot, (mode & 2) ? 2 * Dot : Dot,
                              m_commandStart);
    return true;
}

// GS k m: data up to a NUL (m 0 to 6) or n bytes after a count (m 65 and up).
bool EscPosInterpreter::barcode(uchar command, CommandReader &reader)
{
    if (command != 'k')
        return false;
    if (!complete(reader, 1))
        return true;
    if (argument(reader, 0) >= 65) {
        if (complete(reader, 1) && complete(reader, argument(reader, 1)))
            record(reader, 0, Skip::Skipped, QStringLiteral("bar code not drawn"));
        return true;
    }
    while (complete(reader, 1)) {
        if (lastByte(reader) == 0 || reader.pos() - m_commandStart > 258) {
            record(reader, 0, Skip::Skipped, QStringLiteral("bar code not drawn"));
            break;
        }
    }
    return true;
}

// ESC & y c1 c2, then for each character its width x and x * y bytes.
bool EscPosInterpreter::userCharacters(uchar command, CommandReader &reader)
{
    if (command != '&')
        return false;
    if (!complete(reader, 3))
        return true;
    const int height = argument(reader, 0);
    const int count = argument(reader, 2) - argument(reader, 1) + 1;
    for (int i = 0; i < count; ++i) {
        if (!complete(reader, 1) || !complete(reader, qsizetype(lastByte(reader)) * height))
            return true;
    }
    record(reader, 0, Skip::Skipped, QStringLiteral("user-defined characters not drawn"));
    return true;
}

// GS ( c pL pH data, FS ( c pL pH data, GS 8 L p1 p2 p3 p4 data; GS * x y and 8 x y bytes.
bool EscPosInterpreter::lengthPrefixed(uchar command, CommandReader &reader)
{
    qsizetype length = 0;
    if (command == '(') {
        if (!complete(reader, 3))
            return true;
        length = argument(reader, 1) | (argument(reader, 2) << 8);
    } else if (command == '8' && reader.peek() == 'L') {
        if (!complete(reader, 5))
            return true;
        length = qsizetype(reader.word(-4)) | (qsizetype(reader.word(-2)) << 16);
    } else if (command == '*' && uchar(reader.data().at(m_commandStart)) == 0x1d) {
        if (!complete(reader, 2))
            return true;
        length = qsizetype(argument(reader, 0)) * argument(reader, 1) * 8;
    } else {
        return false;
    }
    if (complete(reader, length))
        record(reader, 0, Skip::Skipped, QStringLiteral("not drawn (skipped by its length)"));
    return true;
}
