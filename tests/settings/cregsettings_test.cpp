// The settings store: names, the key layout, and the cases the windows rely on.
#include "hivetesting.h"
#include "settings/cregsettings.h"
#include "settings/registry.h"

#include <gtest/gtest.h>

using namespace settings;
using namespace hivetesting;

using Rows = std::vector<std::array<QString, 2>>;

namespace
{

bool keyExists(const char *path)
{
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace

TEST(CRegSettings, NamesAreTrimmedAndEmptyNamesFallBack)
{
    CRegSettings s;
    EXPECT_EQ(s.Company(), "Unknown Company");
    EXPECT_EQ(s.AppName(), "Ostrevan");

    s.setCompany("  Quillanor  ");
    s.setAppName(" Timer ");
    EXPECT_EQ(s.Company(), "Quillanor");
    EXPECT_EQ(s.AppName(), "Timer");
    s.setCompany("");
    s.setAppName("");
    EXPECT_EQ(s.Company(), "Unknown Company");
    EXPECT_EQ(s.AppName(), "Ostrevan");
    // Spaces only would leave an empty key name in the path, which no key can have.
    s.setCompany("   ");
    s.setAppName("   ");
    EXPECT_EQ(s.Company(), "Unknown Company");
    EXPECT_EQ(s.AppName(), "Ostrevan");
    EXPECT_TRUE(s.SaveSetting("Options", "Size", "1"));
    EXPECT_TRUE(keyExists("Software\\Unknown Company\\Ostrevan\\Options"));
}

TEST(CRegSettings, SectionsLieBelowCompanyAndApplication)
{
    const CRegSettings s = store();
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    EXPECT_TRUE(keyExists("Software\\Quillanor\\Ostrevan\\Options"));

    // An empty section is the application key itself.
    ASSERT_TRUE(s.SaveSetting("", "Top", "level"));
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Quillanor\\Ostrevan", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD length = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Top", nullptr, nullptr, nullptr, &length), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(s.GetSetting("", "Top"), "level");
    EXPECT_EQ(s.GetAllOptions(""), (Rows{{"Top", "level"}}));

    // Another application of the same company sees none of it.
    CRegSettings other = store();
    other.setAppName("Other");
    EXPECT_EQ(other.GetSetting("Options", "Size", "none"), "none");
}

TEST(CRegSettings, EmptyTextIsAValueAndAMissingValueGivesTheDefault)
{
    const CRegSettings s = store();
    EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0") << "no key at all";
    ASSERT_TRUE(s.SaveSetting("Options", "Sound File", ""));
    EXPECT_EQ(s.GetSetting("Options", "Sound File", "default"), "");

    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Quillanor\\Ostrevan\\Options", 0, KEY_READ,
                           &key),
              ERROR_SUCCESS);
    DWORD length = 0;
    ASSERT_EQ(RegQueryValueEx(key, "Sound File", nullptr, nullptr, nullptr, &length),
              ERROR_SUCCESS);
    EXPECT_EQ(length, 1u) << "the empty text is stored as its terminating zero";
    RegCloseKey(key);

    EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0") << "key exists, value does not";
    EXPECT_EQ(s.GetSetting("Options", "Size"), "");
}

TEST(CRegSettings, DeletesOneValueOrAWholeSection)
{
    const CRegSettings s = store();
    EXPECT_FALSE(s.DeleteSetting("Presets")) << "nothing to delete";
    EXPECT_FALSE(s.DeleteSetting("Presets", "Preset0"));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(s.SaveSetting("Presets", QStringLiteral("Preset%1").arg(i), "00:01:00"));
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));

    EXPECT_TRUE(s.DeleteSetting("Presets", "Preset1"));
    EXPECT_FALSE(s.DeleteSetting("Presets", "Preset1"));
    EXPECT_EQ(s.GetAllOptions("Presets").size(), 2u);

    EXPECT_TRUE(s.DeleteSetting("Presets"));
    EXPECT_FALSE(keyExists("Software\\Quillanor\\Ostrevan\\Presets"));
    EXPECT_TRUE(s.GetAllOptions("Presets").empty());
    EXPECT_FALSE(s.DeleteSetting("Presets"));
    EXPECT_EQ(s.GetSetting("Options", "Size"), "1") << "other sections stay";
}

TEST(CRegSettings, StarIsTheUnnamedValue)
{
    const CRegSettings s = store();
    ASSERT_TRUE(s.SaveSetting("Messages", "*", "unnamed"));
    ASSERT_TRUE(s.SaveSetting("Messages", "MP3 Message", "no"));
    EXPECT_EQ(s.GetSetting("Messages", "*"), "unnamed");
    EXPECT_TRUE(readHive().contains("\n@=\"unnamed\"\n"));
    EXPECT_EQ(s.GetAllOptions("Messages"), (Rows{{"", "unnamed"}, {"MP3 Message", "no"}}));

    EXPECT_TRUE(s.DeleteSetting("Messages", "*"));
    EXPECT_EQ(s.GetSetting("Messages", "*", "gone"), "gone");
    EXPECT_EQ(s.GetSetting("Messages", "MP3 Message"), "no");
}

