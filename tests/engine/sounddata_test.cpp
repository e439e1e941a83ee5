// The sound engine's parts that need no audio device.
#include "engine/loadsound.h"
#include "engine/soundtype.h"
#include "engine/waveimage.h"
#include "soundfixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace engine;
using namespace soundfixtures;

namespace
{

quint32 le32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// A RIFF chunk: four-character name, the size it declares, then the body as given.
QByteArray chunk(const char *name, const QByteArray &body, quint32 declared)
{
    QByteArray out(name, 4);
    appendLe(out, declared, 4);
    return out + body;
}

} // namespace

// Files with odd paths are read as the SdlSound cases ring them.
TEST(LoadSound, TrimsOnlyBlanksAtTheEnds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ding.wav"));
    // Only byte 32 is trimmed; NUL, tabs and newlines are data, and inner blanks stay.
    const QByteArray body("\t\0 a b \0\n", 9), wav = toneWav(0.01);
    const QByteArray cases[][2] = {{"   " + body + "  ", body}, {wav, wav}, {"     ", {}}};
    for (const auto &c : cases) {
        ASSERT_TRUE(writeFile(path, c[0]));
        EXPECT_EQ(LoadSound(path), c[1]);
    }
}

TEST(LoadSound, ReturnsEmptyForWhatCannotBeReadOrIsTooLarge)
{
    QTemporaryDir dir;
    const auto path = [&](const char *name) { return dir.filePath(QString::fromUtf8(name)); };
    ASSERT_TRUE(writeFile(path("empty.wav"), {}));
    ASSERT_TRUE(QDir().mkdir(path("folder.wav")));
    // Opening a FIFO for reading would wait for a writer forever.
    ASSERT_EQ(mkfifo(QFile::encodeName(path("fifo.wav")).constData(), 0600), 0);
    // None of these is refused for its size: none is played from its file instead.
    for (const char *name : {"empty.wav", "missing.wav", "folder.wav", "fifo.wav", ""}) {
        const QString file = *name ? path(name) : QString();
        EXPECT_TRUE(LoadSound(file).isEmpty()) << name;
        EXPECT_FALSE(isTooLargeToLoad(file)) << name;
    }

    // A sparse file exactly at the limit is read to its last byte; one byte more is refused.
    QFile big(path("big.wav"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(MaxSoundFileSize - 1));
    ASSERT_TRUE(big.seek(MaxSoundFileSize - 1) && big.write("x", 1) == 1 && big.flush());
    const QByteArray whole = LoadSound(big.fileName());
    EXPECT_EQ(whole.size(), MaxSoundFileSize);
    EXPECT_TRUE(whole.endsWith('x'));
    EXPECT_FALSE(isTooLargeToLoad(big.fileName()));
    ASSERT_TRUE(big.write("y", 1) == 1 && big.flush());
    EXPECT_TRUE(LoadSound(big.fileName()).isEmpty());
    EXPECT_TRUE(isTooLargeToLoad(big.fileName()));
}

TEST(SoundType, UsesTheLastThreeCharactersWhateverTheirCase)
{
    const std::pair<SoundType, QStringList> cases[] = {
        {SoundType::Mp3, {"/home/a/alarm.mp3", "Mp3"}},
        {SoundType::Mid, {"C:\\Sounds\\Ring.MID", "x.MiD"}},
        {SoundType::Wav, {"x.WAV", "x.wAv", "nodotwav"}},
        {SoundType::None, {"x.wave", "song.midi", "x.mp3 ", "x.ogg", "av", ""}},
    };
    for (const auto &[type, names] : cases) {
        for (const QString &name : names)
            EXPECT_EQ(soundTypeOf(name), type) << qPrintable(name);
    }
}

TEST(WaveImage, KeepsOnlyFormatAndDataCutToTheBytesPresent)
{
    const QByteArray wav = toneWav(0.2);
    EXPECT_EQ(fitWaveImage(wav), wav);
    // As trimming leaves it: the header promises 0.2 s, the image holds 0.1 s and one odd byte.
    const QByteArray fitted = fitWaveImage(wav.left(44 + 8820 + 1));
    ASSERT_EQ(fitted.size(), 44 + 8820);
    EXPECT_EQ(le32(fitted, 4), quint32(fitted.size() - 8));
    EXPECT_EQ(le32(fitted, 40), 8820u);
    EXPECT_EQ(fitted.mid(44), wav.mid(44, 8820));

    // Other chunks, an odd-sized one with its pad byte, are left out.
    const QByteArray formatAndData = wav.mid(12, 24) + chunk("data", wav.mid(44, 100), 100);
    const QByteArray image = QByteArray("RIFF\0\0\0\0WAVE", 12) +
                             chunk("LIST", QByteArray("odd\0", 4), 3) + formatAndData +
                             chunk("LIST", "trailing", 8);
    EXPECT_EQ(fitWaveImage(image).mid(12), formatAndData);

    // 8 kHz 8-bit mono is 8000 bytes a second: 5 MB of it are cut to the ten-minute cap.
    const QByteArray format("\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0", 16);
    const QByteArray longImage = QByteArray("RIFF\0\0\0\0WAVE", 12) + chunk("fmt ", format, 16) +
                                 chunk("data", QByteArray(5'000'000, char(0x80)), 5'000'000);
    EXPECT_EQ(le32(fitWaveImage(longImage), 40), 8000u * MaxWaveSeconds);
}

TEST(WaveImage, RejectsImagesWithNothingToPlay)
{
    const QByteArray wav = toneWav(0.05);
    const QByteArray rejected[] = {
        {},
        "ID3\3 an mp3 named .wav",
        wav.left(30),                                                // cut inside the format
        wav.left(44),                                                // no sample at all
        wav.left(45),                                                // less than one frame
        wav.left(12) + wav.mid(36) + wav.mid(12, 24),                // data before its format
        wav.left(12) + chunk("junk", {}, 0xffffffffu) + wav.mid(12), // size far past the end
        // A format larger than any there is, and a walk through more chunks than any file has:
        // neither is read or walked to the end of a file of any size.
        wav.left(12) + chunk("fmt ", wav.mid(20, 16) + QByteArray(0x10000 + 4, 0), 0x10014) +
            wav.mid(36),
        wav.left(12) + chunk("junk", {}, 0).repeated(5000) + wav.mid(12),
    };
    for (size_t i = 0; i < std::size(rejected); ++i)
        EXPECT_TRUE(fitWaveImage(rejected[i]).isEmpty()) << i;
}

TEST(WaveImage, FindsTheSoundOfAFileReadingOnlyChunkHeadersAndTheFormat)
{
    // 0.05 s of sound behind a LIST chunk of 3 GiB: only what lies in `wav` is real.
    const QByteArray wav = toneWav(0.05);
    const qint64 list = 3ll << 30, data = 44 + list + 8;
    const QByteArray head = wav.left(12) + chunk("LIST", {}, quint32(list));
    qint64 requested = 0;
    const WaveReader read = [&](qint64 offset, qint64 length) {
        requested += length;
        if (offset < head.size())
            return head.mid(offset, length);
        return offset >= 20 + list ? wav.mid(offset - list - 8, length) : QByteArray(length, 0);
    };
    const WaveLayout layout = findWaveLayout(read, 20 + list + wav.size() - 12);
    EXPECT_EQ(layout.format, wav.mid(20, 16));
    EXPECT_EQ(layout.dataOffset, data);
    EXPECT_EQ(layout.dataLength, wav.size() - 44);
    EXPECT_LT(requested, 100);
    // The header made for it describes exactly that format and that much data.
    EXPECT_EQ(waveHeader(layout.format, layout.dataLength), wav.left(44));
}
