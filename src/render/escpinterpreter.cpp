#include "escpinterpreter.h"

#include "pagebuilder.h"

namespace
{

constexpr uchar Esc = 0x1b;
using Skip = PageModel::SkipKind;
using FeedKind = PageModel::FeedKind;

// Fixed parameter counts of commands that change the print but are not drawn.
int skippedParameters(uchar command)
{
    switch (command) {
    case 'T':
        return 0;
    case 'Q':
    case 'R':
    case 'k':
    case 'S':
    case 'p':
    case ' ':
    case 'r':
    case 'a':
    case 'q':
    case 'j':
    case '/':
    case '%':
    case 'I':
    case 'm':
    case 'h':
        return 1;
    case 'c':
    case 'f':
    case 'e':
    case '?':
        return 2;
    case 'X':
    case ':':
        return 3;
    default:
        return -1;
    }
}

// Fixed parameter counts of commands that do not change what is printed (quality, direction,
// paper sensors, the paper-feed path).
int silentParameters(uchar command)
{
    switch (command) {
    case '<':
    case '8':
    case '9':
    case 'O':
    case '6':
    case '7':
        return 0;
    case 'x':
    case 'U':
    case 0x19:
    case 's':
    case 'i':
    case 'N':
        return 1;
    default:
        return -1;
    }
}

// Horizontal dots an inch of the bit-image modes of ESC *; 0 for an unknown mode.
int imageDensity(int mode)
{
    switch (mode) {
    case 0:
    case 32:
        return 60;
    case 1:
    case 2:
    case 33:
        return 120;
    case 3:
        return 240;
    case 4:
        return 80;
    case 5:
        return 72;
    case 6:
    case 38:
        return 90;
    case 7:
        return 144;
    case 39:
    case 71:
        return 180;
    case 40:
    case 72:
    case 73:
        return 360;
    default:
        return 0;
    }
}

} // namespace

EscPInterpreter::EscPInterpreter(PageBuilder &builder, bool ninePin)
    : InterpreterBase(builder), m_ninePin(ninePin)
{
    reset();
}

void EscPInterpreter::reset()
{
    m_pitch = 10;
    m_condensed = m_doubleWidth = m_lineDoubleWidth = m_doubleHeight = false;
    m_attributes = 0;
    m_tables = {ItalicTable, CodePage::Cp437, CodePage::Cp437, CodePage::Cp437};
    m_table = 1;
    m_unit = 1;
    m_builder.setLineSpacing(60);
    m_builder.setLeftMargin(0);
    m_builder.setTabStops({}, 36);
}

TextStyle EscPInterpreter::style() const
{
    TextStyle style;
    style.charWidth = 360.0 / m_pitch;
    if (m_condensed && m_pitch == 10)
        style.charWidth = 360 / (120.0 / 7); // 17.1 characters an inch
    else if (m_condensed && m_pitch == 12)
        style.charWidth = 18; // 20 characters an inch
    style.cellHeight = 48;
    style.widthScale = (m_doubleWidth || m_lineDoubleWidth) ? 2 : 1;
    style.heightScale = m_doubleHeight ? 2 : 1;
    style.attributes = m_attributes | (m_condensed ? PageModel::Condensed : 0);
    return style;
}

void EscPInterpreter::run(const QByteArray &data)
{
    CommandReader reader(data);
    while (!reader.atEnd()) {
        if (begin(reader))
            continue;
        const uchar byte = reader.peek();
        if (byte == Esc) {
            escape(reader);
        } else if (byte < 0x20 || byte == 0x7f) {
            control(reader);
        } else {
            printable(reader);
        }
    }
}

void EscPInterpreter::printable(CommandReader &reader)
{
    const qsizetype offset = reader.pos();
    const uchar byte = reader.take();
    const int table = m_tables.at(m_table);
    if (byte < 0x80) {
        m_builder.character(QChar(char16_t(byte)), style(), offset);
    } else if (table != ItalicTable) {
        // The ISO tables' control range prints nothing and takes no room.
        const QChar c = CodePage::character(CodePage::Id(table), byte);
        if (!c.isNull())
            m_builder.character(c, style(), offset);
    } else if (byte >= 0xa0) {
        TextStyle italic = style();
        italic.attributes |= PageModel::Italic;
        m_builder.character(QChar(char16_t(byte & 0x7f)), italic, offset);
    } else {
        m_builder.skipped(QByteArray(1, char(byte)), Skip::Unknown,
                          QStringLiteral("upper control code"), offset);
    }
}

