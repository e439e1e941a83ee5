// The installed program as a desktop and a distribution see it: every process installs this
// build tree (`cmake --install --prefix /usr` into a temporary DESTDIR) and checks the result.
#include "buildinfo.h"
#include "platform/programfolder.h"
#include "tests/app/windowprobe.h"
#include "tests/app/xvfbserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <ostream>

// Readable failure messages for the Qt values compared below.
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

void PrintTo(const QSize &size, std::ostream *out)
{
    *out << size.width() << 'x' << size.height();
}

namespace
{

const QString AppId = QLatin1String(buildinfo::AppId);
const QString SourceDir = QStringLiteral(OSTREVAN_SOURCE_DIR);
const int IconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
// The data files the program opens from its folder, with where they come from.
const std::pair<const char *, const char *> DataFiles[] = {
    {"ostv.hlp", "resources/help/ostv.hlp"},
    {"chime.wav", "resources/sounds/chime.wav"},
    {"melody.mid", "resources/sounds/melody.mid"},
    {"bells.mp3", "resources/sounds/bells.mp3"},
};

struct Result {
    bool started = false;
    int exitCode = -1;
    QString output;
};

Result run(const QString &program, const QStringList &arguments,
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Result result;
    result.started = process.waitForStarted(5000);
    if (result.started && !process.waitForFinished(30000))
        process.kill();
    result.output = QString::fromLocal8Bit(process.readAll());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Install : public testing::Test
{
protected:
    QTemporaryDir root;

    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), root.path());
        const Result install = run(QStringLiteral(OSTREVAN_CMAKE),
                                   {QStringLiteral("--install"), QStringLiteral(OSTREVAN_BUILD_DIR),
                                    QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                   env);
        ASSERT_TRUE(install.started);
        ASSERT_EQ(install.exitCode, 0) << install.output.toStdString();
    }

    // A path under the installed /usr.
    QString usr(const QString &relative) const
    {
        return root.path() + QStringLiteral("/usr/") + relative;
    }

    QString entryPath() const
    {
        return usr(QStringLiteral("share/applications/%1.desktop").arg(AppId));
    }
    QString metainfoPath() const
    {
        return usr(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(AppId));
    }
};

TEST_F(Install, LaysOutEveryFileTheEntryAndTheMetainfoName)
{
    // Its form is the validators' business; here, where its names lead.
    QSettings entry(entryPath(), QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    const QString exec = entry.value(QStringLiteral("Exec")).toString().section(u' ', 0, 0);
    const QFileInfo program(usr(QStringLiteral("bin/") + exec));
    EXPECT_TRUE(program.isFile() && program.isExecutable()) << program.filePath().toStdString();
    // Nothing but the program lies in bin/.
    EXPECT_EQ(QDir(usr(QStringLiteral("bin")))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                  .join(u' '),
              QStringLiteral("ostrevan"));

    const QString icon = entry.value(QStringLiteral("Icon")).toString();
    EXPECT_EQ(icon, AppId);
    for (int size : IconSizes) {
        const QString path =
            usr(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(icon));
        const QImage image(path);
        EXPECT_EQ(image.size(), QSize(size, size)) << path.toStdString();
        // The window's own icon is drawn from the same master.
        const QImage compiled(QStringLiteral(":/icons/ostrevan-%1.png").arg(size));
        if (size == 16 || size == 32 || size == 64) {
            EXPECT_EQ(compiled.convertToFormat(QImage::Format_ARGB32),
                      image.convertToFormat(QImage::Format_ARGB32));
        }
    }
    EXPECT_TRUE(QFileInfo(usr(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(icon)))
                    .isFile());

    const QString metainfo = QString::fromUtf8(contents(metainfoPath()));
    const auto element = [&](const char *pattern) {
        return QRegularExpression(QLatin1String(pattern)).match(metainfo).captured(1);
    };
    EXPECT_EQ(element("<id>([^<]*)</id>"), AppId);
    const QString launchable = element("<launchable type=\"desktop-id\">([^<]*)</launchable>");
    EXPECT_EQ(launchable, AppId + QStringLiteral(".desktop"));
    EXPECT_TRUE(QFileInfo(usr(QStringLiteral("share/applications/") + launchable)).isFile());
    EXPECT_EQ(element("<binary>([^<]*)</binary>"), exec);

    // The manual page is compressed, and it is the program's.
    const Result page =
        run(QStringLiteral("gzip"),
            {QStringLiteral("-dc"), usr(QStringLiteral("share/man/man1/ostrevan.1.gz"))});
    ASSERT_EQ(page.exitCode, 0) << page.output.toStdString();
    EXPECT_TRUE(page.output.startsWith(QLatin1String(".TH OSTREVAN 1 ")))
        << page.output.left(200).toStdString();
    EXPECT_TRUE(page.output.contains(QLatin1String("\\-\\-version"))) << "no options named";
    // Debian wants a changelog and the copyright beside the README.
    for (const char *doc : {"README.md", "changelog.gz", "copyright"})
        EXPECT_TRUE(
            QFileInfo(usr(QStringLiteral("share/doc/ostrevan/") + QLatin1String(doc))).isFile())
            << doc;
    EXPECT_TRUE(contents(usr(QStringLiteral("share/doc/ostrevan/copyright")))
                    .contains("Copyright: 2026 Quillanor"));

    // The data files lie where the installed program looks for them; the build tree's program
    // uses the copies beside it.
    const QString share = platform::programFolder(usr(QStringLiteral("bin")));
    EXPECT_EQ(share, QDir::cleanPath(usr(QStringLiteral("share/ostrevan"))));
    for (const auto &[name, source] : DataFiles) {
        const QByteArray original = contents(SourceDir + u'/' + QLatin1String(source));
        ASSERT_FALSE(original.isEmpty()) << source;
        EXPECT_TRUE(contents(share + u'/' + QLatin1String(name)) == original) << name;
        EXPECT_TRUE(contents(QStringLiteral(OSTREVAN_EXE_DIR "/") + QLatin1String(name)) ==
                    original)
            << name << " beside the build tree's program";
    }
}

// Help and version need no display; anything else on the command line is refused before a
// window opens, once Qt has taken its own options.
TEST_F(Install, CommandLineAnswersHelpAndVersionAndRefusesTheRest)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    // {arguments, exit status, printed on stdout, in the one "ostrevan: " line on stderr}
    const std::tuple<QStringList, int, QString, QString> cases[] = {
        {{"--help"}, 0, "--version", ""},
        {{"--version"}, 0, "Ostrevan " + QLatin1String(buildinfo::Version) + '\n', ""},
        {{"-platform", "offscreen", "-v"}, 0, "Ostrevan ", ""},
        {{"-platform", "offscreen", "--alarm"}, 2, "", "Unknown option 'alarm'"},
        {{"-platform", "offscreen", "later"}, 2, "", "'later'"},
        {{"--alarm"}, 2, "", "Unknown option 'alarm'"}, // refused with no display to open
    };
    for (const auto &[arguments, status, out, err] : cases) {
        QProcess app;
        app.setProcessEnvironment(env);
        app.start(usr(QStringLiteral("bin/ostrevan")), arguments);
        app.waitForFinished(30000);
        const QString printed = QString::fromLocal8Bit(app.readAllStandardOutput());
        const QString refused = QString::fromLocal8Bit(app.readAllStandardError());
        SCOPED_TRACE(arguments.join(u' ').toStdString() + "\n" + refused.toStdString());
        EXPECT_EQ(app.exitCode(), status);
        EXPECT_TRUE(printed.contains(out) && printed.isEmpty() == out.isEmpty());
        EXPECT_EQ(refused.count(QLatin1String("ostrevan: ")), err.isEmpty() ? 0 : 1);
        EXPECT_TRUE(refused.contains(err));
    }
}

