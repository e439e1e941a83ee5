#include "engine/loadsound.h"
#include "soundfixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using engine::LoadSound;
using engine::MaxSoundFileSize;
using soundfixtures::writeFile;

namespace
{

// A sparse file of the given size whose last byte is 'x' and all others NUL.
bool makeSparseFile(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
        return false;
    return file.seek(size - 1) && file.write("x", 1) == 1;
}

} // namespace

TEST(LoadSound, ReturnsTheWholeFileWithoutBlanksAtTheEnds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sound.wav"));

    // Only byte 32 is trimmed; NUL, tabs and newlines are data, and inner blanks stay.
    const QByteArray body("\0\t a b \n\0", 9);
    ASSERT_TRUE(writeFile(path, QByteArray("   ") + body + QByteArray("  ")));
    EXPECT_EQ(LoadSound(path), body);

    const QByteArray binary = soundfixtures::toneWav(0.01);
    ASSERT_TRUE(writeFile(path, binary));
    EXPECT_EQ(LoadSound(path), binary);

    ASSERT_TRUE(writeFile(path, "     "));
    EXPECT_EQ(LoadSound(path), QByteArray());
}

TEST(LoadSound, ReturnsEmptyForWhatCannotBeRead)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("empty.wav"));
    ASSERT_TRUE(writeFile(empty, {}));
    EXPECT_TRUE(LoadSound(empty).isEmpty());

    EXPECT_TRUE(LoadSound(dir.filePath(QStringLiteral("missing.wav"))).isEmpty());
    EXPECT_TRUE(LoadSound(QString()).isEmpty());

    const QString folder = dir.filePath(QStringLiteral("folder.wav"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_TRUE(LoadSound(folder).isEmpty());

    // Opening a FIFO for reading would wait for a writer forever.
    const QString fifo = dir.filePath(QStringLiteral("fifo.wav"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(LoadSound(fifo).isEmpty());

    if (geteuid() != 0) { // root reads anything
        const QString locked = dir.filePath(QStringLiteral("locked.wav"));
        ASSERT_TRUE(writeFile(locked, "RIFF"));
        ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        EXPECT_TRUE(LoadSound(locked).isEmpty());
    }
}

TEST(LoadSound, RefusesFilesLargerThanTheLimit)
{
    QTemporaryDir dir;
    const QString atLimit = dir.filePath(QStringLiteral("at-limit.wav"));
    const QString overLimit = dir.filePath(QStringLiteral("over-limit.wav"));
    ASSERT_TRUE(makeSparseFile(atLimit, MaxSoundFileSize));
    ASSERT_TRUE(makeSparseFile(overLimit, MaxSoundFileSize + 1));

    EXPECT_TRUE(LoadSound(overLimit).isEmpty());
    const QByteArray whole = LoadSound(atLimit);
    EXPECT_EQ(whole.size(), MaxSoundFileSize);
    EXPECT_TRUE(whole.endsWith('x'));
}

TEST(LoadSound, ReadsPathsWithBlanksQuotesAndNonAsciiLetters)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Zvuky \"budíku\" 目覚まし"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/ ding 'dong'.wav");
    ASSERT_TRUE(writeFile(path, "RIFF data"));
    EXPECT_EQ(LoadSound(path), QByteArray("RIFF data"));
}
