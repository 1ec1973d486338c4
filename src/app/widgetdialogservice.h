#pragma once

#include "dialogservice.h"

#include <QPointer>
#include <QWidget>

// The dialog service of the desktop program: file dialogs and stop-icon message boxes shown
// modally over the main window.
class WidgetDialogService : public DialogService
{
public:
    explicit WidgetDialogService(QWidget *parent = nullptr) : m_parent(parent) {}

    // The window the dialogs are modal to.
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    FileChoice openFileName(const QString &filter) override;
    FileChoice saveFileName(const QString &filter) override;
    void showMessage(const QString &text, const QString &title) override;
    void showWarning(const QString &text, const QString &title, const QString &details) override;
    void showNotice(const QString &text, const QString &title) override;
    bool askYesNo(const QString &text, const QString &title) override;
    SaveChoice askToSave(const QString &text) override;

    // "Description|*.ext;*.ext2" (pairs, "|"-separated) as the toolkit writes it:
    // "Description (*.ext *.ext2)", entries separated by ";;".
    static QString toQtFilter(const QString &filter);
    static FileChoice choiceOf(const QString &path);

private:
    QPointer<QWidget> m_parent;
};
