#include "platform/commandbutton.h"
#include "platform/form.h"
#include "platform/spinbutton.h"
#include "platform/textbox.h"
#include "resources/layouts.h"
#include "tests/support/scriptedwaits.h"
#include "tests/support/virtualclock.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHideEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace platform;

TEST(TextBox, ChangeFollowsEveryChangeButNeverTheSameText)
{
    TextBox box;
    QSignalSpy changes(&box, &TextBox::Change);
    box.setText("12");
    box.setText("12");
    EXPECT_EQ(changes.count(), 1);
    box.setLocked(true);
    box.setText("");
    EXPECT_EQ(changes.count(), 2); // the program may change a locked field
    box.setLocked(false);
    QTest::keyClicks(&box, "5");
    EXPECT_EQ(changes.count(), 3);
}

// KeyPress gets every character typed or pasted as one code, also one outside the basic plane
// however it comes (one key, a key per half, several from one key), and a character is refused
// or kept whole, never cut in half.
TEST(TextBox, KeyPressMayDiscardOrReplaceEveryWholeCharacter)
{
    TextBox box;
    QObject::connect(&box, &TextBox::KeyPress, [](int &code) {
        if (code == 'x' || (code > 0xFFFF && code != 0x1F600))
            code = 0;
        else if (code == 'y')
            code = 'z';
    });
    const QString flag = "\U0001F1E9\U0001F1EA", smile = "\U0001F600";
    auto type = [&](const QString &text) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(&box, &key);
    };
    QTest::keyClicks(&box, "axyb");
    type(flag);
    EXPECT_EQ(box.text(), "azb");
    // Keys without a character are never offered for filtering.
    QTest::keyClick(&box, Qt::Key_Home);
    QTest::keyClick(&box, Qt::Key_Delete);
    EXPECT_EQ(box.text(), "zb");
    box.setMaxLength(4);
    type(smile.left(1));
    type(smile.mid(1));
    type(smile); // no room left for both halves
    EXPECT_EQ(box.text(), "zb" + smile);
    box.clear();
    QGuiApplication::clipboard()->setText("1" + flag + "y");
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box.text(), "1z");
}

TEST(SpinButton, IsOneTabStopSteppedByArrowKeysAndAnnouncesItsArrows)
{
    SpinButton spin;
    spin.setRange(0, 99);
    spin.setName("Minutes");
    QSignalSpy changes(&spin, &SpinButton::Change);
    QTest::keyClick(&spin, Qt::Key_Up);
    QTest::keyClick(&spin, Qt::Key_Up);
    QTest::keyClick(&spin, Qt::Key_Down);
    EXPECT_EQ(spin.value(), 1);
    EXPECT_EQ(changes.count(), 3);
    spin.setValue(99);
    spin.upArrow()->click();
    EXPECT_EQ(spin.value(), 99);
    spin.setValue(0);
    spin.downArrow()->click();
    EXPECT_EQ(spin.value(), 0);
    EXPECT_EQ(spin.focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(spin.upArrow()->focusPolicy(), Qt::NoFocus);

    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(&spin);
    EXPECT_EQ(a->role(), QAccessible::SpinBox);
    EXPECT_EQ(a->text(QAccessible::Name), "Minutes");
    ASSERT_NE(a->valueInterface(), nullptr);
    EXPECT_EQ(a->valueInterface()->currentValue().toInt(), 0);
    QStringList arrows; // each a button that can be pressed
    for (int i = 0; i < a->childCount(); ++i)
        arrows << a->child(i)->text(QAccessible::Name) + QString::number(a->child(i)->role()) +
                      a->child(i)->actionInterface()->actionNames().join(',');
    const QString button = QString::number(QAccessible::Button) + "Press";
    EXPECT_EQ(arrows, (QStringList{"Minutes up" + button, "Minutes down" + button}));
    a->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(spin.value(), 1);
}

// The window services of a test: a virtual clock and scripted waits.
struct Runtime {
    VirtualClock clock;
    ScriptedWaits waits;
    Services services{clock, waits, {}};
};

class MainLayout : public testing::TestWithParam<const FormSpec *>, protected Runtime
{
};

TEST_P(MainLayout, EveryControlIsNamedForScreenReadersAndTabsInDesignOrder)
{
    Form form(services, *GetParam());
    for (auto [name, spoken] :
         {std::pair{"Label2", "Hours"}, {"Label1", "Minutes"}, {"Label3", "Seconds"}}) {
        TextBox *field = form.control<TextBox>(name);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(field)->role(), QAccessible::EditableText);
        EXPECT_EQ(field->accessibleName(), spoken);
    }
    EXPECT_EQ(form.control<SpinButton>("UpDown3")->downArrow()->accessibleName(), "Seconds down");
    for (CommandButton *b : form.commandButtons())
        EXPECT_EQ(QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name), b->caption());

    // Walk the focus chain from the first button: the layout's tab order.
    QStringList chain;
    QWidget *w = form.control<CommandButton>("Command1");
    for (int i = 0; i < 13; ++i, w = w->nextInFocusChain()) {
        while (w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        chain << w->objectName();
    }
    const char *small = "Command1 Command3 Command7 Command4 Command2 Command5 Command6 Label2 "
                        "UpDown2 UpDown1 UpDown3 Label3 Label1";
    const char *large = "Command1 Command3 Command7 Command4 Command2 Command5 Command6 Label2 "
                        "Label1 Label3 UpDown2 UpDown1 UpDown3";
    EXPECT_EQ(chain.join(' '), GetParam() == &layouts::Form1 ? small : large);
}

