#include "shell/winhelp.h"

#include "platform/form.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace shell
{

namespace
{

// The few named character references our help file and ordinary HTML headings use; numeric
// references cover the rest.
QString namedEntity(QStringView name)
{
    static const std::map<QString, QChar> names = {
        {QStringLiteral("amp"), QChar(u'&')},      {QStringLiteral("lt"), QChar(u'<')},
        {QStringLiteral("gt"), QChar(u'>')},       {QStringLiteral("quot"), QChar(u'"')},
        {QStringLiteral("apos"), QChar(u'\'')},    {QStringLiteral("nbsp"), QChar(0xa0)},
        {QStringLiteral("ndash"), QChar(0x2013)},  {QStringLiteral("mdash"), QChar(0x2014)},
        {QStringLiteral("hellip"), QChar(0x2026)}, {QStringLiteral("rarr"), QChar(0x2192)},
        {QStringLiteral("times"), QChar(0xd7)},    {QStringLiteral("copy"), QChar(0xa9)},
    };
    const auto it = names.find(name.toString());
    return it == names.end() ? QString() : QString(it->second);
}

// Decodes the character reference at `pos` (on its '&') as Qt's rich-text parser does: a name
// of at most eight characters and no blank, ended by ';'. Moves `pos` past it and returns the
// character, or returns the empty text and leaves `pos` where it was.
QString characterReference(QStringView html, qsizetype &pos)
{
    qsizetype end = pos + 1;
    while (end < html.size() && end - pos <= 9 && html[end] != u';' && !html[end].isSpace())
        ++end;
    if (end >= html.size() || html[end] != u';' || end == pos + 1)
        return QString();
    const QStringView name = html.sliced(pos + 1, end - pos - 1);
    QString decoded;
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.startsWith(u"#x") || name.startsWith(u"#X")
                              ? name.sliced(2).toUInt(&ok, 16)
                              : name.sliced(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10ffff)
            decoded = QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
    } else {
        decoded = namedEntity(name);
    }
    if (!decoded.isEmpty())
        pos = end + 1;
    return decoded;
}

// Text of an HTML fragment: tags dropped, character references decoded, blanks collapsed.
QString plainText(QStringView html)
{
    QString out;
    out.reserve(html.size());
    for (qsizetype i = 0; i < html.size();) {
        const QChar c = html[i];
        if (c == u'<') {
            const qsizetype end = html.indexOf(u'>', i);
            if (end < 0)
                break;
            i = end + 1;
            out += u' ';
        } else if (const QString decoded = c == u'&' ? characterReference(html, i) : QString();
                   !decoded.isEmpty()) {
            out += decoded;
        } else {
            out += c;
            ++i;
        }
    }
    return out.simplified();
}

// At most this many characters of a title or a keyword reach the Contents and the Index.
constexpr qsizetype MaxShownText = 200;

QString shortened(const QString &text)
{
    return text.size() <= MaxShownText ? text : text.left(MaxShownText) + QChar(0x2026);
}

// Reads the attributes of a start tag from `pos` (just after the tag's name) to its '>'.
// Returns the position of the '>' or -1 when the tag never ends. Used on markup this file has
// written anew (see sanitizedMarkup), where every value is in double quotes.
qsizetype readAttributes(const QString &html, qsizetype pos, std::map<QString, QString> &attrs)
{
    const qsizetype n = html.size();
    while (pos < n) {
        while (pos < n && (html[pos].isSpace() || html[pos] == u'/'))
            ++pos;
        if (pos >= n)
            return -1;
        if (html[pos] == u'>')
            return pos;
        const qsizetype nameStart = pos;
        while (pos < n && !html[pos].isSpace() && html[pos] != u'=' && html[pos] != u'>' &&
               html[pos] != u'/')
            ++pos;
        const QString name = html.sliced(nameStart, pos - nameStart).toLower();
        QString value;
        if (pos < n && html[pos] == u'=' && pos + 1 < n && html[pos + 1] == u'"') {
            const qsizetype close = html.indexOf(u'"', pos + 2);
            if (close < 0)
                return -1;
            value = html.sliced(pos + 2, close - pos - 2);
            pos = close + 1;
        }
        attrs.emplace(name, plainText(value));
    }
    return -1;
}

// Qt's rich-text parser takes every '<' as the start of a tag. After blanks it reads the tag's
// name as a word: quoted, or up to a blank, '>', '<', '=' or "/>", with character references
// decoded (except in single quotes). This reads words the same way.
struct Word {
    QString text;    // as the parser understands it
    QStringView raw; // as written, without its quotes
    bool quoted = false;
    bool decodes = true; // whether the parser decodes character references in `raw`
};

Word readWord(QStringView html, qsizetype &pos)
{
    Word word;
    const qsizetype n = html.size();
    if (pos < n && (html[pos] == u'"' || html[pos] == u'\'')) {
        const QChar quote = html[pos];
        word.quoted = true;
        word.decodes = quote == u'"';
        const qsizetype start = ++pos;
        while (pos < n && html[pos] != quote)
            ++pos;
        word.raw = html.sliced(start, pos - start);
        word.text = word.decodes ? plainText(word.raw) : word.raw.toString();
        pos = std::min(pos + 1, n);
        return word;
    }
    const qsizetype start = pos;
    while (pos < n) {
        const QChar c = html[pos];
        if (c == u'>' || c == u'<' || c == u'=' || c.isSpace() ||
            (c == u'/' && pos + 1 < n && html[pos + 1] == u'>'))
            break;
        ++pos;
    }
    word.raw = html.sliced(start, pos - start);
    word.text = word.raw.contains(u'&') ? plainText(word.raw) : word.raw.toString();
    return word;
}

bool isAsciiName(QStringView name, bool dashes)
{
    if (name.isEmpty() || name.size() > 32 || name[0] < u'a' || name[0] > u'z')
        return false;
    return std::all_of(name.begin(), name.end(), [dashes](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
               (dashes && (c == u'-' || c == u'_' || c == u':'));
    });
}

// A value written in double quotes so that the parser reads what it read before.
QString quotedValue(const Word &value)
{
    QString out;
    out.reserve(value.raw.size() + 2);
    out += u'"';
    for (const QChar c : value.raw) {
        if (c == u'"')
            out += QStringLiteral("&quot;");
        else if (c == u'&' && !value.decodes)
            out += QStringLiteral("&amp;");
        else
            out += c;
    }
    return out + u'"';
}

bool isVoidElement(const QString &name)
{
    static const QStringList names = {
        QStringLiteral("br"),   QStringLiteral("hr"),   QStringLiteral("img"),
        QStringLiteral("meta"), QStringLiteral("link"), QStringLiteral("base"),
        QStringLiteral("col"),  QStringLiteral("wbr"),  QStringLiteral("input"),
    };
    return names.contains(name);
}

bool isList(const QString &name)
{
    return name == u"ul" || name == u"ol" || name == u"dl";
}

// The markup the page is given: the file's markup written anew, every element's name and
// attributes spelled one plain way and every element closed, the text as it was. The bounds
// are counted on it, so they see every spelling of a tag; and what they counted is what the
// page's parser reads. Words longer than the page can break are given a place to break (a
// line of one word costs the layout the square of its length). Linear: every step moves past
// what it has read. Returns nothing and sets `error` when a bound is passed.
std::optional<QString> sanitizedMarkup(const QString &html, QString &error)
{
    struct Element {
        QString name;    // as the file spells it, to match its end tag
        QString written; // as the page is given it
        int items = 0;   // of a list: its items so far
    };
    QList<Element> open;
    QString out;
    out.reserve(html.size() + html.size() / 16 + 64);
    int elements = 0;
    int anchors = 0;
    int tables = 0;
    int lists = 0;
    int styleRules = 0;
    int looseItems = 0; // list items outside any list
    qsizetype word = 0; // characters since the last place a line may break
    const auto fail = [&error](const QString &reason) -> std::optional<QString> {
        error = reason;
        return std::nullopt;
    };
    const auto close = [&] {
        const Element &top = open.back();
        out += QStringLiteral("</") + top.written + u'>';
        if (top.name == u"table")
            --tables;
        else if (isList(top.name))
            --lists;
        open.pop_back();
    };
    const qsizetype n = html.size();
    qsizetype pos = 0;
    while (pos < n) {
        const QChar c = html[pos];
        if (c != u'<') {
            const bool inStyle = !open.isEmpty() && open.back().name == u"style";
            // Each rule is tried on every element: rules times elements.
            if (inStyle && (c == u'{' || c == u',') && ++styleRules > MaxHelpStyleRules)
                return fail(QStringLiteral("its style sheets hold more than %1 rules")
                                .arg(MaxHelpStyleRules));
            if (c.isSpace()) {
                word = 0;
            } else if (!inStyle && ++word > MaxHelpWordLength && !c.isLowSurrogate() &&
                       !c.isMark()) {
                out += QChar(0x200b); // zero-width space: a place to break the line
                word = 1;
            }
            qsizetype next = pos;
            if (c == u'&' && !characterReference(html, next).isEmpty()) {
                out += QStringView(html).sliced(pos, next - pos);
                pos = next;
            } else {
                out += c;
                ++pos;
            }
            continue;
        }
        ++pos;
        while (pos < n && html[pos].isSpace() && html[pos] != QChar::ParagraphSeparator)
            ++pos;
        if (pos < n && html[pos] == u'!') {
            const qsizetype end = QStringView(html).sliced(pos).startsWith(u"!--")
                                      ? html.indexOf(QLatin1String("-->"), pos + 3)
                                      : html.indexOf(u'>', pos);
            pos = end < 0 ? n : end + (html[end] == u'>' ? 1 : 3);
            continue;
        }
        if (pos < n && html[pos] == u'/') {
            ++pos;
            const QString name = readWord(html, pos).text.toLower().trimmed();
            const qsizetype end = html.indexOf(u'>', pos);
            pos = end < 0 ? n : end + 1;
            // The end tag closes the innermost element of its name and those inside it.
            for (qsizetype i = open.size() - 1; i >= 0; --i) {
                if (open[i].name == name) {
                    while (open.size() > i)
                        close();
                    break;
                }
            }
            continue;
        }
        const QString name = readWord(html, pos).text.toLower();
        QString written = isAsciiName(name, false) ? name : QStringLiteral("span");
        bool anchor = false;
        // Attributes follow only after a blank.
        while (pos < n && html[pos].isSpace()) {
            while (pos < n && html[pos].isSpace())
                ++pos;
            if (pos >= n || html[pos] == u'>' || html[pos] == u'/')
                break;
            const QString key = readWord(html, pos).text.toLower();
            if (key.isEmpty())
                break;
            while (pos < n && html[pos].isSpace())
                ++pos;
            Word value;
            value.raw = u"1";
            value.text = QStringLiteral("1");
            if (pos < n && html[pos] == u'=') {
                ++pos;
                while (pos < n && html[pos].isSpace())
                    ++pos;
                value = readWord(html, pos);
            }
            if (value.text.isEmpty())
                continue;
            anchor = anchor || key == u"id" || key == u"name";
            if (isAsciiName(key, true))
                written += u' ' + key + u'=' + quotedValue(value);
        }
        bool empty = false; // written <x/>: no children
        while (pos < n && html[pos] != u'>')
            empty = empty || html[pos++] == u'/';
        ++pos;
        if (name.isEmpty())
            continue; // the parser keeps nothing of it
        if (++elements > MaxHelpTags)
            return fail(QStringLiteral("it holds more than %1 tags").arg(MaxHelpTags));
        if (anchor && ++anchors > MaxHelpAnchors)
            return fail(QStringLiteral("it holds more than %1 anchors").arg(MaxHelpAnchors));
        if (empty || isVoidElement(name)) {
            out += u'<' + written + QStringLiteral(" />");
            continue;
        }
        // A paragraph or a list item ends the one it would otherwise sit in.
        if ((name == u"p" || name == u"li") && !open.isEmpty() && open.back().name == name)
            close();
        if (open.size() >= MaxHelpNesting)
            return fail(QStringLiteral("it nests elements more than %1 deep").arg(MaxHelpNesting));
        if (name == u"table" && ++tables > MaxHelpTableNesting)
            return fail(
                QStringLiteral("it nests tables more than %1 deep").arg(MaxHelpTableNesting));
        if (isList(name) && ++lists > MaxHelpListNesting)
            return fail(QStringLiteral("it nests lists more than %1 deep").arg(MaxHelpListNesting));
        if (name == u"li") {
            // Each item of a list costs the layout a walk through the list's items before it.
            int *items = &looseItems;
            for (qsizetype i = open.size() - 1; i >= 0; --i) {
                if (isList(open[i].name)) {
                    items = &open[i].items;
                    break;
                }
            }
            if (++*items > MaxHelpListItems)
                return fail(
                    QStringLiteral("a list holds more than %1 items").arg(MaxHelpListItems));
        }
        out += u'<' + written + u'>';
        open.push_back({name, written.section(u' ', 0, 0), 0});
    }
    while (!open.isEmpty())
        close();
    return out;
}

// The text shown in the index for a keyword that leads to one section or to several.
QString indexText(const HelpKeyword &keyword, const HelpSection &section)
{
    return keyword.sections.size() == 1
               ? keyword.keyword
               : keyword.keyword + QStringLiteral(" \u2014 ") + section.title;
}

constexpr int SectionRole = Qt::UserRole;

// Reads a picture the help file names: only a regular file in the help file's own folder
// (`folder`, with links and ".." resolved), within the bounds, opened without blocking, and
// within what `budget` has left. Returns a null image otherwise.
QImage readPicture(const QString &folder, const QUrl &url, qint64 &bytes, qint64 &pixels)
{
    if (folder.isEmpty() || !(url.scheme().isEmpty() || url.isLocalFile()))
        return QImage();
    const QString named = url.isLocalFile() ? url.toLocalFile() : url.path();
    const QFileInfo info(QDir(folder).absoluteFilePath(named));
    // Only a regular file is opened: a pipe would block, a device never end.
    const QString path = info.canonicalFilePath();
    if (path.isEmpty() || !path.startsWith(folder + u'/') || !QFileInfo(path).isFile())
        return QImage();
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return QImage();
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QImage();
    }
    // The file may have been replaced since it was looked at: what was opened decides.
    struct stat opened = {};
    const qint64 limit = std::min(MaxHelpPictureSize, bytes);
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_size > limit)
        return QImage();
    QByteArray data = file.read(limit + 1);
    if (data.size() > limit)
        return QImage();
    bytes -= data.size();
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    const qint64 area = qint64(size.width()) * size.height();
    if (!size.isValid() || size.width() > MaxHelpPictureSide ||
        size.height() > MaxHelpPictureSide || area > pixels)
        return QImage();
    pixels -= area;
    return reader.read();
}

