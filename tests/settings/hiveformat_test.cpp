// The text of the hive file: what a person reads, and what survives a rewrite.
#include "hivetesting.h"
#include "settings/cregsettings.h"
#include "settings/registry.h"
#include "warningcatcher.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace settings;
using namespace hivetesting;

namespace
{

QByteArray queryBytes(const char *path, const char *name, DWORD *type)
{
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    DWORD length = 0;
    QByteArray data;
    if (RegQueryValueEx(key, name, nullptr, type, nullptr, &length) == ERROR_SUCCESS) {
        data.resize(length);
        RegQueryValueEx(key, name, nullptr, type, reinterpret_cast<BYTE *>(data.data()), &length);
    } else {
        data = "<no value>";
    }
    RegCloseKey(key);
    return data;
}

} // namespace

TEST(HiveFormat, WritesRegedit4TextWithEscapes)
{
    const CRegSettings s = store();
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    ASSERT_TRUE(s.SaveSetting("Options", "*", "unnamed"));
    ASSERT_TRUE(s.SaveSetting("Options", "Sound \"File\"", "C:\\Music\\\"Best\".mp3"));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset0", "Grüße 00:05:00"));

    EXPECT_EQ(readHive(), QByteArray("REGEDIT4\n"
                                     "\n"
                                     "[HKEY_CURRENT_USER\\Software]\n"
                                     "\n"
                                     "[HKEY_CURRENT_USER\\Software\\Quillanor]\n"
                                     "\n"
                                     "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan]\n"
                                     "\n"
                                     "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Options]\n"
                                     "\"Size\"=\"1\"\n"
                                     "@=\"unnamed\"\n"
                                     "\"Sound \\\"File\\\"\"=\"C:\\\\Music\\\\\\\"Best\\\".mp3\"\n"
                                     "\n"
                                     "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Presets]\n"
                                     "\"Preset0\"=\"Grüße 00:05:00\"\n"
                                     "\n"));
}

TEST(HiveFormat, ForeignValuesCommentsAndKeysSurviveARewriteByteForByte)
{
    const QByteArray foreign = "; kept by hand\n"
                               "\n"
                               "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Options]\n"
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
                               "\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\n"
                               "\"Other\"=\"root\"\n";
    writeHive("REGEDIT4\n\n" + foreign);
    WarningCatcher catcher;

    ASSERT_TRUE(store().SaveSetting("Options", "Size", "1"));
    const QByteArray after = readHive();
    EXPECT_TRUE(catcher.warnings().isEmpty()) << catcher.warnings().join('\n').toStdString();
    EXPECT_TRUE(backups().isEmpty());
    // The parents of a listed key get lines of their own; everything else stays as it was.
    const QByteArray expected = "REGEDIT4\n\n"
                                "; kept by hand\n\n"
                                "[HKEY_CURRENT_USER\\Software]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Quillanor]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Options]\n"
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
                                "\"Size\"=\"1\"\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software]\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\n"
                                "\"Other\"=\"root\"\n\n";
    EXPECT_EQ(after, expected);

    const char *options = "Software\\Quillanor\\Ostrevan\\Options";
    DWORD type = 0;
    EXPECT_EQ(queryBytes(options, "Count", &type), QByteArray("\x2a\0\0\0", 4));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(queryBytes(options, "Blob", &type), QByteArray("\x00\x01\x02\xfe\xff", 5));
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(queryBytes(options, "Path", &type), QByteArray("%\0H\0O\0\0\0", 8));
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(queryBytes(options, "Quad", &type).size(), 8);
    EXPECT_EQ(type, REG_QWORD);
    EXPECT_EQ(queryBytes(options, "Empty", &type), QByteArray());
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(queryBytes(options, "Upper", &type), QByteArray("\xff\xff\0\0", 4));
}

