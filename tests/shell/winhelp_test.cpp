#include "shell/winhelp.h"
#include "tests/shell/helpviewertesting.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace helpviewer;
using shell::HELP_FINDER;

namespace
{

// A help file with the given headings, each followed by enough text that the page can
// scroll it to the top.
QByteArray helpWith(const QStringList &headings)
{
    QByteArray html = "<html><body><h1>Test help</h1>\n";
    const QByteArray filler = QByteArray("<p>Some text of this section.</p>\n").repeated(60);
    for (const QString &heading : headings)
        html += heading.toUtf8() + "\n" + filler;
    return html + "</body></html>\n";
}

const QStringList kChapters = {
    R"(<h2 id="time" data-keywords="time; hours">Setting the time</h2>)",
    R"(<h3 id="typing" data-keywords="typing; digits">Typing</h3>)",
    R"(<h3 id="arrows" data-keywords="arrows; Up key">The arrows</h3>)",
    R"(<h2 id="alarm" data-keywords="alarm; Alarm Off; sound">The alarm</h2>)",
    R"(<h3 id="silence" data-keywords="silence; Alarm Off">Silencing</h3>)",
    R"(<h2 id="colours" data-keywords="gradient; colours">Colours</h2>)",
};

class HelpViewerTest : public testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<shell::Help> help = shell::desktopHelp();

    QString file(const QString &name) const { return dir.filePath(name); }
    QString helpFile(const QStringList &headings = kChapters)
    {
        const QString path = file("ostv.hlp");
        writeFile(path, helpWith(headings));
        return path;
    }
    void TearDown() override
    {
        help.reset();
        EXPECT_TRUE(viewers().isEmpty()) << "the viewer outlives its owner";
    }
};

// The Contents as one line: "Chapter(Section,Section) Chapter".
QString outline()
{
    QStringList chapters;
    for (int i = 0; i < contents()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *chapter = contents()->topLevelItem(i);
        QStringList sections;
        for (int j = 0; j < chapter->childCount(); ++j)
            sections << chapter->child(j)->text(0);
        chapters << chapter->text(0) + (sections.isEmpty() ? "" : '(' + sections.join(',') + ')');
    }
    return chapters.join(' ');
}

QStringList shownIndex()
{
    QStringList texts;
    for (int row = 0; row < index()->count(); ++row) {
        if (!index()->item(row)->isHidden())
            texts.push_back(index()->item(row)->text());
    }
    return texts;
}

} // namespace

TEST_F(HelpViewerTest, ContentsAndLinksLeadToTheirSections)
{
    ASSERT_TRUE(help->WinHelp(nullptr, helpFile(), HELP_FINDER, 0));
    ASSERT_NE(viewer(), nullptr);
    EXPECT_TRUE(viewer()->isVisible());
    EXPECT_TRUE(!viewer()->isModal() && viewer()->parentWidget() == nullptr);

    EXPECT_EQ(outline(), "Setting the time(Typing,The arrows) The alarm(Silencing) Colours");

    // The page opens at the first section; choosing an entry moves it there.
    EXPECT_EQ(shownHeading(page()), "Setting the time");
    contents()->setCurrentItem(contents()->topLevelItem(1)->child(0));
    EXPECT_EQ(shownHeading(page()), "Silencing");
    contents()->setCurrentItem(contents()->topLevelItem(2));
    EXPECT_EQ(shownHeading(page()), "Colours");

    // Links inside the page move within it; a link to another file would replace our page
    // with whatever it holds.
    const QString before = page()->toPlainText();
    emit page()->anchorClicked(QUrl("#silence"));
    EXPECT_EQ(shownHeading(page()), "Silencing");
    EXPECT_EQ(contents()->currentItem()->text(0), "Silencing");
    writeFile(file("other.html"), "<h2>Other</h2>");
    emit page()->anchorClicked(QUrl("other.html"));
    emit page()->anchorClicked(QUrl::fromLocalFile(file("other.html")));
    EXPECT_EQ(page()->toPlainText(), before);
}

