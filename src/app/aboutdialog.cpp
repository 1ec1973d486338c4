#include "aboutdialog.h"

#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace
{

const QString crLf = QStringLiteral("\r\n");

QPixmap pictureOf(const QString &resource, QSize size)
{
    QPixmap picture(size);
    picture.fill(Qt::white);
    QSvgRenderer renderer(resource);
    if (renderer.isValid()) {
        QPainter painter(&picture);
        renderer.render(&painter);
    }
    return picture;
}

} // namespace

// The artwork is compiled into the window's static library, so its initialiser must be pulled in.
static void ensureResources()
{
    Q_INIT_RESOURCE(zvticket);
}

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent), m_aboutLabel(new QLabel(this)), m_picture(new QLabel(this)),
      m_okButton(new QPushButton(QStringLiteral("OK"), this))
{
    ensureResources();
    setObjectName(QStringLiteral("diaAbout"));
    setWindowTitle(QStringLiteral("About ..."));
    setModal(true);
    m_aboutLabel->setObjectName(QStringLiteral("lblAbout"));
    m_aboutLabel->setTextFormat(Qt::PlainText);
    m_aboutLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont big = m_aboutLabel->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    m_aboutLabel->setFont(big);
    m_picture->setObjectName(QStringLiteral("imgZorla"));
    m_picture->setFixedSize(pictureSize);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *side = new QVBoxLayout;
    side->addWidget(m_aboutLabel, 1);
    side->addWidget(m_okButton, 0, Qt::AlignHCenter);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_picture);
    layout->addLayout(side);

    load();
}

QString AboutDialog::aboutText()
{
    QString text;
    for (const QString &line : {QString(), QString(), QStringLiteral("ZorlaVelmarTicket"),
                                QStringLiteral("V1.101"), QString()})
        text += line + crLf;
    return text + crLf + QStringLiteral("Dravenco");
}

void AboutDialog::load()
{
    const QString icon = QStringLiteral(":/zvticket.svg");
    setWindowIcon(QFile::exists(icon) ? QIcon(icon)
                                      : style()->standardIcon(QStyle::SP_ComputerIcon));
    m_picture->setPixmap(pictureOf(QStringLiteral(":/imgZorla.svg"), pictureSize));
    m_aboutLabel->setText(aboutText());
}
