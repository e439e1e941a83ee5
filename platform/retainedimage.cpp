#include "platform/retainedimage.h"

#include "platform/units.h"

#include <algorithm>

namespace platform
{

void RetainedImage::resize(const QSize &pixels, const QColor &background)
{
    m_image = QImage(pixels, QImage::Format_RGB32);
    m_image.fill(background);
}

QRect RetainedImage::fillBox(int x1, int y1, int x2, int y2, int r, int g, int b)
{
    // Edges are converted one by one, so boxes that touch in twips touch in pixels.
    const QRect box = QRect(QPoint(toPixels(std::min(x1, x2)), toPixels(std::min(y1, y2))),
                            QPoint(toPixels(std::max(x1, x2)) - 1, toPixels(std::max(y1, y2)) - 1))
                          .intersected(m_image.rect());
    if (box.isEmpty())
        return {};
    const QRgb color = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
    for (int y = box.top(); y <= box.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(m_image.scanLine(y));
        std::fill(line + box.left(), line + box.right() + 1, color);
    }
    return box;
}

} // namespace platform
