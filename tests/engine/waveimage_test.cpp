#include "engine/waveimage.h"
#include "soundfixtures.h"

#include <QtEndian>
#include <gtest/gtest.h>

using engine::fitWaveImage;
using soundfixtures::toneWav;

namespace
{

quint32 le32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// A RIFF chunk: four-character name, little-endian size, body (plus its pad byte when odd).
QByteArray chunk(const char *name, const QByteArray &body, quint32 declared)
{
    QByteArray out(name, 4);
    char size[4];
    qToLittleEndian(declared, size);
    out.append(size, 4);
    out.append(body);
    return out;
}

} // namespace

TEST(WaveImage, KeepsACompleteCanonicalImageAsItIs)
{
    const QByteArray wav = toneWav(0.05);
    EXPECT_EQ(fitWaveImage(wav), wav);
}

TEST(WaveImage, CutsSizesToTheBytesPresentAndToWholeFrames)
{
    // As left by trimming trailing blanks: the header promises 0.2 s, the image holds 0.1 s
    // and one odd byte.
    const QByteArray full = toneWav(0.2);
    const QByteArray shortImage = full.left(44 + 8820 + 1);
    const QByteArray fitted = fitWaveImage(shortImage);
    ASSERT_EQ(fitted.size(), 44 + 8820);
    EXPECT_EQ(le32(fitted, 4), quint32(fitted.size() - 8));
    EXPECT_EQ(le32(fitted, 40), 8820u);
    EXPECT_EQ(fitted.mid(44), full.mid(44, 8820));

    // A data size near 4 GiB over a few bytes is cut to those bytes, never believed.
    QByteArray huge = toneWav(0.01);
    qToLittleEndian(quint32(0xfffffff0), huge.data() + 40);
    EXPECT_EQ(le32(fitWaveImage(huge), 40), quint32(huge.size() - 44));
}

TEST(WaveImage, SkipsOtherChunksAndKeepsOnlyFormatAndData)
{
    const QByteArray wav = toneWav(0.01);
    const QByteArray format = wav.mid(20, 16);
    const QByteArray data = wav.mid(44);
    QByteArray image("RIFF\0\0\0\0WAVE", 12);
    image += chunk("LIST", "odd", 3) + QByteArray(1, '\0'); // padded to an even offset
    image += chunk("fmt ", format, 16);
    image += chunk("data", data, quint32(data.size()));
    image += chunk("LIST", "trailing", 8);

    const QByteArray fitted = fitWaveImage(image);
    EXPECT_EQ(fitted.mid(12), wav.mid(12));
    EXPECT_EQ(le32(fitted, 4), quint32(fitted.size() - 8));
}

TEST(WaveImage, RejectsImagesWithNothingToPlay)
{
    const QByteArray wav = toneWav(0.05);
    EXPECT_TRUE(fitWaveImage({}).isEmpty());
    EXPECT_TRUE(fitWaveImage("ID3\3 an mp3 named .wav").isEmpty());
    EXPECT_TRUE(fitWaveImage(wav.left(30)).isEmpty()); // cut inside the format
    EXPECT_TRUE(fitWaveImage(wav.left(44)).isEmpty()); // no sample at all
    EXPECT_TRUE(fitWaveImage(wav.left(45)).isEmpty()); // less than one frame
    // Data before its format cannot be decoded.
    QByteArray swapped = wav.left(12) + wav.mid(36) + wav.mid(12, 24);
    EXPECT_TRUE(fitWaveImage(swapped).isEmpty());
    // A chunk size that points far past the end must not loop or overflow.
    QByteArray runaway = wav.left(12) + chunk("junk", "", 0xffffffffu) + wav.mid(12);
    EXPECT_TRUE(fitWaveImage(runaway).isEmpty());
}

TEST(WaveImage, CapsVeryLongDataAtTenMinutes)
{
    // 8 kHz 8-bit mono: 8000 bytes a second, so ten minutes are 4.8 MB of a 5 MB image.
    QByteArray format;
    format.append("\x01\x00\x01\x00", 4);                 // PCM, mono
    format.append("\x40\x1f\x00\x00", 4);                 // 8000 Hz
    format.append("\x40\x1f\x00\x00\x01\x00\x08\x00", 8); // 8000 bytes/s, align 1, 8 bits
    const QByteArray data(5'000'000, char(0x80));
    const QByteArray image = QByteArray("RIFF\0\0\0\0WAVE", 12) + chunk("fmt ", format, 16) +
                             chunk("data", data, quint32(data.size()));
    const QByteArray fitted = fitWaveImage(image);
    EXPECT_EQ(le32(fitted, 40), 8000u * engine::MaxWaveSeconds);
    EXPECT_EQ(fitted.size(), 44 + 8000 * engine::MaxWaveSeconds);
}
