#include "stationlog.h"

#include "systemfile.h"

#include <QStringList>

namespace
{

// A field as CSV wants it: quoted when it holds a separator, a quote or a line break, and with a
// leading apostrophe when it begins as a spreadsheet formula would, so that a device's text is
// never taken for one.
QString csvField(QString text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QByteArray StationLog::header()
{
    return "time,port,model,version,application,result,seconds,bytes,message\n";
}

QByteArray StationLog::line(const Entry &entry)
{
    const QStringList fields{entry.time,
                             entry.port,
                             entry.model,
                             entry.version,
                             entry.application,
                             entry.ok ? QStringLiteral("ok") : QStringLiteral("failed"),
                             QString::number(entry.seconds, 'f', 1),
                             QString::number(entry.bytes),
                             entry.message};
    QStringList quoted;
    for (const QString &field : fields)
        quoted.append(csvField(field));
    return quoted.join(QLatin1Char(',')).toUtf8() + '\n';
}

bool StationLog::open(QString *error)
{
    if (m_path.isEmpty())
        return true;
    QMutexLocker lock(&m_mutex);
    if (!SystemFile::openForAppend(m_file, m_path, error))
        return false;
    if (m_file.size() == 0 && !write(header())) {
        *error = m_failure;
        return false;
    }
    return true;
}

bool StationLog::append(const Entry &entry, QString *error)
{
    if (m_path.isEmpty())
        return true;
    QMutexLocker lock(&m_mutex);
    if (!m_failed && write(line(entry)))
        return true;
    *error = m_failure;
    return false;
}

bool StationLog::write(const QByteArray &bytes)
{
    if (m_file.write(bytes) == bytes.size() && m_file.flush())
        return true;
    m_failure = m_file.errorString();
    m_failed = true;
    return false;
}

QString StationLog::failure() const
{
    QMutexLocker lock(&m_mutex);
    return m_failure;
}