// The page's document. It answers every resource itself, so nothing reaches the default loader,
// which would read any file named. Given no picture, Qt's image handler reads the named file
// itself: an absent picture is answered with an empty (transparent) one.
class HelpDocumentView final : public QTextDocument
{
public:
    using QTextDocument::QTextDocument;

    // The folder pictures may come from, anew for each help file read.
    void setFolder(const QString &folder)
    {
        m_folder = folder;
        m_pictures.clear();
        m_bytes = MaxHelpPicturesSize;
        m_pixels = MaxHelpPicturesPixels;
    }

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        if (type != QTextDocument::ImageResource)
            return QVariant(QString());
        auto known = m_pictures.find(name);
        if (known == m_pictures.end()) {
            QImage picture = readPicture(m_folder, name, m_bytes, m_pixels);
            if (picture.isNull()) {
                picture = QImage(1, 1, QImage::Format_ARGB32);
                picture.fill(Qt::transparent);
            }
            known = m_pictures.insert(name, picture);
        }
        return QVariant(*known);
    }

private:
    QString m_folder;
    QHash<QUrl, QImage> m_pictures; // each picture is read once
    qint64 m_bytes = 0;             // what the pictures may still read
    qint64 m_pixels = 0;
};

// WCAG's relative luminance and contrast ratio of two colours (1 to 21).
double luminance(const QColor &color)
{
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The page's own look in the desktop's colours: headings in the theme's accent (its link
// colour) when that reads well on the page, in the text colour otherwise. The help file's own
// style sheet comes after it.
QString pageStyle(const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    QColor heading = palette.color(QPalette::Link);
    if (contrast(heading, base) < 4.5)
        heading = palette.color(QPalette::Text);
    return QStringLiteral("h1, h2, h3 { color: %1; } .tip { background-color: %2; }")
        .arg(heading.name(), palette.color(QPalette::AlternateBase).name());
}

class HelpPage final : public QTextBrowser
{
public:
    // The document itself answers every resource, so nothing reaches the default loader,
    // which would read a named file.
    HelpPage() : m_view(new HelpDocumentView(this)) { setDocument(m_view); }

    // Shows `html`, its pictures read from `folder`, in the desktop's colours.
    void showHtml(const QString &html, const QString &folder)
    {
        m_html = html;
        m_view->setFolder(folder);
        m_view->setDefaultStyleSheet(pageStyle(palette()));
        setHtml(html);
    }

protected:
    // A new theme: the page again in its colours, where it was.
    void changeEvent(QEvent *event) override
    {
        QTextBrowser::changeEvent(event);
        if (event->type() == QEvent::PaletteChange && !m_html.isEmpty()) {
            const int place = verticalScrollBar()->value();
            m_view->setDefaultStyleSheet(pageStyle(palette()));
            setHtml(m_html);
            verticalScrollBar()->setValue(place);
        }
    }

private:
    HelpDocumentView *m_view;
    QString m_html;
};

// The viewer window. Its parts carry object names ("contents", "indexFilter", "index", "page",
// "sections") so that tests and assistive tools can find them.
class HelpViewer final : public QWidget
{
public:
    HelpViewer()
    {
        setObjectName(QStringLiteral("OstrevanHelp"));
        setWindowTitle(QStringLiteral("Ostrevan Help"));
        setAccessibleName(QStringLiteral("Ostrevan Help"));

        m_contents = new QTreeWidget;
        m_contents->setObjectName(QStringLiteral("contents"));
        m_contents->setAccessibleName(QStringLiteral("Contents"));
        m_contents->setHeaderHidden(true);
        m_contents->setRootIsDecorated(true);

        auto *indexPane = new QWidget;
        auto *filterLabel = new QLabel(QStringLiteral("Type a &keyword to find:"));
        m_filter = new QLineEdit;
        m_filter->setObjectName(QStringLiteral("indexFilter"));
        m_filter->setAccessibleName(QStringLiteral("Index keyword"));
        m_filter->setClearButtonEnabled(true);
        filterLabel->setBuddy(m_filter);
        m_index = new QListWidget;
        m_index->setObjectName(QStringLiteral("index"));
        m_index->setAccessibleName(QStringLiteral("Index"));
        auto *indexLayout = new QVBoxLayout(indexPane);
        indexLayout->setContentsMargins(4, 4, 4, 4);
        indexLayout->addWidget(filterLabel);
        indexLayout->addWidget(m_filter);
        indexLayout->addWidget(m_index);

        m_tabs = new QTabWidget;
        m_tabs->setObjectName(QStringLiteral("sections"));
        m_tabs->setAccessibleName(QStringLiteral("Contents and index"));
        m_tabs->addTab(m_contents, QStringLiteral("&Contents"));
        m_tabs->addTab(indexPane, QStringLiteral("&Index"));

        // The field's clear button, named for screen readers.
        for (QAction *clear : m_filter->actions()) {
            clear->setText(QStringLiteral("Clear keyword"));
            clear->setToolTip(clear->text());
        }
        for (QToolButton *clear : m_filter->findChildren<QToolButton *>())
            clear->setAccessibleName(QStringLiteral("Clear keyword"));

        m_page = new HelpPage;
        m_page->setObjectName(QStringLiteral("page"));
        m_page->setAccessibleName(QStringLiteral("Help page"));
        // Links inside the page move within it; web and mail links go to the desktop. Nothing
        // else may replace the page.
        m_page->setOpenLinks(false);

        auto *splitter = new QSplitter;
        splitter->addWidget(m_tabs);
        splitter->addWidget(m_page);
        splitter->setStretchFactor(1, 1);
        splitter->setSizes({290, 530});
        splitter->setChildrenCollapsible(false);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(6, 6, 6, 6);
        layout->addWidget(splitter);
        resize(820, 560);

        connect(m_contents, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
            if (item && !m_rebuilding)
                showSection(item->data(0, SectionRole).toInt(), false);
        });
        connect(m_contents, &QTreeWidget::itemActivated, this,
                [this](QTreeWidgetItem *item) { showSection(item->data(0, SectionRole).toInt()); });
        connect(m_filter, &QLineEdit::textChanged, this, &HelpViewer::filterIndex);
        connect(m_filter, &QLineEdit::returnPressed, this, [this] {
            if (QListWidgetItem *item = m_index->currentItem(); item && !item->isHidden())
                showSection(item->data(SectionRole).toInt());
        });
        connect(m_index, &QListWidget::itemActivated, this,
                [this](QListWidgetItem *item) { showSection(item->data(SectionRole).toInt()); });
        connect(m_page, &QTextBrowser::anchorClicked, this, &HelpViewer::followLink);
        m_filter->installEventFilter(this);
    }

    // Reads the file anew and shows it; on failure the page says why. Keeps the section shown
    // before when the file still has it.
    bool open(const QString &path)
    {
        const QString shown = m_current >= 0 && m_current < m_document.sections.size()
                                  ? m_document.sections[m_current].id
                                  : QString();
        QString error;
        HelpDocument document;
        const bool ok = readHelpFile(path, document, error);
        m_document = std::move(document);
        m_current = -1;
        m_rebuilding = true;
        m_items.clear();
        m_contents->clear();
        m_index->clear();
        if (ok) {
            m_page->showHtml(m_document.html, QFileInfo(path).canonicalPath());
            buildContents();
            buildIndex();
        } else {
            m_page->showHtml(QStringLiteral("<h2>Help is not available</h2><p>The help file "
                                            "<b>%1</b> could not be opened: %2.</p>")
                                 .arg(path.toHtmlEscaped(), error.toHtmlEscaped()),
                             QString());
        }
        m_rebuilding = false;
        filterIndex(m_filter->text());
        // The section shown before, when the file still has it; otherwise the top of the page,
        // where the file introduces itself, with the first entry chosen in the Contents.
        if (ok && !m_document.sections.isEmpty()) {
            int section = -1;
            for (int i = 0; i < m_document.sections.size(); ++i) {
                if (m_document.sections[i].id == shown) {
                    section = i;
                    break;
                }
            }
            if (section >= 0) {
                showSection(section, false);
            } else {
                m_current = 0;
                m_rebuilding = true;
                m_contents->setCurrentItem(m_items.value(0));
                m_rebuilding = false;
                m_page->verticalScrollBar()->setValue(0);
            }
        }
        return ok;
    }

    // A list widget's item that outlives its list is looked up in it when deleted, at a cost
    // that grows with the list; cleared first, the items go at once.
    ~HelpViewer() override { m_index->clear(); }

    void showFirstSection()
    {
        if (!m_document.sections.isEmpty())
            showSection(0, false);
    }

    void bringToFront(platform::Form *hWnd)
    {
        if (!m_placed) {
            m_placed = true;
            if (QScreen *screen = hWnd ? hWnd->screen() : nullptr) {
                QRect frame(QPoint(), size());
                frame.moveCenter(screen->availableGeometry().center());
                move(frame.topLeft());
            }
        }
        // The program's own icon, as the window that asked for help wears it.
        if (hWnd && !hWnd->windowIcon().isNull())
            setWindowIcon(hWnd->windowIcon());
        if (isMinimized())
            setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
        raise();
        activateWindow();
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
            close();
            return;
        }
        QWidget::keyPressEvent(event);
    }

    // Up and Down in the keyword field move through the index, as in a combo box.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_filter && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                key == Qt::Key_PageDown) {
                QCoreApplication::sendEvent(m_index, event);
                return true;
            }
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    void buildContents()
    {
        QTreeWidgetItem *chapter = nullptr;
        for (int i = 0; i < m_document.sections.size(); ++i) {
            const HelpSection &section = m_document.sections[i];
            QTreeWidgetItem *item = nullptr;
            if (section.level > 2 && chapter)
                item = new QTreeWidgetItem(chapter);
            else
                item = new QTreeWidgetItem(m_contents);
            item->setText(0, section.title);
            item->setData(0, SectionRole, i);
            if (section.level <= 2)
                chapter = item;
            m_items.push_back(item);
        }
        m_contents->expandAll();
    }

    void buildIndex()
    {
        for (const HelpKeyword &keyword : m_document.index) {
            for (int section : keyword.sections) {
                auto *item =
                    new QListWidgetItem(indexText(keyword, m_document.sections[section]), m_index);
                item->setData(SectionRole, section);
                item->setData(Qt::UserRole + 1, keyword.keyword);
            }
        }
    }

    // Shows the keywords that hold the typed text and selects the first that starts with it.
    void filterIndex(const QString &text)
    {
        const QString typed = text.trimmed();
        QListWidgetItem *first = nullptr;
        QListWidgetItem *starting = nullptr;
        for (int row = 0; row < m_index->count(); ++row) {
            QListWidgetItem *item = m_index->item(row);
            const QString keyword = item->data(Qt::UserRole + 1).toString();
            const bool shown = keyword.contains(typed, Qt::CaseInsensitive);
            item->setHidden(!shown);
            if (shown && !first)
                first = item;
            if (shown && !starting && keyword.startsWith(typed, Qt::CaseInsensitive))
                starting = item;
        }
        if (QListWidgetItem *pick = starting ? starting : first) {
            m_index->setCurrentItem(pick);
            m_index->scrollToItem(pick);
        } else {
            m_index->setCurrentItem(nullptr);
        }
    }

    void showSection(int section, bool focusPage = true)
    {
        if (section < 0 || section >= m_document.sections.size())
            return;
        m_current = section;
        m_page->scrollToAnchor(m_document.sections[section].id);
        if (section < m_items.size() && m_contents->currentItem() != m_items[section]) {
            m_rebuilding = true;
            m_contents->setCurrentItem(m_items[section]);
            m_rebuilding = false;
        }
        if (focusPage)
            m_page->setFocus(Qt::OtherFocusReason);
    }

    void followLink(const QUrl &url)
    {
        if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
            for (int i = 0; i < m_document.sections.size(); ++i) {
                if (m_document.sections[i].id == url.fragment()) {
                    showSection(i);
                    return;
                }
            }
            m_page->scrollToAnchor(url.fragment());
            return;
        }
        const QString scheme = url.scheme().toLower();
        if (scheme == u"http" || scheme == u"https" || scheme == u"mailto")
            QDesktopServices::openUrl(url);
    }

    QTabWidget *m_tabs = nullptr;
    QTreeWidget *m_contents = nullptr;
    QLineEdit *m_filter = nullptr;
    QListWidget *m_index = nullptr;
    HelpPage *m_page = nullptr;
    HelpDocument m_document;
    QList<QTreeWidgetItem *> m_items; // by section
    int m_current = -1;
    bool m_rebuilding = false;
    bool m_placed = false;
};

