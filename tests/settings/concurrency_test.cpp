// Several processes on one hive: no write lost, no torn file, no lock that blocks for ever.
#include "hivetesting.h"
#include "warningcatcher.h"

#include <QDateTime>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>
#include <QThread>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/file.h>

using namespace hivetesting;

TEST(HiveWriters, ConcurrentProcessesLoseNoWrite)
{
    ASSERT_TRUE(store().SaveSetting("Stress", "Before", "kept"));
    constexpr int Writers = 4, Values = 25;
    QProcess writers[Writers];
    for (int w = 0; w < Writers; ++w)
        writers[w].start(SETTINGS_WRITER, {"many", QStringLiteral("W%1_").arg(w), "25"});
    for (QProcess &writer : writers) {
        ASSERT_TRUE(writer.waitForFinished(20000));
        EXPECT_EQ(writer.exitStatus() == QProcess::NormalExit ? writer.exitCode() : -1, 0);
    }
    WarningCatcher catcher;
    const Rows rows = store().GetAllOptions("Stress");
    EXPECT_TRUE(catcher.warnings().isEmpty());
    ASSERT_EQ(rows.size(), size_t(Writers * Values + 1));
    EXPECT_EQ(rows.front()[0], "Before");
    // Each writer's own values come in the order it wrote them.
    for (int w = 0; w < Writers; ++w) {
        Rows mine, expected;
        for (int n = 0; n < Values; ++n)
            expected.push_back(
                {QStringLiteral("W%1_%2").arg(w).arg(n), QStringLiteral("W%1_:%2").arg(w).arg(n)});
        std::copy_if(rows.begin(), rows.end(), std::back_inserter(mine),
                     [&](const auto &row) { return row[0].startsWith(expected[0][0].left(3)); });
        EXPECT_EQ(mine, expected);
    }
}

TEST(HiveWriters, KilledWriterLeavesTheOldOrTheNewFileAndNoLock)
{
    static constexpr int Length = 300000;
    const auto wholeValue = [](const CRegSettings &s) {
        const QString big = s.GetSetting("Churn", "Big");
        // Big is written before Round: the file holds round r's Big with round r or r-1, or
        // the first Big alone.
        const int r = s.GetSetting("Churn", "Round", "-1").toInt();
        ASSERT_EQ(big.size(), Length) << "a whole value";
        EXPECT_EQ(big.count(big.at(0)), Length) << "of one letter only";
        const int letter = big.at(0).unicode() - 'a';
        EXPECT_TRUE(letter == r % 26 || letter == (r + 1) % 26) << r << " " << letter;
    };
    const auto wholeList = [](const CRegSettings &s) {
        // Round r's list: n values "Preset<i>" = "<r>:<i>/<n>", all of one round, none missing.
        const Rows rows = s.GetAllOptions("Presets");
        ASSERT_FALSE(rows.empty());
        const QStringList first = rows.front()[1].split(QRegularExpression("[:/]"));
        ASSERT_EQ(first.size(), 3);
        EXPECT_EQ(first[2].toUInt(), rows.size()) << "the list is whole";
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i][0], QStringLiteral("Preset%1").arg(i));
            EXPECT_EQ(rows[i][1], QStringLiteral("%1:%2/%3").arg(first[0]).arg(i).arg(first[2]))
                << "all of one list";
        }
    };
    const struct {
        const char *what;
        QStringList args;
        std::function<void(const CRegSettings &)> check;
    } writers[] = {
        {"one long value", {"churn", QString::number(Length)}, wholeValue},
        {"a list replaced at once", {"replace"}, wholeList},
    };
    QRandomGenerator random(20261206);
    for (const auto &w : writers) {
        SCOPED_TRACE(w.what);
        for (int round = 0; round < 12; ++round) {
            QProcess writer;
            writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writer.start(SETTINGS_WRITER, w.args);
            ASSERT_TRUE(writer.waitForReadyRead(10000)) << "the writer never finished a write";
            QThread::msleep(random.bounded(5, 80));
            writer.kill();
            ASSERT_TRUE(writer.waitForFinished(5000));

            WarningCatcher catcher;
            const CRegSettings s = store();
            w.check(s);
            EXPECT_TRUE(catcher.warnings().isEmpty()) << "the file parses completely";
            EXPECT_TRUE(s.SaveSetting("Churn", "After", QString::number(round)));
            EXPECT_EQ(folderEntries(), QStringList{"hkcu.reg"}) << "no lock or temporary file left";
        }
    }
}