void EscPInterpreter::control(CommandReader &reader)
{
    const qsizetype offset = reader.pos();
    const uchar byte = reader.take();
    switch (byte) {
    case 0x00:
    case 0x07:
    case 0x11:
    case 0x13:
        return; // NUL, bell, printer select and deselect leave the paper as it is
    case 0x08:
        m_builder.moveX(-style().advance());
        return;
    case 0x09:
        m_builder.tab();
        return;
    case 0x0a:
        return lineEnd(reader, FeedKind::LineFeed);
    case 0x0b:
        return lineEnd(reader, FeedKind::VerticalTab);
    case 0x0c:
        m_lineDoubleWidth = false;
        return m_builder.formFeed(offset);
    case 0x0d:
        return m_builder.carriageReturn();
    case 0x0e:
        m_lineDoubleWidth = true;
        return;
    case 0x0f:
        m_condensed = true;
        return;
    case 0x12:
        m_condensed = false;
        return;
    case 0x14:
        m_lineDoubleWidth = false;
        return;
    default:
        m_builder.skipped(
            QByteArray(1, char(byte)), Skip::Unknown,
            QStringLiteral("control code %1").arg(hexBytes(QByteArray(1, char(byte)))), offset);
    }
}

void EscPInterpreter::lineEnd(CommandReader &reader, PageModel::FeedKind kind)
{
    m_lineDoubleWidth = false;
    m_builder.lineFeed(kind, reader.pos() - 1);
}

void EscPInterpreter::escape(CommandReader &reader)
{
    if (!complete(reader, 2))
        return;
    const auto command = uchar(reader.data().at(m_commandStart + 1));
    if (attribute(command, reader) || spacing(command, reader) || position(command, reader) ||
        graphics(command, reader) || silent(command, reader) || skippedByLength(command, reader))
        return;
    if (command == '(')
        return parenthesised(reader);
    if (command == '@') {
        reset();
        return;
    }
    m_builder.skipped(reader.bytes(m_commandStart, 2), Skip::Unknown,
                      QStringLiteral("unknown command ESC %1").arg(QLatin1Char(char(command))),
                      m_commandStart);
}

bool EscPInterpreter::attribute(uchar command, CommandReader &reader)
{
    switch (command) {
    case 'E':
    case 'F':
        setFlag(PageModel::Bold, command == 'E');
        return true;
    case 'G':
    case 'H':
        setFlag(PageModel::DoubleStrike, command == 'G');
        return true;
    case '4':
    case '5':
        setFlag(PageModel::Italic, command == '4');
        return true;
    case 'M':
    case 'P':
    case 'g':
        m_pitch = command == 'M' ? 12 : command == 'P' ? 10 : 15;
        return true;
    case 0x0e:
        m_lineDoubleWidth = true;
        return true;
    case 0x0f:
        m_condensed = true;
        return true;
    case 'W':
    case 'w':
    case '-':
    case 't':
    case '!':
        break;
    default:
        return false;
    }
    if (!complete(reader, 1))
        return true;
    const uchar n = argument(reader, 0);
    const bool on = n == 1 || n == '1' || (command == '-' && (n == 2 || n == '2'));
    if (command == 'W')
        m_doubleWidth = on;
    else if (command == 'w')
        m_doubleHeight = on;
    else if (command == '-')
        setFlag(PageModel::Underline, on);
    else if (command == '!')
        masterSelect(n);
    else if (n < m_tables.size() || (n >= '0' && n <= '3'))
        m_table = n & 0x03;
    return true;
}

void EscPInterpreter::masterSelect(int n)
{
    m_pitch = (n & 0x01) ? 12 : 10;
    m_condensed = (n & 0x04) != 0;
    setFlag(PageModel::Bold, n & 0x08);
    setFlag(PageModel::DoubleStrike, n & 0x10);
    m_doubleWidth = (n & 0x20) != 0;
    setFlag(PageModel::Italic, n & 0x40);
    setFlag(PageModel::Underline, n & 0x80);
}

bool EscPInterpreter::spacing(uchar command, CommandReader &reader)
{
    switch (command) {
    case '0':
        m_builder.setLineSpacing(45);
        return true;
    case '2':
        m_builder.setLineSpacing(60);
        return true;
    case '1':
        if (!m_ninePin)
            return false;
        m_builder.setLineSpacing(35);
        return true;
    case '3':
    case 'A':
    case 'J':
    case '+':
    case 'C':
        break;
    default:
        return false;
    }
    if (command == '+' && m_ninePin)
        return false;
    if (!complete(reader, 1))
        return true;
    const int n = argument(reader, 0);
    if (command == '3')
        m_builder.setLineSpacing(n * feedUnit());
    else if (command == 'A')
        m_builder.setLineSpacing(n * (m_ninePin ? 5 : 6));
    else if (command == '+')
        m_builder.setLineSpacing(n);
    else if (command == 'J')
        m_builder.feed(n * feedUnit(), FeedKind::FeedUnits, m_commandStart, false);
    else if (n > 0)
        m_builder.setPageLength(n * m_builder.lineSpacing());
    else if (complete(reader, 1))
        m_builder.setPageLength(argument(reader, 1) * 360);
    return true;
}

