#pragma once

#include "testfiles.h"

#include <QByteArrayList>
#include <QDir>
#include <QTemporaryDir>

// A desktop with no program for anything: the XDG folders, PATH and BROWSER of this process point
// into an empty folder until the object goes. Files put there make the desktop know programs.
struct BareDesktop {
    BareDesktop()
    {
        for (const char *name : variables)
            saved.append(qgetenv(name));
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data-home")).toLocal8Bit());
        qputenv("XDG_DATA_DIRS", dir.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config-home")).toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", dir.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("PATH", dir.filePath(QStringLiteral("bin")).toLocal8Bit());
        qunsetenv("BROWSER");
    }
    ~BareDesktop()
    {
        for (qsizetype i = 0; i < saved.size(); ++i) {
            if (saved.at(i).isNull())
                qunsetenv(variables[i]);
            else
                qputenv(variables[i], saved.at(i));
        }
    }

    // Writes a file at a path relative to the desktop's folder; executable when asked.
    void put(const QString &path, const QByteArray &content, bool executable = false)
    {
        const QString full = dir.filePath(path);
        QDir().mkpath(QFileInfo(full).path());
        writeFile(full, content);
        if (executable)
            QFile::setPermissions(full, QFile::permissions(full) | QFile::ExeOwner);
    }

    static constexpr const char *variables[] = {
        "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "PATH", "BROWSER"};
    QTemporaryDir dir;
    QByteArrayList saved;
};
