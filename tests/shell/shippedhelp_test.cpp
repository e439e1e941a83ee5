// The help file we ship: it must open, and every way into it must lead somewhere.
#include "shell/winhelp.h"
#include "tests/shell/helpviewertesting.h"

#include <QPalette>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocument>

using namespace helpviewer;

TEST(ShippedHelp, HasRealContentsAndEveryEntryLeadsToItsHeading)
{
    shell::HelpDocument help;
    QString error;
    ASSERT_TRUE(shell::readHelpFile(OSTREVAN_HELP_FILE, help, error)) << error.toStdString();

    int chapters = 0;
    int chaptersWithSections = 0;
    QSet<QString> ids;
    for (int i = 0; i < help.sections.size(); ++i) {
        const shell::HelpSection &s = help.sections[i];
        SCOPED_TRACE(s.id.toStdString());
        EXPECT_FALSE(ids.contains(s.id)) << "two sections share an id";
        ids.insert(s.id);
        EXPECT_NE(s.title, s.id) << "a heading without a title";
        EXPECT_FALSE(s.keywords.isEmpty()) << "a section nobody finds in the index";
        if (s.level == 2) {
            ++chapters;
            if (i + 1 < help.sections.size() && help.sections[i + 1].level == 3)
                ++chaptersWithSections;
        }
    }
    EXPECT_GE(chapters, 10);
    EXPECT_GE(chaptersWithSections, 4);
    EXPECT_GE(help.sections.size(), 20);
    EXPECT_GE(help.index.size(), 100);

    // The page's own layout must know every section as a place to scroll to, and every link
    // inside the page must name a section.
    QTextDocument page;
    page.setHtml(help.html);
    QStringList anchors;
    for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            anchors += it.fragment().charFormat().anchorNames();
    }
    for (const QString &id : std::as_const(ids))
        EXPECT_TRUE(anchors.contains(id)) << "the page cannot scroll to " << id.toStdString();
    const QRegularExpression internalLink(QStringLiteral("href=\"#([^\"]*)\""));
    int links = 0;
    for (const auto &match : internalLink.globalMatch(help.html)) {
        ++links;
        EXPECT_TRUE(ids.contains(match.captured(1))) << match.captured(0).toStdString();
    }
    EXPECT_GT(links, 0);

    // What a new user looks for is in the index.
    QStringList keywords;
    for (const shell::HelpKeyword &k : std::as_const(help.index))
        keywords.push_back(k.keyword.toLower());
    for (const QString &wanted :
         QString("start|stop|pause|reset|alarm off|test|mp3|midi|wav|chime.wav|melody.mid|"
                 "bells.mp3|big|small|colours|background|presets|notification area|restore|"
                 "hkcu.reg|reset settings|no sound|volume|keyboard|up key")
             .split(u'|'))
        EXPECT_TRUE(keywords.contains(wanted)) << wanted.toStdString();
}

TEST(ShippedHelp, HeadingsReadWellInTheDesktopsLightOrDarkTheme)
{
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    for (const auto &[role, rgb] : {std::pair{QPalette::Base, 0x202020},
                                    {QPalette::Text, 0xe0e0e0},
                                    {QPalette::Link, 0x7ab4ff}})
        dark.setColor(role, QColor::fromRgb(rgb));
    QPalette darkWithDarkLinks = dark; // a theme that left the links as they were
    darkWithDarkLinks.setColor(QPalette::Link, Qt::blue);

    // Opened in one theme, then shown in the others as the desktop changes.
    QApplication::setPalette(dark);
    const auto help = shell::desktopHelp();
    ASSERT_TRUE(help->WinHelp(nullptr, OSTREVAN_HELP_FILE, shell::HELP_FINDER, 0));
    for (const QPalette &palette : {dark, light, darkWithDarkLinks}) {
        QApplication::setPalette(palette);
        QCoreApplication::processEvents(); // the change reaches the widgets as posted events
        const QPalette shown = page()->palette();
        int headings = 0;
        for (QTextBlock block = page()->document()->begin(); block.isValid();
             block = block.next()) {
            const QTextCharFormat format = block.begin().fragment().charFormat();
            if (block.blockFormat().headingLevel() == 0 || block.text().trimmed().isEmpty())
                continue;
            ++headings;
            const QColor text = format.hasProperty(QTextFormat::ForegroundBrush)
                                    ? format.foreground().color()
                                    : shown.color(QPalette::Text);
            EXPECT_GT(std::abs(text.lightnessF() - shown.color(QPalette::Base).lightnessF()), 0.4)
                << block.text().toStdString() << " in " << text.name().toStdString();
        }
        EXPECT_GE(headings, 20);
    }
    QApplication::setPalette(light);
}
