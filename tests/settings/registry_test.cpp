// The registry calls over the hive file: results, handles and what each call finds in the file.
#include "hivetesting.h"
#include "settings/registry.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace settings;
using namespace hivetesting;

namespace
{

const char *const AppPath = "Software\\Quillanor\\Ostrevan";

HKEY create(const char *path)
{
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, "", REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
}

LONG setText(HKEY key, const char *name, const QByteArray &text)
{
    QByteArray data = text;
    data.append('\0');
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.constData()),
                         DWORD(data.size()));
}

QStringList valueNames(HKEY key)
{
    QStringList names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumValue(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names << QString::fromUtf8(name, length);
    }
    return names;
}

} // namespace

TEST(Registry, CreatesEveryMissingLevelAndOpensOnlyExistingKeys)
{
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, AppPath, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(QFileInfo::exists(hivePath())) << "an open must not create anything";

    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, AppPath, 0, "", REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Quillanor", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    // A subkey path relative to an open handle.
    HKEY app = 0;
    EXPECT_EQ(RegOpenKeyEx(key, "Ostrevan", 0, KEY_READ, &app), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(app), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, AppPath, 0, "", REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE) << "a handle closes once";
}

TEST(Registry, FindsKeysAndValuesWhateverTheirCaseAndKeepsTheFirstCase)
{
    RegCloseKey(create(AppPath));
    HKEY key = create("SOFTWARE\\quillanor\\OSTREVAN\\Options");
    EXPECT_EQ(setText(key, "Size", "0"), ERROR_SUCCESS);
    EXPECT_EQ(setText(key, "SIZE", "1"), ERROR_SUCCESS);
    RegCloseKey(key);

    HKEY found = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software\\QUILLANOR\\ostrevan\\OPTIONS", 0, KEY_READ,
                           &found),
              ERROR_SUCCESS);
    char text[8];
    DWORD length = sizeof text;
    ASSERT_EQ(
        RegQueryValueEx(found, "sIzE", nullptr, nullptr, reinterpret_cast<BYTE *>(text), &length),
        ERROR_SUCCESS);
    EXPECT_STREQ(text, "1");
    EXPECT_EQ(valueNames(found), QStringList{"Size"});
    RegCloseKey(found);

    const QByteArray file = readHive();
    EXPECT_TRUE(file.contains("[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Options]\n"))
        << file.constData();
    EXPECT_FALSE(file.contains("OSTREVAN"));
}

