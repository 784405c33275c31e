#include "accounts/frmAddUser.h"
#include "data/DataControl.h"
#include "accounts/AccountsFixture.h"

#include <QComboBox>
#include <QTableView>

using namespace vemora;
using namespace vemora::test;

namespace {

class AddUserTest : public AccountsFixture<frmAddUser> {
protected:
    void SetUp() override {
        env.loginAs(1);
        bob = env.addUser("bob"_q, "secret"_q, "Bob Builder"_q);
        carol = env.addUser("carol"_q, "pw"_q, "Carol King"_q);
        open();
    }

    QTableView* grid() { return get<QTableView>("dtg_Users"); }
    DataControl* users() { return get<DataControl>("adodc_users"); }
    int rowOf(const QString& userName) {
        const QAbstractItemModel* model = grid()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, 0).data().toString() == userName) return r;
        ADD_FAILURE() << "no row for " << userName.toStdString();
        return -1;
    }
    void choose(const QString& userName) {
        const QModelIndex cell = grid()->model()->index(rowOf(userName), 1);
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(cell).center());
    }
    void fill(const QString& userName, const QString& password, const QString& retype,
              const QString& name) {
        put("txtUserName", userName);
        put("txtPassword", password);
        put("txtRetype", retype);
        put("txtName", name);
    }
    void expectButtons(bool add, bool save, bool remove) {
        EXPECT_EQ(enabled("cmdAddUser"), add);
        EXPECT_EQ(enabled("cmdSave"), save);
        EXPECT_EQ(enabled("cmdDelete"), remove);
    }
    void expectNothingStored(int accounts) {
        EXPECT_EQ(env.count("users"_q), accounts);
        EXPECT_EQ(account(bob).text(u"user_name"), "bob"_q);
    }

    int bob = 0;
    int carol = 0;
};

TEST_F(AddUserTest, ListsEveryAccountWithoutPasswords) {
    const QAbstractItemModel* model = grid()->model();
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "User Name"_q);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Name"_q);
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->index(1, 0).data().toString(), "bob"_q);
    EXPECT_EQ(model->index(1, 1).data().toString(), "Bob Builder"_q);
    expectButtons(true, false, false);
    EXPECT_EQ(get<QComboBox>("cmbo_Search")->currentText(), "User Name"_q);
    EXPECT_EQ(form->windowTitle(), "Add User"_q);
}

TEST_F(AddUserTest, ChoosingTheAdministratorLocksItsUserNameAndDeleteRefuses) {
    choose("admin"_q);
    EXPECT_EQ(text("txtSearch"), "admin"_q);
    EXPECT_EQ(text("txtUserNum"), "1"_q);
    EXPECT_EQ(text("txtUserName"), "admin"_q);
    EXPECT_EQ(text("txtPassword"), "admin"_q);
    EXPECT_EQ(text("txtRetype"), "admin"_q);
    EXPECT_EQ(text("txtName"), "Administrator"_q);
    EXPECT_TRUE(get("txtUserName")->isReadOnly());
    expectButtons(false, true, true);

    click("cmdDelete");
    expectShown("Sorry you can't delete the administrator account!"_q, "Security Alert!"_q, 48);
    EXPECT_EQ(env.count("users"_q), 3);

    // Its password and name stay editable; its user name does not change, in any case.
    put("txtSearch", "adm"_q);
    EXPECT_FALSE(get("txtUserName")->isReadOnly());
    put("txtPassword", "n3w"_q);
    put("txtRetype", "n3w"_q);
    put("txtName", "Root"_q);
    QTest::keyClicks(get("txtUserName"), "X"_q);
    click("cmdSave");
    expectShown("Sorry you can't change the user name of the administrator account!"_q,
                "Security Alert!"_q, 48);
    put("txtUserName", "admin"_q);
    click("cmdSave");
    expectShown("The database has been updated!"_q, "Successfuly Edited!"_q, 64);
    EXPECT_EQ(account(1).text(u"user_name"), "admin"_q);
    EXPECT_EQ(account(1).text(u"name"), "Root"_q);
    EXPECT_TRUE(logsIn("admin"_q, "n3w"_q));
}

TEST_F(AddUserTest, TheAdministratorIsNeverDeletedWhateverTheCase) {
    choose("bob"_q);
    put("txtSearch", "b"_q);
    for (const QString& typed : {"ADMIN"_q, " aDmIn "_q, "Admin"_q}) {
        env.prompter.clear();
        put("txtUserName", typed);
        click("cmdDelete");
        EXPECT_EQ(env.prompter.count(), 1) << "no question may follow";
        expectShown("Sorry you can't delete the administrator account!"_q, "Security Alert!"_q, 48);
    }
    // Account 1 chosen by number, whatever name the box shows.
    put("txtUserNum", "1"_q);
    put("txtUserName", "bob"_q);
    click("cmdDelete");
    expectShown("Sorry you can't delete the administrator account!"_q, "Security Alert!"_q, 48);
    EXPECT_EQ(env.count("users"_q), 3);
    // The search text locks the user name in any case.
    put("txtSearch", "ADMIN"_q);
    EXPECT_TRUE(get("txtUserName")->isReadOnly());
}

