#pragma once

#include "codepage.h"
#include "interpreterbase.h"
#include "pagemodel.h"
#include "textstyle.h"

#include <QString>
#include <array>

class PageBuilder;

// Reads a print file as a dot-matrix printer of the ESC/P family does (24-pin, or 9-pin with its
// own feed units) and tells the page builder what goes on paper.
class EscPInterpreter : private InterpreterBase
{
public:
    EscPInterpreter(PageBuilder &builder, bool ninePin);
    void run(const QByteArray &data);

private:
    // The character tables ESC t selects from: italic, or a code page.
    static constexpr int ItalicTable = -1;

    void reset();
    TextStyle style() const;
    void printable(CommandReader &reader);
    void control(CommandReader &reader);
    void lineEnd(CommandReader &reader, PageModel::FeedKind kind);
    void escape(CommandReader &reader);
    bool attribute(uchar command, CommandReader &reader);
    bool spacing(uchar command, CommandReader &reader);
    bool position(uchar command, CommandReader &reader);
    bool graphics(uchar command, CommandReader &reader);
    bool silent(uchar command, CommandReader &reader);
    bool skippedByLength(uchar command, CommandReader &reader);
    void parenthesised(CommandReader &reader);
    bool parenthesisedEffect(uchar command, const QByteArray &data);
    bool assignTable(int table, int registeredHigh, int registeredLow, bool complete);
    void remoteMode(CommandReader &reader);
    void bitImage(CommandReader &reader, int mode, int columns);
    void rasterGraphics(CommandReader &reader);
    QByteArray takeRaw(CommandReader &reader, qsizetype length);
    QByteArray takeRunLength(CommandReader &reader, qsizetype length);
    void tabStops(CommandReader &reader);
    void masterSelect(int n);
    qreal feedUnit() const { return m_ninePin ? 360.0 / 216 : 2; }

    const bool m_ninePin;
    int m_pitch = 10;
    bool m_condensed = false;
    bool m_doubleWidth = false;
    bool m_lineDoubleWidth = false;
    bool m_doubleHeight = false;
    int m_table = 1;
    std::array<int, 4> m_tables{};
    qreal m_unit = 1; // of ESC ( v and ESC ( V, in 1/360 inch
};
