// The text of the hive file: what a person reads, and what survives a rewrite.
#include "hivetesting.h"
#include "warningcatcher.h"

#include <QScopeGuard>
#include <QTemporaryDir>

using namespace hivetesting;

TEST(HiveFormat, WritesRegedit4TextWithEscapesAndKeysInCreationOrder)
{
    const CRegSettings s = store();
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset0", "Grüße 00:05:00"));
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    ASSERT_TRUE(s.SaveSetting("Options", "*", "unnamed"));
    ASSERT_TRUE(s.SaveSetting("Options", "Sound \"File\"", "C:\\Music\\\"Best\".mp3"));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset1", "x")); // the key does not move
    // A name has no other form than a quoted one: line ends and zeros are escaped in it.
    ASSERT_TRUE(s.SaveSetting("Options", QString("two\nlines\r") + QChar(0), "named"));
    EXPECT_EQ(readHive(), QByteArray("REGEDIT4\n\n"
                                     "[HKEY_CURRENT_USER\\Software]\n\n"
                                     "[HKEY_CURRENT_USER\\Software\\Quillanor]\n\n"
                                     "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan]\n\n"
                                     "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Presets]\n"
                                     "\"Preset0\"=\"Grüße 00:05:00\"\n"
                                     "\"Preset1\"=\"x\"\n\n"
                                     "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Options]\n"
                                     "\"Size\"=\"1\"\n"
                                     "@=\"unnamed\"\n"
                                     "\"Sound \\\"File\\\"\"=\"C:\\\\Music\\\\\\\"Best\\\".mp3\"\n"
                                     "\"two\\nlines\\r\\0\"=\"named\"\n"
                                     "\n"));
}

TEST(HiveFormat, ForeignValuesCommentsAndKeysSurviveARewriteByteForByte)
{
    const QByteArray options = "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Options]\n"
                               "\"Count\"=dword:0000002a\n"
                               "; why the colour is odd\n"
                               "\"Blob\"=hex:00,01,02,fe,\\\n"
                               "  ff\n"
                               "\"Path\"=hex(2):25,00,48,00,\\\n"
                               "    4f,00,00,00\n"
                               "\"Lines\"=hex(7):61,00,62,00,00\n"
                               "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\n"
                               "\"Empty\"=hex(1):\n"
                               "\"Upper\"=DWORD:0000FFFF\n"
                               "\"Half\"=hex(1):ed,a0,80,00\n"; // half a surrogate pair: no text
    const QByteArray presets = "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Presets]\n"
                               "\"Preset0\"=hex(1):ed,b0,80,00\n";
    const QByteArray elsewhere = "[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\n\"Other\"=\"root\"\n";
    writeHive("REGEDIT4\n\n; kept by hand\n\n" + options + '\n' + presets + '\n' + elsewhere);
    WarningCatcher catcher;
    const CRegSettings s = store();
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    // Texts written back as they were read, as start-up and the Presets window do.
    ASSERT_TRUE(s.SaveSetting("Options", "Half", s.GetSetting("Options", "Half")));
    Rows list = s.GetAllOptions("Presets");
    list.push_back({"Preset1", "00:00:05"});
    ASSERT_TRUE(s.ReplaceSection("Presets", list));
    EXPECT_TRUE(catcher.warnings().isEmpty()) << catcher.warnings().join('\n').toStdString();
    EXPECT_TRUE(backups().isEmpty());
    // The new values are added; everything else stays as it was, and the keys the file implies
    // (the parents of its key lines) get no lines of their own.
    EXPECT_EQ(readHive(), "REGEDIT4\n\n; kept by hand\n\n" + options + "\"Size\"=\"1\"\n\n" +
                              presets + "\"Preset1\"=\"00:00:05\"\n\n" + elsewhere + '\n');
}

TEST(HiveFormat, ReadsWindowsLineEndsAndAByteOrderMark)
{
    writeHive("\xEF\xBB\xBFREGEDIT4\r\n\r\n[" + QByteArray(AppKey) +
              "\\Options]\r\n\"Size\"=\"1\"\r\n\"Blob\"=hex:01,\\\r\n  02\r\n");
    WarningCatcher catcher;
    EXPECT_EQ(store().GetSetting("Options", "Size"), "1");
    EXPECT_EQ(valueData("Options", "Blob"), "\x01\x02");
    EXPECT_TRUE(catcher.warnings().isEmpty());
}

TEST(HiveFormat, ALinkedFileStaysALink)
{
    // Files kept elsewhere and linked into the settings folder, as dotfile managers do.
    const QString target = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/dot/hkcu.reg";
    writeFile(target, "REGEDIT4\n\n");
    QDir().mkpath(folder());
    ASSERT_TRUE(QFile::link(target, HiveFile::path()));
    ASSERT_TRUE(store().SaveSetting("Options", "Size", "1"));
    EXPECT_TRUE(QFileInfo(HiveFile::path()).isSymLink());
    EXPECT_TRUE(fileBytes(target).contains("\"Size\"=\"1\""));
}

TEST(HiveFormat, FileLiesBelowTheHomeFolderWithoutAnAbsoluteConfigFolder)
{
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME");
    const auto restore = qScopeGuard([&] { qputenv("HOME", savedHome); });
    qputenv("HOME", home.path().toLocal8Bit());
    for (const char *value : {"", "relative/config", static_cast<const char *>(nullptr)}) {
        value ? qputenv("XDG_CONFIG_HOME", value) : qunsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(HiveFile::path(), home.path() + "/.config/ostrevan/hkcu.reg");
    }
}
