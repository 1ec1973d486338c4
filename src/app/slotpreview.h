#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

// A read-only look at one ticket slot's bytes: as ticket text with its control bytes named, and
// as a hex dump.
class SlotPreview : public QDialog
{
    Q_OBJECT
public:
    SlotPreview(const QString &title, const QByteArray &content, QWidget *parent = nullptr);

    // "T — ticket.txt", or "T (read from device)" when the slot has no file title.
    static QString title(const QString &slotName, const QString &fileTitle);

    // Printable ASCII as is; ESC, FF, NUL, CR and LF as <ESC>, <FF>, <00>, <CR>, <LF> (a line
    // break follows <LF>); every other byte as <hh>.
    static QString renderText(const QByteArray &content);
    // Lines of 16 bytes: 8-digit offset, the bytes in hex (a wider gap after the eighth), and
    // the printable ASCII with '.' for the rest. Every line ends with a line break.
    static QString renderHex(const QByteArray &content);
};
