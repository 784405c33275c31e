#include "workspace/frmtags/WorkspaceFixture.h"

#include "core/Clock.h"
#include "data/Statement.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "workspace/addressbook/AddressBookTab.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

using namespace vemora;
using namespace vemora::test;
using namespace Qt::StringLiterals;

namespace {

QStringList items(const QComboBox* box) {
    QStringList list;
    for (int i = 0; i < box->count(); ++i) list.append(box->itemText(i));
    return list;
}

using FrmTagsTest = WorkspaceTest;

}  // namespace

TEST_F(FrmTagsTest, LoadSequenceLeavesEveryTabInItsStartingState) {
    for (const QString& word : {u"zebra"_s, u"apple"_s, u"Mango"_s})
        tp.query(Statement("INSERT INTO dictionary_tbl VALUES (1, ").text(word).sql(", 'x')"));
    open();
    EXPECT_EQ(tp.prompter.count(), 0);
    EXPECT_EQ(window->windowTitle(), u"Vemora Main"_s);
    QTabWidget* tabs = window->tabMenu();
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i) {
        captions.append(tabs->tabText(i));
        EXPECT_FALSE(tabs->tabIcon(i).isNull()) << i;
    }
    EXPECT_EQ(captions.join(u'|'), u" Address Book| My Planner| My Diary| Dictionary| My Player"_s);
    EXPECT_EQ(tabs->currentIndex(), 0);

    auto* sex = find<QComboBox>("cmbo_Sex");
    ASSERT_NE(sex, nullptr);
    EXPECT_EQ(items(sex), (QStringList{u"M"_s, u"F"_s}));
    EXPECT_EQ(sex->currentText(), u"M"_s);
    auto* search = find<QComboBox>("cmbo_Search");
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(items(search).join(u'|'),
              u"Name|Middle name|Last name|Address|Phone #|Cellular #|Fax #|E-mail"_s);
    EXPECT_EQ(search->currentText(), u"Name"_s);
    EXPECT_EQ(find<AddressBookTab>("AddressBookTab")->SearchField(), u"name"_s);

    for (const char* name : {"cmdAddInfo", "cmdClear", "cmdPrintAddress", "cmdAddPlan",
                             "cmdClearPlan", "cmdPrintPlan", "cmdAddDiary", "cmdClearDiary",
                             "cmdPrintDiary", "cmdAddDic", "cmdClearDic", "cmdPrintDict"}) {
        auto* button = find<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_TRUE(button->isEnabled()) << name;
    }
    for (const char* name : {"cmdSave", "cmdDelete", "cmdSavePlan", "cmdSaveDiary", "cmdSaveDic"}) {
        auto* button = find<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->isEnabled()) << name;
    }
    for (const char* name : {"DTPickerPlan", "DTPickerDiary"}) {
        auto* picker = find<QDateEdit>(name);
        ASSERT_NE(picker, nullptr) << name;
        EXPECT_EQ(picker->date(), currentDateTime().date());
    }
    for (const char* name : {"callendarPlan", "callendarDiary"}) {
        auto* calendar = find<QCalendarWidget>(name);
        ASSERT_NE(calendar, nullptr) << name;
        EXPECT_EQ(calendar->selectedDate(), currentDateTime().date());
    }
    // The shared word list, in word order; the dictionary grid reads through its own connection.
    auto* dictionary = find<QTableView>("DataGridDic");
    ASSERT_NE(dictionary, nullptr);
    EXPECT_EQ(dictionary->model()->rowCount(), 3);
    auto* words = find<QComboBox>("cmboDicSearch");
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(items(words), (QStringList{u"apple"_s, u"Mango"_s, u"zebra"_s}));
    EXPECT_TRUE(words->currentText().isEmpty());  // the list picks no word

    // Edit fields on the tooltip colour, in Verdana or its stand-in.
    auto* name = find<QLineEdit>("txtName");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->palette().color(QPalette::Base), name->palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(name->font().families().value(0), u"Verdana"_s);
}

