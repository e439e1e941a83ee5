// Damaged or odd hive files: reads fall back to defaults, writes fail cleanly or go ahead after
// keeping the original, and nothing the user had disappears without a copy and a warning.
#include "hivetesting.h"
#include "settings/cregsettings.h"
#include "settings/registry.h"
#include "warningcatcher.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace settings;
using namespace hivetesting;

namespace
{

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A file with a good value before and after the given damaged line.
QByteArray damaged(const QByteArray &line)
{
    return optionsFile("\"Size\"=\"1\"\n" + line + "\n\"Button Color\"=\"255\"\n");
}

// The file holds a bad line for "Sound File": reads skip it, the first write keeps the
// original aside and drops it, and the file is clean from then on.
void expectBadLineHandled(const QByteArray &original)
{
    writeHive(original);
    WarningCatcher catcher;
    const CRegSettings s = store();
    EXPECT_EQ(s.GetSetting("Options", "Sound File", "none"), "none");
    EXPECT_EQ(s.GetSetting("Options", "Size"), "1");
    EXPECT_EQ(s.GetSetting("Options", "Button Color"), "255");
    EXPECT_EQ(catcher.warnings().size(), 1) << catcher.warnings().join('\n').toStdString();
    EXPECT_TRUE(backups().isEmpty()) << "reading alone changes nothing";
    EXPECT_EQ(readHive(), original);

    ASSERT_TRUE(s.SaveSetting("Options", "Digit Color", "65535"));
    const QStringList copies = backups();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(
        QRegularExpression("^hkcu\\.reg\\.bad-\\d{8}T\\d{6}Z$").match(copies.first()).hasMatch())
        << copies.first().toStdString();
    EXPECT_EQ(fileBytes(folder() + '/' + copies.first()), original) << "kept byte for byte";

    catcher.clear();
    EXPECT_EQ(s.GetSetting("Options", "Size"), "1");
    EXPECT_EQ(s.GetSetting("Options", "Button Color"), "255");
    EXPECT_EQ(s.GetSetting("Options", "Digit Color"), "65535");
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "0"));
    EXPECT_TRUE(catcher.warnings().isEmpty()) << "the rewritten file is clean";
    EXPECT_EQ(backups().size(), 1) << "no second copy of a clean file";
}

} // namespace

TEST(BadHiveFile, HalfWrittenLine)
{
    expectBadLineHandled(damaged("\"Sound File\"=\"C:\\\\Mus"));
    // Cut at the very end of the file, without a line end.
    writeHive(optionsFile("\"Size\"=\"1\"\n\"Button Color\"=\"255\"\n\"Sound File\"=hex:01,0"));
    EXPECT_EQ(store().GetSetting("Options", "Sound File", "none"), "none");
    EXPECT_EQ(store().GetSetting("Options", "Button Color"), "255");
}

TEST(BadHiveFile, UnterminatedQuote)
{
    expectBadLineHandled(damaged("\"Sound File\"=\"C:\\\\alarm.mp3"));
}

TEST(BadHiveFile, UnknownEscape)
{
    expectBadLineHandled(damaged("\"Sound File\"=\"C:\\Music\\alarm.mp3\""));
}

TEST(BadHiveFile, ValueOfUnknownType)
{
    expectBadLineHandled(damaged("\"Sound File\"=qword:0000000000000001"));
    // Not listed either; a later line of another value is read.
    writeHive(damaged("\"Sound File\"=str(2):\"x\""));
    EXPECT_EQ(store().GetAllOptions("Options"),
              (std::vector<std::array<QString, 2>>{{"Size", "1"}, {"Button Color", "255"}}));
}

TEST(BadHiveFile, BytesThatAreNotUtf8)
{
    expectBadLineHandled(damaged("\"Sound File\"=\"C:\\\\M\xfcsik\\\\alarm.mp3\""));
}

TEST(BadHiveFile, UnreadableKeyLineDoesNotLendItsValuesToTheKeyAbove)
{
    for (const QByteArray &keyLine :
         {QByteArray("[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Presets"),
          QByteArray("[HKEY_CURRENT_USER\\Software\\M\xfcller]"),
          QByteArray("[HKEY_CURRENT_USER\\Software\\\\Twice]"),
          QByteArray("[-HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Presets]")}) {
        const QByteArray original =
            optionsFile("\"Size\"=\"1\"\n\n" + keyLine + "\n\"Sound File\"=\"lost?\"\n");
        writeHive(original);
        const CRegSettings s = store();
        EXPECT_EQ(s.GetSetting("Options", "Sound File", "none"), "none") << keyLine.constData();
        EXPECT_EQ(s.GetSetting("Options", "Size"), "1");
        for (const QString &copy : backups())
            QFile::remove(folder() + '/' + copy);
        ASSERT_TRUE(s.SaveSetting("Options", "Size", "0"));
        ASSERT_EQ(backups().size(), 1) << keyLine.constData();
        EXPECT_EQ(fileBytes(folder() + '/' + backups().first()), original);
    }
}

