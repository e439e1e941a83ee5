#include "hivetesting.h"

#include "settings/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace hivetesting
{

settings::CRegSettings store()
{
    settings::CRegSettings s;
    s.setCompany("Quillanor");
    s.setAppName("Ostrevan");
    return s;
}

QString folder()
{
    return QFileInfo(settings::hivePath()).absolutePath();
}

QByteArray readHive()
{
    QFile file(settings::hivePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeHive(const QByteArray &bytes)
{
    QDir().mkpath(folder());
    QFile file(settings::hivePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList folderEntries()
{
    return QDir(folder()).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList backups()
{
    return folderEntries().filter(QRegularExpression(QStringLiteral("^hkcu\\.reg\\.bad-")));
}

QByteArray optionsFile(const QByteArray &lines)
{
    return QByteArray("REGEDIT4\n\n[") + AppKey + "]\n\n[" + AppKey + "\\Options]\n" + lines;
}

} // namespace hivetesting
