#include "codepage.h"

#include <utility>

namespace
{

// The upper halves, 0x80 to 0xFF, 128 characters each.
constexpr char16_t upper437[] = u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»"
                                u"░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
                                u"αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00a0";
constexpr char16_t upper850[] = u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜø£Ø×ƒáíóúñÑªº¿®¬½¼¡«»"
                                u"░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐└┴┬├─┼ãÃ╚╔╩╦╠═╬¤ðÐÊËÈıÍÎÏ┘┌█▄¦Ì▀"
                                u"ÓßÔÒõÕµþÞÚÛÙýÝ¯´\u00ad±‗¾¶§÷¸°¨·¹³²■\u00a0";
// 0x80 to 0x9F; the rest of code page 1252 is Latin-1. Unassigned positions print nothing.
constexpr char16_t controls1252[] = u"€\u0000‚ƒ„…†‡ˆ‰Š‹Œ\u0000Ž\u0000"
                                    u"\u0000‘’“”•–—˜™š›œ\u0000žŸ";

// Where Latin 9 differs from Latin 1.
constexpr std::pair<uchar, char16_t> latin9[] = {{0xa4, u'€'}, {0xa6, u'Š'}, {0xa8, u'š'},
                                                 {0xb4, u'Ž'}, {0xb8, u'ž'}, {0xbc, u'Œ'},
                                                 {0xbd, u'œ'}, {0xbe, u'Ÿ'}};

QChar latin9Character(uchar byte)
{
    for (const auto &[position, character] : latin9) {
        if (position == byte)
            return QChar(character);
    }
    return QChar(char16_t(byte));
}

static_assert(sizeof(upper437) / sizeof(char16_t) == 129);
static_assert(sizeof(upper850) / sizeof(char16_t) == 129);
static_assert(sizeof(controls1252) / sizeof(char16_t) == 33);

} // namespace

QChar CodePage::character(Id table, uchar byte)
{
    if (byte < 0x80)
        return QChar(char16_t(byte));
    const int index = byte - 0x80;
    switch (table) {
    case Cp437:
        return QChar(upper437[index]);
    case Cp850:
        return QChar(upper850[index]);
    case Cp858:
        return byte == 0xd5 ? QChar(0x20ac) : QChar(upper850[index]);
    case Cp1252:
        return index < 0x20 ? QChar(controls1252[index]) : QChar(char16_t(byte));
    case Latin1: // 0x80 to 0x9F are control codes there, and print nothing
        return index < 0x20 ? QChar() : QChar(char16_t(byte));
    case Latin9:
        return index < 0x20 ? QChar() : latin9Character(byte);
    }
    return QChar(char16_t(byte));
}

QString CodePage::name(Id table)
{
    static constexpr const char *names[] = {"437",  "850",        "858",
                                            "1252", "ISO 8859-1", "ISO 8859-15"};
    return QLatin1String(names[table]);
}
