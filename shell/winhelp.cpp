#include "shell/winhelp.h"

#include "platform/form.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
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

// Text of an HTML fragment: tags dropped, character references decoded, blanks collapsed.
QString plainText(QStringView html)
{
    QString out;
    out.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html[i];
        if (c == u'<') {
            const qsizetype end = html.indexOf(u'>', i);
            if (end < 0)
                break;
            i = end;
            out += u' ';
        } else if (c == u'&') {
            const qsizetype end = html.indexOf(u';', i);
            QString decoded;
            if (end > i + 1 && end - i <= 10) {
                const QStringView name = html.sliced(i + 1, end - i - 1);
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
            }
            if (decoded.isEmpty()) {
                out += c;
            } else {
                out += decoded;
                i = end;
            }
        } else {
            out += c;
        }
    }
    return out.simplified();
}

// Reads the attributes of a start tag from `pos` (just after the tag's name) to its '>'.
// Returns the position of the '>' or -1 when the tag never ends.
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
        while (pos < n && html[pos].isSpace())
            ++pos;
        QString value;
        if (pos < n && html[pos] == u'=') {
            ++pos;
            while (pos < n && html[pos].isSpace())
                ++pos;
            if (pos >= n)
                return -1;
            if (html[pos] == u'"' || html[pos] == u'\'') {
                const qsizetype close = html.indexOf(html[pos], pos + 1);
                if (close < 0)
                    return -1;
                value = html.sliced(pos + 1, close - pos - 1);
                pos = close + 1;
            } else {
                const qsizetype start = pos;
                while (pos < n && !html[pos].isSpace() && html[pos] != u'>')
                    ++pos;
                value = html.sliced(start, pos - start);
            }
        }
        attrs.emplace(name, plainText(value));
    }
    return -1;
}

// Checks the markup against the bounds that keep the page's layout cheap. Linear: every step
// moves past what it has read.
bool checkMarkup(const QString &html, QString &error)
{
    int tags = 0;
    int anchors = 0;
    int tables = 0;
    int lists = 0;
    const qsizetype n = html.size();
    qsizetype pos = 0;
    while (pos < n) {
        const qsizetype open = html.indexOf(u'<', pos);
        if (open < 0 || open + 1 >= n)
            break;
        if (QStringView(html).sliced(open).startsWith(u"<!--")) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), open + 4);
            if (end < 0)
                break;
            pos = end + 3;
            continue;
        }
        const bool closing = html[open + 1] == u'/';
        qsizetype nameEnd = open + (closing ? 2 : 1);
        const qsizetype nameStart = nameEnd;
        while (nameEnd < n && html[nameEnd].isLetterOrNumber())
            ++nameEnd;
        if (nameEnd == nameStart || !html[nameStart].isLetter()) {
            pos = open + 1;
            continue;
        }
        if (++tags > MaxHelpTags) {
            error = QStringLiteral("it holds more than %1 tags").arg(MaxHelpTags);
            return false;
        }
        const QString name = html.sliced(nameStart, nameEnd - nameStart).toLower();
        const int step = closing ? -1 : 1;
        if (name == u"table")
            tables = std::max(0, tables + step);
        else if (name == u"ul" || name == u"ol" || name == u"dl")
            lists = std::max(0, lists + step);
        if (tables > MaxHelpTableNesting) {
            error = QStringLiteral("it nests tables more than %1 deep").arg(MaxHelpTableNesting);
            return false;
        }
        if (lists > MaxHelpListNesting) {
            error = QStringLiteral("it nests lists more than %1 deep").arg(MaxHelpListNesting);
            return false;
        }
        std::map<QString, QString> attrs;
        const qsizetype end = readAttributes(html, nameEnd, attrs);
        if (end < 0)
            break;
        if (attrs.count(QStringLiteral("id")) || attrs.count(QStringLiteral("name"))) {
            if (++anchors > MaxHelpAnchors) {
                error = QStringLiteral("it holds more than %1 anchors").arg(MaxHelpAnchors);
                return false;
            }
        }
        pos = end + 1;
    }
    return true;
}

// The text shown in the index for a keyword that leads to one section or to several.
QString indexText(const HelpKeyword &keyword, const HelpSection &section)
{
    return keyword.sections.size() == 1
               ? keyword.keyword
               : keyword.keyword + QStringLiteral(" \u2014 ") + section.title;
}

constexpr int SectionRole = Qt::UserRole;

// The page. The help is one file: it loads nothing else, so a picture named in it can neither
// read a file without end (/dev/zero) nor one of any size. An answer of no data would let the
// document read the file itself; empty data is a picture that cannot be shown.
class HelpDocumentView final : public QTextDocument
{
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        Q_UNUSED(type);
        Q_UNUSED(name);
        return QVariant(QImage());
    }
};

class HelpPage final : public QTextBrowser
{
public:
    // The document itself answers every resource, so nothing reaches the default loader,
    // which would read a named file.
    HelpPage() { setDocument(new HelpDocumentView(this)); }
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
            m_page->setHtml(m_document.html);
            buildContents();
            buildIndex();
        } else {
            m_page->setHtml(QStringLiteral("<h2>Help is not available</h2><p>The help file "
                                           "<b>%1</b> could not be opened: %2.</p>")
                                .arg(path.toHtmlEscaped(), error.toHtmlEscaped()));
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
    QTextBrowser *m_page = nullptr;
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
        section.title = plainText(QStringView(html).sliced(tagEnd + 1, close - tagEnd - 1));
        section.level = level.digitValue();
        if (const auto keywords = attrs.find(QStringLiteral("data-keywords"));
            keywords != attrs.end()) {
            for (const QString &keyword : keywords->second.split(u';')) {
                const QString word = keyword.simplified();
                if (!word.isEmpty() && !section.keywords.contains(word, Qt::CaseInsensitive))
                    section.keywords.push_back(word);
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
    const QString html = QString::fromUtf8(data);
    if (!checkMarkup(html, error))
        return false;
    document = parseHelp(html);
    return true;
}

std::unique_ptr<Help> desktopHelp()
{
    return std::make_unique<DesktopHelp>();
}

} // namespace shell
