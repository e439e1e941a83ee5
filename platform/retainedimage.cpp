#include "platform/retainedimage.h"

#include "platform/units.h"

#include <algorithm>

namespace platform
{

void RetainedImage::resize(const QSize &pixels, const QColor &background)
{
    m_pending.clear();
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
    const Fill fill{box, qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255))};
    if (m_heldBack) {
        std::erase_if(m_pending, [&box](const Fill &earlier) { return box.contains(earlier.box); });
        m_pending.push_back(fill);
        return {};
    }
    flush();
    return paint(fill);
}

void RetainedImage::setHeldBack(bool heldBack)
{
    m_heldBack = heldBack;
    if (!heldBack)
        flush();
}

const QImage &RetainedImage::image() const
{
    flush();
    return m_image;
}

QRect RetainedImage::paint(const Fill &fill) const
{
    const QRect &box = fill.box;
    // Animated gradients repaint bands that often keep their colour: leave those alone, so
    // nothing on screen is redrawn for them.
    bool same = true;
    for (int y = box.top(); y <= box.bottom() && same; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(m_image.constScanLine(y));
        same = std::all_of(line + box.left(), line + box.right() + 1,
                           [&fill](QRgb p) { return p == fill.color; });
    }
    if (same)
        return {};
    for (int y = box.top(); y <= box.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(m_image.scanLine(y));
        std::fill(line + box.left(), line + box.right() + 1, fill.color);
    }
    return box;
}

void RetainedImage::flush() const
{
    for (const Fill &fill : m_pending)
        paint(fill);
    m_pending.clear();
}

} // namespace platform