TEST_F(HelpViewerTest, IndexFilterFindsAKeywordAndShowsItsSection)
{
    help->WinHelp(nullptr, helpFile(), HELP_FINDER, 0);
    tabs()->setCurrentIndex(1);
    // A keyword of two sections is listed once for each, with the section's title.
    EXPECT_EQ(index()->count(), 13);
    EXPECT_EQ(index()->item(0)->text(), QString("alarm"));
    const QString offInAlarm = QString::fromUtf8("Alarm Off \u2014 The alarm");
    const QString offInSilence = QString::fromUtf8("Alarm Off \u2014 Silencing");

    struct Case {
        const char *typed;
        QStringList shown;
        const char *heading; // after Enter
    };
    const Case cases[] = {
        {"grad", {"gradient"}, "Colours"},
        {"ARR", {"arrows"}, "The arrows"},
        // Keywords holding the text are listed; the first that starts with it is chosen.
        {"s", {"arrows", "colours", "digits", "hours", "silence", "sound"}, "Silencing"},
        {"alarm off", {offInAlarm, offInSilence}, "The alarm"},
        {"zzz", {}, "The alarm"}, // nothing matches: Enter changes nothing
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        filter()->clear();
        QTest::keyClicks(filter(), c.typed);
        EXPECT_EQ(shownIndex(), c.shown);
        QTest::keyClick(filter(), Qt::Key_Return);
        EXPECT_EQ(shownHeading(page()), c.heading);
    }

    // Down in the keyword field moves to the next keyword; Enter shows it.
    filter()->clear();
    QTest::keyClicks(filter(), "alarm off");
    QTest::keyClick(filter(), Qt::Key_Down);
    QTest::keyClick(filter(), Qt::Key_Return);
    EXPECT_EQ(shownHeading(page()), "Silencing");
}

