#include "settings/hive.h"

#include "settings/registry.h"

#include <QStringDecoder>
#include <algorithm>

namespace settings
{

namespace
{

bool decodeUtf8(const QByteArray &bytes, QString *text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *text = decoder.decode(bytes);
    return !decoder.hasError();
}

bool isHexDigits(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
}

// Reads the quoted text that starts at text[pos]; on success pos is just past the closing quote.
// Only \\ and \" are escapes: anything else is a line someone else wrote, and guessing its
// meaning could store a different text than the one that was meant.
bool readQuoted(const QString &text, qsizetype &pos, QString *out, QString *why)
{
    out->clear();
    for (++pos; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (c == u'"') {
            ++pos;
            return true;
        }
        if (c == u'\\') {
            if (pos + 1 >= text.size())
                break;
            const QChar next = text.at(++pos);
            if (next != u'\\' && next != u'"') {
                *why = QStringLiteral("an unknown escape \"\\%1\"").arg(next);
                return false;
            }
            out->append(next);
            continue;
        }
        out->append(c);
    }
    *why = QStringLiteral("a quote that is not closed");
    return false;
}

bool readKeyLine(const QString &line, QString *path, QString *why)
{
    if (!line.endsWith(u']')) {
        *why = QStringLiteral("a key line without its closing \"]\"");
        return false;
    }
    const QString inner = line.mid(1, line.size() - 2);
    if (inner.startsWith(u'-')) {
        *why = QStringLiteral("a key deletion, which a stored hive cannot hold");
        return false;
    }
    const QStringList parts = inner.split(u'\\');
    if (std::any_of(parts.begin(), parts.end(), [](const QString &p) { return p.isEmpty(); })) {
        *why = QStringLiteral("a key path with an empty name in it");
        return false;
    }
    *path = inner;
    return true;
}

// Splits `"name"=data` or `@=data`; the data part is returned unparsed.
bool readValueLine(const QString &line, QString *name, QString *data, QString *why)
{
    qsizetype pos = 0;
    if (line.startsWith(u'@')) {
        name->clear();
        pos = 1;
    } else if (!readQuoted(line, pos, name, why)) {
        return false;
    }
    while (pos < line.size() && line.at(pos).isSpace())
        ++pos;
    if (pos >= line.size() || line.at(pos) != u'=') {
        *why = QStringLiteral("no \"=\" after the value name");
        return false;
    }
    *data = line.mid(pos + 1).trimmed();
    return true;
}

bool readHexList(const QString &text, QByteArray *data, QString *why)
{
    data->clear();
    const QString list = text.trimmed();
    if (list.isEmpty())
        return true;
    for (const QString &item : list.split(u',')) {
        const QString byte = item.trimmed();
        if (byte.size() != 2 || !isHexDigits(byte)) {
            *why = QStringLiteral("a byte list that is cut short or not hexadecimal");
            return false;
        }
        data->append(char(byte.toUInt(nullptr, 16)));
    }
    return true;
}

bool readData(const QString &text, quint32 *type, QByteArray *data, QString *why)
{
    if (text.startsWith(u'"')) {
        qsizetype pos = 0;
        QString value;
        if (!readQuoted(text, pos, &value, why))
            return false;
        if (!text.mid(pos).trimmed().isEmpty()) {
            *why = QStringLiteral("text after the closing quote");
            return false;
        }
        *type = REG_SZ;
        *data = value.toUtf8();
        data->append('\0');
        return true;
    }
    if (text.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = text.mid(6).trimmed();
        if (digits.size() != 8 || !isHexDigits(digits)) {
            *why = QStringLiteral("a dword that is not eight hexadecimal digits");
            return false;
        }
        const quint32 number = digits.toUInt(nullptr, 16);
        *type = REG_DWORD;
        data->clear();
        for (int shift = 0; shift < 32; shift += 8)
            data->append(char((number >> shift) & 0xFF));
        return true;
    }
    if (text.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive)) {
        *type = REG_BINARY;
        return readHexList(text.mid(4), data, why);
    }
    if (text.startsWith(QLatin1String("hex("), Qt::CaseInsensitive)) {
        const qsizetype close = text.indexOf(u')');
        const QString number = close > 4 ? text.mid(4, close - 4) : QString();
        if (number.isEmpty() || number.size() > 8 || !isHexDigits(number) ||
            close + 1 >= text.size() || text.at(close + 1) != u':') {
            *why = QStringLiteral("a malformed \"hex(type):\"");
            return false;
        }
        *type = number.toUInt(nullptr, 16);
        return readHexList(text.mid(close + 2), data, why);
    }
    *why = QStringLiteral("a value of an unknown type");
    return false;
}

QByteArray quoted(const QString &text)
{
    QByteArray out = text.toUtf8();
    out.replace("\\", "\\\\");
    out.replace("\"", "\\\"");
    return '"' + out + '"';
}

// REG_SZ data that a quoted line can hold exactly: UTF-8 text on one line, one terminator.
bool isLineText(const QByteArray &data, QString *text)
{
    if (!data.endsWith('\0'))
        return false;
    const QByteArray body = data.chopped(1);
    if (body.contains('\0') || body.contains('\n') || body.contains('\r'))
        return false;
    return decodeUtf8(body, text);
}

QByteArray formatEntry(const Hive::Entry &entry)
{
    const QByteArray name = entry.name.isEmpty() ? QByteArray("@") : quoted(entry.name);
    QString text;
    if (entry.type == REG_SZ && isLineText(entry.data, &text))
        return name + '=' + quoted(text);
    if (entry.type == REG_DWORD && entry.data.size() == 4) {
        quint32 number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | quint8(entry.data.at(i));
        return name + "=dword:" + QByteArray::number(number, 16).rightJustified(8, '0');
    }
    // Everything else goes out byte for byte, wrapped like the desktop's registry editor does.
    QByteArray out = name + '=';
    out += entry.type == REG_BINARY ? QByteArray("hex:")
                                    : "hex(" + QByteArray::number(entry.type, 16) + "):";
    qsizetype column = out.size();
    for (qsizetype i = 0; i < entry.data.size(); ++i) {
        QByteArray item = QByteArray::number(quint8(entry.data.at(i)), 16).rightJustified(2, '0');
        if (i + 1 < entry.data.size())
            item += ',';
        if (i > 0 && column + item.size() > 77) {
            out += "\\\n  ";
            column = 2;
        }
        out += item;
        column += item.size();
    }
    return out;
}

} // namespace

