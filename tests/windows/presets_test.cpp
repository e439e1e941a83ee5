#include "platform/label.h"
#include "settings/hivefile.h"
#include "tests/windows/windowtesting.h"
#include "windows/dialogs/form3.h"

#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace platform;

class Presets : public WindowTest
{
protected:
    void SetUp() override { startProgram(); }

    static QStringList stored()
    {
        QStringList values;
        for (const auto &value : store().GetAllOptions(QStringLiteral("Presets")))
            values << value[0] + '=' + value[1];
        return values;
    }
    static QStringList entries(const Form3 &p)
    {
        QStringList list;
        for (int i = 0; i < p.Combo1->count(); ++i)
            list << p.Combo1->itemText(i);
        return list;
    }
    // Opens Presets from the window's Presets button with the script.
    void presets(MainWindow &w, std::function<void(Form3 &)> script)
    {
        waits.onModal([script](Form &form) {
            ASSERT_EQ(form.objectName(), "Form3");
            script(static_cast<Form3 &>(form));
        });
        w.Command7->click();
    }
    // Stores the entries (separated by commas) as Done does.
    static void storeList(const QString &entries)
    {
        std::vector<std::array<QString, 2>> rows;
        for (const QString &text : entries.split(',', Qt::SkipEmptyParts))
            rows.push_back({"Preset" + QString::number(rows.size()), text});
        store().ReplaceSection("Presets", rows);
    }
    static QByteArray hive()
    {
        QFile file(settings::HiveFile::path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(Presets, AddRefusesZeroKeepsDuplicatesAndDoneStoresTheListInOrder)
{
    presets(f1(), [&](Form3 &p) {
        EXPECT_EQ(p.Combo1->count(), 0);
        EXPECT_FALSE(p.Command2->isEnabled() || p.Command3->isEnabled());
        p.Command1->click();
        EXPECT_EQ(waits.log.last(), "message|Oops!|Current time is set to 00:00:00. Please set a "
                                    "time other than this and try again.|exclamation|ok");
        f1().Label3->setText("01");
        p.Command1->click();
        p.Command1->click();
        setTime("01", "30", "00");
        p.Command1->click();
        EXPECT_EQ(entries(p), (QStringList{"00:00:01", "00:00:01", "01:30:00"}));
        EXPECT_EQ(p.Combo1->currentIndex(), 2);
        EXPECT_TRUE(p.Command2->isEnabled() && p.Command3->isEnabled());
        EXPECT_TRUE(stored().isEmpty()); // nothing is stored before Done
        p.Command4->click();
    });
    EXPECT_TRUE(
        hive().endsWith("Ostrevan\\Presets]\n\"Preset0\"=\"00:00:01\"\n\"Preset1\"=\"00:00:01\"\n"
                        "\"Preset2\"=\"01:30:00\"\n\n"))
        << hive().toStdString();
    presets(f1b(), [&](Form3 &p) { EXPECT_EQ(p.parentWidget(), &f1b()); });
}

TEST_F(Presets, DeleteAsksFirstAndOnlyDoneKeepsTheChangeWhenTheFileCanBeWritten)
{
    storeList("00:05:00,00:10:00");
    presets(f1(), [&](Form3 &p) {
        waits.answerMessage(MsgResult::No);
        p.Command2->click();
        EXPECT_EQ(waits.log.last(), "message|Confirm|Delete selected preset?|question|yesno");
        EXPECT_EQ(p.Combo1->count(), 2);
        p.Combo1->setCurrentIndex(0);
        waits.answerMessage(MsgResult::Yes);
        p.Command2->click();
        EXPECT_EQ(entries(p), QStringList{"00:10:00"});
        waits.answerMessage(MsgResult::Yes);
        p.Command2->click();
        EXPECT_EQ(p.Combo1->count(), 0);
        EXPECT_EQ(p.Combo1->currentIndex(), -1);
        EXPECT_FALSE(p.Command2->isEnabled() || p.Command3->isEnabled()); // at once
        // Closed by the close box: nothing stored changes.
    });
    EXPECT_EQ(stored(), (QStringList{"Preset0=00:05:00", "Preset1=00:10:00"}));
    presets(f1(), [&](Form3 &p) {
        for (int i = 0; i < 2; ++i) {
            waits.answerMessage(MsgResult::Yes);
            p.Command2->click();
        }
        p.Command4->click();
    });
    EXPECT_FALSE(hive().contains("Presets")); // the key is gone, not left empty
    // A folder where the lock file belongs: no write can take the lock, whoever runs this.
    ASSERT_TRUE(QDir().mkpath(settings::HiveFile::path() + ".lock"));
    presets(f1(), [&](Form3 &p) {
        setTime("00", "00", "09");
        p.Command1->click();
        p.Command4->click();
        EXPECT_FALSE(p.isVisible()); // Done closes the window all the same
    });
    EXPECT_TRUE(stored().isEmpty());
}

// Another running copy stores its changes while this window is open: Done applies this
// window's own deletion and its addition ("+") to the list as stored then.
TEST_F(Presets, DoneAppliesItsOwnChangesToWhatAnotherCopyStoredMeanwhile)
{
    const std::tuple<QString, QString, int, QString> cases[] = {
        {"a,b,c", "a,b,c,d", 1, "a,c,d,+"},
        {"a,b,c", "a,c,d", 1, "a,c,d,+"}, // deleted there too
        {"a,b,c", "b,c", 2, "b,+"},       // the stored names have moved
        {"a,b,a", "b,a,e", 2, "b,e,+"},   // each copy deleted one "a"
    };
    for (const auto &[opened, meanwhile, deleted, expected] : cases) {
        storeList(opened);
        presets(f1(), [&](Form3 &p) {
            storeList(meanwhile);
            p.Combo1->setCurrentIndex(deleted);
            waits.answerMessage(MsgResult::Yes);
            p.Command2->click();
            setTime("00", "00", "09");
            p.Command1->click();
            p.Command4->click();
        });
        EXPECT_EQ(stored().join(',').replace(QRegularExpression("Preset\\d+="), ""),
                  QString(expected).replace('+', "00:00:09"))
            << meanwhile.toStdString();
    }
}

TEST_F(Presets, LoadSelectedReachesBothWindowsAndTheirSpinButtonsButNotFromAMalformedEntry)
{
    qint16 large = 1;
    f1().size(large);
    storeList("12:34:56,1:2:3,ab:cd:ef");
    presets(f1b(), [&](Form3 &p) {
        for (int i : {1, 2}) {
            p.Combo1->setCurrentIndex(i);
            p.Command3->click();
            EXPECT_EQ(timeOf(f1b()), "00:00:00") << i;
        }
        p.Combo1->setCurrentIndex(0);
        p.Command3->click();
        EXPECT_TRUE(p.isVisible()); // the window stays open
        p.Command4->click();
    });
    EXPECT_EQ(timeOf(f1()), "12:34:56");
    EXPECT_EQ(timeOf(f1b()), "12:34:56");
    EXPECT_EQ(f1b().UpDown1->value(), 34);
    EXPECT_EQ(f1().UpDown3->value(), 56);
    // Malformed entries are kept as they were.
    EXPECT_EQ(stored(), (QStringList{"Preset0=12:34:56", "Preset1=1:2:3", "Preset2=ab:cd:ef"}));
}

TEST_F(Presets, AHandEditedSectionIsShownInOrderAndDoneRenumbersIt)
{
    // Any names, gaps in the numbers, values that are no text (not shown) and UTF-8.
    const QByteArray hive =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Presets]\r\n"
        "\"Preset0\"=\"00:01:00\"\r\n\"Preset7\"=\"00:07:00\"\r\n"
        "\"Count\"=dword:00000002\r\n\"Foo\"=\"\xC3\xA9t\xC3\xA9 10:00\"\r\n\"Raw\"=hex:01,02\r\n";
    QDir().mkpath(QFileInfo(settings::HiveFile::path()).absolutePath());
    QFile file(settings::HiveFile::path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(hive) == hive.size());
    file.close();
    const QString utf8 = QString::fromUtf8("\xC3\xA9t\xC3\xA9 10:00");
    presets(f1(), [&](Form3 &p) {
        EXPECT_EQ(entries(p), (QStringList{"00:01:00", "00:07:00", utf8}));
        EXPECT_EQ(p.Combo1->currentIndex(), 2);
        p.Command4->click();
    });
    EXPECT_EQ(stored(), (QStringList{"Preset0=00:01:00", "Preset1=00:07:00", "Preset2=" + utf8}));
}

TEST_F(Presets, AScreenReaderHearsTheListByItsLabelWithItsEntry)
{
    storeList("00:01:00,00:05:00");
    presets(f1(), [&](Form3 &p) {
        // The label names the list (a "labelled by" relation, as screen readers on this
        // desktop expect), and the list tells its entry.
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(p.Combo1);
        ASSERT_EQ(list->relations(QAccessible::Label).size(), 1);
        EXPECT_EQ(list->relations(QAccessible::Label)[0].first->text(QAccessible::Name),
                  "Select preset:");
        EXPECT_EQ(list->text(QAccessible::Value), "00:05:00");
        // Its entries are read only while dropped down, so a long list costs nothing more.
        EXPECT_EQ(list->childCount(), 0);
        p.Combo1->showPopup();
        ASSERT_EQ(list->childCount(), 1);
        EXPECT_EQ(list->child(0)->child(1)->text(QAccessible::Name), "00:05:00");
    });
}