TEST_F(HelpViewerTest, AFileOpensWithinTheBoundsOrIsReportedOnThePageAndNeverInABox)
{
    // A file past the limit costs nothing: it is sparse and never read.
    QFile huge(file("huge.hlp"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(shell::MaxHelpFileSize + 1));
    huge.close();
    ASSERT_EQ(mkfifo(QFile::encodeName(file("pipe.hlp")).constData(), 0600), 0);
    writeFile(file("locked.hlp"), helpWith(kChapters));
    QFile::setPermissions(file("locked.hlp"), QFileDevice::WriteOwner);
    const bool asRoot = QFile(file("locked.hlp")).open(QIODevice::ReadOnly);
    const auto heading = [](const QByteArray &keywords, const QByteArray &title) {
        return "<h2 id=\"s\" data-keywords=\"" + keywords + "\">" + title + "</h2>";
    };
    const auto keywordList = [](int count) {
        QByteArray list;
        for (int i = 0; i < count; ++i)
            list += "k" + QByteArray::number(i) + ";";
        return list;
    };
    // As many sections as anchors may be, tables, lists and elements nested as deep as allowed,
    // differently coloured spans up to the tag bound: the costliest markup the bounds let by.
    QByteArray hardest;
    for (int i = 0; i < shell::MaxHelpAnchors; ++i)
        hardest += "<h3 id=\"s" + QByteArray::number(i) + "\" data-keywords=\"k" +
                   QByteArray::number(i % 300) + "\">Section</h3>\n";
    hardest += QByteArray("<table><tr><td>").repeated(shell::MaxHelpTableNesting) +
               QByteArray("<ul><li>").repeated(shell::MaxHelpListNesting) +
               QByteArray("<i>").repeated(shell::MaxHelpNesting - 3 * 3 - 2 * 8 - 2) + "<p>";
    for (int i = 0; hardest.count('<') + 1 < shell::MaxHelpTags; ++i)
        hardest += "<span style=\"color:#" + QByteArray::number(0x100000 + i, 16) + "\">w</span>";

    // Markup that would cost the page's layout far more than its size, in every spelling the
    // parser reads as a tag: each level of nested tables doubles the time, each element walks
    // its ancestors, a list's items, keywords and anchors cost the square of their number,
    // each style rule is tried on every element, a word the square of its length. Sized so
    // that a freeze outlasts the test's time limit.
    struct Case {
        QString path;
        QByteArray content; // written to the path when not empty
        const char *reason; // why the file is refused; none when it opens
        int sections = 0;   // in the Contents
        int entries = 0;    // in the Index
    };
    const Case cases[] = {
        {file("missing.hlp"), {}, "there is no such file"},
        {dir.path(), {}, "it is a folder"},
        {file("huge.hlp"), {}, "it is larger than 512 KiB"},
        {file("binary.hlp"), QByteArray("<h2 id=\"x\">X</h2>\0\x81", 18), "binary data"},
        {file("pipe.hlp"), {}, "not a regular file"},
        {QString(), {}, "there is no such file"},
        {file("locked.hlp"),
         {},
         asRoot ? nullptr : "Permission denied",
         asRoot ? 3 : 0,
         asRoot ? 13 : 0},
        {file("t1.hlp"), QByteArray("< table>< tr>< td>").repeated(200),
         "nests tables more than 3"},
        {file("t2.hlp"), "<\"table\"><t&#97;ble><TABLE>< table >", "nests tables more than 3 deep"},
        {file("lists.hlp"), QByteArray("<ul><li>").repeated(9), "nests lists more than 8 deep"},
        {file("nest.hlp"), QByteArray("< b>").repeated(100000), "nests elements more than 32 deep"},
        {file("tags.hlp"), QByteArray("< b></b>").repeated(10001), "holds more than 10000 tags"},
        {file("anchors.hlp"), QByteArray("<a name=a>x</a>").repeated(1001), "than 1000 anchors"},
        {file("items.hlp"), "<ul>" + QByteArray("<li>x").repeated(501), "list holds more than 500"},
        {file("css.hlp"), "<style>" + QByteArray("*{}").repeated(41), "more than 40 rules"},
        {file("words.hlp"), heading(keywordList(60000), "A"), "index has more than 5000 entries"},
        {file("amp1.hlp"), heading("k", QByteArray(500000, '&')), nullptr, 1, 1},
        {file("amp2.hlp"), heading(QByteArray(500000, '&'), "T"), nullptr, 1, 1},
        {file("word.hlp"), "<p>" + QByteArray(400000, 'a'), nullptr},
        {file("kw.hlp"), heading(keywordList(5000), "T"), nullptr, 1, shell::MaxHelpIndexEntries},
        {file("hardest.hlp"), hardest, nullptr, shell::MaxHelpAnchors, shell::MaxHelpAnchors},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        ASSERT_LE(c.content.size(), shell::MaxHelpFileSize);
        if (!c.content.isEmpty())
            writeFile(c.path, c.content);
        // A good file first, so that the failure must replace its page and its lists.
        help->WinHelp(nullptr, helpFile(), HELP_FINDER, 0);
        ASSERT_GT(contents()->topLevelItemCount(), 0);

        EXPECT_EQ(help->WinHelp(nullptr, c.path, HELP_FINDER, 0), !c.reason);
        ASSERT_NE(viewer(), nullptr);
        EXPECT_TRUE(viewer()->isVisible());
        const QString text = page()->toPlainText();
        EXPECT_TRUE(!c.reason || (text.contains("could not be opened") && text.contains(c.path) &&
                                  text.contains(c.reason)))
            << text.left(300).toStdString();
        EXPECT_EQ(contents()->topLevelItemCount(), c.sections);
        EXPECT_EQ(index()->count(), c.entries);
        EXPECT_FALSE(std::ranges::any_of(QApplication::topLevelWidgets(), [](QWidget *w) {
            return qobject_cast<QMessageBox *>(w) != nullptr;
        }));
        // Lines break every so often, and no entry is longer than a line.
        EXPECT_FALSE(text.contains(QRegularExpression(
            QStringLiteral("[^\\s\\x{200b}]{%1}").arg(shell::MaxHelpWordLength + 1))));
        for (int row = 0; row < index()->count(); ++row)
            ASSERT_LE(index()->item(row)->text().size(), 201);
        for (int row = 0; row < contents()->topLevelItemCount(); ++row)
            ASSERT_LE(contents()->topLevelItem(row)->text(0).size(), 201);
    }
}

TEST_F(HelpViewerTest, APictureIsReadOnlyFromARegularFileInTheHelpFilesFolder)
{
    QTemporaryDir elsewhere;
    QImage red(2, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(file("red.png")) && red.save(elsewhere.filePath("red.png")));
    QFile picture(file("red.png"));
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    writeFile(file("big.png"), picture.readAll().leftJustified(shell::MaxHelpPictureSize + 1));
    for (const QString &pipe : {file("pipe.png"), elsewhere.filePath("pipe.png")})
        ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(elsewhere.filePath("red.png"), file("link.png")));
    ASSERT_TRUE(QFile::link("/dev/zero", file("zero.png")));
    // What lies outside the folder is never opened (a pipe there would block for good).
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    for (const char *name : {"red.png", "pipe.png"})
        ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(elsewhere.filePath(name)), IN_OPEN),
                  0);

    const QString away = QDir(dir.path()).relativeFilePath(elsewhere.path());
    const QStringList absent =
        QString("pipe.png|big.png|link.png|zero.png|/dev/zero|file:///etc/shadow|missing.png|"
                "http://example.com/x.png|%1/red.png|%2")
            .arg(away, elsewhere.filePath("pipe.png"))
            .split(u'|');
    QByteArray html = "<h2 id=\"a\">Pictures</h2><img src=\"red.png\">";
    for (const QString &name : absent)
        html += "<img src=\"" + name.toUtf8() + "\"><p style=\"background-image: url(" +
                name.toUtf8() + ")\">x</p>";
    writeFile(file("ostv.hlp"), html);
    ASSERT_TRUE(help->WinHelp(nullptr, file("ostv.hlp"), HELP_FINDER, 0));
    QTextDocument *document = page()->document();
    document->documentLayout()->blockBoundingRect(document->lastBlock());
    page()->grab();

    const auto shown = [document](const QString &name) {
        return document->resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
    };
    EXPECT_EQ(shown("red.png").pixel(1, 1), QColor(Qt::red).rgb());
    for (const QString &name : absent) // a transparent pixel stands in
        EXPECT_EQ(shown(name).size() == QSize(1, 1) && shown(name).pixel(0, 0) == 0u, true)
            << name.toStdString();
    char events[4096];
    EXPECT_LE(read(watch, events, sizeof events), 0) << "a file outside the folder was opened";
    close(watch);
}

