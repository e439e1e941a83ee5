#include "platform/fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QString>
#include <algorithm>
#include <cmath>

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

namespace
{

// The largest size from the font's own down to `smallest` at which the text fits the box;
// `smallest` when none above it does.
QFont fit(const QFont &font, const QString &text, const QSize &box, bool wrap, int smallest)
{
    // Every size measured is a font the system looks up, and start-up waits for each. So each
    // answer is kept (both main windows and every dialog showing ask the same questions), and
    // the size is estimated from the first measure instead of tried one pixel at a time.
    static QHash<QString, int> known;
    const QString key = QStringLiteral("%1|%2|%3x%4|%5|%6")
                            .arg(font.key(), text)
                            .arg(box.width())
                            .arg(box.height())
                            .arg(wrap)
                            .arg(smallest);
    QFont fitted = font;
    if (const auto it = known.constFind(key); it != known.constEnd()) {
        fitted.setPixelSize(*it);
        return fitted;
    }
    // The room the text takes at a size: its width on one line, or its height wrapped.
    auto needs = [&](int pixels) {
        fitted.setPixelSize(pixels);
        const QFontMetrics metrics(fitted);
        if (!wrap)
            return double(metrics.horizontalAdvance(text)) / box.width();
        const QRect needed =
            metrics.boundingRect(QRect(0, 0, box.width(), 100000), Qt::TextWordWrap, text);
        return double(needed.height()) / box.height();
    };
    const int size = font.pixelSize();
    int best = size;
    if (const double over = needs(size); over > 1) {
        best = smallest;
        // A line's width grows with the size; a wrapped text's height with its square.
        const double scale = wrap ? 1 / std::sqrt(over) : 1 / over;
        int s = std::clamp(int(size * scale), smallest + 1, std::max(smallest + 1, size - 1));
        if (s < size && needs(s) <= 1) {
            best = s;
            while (best + 1 < size && needs(best + 1) <= 1)
                ++best;
        } else {
            while (--s > smallest) {
                if (needs(s) <= 1) {
                    best = s;
                    break;
                }
            }
        }
    }
    known.insert(key, best);
    fitted.setPixelSize(best);
    return fitted;
}

} // namespace

QFont fitText(const QFont &font, const QString &text, const QSize &box, bool wrap)
{
    return fit(font, text, box, wrap, font.pixelSize() * 3 / 4);
}

QFont fitWidth(const QFont &font, const QString &text, int width, int smallest)
{
    return fit(font, text, QSize(width, 1), false, smallest);
}

} // namespace platform
