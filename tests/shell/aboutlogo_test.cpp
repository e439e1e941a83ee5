// The About window's logo, drawn from its SVG at build time into the program's resources.
#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

TEST(AboutLogo, IsDrawnAtThePictureSizeWithItsColours)
{
    const QImage logo(QStringLiteral(":/pictures/logo.png"));
    ASSERT_FALSE(logo.isNull()) << "the logo is missing from the resources";
    EXPECT_EQ(logo.size(), QSize(135, 68));
    // Clear around the drawing, so the picture box's colour shows; the stopwatch's dark case
    // and its orange face both appear (a failed or empty render has neither).
    EXPECT_EQ(qAlpha(logo.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(logo.pixel(134, 67)), 0);
    int dark = 0;
    int orange = 0;
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x) {
            const QColor c = QColor::fromRgba(logo.pixel(x, y));
            if (c.alpha() < 250)
                continue;
            if (c.red() < 60 && c.green() < 70 && c.blue() < 80)
                ++dark;
            else if (c.red() > 220 && c.green() > 100 && c.green() < 150 && c.blue() < 60)
                ++orange;
        }
    }
    EXPECT_GT(dark, 500);
    EXPECT_GT(orange, 200);
}