TEST_F(AddUserTest, DeleteRemovesExactlyTheChosenAccount) {
    choose("carol"_q);
    env.prompter.answer(Answer::No);
    click("cmdDelete");
    expectShown("Are you sure you want to delete carol account?"_q, "Are you sure?"_q, 36);
    EXPECT_EQ(env.count("users"_q), 3);

    env.prompter.answer(Answer::Yes);
    click("cmdDelete");
    EXPECT_EQ(env.prompter.count(), 2) << "no message after the delete";
    EXPECT_EQ(env.count("users"_q), 2);
    EXPECT_TRUE(account(carol).eof());
    EXPECT_EQ(grid()->model()->rowCount(), 2);
    EXPECT_EQ(text("txtUserName"), QString());
    EXPECT_EQ(text("txtSearch"), "carol"_q);

    // The stale number of the deleted account chooses nothing.
    put("txtUserName", "bob"_q);
    env.prompter.answer(Answer::Yes);
    click("cmdDelete");
    expectShown("The chosen account was not found! Please choose the account again from the "
                "user list."_q, "Information"_q, 64);
    EXPECT_FALSE(account(bob).eof());
}

TEST_F(AddUserTest, AStaleNumberNeverDeletesASecondAccount) {
    choose("carol"_q);
    // The user name of another account typed over the chosen one.
    put("txtUserName", "bob"_q);
    env.prompter.answer(Answer::Yes);
    click("cmdDelete");
    expectShown("The chosen account was not found! Please choose the account again from the "
                "user list."_q, "Information"_q, 64);
    EXPECT_EQ(env.count("users"_q), 3);

    // No account chosen at all.
    put("txtUserNum", QString());
    click("cmdDelete");
    expectShown("Please choose an account from the user list first!"_q, "Information"_q, 64);
    EXPECT_EQ(env.count("users"_q), 3);
}

TEST_F(AddUserTest, AddStoresThePasswordWithItsBlanksAndClearsTheBoxes) {
    fill(" dave "_q, " pa ss "_q, "pa ss"_q, "  Dave Doe "_q);
    click("cmdAddUser");
    expectShown("The database has been updated!"_q, "Successfuly Added!"_q, 64);
    Recordset stored = env.query(
        Statement("SELECT user_name, user_password, name FROM users WHERE user_name = 'dave'"));
    ASSERT_FALSE(stored.eof());
    EXPECT_EQ(stored.text(u"name"), "Dave Doe"_q);
    EXPECT_EQ(stored.text(u"user_password"), *EncodePassword(" pa ss "_q));
    EXPECT_TRUE(logsIn("dave"_q, " pa ss "_q));
    EXPECT_FALSE(logsIn("dave"_q, "pa ss"_q));
    for (const char* box : {"txtUserName", "txtPassword", "txtRetype", "txtName"})
        EXPECT_EQ(text(box), QString()) << box;
    EXPECT_EQ(grid()->model()->rowCount(), 4);
    EXPECT_TRUE(env.session.DbConnection().isOpen());
}

TEST_F(AddUserTest, AddRefusesWhatCannotBeStored) {
    fill("eve"_q, "pw"_q, " "_q, "Eve"_q);
    click("cmdAddUser");
    expectShown("Password mismatch! Please re-type the correct password."_q, "Password mismatch!"_q, 64);
    expectSelected("txtRetype");

    fill("eve"_q, "  "_q, "  "_q, "Eve"_q);
    click("cmdAddUser");
    expectShown("Please fill-up all necessary fields!"_q, "Incomplete!"_q, 64);

    fill("BOB"_q, "pw"_q, "pw"_q, "Another Bob"_q);
    click("cmdAddUser");
    expectShown("Someone is using this username, please use another username!"_q,
                "Already in use!"_q, 64);
    expectSelected("txtUserName");

    fill("o'neil"_q, "pw"_q, "pw"_q, "Pat"_q);
    click("cmdAddUser");
    expectShown("Please do not use ' character, their's a conflict in JET Engine used in this "
                "project!"_q, "Message Alert!"_q, 48);
    fill("pat"_q, "pw"_q, "pw"_q, "Pat O'Neil"_q);
    click("cmdAddUser");
    EXPECT_EQ(env.prompter.last().title, "Message Alert!"_q);

    // No stored form (the euro sign, a Greek letter), or stored as an apostrophe (the section sign).
    for (const QString& password : {"ab\u20AC"_q, "\u03A9"_q, "\u00A7"_q}) {
        fill("pat"_q, password, password, "Pat"_q);
        click("cmdAddUser");
        expectShown("The password has a character that can not be stored! Please use another "
                    "password."_q, "Message Alert!"_q, 48);
        expectSelected("txtPassword");
    }
    expectNothingStored(3);
    EXPECT_EQ(text("txtUserName"), "pat"_q);
}

