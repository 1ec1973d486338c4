#pragma once

#include <QFont>

// The monospace font the paper is drawn with, embedded in the program (DejaVu Sans Mono, regular
// and bold) so that a picture looks the same on every machine.
class RenderFont
{
public:
    // Needs a QGuiApplication. Registers the embedded faces the first time.
    static QFont font(bool bold);
};
