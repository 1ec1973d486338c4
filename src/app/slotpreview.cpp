#include "slotpreview.h"

#include "bytetext.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{

constexpr int BytesPerLine = 16;

bool isPrintable(uchar byte)
{
    return byte >= 0x20 && byte < 0x7f;
}

QChar hexDigit(int value)
{
    return QLatin1Char("0123456789ABCDEF"[value & 0xf]);
}

void appendHex(QString &out, uchar byte)
{
    out += hexDigit(byte >> 4);
    out += hexDigit(byte);
}

QPlainTextEdit *readOnlyView(const QString &text)
{
    auto *view = new QPlainTextEdit;
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setPlaceholderText(QObject::tr("The slot is empty."));
    view->setPlainText(text);
    return view;
}

} // namespace

SlotPreview::SlotPreview(const QString &title, const QByteArray &content, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    auto *tabs = new QTabWidget;
    tabs->addTab(readOnlyView(renderText(content)), tr("Text"));
    tabs->addTab(readOnlyView(renderHex(content)), tr("Hex"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("%n byte(s)", nullptr, int(content.size()))));
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    resize(640, 480);
}

QString SlotPreview::title(const QString &slotName, const QString &fileTitle)
{
    if (fileTitle.trimmed().isEmpty())
        return slotName + QStringLiteral(" (read from device)");
    return slotName + QStringLiteral(" \u2014 ") + fileTitle;
}

QString SlotPreview::renderText(const QByteArray &content)
{
    QStringList lines;
    for (const QByteArray &line : content.split('\n'))
        lines << escapedBytes(line, {{'\x1b', "ESC"}, {'\f', "FF"}, {'\r', "CR"}});
    return lines.join(QStringLiteral("<LF>\n"));
}

QString SlotPreview::renderHex(const QByteArray &content)
{
    QString out;
    const qsizetype lines = (content.size() + BytesPerLine - 1) / BytesPerLine;
    out.reserve(lines * 77);
    for (qsizetype offset = 0; offset < content.size(); offset += BytesPerLine) {
        const qsizetype count = qMin<qsizetype>(BytesPerLine, content.size() - offset);
        out += QStringLiteral("%1 ").arg(offset, 8, 16, QLatin1Char('0')).toUpper();
        for (int i = 0; i < BytesPerLine; ++i) {
            out += QLatin1Char(' ');
            if (i == BytesPerLine / 2)
                out += QLatin1Char(' ');
            if (i < count)
                appendHex(out, uchar(content.at(offset + i)));
            else
                out += QLatin1String("  ");
        }
        out += QLatin1String("  ");
        for (qsizetype i = 0; i < count; ++i) {
            const auto byte = uchar(content.at(offset + i));
            out += isPrintable(byte) ? QLatin1Char(char(byte)) : QLatin1Char('.');
        }
        out += QLatin1Char('\n');
    }
    return out;
}
