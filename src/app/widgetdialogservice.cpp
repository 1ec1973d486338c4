#include "widgetdialogservice.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

QString WidgetDialogService::toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        if (i + 1 >= parts.size()) {
            if (!description.isEmpty())
                entries << description;
            break;
        }
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            pattern = pattern.trimmed();
        entries << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

FileChoice WidgetDialogService::choiceOf(const QString &path)
{
    if (path.isEmpty())
        return {};
    return {path, QFileInfo(path).fileName()};
}

FileChoice WidgetDialogService::openFileName(const QString &filter)
{
    return choiceOf(
        QFileDialog::getOpenFileName(m_parent, QString(), QString(), toQtFilter(filter)));
}

FileChoice WidgetDialogService::saveFileName(const QString &filter)
{
    // The name is used as typed: no extension is added and an existing file is overwritten.
    return choiceOf(QFileDialog::getSaveFileName(m_parent, QString(), QString(), toQtFilter(filter),
                                                 nullptr, QFileDialog::DontConfirmOverwrite));
}

void WidgetDialogService::showMessage(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

void WidgetDialogService::showWarning(const QString &text, const QString &title,
                                      const QString &details)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, m_parent);
    box.setDetailedText(details);
    box.exec();
}

void WidgetDialogService::showNotice(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool WidgetDialogService::askYesNo(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

SaveChoice WidgetDialogService::askToSave(const QString &text)
{
    // Titled as the window whose work it is.
    const QString title = m_parent ? m_parent->window()->windowTitle() : QString();
    QMessageBox box(QMessageBox::Warning, title, text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}