TEST(BadHiveFile, WrongHeader)
{
    // Someone else's header: the lines that can be read are still read, and the header
    // line itself, which a rewrite drops, is kept in the copy.
    const QByteArray original = "Windows Registry Editor Version 5.00\n\n[" + QByteArray(AppKey) +
                                "\\Options]\n\"Size\"=\"1\"\n";
    writeHive(original);
    WarningCatcher catcher;
    const CRegSettings s = store();
    EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "1");
    EXPECT_EQ(catcher.warnings().size(), 1);
    ASSERT_TRUE(s.SaveSetting("Options", "Digit Color", "65535"));
    ASSERT_EQ(backups().size(), 1);
    EXPECT_EQ(fileBytes(folder() + '/' + backups().first()), original);
    EXPECT_TRUE(readHive().startsWith("REGEDIT4\n\n"));
    EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "1");

    // No header at all but nothing else wrong: nothing would be lost, so no copy is needed.
    for (const QString &copy : backups())
        QFile::remove(folder() + '/' + copy);
    writeHive("[" + QByteArray(AppKey) + "\\Options]\n\"Size\"=\"1\"\n");
    ASSERT_TRUE(s.SaveSetting("Options", "Digit Color", "65535"));
    EXPECT_TRUE(backups().isEmpty());
    EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "1");

    // Not a hive at all: every read gives the default.
    writeHive(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0");
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    EXPECT_EQ(backups().size(), 1);
}

TEST(BadHiveFile, EmptyFile)
{
    for (const QByteArray &empty : {QByteArray(), QByteArray("\n\n  \n")}) {
        writeHive(empty);
        WarningCatcher catcher;
        const CRegSettings s = store();
        EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0");
        EXPECT_TRUE(s.GetAllOptions("Options").empty());
        EXPECT_TRUE(s.SaveSetting("Options", "Size", "1"));
        EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "1");
        EXPECT_TRUE(catcher.warnings().isEmpty()) << "an empty file holds nothing to lose";
        EXPECT_TRUE(backups().isEmpty());
    }
}

TEST(BadHiveFile, FolderWhereTheFileShouldBe)
{
    QDir().mkpath(hivePath());
    QFile inside(hivePath() + "/keep.txt");
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.write("mine");
    inside.close();

    WarningCatcher catcher;
    const CRegSettings s = store();
    EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0");
    EXPECT_TRUE(s.GetAllOptions("Options").empty());
    EXPECT_EQ(catcher.warnings().size(), 1);
    EXPECT_FALSE(s.SaveSetting("Options", "Size", "1"));
    EXPECT_FALSE(s.DeleteSetting("Options"));
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\X", 0, "", 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_REGISTRY_IO_FAILED);

    EXPECT_TRUE(QFileInfo(hivePath()).isDir());
    EXPECT_EQ(fileBytes(hivePath() + "/keep.txt"), "mine");
    EXPECT_EQ(folderEntries(), QStringList{"hkcu.reg"}) << "no lock or copy is left behind";
}