// Errors, warnings and hints fail: desktop-file-validate prints nothing else, appstreamcli
// marks them "E: ..." and "W: ..." among its infos. A missing validator skips the test.
TEST_F(Install, EntryAndMetainfoPassTheirValidators)
{
    const std::tuple<const char *, QStringList, const char *, QRegularExpression> validators[] = {
        {"desktop-file-validate", {entryPath()}, "desktop-file-utils", QRegularExpression(".")},
        {"appstreamcli",
         {"validate", "--no-net", "--no-color", metainfoPath()},
         "appstream",
         QRegularExpression("^[EW]:")},
    };
    QStringList missing;
    for (const auto &[tool, arguments, package, failure] : validators) {
        const QString validator = QStandardPaths::findExecutable(QLatin1String(tool));
        if (validator.isEmpty()) {
            missing << QLatin1String(package);
            continue;
        }
        const Result result = run(validator, arguments);
        EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
        for (const QString &line : result.output.split(u'\n', Qt::SkipEmptyParts))
            EXPECT_FALSE(line.contains(failure)) << tool << ": " << line.toStdString();
    }
    if (!missing.isEmpty())
        GTEST_SKIP() << "validators not installed, packages: " << missing.join(u' ').toStdString();
}

TEST_F(Install, InstalledProgramStartsFromAnotherFolder)
{
    XvfbServer server;
    ASSERT_TRUE(server.start(5000)) << server.error().toStdString();
    WindowProbe probe;
    ASSERT_TRUE(probe.connect(server.display()));
    QTemporaryDir elsewhere;
    QTemporaryDir runtimeDir;
    ASSERT_TRUE(elsewhere.isValid() && runtimeDir.isValid());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), server.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess app;
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.setWorkingDirectory(elsewhere.path());
    app.start(usr(QStringLiteral("bin/ostrevan")), {});
    ASSERT_TRUE(app.waitForStarted(3000)) << app.errorString().toStdString();

    // The small window on a first run: 3465 x 1755 twips.
    const auto shown = probe.waitFor(QStringLiteral("Ostrevan"), 231, 117, 8000);
    QThread::msleep(300);
    const bool running = app.state() == QProcess::Running;
    app.terminate();
    if (!app.waitForFinished(2000)) {
        app.kill();
        app.waitForFinished(1000);
    }
    const std::string output = QString::fromLocal8Bit(app.readAll()).toStdString();
    EXPECT_FALSE(shown.isEmpty()) << output;
    EXPECT_TRUE(running) << output;
}

} // namespace
