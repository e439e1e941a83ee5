#include "settings/hive.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace settings
{

namespace
{

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\n';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isHexDigits(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), isHexDigit);
}

int hexValue(char c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

bool startsWithNoCase(QByteArrayView text, const char *prefix)
{
    const qsizetype n = qsizetype(std::strlen(prefix));
    return text.size() >= n && qstrnicmp(text.data(), prefix, n) == 0;
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isUtf8(QByteArrayView text)
{
    const auto *s = reinterpret_cast<const uchar *>(text.data());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const uchar c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        for (int k = 1; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (s[i + k] & 0x3F);
        }
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

// The character at text[pos], for a message.
QString characterAt(QByteArrayView text, qsizetype pos)
{
    const QString rest = Hive::decode(text.sliced(pos, std::min<qsizetype>(4, text.size() - pos)));
    return rest.left(!rest.isEmpty() && rest.at(0).isHighSurrogate() ? 2 : 1);
}

// Reads the quoted text that starts at text[pos]; on success pos is just past the closing quote.
// Texts know only \\ and \" as escapes: anything else is a line someone else wrote (a path with
// single backslashes, say), and guessing its meaning could store a different text than the one
// that was meant. Value names have no other form in the file, so for them \n, \r and \0 stand
// for a line feed, a carriage return and a zero, as the desktop's registry editors write them.
bool readQuoted(QByteArrayView text, qsizetype &pos, QByteArray *out, bool nameEscapes,
                QString *why)
{
    out->clear();
    const char *s = text.data();
    const qsizetype n = text.size();
    qsizetype chunk = pos + 1;
    for (qsizetype i = chunk; i < n; ++i) {
        const char c = s[i];
        if (c == '"') {
            out->append(s + chunk, i - chunk);
            pos = i + 1;
            return true;
        }
        if (c != '\\')
            continue;
        out->append(s + chunk, i - chunk);
        if (i + 1 >= n)
            break;
        const char next = s[++i];
        if (next == '\\' || next == '"')
            out->append(next);
        else if (nameEscapes && next == 'n')
            out->append('\n');
        else if (nameEscapes && next == 'r')
            out->append('\r');
        else if (nameEscapes && next == '0')
            out->append('\0');
        else {
            *why = QStringLiteral("an unknown escape \"\\%1\"").arg(characterAt(text, i));
            return false;
        }
        chunk = i + 1;
    }
    *why = QStringLiteral("a quote that is not closed");
    return false;
}

bool readKeyLine(QByteArrayView line, QString *path, QString *why)
{
    if (!line.endsWith(']')) {
        *why = QStringLiteral("a key line without its closing \"]\"");
        return false;
    }
    const QByteArrayView inner = line.sliced(1, line.size() - 2);
    if (inner.startsWith('-')) {
        *why = QStringLiteral("a key deletion, which a stored hive cannot hold");
        return false;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i <= inner.size(); ++i) {
        if (i == inner.size() || inner[i] == '\\') {
            if (i == start) {
                *why = QStringLiteral("a key path with an empty name in it");
                return false;
            }
            start = i + 1;
        }
    }
    *path = Hive::decode(inner);
    return true;
}

// Splits `"name"=data` or `@=data`; the data part is returned unparsed.
bool readValueLine(QByteArrayView line, QByteArray *name, QByteArrayView *data, QString *why)
{
    qsizetype pos = 0;
    if (line.startsWith('@')) {
        name->clear();
        pos = 1;
    } else if (!readQuoted(line, pos, name, true, why)) {
        return false;
    }
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != '=') {
        *why = QStringLiteral("no \"=\" after the value name");
        return false;
    }
    *data = trimmed(line.sliced(pos + 1));
    return true;
}

bool readHexList(QByteArrayView text, QByteArray *data, QString *why)
{
    data->clear();
    const QByteArrayView list = trimmed(text);
    if (list.isEmpty())
        return true;
    data->reserve(list.size() / 3 + 1);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != ',')
            continue;
        const QByteArrayView byte = trimmed(list.sliced(start, i - start));
        if (byte.size() != 2 || !isHexDigits(byte)) {
            *why = QStringLiteral("a byte list that is cut short or not hexadecimal");
            return false;
        }
        data->append(char(hexValue(byte[0]) << 4 | hexValue(byte[1])));
        start = i + 1;
    }
    return true;
}

bool readData(QByteArrayView text, quint32 *type, QByteArray *data, QString *why)
{
    if (text.startsWith('"')) {
        qsizetype pos = 0;
        if (!readQuoted(text, pos, data, false, why))
            return false;
        if (!trimmed(text.sliced(pos)).isEmpty()) {
            *why = QStringLiteral("text after the closing quote");
            return false;
        }
        *type = REG_SZ;
        data->append('\0');
        return true;
    }
    if (startsWithNoCase(text, "dword:")) {
        const QByteArrayView digits = trimmed(text.sliced(6));
        if (digits.size() != 8 || !isHexDigits(digits)) {
            *why = QStringLiteral("a dword that is not eight hexadecimal digits");
            return false;
        }
        quint32 number = 0;
        for (char c : digits)
            number = number << 4 | quint32(hexValue(c));
        *type = REG_DWORD;
        data->clear();
        for (int shift = 0; shift < 32; shift += 8)
            data->append(char((number >> shift) & 0xFF));
        return true;
    }
    if (startsWithNoCase(text, "hex:")) {
        *type = REG_BINARY;
        return readHexList(text.sliced(4), data, why);
    }
    if (startsWithNoCase(text, "hex(")) {
        const qsizetype close = text.indexOf(')');
        const QByteArrayView number = close > 4 ? text.sliced(4, close - 4) : QByteArrayView();
        if (number.isEmpty() || number.size() > 8 || !isHexDigits(number) ||
            close + 1 >= text.size() || text[close + 1] != ':') {
            *why = QStringLiteral("a malformed \"hex(type):\"");
            return false;
        }
        quint32 value = 0;
        for (char c : number)
            value = value << 4 | quint32(hexValue(c));
        *type = value;
        return readHexList(text.sliced(close + 2), data, why);
    }
    *why = QStringLiteral("a value of an unknown type");
    return false;
}

void appendQuoted(QByteArray &out, QByteArrayView text, bool nameEscapes)
{
    out += '"';
    qsizetype chunk = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char *escape = c == '\\'                  ? "\\\\"
                             : c == '"'                 ? "\\\""
                             : nameEscapes && c == '\n' ? "\\n"
                             : nameEscapes && c == '\r' ? "\\r"
                             : nameEscapes && c == '\0' ? "\\0"
                                                        : nullptr;
        if (!escape)
            continue;
        out.append(text.data() + chunk, i - chunk);
        out += escape;
        chunk = i + 1;
    }
    out.append(text.data() + chunk, text.size() - chunk);
    out += '"';
}

