// Runs the hive fuzz target without libFuzzer, so every build tests it: over each file of the
// seed corpus, then over inputs made from them by a fixed sequence of random mutations, until
// the count or the time is up (whichever comes first; the sequence is the same on every run).
//
//   hive_fuzz_driver <corpus folder> [mutations (default 200000)] [seconds (default 3)]
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace
{

void run(const QByteArray &input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()),
                           size_t(input.size()));
}

// Pieces of the format, parted by '|', so that mutations make lines the parser has to think
// about.
const QList<QByteArray> Tokens =
    QByteArray("[|]|\\|\"|=|@|hex:|hex(1):|hex(7):|dword:|\n|\r\n|,|;|,\\\n  |\\\\|\\\"|\\n|\\r|"
               "\\0|\xEF\xBB\xBF|\x01|REGEDIT4|00|ff|\r|\t| |\xC3|\xED\xA0\x80|\xF0\x9F\x8E\xB5|"
               "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\|[-|"
               "\"Preset0\"=\"00:00:05\"\n|@=\"\"\n|\n\n")
        .split('|');

QByteArray mutate(QByteArray input, const std::vector<QByteArray> &corpus, std::mt19937 &random)
{
    const auto below = [&](qsizetype n) {
        return n <= 0 ? qsizetype(0) : qsizetype(random() % quint64(n));
    };
    const int count = 1 + int(random() % 6);
    for (int m = 0; m < count; ++m) {
        const qsizetype at = below(input.size() + 1);
        switch (random() % 7) {
        case 0: // a byte changed
            if (!input.isEmpty())
                input[below(input.size())] = char(random());
            break;
        case 1:
        case 2: // a piece of the format put in
            input.insert(at, Tokens[qsizetype(random() % quint64(Tokens.size()))]);
            break;
        case 3: // some bytes gone
            input.remove(at, 1 + below(16));
            break;
        case 4: // some bytes repeated
            input.insert(at, input.mid(below(input.size()), 1 + below(64)));
            break;
        case 5: { // a piece of another input
            const QByteArray &other = corpus[size_t(below(qsizetype(corpus.size())))];
            input.insert(at, other.mid(below(other.size()), 1 + below(256)));
            break;
        }
        default: { // two lines swapped
            QList<QByteArray> lines = input.split('\n');
            if (lines.size() > 1)
                lines.swapItemsAt(below(lines.size()), below(lines.size()));
            input = lines.join('\n');
            break;
        }
        }
    }
    return input.left(64 * 1024);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fputs("usage: hive_fuzz_driver <corpus folder> [mutations] [seconds]\n", stderr);
        return 64;
    }
    const long long mutations = argc > 2 ? std::atoll(argv[2]) : 200000;
    const double seconds = argc > 3 ? std::atof(argv[3]) : 3.0;
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    std::vector<QByteArray> corpus;
    for (const QString &name : folder.entryList(QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
            return 1;
        }
        corpus.push_back(file.readAll());
    }
    if (corpus.empty()) {
        std::fprintf(stderr, "no seed inputs in %s\n", argv[1]);
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray &input : corpus)
        run(input);
    std::mt19937 random(20261207);
    long long done = 0;
    for (; done < mutations && timer.elapsed() < seconds * 1000; ++done)
        run(mutate(corpus[random() % corpus.size()], corpus, random));
    std::printf("hive fuzz: %zu seed inputs and %lld mutations in %.1f s, all kept their "
                "promises\n",
                corpus.size(), done, double(timer.elapsed()) / 1000);
    return 0;
}
