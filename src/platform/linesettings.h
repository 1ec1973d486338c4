#pragma once

#include <QString>
#include <optional>

// The line settings of a serial port (rate, parity, data bits, stop bits) and their text form
// "9600,n,8,1" as the settings store keeps it.
struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };

    int rate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    int stopBits = 1;

    // Accepts "<rate>,<parity>,<data bits>,<stop bits>" with parity n/e/o/m/s (either case),
    // 7 or 8 data bits and 1 or 2 stop bits; blanks around the fields are allowed.
    static std::optional<LineSettings> parse(const QString &text);
    // The rates the settings dialog and the command line offer, slowest first.
    static constexpr int rates[] = {1200, 2400, 4800, 9600, 19200};

    QString toString() const;
    QChar parityLetter() const;
    // Start bit, data bits, parity bit and stop bits: the time one character takes on the line.
    int bitsPerCharacter() const;

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};
