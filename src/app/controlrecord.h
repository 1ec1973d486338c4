#pragma once

#include <QString>

// One control of the main window as the display adaptation sees it: kind, name, array index,
// geometry in twips relative to its container, caption, width tag and font size in points.
struct ControlRecord {
    enum class Kind { Frame, CommandButton, Image, ProgressBar, StatusBar, Label, Other };

    Kind kind = Kind::Other;
    QString name;
    int index = 0; // element of a control array, counted from 1; 0 = not an array
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    QString caption;
    QString tag;
    double fontSize = 0;

    bool operator==(const ControlRecord &) const = default;
};