class DesktopHelp final : public Help
{
public:
    bool WinHelp(platform::Form *hWnd, const QString &lpszHelp, unsigned uCommand,
                 quintptr dwData) override
    {
        Q_UNUSED(dwData);
        if (uCommand == HELP_QUIT) {
            if (m_viewer)
                m_viewer->close();
            return true;
        }
        if (uCommand != HELP_FINDER && uCommand != HELP_CONTENTS)
            return false;
        if (!m_viewer)
            m_viewer = std::make_unique<HelpViewer>();
        // Shown first, so that the page has its width when it scrolls to a section.
        m_viewer->bringToFront(hWnd);
        const bool ok = m_viewer->open(lpszHelp);
        if (uCommand == HELP_CONTENTS)
            m_viewer->showFirstSection();
        return ok;
    }

private:
    std::unique_ptr<HelpViewer> m_viewer;
};

} // namespace

HelpDocument parseHelp(const QString &html)
{
    HelpDocument document;
    document.html = html;
    const qsizetype n = html.size();
    qsizetype pos = 0;
    // Every step moves `pos` past what it has read, or stops: the scan is linear.
    while (pos < n) {
        const qsizetype open = html.indexOf(u'<', pos);
        if (open < 0 || open + 3 > n)
            break;
        if (QStringView(html).sliced(open).startsWith(u"<!--")) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), open + 4);
            if (end < 0)
                break;
            pos = end + 3;
            continue;
        }
        const QChar h = html[open + 1];
        const QChar level = html[open + 2];
        const bool heading = (h == u'h' || h == u'H') && (level == u'2' || level == u'3') &&
                             (open + 3 == n || html[open + 3].isSpace() || html[open + 3] == u'>' ||
                              html[open + 3] == u'/');
        if (!heading) {
            pos = open + 1;
            continue;
        }
        std::map<QString, QString> attrs;
        const qsizetype tagEnd = readAttributes(html, open + 3, attrs);
        if (tagEnd < 0)
            break;
        const QString closing = QStringLiteral("</h") + level;
        const qsizetype close = html.indexOf(closing, tagEnd + 1, Qt::CaseInsensitive);
        if (close < 0)
            break;
        pos = close + closing.size();
        const auto id = attrs.find(QStringLiteral("id"));
        if (id == attrs.end() || id->second.trimmed().isEmpty())
            continue;
        HelpSection section;
        section.id = id->second.trimmed();
        section.title =
            shortened(plainText(QStringView(html).sliced(tagEnd + 1, close - tagEnd - 1)));
        section.level = level.digitValue();
        if (const auto keywords = attrs.find(QStringLiteral("data-keywords"));
            keywords != attrs.end()) {
            QSet<QString> seen;
            for (const QStringView keyword : QStringView(keywords->second).split(u';')) {
                const QString word = shortened(keyword.toString().simplified());
                if (!word.isEmpty() && !seen.contains(word.toCaseFolded())) {
                    seen.insert(word.toCaseFolded());
                    section.keywords.push_back(word);
                }
            }
        }
        if (section.title.isEmpty())
            section.title = section.id;
        document.sections.push_back(std::move(section));
    }

    // The index: each keyword once, in alphabetical order without regard to case.
    std::map<QString, HelpKeyword> keywords;
    for (int i = 0; i < document.sections.size(); ++i) {
        for (const QString &word : std::as_const(document.sections[i].keywords)) {
            HelpKeyword &entry = keywords[word.toCaseFolded()];
            if (entry.keyword.isEmpty())
                entry.keyword = word;
            entry.sections.push_back(i);
        }
    }
    for (auto &[key, entry] : keywords)
        document.index.push_back(std::move(entry));
    return document;
}

