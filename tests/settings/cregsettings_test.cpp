// The settings store: names, the key layout, and the cases the windows rely on.
#include "hivetesting.h"
#include "settings/hive.h"

#include <QFile>
#include <functional>
#include <sys/stat.h>

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
    ASSERT_TRUE(s.SaveSetting("", "Top", "level"));
    const QByteArray key = "[HKEY_CURRENT_USER\\Software\\Quillanor\\Timer";
    EXPECT_TRUE(readHive().contains(key + "\\Options]\n\"Size\"=\"1\"\n"));
    EXPECT_TRUE(readHive().contains(key + "]\n\"Top\"=\"level\"\n"));
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
    EXPECT_EQ(valueData("Options", "Sound File"), QByteArray(1, '\0'))
        << "the empty text is stored as its terminating zero";
    EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0") << "key exists, value does not";
    ASSERT_TRUE(s.SaveSetting("Messages", "*", "unnamed"));
    ASSERT_TRUE(s.SaveSetting("Messages", "MP3 Message", "no"));
    EXPECT_EQ(s.GetSetting("Messages", "*"), "unnamed");
    EXPECT_EQ(s.GetSetting("MESSAGES", "mp3 message"), "no") << "names in any case";
    EXPECT_EQ(s.GetAllOptions("Messages"), (Rows{{"", "unnamed"}, {"MP3 Message", "no"}}));
    EXPECT_TRUE(s.DeleteSetting("Messages", "*"));
    EXPECT_FALSE(s.DeleteSetting("Messages", "*"));
    EXPECT_EQ(s.GetSetting("Messages", "*", "gone"), "gone");
    EXPECT_EQ(s.GetSetting("Messages", "MP3 Message"), "no");

    // Saving the text a value already holds leaves the file alone; another text replaces it.
    // Every save replaces the file with a new one, so its inode tells whether one happened.
    const auto inode = [] {
        struct stat info {
        };
        return ::stat(QFile::encodeName(HiveFile::path()).constData(), &info) == 0 ? info.st_ino
                                                                                   : 0;
    };
    const auto before = inode();
    ASSERT_TRUE(s.SaveSetting("Messages", "MP3 Message", "no"));
    EXPECT_EQ(inode(), before);
    ASSERT_TRUE(s.SaveSetting("Messages", "MP3 Message", "yes"));
    EXPECT_NE(inode(), before);
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
    ASSERT_TRUE(s.SaveSetting("Presets\\Deep", "Kept", "1"));
    EXPECT_FALSE(s.DeleteSetting("Presets")) << "not with keys below it";
    ASSERT_TRUE(s.DeleteSetting("Presets\\Deep"));
    EXPECT_TRUE(s.DeleteSetting("Presets"));
    EXPECT_FALSE(readHive().contains("Presets"));
    EXPECT_FALSE(s.DeleteSetting("Presets"));
    EXPECT_EQ(s.GetSetting("Options", "Size"), "1") << "other sections stay";
}

