#include "diaabout.h"

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

const QString CrLf = QStringLiteral("\r\n");

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

diaAbout::diaAbout(QWidget *parent)
    : QDialog(parent), lblAbout(new QLabel(this)), imgZorla(new QLabel(this)),
      OKButton(new QPushButton(QStringLiteral("OK"), this))
{
    ensureResources();
    setObjectName(QStringLiteral("diaAbout"));
    setWindowTitle(QStringLiteral("About ..."));
    setModal(true);
    lblAbout->setObjectName(QStringLiteral("lblAbout"));
    lblAbout->setTextFormat(Qt::PlainText);
    lblAbout->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont big = lblAbout->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblAbout->setFont(big);
    imgZorla->setObjectName(QStringLiteral("imgZorla"));
    imgZorla->setFixedSize(PictureSize);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *side = new QVBoxLayout;
    side->addWidget(lblAbout, 1);
    side->addWidget(OKButton, 0, Qt::AlignHCenter);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(imgZorla);
    layout->addLayout(side);

    load();
}

QString diaAbout::aboutText()
{
    QString text;
    for (const QString &line : {QString(), QString(), QStringLiteral("ZorlaVelmarTicket"),
                                QStringLiteral("V1.101"), QString()})
        text += line + CrLf;
    return text + CrLf + QStringLiteral("Dravenco");
}

void diaAbout::load()
{
    const QString icon = QStringLiteral(":/zvticket.svg");
    setWindowIcon(QFile::exists(icon) ? QIcon(icon)
                                      : style()->standardIcon(QStyle::SP_ComputerIcon));
    imgZorla->setPixmap(pictureOf(QStringLiteral(":/imgZorla.svg"), PictureSize));
    lblAbout->setText(aboutText());
}