TEST_P(MainLayout, TwoWideDigitsFitTheirField)
{
    Form form(services, *GetParam());
    for (const char *name : {"Label1", "Label2", "Label3"}) {
        TextBox *field = form.control<TextBox>(name);
        field->setText("88");
        field->setCursorPosition(2);
        // Find the digits' pixels: the yellow of the design on its dark purple.
        const QImage shot = field->grab().toImage();
        QRect ink;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                if (c.red() > 200 && c.green() > 200 && c.blue() < 80)
                    ink |= QRect(x, y, 1, 1);
            }
        }
        ASSERT_FALSE(ink.isNull()) << name;
        // Both digits are whole: nothing is cut at either side or at the top and bottom.
        EXPECT_TRUE(shot.rect().adjusted(2, 2, -2, -2).contains(ink)) << name;
        // And they fill the field, not shrunk further than needed.
        EXPECT_GT(ink.right() - ink.left(), shot.width() * 2 / 3) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(BothSizes, MainLayout, testing::Values(&layouts::Form1, &layouts::Form1b));

TEST(Layouts, EveryCaptionFitsItsBoxInTheStandInFace)
{
    Runtime runtime;
    Services &services = runtime.services;
    for (const FormSpec *layout :
         {&layouts::Form1, &layouts::Form1b, &layouts::Form2, &layouts::Form3, &layouts::Form4,
          &layouts::Form5, &layouts::FrmAbt}) {
        Form form(services, *layout);
        for (const ControlSpec &c : layout->controls) {
            if (!*c.text || (c.kind != ControlKind::Label && c.kind != ControlKind::CheckBox &&
                             c.kind != ControlKind::CommandButton))
                continue;
            QWidget *w = form.findChild<QWidget *>(QString::fromLatin1(c.name));
            ASSERT_NE(w, nullptr) << c.name;
            const QFontMetrics metrics(w->font());
            const QString text = QString::fromUtf8(c.text);
            if (c.flags & WordWrap) {
                const QRect needed =
                    metrics.boundingRect(QRect(0, 0, w->width(), 100000), Qt::TextWordWrap, text);
                EXPECT_LE(needed.height(), w->height()) << layout->name << "." << c.name;
            } else {
                // What is drawn must show whole: the ink, after a check box's box, inside a
                // button's margins.
                const int indicator = c.kind == ControlKind::CheckBox        ? 20
                                      : c.kind == ControlKind::CommandButton ? kButtonFramePx
                                                                             : 0;
                EXPECT_LE(metrics.boundingRect(text).right() + indicator, w->width())
                    << layout->name << "." << c.name;
            }
        }
    }
}

// A form that counts its close handler's runs.
class CountingForm : public Form
{
public:
    using Form::Form;
    int queryUnloads = 0;

protected:
    void Form_QueryUnload(int &, UnloadMode) override { ++queryUnloads; }
};

TEST(ModalLoop, EndsOnlyWhenItsWindowClosesAndItsCloseHandlerAlwaysRuns)
{
    VirtualClock clock;
    DesktopWaits waits;
    Services services{clock, waits, {}};
    Form owner(services, layouts::Form1);
    owner.Show();
    CountingForm dialog(services, layouts::Form5, &owner);
    // What the desktop does while the person minimises and restores the owner: the dialog is
    // hidden and shown again. The wait goes on until the close box.
    std::vector<bool> openMeanwhile;
    QTimer::singleShot(0, &dialog, [&] {
        static_cast<QWidget &>(dialog).hide();
        QHideEvent hidden;
        QApplication::sendEvent(&dialog, &hidden);
        openMeanwhile.push_back(dialog.isLoaded());
        static_cast<QWidget &>(dialog).show();
        QTimer::singleShot(0, &dialog, [&] {
            openMeanwhile.push_back(dialog.isLoaded() && dialog.isVisible());
            // The other windows take no input meanwhile.
            openMeanwhile.push_back(QApplication::activeModalWidget() == &dialog);
            dialog.close();
        });
    });
    dialog.showModal();
    EXPECT_EQ(openMeanwhile, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(dialog.queryUnloads, 1);
    EXPECT_FALSE(dialog.isLoaded());
}
