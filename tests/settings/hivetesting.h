#pragma once

#include "settings/cregsettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Helpers for the tests around the hive file of the current test's settings folder.
namespace hivetesting
{

// The settings folder the library uses right now.
QString folder();

QByteArray readHive();
// Writes the hive file as given, creating its folder.
void writeHive(const QByteArray &bytes);

// Names in the settings folder, sorted; backups are those starting with "hkcu.reg.bad-".
QStringList folderEntries();
QStringList backups();

// The program's store: Company "Quillanor", AppName "Ostrevan".
settings::CRegSettings store();

// Its application key.
inline constexpr const char *AppKey = "HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan";

// The text of a file that holds the given lines below the "Options" section.
QByteArray optionsFile(const QByteArray &lines);

} // namespace hivetesting
