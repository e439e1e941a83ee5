#pragma once

#include "settings/cregsettings.h"
#include "settings/hivefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

// Helpers for the tests around the hive file of the current test's settings folder.
namespace hivetesting
{

using namespace settings;
using Rows = std::vector<std::array<QString, 2>>;

inline constexpr const char *AppKey = "HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan";

// The settings folder the library uses right now.
inline QString folder()
{
    return QFileInfo(HiveFile::path()).absolutePath();
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
    return fileBytes(HiveFile::path());
}

inline void writeHive(const QByteArray &bytes)
{
    writeFile(HiveFile::path(), bytes);
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

// The bytes of a value of the section as the file holds them, or "<none>".
inline QByteArray valueData(const QString &section, const QString &name)
{
    const Hive hive = HiveFile::read();
    const Hive::Key *key = hive.key(QString(AppKey) + u'\\' + section);
    const Hive::Entry *entry = key ? Hive::value(*key, name) : nullptr;
    return entry ? entry->data : "<none>";
}

// Counts the openings of a file in the settings folder, as the kernel reports them.
class OpenCounter
{
public:
    explicit OpenCounter(const QString &name = QStringLiteral("hkcu.reg")) : m_name(name.toUtf8())
    {
        QDir().mkpath(folder());
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        EXPECT_GE(::inotify_add_watch(m_fd, QFile::encodeName(folder()).constData(), IN_OPEN), 0);
    }
    ~OpenCounter() { ::close(m_fd); }
    // Openings since the last call.
    int take()
    {
        int opens = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                opens += event->len > 0 && m_name == event->name;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return opens;
    }

private:
    QByteArray m_name;
    int m_fd = -1;
};

} // namespace hivetesting