TEST_F(HelpViewerTest, PressingHelpAgainRaisesTheSameViewerWithTheFileReadAnew)
{
    const QString path = helpFile();
    EXPECT_FALSE(help->WinHelp(nullptr, path, 1, 0)); // a context number: we have none
    EXPECT_TRUE(viewers().isEmpty());
    EXPECT_TRUE(help->WinHelp(nullptr, path, shell::HELP_QUIT, 0)); // nothing to close
    help->WinHelp(nullptr, path, HELP_FINDER, 0);
    QWidget *first = viewer();
    ASSERT_NE(first, nullptr);
    contents()->setCurrentItem(contents()->topLevelItem(1)); // "The alarm"
    first->showMinimized();
    ASSERT_TRUE(first->isMinimized());

    // The file changes between the two presses; the section shown still exists.
    helpFile({R"(<h2 id="start">Start</h2>)", R"(<h2 id="alarm">The alarm, anew</h2>)"});
    EXPECT_TRUE(help->WinHelp(nullptr, path, HELP_FINDER, 0));
    EXPECT_EQ(viewers().size(), 1);
    EXPECT_EQ(viewer(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isMinimized());
    EXPECT_EQ(outline(), "Start The alarm, anew");
    EXPECT_EQ(shownHeading(page()), "The alarm, anew");

    // Closed with Esc, then opened again: still the one viewer, at the first section when the
    // one shown before is gone.
    QTest::keyClick(page(), Qt::Key_Escape);
    EXPECT_FALSE(first->isVisible());
    helpFile({R"(<h2 id="other">Other</h2>)"});
    help->WinHelp(nullptr, path, HELP_FINDER, 0);
    EXPECT_EQ(viewers().size(), 1);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(shownHeading(page()), "Other");
    // Contents opens at the first section, where Finder keeps the one shown; Quit closes.
    help->WinHelp(nullptr, helpFile(), HELP_FINDER, 0);
    contents()->setCurrentItem(contents()->topLevelItem(1));
    EXPECT_TRUE(help->WinHelp(nullptr, path, shell::HELP_CONTENTS, 0));
    EXPECT_EQ(shownHeading(page()), "Setting the time");
    EXPECT_TRUE(help->WinHelp(nullptr, path, shell::HELP_QUIT, 0));
    EXPECT_FALSE(viewer()->isVisible());
}

TEST_F(HelpViewerTest, EveryPartIsNamedAndReachableFromTheKeyboard)
{
    help->WinHelp(nullptr, helpFile(), HELP_FINDER, 0);
    QWidget *window = viewer();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    // Every part as a screen reader names it, the keyword field's clear button too.
    for (QWidget *w : QList<QWidget *>{tabs(), contents(), filter(), index(), page(),
                                       filter()->findChild<QToolButton *>()}) {
        ASSERT_NE(w, nullptr);
        EXPECT_NE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name), "")
            << w->metaObject()->className();
    }

    // Contents tab: the tree, then the page.
    contents()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // to "Typing"
    EXPECT_EQ(shownHeading(page()), "Typing");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), page())
        << QApplication::focusWidget()->metaObject()->className();

    // Alt+I opens the Index; Alt+K goes to its keyword field; Tab leads to the list, then
    // the page; Enter in the list shows the keyword's section.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(tabs()->currentIndex(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), filter());
    QTest::keyClicks(filter(), "grad");
    QTest::keyClick(filter(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), index());
    QTest::keyClick(index(), Qt::Key_Return);
    EXPECT_EQ(shownHeading(page()), "Colours");
    EXPECT_EQ(QApplication::focusWidget(), page());

    // Alt+C returns to the Contents; Esc closes the viewer from anywhere in it.
    QTest::keyClick(page(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(tabs()->currentIndex(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}
