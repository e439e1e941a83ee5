// The help viewer's cost as a help file grows: each shape of file at a size and at ten times that
// size, opened in the viewer and laid out to its end (median of RUNS), with the ratio of the two
// times; linear work gives about 10. The floor is a bare QTextBrowser given the same number of
// characters of plain prose, at both sizes, in the same run. One line per figure,
// "name: value unit".
//
//   bench_help_cost [RUNS]            (default 5)
//   bench_help_cost 1 SHAPE SIZE      one shape at one size, and a bare QTextBrowser given it
//   bench_help_cost 1 file PATH       one help file, opened and painted once
#include "shell/winhelp.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace
{

struct Shape {
    const char *name;
    int size; // the smaller of the two sizes, in units of the shape
    std::function<QByteArray(int)> make;
};

QByteArray heading(const QByteArray &keywords, const QByteArray &title)
{
    return "<h2 id=\"s\" data-keywords=\"" + keywords + "\">" + title + "</h2><p>text</p>";
}

QByteArray prose(int words)
{
    return QByteArray("word and ").repeated(words);
}

const std::vector<Shape> &shapes()
{
    static const std::vector<Shape> all = {
        {"plain prose, words", 5000, [](int n) { return "<p>" + prose(n) + "</p>"; }},
        {"keywords in one heading", 450,
         [](int n) {
             QByteArray words;
             for (int i = 0; i < n; ++i)
                 words += "k" + QByteArray::number(i) + ";";
             return heading(words, "Title");
         }},
        {"& in a heading", 45000, [](int n) { return heading("k", QByteArray(n, '&')); }},
        {"& in the keywords", 45000, [](int n) { return heading(QByteArray(n, '&'), "T"); }},
        {"'< b>' tags", 900, [](int n) { return QByteArray("< b>x< /b> ").repeated(n); }},
        {"letters of one word", 40000, [](int n) { return "<p>" + QByteArray(n, 'a') + "</p>"; }},
    };
    return all;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Lays the page out to its end, as scrolling to the bottom would.
void layOut(QTextBrowser *page)
{
    QTextDocument *document = page->document();
    document->documentLayout()->blockBoundingRect(document->lastBlock());
    QCoreApplication::processEvents();
}

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Opens the file in a new viewer each time, as the first press of Help does.
double openMs(int runs, const QString &path)
{
    return medianMs(runs, [&] {
        const auto help = shell::desktopHelp();
        help->WinHelp(nullptr, path, shell::HELP_FINDER, 0);
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *page = w->findChild<QTextBrowser *>(QStringLiteral("page")))
                layOut(page);
        }
    });
}

double floorMs(int runs, qsizetype characters)
{
    const QString text = QString::fromLatin1(prose(int(characters / 9) + 1).left(characters));
    return medianMs(runs, [&] {
        QTextBrowser browser;
        browser.resize(530, 560);
        browser.show();
        browser.setHtml(QStringLiteral("<p>") + text + QStringLiteral("</p>"));
        layOut(&browser);
    });
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ostv.hlp"));
    if (argc > 3 && QLatin1String(argv[2]) == QLatin1String("file")) {
        const auto help = shell::desktopHelp();
        QElapsedTimer timer;
        timer.start();
        const bool ok =
            help->WinHelp(nullptr, QString::fromLocal8Bit(argv[3]), shell::HELP_FINDER, 0);
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *page = w->findChild<QTextBrowser *>(QStringLiteral("page"))) {
                layOut(page);
                page->grab();
            }
        }
        std::printf("%s: %s %.1f ms\n", argv[3], ok ? "opened" : "refused",
                    double(timer.nsecsElapsed()) / 1e6);
        return 0;
    }
    if (argc > 3) {
        for (const Shape &shape : shapes()) {
            if (QLatin1String(shape.name).startsWith(QLatin1String(argv[2]))) {
                write(path, shape.make(std::atoi(argv[3])));
                const QString html = QString::fromUtf8(shape.make(std::atoi(argv[3])));
                const double bare = medianMs(1, [&] {
                    QTextBrowser browser;
                    browser.resize(530, 560);
                    browser.show();
                    browser.setHtml(html);
                    layOut(&browser);
                });
                std::printf("%s x %s: %.1f ms; bare QTextBrowser given the file: %.1f ms\n",
                            shape.name, argv[3], openMs(1, path), bare);
            }
        }
        return 0;
    }
    for (const Shape &shape : shapes()) {
        double ms[2] = {};
        qsizetype bytes[2] = {};
        for (int i = 0; i < 2; ++i) {
            const QByteArray file = shape.make(shape.size * (i ? 10 : 1));
            bytes[i] = file.size();
            if (!write(path, file))
                return 1;
            ms[i] = openMs(runs, path);
        }
        std::printf("help file, %s, %d and %d (%lld and %lld bytes, median of %d): %.1f and "
                    "%.1f ms, ratio %.1f\n",
                    shape.name, shape.size, shape.size * 10, qlonglong(bytes[0]),
                    qlonglong(bytes[1]), runs, ms[0], ms[1], ms[1] / std::max(ms[0], 0.001));
        const double floor[2] = {floorMs(runs, bytes[0]), floorMs(runs, bytes[1])};
        std::printf("floor: bare QTextBrowser, as many characters of plain prose: %.1f and %.1f "
                    "ms, ratio %.1f\n",
                    floor[0], floor[1], floor[1] / std::max(floor[0], 0.001));
        std::fflush(stdout);
    }
    return 0;
}