// REG_SZ data that a quoted line can hold exactly: UTF-8 text on one line, one terminator.
bool isLineText(const QByteArray &data)
{
    if (!data.endsWith('\0'))
        return false;
    const QByteArrayView body(data.constData(), data.size() - 1);
    for (char c : body) {
        if (c == '\0' || c == '\n' || c == '\r')
            return false;
    }
    return isUtf8(body);
}

void appendEntry(QByteArray &out, const Hive::Entry &entry)
{
    const qsizetype lineStart = out.size();
    if (entry.name.isEmpty())
        out += '@';
    else
        appendQuoted(out, entry.name.toUtf8(), true);
    out += '=';
    if (entry.type == REG_SZ && isLineText(entry.data)) {
        appendQuoted(out, QByteArrayView(entry.data).chopped(1), false);
        return;
    }
    if (entry.type == REG_DWORD && entry.data.size() == 4) {
        quint32 number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | quint8(entry.data.at(i));
        out += "dword:" + QByteArray::number(number, 16).rightJustified(8, '0');
        return;
    }
    // Everything else goes out byte for byte, wrapped like the desktop's registry editor does.
    out += entry.type == REG_BINARY ? QByteArray("hex:")
                                    : "hex(" + QByteArray::number(entry.type, 16) + "):";
    qsizetype column = out.size() - lineStart;
    static const char digits[] = "0123456789abcdef";
    const qsizetype size = entry.data.size();
    out.reserve(out.size() + size * 3 + size / 25 * 4);
    for (qsizetype i = 0; i < size; ++i) {
        const int length = i + 1 < size ? 3 : 2;
        if (i > 0 && column + length > 77) {
            out += "\\\n  ";
            column = 2;
        }
        const quint8 byte = quint8(entry.data.at(i));
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
        if (length == 3)
            out += ',';
        column += length;
    }
}

