#include "engine/soundtype.h"

#include <gtest/gtest.h>

using engine::SoundType;
using engine::soundTypeOf;

TEST(SoundType, UsesTheLastThreeCharactersWhateverTheirCase)
{
    EXPECT_EQ(soundTypeOf(QStringLiteral("/home/a/alarm.mp3")), SoundType::Mp3);
    EXPECT_EQ(soundTypeOf(QStringLiteral("C:\\Sounds\\Ring.MID")), SoundType::Mid);
    EXPECT_EQ(soundTypeOf(QStringLiteral("x.WAV")), SoundType::Wav);
    EXPECT_EQ(soundTypeOf(QStringLiteral("Mp3")), SoundType::Mp3);
    // Only the last three characters count, dot or not.
    EXPECT_EQ(soundTypeOf(QStringLiteral("nodotwav")), SoundType::Wav);
    EXPECT_EQ(soundTypeOf(QStringLiteral("x.wave")), SoundType::None);
    EXPECT_EQ(soundTypeOf(QStringLiteral("song.midi")), SoundType::None);
    EXPECT_EQ(soundTypeOf(QStringLiteral("x.mp3 ")), SoundType::None);
    EXPECT_EQ(soundTypeOf(QStringLiteral("x.ogg")), SoundType::None);
    EXPECT_EQ(soundTypeOf(QStringLiteral("av")), SoundType::None);
    EXPECT_EQ(soundTypeOf(QString()), SoundType::None);
}
