// What a call costs: one reading of the file per call, and time linear in the file's size
// whatever its shape (deep keys, long sections, many keys, long values).
#include "hivetesting.h"
#include "warningcatcher.h"

#include <ctime>
#include <functional>
#include <sys/inotify.h>
#include <unistd.h>

using namespace hivetesting;

namespace
{

// Counts the openings of the hive file, as the kernel reports them for its folder.
class OpenCounter
{
public:
    OpenCounter()
    {
        QDir().mkpath(folder());
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        m_watch = ::inotify_add_watch(m_fd, QFile::encodeName(folder()).constData(), IN_OPEN);
    }
    ~OpenCounter() { ::close(m_fd); }
    OpenCounter(const OpenCounter &) = delete;
    OpenCounter &operator=(const OpenCounter &) = delete;

    bool isWatching() const { return m_fd >= 0 && m_watch >= 0; }
    // Openings of hkcu.reg since the last call.
    int take()
    {
        int opens = 0;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0)
                return opens;
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->len > 0 && qstrcmp(event->name, "hkcu.reg") == 0)
                    ++opens;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int m_fd = -1;
    int m_watch = -1;
};

double cpuMilliseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace

TEST(HiveCost, EachCallReadsTheFileOnce)
{
    const CRegSettings s = store();
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset0", "00:01:00"));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset1", "00:02:00"));
    OpenCounter counter;
    ASSERT_TRUE(counter.isWatching());
    counter.take();
    const struct {
        const char *what;
        std::function<bool()> call;
    } calls[] = {
        {"GetSetting of a value", [&] { return s.GetSetting("Options", "Size") == "1"; }},
        {"GetSetting of a missing value",
         [&] { return s.GetSetting("Options", "No", "d") == "d"; }},
        {"GetSetting in a missing section", [&] { return s.GetSetting("None", "No", "d") == "d"; }},
        {"GetAllOptions", [&] { return s.GetAllOptions("Presets").size() == 2; }},
        {"GetAllOptions of a missing section", [&] { return s.GetAllOptions("None").empty(); }},
        {"SaveSetting of a new value", [&] { return s.SaveSetting("Options", "New", "1"); }},
        {"SaveSetting that changes a value", [&] { return s.SaveSetting("Options", "Size", "0"); }},
        {"SaveSetting of the same text", [&] { return s.SaveSetting("Options", "Size", "0"); }},
        {"SaveSetting in a new section", [&] { return s.SaveSetting("Fresh", "A", "1"); }},
        {"DeleteSetting of a value", [&] { return s.DeleteSetting("Options", "New"); }},
        {"DeleteSetting of a missing value", [&] { return !s.DeleteSetting("Options", "New"); }},
        {"DeleteSetting of a section", [&] { return s.DeleteSetting("Fresh"); }},
        {"DeleteSetting of a missing section", [&] { return !s.DeleteSetting("Fresh"); }},
        {"ReplaceSection",
         [&] {
             return s.ReplaceSection("Presets", {{"Preset0", "00:00:05"}});
         }},
        {"ReplaceSection with nothing", [&] { return s.ReplaceSection("Presets", {}); }},
    };
    for (const auto &c : calls) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(c.call());
        EXPECT_EQ(counter.take(), 1);
    }
}

TEST(HiveCost, TimeGrowsWithTheFileNotWithItsShape)
{
    const QByteArray app = AppKey;
    QByteArray deep = "REGEDIT4\n\n[" + app + "\\Options";
    for (int i = 0; i < 100000; ++i)
        deep += "\\k";
    deep += "]\n\"Size\"=\"1\"\n";
    QByteArray presets = "REGEDIT4\n\n[" + app + "\\Presets]\n";
    for (int i = 0; i < 20000; ++i)
        presets +=
            "\"Preset" + QByteArray::number(i) + "\"=\"00:00:" + QByteArray::number(i) + "\"\n";
    QByteArray keys = "REGEDIT4\n\n";
    for (int i = 0; i < 20000; ++i)
        keys += '[' + app + "\\Options\\K" + QByteArray::number(i) + "]\n\"V\"=\"" +
                QByteArray::number(i) + "\"\n";
    QByteArray bytes = "REGEDIT4\n\n[" + app + "\\Options]\n\"Blob\"=hex:00";
    for (int i = 1; i < 300000; ++i)
        bytes += i % 25 == 0 ? ",\\\n  00" : ",00";
    bytes += "\n\"Size\"=\"1\"\n";
    QByteArray repeated = "REGEDIT4\n\n[" + app + "\\Options]\n";
    for (int i = 0; i < 20000; ++i)
        repeated += "\"Size\"=\"" + QByteArray::number(i) + "\"\n; a comment\n";
    const QString deepSection = "Options" + QString("\\k").repeated(100000);

    const CRegSettings s = store();
    const struct {
        const char *what;
        QByteArray file;
        std::function<void()> calls;
    } shapes[] = {
        {"one key nested 100,000 deep", deep,
         [&] {
             EXPECT_EQ(s.GetSetting(deepSection, "Size"), "1");
             EXPECT_EQ(s.GetSetting("Options", "Size", "none"), "none");
             EXPECT_TRUE(s.SaveSetting("Options", "Size", "2"));
             EXPECT_TRUE(s.SaveSetting(deepSection, "Size", "3"));
             EXPECT_EQ(s.GetSetting(deepSection, "Size"), "3");
             EXPECT_FALSE(s.DeleteSetting("Options")) << "it has keys below it";
         }},
        {"20,000 presets", presets,
         [&] {
             const Rows rows = s.GetAllOptions("Presets");
             ASSERT_EQ(rows.size(), 20000u);
             EXPECT_EQ(rows.back(), (std::array<QString, 2>{"Preset19999", "00:00:19999"}));
             EXPECT_EQ(s.GetSetting("Presets", "preset19999"), "00:00:19999");
             EXPECT_TRUE(s.SaveSetting("Presets", "Preset20000", "x"));
             EXPECT_TRUE(s.DeleteSetting("Presets", "Preset0"));
         }},
        {"20,000 keys", keys,
         [&] {
             EXPECT_EQ(s.GetSetting("Options\\K19999", "V"), "19999");
             EXPECT_EQ(s.GetSetting("Options\\K20000", "V", "none"), "none");
             EXPECT_TRUE(s.SaveSetting("Options", "Size", "1"));
             EXPECT_TRUE(s.DeleteSetting("Options\\K19999"));
         }},
        {"a value of 300,000 bytes", bytes,
         [&] {
             EXPECT_EQ(s.GetSetting("Options", "Size"), "1");
             EXPECT_TRUE(s.SaveSetting("Options", "Size", "2"));
             EXPECT_EQ(query(openKey("Software\\Quillanor\\Ostrevan\\Options"), "Blob").size(),
                       300000);
         }},
        {"20,000 lines for one value", repeated,
         [&] {
             WarningCatcher catcher; // the file is damaged: it says so once
             EXPECT_EQ(s.GetSetting("Options", "Size"), "19999");
             EXPECT_EQ(s.GetAllOptions("Options").size(), 1u);
         }},
    };
    for (const auto &shape : shapes) {
        SCOPED_TRACE(shape.what);
        writeHive(shape.file);
        // The processor time this process takes, which other work on the machine leaves alone.
        const double start = cpuMilliseconds();
        shape.calls();
        const double spent = cpuMilliseconds() - start;
        // The calls of a shape take some tens of milliseconds here (a few times that under the
        // sanitizers); reading the file anew for each key, value or key level took minutes.
        EXPECT_LT(spent, 3000);
    }
}