TEST(CRegSettings, ListsTextValuesInCreationOrder)
{
    const CRegSettings s = store();
    const QStringList times{"00:10:00", "01:00:00", "00:00:30", "00:05:00", "99:59:59", "00:03:00",
                            "00:01:00", "12:00:00", "00:45:00", "00:02:30", "00:00:05", "02:00:00"};
    for (int i = 0; i < times.size(); ++i)
        ASSERT_TRUE(s.SaveSetting("Presets", "Preset" + QString::number(i), times.at(i)));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset3", "00:06:00")); // keeps its place

    const Rows rows = s.GetAllOptions("Presets");
    ASSERT_EQ(rows.size(), size_t(times.size()));
    for (int i = 0; i < times.size(); ++i) {
        EXPECT_EQ(rows.at(i)[0], "Preset" + QString::number(i));
        EXPECT_EQ(rows.at(i)[1], i == 3 ? "00:06:00" : times.at(i));
    }

    // The Presets window's Done: delete the section, write the list anew in its new order.
    ASSERT_TRUE(s.DeleteSetting("Presets"));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset0", "00:00:05"));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset1", "00:10:00"));
    EXPECT_EQ(s.GetAllOptions("Presets"), (Rows{{"Preset0", "00:00:05"}, {"Preset1", "00:10:00"}}));
}

TEST(CRegSettings, OnlyTextValuesAreRead)
{
    writeHive(optionsFile("\"Count\"=dword:00000031\n"
                          "\"Blob\"=hex:31,32,00\n"
                          "\"Expand\"=hex(2):31,00\n") +
              "\n[" + AppKey +
              "\\Mixed]\n\"Number\"=dword:00000001\n\"Text\"=\"t\"\n"
              "\"Zero bytes\"=hex(1):\n\"Last\"=\"l\"\n");
    const CRegSettings s = store();
    // A section of numbers and bytes only lists as empty, exactly like a missing section.
    EXPECT_TRUE(s.GetAllOptions("Options").empty());
    EXPECT_EQ(s.GetAllOptions("Mixed"), (Rows{{"Text", "t"}, {"Zero bytes", ""}, {"Last", "l"}}));
    // Read as text, a number's bytes would be garbage ("1\0\0"): the reader's default is used.
    EXPECT_EQ(s.GetSetting("Options", "Count", "5"), "5");
    EXPECT_EQ(s.GetSetting("Options", "Blob", "5"), "5");
    EXPECT_EQ(s.GetSetting("Options", "Expand", "5"), "5");
    // A text value of no bytes at all has no text: the default, too.
    EXPECT_EQ(s.GetSetting("Mixed", "Zero bytes", "d"), "d");
}

TEST(CRegSettings, TextRoundTripsExactly)
{
    const CRegSettings s = store();
    const QStringList texts{
        "",
        "plain",
        "C:\\Music\\alarm.mp3",
        "ends with a backslash\\",
        "\\\\server\\share\\",
        "\"quoted\" and \\\"escaped\\\"",
        "\"",
        "Grüße, 東京, ☎ and 😀",
        "  spaces around  ",
        "tab\there",
        "two\nlines",
        "carriage\rreturn",
        "= [brackets] ; @ \"",
        QString("with a zero") + QChar(0) + "inside",
        QString(5000, 'x'),
    };
    for (int i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(s.SaveSetting("Round", "Value" + QString::number(i), texts.at(i))) << i;
    // Odd value names too.
    ASSERT_TRUE(s.SaveSetting("Round", "Name \"with\" \\ and ü", "named"));

    const Rows rows = s.GetAllOptions("Round");
    ASSERT_EQ(rows.size(), size_t(texts.size() + 1));
    for (int i = 0; i < texts.size(); ++i) {
        const QString key = "Value" + QString::number(i);
        EXPECT_EQ(s.GetSetting("Round", key, "default"), texts.at(i)) << key.toStdString();
        EXPECT_EQ(rows.at(i)[0], key);
        EXPECT_EQ(rows.at(i)[1], texts.at(i)) << key.toStdString();
    }
    EXPECT_EQ(s.GetSetting("Round", "Name \"with\" \\ and ü"), "named");
    EXPECT_EQ(rows.back()[0], "Name \"with\" \\ and ü");
}

TEST(CRegSettings, InstancesSeeEachOthersWritesAndOutsideEdits)
{
    const CRegSettings first = store();
    const CRegSettings second = store();
    ASSERT_TRUE(first.SaveSetting("Options", "Digit Color", "65535"));
    EXPECT_EQ(second.GetSetting("Options", "Digit Color"), "65535");
    ASSERT_TRUE(second.SaveSetting("Options", "Digit Color", "255"));
    EXPECT_EQ(first.GetSetting("Options", "Digit Color"), "255");

    writeHive(optionsFile("\"Digit Color\"=\"16744576\"\n"));
    EXPECT_EQ(first.GetSetting("Options", "Digit Color"), "16744576");
}
