#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <memory>

namespace platform
{
class Form;
}

namespace shell
{

// Help commands the viewer understands.
inline constexpr unsigned HELP_QUIT = 2;     // close the viewer
inline constexpr unsigned HELP_CONTENTS = 3; // show the first section
inline constexpr unsigned HELP_FINDER = 11;  // show the viewer with its Contents and Index tabs

// The help viewer: the desktop's one in the program, a recording one in tests.
class Help
{
public:
    virtual ~Help() = default;
    // Opens lpszHelp for the window hWnd. Returns false for an unknown command or a help file
    // that could not be read (the viewer then says so on its own page).
    virtual bool WinHelp(platform::Form *hWnd, const QString &lpszHelp, unsigned uCommand,
                         quintptr dwData) = 0;
};

// One viewer window for the whole program: a normal top-level window with a Contents tab and
// an Index tab beside the page. Every call reads the file anew and brings the window to front.
std::unique_ptr<Help> desktopHelp();

// Bounds on the help file. The viewer runs on the program's only thread, where the countdown
// ticks too, so a wrong or damaged file must not freeze it. Qt's rich-text engine lays out the
// page; its cost grows with the file, faster for some markup: each level of nested tables
// doubles it, each element walks its ancestors, each style rule is tried on every element, a
// list's items, anchors and differently styled spans cost the square of their number, and so
// does one long word. The bounds are counted on the markup as the page's parser reads it
// (every spelling of a tag), and long words are given places to break, so that opening any
// file within them costs about as much as a bare QTextBrowser given as much plain text (see
// bench/help_cost.cpp); our own help (some tens of kilobytes, a few hundred tags) lies far
// inside them. A file beyond them is refused with the reason on the page.
inline constexpr qint64 MaxHelpFileSize = 512 * 1024;
inline constexpr int MaxHelpTags = 10000;
inline constexpr int MaxHelpAnchors = 1000; // elements with an id or a name
inline constexpr int MaxHelpTableNesting = 3;
inline constexpr int MaxHelpListNesting = 8;
inline constexpr int MaxHelpIndexEntries = 5000; // keywords, counted once per section
inline constexpr int MaxHelpNesting = 32;        // elements open at once, of any kind
inline constexpr int MaxHelpStyleRules = 40;     // selectors in <style> elements
inline constexpr int MaxHelpListItems = 500;     // items in one list
// Pictures: each a regular file in the help file's folder, within these; all of them together
// within the last two (a picture past them is left out).
inline constexpr qint64 MaxHelpPictureSize = 2 * 1024 * 1024;
inline constexpr int MaxHelpPictureSide = 4096;
inline constexpr qint64 MaxHelpPicturesSize = 8 * 1024 * 1024;
inline constexpr qint64 MaxHelpPicturesPixels = 32 * 1024 * 1024;
// A longer word is given a place to break every so many characters.
inline constexpr qsizetype MaxHelpWordLength = 100;

// One section of a help file: an <h2 id="..."> or <h3 id="..."> heading, with the index
// keywords its data-keywords attribute lists ("alarm; sound; silence").
struct HelpSection {
    QString id;
    QString title;
    int level = 2; // 2 for a chapter, 3 for a section inside the chapter before it
    QStringList keywords;
};

// One index entry: a keyword and the sections (indexes into the section list) it leads to.
struct HelpKeyword {
    QString keyword;
    QList<int> sections;
};

// A help file as the viewer shows it.
struct HelpDocument {
    QString html;
    QList<HelpSection> sections; // in the file's order
    QList<HelpKeyword> index;    // sorted without regard to case; each keyword once
};

// Finds the sections and keywords of a help file's HTML. Headings without an id cannot be
// linked to and are left out. Linear in the text's length, whatever the text holds.
HelpDocument parseHelp(const QString &html);

// Reads and parses a help file within the bounds above. On failure returns false and sets
// `error` to the reason, in words for the person reading the viewer's page.
bool readHelpFile(const QString &path, HelpDocument &document, QString &error);

} // namespace shell