Hive Hive::parse(const QByteArray &bytes)
{
    Hive hive;
    QByteArray text = bytes;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    // An empty file holds nothing that could be lost: it is simply an empty hive.
    if (std::all_of(lines.begin(), lines.end(),
                    [](const QByteArray &line) { return line.trimmed().isEmpty(); }))
        return hive;

    qsizetype i = 0;
    if (lines.first().trimmed() == "REGEDIT4")
        i = 1;
    else
        hive.m_badHeader = true; // the first line is then read like any other

    int current = -1;      // index of the key the following values belong to
    bool orphaned = false; // below a key line that could not be read
    for (; i < lines.size(); ++i) {
        const int lineNo = int(i) + 1;
        const QByteArray &raw = lines.at(i);
        const QByteArray bare = raw.trimmed();
        if (bare.isEmpty())
            continue;
        const bool keyLine = bare.startsWith('[');
        QString line;
        QString why;
        if (raw.contains('\0'))
            why = QStringLiteral("a zero byte");
        else if (!decodeUtf8(raw, &line))
            why = QStringLiteral("bytes that are not UTF-8");
        if (why.isEmpty() && keyLine && !readKeyLine(line.trimmed(), &line, &why))
            line.clear();
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
            hive.createKey(line);
            current = hive.keyIndex(line);
            if (hive.m_keys[current].raw.isEmpty())
                hive.m_keys[current].raw = raw;
            orphaned = false;
            continue;
        }
        line = line.trimmed();
        if (line.startsWith(u';')) {
            if (orphaned)
                hive.skip(lineNo, QStringLiteral("a comment below an unreadable key line"));
            else if (current < 0)
                hive.m_preamble.append(raw);
            else
                hive.m_keys[current].entries.append(Entry{{}, 0, {}, raw, true});
            continue;
        }
        if (!line.startsWith(u'"') && !line.startsWith(u'@')) {
            hive.skip(lineNo, QStringLiteral("a line that is not a key, a value or a comment"));
            continue;
        }

        const qsizetype first = i;
        QByteArray entryRaw = raw;
        QString name;
        QString data;
        bool ok = readValueLine(line, &name, &data, &why);
        if (ok && data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            // A long byte list continues on the next lines after a trailing backslash.
            while (data.endsWith(u'\\') && i + 1 < lines.size()) {
                const QByteArray next = lines.at(i + 1).trimmed();
                QString nextText;
                if (next.isEmpty() || QByteArray("[\"@;").contains(next.at(0)) ||
                    next.contains('\0') || !decodeUtf8(next, &nextText))
                    break;
                data.chop(1);
                data += nextText;
                entryRaw += '\n' + lines.at(i + 1);
                ++i;
            }
        }
        quint32 type = 0;
        QByteArray bytesOfValue;
        if (ok)
            ok = readData(data, &type, &bytesOfValue, &why);
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
        if (Entry *earlier = value(key, name)) {
            // The later line wins, as when the file is imported; the earlier one is dropped.
            hive.skip(lineNo, QStringLiteral("a second value of the same name"));
            *earlier = Entry{earlier->name, type, bytesOfValue, entryRaw, false};
        } else {
            key.entries.append(Entry{name, type, bytesOfValue, entryRaw, false});
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
        out += key.raw.isEmpty() ? '[' + key.path.toUtf8() + ']' : key.raw;
        out += '\n';
        for (const Entry &entry : key.entries) {
            out += entry.raw.isEmpty() ? formatEntry(entry) : entry.raw;
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

int Hive::keyIndex(const QString &path) const
{
    for (int i = 0; i < m_keys.size(); ++i) {
        if (m_keys.at(i).path.compare(path, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool Hive::exists(const QString &path) const
{
    // A root (HKEY_CURRENT_USER) always exists, with or without a line of its own.
    return !path.contains(u'\\') || keyIndex(path) >= 0;
}

Hive::Key *Hive::key(const QString &path)
{
    const int i = keyIndex(path);
    return i < 0 ? nullptr : &m_keys[i];
}

const Hive::Key *Hive::key(const QString &path) const
{
    const int i = keyIndex(path);
    return i < 0 ? nullptr : &m_keys.at(i);
}

QList<const Hive::Key *> Hive::subkeys(const QString &path) const
{
    const QString prefix = path + u'\\';
    QList<const Key *> children;
    for (const Key &key : m_keys) {
        if (key.path.startsWith(prefix, Qt::CaseInsensitive) &&
            !key.path.mid(prefix.size()).contains(u'\\'))
            children.append(&key);
    }
    return children;
}

bool Hive::createKey(const QString &path)
{
    if (keyIndex(path) >= 0)
        return false;
    // Keys above are listed too, so deleting this one later never makes its parent vanish.
    // A new key takes the case its existing parent was created with.
    QString stored = path;
    const qsizetype cut = path.lastIndexOf(u'\\');
    if (cut > 0 && path.left(cut).contains(u'\\')) {
        createKey(path.left(cut));
        stored = key(path.left(cut))->path + path.mid(cut);
    }
    m_keys.append(Key{stored, {}, {}});
    return true;
}

void Hive::removeKey(const QString &path)
{
    const int i = keyIndex(path);
    if (i >= 0)
        m_keys.removeAt(i);
}

QList<const Hive::Entry *> Hive::values(const Key &key)
{
    QList<const Entry *> found;
    for (const Entry &entry : key.entries) {
        if (!entry.isComment)
            found.append(&entry);
    }
    return found;
}

Hive::Entry *Hive::value(Key &key, const QString &name)
{
    for (Entry &entry : key.entries) {
        if (!entry.isComment && entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

const Hive::Entry *Hive::value(const Key &key, const QString &name)
{
    return value(const_cast<Key &>(key), name);
}

void Hive::setValue(Key &key, const QString &name, quint32 type, const QByteArray &data)
{
    // A replaced value keeps its place, so the enumeration order stays the creation order.
    if (Entry *entry = value(key, name)) {
        entry->type = type;
        entry->data = data;
        entry->raw.clear();
        return;
    }
    key.entries.append(Entry{name, type, data, {}, false});
}

bool Hive::removeValue(Key &key, const QString &name)
{
    for (qsizetype i = 0; i < key.entries.size(); ++i) {
        const Entry &entry = key.entries.at(i);
        if (!entry.isComment && entry.name.compare(name, Qt::CaseInsensitive) == 0) {
            key.entries.removeAt(i);
            return true;
        }
    }
    return false;
}

} // namespace settings
