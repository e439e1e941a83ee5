// Several processes on one hive: no write lost, no torn file, no lock that blocks for ever.
#include "hivetesting.h"
#include "warningcatcher.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>
#include <QThread>
#include <functional>

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

            QElapsedTimer timer;
            timer.start();
            EXPECT_TRUE(s.SaveSetting("Churn", "After", QString::number(round)));
            EXPECT_LT(timer.elapsed(), 3000) << "a lock left by the writer is taken over at once";
            EXPECT_EQ(folderEntries(), QStringList{"hkcu.reg"}) << "no lock or temporary file left";
        }
    }
}

TEST(HiveWriters, StaleLocksAreTakenOverWithoutWaitingForTheirAge)
{
    QProcess gone;
    gone.start(SETTINGS_WRITER, {"get", "Options", "Size", "0"});
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 pid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    const QString lockPath = hivePath() + ".lock";
    const struct {
        const char *what;
        QByteArray text;
        qint64 ageMs;
    } locks[] = {
        // Judged by age alone it would block for seconds.
        {"of a dead process",
         QByteArray::number(pid) + "\nw\n" + QSysInfo::machineHostName().toUtf8() + "\n", 0},
        {"old, from another machine", "1\nw\nelsewhere.invalid\n", 3600000},
        // Killed between creating the lock file and writing its process id into it.
        {"empty", "", 1500},
    };
    for (const auto &lock : locks) {
        SCOPED_TRACE(lock.what);
        ASSERT_TRUE(store().SaveSetting("Options", "Size", lock.what));
        writeFile(lockPath, lock.text);
        QFile file(lockPath);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addMSecs(-lock.ageMs),
                                     QFileDevice::FileModificationTime));
        file.close();
        QElapsedTimer timer;
        timer.start();
        EXPECT_TRUE(store().SaveSetting("Options", "Size", "1"));
        EXPECT_LT(timer.elapsed(), 2000);
        EXPECT_EQ(store().GetSetting("Options", "Size"), "1");
        EXPECT_EQ(folderEntries(), QStringList{"hkcu.reg"});
    }
}
