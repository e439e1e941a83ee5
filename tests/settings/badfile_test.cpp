// Damaged or odd hive files: reads fall back to defaults, writes fail cleanly or go ahead after
// keeping the original, and nothing the user had disappears without a copy and a warning.
#include "hivetesting.h"
#include "warningcatcher.h"

#include <QDateTime>
#include <QProcess>
#include <QScopeGuard>
#include <unistd.h>

using namespace hivetesting;

TEST(BadHiveFile, BadLinesAreSkippedAndTheOriginalIsKeptBeforeARewrite)
{
    // A bad key line is followed by a value that must not land in the key above it.
    const QByteArray badKey = "\n\"Sound File\"=\"lost?\"\n[" + QByteArray(AppKey) + "\\Options]";
    const auto bad = [](const QByteArray &line) {
        return optionsFile("\"Size\"=\"1\"\n" + line + "\n\"Button Color\"=\"255\"\n");
    };
    const struct {
        const char *what;
        QByteArray original;
    } cases[] = {
        {"half-written line", bad("\"Sound File\"=\"C:\\\\Mus")},
        {"unterminated quote", bad("\"Sound File\"=\"C:\\\\a.mp3")},
        {"unknown escape", bad("\"Sound File\"=\"C:\\Music\\a.mp3\"")},
        {"unknown value type", bad("\"Sound File\"=qword:01")},
        {"unlisted value type", bad("\"Sound File\"=str(2):\"x\"")},
        {"bytes that are not UTF-8", bad("\"Sound File\"=\"M\xfcsik\"")},
        {"a line that is nothing", bad("rubbish")},
        {"a second value of a name", bad("\"Button Color\"=\"0\"")},
        {"wrong header", bad("").replace("REGEDIT4", "Windows Registry Editor Version 5.00")},
        {"unclosed key line", bad("[" + QByteArray(AppKey) + badKey)},
        {"key not UTF-8", bad("[HKEY_CURRENT_USER\\M\xfc]" + badKey)},
        {"empty key name", bad("[HKEY_CURRENT_USER\\\\X]" + badKey)},
        {"key deletion line", bad("[-HKEY_CURRENT_USER\\X]" + badKey)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString &copy : backups())
            QFile::remove(folder() + '/' + copy);
        writeHive(c.original);
        WarningCatcher catcher;
        const CRegSettings s = store();
        const Rows rows{{"Size", "1"}, {"Button Color", "255"}};
        EXPECT_EQ(s.GetSetting("Options", "Sound File", "none"), "none");
        EXPECT_EQ(s.GetAllOptions("Options"), rows);
        EXPECT_EQ(catcher.warnings().size(), 1) << catcher.warnings().join('\n').toStdString();
        EXPECT_TRUE(backups().isEmpty()) << "reading alone changes nothing";
        EXPECT_EQ(readHive(), c.original);

        ASSERT_TRUE(s.SaveSetting("Options", "Digit Color", "65535"));
        ASSERT_EQ(backups().size(), 1);
        EXPECT_TRUE(
            backups().first().contains(QRegularExpression("^hkcu\\.reg\\.bad-\\d{8}T\\d{6}Z$")));
        EXPECT_EQ(fileBytes(folder() + '/' + backups().first()), c.original);
        EXPECT_TRUE(readHive().startsWith("REGEDIT4\n\n"));
        catcher.clear();
        EXPECT_EQ(s.GetAllOptions("Options"), (Rows{rows[0], rows[1], {"Digit Color", "65535"}}));
        ASSERT_TRUE(s.SaveSetting("Options", "Size", "0"));
        EXPECT_TRUE(catcher.warnings().isEmpty()) << "the rewritten file is clean";
        EXPECT_EQ(backups().size(), 1) << "no second copy of a clean file";
    }
    // Cut at the very end of the file, without a line end.
    writeHive(optionsFile("\"Size\"=\"1\"\n\"Sound File\"=hex:01,0"));
    EXPECT_EQ(store().GetAllOptions("Options"), (Rows{{"Size", "1"}}));
}

