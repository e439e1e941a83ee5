// The registry calls over the hive file: results, handles and what each call finds in the file.
#include "hivetesting.h"

#include <QScopeGuard>
#include <QTemporaryDir>

using namespace hivetesting;

TEST(Registry, KeysAreCreatedOpenedAndDeletedLevelByLevelWhateverTheirCase)
{
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, AppPath, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(QFileInfo::exists(hivePath())) << "an open must not create anything";
    const char *paths[] = {"Software\\Quillanor\\Ostrevan\\Presets\\Deep",
                           "SOFTWARE\\quillanor\\OSTREVAN\\presets\\DEEP"};
    for (const char *path : paths) {
        DWORD disposition = 0;
        ASSERT_EQ(create(path, &key, &disposition), ERROR_SUCCESS);
        EXPECT_EQ(disposition, path == paths[0] ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE) << "a handle closes once";
    EXPECT_TRUE(readHive().contains(QByteArray("[") + AppKey + "\\Presets\\Deep]\n"));
    EXPECT_FALSE(readHive().contains("DEEP")) << "a key keeps the case it was created with";
    const HKEY app = openKey("software\\QUILLANOR\\ostrevan");
    EXPECT_EQ(RegOpenKeyEx(app, "Presets", 0, KEY_READ, &key), ERROR_SUCCESS) << "relative path";
    EXPECT_EQ(RegDeleteKey(app, "Presets"), ERROR_ACCESS_DENIED) << "it has a subkey";
    EXPECT_EQ(RegDeleteKey(app, "presets\\DEEP"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(app, "Presets\\Deep"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(app, "Presets"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    EXPECT_NE(openKey(AppPath), 0u) << "a parent stays when its last subkey goes";
    EXPECT_FALSE(readHive().contains("Presets"));
}

TEST(Registry, ReportsSizesAndOrderAndAsksForLargerBuffers)
{
    const HKEY key = createKey(AppPath);
    for (const char *name : {"Zulu", "Alpha", "A much longer name", "Mike"})
        ASSERT_EQ(setText(key, name, name), ERROR_SUCCESS);
    const QByteArray longest = "Grüße, longer than any other";
    ASSERT_EQ(setText(key, "ALPHA", longest), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValue(key, "zulu"), ERROR_SUCCESS);
    ASSERT_EQ(setText(key, "Zulu", "abc"), ERROR_SUCCESS);
    // A replaced value keeps its place and name; a deleted and recreated one goes to the end.
    EXPECT_EQ(store().GetAllOptions(""), (Rows{{"Alpha", QString::fromUtf8(longest)},
                                               {"A much longer name", "A much longer name"},
                                               {"Mike", "Mike"},
                                               {"Zulu", "abc"}}));
    DWORD type = REG_NONE;
    EXPECT_EQ(query(key, "aLpHa", &type), longest + '\0') << "UTF-8 bytes plus the zero";
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(query(key, "Missing"), "<error 2>");
    BYTE small[3] = {0x55, 0x55, 0x55};
    DWORD length = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "Zulu", nullptr, nullptr, small, &length), ERROR_MORE_DATA);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(small[0], 0x55) << "nothing is copied into a buffer that is too small";

    char name[64];
    DWORD nameLength = sizeof name;
    length = sizeof small;
    EXPECT_EQ(RegEnumValue(key, 0, name, &nameLength, nullptr, nullptr, small, &length),
              ERROR_MORE_DATA);
    nameLength = sizeof name;
    EXPECT_EQ(RegEnumValue(key, 4, name, &nameLength, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
}

TEST(Registry, EveryCallReadsTheFileAfresh)
{
    const HKEY key = createKey("Software\\Quillanor\\Ostrevan\\Options");
    ASSERT_EQ(setText(key, "Size", "0"), ERROR_SUCCESS);
    const CRegSettings s = store();
    EXPECT_EQ(s.GetSetting("Options", "Size"), "0");
    // Another program changes the file while the handle is open ...
    writeHive(optionsFile("\"Size\"=\"1\"\n"));
    EXPECT_EQ(query(key, "Size"), QByteArray("1", 2));
    EXPECT_EQ(s.GetSetting("Options", "Size"), "1");
    // ... and then removes the key: a write through the handle must not bring it back.
    writeHive(QByteArray("REGEDIT4\n\n[") + AppKey + "]\n");
    EXPECT_EQ(query(key, "Size"), "<error 1018>");
    EXPECT_EQ(setText(key, "Size", "2"), ERROR_KEY_DELETED);
    EXPECT_FALSE(readHive().contains("Options"));
}

TEST(Registry, FileLiesBelowTheHomeFolderWithoutAnAbsoluteConfigFolder)
{
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME");
    const auto restore = qScopeGuard([&] { qputenv("HOME", savedHome); });
    qputenv("HOME", home.path().toLocal8Bit());
    for (const char *value : {"", "relative/config", static_cast<const char *>(nullptr)}) {
        value ? qputenv("XDG_CONFIG_HOME", value) : qunsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(hivePath(), home.path() + "/.config/ostrevan/hkcu.reg");
    }
    RegCloseKey(createKey(AppPath));
    EXPECT_EQ(folderEntries(), QStringList{"hkcu.reg"}) << "the folder is created, nothing else";
}

TEST(Registry, RefusesWhatTheFileCannotHold)
{
    HKEY key = 0;
    for (const char *path : {"Software\\\\Quillanor", "Software\\Quillanor\\", "\\Software"})
        EXPECT_EQ(create(path, &key), ERROR_BAD_PATHNAME) << path;
    EXPECT_EQ(create("Software\nX", &key), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(QFileInfo::exists(hivePath()));
    key = createKey(AppPath);
    // A value name with a line break fits, escaped; a key name has no escapes.
    EXPECT_EQ(setText(key, "two\nlines", "x"), ERROR_SUCCESS);
    EXPECT_EQ(query(key, "two\nlines"), QByteArray("x", 2));
    EXPECT_EQ(setText(key, "\xff\xfe", "x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(setText(12345, "Size", "1"), ERROR_INVALID_HANDLE);
}
