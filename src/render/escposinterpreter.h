#pragma once

#include "codepage.h"
#include "interpreterbase.h"
#include "textstyle.h"

// Reads a print file as a receipt printer of the ESC/POS family does and tells the page builder
// what goes on paper. The normal font fills the paper's columns; feeds and images are in dots of
// 1/180 inch.
class EscPosInterpreter : private InterpreterBase
{
public:
    EscPosInterpreter(PageBuilder &builder, int columns);
    void run(const QByteArray &data);

private:
    void reset();
    TextStyle style() const;
    void control(CommandReader &reader);
    void escape(CommandReader &reader);
    void groupSeparator(CommandReader &reader);
    void fileSeparator(CommandReader &reader);
    bool attribute(uchar command, CommandReader &reader);
    bool paperMotion(uchar command, CommandReader &reader);
    bool layout(uchar command, CommandReader &reader);
    bool graphics(uchar command, CommandReader &reader);
    bool sizeAndCut(uchar command, CommandReader &reader);
    bool rasterImage(uchar command, CommandReader &reader);
    bool barcode(uchar command, CommandReader &reader);
    bool userCharacters(uchar command, CommandReader &reader);
    bool lengthPrefixed(uchar command, CommandReader &reader);
    // Commands of known length that this preview passes over: drawn as a marker or not at all.
    bool byLength(int parameters, bool marked, CommandReader &reader);
    void tabStops(CommandReader &reader);
    void printMode(int n);
    void selectCodePage(int n, CommandReader &reader);

    const qreal m_columnWidth;
    bool m_fontB = false;
    int m_widthScale = 1;
    int m_heightScale = 1;
    CodePage::Id m_codePage = CodePage::Cp437;
};
