#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace settings
{

// The contents of a hive file: keys in file order, each with its values in creation order.
// Parsing is lenient per line: a line it cannot read is skipped and recorded, so the caller can
// keep the original before a rewrite drops it. Entries loaded from the file keep their text and
// are written back unchanged, so values of types the program never asks for survive verbatim.
class Hive
{
public:
    struct Entry {
        QString name; // empty: the key's unnamed value
        quint32 type = 0;
        QByteArray data;
        QByteArray raw;         // the lines as read; empty once the value is changed
        bool isComment = false; // a ';' line kept in place; raw holds it
    };
    struct Key {
        QString path; // full path, root included, with the case it was created with
        QByteArray raw;
        QList<Entry> entries;
    };

    static Hive parse(const QByteArray &bytes);
    QByteArray toBytes() const;

    // Lines that were skipped and would be missing from toBytes().
    int skippedLines() const { return m_skipped; }
    // A one-line account of what was wrong with the text; empty when it was clean.
    QString problems() const;

    bool exists(const QString &path) const;
    Key *key(const QString &path);
    const Key *key(const QString &path) const;
    QList<const Key *> subkeys(const QString &path) const;
    // Creates the key and every missing key above it; returns true when it was new.
    bool createKey(const QString &path);
    void removeKey(const QString &path);

    static QList<const Entry *> values(const Key &key);
    static Entry *value(Key &key, const QString &name);
    static const Entry *value(const Key &key, const QString &name);
    static void setValue(Key &key, const QString &name, quint32 type, const QByteArray &data);
    static bool removeValue(Key &key, const QString &name);

private:
    int keyIndex(const QString &path) const;
    void skip(int line, const QString &reason);

    QList<Key> m_keys;
    QList<QByteArray> m_preamble; // comments above the first key
    int m_skipped = 0;
    int m_firstSkippedLine = 0;
    QString m_firstReason;
    bool m_badHeader = false;
};

} // namespace settings