// The length of the first `count` names of a key path.
qsizetype leadingNames(const QString &path, qsizetype count)
{
    qsizetype seen = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path.at(i) == u'\\' && ++seen == count)
            return i;
    }
    return path.size();
}

// How many leading names two case-folded paths share.
qsizetype sharedNames(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype names = 0;
    qsizetype i = 0;
    for (; i < n && a.at(i) == b.at(i); ++i) {
        if (a.at(i) == u'\\')
            ++names;
    }
    const bool endA = i == a.size() || a.at(i) == u'\\';
    const bool endB = i == b.size() || b.at(i) == u'\\';
    return names + (i > 0 && endA && endB ? 1 : 0);
}

// Keys of up to this many entries are searched in order rather than through an index.
constexpr qsizetype SmallKey = 8;
constexpr quint64 FreeSlot = ~quint64(0);

// One registry call creates at most this many levels of keys.
constexpr qsizetype MaxNewLevels = 32;

bool isBelow(const QString &folded, const QString &ancestor)
{
    return folded.size() > ancestor.size() && folded.at(ancestor.size()) == u'\\' &&
           folded.startsWith(ancestor);
}

} // namespace

QString Hive::decode(QByteArrayView utf8)
{
    if (!utf8.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(utf8);
    // fromUtf8() would take the U+FEFF for a byte order mark and drop it.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

bool Hive::textData(const QString &text, QByteArray *data)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    *data = text.toUtf8();
    data->append('\0');
    return true;
}

QString Hive::dataText(const QByteArray &data)
{
    // Data someone stored without a terminator loses no character.
    return decode(data.endsWith('\0') ? QByteArrayView(data).chopped(1) : QByteArrayView(data));
}

Hive Hive::parse(const QByteArray &bytes)
{
    Hive hive;
    // Raw texts point into the hive's own copy of the text, shared with the caller's; a text
    // that does not own its bytes is copied first.
    hive.m_source = bytes;
    if (!hive.m_source.data_ptr().d_ptr())
        hive.m_source = QByteArray(bytes.constData(), bytes.size());
    const auto slice = [](QByteArrayView view) {
        return QByteArray::fromRawData(view.data(), view.size());
    };
    QByteArrayView text(hive.m_source);
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    // An empty file holds nothing that could be lost: it is simply an empty hive.
    if (trimmed(text).isEmpty())
        return hive;

    QList<QByteArrayView> lines;
    for (qsizetype start = 0;;) {
        const char *nl =
            static_cast<const char *>(std::memchr(text.data() + start, '\n', text.size() - start));
        const qsizetype end = nl ? nl - text.data() : text.size();
        QByteArrayView line = text.sliced(start, end - start);
        // Every carriage return at the end, so a line kept as read reads the same again.
        while (line.endsWith('\r'))
            line.chop(1);
        lines.append(line);
        if (!nl)
            break;
        start = end + 1;
    }

    qsizetype i = 0;
    if (trimmed(lines.first()) == "REGEDIT4")
        i = 1;
    else
        hive.m_badHeader = true; // the first line is then read like any other

    qsizetype current = -1; // index of the key the following values belong to
    bool orphaned = false;  // below a key line that could not be read
    QByteArray name;
    QByteArray value;
    for (; i < lines.size(); ++i) {
        const int lineNo = int(i) + 1;
        const QByteArrayView raw = lines.at(i);
        const QByteArrayView bare = trimmed(raw);
        if (bare.isEmpty())
            continue;
        const bool keyLine = bare.startsWith('[');
        QString why;
        QString path;
        if (raw.contains('\0'))
            why = QStringLiteral("a zero byte");
        else if (!isUtf8(raw))
            why = QStringLiteral("bytes that are not UTF-8");
        else if (keyLine)
            readKeyLine(bare, &path, &why);
        if (!why.isEmpty()) {
            hive.skip(lineNo, why);
            if (keyLine) {
                // Its values must not be taken for values of the key above.
                current = -1;
                orphaned = true;
            }
            continue;
        }
        if (keyLine) {
            const QString folded = path.toCaseFolded();
            current = hive.keyIndex(folded);
            if (current < 0) {
                current = hive.m_keys.size();
                // The line is kept only when writing the path again would not give it back.
                hive.m_keys.append(
                    Key{path, folded, raw == bare ? QByteArray() : slice(raw), {}, {}});
                hive.m_index.insert(folded, current);
            }
            orphaned = false;
            continue;
        }
        if (bare.startsWith(';')) {
            if (orphaned)
                hive.skip(lineNo, QStringLiteral("a comment below an unreadable key line"));
            else if (current < 0)
                hive.m_preamble.append(slice(raw));
            else
                append(hive.m_keys[current], Entry{{}, 0, {}, slice(raw), true});
            continue;
        }
        if (!bare.startsWith('"') && !bare.startsWith('@')) {
            hive.skip(lineNo, QStringLiteral("a line that is not a key, a value or a comment"));
            continue;
        }

        const qsizetype first = i;
        QByteArrayView data;
        bool ok = readValueLine(bare, &name, &data, &why);
        QByteArray joined; // a byte list that continues over several lines
        if (ok && startsWithNoCase(data, "hex") && data.endsWith('\\')) {
            joined = data.toByteArray();
            // A long byte list continues on the next lines after a trailing backslash.
            while (joined.endsWith('\\') && i + 1 < lines.size()) {
                const QByteArrayView next = trimmed(lines.at(i + 1));
                if (next.isEmpty() || QByteArrayView("[\"@;").contains(next[0]) ||
                    next.contains('\0') || !isUtf8(next))
                    break;
                joined.chop(1);
                joined += next;
                ++i;
            }
            data = joined;
        }
        quint32 type = 0;
        if (ok)
            ok = readData(data, &type, &value, &why);
        if (ok && current < 0) {
            ok = false;
            why = orphaned ? QStringLiteral("a value below an unreadable key line")
                           : QStringLiteral("a value above the first key line");
        }
        if (!ok) {
            for (qsizetype l = first; l <= i; ++l)
                hive.skip(int(l) + 1, why);
            continue;
        }
        Key &key = hive.m_keys[current];
        const QString entryName = decode(name);
        const size_t hash = nameHash(entryName);
        const qsizetype earlier = find(key, entryName, hash);
        if (earlier >= 0) {
            // The later line wins, as when the file is imported; the earlier one is dropped.
            // The value keeps its first name, which its line is then written anew with.
            hive.skip(lineNo, QStringLiteral("a second value of the same name"));
            Entry &entry = key.entries[earlier];
            entry = Entry{entry.name, type, value, {}, false, hash};
        } else {
            // The lines as read, one after the other in the text.
            const QByteArrayView last = lines.at(i);
            const QByteArrayView span(raw.data(), last.data() + last.size() - raw.data());
            append(key, Entry{entryName, type, value, slice(span), false, hash});
        }
    }
    return hive;
}

QByteArray Hive::toBytes() const
{
    QByteArray out = "REGEDIT4\n\n";
    for (const QByteArray &line : m_preamble)
        out += line + '\n';
    if (!m_preamble.isEmpty())
        out += '\n';
    for (const Key &key : m_keys) {
        if (key.raw.isEmpty())
            out += '[' + key.path.toUtf8() + ']';
        else
            out += key.raw;
        out += '\n';
        for (const Entry &entry : key.entries) {
            if (entry.raw.isEmpty())
                appendEntry(out, entry);
            else
                out += entry.raw;
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

QString Hive::problems() const
{
    QStringList parts;
    if (m_badHeader)
        parts << QStringLiteral("the first line is not \"REGEDIT4\"");
    if (m_skipped > 0) {
        parts << QStringLiteral("skipped %1 unreadable line(s), the first at line %2 (%3)")
                     .arg(m_skipped)
                     .arg(m_firstSkippedLine)
                     .arg(m_firstReason);
    }
    return parts.join(QStringLiteral("; "));
}

void Hive::skip(int line, const QString &reason)
{
    if (m_skipped++ == 0) {
        m_firstSkippedLine = line;
        m_firstReason = reason;
    }
}

qsizetype Hive::firstAtOrBelow(const QString &folded) const
{
    const qsizetype exact = keyIndex(folded);
    for (qsizetype i = 0; i < m_keys.size(); ++i) {
        if (i == exact || isBelow(m_keys.at(i).folded, folded))
            return i;
    }
    return -1;
}

bool Hive::exists(const QString &path) const
{
    // A root (HKEY_CURRENT_USER) always exists, with or without a line of its own.
    return !path.contains(u'\\') || firstAtOrBelow(path.toCaseFolded()) >= 0;
}

Hive::Key *Hive::key(const QString &path)
{
    const qsizetype i = keyIndex(path.toCaseFolded());
    return i < 0 ? nullptr : &m_keys[i];
}

const Hive::Key *Hive::key(const QString &path) const
{
    const qsizetype i = keyIndex(path.toCaseFolded());
    return i < 0 ? nullptr : &m_keys.at(i);
}

QStringList Hive::subkeyNames(const QString &path) const
{
    const QString folded = path.toCaseFolded();
    const qsizetype depth = path.count(u'\\') + 1;
    QStringList names;
    QHash<QString, bool> seen;
    for (const Key &key : m_keys) {
        if (!isBelow(key.folded, folded))
            continue;
        const qsizetype begin = leadingNames(key.path, depth) + 1;
        const QString name = key.path.mid(begin, leadingNames(key.path, depth + 1) - begin);
        const QString foldedName = name.toCaseFolded();
        if (!seen.contains(foldedName)) {
            seen.insert(foldedName, true);
            names.append(name);
        }
    }
    return names;
}

bool Hive::hasSubkeys(const QString &path) const
{
    const QString folded = path.toCaseFolded();
    return std::any_of(m_keys.begin(), m_keys.end(),
                       [&](const Key &key) { return isBelow(key.folded, folded); });
}

void Hive::reindex()
{
    m_index.clear();
    m_index.reserve(m_keys.size());
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        m_index.insert(m_keys.at(i).folded, i);
}

bool Hive::createKey(const QString &path)
{
    const QString folded = path.toCaseFolded();
    if (keyIndex(folded) >= 0)
        return false;
    // One look at every key tells how much of the path exists already, and in which case: the
    // key sharing the most names with it, and among those the line of the shared part itself.
    qsizetype known = 1; // the root always exists
    qsizetype caseFrom = -1;
    qsizetype caseNames = 0;
    bool caseOwn = false;
    for (qsizetype i = 0; i < m_keys.size(); ++i) {
        const qsizetype names = sharedNames(m_keys.at(i).folded, folded);
        const bool own = names == m_keys.at(i).folded.count(u'\\') + 1;
        if (names > caseNames || (names == caseNames && names > 0 && own && !caseOwn)) {
            caseFrom = i;
            caseNames = names;
            caseOwn = own;
        }
        known = std::max(known, names);
    }
    QString stored = path;
    if (caseFrom >= 0) {
        const QString &other = m_keys.at(caseFrom).path;
        stored =
            other.left(leadingNames(other, caseNames)) + path.mid(leadingNames(path, caseNames));
    }

    // New keys above it get lines too, as the desktop's registry editor writes them (roots
    // excepted, and not past the depth one registry call may create, so a path of any length
    // costs time linear in its length). Keys that exist already keep the file as it is.
    const qsizetype names = path.count(u'\\') + 1;
    QList<Key> block;
    for (qsizetype level = std::max<qsizetype>(2, known + 1); level < std::min(names, MaxNewLevels);
         ++level) {
        block.append(Key{stored.left(leadingNames(stored, level)),
                         folded.left(leadingNames(folded, level)),
                         {},
                         {},
                         {}});
    }
    block.append(Key{stored, folded, {}, {}, {}});
    m_modified = true;
    // A key that existed without a line gets one above the keys below it.
    const qsizetype at = names <= known ? firstAtOrBelow(folded) : -1;
    if (at < 0) {
        for (Key &key : block) {
            m_index.insert(key.folded, m_keys.size());
            m_keys.append(std::move(key));
        }
    } else {
        m_keys.insert(at, std::move(block.first()));
        reindex();
    }
    return names > known;
}

void Hive::removeKey(const QString &path)
{
    const qsizetype i = keyIndex(path.toCaseFolded());
    if (i < 0)
        return;
    const QString stored = m_keys.at(i).path;
    m_keys.removeAt(i);
    reindex();
    m_modified = true;
    // A parent that existed only through this key keeps existing, with a line in its place.
    const qsizetype cut = stored.lastIndexOf(u'\\');
    const QString parent = stored.left(cut);
    if (cut > 0 && parent.contains(u'\\') && !exists(parent)) {
        m_keys.insert(i, Key{parent, parent.toCaseFolded(), {}, {}, {}});
        reindex();
    }
}

QList<const Hive::Entry *> Hive::values(const Key &key)
{
    QList<const Entry *> found;
    found.reserve(key.entries.size());
    for (const Entry &entry : key.entries) {
        if (!entry.isComment)
            found.append(&entry);
    }
    return found;
}

size_t Hive::nameHash(QStringView name)
{
    // FNV-1a over the case-folded characters, as QString::compare() folds them.
    quint64 hash = 14695981039346656037ull;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name.at(i).unicode();
        if (c < 0x80)
            c = c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; // what toCaseFolded() gives
        else if (QChar::isHighSurrogate(c) && i + 1 < name.size() &&
                 name.at(i + 1).isLowSurrogate())
            c = QChar::toCaseFolded(QChar::surrogateToUcs4(char16_t(c), name.at(++i).unicode()));
        else
            c = QChar::toCaseFolded(c);
        hash = (hash ^ c) * 1099511628211ull;
    }
    return size_t(hash);
}

qsizetype Hive::find(const Key &key, const QString &name, size_t hash)
{
    const auto same = [&](qsizetype i) {
        const Entry &entry = key.entries.at(i);
        return !entry.isComment && entry.nameHash == hash &&
               entry.name.compare(name, Qt::CaseInsensitive) == 0;
    };
    if (key.index.isEmpty()) {
        for (qsizetype i = 0; i < key.entries.size(); ++i) {
            if (same(i))
                return i;
        }
        return -1;
    }
    const size_t mask = size_t(key.index.size()) - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const quint64 item = key.index.at(qsizetype(slot));
        if (item == FreeSlot)
            return -1;
        if (item >> 32 == quint32(hash >> 32) && same(qsizetype(quint32(item))))
            return qsizetype(quint32(item));
    }
}

void Hive::indexValue(Key &key, qsizetype place)
{
    const size_t mask = size_t(key.index.size()) - 1;
    const size_t hash = key.entries.at(place).nameHash;
    size_t slot = hash & mask;
    while (key.index.at(qsizetype(slot)) != FreeSlot)
        slot = (slot + 1) & mask;
    key.index[qsizetype(slot)] = quint64(quint32(hash >> 32)) << 32 | quint32(place);
}

void Hive::append(Key &key, Entry &&entry)
{
    const bool isValue = !entry.isComment;
    key.entries.append(std::move(entry));
    // The table stays at most half full.
    if (key.entries.size() > SmallKey && key.entries.size() * 2 > key.index.size())
        reindexValues(key);
    else if (isValue && !key.index.isEmpty())
        indexValue(key, key.entries.size() - 1);
}

void Hive::reindexValues(Key &key)
{
    key.index.clear();
    if (key.entries.size() <= SmallKey)
        return;
    qsizetype size = 16;
    while (size < key.entries.size() * 4)
        size *= 2;
    key.index.fill(FreeSlot, size);
    for (qsizetype i = 0; i < key.entries.size(); ++i) {
        if (!key.entries.at(i).isComment)
            indexValue(key, i);
    }
}

Hive::Entry *Hive::value(Key &key, const QString &name)
{
    const qsizetype i = find(key, name, nameHash(name));
    return i < 0 ? nullptr : &key.entries[i];
}

const Hive::Entry *Hive::value(const Key &key, const QString &name)
{
    return value(const_cast<Key &>(key), name);
}

void Hive::setValue(Key &key, const QString &name, quint32 type, const QByteArray &data)
{
    // A replaced value keeps its place, so the enumeration order stays the creation order.
    const size_t hash = nameHash(name);
    const qsizetype i = find(key, name, hash);
    if (i >= 0) {
        Entry &entry = key.entries[i];
        if (entry.type == type && entry.data == data)
            return;
        entry.type = type;
        entry.data = data;
        entry.raw.clear();
    } else {
        append(key, Entry{name, type, data, {}, false, hash});
    }
    m_modified = true;
}

bool Hive::removeValue(Key &key, const QString &name)
{
    const qsizetype i = find(key, name, nameHash(name));
    if (i < 0)
        return false;
    key.entries.removeAt(i);
    reindexValues(key);
    m_modified = true;
    return true;
}

void Hive::clearValues(Key &key)
{
    const qsizetype removed =
        key.entries.removeIf([](const Entry &entry) { return !entry.isComment; });
    if (removed == 0)
        return;
    reindexValues(key);
    m_modified = true;
}

} // namespace settings
