#include "paint/gradient.h"

#include "platform/canvas.h"

#include <algorithm>
#include <cmath>

namespace
{

// Whole numbers from a division round to nearest, halves to the even neighbour.
int roundHalfEven(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

} // namespace

void DrawGradient(platform::Canvas &target, int r, int g, int b, int direction)
{
    constexpr int kBands = 63;
    const int height = target.heightTwips();
    const int band = roundHalfEven(static_cast<double>(height) / kBands);
    int y1 = direction == 1 ? 0 : height - band;
    const int x1 = 0;
    const int x2 = target.widthTwips();
    int y2 = y1 + band;
    for (int i = 1; i <= kBands; ++i) {
        target.fillBox(x1, y1, x2, y2, r, g, b);
        r = std::max(r - 4, 0);
        g = std::max(g - 4, 0);
        b = std::max(b - 4, 0);
        y1 = direction == 1 ? y2 : y1 - band;
        y2 = y1 + band;
    }
}
