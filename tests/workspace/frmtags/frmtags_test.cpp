#include "workspace/frmtags/WorkspaceFixture.h"

#include "data/Statement.h"
#include "platform/Prompter.h"
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

namespace {

QStringList items(const QComboBox* box) {
    QStringList list;
    for (int i = 0; i < box->count(); ++i) list.append(box->itemText(i));
    return list;
}

using FrmTagsTest = WorkspaceTest;

}  // namespace

TEST_F(FrmTagsTest, FiveTabsWithLeadingBlankCaptionsAndPictures) {
    open();
    QTabWidget* tabs = window->tabMenu();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vemora Main"));
    EXPECT_EQ(tabs->objectName(), QStringLiteral("tabMenu"));
    const QStringList captions{QStringLiteral(" Address Book"), QStringLiteral(" My Planner"),
                               QStringLiteral(" My Diary"), QStringLiteral(" Dictionary"),
                               QStringLiteral(" My Player")};
    ASSERT_EQ(tabs->count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(tabs->tabText(i), captions.at(i));
        EXPECT_FALSE(tabs->tabIcon(i).isNull()) << i;
    }
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(FrmTagsTest, LoadSequenceLeavesEveryTabInItsStartingState) {
    for (const char* word : {"zebra", "apple", "Mango"})
        tp.query(Statement("INSERT INTO dictionary_tbl VALUES (1, ")
                     .text(QString::fromLatin1(word)).sql(", 'x')"));
    open();
    EXPECT_EQ(tp.prompter.count(), 0);

    auto* sex = find<QComboBox>("cmbo_Sex");
    EXPECT_EQ(items(sex), (QStringList{QStringLiteral("M"), QStringLiteral("F")}));
    EXPECT_EQ(sex->currentText(), QStringLiteral("M"));
    auto* search = find<QComboBox>("cmbo_Search");
    EXPECT_EQ(items(search),
              (QStringList{QStringLiteral("Name"), QStringLiteral("Middle name"),
                           QStringLiteral("Last name"), QStringLiteral("Address"),
                           QStringLiteral("Phone #"), QStringLiteral("Cellular #"),
                           QStringLiteral("Fax #"), QStringLiteral("E-mail")}));
    EXPECT_EQ(search->currentText(), QStringLiteral("Name"));
    EXPECT_EQ(find<AddressBookTab>("AddressBookTab")->SearchField(), QStringLiteral("name"));

    for (const char* name : {"cmdAddInfo", "cmdClear", "cmdPrintAddress", "cmdAddPlan",
                             "cmdClearPlan", "cmdPrintPlan", "cmdAddDiary", "cmdClearDiary",
                             "cmdPrintDiary", "cmdAddDic", "cmdClearDic", "cmdPrintDict"})
        if (auto* button = find<QAbstractButton>(name)) {
            EXPECT_TRUE(button->isEnabled()) << name;
        }
    for (const char* name : {"cmdSave", "cmdDelete", "cmdSavePlan", "cmdSaveDiary", "cmdSaveDic"})
        if (auto* button = find<QAbstractButton>(name)) {
            EXPECT_FALSE(button->isEnabled()) << name;
        }
    EXPECT_NE(find<QAbstractButton>("cmdSave"), nullptr);

    for (const char* name : {"DTPickerPlan", "DTPickerDiary"})
        if (auto* picker = find<QDateEdit>(name)) {
            EXPECT_EQ(picker->date(), QDate::currentDate());
        }
    for (const char* name : {"callendarPlan", "callendarDiary"})
        if (auto* calendar = find<QCalendarWidget>(name)) {
            EXPECT_EQ(calendar->selectedDate(), QDate::currentDate());
        }

    // The shared word list, in word order; the dictionary grid reads through its own connection.
    if (auto* dictionary = find<QTableView>("DataGridDic")) {
        EXPECT_EQ(dictionary->model()->rowCount(), 3);
    }
    if (auto* words = find<QComboBox>("cmboDicSearch")) {
        EXPECT_EQ(items(words), (QStringList{QStringLiteral("apple"), QStringLiteral("Mango"),
                                             QStringLiteral("zebra")}));
    }

    // Edit fields on the tooltip colour, in Verdana or its stand-in.
    auto* name = find<QLineEdit>("txtName");
    EXPECT_EQ(name->palette().color(QPalette::Base), name->palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(name->font().families().value(0), QStringLiteral("Verdana"));
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
    EXPECT_TRUE(box.text.startsWith(QLatin1Char('-'))) << box.text.toStdString();
    if (auto* words = find<QComboBox>("cmboDicSearch")) {
        EXPECT_EQ(words->count(), 0);
    }
    // The address book has a connection of its own and loaded before the failure.
    EXPECT_EQ(find<QTableView>("dtg_AddressBook")->model()->rowCount(), 1);
}

TEST_F(FrmTagsTest, ChangingTabMovesTheFocusAndKeepsInput) {
    open();
    auto* name = find<QLineEdit>("txtName");
    auto* email = find<QLineEdit>("txtEmail");
    QTest::keyClicks(name, QStringLiteral("Kept"));
    email->setFocus();
    QTabWidget* tabs = window->tabMenu();

    tabs->setCurrentIndex(0);  // already current: nothing moves
    EXPECT_TRUE(email->hasFocus());

    const char* targets[] = {"txtName", "txtPlanAM", "txtDiaryMsg", "txtDicWord", "cmdOpen"};
    for (int i : {2, 1, 3, 4, 0}) {
        tabs->setCurrentIndex(i);
        auto* target = find<QWidget>(targets[i]);
        if (!target) continue;  // that tab does not have its controls yet
        EXPECT_TRUE(target->hasFocus()) << targets[i];
    }
    EXPECT_EQ(name->text(), QStringLiteral("Kept"));
}

TEST_F(FrmTagsTest, EachWorkspaceShowsOnlyItsUsersAddressBook) {
    const int other = tp.addUser(QStringLiteral("bea"), QStringLiteral("pw"), QStringLiteral("Bea"));
    tp.query(Statement("INSERT INTO addressbook_tbl (user_num, name) VALUES (1, 'Ann')"));
    tp.query(Statement("INSERT INTO addressbook_tbl (user_num, name) VALUES (").number(other)
                 .sql(", 'Bob')"));
    open();
    QAbstractItemModel* grid = find<QTableView>("dtg_AddressBook")->model();
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->index(0, 0).data().toString(), QStringLiteral("Ann"));

    window.reset();
    tp.loginAs(other);
    open();
    grid = find<QTableView>("dtg_AddressBook")->model();
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->index(0, 0).data().toString(), QStringLiteral("Bob"));
    EXPECT_EQ(window->tabMenu()->currentIndex(), 0);
}
