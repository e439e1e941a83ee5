#include "paint/gradient.h"
#include "platform/canvas.h"

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

TEST(Gradient, PaintsSixtyThreeTouchingBandsFromTheTopDarkeningByFour)
{
    RecordingCanvas canvas(900, 630);
    DrawGradient(canvas, 255, 0, 0, 1);
    ASSERT_EQ(canvas.boxes.size(), 63u);
    EXPECT_EQ(canvas.boxes.front(), (Box{0, 0, 900, 10, 255, 0, 0}));
    EXPECT_EQ(canvas.boxes.back(), (Box{0, 620, 900, 630, 7, 0, 0}));
    for (size_t k = 0; k < canvas.boxes.size(); ++k) {
        const Box &b = canvas.boxes[k];
        EXPECT_EQ(b.y1, int(k) * 10);
        EXPECT_EQ(b.y2 - b.y1, 10);
        EXPECT_EQ(b.r, 255 - 4 * int(k));
        EXPECT_EQ(b.g, 0);
        EXPECT_EQ(b.b, 0);
    }
}

TEST(Gradient, ChannelsStopAtZeroAndZeroChannelsStayZero)
{
    RecordingCanvas canvas(100, 630);
    DrawGradient(canvas, 10, 255, 0, 1);
    EXPECT_EQ(canvas.boxes[0].r, 10);
    EXPECT_EQ(canvas.boxes[2].r, 2);
    EXPECT_EQ(canvas.boxes[3].r, 0);
    EXPECT_EQ(canvas.boxes[62].r, 0);
    for (const Box &b : canvas.boxes)
        EXPECT_EQ(b.b, 0);
    EXPECT_EQ(canvas.boxes[62].g, 7);

    // The green background: green alone fades, red and blue stay off.
    RecordingCanvas green(100, 630);
    DrawGradient(green, 0, 255, 0, 1);
    EXPECT_EQ(green.boxes.front(), (Box{0, 0, 100, 10, 0, 255, 0}));
    EXPECT_EQ(green.boxes.back(), (Box{0, 620, 100, 630, 0, 7, 0}));
    for (const Box &b : green.boxes)
        EXPECT_TRUE(b.r == 0 && b.b == 0);
}

TEST(Gradient, OtherDirectionPaintsFromTheBottomUp)
{
    RecordingCanvas canvas(100, 630);
    DrawGradient(canvas, 0, 0, 255, 0);
    ASSERT_EQ(canvas.boxes.size(), 63u);
    EXPECT_EQ(canvas.boxes.front(), (Box{0, 620, 100, 630, 0, 0, 255}));
    EXPECT_EQ(canvas.boxes.back(), (Box{0, 0, 100, 10, 0, 0, 7}));
    DrawGradient(canvas, 0, 0, 255, -1);
    EXPECT_EQ(canvas.boxes[63].y1, 620);
}

TEST(Gradient, BandHeightRoundsToTheNearestWholeTwip)
{
    // Heights are whole twips and 63 is odd, so a band is never an exact half: only the
    // nearest-neighbour rounding on either side shows.
    RecordingCanvas below(100, 157); // 2.49 -> 2
    DrawGradient(below, 1, 1, 1, 1);
    EXPECT_EQ(below.boxes[0].y2, 2);
    RecordingCanvas above(100, 158); // 2.51 -> 3
    DrawGradient(above, 1, 1, 1, 1);
    EXPECT_EQ(above.boxes[0].y2, 3);

    // The small window's outer height: 34.29 -> 34, so the bands stop short of the bottom.
    RecordingCanvas shorter(100, 2160);
    DrawGradient(shorter, 255, 255, 255, 1);
    EXPECT_EQ(shorter.boxes[62].y2, 2142);
    // 34.92 -> 35: the bands reach past the bottom, where they are clipped.
    RecordingCanvas longer(100, 2200);
    DrawGradient(longer, 255, 255, 255, 1);
    EXPECT_EQ(longer.boxes[62].y2, 2205);
}
