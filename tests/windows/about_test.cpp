#include "buildinfo.h"
#include "platform/label.h"
#include "shell/winhelp.h"
#include "tests/windows/windowtesting.h"
#include "windows/dialogs/frmabt.h"

#include <QAccessible>
#include <QTest>
#include <QWindow>

using namespace platform;

class AboutAndHelp : public WindowTest
{
protected:
    void SetUp() override { startProgram(); }

    void about(MainWindow &w, std::function<void(FrmAbt &)> script)
    {
        waits.onModal([script](Form &form) {
            ASSERT_EQ(form.objectName(), "FrmAbt");
            script(static_cast<FrmAbt &>(form));
        });
        w.Command6->click();
    }
};

TEST_F(AboutAndHelp, HelpOpensTheViewerOnTheProgramsHelpFileForTheWindowPressed)
{
    for (MainWindow *w : both())
        w->Command4->click();
    ASSERT_EQ(help.calls.size(), 2u);
    const QString file = QStringLiteral(OSTREVAN_TEST_DATA "/ostv.hlp");
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(help.calls[i].window, both()[i]);
        EXPECT_EQ(help.calls[i].helpFile, file);
        EXPECT_EQ(help.calls[i].command, shell::HELP_FINDER);
    }
    EXPECT_TRUE(waits.log.isEmpty()); // no message of the program's own
}

TEST_F(AboutAndHelp, AboutShowsTheBuildsTextsAndItsLinksAskTheDesktopEveryTime)
{
    const QString web = QLatin1String(buildinfo::WebAddress);
    const QString mail = QStringLiteral("mailto:") + buildinfo::SupportAddress;
    for (MainWindow *w : both()) {
        links.calls.clear();
        about(*w, [&](FrmAbt &a) {
            EXPECT_EQ(a.parentWidget(), nullptr);
            EXPECT_EQ(a.Label7->text(), "Version 2.1");
            EXPECT_EQ(a.Label2->text(), QChar(169) + QStringLiteral(" 2026 Quillanor"));
            EXPECT_EQ(a.Label6->text(), web);
            EXPECT_EQ("mailto:" + a.Label5->text(), mail);
            if (w == &f1()) {
                for (Label *link : {a.Label6, a.Label6, a.Label5})
                    QTest::mouseClick(link, Qt::LeftButton);
            } else { // as a screen reader and the keyboard follow them
                for (Label *link : {a.Label6, a.Label5}) {
                    QAccessibleInterface *i = QAccessible::queryAccessibleInterface(link);
                    EXPECT_EQ(i->role(), QAccessible::Link);
                    EXPECT_EQ(i->text(QAccessible::Name), link->text());
                    i->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                }
                a.Label6->setFocus();
                QTest::keyClick(a.Label6, Qt::Key_Space);
            }
            EXPECT_TRUE(a.isVisible()); // the window stays open
            a.Label2->setCaption("changed");
            QTest::keyClick(&a, Qt::Key_Return); // OK is the default button
            EXPECT_FALSE(a.isLoaded());
        });
        // The links name the build's addresses, and the desktop opens them as it would.
        EXPECT_EQ(links.files(),
                  (w == &f1() ? QStringList{web, web, mail} : QStringList{web, mail, web}));
        for (const RecordingLinks::Call &call : links.calls) {
            EXPECT_EQ(call.operation, "open");
            EXPECT_EQ(call.showCommand, shell::SW_SHOWDEFAULT);
        }
    }
    // Made anew at every showing; the close box closes it as OK does.
    about(f1(), [&](FrmAbt &a) {
        EXPECT_EQ(a.Label2->text(), QChar(169) + QStringLiteral(" 2026 Quillanor"));
        a.close();
        EXPECT_FALSE(a.isLoaded());
    });
    EXPECT_EQ(shown("FrmAbt"), 3);
}

// Every modal window is a dialog kept over the window it comes from, without minimise or
// maximise button, brought back with that window, and closed by Esc (Presets storing nothing,
// About as OK, the others by their Cancel or OK).
TEST_F(AboutAndHelp, DialogsStayWithTheirWindowAndEscClosesThem)
{
    QStringList owners;
    for (int i = 0; i < 5; ++i) {
        waits.onModal([&, i](Form &form) {
            QWindow *owner = form.windowHandle()->transientParent();
            owners << form.objectName() + ">" + (owner ? owner->objectName() : "none");
            EXPECT_EQ(form.windowType(), Qt::Dialog);
            EXPECT_FALSE(form.windowFlags() & Qt::WindowMinMaxButtonsHint);
            if (i == 0) { // Options opens Colors and, at an MP3 file, the notice
                form.findChild<CommandButton *>("Command3")->click();
                waits.answerFile(QStringLiteral(OSTREVAN_TEST_DATA "/tone-1s.mp3"));
                form.findChild<CommandButton *>("Command2")->click();
            } else if (i == 3) { // Presets: minimised by the window manager, added to
                f1().showMinimized();
                form.showMinimized();
                f1().showNormal();
                EXPECT_FALSE(form.isMinimized());
                form.findChild<CommandButton *>("Command1")->click();
            }
            QTest::keyClick(&form, Qt::Key_Escape);
            EXPECT_FALSE(form.isLoaded()) << form.objectName().toStdString();
        });
    }
    f1().Label3->setText("05"); // a time Presets can add
    for (CommandButton *open : {f1().Command3, f1().Command7, f1().Command6})
        open->click();
    EXPECT_EQ(owners, (QStringList{"Form5>Form1Window", "Form4>Form5Window", "Form2>Form5Window",
                                   "Form3>Form1Window", "FrmAbt>Form1Window"}));
    EXPECT_TRUE(store().GetAllOptions("Presets").empty());
    EXPECT_EQ(store().GetSetting("Messages", "MP3 Message", ""), "yes");
}