TEST_F(AddUserTest, SaveChangesTheChosenAccount) {
    choose("bob"_q);
    EXPECT_EQ(text("txtPassword"), "secret"_q);
    put("txtUserName", "robert"_q);
    put("txtPassword", "new pw"_q);
    put("txtRetype", "new pw"_q);
    click("cmdSave");
    expectShown("The database has been updated!"_q, "Successfuly Edited!"_q, 64);
    EXPECT_EQ(account(bob).text(u"user_name"), "robert"_q);
    EXPECT_TRUE(logsIn("robert"_q, "new pw"_q));
    EXPECT_EQ(account(carol).text(u"user_name"), "carol"_q);

    // The boxes are empty; the buttons keep the state of the last search.
    expectButtons(false, true, true);
    click("cmdSave");
    expectShown("Please fill-up all necessary fields!"_q, "Incomplete!"_q, 64);

    choose("robert"_q);
    put("txtUserName", "Carol"_q);
    click("cmdSave");
    expectShown("Someone is using this username, please use another username!"_q,
                "Already in use!"_q, 64);
    EXPECT_EQ(account(bob).text(u"user_name"), "robert"_q);
}

TEST_F(AddUserTest, SaveWithoutAChosenAccountStoresNothing) {
    put("txtSearch", "c"_q);
    expectButtons(false, true, true);
    fill("zed"_q, "pw"_q, "pw"_q, "Zed"_q);
    click("cmdSave");
    expectShown("Please choose an account from the user list first!"_q, "Information"_q, 64);

    // The chosen account went away meanwhile.
    choose("carol"_q);
    env.query(Statement("DELETE FROM users WHERE user_num = ").number(carol));
    click("cmdSave");
    expectShown("The chosen account was not found! Please choose the account again from the "
                "user list."_q, "Information"_q, 64);
    EXPECT_EQ(grid()->model()->rowCount(), 2);
    EXPECT_EQ(text("txtUserName"), "carol"_q);
}

TEST_F(AddUserTest, SearchMovesTheGridAndSetsTheButtons) {
    QTest::keyClicks(get("txtSearch"), "ca"_q);
    expectButtons(false, true, true);
    EXPECT_EQ(users()->currentRow(), rowOf("carol"_q));
    EXPECT_EQ(grid()->selectionModel()->selectedRows().value(0).row(), rowOf("carol"_q));
    EXPECT_EQ(text("txtUserName"), QString()) << "the search fills no box";

    put("txtSearch", "zz"_q);
    expectButtons(false, false, false);
    put("txtSearch", "it's"_q);
    expectButtons(false, false, false);
    EXPECT_TRUE(grid()->selectionModel()->selectedRows().isEmpty());
    put("txtSearch", QString());
    expectButtons(true, false, false);

    auto* field = get<QComboBox>("cmbo_Search");
    field->setCurrentIndex(1);
    put("txtSearch", "carol k"_q);
    EXPECT_EQ(users()->currentRow(), rowOf("carol"_q));
    EXPECT_EQ(env.prompter.count(), 0);

    // Typing toward an entry says nothing; a text that cannot become one is reported.
    field->setEditText(QString());
    QTest::keyClicks(field, "Nam"_q);
    EXPECT_EQ(env.prompter.count(), 0);
    QTest::keyClicks(field, "x"_q);
    expectShown("Specify the right field to search!"_q, "Information"_q, 64);
    // The search still looks in the last field chosen.
    put("txtSearch", "bob b"_q);
    EXPECT_EQ(users()->currentRow(), rowOf("bob"_q));
}

TEST_F(AddUserTest, ChoosingARowShowsThatRowWhereverTheSearchLands) {
    // "bob" comes before "bo" in table order, so the search for "bo" stops on it.
    const int bo = env.addUser("bo"_q, "y"_q, "Short Bo"_q);
    click("cmdCancel");
    settle();
    ASSERT_TRUE(form.isNull()) << "closing drops the window";

    open();
    choose("bo"_q);
    EXPECT_EQ(text("txtUserNum"), QString::number(bo));
    EXPECT_EQ(text("txtUserName"), "bo"_q);
    EXPECT_EQ(text("txtName"), "Short Bo"_q);
    EXPECT_EQ(text("txtPassword"), "y"_q);
    EXPECT_EQ(users()->currentRow(), rowOf("bob"_q));
}

TEST_F(AddUserTest, KeyboardChoosesRowsAndMovesOn) {
    QTest::keyClick(get("txtName"), Qt::Key_Return);
    EXPECT_EQ(form->focusWidget(), get<QWidget>("cmdAddUser"));

    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(users()->currentRow(), 1);
    EXPECT_EQ(text("txtUserName"), QString()) << "moving is not choosing";
    QTest::keyClick(grid(), Qt::Key_Return);
    EXPECT_EQ(text("txtUserName"), "bob"_q);
}

}  // namespace
