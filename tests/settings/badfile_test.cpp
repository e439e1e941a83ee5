// Damaged or odd hive files: reads fall back to defaults, writes fail cleanly or go ahead after
// keeping the original, and nothing the user had disappears without a copy and a warning.
#include "hivetesting.h"
#include "warningcatcher.h"

#include <QDateTime>
#include <QProcess>
#include <QScopeGuard>
#include <sys/stat.h>
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
        // Single backslashes in a hand-written path: "\n" there is no line break.
        {"single backslashes in a text", bad("\"Sound File\"=\"C:\\new\\readme.mp3\"")},
        {"unknown escape in a name", bad("\"Sound\\ File\"=\"x\"")},
        {"unknown value type", bad("\"Sound File\"=qword:01")},
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
        EXPECT_EQ(store().GetSetting("Options", "Size", "0"), "0");
        EXPECT_TRUE(store().SaveSetting("Options", "Size", "1"));
        EXPECT_TRUE(catcher.warnings().isEmpty());
        EXPECT_TRUE(backups().isEmpty());
    }
}

TEST(BadHiveFile, UnwritablePathsFailWithoutHarm)
{
    const QString base = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    const QByteArray stored = optionsFile("\"Size\"=\"1\"\n");
    enum Blocker { File, Pipe };
    // A folder where the file should be, files where folders must be, and a lock that can never
    // be taken: reads still work, writes fail at once.
    const struct {
        QString blocker, config;
        Blocker kind;
        QByteArray hive; // the settings file beside the blocker
    } cases[] = {
        {base + "/ostrevan/hkcu.reg/keep.txt", base, File, {}},
        {base + "/plain-file", base + "/plain-file", File, {}},
        {base + "/plain-file", base + "/plain-file/deeper", File, {}},
        {base + "/other/ostrevan", base + "/other", File, {}},
        {base + "/locked/ostrevan/hkcu.reg.lock/keep.txt", base + "/locked", File, stored},
        {base + "/piped/ostrevan/hkcu.reg.lock", base + "/piped", Pipe, stored},
        {base + "/stale/ostrevan/hkcu.reg.lock.rmlock/keep.txt", base + "/stale", File, stored}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.config.toStdString());
        QDir().mkpath(QFileInfo(c.blocker).absolutePath());
        if (c.kind == Pipe)
            ASSERT_EQ(::mkfifo(QFile::encodeName(c.blocker).constData(), 0600), 0);
        else
            writeFile(c.blocker, "mine");
        if (!c.hive.isEmpty())
            writeFile(c.config + "/ostrevan/hkcu.reg", c.hive);
        if (c.blocker.endsWith(".rmlock/keep.txt"))
            writeFile(c.config + "/ostrevan/hkcu.reg.lock", ""); // abandoned, to be removed
        qputenv("XDG_CONFIG_HOME", c.config.toLocal8Bit());
        WarningCatcher catcher;
        const CRegSettings s = store();
        EXPECT_EQ(s.GetSetting("Options", "Size", "0"), c.hive.isEmpty() ? "0" : "1");
        EXPECT_EQ(s.GetAllOptions("Options").size(), c.hive.isEmpty() ? 0u : 1u);
        EXPECT_FALSE(s.SaveSetting("Options", "Size", "2"));
        EXPECT_FALSE(s.DeleteSetting("Options"));
        EXPECT_FALSE(s.ReplaceSection("Presets", {{"Preset0", "00:00:01"}}));
        EXPECT_FALSE(catcher.warnings().join('\n').contains("another process holds its lock"))
            << "a lock that can never be taken is not waited for";
        EXPECT_FALSE(catcher.warnings().isEmpty()) << "the failure is reported";
        EXPECT_LE(catcher.warnings().size(), 2) << "once for reading, once for writing";
        EXPECT_TRUE(c.kind == Pipe ? QFileInfo(c.blocker).exists()
                                   : fileBytes(c.blocker) == "mine");
        EXPECT_TRUE(c.hive.isEmpty() || readHive() == c.hive);
    }
    EXPECT_EQ(QDir(base + "/ostrevan").entryList(QDir::Files | QDir::Hidden), QStringList())
        << "no lock or copy is left beside the folder";
}