TEST(BadHiveFile, EmptyFileHoldsNothingToLose)
{
    for (const QByteArray &empty : {QByteArray(), QByteArray("\n\n  \n")}) {
        writeHive(empty);
        WarningCatcher catcher;
        const CRegSettings s = store();
        EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0");
        EXPECT_TRUE(s.GetAllOptions("Options").empty());
        EXPECT_TRUE(s.SaveSetting("Options", "Size", "1"));
        EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "1");
        EXPECT_TRUE(catcher.warnings().isEmpty());
        EXPECT_TRUE(backups().isEmpty());
    }
}

TEST(BadHiveFile, UnwritablePathsFailWithoutHarm)
{
    const QString base = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    // A folder where the file should be, and files where folders must be.
    const struct {
        QString blocker, config;
    } cases[] = {{base + "/ostrevan/hkcu.reg/keep.txt", base},
                 {base + "/plain-file", base + "/plain-file"},
                 {base + "/plain-file", base + "/plain-file/deeper"},
                 {base + "/other/ostrevan", base + "/other"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.config.toStdString());
        writeFile(c.blocker, "mine");
        qputenv("XDG_CONFIG_HOME", c.config.toLocal8Bit());
        WarningCatcher catcher;
        const CRegSettings s = store();
        EXPECT_EQ(s.GetSetting("Options", "Size", "0"), "0");
        EXPECT_TRUE(s.GetAllOptions("Options").empty());
        EXPECT_FALSE(s.SaveSetting("Options", "Size", "1"));
        EXPECT_FALSE(s.DeleteSetting("Options"));
        HKEY key = 0;
        EXPECT_EQ(create("Software\\X", &key), ERROR_REGISTRY_IO_FAILED);
        EXPECT_FALSE(catcher.warnings().isEmpty()) << "the failure is reported";
        EXPECT_EQ(fileBytes(c.blocker), "mine");
    }
    EXPECT_EQ(QDir(base + "/ostrevan").entryList(QDir::Files | QDir::Hidden), QStringList())
        << "no lock or copy is left beside the folder";
}

TEST(BadHiveFile, SettingsFolderWithoutWritePermission)
{
    const QByteArray original = optionsFile("\"Size\"=\"1\"\n");
    writeHive(original);
    const QString base = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    ASSERT_TRUE(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner |
                                                    QFile::ReadOther | QFile::ExeOther));
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    // Root writes anyway, so the writes are tried by a second process that has given it up.
    QFile::setPermissions(base, QFile::permissions(base) | QFile::ReadOther | QFile::ExeOther);
    const auto run = [](const QStringList &args) {
        QProcess writer;
        writer.setChildProcessModifier([] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(77);
        });
        writer.start(SETTINGS_WRITER, args);
        writer.waitForFinished(10000);
        return QString::number(writer.exitCode()) + ':' + writer.readAllStandardOutput();
    };
    const QString read = run({"get", "Options", "Size", "0"});
    if (read.startsWith("77:"))
        GTEST_SKIP() << "cannot give up root here; UnwritablePathsFailWithoutHarm covers this";
    EXPECT_EQ(read, "0:1") << "reading needs no write permission";
    EXPECT_EQ(run({"save", "Options", "Size", "0"}), "1:") << "the save reports failure";
    EXPECT_EQ(readHive(), original);
    EXPECT_EQ(folderEntries(), QStringList{"hkcu.reg"});
}

TEST(BadHiveFile, AnEarlierCopyIsNeverOverwritten)
{
    const QByteArray original = optionsFile("\"Sound File\"=\"broken\n");
    writeHive(original);
    // Copies named for every second around now already exist.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QStringList taken;
    for (int s = -2; s <= 5; ++s) {
        taken << "hkcu.reg.bad-" + now.addSecs(s).toString("yyyyMMdd'T'HHmmss'Z'");
        writeFile(folder() + '/' + taken.last(), "earlier copy");
    }
    ASSERT_TRUE(store().SaveSetting("Options", "Size", "0"));
    ASSERT_EQ(backups().size(), taken.size() + 1);
    for (const QString &name : backups()) {
        const bool earlier = taken.contains(name);
        EXPECT_EQ(fileBytes(folder() + '/' + name), earlier ? "earlier copy" : original);
        EXPECT_TRUE(earlier || name.endsWith("Z-2")) << name.toStdString();
    }
}