TEST(Registry, ReportsTextLengthWithTerminatorAndAsksForALargerBuffer)
{
    HKEY key = create(AppPath);
    ASSERT_EQ(setText(key, "Ascii", "abc"), ERROR_SUCCESS);
    ASSERT_EQ(setText(key, "Wide", "Grüße"), ERROR_SUCCESS);

    DWORD type = REG_NONE;
    DWORD length = 0;
    ASSERT_EQ(RegQueryValueEx(key, "Ascii", nullptr, &type, nullptr, &length), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(length, 4u) << "characters plus the terminating zero";
    ASSERT_EQ(RegQueryValueEx(key, "Wide", nullptr, nullptr, nullptr, &length), ERROR_SUCCESS);
    EXPECT_EQ(length, DWORD(QByteArray("Grüße").size() + 1)) << "UTF-8 bytes plus the zero";

    BYTE small[2] = {0x55, 0x55};
    length = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "Ascii", nullptr, nullptr, small, &length), ERROR_MORE_DATA);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(small[0], 0x55) << "nothing is copied into a buffer that is too small";

    BYTE exact[4];
    length = sizeof exact;
    ASSERT_EQ(RegQueryValueEx(key, "Ascii", nullptr, nullptr, exact, &length), ERROR_SUCCESS);
    EXPECT_EQ(QByteArray(reinterpret_cast<char *>(exact), 4), QByteArray("abc", 4));

    EXPECT_EQ(RegQueryValueEx(key, "Missing", nullptr, nullptr, nullptr, &length),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST(Registry, EnumeratesValuesInCreationOrderAndReportsTheLongest)
{
    HKEY key = create(AppPath);
    for (const char *name : {"Zulu", "Alpha", "A much longer name", "Mike"})
        ASSERT_EQ(setText(key, name, name), ERROR_SUCCESS);
    ASSERT_EQ(setText(key, "Alpha", "replaced with a longer text than any other"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValue(key, "Zulu"), ERROR_SUCCESS);
    ASSERT_EQ(setText(key, "Zulu", "again"), ERROR_SUCCESS);

    // A replaced value keeps its place; a deleted and recreated one goes to the end.
    EXPECT_EQ(valueNames(key), (QStringList{"Alpha", "A much longer name", "Mike", "Zulu"}));

    DWORD values = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    DWORD subkeys = 7;
    ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                              &longestName, &longestData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 4u);
    EXPECT_EQ(subkeys, 0u);
    EXPECT_EQ(longestName, DWORD(strlen("A much longer name")));
    EXPECT_EQ(longestData, DWORD(strlen("replaced with a longer text than any other") + 1));

    char name[64];
    DWORD nameLength = DWORD(strlen("A much longer name")); // no room for the terminator
    EXPECT_EQ(RegEnumValue(key, 1, name, &nameLength, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    nameLength = sizeof name;
    BYTE data[4];
    DWORD dataLength = sizeof data;
    EXPECT_EQ(RegEnumValue(key, 0, name, &nameLength, nullptr, nullptr, data, &dataLength),
              ERROR_MORE_DATA);
    nameLength = sizeof name;
    EXPECT_EQ(RegEnumValue(key, 4, name, &nameLength, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST(Registry, DeletesOnlyKeysWithoutSubkeys)
{
    RegCloseKey(create("Software\\Quillanor\\Ostrevan\\Presets\\Deeper"));
    HKEY app = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, AppPath, 0, KEY_ALL_ACCESS, &app), ERROR_SUCCESS);
    DWORD subkeys = 0;
    ASSERT_EQ(RegQueryInfoKey(app, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 1u);

    EXPECT_EQ(RegDeleteKey(app, "Presets"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(app, "presets\\DEEPER"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(app, "Presets\\Deeper"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(app, "Presets"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    RegCloseKey(app);

    // The application key stays although its last subkey is gone.
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, AppPath, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_FALSE(readHive().contains("Presets"));
}

TEST(Registry, UnnamedValueIsTheEmptyNameAndIsWrittenWithAt)
{
    HKEY key = create(AppPath);
    ASSERT_EQ(setText(key, "", "default text"), ERROR_SUCCESS);
    DWORD length = 0;
    EXPECT_EQ(RegQueryValueEx(key, nullptr, nullptr, nullptr, nullptr, &length), ERROR_SUCCESS);
    EXPECT_EQ(length, DWORD(strlen("default text") + 1));
    EXPECT_TRUE(readHive().contains("\n@=\"default text\"\n"));
    EXPECT_EQ(RegDeleteValue(key, ""), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key, ""), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST(Registry, AccessRightsOfAHandleAreEnforced)
{
    RegCloseKey(create(AppPath));
    HKEY reader = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, AppPath, 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(setText(reader, "Size", "1"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(reader, "Size"), ERROR_ACCESS_DENIED);
    RegCloseKey(reader);

    HKEY writer = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, AppPath, 0, KEY_WRITE, &writer), ERROR_SUCCESS);
    EXPECT_EQ(setText(writer, "Size", "1"), ERROR_SUCCESS);
    DWORD length = 0;
    EXPECT_EQ(RegQueryValueEx(writer, "Size", nullptr, nullptr, nullptr, &length),
              ERROR_ACCESS_DENIED);
    RegCloseKey(writer);
}

TEST(Registry, EveryCallReadsTheFileAfresh)
{
    HKEY key = create("Software\\Quillanor\\Ostrevan\\Options");
    ASSERT_EQ(setText(key, "Size", "0"), ERROR_SUCCESS);

    // Another program changes the file while the handle is open.
    writeHive(optionsFile("\"Size\"=\"1\"\n"));
    char text[8];
    DWORD length = sizeof text;
    ASSERT_EQ(
        RegQueryValueEx(key, "Size", nullptr, nullptr, reinterpret_cast<BYTE *>(text), &length),
        ERROR_SUCCESS);
    EXPECT_STREQ(text, "1");

    // ... and then removes the key: the handle names a key that is gone, and a write through
    // it must not bring the key back.
    writeHive(QByteArray("REGEDIT4\n\n[") + AppKey + "]\n");
    EXPECT_EQ(RegQueryValueEx(key, "Size", nullptr, nullptr, nullptr, &length), ERROR_KEY_DELETED);
    EXPECT_EQ(setText(key, "Size", "2"), ERROR_KEY_DELETED);
    EXPECT_FALSE(readHive().contains("Options"));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST(Registry, FollowsTheConfigFolderAtEveryCall)
{
    QTemporaryDir other;
    QTemporaryDir home;
    const QByteArray first = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");

    RegCloseKey(create(AppPath));
    EXPECT_EQ(hivePath(), QString::fromLocal8Bit(first) + "/ostrevan/hkcu.reg");

    qputenv("XDG_CONFIG_HOME", other.path().toLocal8Bit());
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, AppPath, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);

    // Unset, empty or relative: the folder below the home folder.
    qputenv("HOME", home.path().toLocal8Bit());
    for (const QByteArray &value : {QByteArray(), QByteArray("relative/config")}) {
        qputenv("XDG_CONFIG_HOME", value);
        EXPECT_EQ(hivePath(), home.path() + "/.config/ostrevan/hkcu.reg");
    }
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(hivePath(), home.path() + "/.config/ostrevan/hkcu.reg");
    RegCloseKey(create(AppPath));
    EXPECT_TRUE(QFileInfo::exists(home.path() + "/.config/ostrevan/hkcu.reg"));

    qputenv("HOME", savedHome);
    qputenv("XDG_CONFIG_HOME", first);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, AppPath, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(Registry, RefusesPathsAndNamesTheFileCannotHold)
{
    HKEY key = 0;
    for (const char *path : {"Software\\\\Quillanor", "Software\\Quillanor\\", "\\Software"}) {
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, "", REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_BAD_PATHNAME)
            << path;
    }
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\nX", 0, "", REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(QFileInfo::exists(hivePath()));

    key = create(AppPath);
    EXPECT_EQ(setText(key, "two\nlines", "x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(setText(key, "\xff\xfe", "x"), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
    EXPECT_EQ(setText(12345, "Size", "1"), ERROR_INVALID_HANDLE);
}
