#pragma once

#include "settings/cregsettings.h"
#include "settings/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

// Helpers for the tests around the hive file of the current test's settings folder.
namespace hivetesting
{

using namespace settings;
using Rows = std::vector<std::array<QString, 2>>;

inline constexpr const char *AppPath = "Software\\Quillanor\\Ostrevan";
inline constexpr const char *AppKey = "HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan";

// The settings folder the library uses right now.
inline QString folder()
{
    return QFileInfo(hivePath()).absolutePath();
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Writes a file as given, creating its folder.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray readHive()
{
    return fileBytes(hivePath());
}

inline void writeHive(const QByteArray &bytes)
{
    writeFile(hivePath(), bytes);
}

// The text of a file that holds the given lines below the "Options" section.
inline QByteArray optionsFile(const QByteArray &lines)
{
    return QByteArray("REGEDIT4\n\n[") + AppKey + "]\n\n[" + AppKey + "\\Options]\n" + lines;
}

// Names in the settings folder, sorted; backups are those starting with "hkcu.reg.bad-".
inline QStringList folderEntries()
{
    return QDir(folder()).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline QStringList backups()
{
    return folderEntries().filter(QRegularExpression(QStringLiteral("^hkcu\\.reg\\.bad-")));
}

// The program's store: Company "Quillanor", AppName "Ostrevan".
inline CRegSettings store()
{
    CRegSettings s;
    s.setCompany("Quillanor");
    s.setAppName("Ostrevan");
    return s;
}

// A key below HKEY_CURRENT_USER, or 0 when it cannot be opened.
inline HKEY openKey(const char *path, REGSAM access = KEY_ALL_ACCESS)
{
    HKEY key = 0;
    return RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, access, &key) == ERROR_SUCCESS ? key : 0;
}

inline LONG create(const char *path, HKEY *key, DWORD *disposition = nullptr)
{
    return RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, "", 0, KEY_ALL_ACCESS, nullptr, key,
                          disposition);
}

inline HKEY createKey(const char *path)
{
    HKEY key = 0;
    EXPECT_EQ(create(path, &key), ERROR_SUCCESS) << path;
    return key;
}

inline LONG setText(HKEY key, const char *name, const QByteArray &text)
{
    const QByteArray data = text + '\0';
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.constData()),
                         DWORD(data.size()));
}

// The bytes of a value, or "<error N>" when the query fails.
inline QByteArray query(HKEY key, const char *name, DWORD *type = nullptr)
{
    DWORD length = 0;
    LONG result = RegQueryValueEx(key, name, nullptr, type, nullptr, &length);
    QByteArray data(length, '\0');
    if (result == ERROR_SUCCESS)
        result = RegQueryValueEx(key, name, nullptr, type, reinterpret_cast<BYTE *>(data.data()),
                                 &length);
    return result == ERROR_SUCCESS ? data : "<error " + QByteArray::number(result) + '>';
}

} // namespace hivetesting
