#include "engine/recordingmedia.h"

#include <gtest/gtest.h>

using engine::RecordingMedia;

TEST(RecordingMedia, RecordsEveryCallAndReturnsTheResultsItIsGiven)
{
    RecordingMedia media;
    const QByteArray image("RIFF\0\0", 6);
    EXPECT_EQ(media.mciSendString(QStringLiteral("open \"/a b/x y.mp3\"")), 0);
    EXPECT_TRUE(media.sndPlaySound(&image, 13));
    EXPECT_EQ(media.lastSound(), image);
    media.setMciResult(263);
    media.setSndResult(false);
    EXPECT_EQ(media.mciSendString(QStringLiteral("close \"/a b/x y.mp3\"")), 263);
    EXPECT_FALSE(media.sndPlaySound(nullptr, 2));
    EXPECT_TRUE(media.lastSound().isEmpty());

    const QStringList expected{
        QStringLiteral("mci:open \"/a b/x y.mp3\""), QStringLiteral("snd:13:6"),
        QStringLiteral("mci:close \"/a b/x y.mp3\""), QStringLiteral("snd:2:null")};
    EXPECT_EQ(media.calls(), expected);
    media.clear();
    EXPECT_TRUE(media.calls().isEmpty());
}