TEST(HiveFormat, ValuesThatAreNotOneLineOfTextAreWrittenAsExactBytes)
{
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Test", 0, "", 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_SUCCESS);
    QByteArray blob;
    for (int i = 0; i < 100; ++i)
        blob.append(char(i * 7));
    const quint32 number = 0x12345678;
    const struct {
        const char *name;
        DWORD type;
        QByteArray data;
    } values[] = {
        {"Blob", REG_BINARY, blob},
        {"Number", REG_DWORD, QByteArray(reinterpret_cast<const char *>(&number), 4)},
        {"Two lines", REG_SZ, QByteArray("one\ntwo\0", 8)},
        {"No terminator", REG_SZ, QByteArray("abc")},
        {"Not UTF-8", REG_SZ, QByteArray("M\xfcller\0", 7)},
        {"Short dword", REG_DWORD, QByteArray("\x01\x02", 2)},
        {"Nothing", REG_NONE, QByteArray()},
    };
    for (const auto &v : values) {
        ASSERT_EQ(RegSetValueEx(key, v.name, 0, v.type,
                                reinterpret_cast<const BYTE *>(v.data.constData()),
                                DWORD(v.data.size())),
                  ERROR_SUCCESS)
            << v.name;
    }
    RegCloseKey(key);

    const QByteArray file = readHive();
    EXPECT_TRUE(file.contains("\"Number\"=dword:12345678\n"));
    EXPECT_TRUE(file.contains("\"Two lines\"=hex(1):6f,6e,65,0a,74,77,6f,00\n"));
    for (const QByteArray &line : file.split('\n'))
        EXPECT_LE(line.size(), 80) << "long byte lists are wrapped: " << line.constData();
    WarningCatcher catcher;
    for (const auto &v : values) {
        DWORD type = 99;
        EXPECT_EQ(queryBytes("Software\\Test", v.name, &type), v.data) << v.name;
        EXPECT_EQ(type, v.type) << v.name;
    }
    EXPECT_TRUE(catcher.warnings().isEmpty());
}

TEST(HiveFormat, KeysKeepTheirOrder)
{
    const CRegSettings s = store();
    for (const char *section : {"Zeta", "Alpha", "Mid"})
        ASSERT_TRUE(s.SaveSetting(section, "x", section));
    ASSERT_TRUE(s.SaveSetting("Alpha", "y", "again"));
    const QByteArray file = readHive();
    const qsizetype zeta = file.indexOf("Ostrevan\\Zeta]");
    const qsizetype alpha = file.indexOf("Ostrevan\\Alpha]");
    const qsizetype mid = file.indexOf("Ostrevan\\Mid]");
    EXPECT_TRUE(zeta > 0 && zeta < alpha && alpha < mid) << file.constData();
}

TEST(HiveFormat, ReadsWindowsLineEndsAndAByteOrderMark)
{
    writeHive("\xEF\xBB\xBFREGEDIT4\r\n\r\n[" + QByteArray(AppKey) +
              "\\Options]\r\n\"Size\"=\"1\"\r\n\"Blob\"=hex:01,\\\r\n  02\r\n");
    WarningCatcher catcher;
    const CRegSettings s = store();
    EXPECT_EQ(s.GetSetting("Options", "Size"), "1");
    DWORD type = 0;
    EXPECT_EQ(queryBytes("Software\\Quillanor\\Ostrevan\\Options", "Blob", &type),
              QByteArray("\x01\x02"));
    EXPECT_TRUE(catcher.warnings().isEmpty());
}

TEST(HiveFormat, CreatesTheSettingsFolderWhenMissing)
{
    qputenv("XDG_CONFIG_HOME", qgetenv("XDG_CONFIG_HOME") + "/not/there/yet");
    ASSERT_FALSE(QDir(folder()).exists());
    EXPECT_TRUE(store().SaveSetting("Options", "Size", "1"));
    EXPECT_EQ(store().GetSetting("Options", "Size"), "1");
    EXPECT_EQ(folderEntries(), QStringList{"hkcu.reg"}) << "no lock or temporary file is left";
}

TEST(HiveFormat, ALinkedFileStaysALink)
{
    // Files kept elsewhere and linked into the settings folder, as dotfile managers do.
    const QString elsewhere = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/dotfiles";
    QDir().mkpath(elsewhere);
    QDir().mkpath(folder());
    QFile target(elsewhere + "/hkcu.reg");
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    target.write("REGEDIT4\n\n");
    target.close();
    ASSERT_TRUE(QFile::link(target.fileName(), hivePath()));

    ASSERT_TRUE(store().SaveSetting("Options", "Size", "1"));
    EXPECT_TRUE(QFileInfo(hivePath()).isSymLink());
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_TRUE(target.readAll().contains("\"Size\"=\"1\""));
}
