#pragma once

#include <QImage>
#include <QRect>
#include <vector>

namespace platform
{

// The backing picture of a surface that keeps what is painted on it while it is hidden or
// covered. Boxes are given in twips and filled straight into the pixels.
class RetainedImage
{
public:
    void resize(const QSize &pixels, const QColor &background);
    // Returns the pixel rectangle that changed (empty when the box lies outside, already has
    // that colour, or is held back).
    QRect fillBox(int x1, int y1, int x2, int y2, int r, int g, int b);
    // While held back, boxes are only noted, and a box that covers earlier ones replaces
    // them: a hidden window repainted at every animation tick costs nearly nothing until it
    // is shown. Reading the picture always brings it up to date.
    void setHeldBack(bool heldBack);
    const QImage &image() const;

private:
    struct Fill {
        QRect box;
        QRgb color;
    };
    QRect paint(const Fill &fill) const;
    void flush() const;

    mutable QImage m_image;
    mutable std::vector<Fill> m_pending;
    bool m_heldBack = false;
};

} // namespace platform