// A lock no live writer holds is taken over at the first try, without waiting for its age, and
// the files a writer that died while writing left are removed with it, and nothing else.
TEST(HiveWriters, StaleLocksAreTakenOverAtOnceWithWhatTheirWriterLeft)
{
    QProcess gone;
    gone.start(SETTINGS_WRITER, {"get", "Options", "Size", "0"});
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 pid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    const QString lockPath = HiveFile::path() + ".lock";
    const struct {
        const char *what;
        QByteArray text;
        qint64 ageMs;
    } locks[] = {
        // Judged by age alone these would block for seconds.
        {"of a dead process",
         QByteArray::number(pid) + "\nw\n" + QSysInfo::machineHostName().toUtf8() + "\n", 0},
        {"old, from another machine", "1\nw\nelsewhere.invalid\n", 3600000},
        {"garbage", QByteArray(100 * 1024, '\xff'), 0},
        {"a process id of zero", "0\nw\n\n", 0},
        // Killed between creating the lock file and writing its process id into it.
        {"empty", "", 300},
    };
    // A writer killed between writing the new file and renaming it over the old one leaves it
    // under a temporary name; the names around it are someone else's.
    const QStringList left = {"hkcu.reg.AbCdEf", "hkcu.reg.zzzzzz"};
    const QStringList kept = {"hkcu.reg.bad-20260101T000000Z", "hkcu.reg.Ab3dEf", "hkcu.reg.AbCdE",
                              "hkcu.reg.AbCdEfG", "other.reg.AbCdEf"};
    for (const auto &lock : locks) {
        SCOPED_TRACE(lock.what);
        ASSERT_TRUE(store().SaveSetting("Options", "Size", lock.what));
        for (const QString &name : left + kept)
            writeFile(folder() + '/' + name, "REGEDIT4\n\n");
        QDir().mkpath(folder() + "/hkcu.reg.QwErTy"); // a folder, never removed
        writeFile(lockPath, lock.text);
        QFile file(lockPath);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addMSecs(-lock.ageMs),
                                     QFileDevice::FileModificationTime));
        file.close();
        OpenCounter opens("hkcu.reg.lock");
        EXPECT_TRUE(store().SaveSetting("Options", "Size", "1"));
        // QLockFile opens a lock it takes over three or four times; every further try opens it
        // twice more.
        EXPECT_LE(opens.take(), 5) << "taken over at the first try";
        EXPECT_EQ(store().GetSetting("Options", "Size"), "1");
        QStringList expected = kept + QStringList{"hkcu.reg", "hkcu.reg.QwErTy"};
        expected.sort();
        EXPECT_EQ(folderEntries(), expected);
    }
}

// A live writer keeps its lock file locked with flock() from its creation on: whatever that file
// holds, an empty one or garbage, it is never taken from it.
TEST(HiveWriters, LocksOfALiveWriterAreNeverBroken)
{
    const QString lockPath = HiveFile::path() + ".lock";
    for (const QByteArray &text : {QByteArray(), QByteArray(100 * 1024, '\xff')}) {
        writeFile(lockPath, text);
        const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        OpenCounter opens("hkcu.reg.lock");
        auto saved = std::async(std::launch::async,
                                [] { return store().SaveSetting("Options", "Size", "2"); });
        // Until the writer has looked at the lock a few times (it gives up after some seconds).
        for (int n = 0;
             n < 10 && saved.wait_for(std::chrono::milliseconds(1)) == std::future_status::timeout;)
            n += opens.take();
        EXPECT_EQ(saved.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
        EXPECT_EQ(fileBytes(lockPath), text) << "the lock is left alone";
        ::close(fd);
        QFile::remove(lockPath);
        EXPECT_TRUE(saved.get());
        EXPECT_EQ(store().GetSetting("Options", "Size"), "2");
        ASSERT_TRUE(store().DeleteSetting("Options", "Size"));
    }
}
