#pragma once

#include <QImage>
#include <QRect>

namespace platform
{

// The backing picture of a surface that keeps what is painted on it while it is hidden or
// covered. Boxes are given in twips and filled straight into the pixels.
class RetainedImage
{
public:
    void resize(const QSize &pixels, const QColor &background);
    // Returns the pixel rectangle that changed (empty when the box lies outside).
    QRect fillBox(int x1, int y1, int x2, int y2, int r, int g, int b);
    const QImage &image() const { return m_image; }

private:
    QImage m_image;
};

} // namespace platform