TEST(CRegSettings, ReplacesASectionWithAListAtOnce)
{
    const CRegSettings s = store();
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    for (const char *name : {"Preset0", "Other name", "Preset1"})
        ASSERT_TRUE(s.SaveSetting("Presets", name, name));
    const QString lone(QChar(0xD800));
    const QByteArray before = readHive();
    EXPECT_FALSE(s.ReplaceSection("Presets", {{"Preset0", "00:00:05"}, {"Preset1", lone}}))
        << "a text without a UTF-8 form";
    EXPECT_EQ(readHive(), before) << "nothing of the list is written";

    const struct {
        const char *what;
        Rows list, stored;
    } cases[] = {
        {"names not in the list go, the order is the list's",
         {{"Preset1", "00:10:00"}, {"Preset0", "00:00:05"}, {"*", "unnamed"}},
         {{"Preset1", "00:10:00"}, {"Preset0", "00:00:05"}, {"", "unnamed"}}},
        {"a name given twice keeps its first place and its last text",
         {{"A", "1"}, {"B", "2"}, {"a", "3"}},
         {{"A", "3"}, {"B", "2"}}},
        {"an empty list removes the section", {}, {}},
        {"and there is nothing left to remove", {}, {}},
        {"the section comes back", {{"Preset0", "00:00:01"}}, {{"Preset0", "00:00:01"}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(s.ReplaceSection("Presets", c.list));
        EXPECT_EQ(s.GetAllOptions("Presets"), c.stored);
        EXPECT_EQ(readHive().contains("Presets"), !c.list.empty());
        EXPECT_EQ(s.GetSetting("Options", "Size"), "1") << "other sections stay";
    }
    // A section with keys below it loses its values only.
    ASSERT_TRUE(s.SaveSetting("Presets\\Deep", "Kept", "1"));
    EXPECT_TRUE(s.ReplaceSection("Presets", {}));
    EXPECT_TRUE(s.GetAllOptions("Presets").empty());
    EXPECT_EQ(s.GetSetting("Presets\\Deep", "Kept"), "1");
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
    QStringList texts =
        QString::fromUtf8("|C:\\Music\\alarm.mp3|ends with a backslash\\|"
                          "\\\\server\\share\\|\"quoted\" and \\\"escaped\\\"|\"|"
                          "Grüße, 東京, ☎ and 😀|  spaces around  |tab\there|"
                          "two\nlines|carriage\rreturn|= [brackets] ; @ \"|"
                          "\r\n|\n|\\n and \\0 as typed|\u2028 and \u0085 break lines "
                          "elsewhere|\x0b\x0c\x1a\x7f")
            .split('|');
    // A U+FEFF is text like any other, wherever it stands.
    const QChar bom(0xFEFF);
    texts << QString(bom) + "first" << QString(bom) << QString("last") + bom
          << QString(bom) + "first\nwith a line end";
    // Long text with a line end is written as a byte list over many lines.
    texts << QString("with a zero") + QChar(0) + "inside" << QString(QChar(0))
          << QString(5000, 'x') + '\n'
          << QString::fromUtf8("♪ 🎵 ").repeated(20000);
    for (int i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(s.SaveSetting("Round", "Value" + QString::number(i), texts.at(i))) << i;
    const Rows rows = s.GetAllOptions("Round");
    ASSERT_EQ(rows.size(), size_t(texts.size()));
    for (int i = 0; i < texts.size(); ++i) {
        const QString key = "Value" + QString::number(i);
        EXPECT_EQ(s.GetSetting("Round", key, "default"), texts.at(i)) << i;
        EXPECT_EQ(rows.at(i), (std::array<QString, 2>{key, texts.at(i)})) << i;
    }

    const QByteArray written = readHive();
    for (const QByteArray &line : written.split('\n')) {
        if (line.startsWith("  ") || line.contains("=hex")) {
            EXPECT_LE(line.size(), 80) << line.constData();
        }
    }
    // A value changed and changed back leaves the same bytes.
    ASSERT_TRUE(s.SaveSetting("Round", "Value1", "changed"));
    ASSERT_TRUE(s.SaveSetting("Round", "Value1", texts.at(1)));
    EXPECT_TRUE(readHive() == written);

    // Text with an unpaired surrogate has no UTF-8 form: it is refused, not altered.
    for (const QChar half : {QChar(0xD800), QChar(0xDC00)}) {
        EXPECT_FALSE(s.SaveSetting("Round", "Half", QString("a") + half));
        EXPECT_FALSE(s.SaveSetting("Round", QString(half), "text"));
    }
    EXPECT_TRUE(readHive() == written);
}

// Timings are in bench/settings_cost.cpp; what a call costs is told here by what it does.
TEST(CRegSettings, EachCallReadsTheFileOnce)
{
    const CRegSettings s = store();
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset0", "00:01:00"));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset1", "00:02:00"));
    OpenCounter counter;
    const struct {
        const char *what;
        std::function<bool()> call;
    } calls[] = {
        {"GetSetting of a value", [&] { return s.GetSetting("Options", "Size") == "1"; }},
        {"GetSetting in a missing section", [&] { return s.GetSetting("None", "No", "d") == "d"; }},
        {"GetAllOptions", [&] { return s.GetAllOptions("Presets").size() == 2; }},
        {"SaveSetting of a new value", [&] { return s.SaveSetting("Options", "New", "1"); }},
        {"SaveSetting of the same text", [&] { return s.SaveSetting("Options", "New", "1"); }},
        {"SaveSetting in a new section", [&] { return s.SaveSetting("Fresh", "A", "1"); }},
        {"DeleteSetting of a value", [&] { return s.DeleteSetting("Options", "New"); }},
        {"DeleteSetting of a section", [&] { return s.DeleteSetting("Fresh"); }},
        {"ReplaceSection",
         [&] {
             return s.ReplaceSection("Presets", {{"Preset0", "00:00:05"}});
         }},
    };
    for (const auto &c : calls) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(c.call());
        EXPECT_EQ(counter.take(), 1);
    }
}
