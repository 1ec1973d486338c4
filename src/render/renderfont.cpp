#include "renderfont.h"

#include <QFontDatabase>
#include <QStringList>

namespace
{

QString registerFaces()
{
    QString family;
    for (const char *face :
         {":/render/fonts/DejaVuSansMono.ttf", ":/render/fonts/DejaVuSansMono-Bold.ttf"}) {
        const int id = QFontDatabase::addApplicationFont(QLatin1String(face));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (family.isEmpty() && !families.isEmpty())
            family = families.first();
    }
    return family.isEmpty() ? QStringLiteral("monospace") : family;
}

} // namespace

QFont RenderFont::font(bool bold)
{
    static const QString family = [] {
        Q_INIT_RESOURCE(render);
        return registerFaces();
    }();
    QFont font(family);
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(100);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}