TEST_F(FrmTagsTest, AFailingStepShowsOneBoxAndSkipsTheRest) {
    tp.query(Statement("INSERT INTO dictionary_tbl VALUES (1, 'apple', 'x')"));
    tp.query(Statement("INSERT INTO addressbook_tbl (user_num, name) VALUES (1, 'Ann')"));
    tp.session.DbConnection().close();
    open();

    ASSERT_EQ(tp.prompter.count(), 1);
    const auto& box = tp.prompter.last();
    EXPECT_EQ(box.title, QGuiApplication::applicationDisplayName());
    EXPECT_EQ(box.style, vbOKOnly);
    EXPECT_TRUE(box.text.startsWith(u'-')) << box.text.toStdString();  // the error number first
    auto* words = find<QComboBox>("cmboDicSearch");
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(words->count(), 0);
    // The address book has a connection of its own and loaded before the failure.
    EXPECT_EQ(find<QTableView>("dtg_AddressBook")->model()->rowCount(), 1);
}

// The words are read on a connection of their own: a failure there is told once, after the
// other tabs have loaded.
TEST_F(FrmTagsTest, WordsThatCannotBeReadShowOneBoxAfterTheOtherTabsLoad) {
    tp.query(Statement("INSERT INTO addressbook_tbl (user_num, name) VALUES (1, 'Ann')"));
    tp.query(Statement("ALTER TABLE dictionary_tbl RENAME COLUMN dict_name TO word"));
    open();

    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_TRUE(tp.prompter.last().text.startsWith(u'-')) << tp.prompter.last().text.toStdString();
    EXPECT_EQ(find<QTableView>("DataGridDic")->model()->rowCount(), 0);
    EXPECT_EQ(find<QComboBox>("cmboDicSearch")->count(), 0);
    EXPECT_EQ(find<QTableView>("dtg_AddressBook")->model()->rowCount(), 1);
}

TEST_F(FrmTagsTest, ChangingTabMovesTheFocusAndKeepsInput) {
    open();
    auto* name = find<QLineEdit>("txtName");
    auto* email = find<QLineEdit>("txtEmail");
    QTest::keyClicks(name, u"Kept"_s);
    email->setFocus();
    QTabWidget* tabs = window->tabMenu();
    tabs->setCurrentIndex(0);  // already current: nothing moves
    EXPECT_TRUE(email->hasFocus());

    const char* targets[] = {"txtName", "txtPlanAM", "txtDiaryMsg", "txtDicWord", "cmdOpen"};
    for (int i : {2, 1, 3, 4, 0}) {
        tabs->setCurrentIndex(i);
        auto* target = find<QWidget>(targets[i]);
        ASSERT_NE(target, nullptr) << targets[i];
        EXPECT_TRUE(target->hasFocus()) << targets[i];
    }
    EXPECT_EQ(name->text(), u"Kept"_s);
}

TEST_F(FrmTagsTest, AWorkspaceShowsOnlyItsUsersAddressBook) {
    const int other = tp.addUser(u"bea"_s, u"pw"_s, u"Bea"_s);
    tp.query(Statement("INSERT INTO addressbook_tbl (user_num, name) VALUES (1, 'Ann')"));
    tp.query(Statement("INSERT INTO addressbook_tbl (user_num, name) VALUES (")
                 .number(other)
                 .sql(", 'Bob')"));
    for (const auto& [user, name] : {std::pair{1, u"Ann"_s}, std::pair{other, u"Bob"_s}}) {
        window.reset();
        tp.loginAs(user);
        open();
        QAbstractItemModel* grid = find<QTableView>("dtg_AddressBook")->model();
        ASSERT_EQ(grid->rowCount(), 1);
        EXPECT_EQ(grid->index(0, 0).data().toString(), name);
    }
}
