// The settings store: names, the key layout, and the cases the windows rely on.
#include "hivetesting.h"

using namespace hivetesting;

TEST(CRegSettings, SectionsLieBelowCompanyAndApplicationAndEmptyIsThatKey)
{
    CRegSettings s;
    // Spaces only would leave an empty key name in the path, which no key can have.
    s.setCompany("   ");
    s.setAppName("");
    EXPECT_EQ(s.Company() + '|' + s.AppName(), "Unknown Company|Ostrevan");
    s.setCompany("  Quillanor  ");
    s.setAppName(" Timer ");
    EXPECT_EQ(s.Company() + '|' + s.AppName(), "Quillanor|Timer");
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    EXPECT_NE(openKey("Software\\Quillanor\\Timer\\Options"), 0u);
    ASSERT_TRUE(s.SaveSetting("", "Top", "level"));
    EXPECT_EQ(query(openKey("Software\\Quillanor\\Timer"), "Top"), QByteArray("level", 6));
    EXPECT_EQ(s.GetSetting("", "Top"), "level");
    EXPECT_EQ(s.GetAllOptions(""), (Rows{{"Top", "level"}}));
    EXPECT_EQ(store().GetSetting("Options", "Size", "none"), "none") << "another application";
}

TEST(CRegSettings, EmptyTextIsAValueAMissingValueGivesTheDefaultAndStarIsUnnamed)
{
    const CRegSettings s = store();
    EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0") << "no key at all";
    ASSERT_TRUE(s.SaveSetting("Options", "Sound File", ""));
    EXPECT_EQ(s.GetSetting("Options", "Sound File", "default"), "");
    EXPECT_EQ(query(openKey("Software\\Quillanor\\Ostrevan\\Options"), "Sound File"),
              QByteArray(1, '\0'))
        << "the empty text is stored as its terminating zero";
    EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0") << "key exists, value does not";
    ASSERT_TRUE(s.SaveSetting("Messages", "*", "unnamed"));
    ASSERT_TRUE(s.SaveSetting("Messages", "MP3 Message", "no"));
    EXPECT_EQ(s.GetSetting("Messages", "*"), "unnamed");
    EXPECT_EQ(query(openKey("Software\\Quillanor\\Ostrevan\\Messages"), nullptr),
              QByteArray("unnamed", 8));
    EXPECT_EQ(s.GetAllOptions("Messages"), (Rows{{"", "unnamed"}, {"MP3 Message", "no"}}));
    EXPECT_TRUE(s.DeleteSetting("Messages", "*"));
    EXPECT_FALSE(s.DeleteSetting("Messages", "*"));
    EXPECT_EQ(s.GetSetting("Messages", "*", "gone"), "gone");
    EXPECT_EQ(s.GetSetting("Messages", "MP3 Message"), "no");
}

TEST(CRegSettings, DeletesOneValueOrAWholeSection)
{
    const CRegSettings s = store();
    EXPECT_FALSE(s.DeleteSetting("Presets")) << "nothing to delete";
    EXPECT_FALSE(s.DeleteSetting("Presets", "Preset0"));
    for (const char *name : {"Preset0", "Preset1", "Preset2"})
        ASSERT_TRUE(s.SaveSetting("Presets", name, "00:01:00"));
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    EXPECT_TRUE(s.DeleteSetting("Presets", "Preset1"));
    EXPECT_FALSE(s.DeleteSetting("Presets", "Preset1"));
    EXPECT_EQ(s.GetAllOptions("Presets").size(), 2u);
    EXPECT_TRUE(s.DeleteSetting("Presets"));
    EXPECT_EQ(openKey("Software\\Quillanor\\Ostrevan\\Presets"), 0u);
    EXPECT_FALSE(s.DeleteSetting("Presets"));
    EXPECT_EQ(s.GetSetting("Options", "Size"), "1") << "other sections stay";
    // The Presets window's Done: delete the section, write the list anew.
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset0", "00:00:05"));
    EXPECT_EQ(s.GetAllOptions("Presets"), (Rows{{"Preset0", "00:00:05"}}));
}

TEST(CRegSettings, ListsOnlyTextValuesInCreationOrder)
{
    const CRegSettings s = store();
    for (const char *name : {"Preset10", "Preset2", "Preset1"})
        ASSERT_TRUE(s.SaveSetting("Presets", name, name));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset2", "again")); // keeps its place
    EXPECT_EQ(s.GetAllOptions("Presets"),
              (Rows{{"Preset10", "Preset10"}, {"Preset2", "again"}, {"Preset1", "Preset1"}}));

    writeHive(optionsFile("\"Count\"=dword:00000031\n\"Blob\"=hex:31,32,00\n"
                          "\"Expand\"=hex(2):31,00\n") +
              "\n[" + AppKey +
              "\\Mixed]\n\"Number\"=dword:00000001\n\"Text\"=\"t\"\n"
              "\"Zero bytes\"=hex(1):\n\"Last\"=\"l\"\n");
    // A section of numbers and bytes only lists as empty, exactly like a missing section.
    EXPECT_TRUE(s.GetAllOptions("Options").empty());
    EXPECT_EQ(s.GetAllOptions("Mixed"), (Rows{{"Text", "t"}, {"Zero bytes", ""}, {"Last", "l"}}));
    // Read as text, a number's bytes would be garbage ("1\0\0"): the reader's default is used,
    // and so for a text value of no bytes at all.
    for (const char *name : {"Count", "Blob", "Expand"})
        EXPECT_EQ(s.GetSetting("Options", name, "5"), "5") << name;
    EXPECT_EQ(s.GetSetting("Mixed", "Zero bytes", "d"), "d");
}

TEST(CRegSettings, TextRoundTripsExactly)
{
    const CRegSettings s = store();
    QStringList texts = QString::fromUtf8("|C:\\Music\\alarm.mp3|ends with a backslash\\|"
                                          "\\\\server\\share\\|\"quoted\" and \\\"escaped\\\"|\"|"
                                          "Grüße, 東京, ☎ and 😀|  spaces around  |tab\there|"
                                          "two\nlines|carriage\rreturn|= [brackets] ; @ \"")
                            .split('|');
    // Long text with a line end is written as a byte list over many lines.
    texts << QString("with a zero") + QChar(0) + "inside" << QString(5000, 'x') + '\n';
    for (int i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(s.SaveSetting("Round", "Value" + QString::number(i), texts.at(i))) << i;
    const QString oddName = "Name \"with\" \\ and ü";
    ASSERT_TRUE(s.SaveSetting("Round", oddName, "named"));
    const Rows rows = s.GetAllOptions("Round");
    ASSERT_EQ(rows.size(), size_t(texts.size() + 1));
    for (int i = 0; i < texts.size(); ++i) {
        const QString key = "Value" + QString::number(i);
        EXPECT_EQ(s.GetSetting("Round", key, "default"), texts.at(i)) << i;
        EXPECT_EQ(rows.at(i), (std::array<QString, 2>{key, texts.at(i)})) << i;
    }
    EXPECT_EQ(rows.back(), (std::array<QString, 2>{oddName, "named"}));
    for (const QByteArray &line : readHive().split('\n'))
        EXPECT_LE(line.size(), 80) << line.constData();
}