bool EscPInterpreter::position(uchar command, CommandReader &reader)
{
    if (command == 'D') {
        tabStops(reader);
        return true;
    }
    if (command == 'l') {
        if (complete(reader, 1))
            m_builder.setLeftMargin(argument(reader, 0) * style().charWidth);
        return true;
    }
    if (command != '$' && command != '\\')
        return false;
    if (!complete(reader, 2))
        return true;
    const int value = argument(reader, 0) | (argument(reader, 1) << 8);
    if (command == '$')
        m_builder.setX(value * 6.0); // sixtieths of an inch
    else
        m_builder.moveX(qint16(value) * (m_ninePin ? 3.0 : 2.0));
    return true;
}

void EscPInterpreter::tabStops(CommandReader &reader)
{
    QList<qreal> stops;
    const qreal column = style().charWidth;
    for (int i = 0; i < 33; ++i) {
        if (!complete(reader, 1))
            return;
        const uchar n = lastByte(reader);
        if (n == 0 || (!stops.isEmpty() && n * column <= stops.last()))
            break;
        stops.append(n * column);
    }
    m_builder.setTabStops(stops, column);
}

bool EscPInterpreter::graphics(uchar command, CommandReader &reader)
{
    switch (command) {
    case '*':
        if (complete(reader, 3))
            bitImage(reader, argument(reader, 0), reader.word(-2));
        return true;
    case 'K':
    case 'L':
    case 'Y':
    case 'Z':
        if (complete(reader, 2))
            bitImage(reader,
                     command == 'K'   ? 0
                     : command == 'L' ? 1
                     : command == 'Y' ? 2
                                      : 3,
                     reader.word(-2));
        return true;
    case '.':
        rasterGraphics(reader);
        return true;
    default:
        return false;
    }
}

// The columns of 8, 24 or 48 dots that follow ESC * m nL nH or ESC K nL nH.
void EscPInterpreter::bitImage(CommandReader &reader, int mode, int columns)
{
    const int bytesPerColumn = mode >= 71 ? 6 : mode >= 32 ? 3 : 1;
    const int density = imageDensity(mode);
    const qsizetype dataStart = reader.pos();
    if (!complete(reader, qsizetype(columns) * bytesPerColumn))
        return;
    if (density == 0) {
        record(reader, 0, Skip::Unknown, QStringLiteral("bit image of unknown density"));
        return;
    }
    const QImage bits = columnImage(reader.data().constData() + dataStart, columns, bytesPerColumn);
    if (bits.isNull())
        return;
    const qreal dotHeight = bytesPerColumn == 6 ? 1 : bytesPerColumn == 3 ? 2 : m_ninePin ? 5 : 6;
    m_builder.image(bits, 360.0 / density, dotHeight, m_commandStart);
}

bool EscPInterpreter::silent(uchar command, CommandReader &reader)
{
    const int parameters = silentParameters(command);
    if (parameters < 0)
        return false;
    complete(reader, parameters);
    return true;
}

bool EscPInterpreter::skippedByLength(uchar command, CommandReader &reader)
{
    const int parameters = skippedParameters(command);
    if (parameters >= 0) {
        if (complete(reader, parameters))
            record(reader, 0, Skip::Skipped,
                   QStringLiteral("ESC %1 not drawn").arg(QLatin1Char(char(command))));
        return true;
    }
    if (command != 'B' && command != 'b')
        return false;
    // Vertical tab stops: up to 16 and a NUL, after a channel number with ESC b.
    const int first = command == 'b' ? 1 : 0;
    for (int i = 0; i < first + 17; ++i) {
        if (!complete(reader, 1))
            return true;
        if (i >= first && reader.data().at(reader.pos() - 1) == 0)
            break;
    }
    record(reader, 0, Skip::Skipped, QStringLiteral("vertical tab stops not drawn"));
    return true;
}

// ESC ( c nL nH data: the length says how many bytes follow, whatever the command.
void EscPInterpreter::parenthesised(CommandReader &reader)
{
    if (!complete(reader, 3))
        return;
    const uchar command = argument(reader, 0);
    const int length = reader.word(-2);
    if (!complete(reader, length))
        return;
    const QByteArray data = reader.bytes(m_commandStart + 5, length);
    if (command == 'R' && data.contains("REMOTE1"))
        return remoteMode(reader);
    if (!parenthesisedEffect(command, data))
        record(reader, 0, Skip::Skipped,
               QStringLiteral("ESC ( %1 not drawn (skipped by its length)")
                   .arg(QLatin1Char(char(command))));
}