TEST(BadHiveFile, ConfigPathThroughARegularFile)
{
    // Independent of the user's rights: a file stands where a folder must be.
    const QByteArray base = qgetenv("XDG_CONFIG_HOME");
    QFile blocker(QString::fromLocal8Bit(base) + "/plain-file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("not a folder");
    blocker.close();

    for (const QByteArray &config : {base + "/plain-file", base + "/plain-file/deeper"}) {
        qputenv("XDG_CONFIG_HOME", config);
        WarningCatcher catcher;
        const CRegSettings s = store();
        EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0");
        EXPECT_FALSE(s.SaveSetting("Options", "Size", "1")) << config.constData();
        EXPECT_FALSE(s.DeleteSetting("Options", "Size"));
        EXPECT_FALSE(catcher.warnings().isEmpty()) << "a failed save is reported";
    }
    EXPECT_EQ(fileBytes(blocker.fileName()), "not a folder");

    // The settings folder itself is a file.
    qputenv("XDG_CONFIG_HOME", base);
    QFile folderFile(QString::fromLocal8Bit(base) + "/ostrevan");
    ASSERT_TRUE(folderFile.open(QIODevice::WriteOnly));
    folderFile.write("x");
    folderFile.close();
    EXPECT_FALSE(store().SaveSetting("Options", "Size", "1"));
    EXPECT_EQ(fileBytes(folderFile.fileName()), "x");
}

TEST(BadHiveFile, SettingsFolderWithoutWritePermission)
{
    const QByteArray original = optionsFile("\"Size\"=\"1\"\n");
    writeHive(original);
    const QString base = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    ASSERT_TRUE(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner |
                                                    QFile::ReadGroup | QFile::ExeGroup |
                                                    QFile::ReadOther | QFile::ExeOther));
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });

    if (::geteuid() != 0) {
        const CRegSettings s = store();
        EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "1");
        EXPECT_FALSE(s.SaveSetting("Options", "Size", "0"));
        EXPECT_FALSE(s.SaveSetting("Options", "New", "x"));
        EXPECT_EQ(readHive(), original);
        EXPECT_EQ(folderEntries(), QStringList{"hkcu.reg"});
        return;
    }

    // Root writes anyway; let a second process that has given up root try instead.
    QFile::setPermissions(base, QFile::permissions(base) | QFile::ReadOther | QFile::ExeOther);
    const auto run = [](const QStringList &args, QByteArray *out) {
        QProcess writer;
        writer.setChildProcessModifier([] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(77);
        });
        writer.start(SETTINGS_WRITER, args);
        writer.waitForFinished(10000);
        if (out)
            *out = writer.readAllStandardOutput();
        return writer.exitCode();
    };
    QByteArray read;
    const int getCode = run({"get", "Options", "Size", "0"}, &read);
    if (getCode == 77)
        GTEST_SKIP() << "cannot give up root here; the failure is covered by "
                        "ConfigPathThroughARegularFile";
    EXPECT_EQ(getCode, 0);
    EXPECT_EQ(read, "1") << "reading needs no write permission";
    EXPECT_EQ(run({"save", "Options", "Size", "0"}, nullptr), 1) << "the save reports failure";
    EXPECT_EQ(readHive(), original);
    EXPECT_EQ(folderEntries(), QStringList{"hkcu.reg"});
}

TEST(BadHiveFile, OneWarningForManyBadLinesAndNoRepeats)
{
    writeHive(optionsFile("\"A\"=\"1\n\"B\"=\"\\q\"\n\"C\"=foo:1\nrubbish\n\"D\"=\"4\"\n"));
    WarningCatcher catcher;
    const CRegSettings s = store();
    EXPECT_EQ(s.GetSetting("Options", "D"), "4");
    ASSERT_EQ(catcher.warnings().size(), 1);
    EXPECT_TRUE(catcher.warnings().first().contains("4 unreadable line"))
        << catcher.warnings().first().toStdString();
    EXPECT_TRUE(catcher.warnings().first().contains("line 6")) << "the first bad line is named";
    // Every call reads the file; the same fault is not reported again and again.
    s.GetSetting("Options", "A");
    s.GetAllOptions("Options");
    EXPECT_EQ(catcher.warnings().size(), 1);
}

TEST(BadHiveFile, AnEarlierCopyIsNeverOverwritten)
{
    const QByteArray original = damaged("\"Sound File\"=\"broken");
    writeHive(original);
    // Copies named for every second around now already exist.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QStringList taken;
    for (int s = -2; s <= 5; ++s) {
        const QString name = "hkcu.reg.bad-" + now.addSecs(s).toString("yyyyMMdd'T'HHmmss'Z'");
        QFile copy(folder() + '/' + name);
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write("earlier copy");
        taken << name;
    }
    ASSERT_TRUE(store().SaveSetting("Options", "Size", "0"));
    const QStringList copies = backups();
    ASSERT_EQ(copies.size(), taken.size() + 1);
    for (const QString &name : taken)
        EXPECT_EQ(fileBytes(folder() + '/' + name), "earlier copy") << name.toStdString();
    for (const QString &name : copies) {
        if (!taken.contains(name)) {
            EXPECT_EQ(fileBytes(folder() + '/' + name), original);
            EXPECT_TRUE(name.endsWith("Z-2")) << name.toStdString();
        }
    }
}

TEST(BadHiveFile, DuplicateValueLaterLineWinsAndTheEarlierIsKept)
{
    const QByteArray original = optionsFile("\"Size\"=\"0\"\n\"Other\"=\"x\"\n\"Size\"=\"1\"\n");
    writeHive(original);
    const CRegSettings s = store();
    EXPECT_EQ(s.GetSetting("Options", "Size"), "1");
    EXPECT_EQ(s.GetAllOptions("Options"),
              (std::vector<std::array<QString, 2>>{{"Size", "1"}, {"Other", "x"}}));
    ASSERT_TRUE(s.SaveSetting("Options", "New", "n"));
    ASSERT_EQ(backups().size(), 1);
    EXPECT_EQ(fileBytes(folder() + '/' + backups().first()), original);
}
