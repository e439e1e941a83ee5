// Where the program finds its help and alarm sounds: beside the executable in a build tree,
// in the installation's data folder otherwise.
#include "buildinfo.h"
#include "platform/programfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

TEST(ProgramFolder, IsTheExecutablesFolderOnlyWhenTheHelpFileLiesThere)
{
    struct Case {
        const char *what;
        QStringList files; // made in <root>/usr/bin; a folder when the name ends in '/'
        const char *given; // the executable's folder, relative to <root>
        bool ownFolder;    // true: <root>/usr/bin, false: the installation's data folder
    };
    const Case cases[] = {
        {"build tree", {"ostrevan", "ostv.hlp", "chime.wav"}, "usr/bin", true},
        {"build tree, path not clean", {"ostv.hlp"}, "usr/./bin/", true},
        {"installed: no data beside the program", {"ostrevan"}, "usr/bin", false},
        {"installed, path not clean", {"ostrevan"}, "usr/bin//", false},
        // Sounds a person keeps beside the program do not make it a build tree.
        {"sounds only", {"chime.wav", "melody.mid", "bells.mp3"}, "usr/bin", false},
        {"a folder named like the help file", {"ostv.hlp/"}, "usr/bin", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        const QString bin = root.filePath(QStringLiteral("usr/bin"));
        ASSERT_TRUE(QDir().mkpath(bin));
        for (const QString &name : c.files) {
            QFile file(bin + u'/' + name);
            ASSERT_TRUE(name.endsWith(u'/') ? QDir().mkpath(file.fileName())
                                            : file.open(QIODevice::WriteOnly));
        }

        const QString expected =
            c.ownFolder
                ? bin
                : QDir::cleanPath(bin + u'/' + QLatin1String(buildinfo::DataFolderFromBinFolder));
        EXPECT_EQ(platform::programFolder(root.filePath(QLatin1String(c.given))), expected);
    }
}

} // namespace