bool EscPInterpreter::parenthesisedEffect(uchar command, const QByteArray &data)
{
    const auto at = [&data](int i) { return i < data.size() ? int(uchar(data.at(i))) : 0; };
    switch (command) {
    case 'U':
        if (at(0) > 0)
            m_unit = at(0) / 10.0;
        return data.size() >= 1;
    case 'v':
        m_builder.feed(qint16(at(0) | at(1) << 8) * m_unit, FeedKind::FeedUnits, m_commandStart,
                       false);
        return data.size() >= 2;
    case 'V':
        m_builder.setY((at(0) | at(1) << 8) * m_unit);
        return data.size() >= 2;
    case 'C':
        m_builder.setPageLength((at(0) | at(1) << 8) * m_unit);
        return data.size() >= 2;
    case 't':
        return assignTable(at(0) >= '0' ? at(0) - '0' : at(0), at(1), at(2), data.size() >= 3);
    default:
        return false;
    }
}

// The registered tables ESC ( t names by two numbers. A dot-matrix printer has no code page 1252;
// its ISO Latin 1 table is the one 1252 extends.
bool EscPInterpreter::assignTable(int table, int registeredHigh, int registeredLow, bool complete)
{
    struct Registered {
        int high, low, page;
    };
    static constexpr std::array<Registered, 6> pages{{{0, 0, ItalicTable},
                                                      {1, 0, CodePage::Cp437},
                                                      {3, 0, CodePage::Cp850},
                                                      {44, 0, CodePage::Cp858},
                                                      {29, 16, CodePage::Latin1},
                                                      {29, 15, CodePage::Latin9}}};
    if (!complete || table > 3)
        return false;
    for (const Registered &r : pages) {
        if (r.high == registeredHigh && r.low == registeredLow) {
            m_tables[table] = r.page;
            return true;
        }
    }
    return false;
}

// Remote-mode commands (two letters, a length and as many bytes) up to ESC 0 0 0.
void EscPInterpreter::remoteMode(CommandReader &reader)
{
    const QByteArray exit = QByteArrayLiteral("\x1b\x00\x00\x00");
    while (reader.has(4) && reader.bytes(reader.pos(), 4) != exit) {
        if (reader.peek() < 'A' || reader.peek() > 'Z' || !reader.has(4 + reader.word(2)))
            break;
        reader.skip(4 + reader.word(2));
    }
    if (reader.bytes(reader.pos(), 4) == exit)
        reader.skip(4);
    record(reader, 0, Skip::Preamble, QStringLiteral("remote-mode settings"));
}

// ESC . c v h m nL nH: m rows of nL + 256 nH dots, plain (c 0) or run-length encoded (c 1).
void EscPInterpreter::rasterGraphics(CommandReader &reader)
{
    if (!complete(reader, 6))
        return;
    const int compression = argument(reader, 0);
    const qreal dotHeight = argument(reader, 1) / 10.0;
    const qreal dotWidth = argument(reader, 2) / 10.0;
    const int rows = argument(reader, 3);
    const int columns = reader.word(-2);
    const qsizetype rowBytes = (columns + 7) / 8;
    if (compression > 1) {
        record(reader, 0, Skip::Unknown, QStringLiteral("raster graphics in an unknown mode"));
        return;
    }
    QByteArray dots = compression == 0 ? takeRaw(reader, rows * rowBytes)
                                       : takeRunLength(reader, rows * rowBytes);
    if (dots.size() < rows * rowBytes)
        return;
    if (dotWidth <= 0 || dotHeight <= 0)
        return;
    const QImage bits = rowImage(dots.constData(), columns, rows, rowBytes);
    if (!bits.isNull())
        m_builder.image(bits, dotWidth, dotHeight, m_commandStart);
}

QByteArray EscPInterpreter::takeRaw(CommandReader &reader, qsizetype length)
{
    const qsizetype start = reader.pos();
    if (!complete(reader, length))
        return QByteArray();
    return reader.bytes(start, length);
}

// Counter bytes: n < 128 copies the next n + 1 bytes; n >= 128 repeats the next byte 257 - n times.
QByteArray EscPInterpreter::takeRunLength(CommandReader &reader, qsizetype length)
{
    QByteArray out;
    while (out.size() < length) {
        if (!complete(reader, 1))
            return QByteArray();
        const int counter = lastByte(reader);
        const qsizetype count = counter < 128 ? counter + 1 : 257 - counter;
        const qsizetype start = reader.pos();
        if (!complete(reader, counter < 128 ? count : 1))
            return QByteArray();
        if (counter < 128)
            out += reader.bytes(start, count);
        else
            out += QByteArray(count, reader.data().at(start));
    }
    out.truncate(length);
    return out;
}
