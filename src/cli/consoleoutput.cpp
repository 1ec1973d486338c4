#include "consoleoutput.h"

#include <QStringList>
#include <cstdio>
#include <unistd.h>

ConsoleOutput::ConsoleOutput(bool interactive) : m_interactive(interactive) {}

ConsoleOutput::~ConsoleOutput()
{
    endProgress();
}

bool ConsoleOutput::stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

QString ConsoleOutput::printable(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("<%1>").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            shown += c;
    }
    return shown;
}

// A message's own line breaks stay; every other control character is shown by its code.
QByteArray ConsoleOutput::printableLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = printable(line);
    return lines.join(QLatin1Char('\n')).toLocal8Bit() + '\n';
}

void ConsoleOutput::write(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void ConsoleOutput::line(const QString &text)
{
    QMutexLocker lock(&m_mutex);
    clearLocked();
    write(printableLines(text));
    drawLocked();
}

void ConsoleOutput::result(const QString &text)
{
    QMutexLocker lock(&m_mutex);
    clearLocked();
    const QByteArray bytes = printableLines(text);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
    drawLocked();
}

void ConsoleOutput::progress(const QString &port, const QString &text, int value, int maximum)
{
    QMutexLocker lock(&m_mutex);
    Progress &p = m_ports[port];
    const bool textChanged = p.text != text;
    p = {text, value, maximum};
    if (m_interactive) {
        drawLocked();
    } else if (textChanged && worthALine(text)) {
        write(printableLines(port.isEmpty() ? text : port + QStringLiteral(": ") + text));
    }
}

// Without a terminal the progress goes out as lines: each new phase and every tenth percent.
bool ConsoleOutput::worthALine(const QString &text)
{
    if (text.isEmpty())
        return false;
    if (!text.endsWith(QLatin1Char('%')))
        return true;
    const int percent = text.section(QLatin1Char(' '), -1).chopped(1).toInt();
    return percent % 10 == 0;
}

void ConsoleOutput::endProgress()
{
    QMutexLocker lock(&m_mutex);
    if (m_interactive && m_drawn)
        write("\n");
    m_drawn = false;
    // Without a terminal each port's last line is kept: one job ending its progress must not make
    // another job print its current line again.
    if (m_interactive)
        m_ports.clear();
}

void ConsoleOutput::clearLocked()
{
    if (m_interactive && m_drawn)
        write("\r\033[K");
    m_drawn = false;
}

void ConsoleOutput::drawLocked()
{
    if (!m_interactive || m_ports.isEmpty())
        return;
    // One port gets a wide bar; several share the line with a short bar each.
    const int width = m_ports.size() == 1 ? 30 : qMax(6, 40 / int(m_ports.size()));
    QString out = QStringLiteral("\r\033[K");
    for (auto it = m_ports.cbegin(); it != m_ports.cend(); ++it) {
        const Progress &p = it.value();
        const int filled = p.maximum > 0 ? int(qint64(width) * p.value / p.maximum) : 0;
        if (it != m_ports.cbegin())
            out += QStringLiteral("  ");
        if (!it.key().isEmpty())
            out += it.key() + QLatin1Char(' ');
        out += QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
               QString(width - filled, QLatin1Char('.')) + QStringLiteral("] ");
        out += m_ports.size() == 1 ? p.text : p.text.section(QLatin1Char(' '), -1);
    }
    write(out.toLocal8Bit());
    m_drawn = true;
}
