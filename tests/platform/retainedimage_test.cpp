#include "platform/qttimerservice.h"
#include "platform/retainedimage.h"

#include <QTest>
#include <gtest/gtest.h>
#include <random>

using platform::RetainedImage;

TEST(RetainedImage, HeldBackPaintingEndsInTheSamePictureAsPaintingAtOnce)
{
    // Random overlapping boxes in random colours, and the gradient's repeated bands.
    std::mt19937 random(7);
    auto coordinate = [&] { return int(random() % 3000); };
    RetainedImage direct, held;
    direct.resize({200, 150}, Qt::white);
    held.resize({200, 150}, Qt::white);
    held.setHeldBack(true);
    for (int i = 0; i < 2000; ++i) {
        const int x1 = coordinate(), y1 = coordinate(), x2 = coordinate(), y2 = coordinate();
        const int r = random() % 256, g = random() % 256, b = random() % 256;
        direct.fillBox(x1, y1, x2, y2, r, g, b);
        EXPECT_TRUE(held.fillBox(x1, y1, x2, y2, r, g, b).isNull());
        if (i % 100 == 0) { // bands that cover earlier ones exactly
            for (int band = 0; band < 63; ++band) {
                direct.fillBox(0, band * 34, 3000, band * 34 + 34, band, 0, 255);
                held.fillBox(0, band * 34, 3000, band * 34 + 34, band, 0, 255);
            }
        }
    }
    EXPECT_EQ(held.image(), direct.image());
    // Once shown again, painting reaches the picture and reports what changed.
    held.setHeldBack(false);
    EXPECT_EQ(held.fillBox(0, 0, 150, 150, 1, 2, 3), QRect(0, 0, 10, 10));
    EXPECT_TRUE(held.fillBox(0, 0, 150, 150, 1, 2, 3).isNull()); // same colour: nothing to redraw
}

TEST(QtTimerService, ShortPeriodsShareAWakeUpAndTickInStartOrder)
{
    platform::QtTimerService service;
    QString order;
    int second = 0;
    const int a = service.start(16, [&] { order += 'a'; });
    second = service.start(16, [&] {
        order += 'b';
        if (order.size() >= 5) // its second tick
            service.stop(second);
    });
    service.start(16, [&] { order += 'c'; });
    QTest::qWait(200);
    service.stop(a);
    ASSERT_GE(order.size(), 6);
    EXPECT_TRUE(order.startsWith("abcab")) << order.toStdString();
    EXPECT_FALSE(order.mid(5).contains('b')) << order.toStdString();
}
