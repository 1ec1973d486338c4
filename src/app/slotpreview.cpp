#include "slotpreview.h"

#include "hexview.h"
#include "tickettextview.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

SlotPreview::SlotPreview(const QString &title, const QByteArray &content, QWidget *parent)
    : QDialog(parent), m_content(content)
{
    setObjectName(QStringLiteral("diaPreview"));
    setWindowTitle(title);
    m_tabs = new QTabWidget;
    addView(new TicketTextView(m_content), tr("Text"));
    addView(new HexView(m_content), tr("Hex"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("%n byte(s)", nullptr, int(content.size()))));
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    resize(640, 480);
}

void SlotPreview::addView(QWidget *view, const QString &label)
{
    m_tabs->addTab(view, label);
}

QString SlotPreview::title(const QString &slotName, Source source, const QString &name)
{
    switch (source) {
    case Source::Device:
        return slotName + QStringLiteral(" (read from device)");
    case Source::ProgrammingFile:
        return name.isEmpty()
                   ? slotName + QStringLiteral(" \u2014 from a programming file")
                   : slotName + QStringLiteral(" \u2014 from the programming file ") + name;
    case Source::PrintFile:
        break;
    }
    return name.trimmed().isEmpty() ? slotName + QStringLiteral(" \u2014 No File Added")
                                    : slotName + QStringLiteral(" \u2014 ") + name;
}
