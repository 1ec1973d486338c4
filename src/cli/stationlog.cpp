#include "stationlog.h"

#include "systemfile.h"

#include <QFile>
#include <QStringList>

namespace
{

// A field quoted as CSV wants it when it holds a separator, a quote or a line break.
QString csvField(QString text)
{
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

bool StationLog::append(const Entry &entry, QString *error)
{
    if (m_path.isEmpty())
        return true;
    QMutexLocker lock(&m_mutex);
    QFile file;
    if (!SystemFile::open(file, m_path, QIODevice::WriteOnly | QIODevice::Append)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = (file.size() == 0 ? header() : QByteArray()) + line(entry);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
