#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace settings
{

// Value types, numbered as the registry numbers them in "hex(<type>):".
inline constexpr quint32 REG_SZ = 1; // UTF-8 text and one terminating zero
inline constexpr quint32 REG_BINARY = 3;
inline constexpr quint32 REG_DWORD = 4; // four bytes, least significant first

// The contents of a hive file: keys in file order, each with its values in creation order.
// Parsing is lenient per line: a line it cannot read is skipped and recorded, so the caller can
// keep the original before a rewrite drops it. Entries loaded from the file keep their text and
// are written back unchanged, so values of types the program never asks for survive verbatim.
//
// Only keys that have a line of their own are held. The keys above them exist without one, as
// when the file is imported, and get a line only when a change needs it; so the cost of reading
// and writing stays linear in the file's size however deep its keys are nested. Keys and value
// names are found through hash tables of their case-folded names.
class Hive
{
public:
    // The raw texts point into the text the hive was parsed from, which the hive keeps: an
    // entry is valid while its hive lives.
    struct Entry {
        QString name; // empty: the key's unnamed value
        quint32 type = 0;
        QByteArray data;
        QByteArray raw;         // the lines as read; empty once the value is changed
        bool isComment = false; // a ';' line kept in place; raw holds it
        size_t nameHash = 0;    // of the case-folded name
    };
    struct Key {
        QString path;   // full path, root included, with the case it was created with
        QString folded; // path.toCaseFolded(): what lookups compare
        QByteArray raw;
        QList<Entry> entries;
        // Places in entries by name hash, open addressed, for keys of more than a few entries
        // (the others are searched in order): the upper half of a slot holds 32 bits of the
        // hash, the lower half the place; all bits set is a free slot.
        QList<quint64> index;
    };

    static Hive parse(const QByteArray &bytes);
    QByteArray toBytes() const;

    // Lines that were skipped and would be missing from toBytes().
    int skippedLines() const { return m_skipped; }
    // A one-line account of what was wrong with the text; empty when it was clean.
    QString problems() const;
    // True once a call below has changed anything since parse().
    bool isModified() const { return m_modified; }

    // The keys with a line of their own, in file order.
    const QList<Key> &keys() const { return m_keys; }
    // A root always exists; any other key when it has a line or a key below it has one.
    bool exists(const QString &path) const;
    // The key's line, or null when it has none (a key that exists without a line holds no
    // values).
    Key *key(const QString &path);
    const Key *key(const QString &path) const;
    // Names of the keys directly below path, with or without lines of their own.
    QStringList subkeyNames(const QString &path) const;
    bool hasSubkeys(const QString &path) const;
    // Gives the key, and every key above it below its root, a line; returns true when the key
    // did not exist before. A new key takes the case its existing parent was created with.
    bool createKey(const QString &path);
    // Removes the key's line and values; its parent keeps existing.
    void removeKey(const QString &path);

    static QList<const Entry *> values(const Key &key);
    static size_t nameHash(QStringView name);
    static Entry *value(Key &key, const QString &name);
    static const Entry *value(const Key &key, const QString &name);
    // A replaced value keeps its place; storing the same type and data again changes nothing.
    void setValue(Key &key, const QString &name, quint32 type, const QByteArray &data);
    bool removeValue(Key &key, const QString &name);
    // Removes every value of the key; comments stay.
    void clearValues(Key &key);

    // REG_SZ data of a text and back, exactly: UTF-8 and one terminating zero. A leading
    // U+FEFF is part of the text, not a byte order mark. Text with an unpaired surrogate has no
    // UTF-8 form: textData() refuses it.
    static bool textData(const QString &text, QByteArray *data);
    static QString dataText(const QByteArray &data);
    // UTF-8 to text, keeping a leading U+FEFF.
    static QString decode(QByteArrayView utf8);

private:
    qsizetype keyIndex(const QString &folded) const { return m_index.value(folded, -1); }
    // A key with a line of its own at or below path, or -1.
    qsizetype firstAtOrBelow(const QString &folded) const;
    void reindex();
    static qsizetype find(const Key &key, const QString &name, size_t hash);
    static void append(Key &key, Entry &&entry);
    static void reindexValues(Key &key);
    static void indexValue(Key &key, qsizetype place);
    void skip(int line, const QString &reason);

    QByteArray m_source; // the text parsed, which raw texts point into
    QList<Key> m_keys;
    QHash<QString, qsizetype> m_index; // folded path -> place in m_keys
    QList<QByteArray> m_preamble;      // comments above the first key
    int m_skipped = 0;
    int m_firstSkippedLine = 0;
    QString m_firstReason;
    bool m_badHeader = false;
    bool m_modified = false;
};

} // namespace settings
