#include "paint/gradient.h"
#include "platform/canvas.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace
{

struct Box {
    int x1, y1, x2, y2, r, g, b;
    bool operator==(const Box &) const = default;
};

class RecordingCanvas : public platform::Canvas
{
public:
    RecordingCanvas(int w, int h) : m_w(w), m_h(h) {}
    int heightTwips() const override { return m_h; }
    int widthTwips() const override { return m_w; }
    void fillBox(int x1, int y1, int x2, int y2, int r, int g, int b) override
    {
        boxes.push_back({x1, y1, x2, y2, r, g, b});
    }
    std::vector<Box> boxes;

private:
    int m_w, m_h;
};

} // namespace

TEST(Gradient, PaintsSixtyThreeTouchingBandsEachFourDarkerDownToZero)
{
    struct Case {
        int height, r, g, b, direction;
        Box first, last;
    };
    const Case cases[] = {
        {630, 255, 0, 0, 1, {0, 0, 900, 10, 255, 0, 0}, {0, 620, 900, 630, 7, 0, 0}},
        {630, 10, 255, 0, 1, {0, 0, 900, 10, 10, 255, 0}, {0, 620, 900, 630, 0, 7, 0}},
        // Any direction but 1 paints from the bottom up.
        {630, 0, 0, 255, 0, {0, 620, 900, 630, 0, 0, 255}, {0, 0, 900, 10, 0, 0, 7}},
        {630, 0, 0, 255, -1, {0, 620, 900, 630, 0, 0, 255}, {0, 0, 900, 10, 0, 0, 7}},
        // Bands are whole twips, the nearest (63 is odd: never an exact half): 2.49 -> 2,
        // 2.51 -> 3; the small window's 34.29 -> 34 stops short of the bottom, 34.92 -> 35
        // reaches past it, where it is clipped.
        {157, 1, 1, 1, 1, {0, 0, 900, 2, 1, 1, 1}, {0, 124, 900, 126, 0, 0, 0}},
        {158, 1, 1, 1, 1, {0, 0, 900, 3, 1, 1, 1}, {0, 186, 900, 189, 0, 0, 0}},
        {2160, 255, 255, 255, 1, {0, 0, 900, 34, 255, 255, 255}, {0, 2108, 900, 2142, 7, 7, 7}},
        {2200, 255, 255, 255, 1, {0, 0, 900, 35, 255, 255, 255}, {0, 2170, 900, 2205, 7, 7, 7}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.height << " " << c.direction);
        RecordingCanvas canvas(900, c.height);
        DrawGradient(canvas, c.r, c.g, c.b, c.direction);
        ASSERT_EQ(canvas.boxes.size(), 63u);
        EXPECT_EQ(canvas.boxes.front(), c.first);
        EXPECT_EQ(canvas.boxes.back(), c.last);
        const int band = c.first.y2 - c.first.y1, step = c.direction == 1 ? band : -band;
        for (int k = 0; k < 63; ++k) {
            const auto fade = [k](int start) { return std::max(start - 4 * k, 0); };
            EXPECT_EQ(canvas.boxes[size_t(k)],
                      (Box{0, c.first.y1 + k * step, 900, c.first.y1 + k * step + band, fade(c.r),
                           fade(c.g), fade(c.b)}))
                << k;
        }
    }
}
