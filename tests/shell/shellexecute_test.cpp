#include "shell/shellexecute.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QUrl>
#include <array>
#include <gtest/gtest.h>

using namespace shell;

namespace
{

// Stands in for the desktop's browser, mail program and file opener.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.push_back(url); }
};

class LinksTest : public testing::Test
{
protected:
    UrlCatcher catcher;
    std::unique_ptr<Links> links = desktopLinks();
    void SetUp() override
    {
        for (const char *scheme : {"mailto", "https", "ostrevan-test", "file"})
            QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    }
    void TearDown() override
    {
        for (const char *scheme : {"mailto", "https", "ostrevan-test", "file"})
            QDesktopServices::unsetUrlHandler(scheme);
        for (QWidget *w : QApplication::topLevelWidgets())
            EXPECT_EQ(qobject_cast<QMessageBox *>(w), nullptr) << "a message box was shown";
    }
    qintptr open(const QString &target, const QString &verb = "open", const QString &dir = {})
    {
        return links->ShellExecute(nullptr, verb, target, QString(), dir, SW_SHOWDEFAULT);
    }
};

} // namespace

TEST_F(LinksTest, TheDesktopReceivesExactlyTheTarget)
{
    QTemporaryDir dir;
    QFile notes(dir.filePath("read me.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();

    // {target, verb, folder given, what the desktop receives ("": the target itself)}
    const QString file = QUrl::fromLocalFile(notes.fileName()).toString(QUrl::FullyEncoded);
    const std::array<QString, 4> cases[] = {
        {"mailto:support@quillanor.example", "open", {}, {}},
        {"mailto:support@quillanor.example", {}, {}, {}}, // the verb may be left out
        {"mailto:support@quillanor.example?subject=Ostrevan%202.1", "open", {}, {}},
        {"https://www.quillanor.example/ostrevan/", "OPEN", {}, {}},
        {"ostrevan-test:help/topic?x=1#part", "open", {}, {}},
        {" https://www.quillanor.example/ ", "open", {}, "https://www.quillanor.example/"},
        // A file name: absolute, or relative to the folder given.
        {notes.fileName(), "open", {}, file},
        {"read me.txt", "open", dir.path(), file},
    };
    for (const auto &[target, verb, directory, received] : cases) {
        SCOPED_TRACE(target.toStdString());
        catcher.opened.clear();
        EXPECT_GT(open(target, verb, directory), 32);
        ASSERT_EQ(catcher.opened.size(), 1);
        EXPECT_EQ(catcher.opened[0].toString(QUrl::FullyEncoded),
                  received.isEmpty() ? target : received);
    }
}

TEST_F(LinksTest, FailuresAreSmallNumbersAndOpenNothing)
{
    // {target, verb, result}
    const std::tuple<QString, QString, qintptr> cases[] = {
        {"", "open", ERROR_FILE_NOT_FOUND},
        {"   ", "open", ERROR_FILE_NOT_FOUND},
        {"/no/such/folder/ostv.hlp", "open", ERROR_FILE_NOT_FOUND},
        {"file:///no/such/folder/ostv.hlp", "open", ERROR_FILE_NOT_FOUND},
        {"mailto:support@quillanor.example", "print", SE_ERR_NOASSOC},
        {"https://www.quillanor.example/", "runas", SE_ERR_NOASSOC},
        // No program for this kind of link (the headless desktop of the tests has none).
        {"ostrevan-unknown:thing", "open", SE_ERR_NOASSOC},
    };
    for (const auto &[target, verb, result] : cases)
        EXPECT_EQ(open(target, verb), result) << target.toStdString() << " " << verb.toStdString();
    EXPECT_TRUE(catcher.opened.isEmpty());
}

#include "shellexecute_test.moc"
