#include "platform/fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>

namespace platform
{

namespace
{

QString resolveFace(const char *face)
{
    const QString name = face ? QString::fromLatin1(face) : QStringLiteral("MS Sans Serif");
    static const QStringList families = QFontDatabase::families();
    if (families.contains(name, Qt::CaseInsensitive))
        return name;
    if (name == QLatin1String("LiquidCrystal"))
        return QStringLiteral("DSEG7 Classic");
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

} // namespace

bool isDigitFace(const FontSpec &layout)
{
    return layout.face && QLatin1String(layout.face) == QLatin1String("LiquidCrystal");
}

QFont designFont(const FontSpec &layout)
{
    QFont font(resolveFace(layout.face));
    font.setPixelSize(pointsToPixels(layout.points));
    font.setBold(layout.bold);
    font.setUnderline(layout.underline);
    return font;
}

QFont fitText(const QFont &font, const QString &text, const QSize &box, bool wrap)
{
    auto fits = [&](const QFont &f) {
        const QFontMetrics metrics(f);
        if (!wrap)
            return metrics.horizontalAdvance(text) <= box.width();
        const QRect needed =
            metrics.boundingRect(QRect(0, 0, box.width(), 100000), Qt::TextWordWrap, text);
        return needed.height() <= box.height();
    };
    QFont fitted = font;
    const int smallest = font.pixelSize() * 3 / 4;
    while (fitted.pixelSize() > smallest && !fits(fitted))
        fitted.setPixelSize(fitted.pixelSize() - 1);
    return fitted;
}

} // namespace platform
