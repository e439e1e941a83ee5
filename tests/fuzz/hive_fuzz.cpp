// Fuzz target over the hive file's text. Whatever the bytes:
// - parsing them never fails hard;
// - the parsed hive, written out, reads back cleanly with the same keys and values, and
//   writing that again gives the same bytes;
// - texts and names taken from the input, stored into the hive, written out and read back,
//   come back exactly as they went in.
// A broken promise prints what broke and aborts, which libFuzzer and the plain driver report.
#include "settings/hive.h"

#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using settings::Hive;

namespace
{

[[noreturn]] void fail(const char *what, const QByteArray &input)
{
    std::fprintf(stderr, "hive fuzz: %s\ninput (%lld bytes, escaped): %s\n", what,
                 static_cast<long long>(input.size()),
                 input.toPercentEncoding(" !#$&'()*+,/:;=?@[]{}<>\"\\^`|~").constData());
    std::abort();
}

// What a reader of the hive sees: every key with a line, its comments and values in order.
QByteArray contents(const Hive &hive)
{
    QByteArray out;
    for (const Hive::Key &key : hive.keys()) {
        out += "key " + key.path.toUtf8() + '\n';
        for (const Hive::Entry &entry : key.entries) {
            if (entry.isComment)
                out += "  comment " + entry.raw + '\n';
            else
                out += "  value " + entry.name.toUtf8().toHex() + ' ' +
                       QByteArray::number(entry.type) + ' ' + entry.data.toHex() + '\n';
        }
    }
    return out;
}

// A key name from any text: no separators, line ends or zeros, never empty.
QString keyName(QString text)
{
    for (QChar &c : text) {
        if (c == u'\\' || c == u'\n' || c == u'\r' || c == QChar(0))
            c = u'_';
    }
    // Cut short, but not inside a surrogate pair: a key path has a UTF-8 form.
    const qsizetype length = text.size() > 40 && text.at(39).isHighSurrogate() ? 39 : 40;
    return text.isEmpty() ? QStringLiteral("k") : text.left(length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    // Read, write, read again.
    const Hive first = Hive::parse(input);
    const QByteArray written = first.toBytes();
    Hive second = Hive::parse(written);
    if (second.skippedLines() != 0 || !second.problems().isEmpty())
        fail("what was written does not read back cleanly", input);
    if (contents(second) != contents(first))
        fail("what was written reads back different", input);
    if (second.toBytes() != written)
        fail("writing what was read gives other bytes", input);

    // Store texts cut from the input (any Unicode, as UTF-8 decoding makes of the bytes: byte
    // order marks, quotes, backslashes, line ends, zeros) into the hive just read.
    const QList<QByteArray> pieces = input.split('\x01');
    const QString root = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan");
    for (qsizetype i = 0; i + 1 < pieces.size() && i < 64; i += 2) {
        const QString name = QString::fromUtf8(pieces.at(i));
        const QString text = QString::fromUtf8(pieces.at(i + 1));
        const uchar op = pieces.at(i).isEmpty() ? 0 : uchar(pieces.at(i).at(0)) % 8;
        const QString path =
            root + u'\\' + (op == 7 ? keyName(name) : QStringLiteral("S%1").arg(i % 3));
        QByteArray bytes;
        if (!Hive::textData(text, &bytes))
            fail("a decoded text has no UTF-8 form", input);
        if (op == 5) {
            Hive::Key *key = second.key(path);
            if (key && second.removeValue(*key, name) && Hive::value(*key, name))
                fail("a removed value is still there", input);
            continue;
        }
        if (op == 6 && !second.hasSubkeys(path)) {
            second.removeKey(path);
            if (second.key(path))
                fail("a removed key is still there", input);
            continue;
        }
        second.createKey(path);
        Hive::Key *key = second.key(path);
        if (!key)
            fail("a created key is missing", input);
        second.setValue(*key, name, settings::REG_SZ, bytes);
        const Hive::Entry *entry = Hive::value(*key, name);
        if (!entry || Hive::dataText(entry->data) != text)
            fail("a stored text reads different at once", input);
    }
    const QByteArray saved = second.toBytes();
    const Hive third = Hive::parse(saved);
    // Every key, name and value's bytes, in order: a name or text that reads back different
    // shows here.
    if (third.skippedLines() != 0 || contents(third) != contents(second))
        fail("stored values read back different", input);
    if (third.toBytes() != saved)
        fail("saving an unchanged hive gives other bytes", input);
    return 0;
}