// Anything but a regular file of a sensible size: start-up never blocks or ends on it, uses
// the defaults at once and says so once. What cannot be read is left alone; a file too large
// to be settings is moved aside whole before the first write.
TEST(BadHiveFile, SpecialOrHugeFilesGiveDefaultsAtOnce)
{
    const QString base = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    QDir().mkpath(folder());
    const QString pipe = base + "/pipe";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // As the program writes it, so a rewrite keeps its size.
    const QByteArray head = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\n"
                            "[HKEY_CURRENT_USER\\Software\\Quillanor]\n\n[" +
                            QByteArray(AppKey) + "]\n\n[" + AppKey +
                            "\\Options]\n\"Size\"=\"1\"\n;";
    const auto padded = [&](qint64 size) {
        return head + QByteArray(size - head.size() - 2, 'x') + "\n\n";
    };
    const QByteArray largest = padded(16 * 1024 * 1024);
    const QByteArray tooLarge = padded(16 * 1024 * 1024 + 1);
    enum Outcome { LeftAlone, MovedAside, Read };
    const struct {
        const char *what;
        QString linkTo;   // hkcu.reg is a link to this, when set
        QByteArray bytes; // else hkcu.reg holds these, or they are written to linkTo
        Outcome outcome;
    } cases[] = {
        {"a link to /dev/zero", "/dev/zero", {}, LeftAlone},
        {"a named pipe without a writer", "", {}, LeftAlone},
        {"a link to a named pipe", pipe, {}, LeftAlone},
        {"a file of the largest size read", "", largest, Read},
        {"a file one byte larger", "", tooLarge, MovedAside},
        {"a link to a file one byte larger", base + "/large.reg", tooLarge, MovedAside},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString &name : folderEntries())
            QFile::remove(folder() + '/' + name);
        if (!c.linkTo.isEmpty()) {
            if (!c.bytes.isEmpty())
                writeFile(c.linkTo, c.bytes);
            ASSERT_TRUE(QFile::link(c.linkTo, HiveFile::path()));
        } else if (c.bytes.isEmpty()) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(HiveFile::path()).constData(), 0600), 0);
        } else {
            writeHive(c.bytes);
        }
        const QString linkTarget = QFileInfo(HiveFile::path()).symLinkTarget();
        // In a process of its own: a read that never ends must not take this test with it.
        QProcess program;
        program.start(SETTINGS_WRITER, {"startup", "Options", "Size", "2"});
        const bool finished = program.waitForFinished(30000);
        if (!finished)
            program.kill();
        ASSERT_TRUE(finished) << "start-up hangs";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "start-up ends on it";
        const QStringList warnings =
            QString::fromUtf8(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        const QString result = QString::fromUtf8(program.readAllStandardOutput());
        switch (c.outcome) {
        case Read:
            EXPECT_EQ(result, "1|1|2");
            EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
            EXPECT_EQ(QFileInfo(HiveFile::path()).size(), c.bytes.size());
            // Nothing is written that could not be read again.
            program.start(SETTINGS_WRITER, {"save", "Options", "Size", "22"});
            ASSERT_TRUE(program.waitForFinished(30000));
            EXPECT_EQ(program.exitCode(), 1) << "a save that makes the file too large fails";
            EXPECT_EQ(QFileInfo(HiveFile::path()).size(), c.bytes.size());
            break;
        case LeftAlone:
            EXPECT_EQ(result, "default|0|default");
            EXPECT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
            EXPECT_EQ(QFileInfo(HiveFile::path()).symLinkTarget(), linkTarget);
            EXPECT_EQ(folderEntries(), QStringList{"hkcu.reg"});
            break;
        case MovedAside:
            EXPECT_EQ(result, "default|1|2");
            ASSERT_EQ(warnings.size(), 2) << warnings.join('\n').toStdString();
            ASSERT_EQ(backups().size(), 1);
            EXPECT_TRUE(warnings.last().contains(backups().first()));
            EXPECT_EQ(QFileInfo(folder() + '/' + backups().first()).symLinkTarget(), linkTarget);
            EXPECT_TRUE(fileBytes(folder() + '/' + backups().first()) == c.bytes)
                << "the whole file is kept";
            EXPECT_FALSE(readHive().contains(";xxx")) << "a new file holds only the new value";
            EXPECT_EQ(store().GetAllOptions("Options"), (Rows{{"Size", "2"}}));
            break;
        }
    }
}

TEST(BadHiveFile, SettingsFolderWithoutWritePermission)
{
    const QByteArray original = optionsFile("\"Size\"=\"1\"\n");
    writeHive(original);
    ASSERT_TRUE(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner));
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    // Root writes anyway, so the writes are tried by a second process without the capabilities
    // to pass over file permissions. It stays the owner of everything here, so it still reaches
    // the writer program and the settings wherever they lie.
    const QStringList dropped = {"--inh-caps=-all",
                                 "--bounding-set=-dac_override,-dac_read_search,-fowner", "--"};
    const auto run = [&](const QStringList &args) {
        QProcess writer;
        if (::geteuid() == 0)
            writer.start("setpriv", dropped + args);
        else
            writer.start(args.first(), args.mid(1));
        writer.waitForFinished(10000);
        return QString::number(writer.exitCode()) + ':' + writer.readAllStandardOutput();
    };
    if (run({"true"}) != "0:")
        GTEST_SKIP() << "cannot give up root's rights here; UnwritablePathsFailWithoutHarm "
                        "covers this";
    const QString read = run({SETTINGS_WRITER, "get", "Options", "Size", "0"});
    EXPECT_EQ(read, "0:1") << "reading needs no write permission";
    EXPECT_EQ(run({SETTINGS_WRITER, "save", "Options", "Size", "0"}), "1:")
        << "the save reports failure";
    EXPECT_EQ(run({SETTINGS_WRITER, "replace"}), "2:") << "so does the replacement of a list";
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