bool readHelpFile(const QString &path, HelpDocument &document, QString &error)
{
    document = HelpDocument();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        error = QStringLiteral("there is no such file");
        return false;
    }
    if (info.isDir()) {
        error = QStringLiteral("it is a folder, not a file");
        return false;
    }
    // A pipe or a device could block the program or never end.
    if (!info.isFile()) {
        error = QStringLiteral("it is not a regular file");
        return false;
    }
    if (info.size() > MaxHelpFileSize) {
        error = QStringLiteral("it is larger than %1 KiB").arg(MaxHelpFileSize >> 10);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    // The size may have changed since it was asked; never read more than the limit.
    const QByteArray data = file.read(MaxHelpFileSize + 1);
    if (data.size() > MaxHelpFileSize) {
        error = QStringLiteral("it is larger than %1 KiB").arg(MaxHelpFileSize >> 10);
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    if (data.contains('\0')) {
        error = QStringLiteral("it holds binary data, not a help text");
        return false;
    }
    const std::optional<QString> html = sanitizedMarkup(QString::fromUtf8(data), error);
    if (!html)
        return false;
    document = parseHelp(*html);
    qsizetype entries = 0;
    for (const HelpSection &section : std::as_const(document.sections))
        entries += section.keywords.size();
    if (entries > MaxHelpIndexEntries) {
        document = HelpDocument();
        error = QStringLiteral("its index has more than %1 entries").arg(MaxHelpIndexEntries);
        return false;
    }
    return true;
}

std::unique_ptr<Help> desktopHelp()
{
    return std::make_unique<DesktopHelp>();
}

} // namespace shell
