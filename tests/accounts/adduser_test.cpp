#include "accounts/AccountsFixture.h"
#include "accounts/frmAddUser.h"
#include "data/DataControl.h"

#include <QComboBox>
#include <QTableView>

using namespace vemora;
using namespace vemora::test;

namespace {

const QString kNotFound =
    "The chosen account was not found! Please choose the account again from the user list."_q;
const QString kChooseFirst = "Please choose an account from the user list first!"_q;
const QString kInUse = "Someone is using this username, please use another username!"_q;

class AddUserTest : public AccountsFixture<frmAddUser> {
protected:
    void SetUp() override {
        env.loginAs(1);
        bob = env.addUser("bob"_q, "secret"_q, "Bob Builder"_q);
        carol = env.addUser("carol"_q, "pw"_q, "Carol King"_q);
        open();
    }

    QTableView* grid() { return get<QTableView>("dtg_Users"); }
    int currentRow() { return get<DataControl>("adodc_users")->currentRow(); }
    int rowOf(const QString& userName) {
        const auto found = grid()->model()->match(grid()->model()->index(0, 0), Qt::DisplayRole,
                                                  userName, 1, Qt::MatchExactly);
        return found.value(0).row();
    }
    void choose(const QString& userName) {
        const QRect cell = grid()->visualRect(grid()->model()->index(rowOf(userName), 1));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void fill(const QString& userName, const QString& password, const QString& retype,
              const QString& name) {
        put("txtUserName", userName);
        put("txtPassword", password);
        put("txtRetype", retype);
        put("txtName", name);
    }
    void expectButtons(bool add, bool saveAndDelete) {
        EXPECT_EQ(enabled("cmdAddUser"), add);
        EXPECT_EQ(enabled("cmdSave"), saveAndDelete);
        EXPECT_EQ(enabled("cmdDelete"), saveAndDelete);
    }
    void expectAdminRefused() {
        expectShown("Sorry you can't delete the administrator account!"_q, "Security Alert!"_q, 48);
        EXPECT_EQ(env.count("users"_q), 3);
    }

    int bob = 0;
    int carol = 0;
};

TEST_F(AddUserTest, ListsEveryAccountWithoutPasswords) {
    const QAbstractItemModel* model = grid()->model();
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "User Name"_q);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Name"_q);
    EXPECT_EQ(model->index(1, 1).data().toString(), "Bob Builder"_q);
    expectButtons(true, false);
}

TEST_F(AddUserTest, TheAdministratorKeepsItsAccountAndUserName) {
    choose("admin"_q);
    EXPECT_EQ(text("txtSearch"), "admin"_q);
    EXPECT_EQ(text("txtPassword"), "admin"_q) << "the stored password is shown decoded";
    EXPECT_EQ(text("txtName"), "Administrator"_q);
    EXPECT_TRUE(get("txtUserName")->isReadOnly());
    expectButtons(false, true);
    click("cmdDelete");
    expectAdminRefused();

    // Unlocked by another search text, neither a name in any case nor the number deletes it.
    put("txtSearch", "adm"_q);
    EXPECT_FALSE(get("txtUserName")->isReadOnly());
    for (const auto& [number, typed] :
         {std::pair(bob, "ADMIN"_q), {bob, " aDmIn "_q}, {1, "bob"_q}}) {
        put("txtUserNum", QString::number(number));
        put("txtUserName", typed);
        click("cmdDelete");
        expectAdminRefused();
    }
    put("txtUserNum", "1"_q);
    // Its name cannot change; the rest can.
    fill("adminX"_q, "n3w"_q, "n3w"_q, "Root"_q);
    click("cmdSave");
    expectShown("Sorry you can't change the user name of the administrator account!"_q,
                "Security Alert!"_q, 48);
    put("txtUserName", "admin"_q);
    click("cmdSave");
    expectShown("The database has been updated!"_q, "Successfuly Edited!"_q);
    EXPECT_EQ(account(1).text(u"name"), "Root"_q);
    EXPECT_TRUE(logsIn("admin"_q, "n3w"_q));
    put("txtSearch", "ADMIN"_q);
    EXPECT_TRUE(get("txtUserName")->isReadOnly());
}

TEST_F(AddUserTest, DeleteRemovesExactlyTheChosenAccount) {
    // Another account's name typed over the chosen one: neither goes.
    choose("carol"_q);
    put("txtUserName", "bob"_q);
    env.prompter.answer(Answer::Yes);
    click("cmdDelete");
    expectShown(kNotFound, "Information"_q);
    EXPECT_EQ(env.count("users"_q), 3);

    put("txtUserName", "carol"_q);
    env.prompter.answer(Answer::No);
    click("cmdDelete");
    expectShown("Are you sure you want to delete carol account?"_q, "Are you sure?"_q, 36);
    EXPECT_EQ(env.count("users"_q), 3);
    env.prompter.answer(Answer::Yes);
    const qsizetype shown = env.prompter.count();
    click("cmdDelete");
    EXPECT_EQ(env.prompter.count(), shown + 1) << "no message after the delete";
    EXPECT_TRUE(account(carol).eof());
    EXPECT_EQ(grid()->model()->rowCount(), 2);
    EXPECT_EQ(text("txtUserName"), QString());

    put("txtUserNum", QString());
    put("txtUserName", "bob"_q);
    click("cmdDelete");
    expectShown(kChooseFirst, "Information"_q);
    EXPECT_EQ(env.count("users"_q), 2);
}

TEST_F(AddUserTest, AddStoresThePasswordWithItsBlanks) {
    fill(" dave "_q, " pa ss "_q, "pa ss"_q, "  Dave Doe "_q);
    click("cmdAddUser");
    expectShown("The database has been updated!"_q, "Successfuly Added!"_q);
    EXPECT_TRUE(logsIn("dave"_q, " pa ss "_q));
    EXPECT_FALSE(logsIn("dave"_q, "pa ss"_q));
    EXPECT_EQ(grid()->model()->index(3, 1).data().toString(), "Dave Doe"_q);
    EXPECT_EQ(text("txtUserName") + text("txtPassword") + text("txtRetype") + text("txtName"),
              QString());
}

TEST_F(AddUserTest, EnterFromTheNameAddsTheUserAndEscapeCloses) {
    fill("dave"_q, "pw"_q, "pw"_q, "Dave Doe"_q);
    // Enter in the name moves to Add User, Enter there presses it.
    QTest::keyClick(get("txtName"), Qt::Key_Return);
    ASSERT_EQ(form->focusWidget(), get<QWidget>("cmdAddUser"));
    QTest::keyClick(get<QWidget>("cmdAddUser"), Qt::Key_Return);
    expectShown("The database has been updated!"_q, "Successfuly Added!"_q);
    EXPECT_TRUE(logsIn("dave"_q, "pw"_q));

    QApplication::setActiveWindow(form);  // Esc is a shortcut of the active window
    QTest::keyClick(grid(), Qt::Key_Escape);
    settle();
    EXPECT_TRUE(form.isNull());
}

TEST_F(AddUserTest, AddRefusesWhatCannotBeStored) {
    fill("eve"_q, "pw"_q, " "_q, "Eve"_q);
    click("cmdAddUser");
    expectShown("Password mismatch! Please re-type the correct password."_q,
                "Password mismatch!"_q);
    expectSelected("txtRetype");
    fill("eve"_q, "  "_q, "  "_q, "Eve"_q);
    click("cmdAddUser");
    expectShown("Please fill-up all necessary fields!"_q, "Incomplete!"_q);
    fill("BOB"_q, "pw"_q, "pw"_q, "Another Bob"_q);
    click("cmdAddUser");
    expectShown(kInUse, "Already in use!"_q);
    expectSelected("txtUserName");
    fill("o'neil"_q, "pw"_q, "pw"_q, "Pat"_q);
    click("cmdAddUser");
    expectShown(kApostropheAlert, "Message Alert!"_q, 48);
    // No stored form (euro sign, omega), or stored as an apostrophe (section sign).
    for (const QString& password : {"ab\u20AC"_q, "\u03A9"_q, "\u00A7"_q}) {
        fill("pat"_q, password, password, "Pat"_q);
        click("cmdAddUser");
        expectShown(kPasswordRefused, "Message Alert!"_q, 48);
        expectSelected("txtPassword");
    }
    EXPECT_EQ(env.count("users"_q), 3);
    EXPECT_EQ(text("txtUserName"), "pat"_q);
}

TEST_F(AddUserTest, AfterTheServerEndedItsSessionsSaveConnectsAgainAndStores) {
    if (!env.database.server()) GTEST_SKIP() << "a server's connection";
    choose("bob"_q);
    fill("robert"_q, "new pw"_q, "new pw"_q, "Bob Builder"_q);
    env.endServerSessions();
    click("cmdSave");
    expectShown("The database has been updated!"_q, "Successfuly Edited!"_q);
    EXPECT_EQ(account(bob).text(u"user_name"), "robert"_q);
    EXPECT_TRUE(logsIn("robert"_q, "new pw"_q));
}

TEST_F(AddUserTest, AfterTheServerEndedItsSessionsAddConnectsAgainAndStoresOnce) {
    if (!env.database.server()) GTEST_SKIP() << "a server's connection";
    fill("dave"_q, "pw"_q, "pw"_q, "Dave Doe"_q);
    env.endServerSessions();
    click("cmdAddUser");
    expectShown("The database has been updated!"_q, "Successfuly Added!"_q);
    EXPECT_EQ(env.count("users"_q), 4);
    EXPECT_TRUE(logsIn("dave"_q, "pw"_q));
}

TEST_F(AddUserTest, SaveChangesOnlyTheChosenAccount) {
    choose("bob"_q);
    fill("robert"_q, "new pw"_q, "new pw"_q, "Bob Builder"_q);
    click("cmdSave");
    expectShown("The database has been updated!"_q, "Successfuly Edited!"_q);
    EXPECT_TRUE(logsIn("robert"_q, "new pw"_q));
    EXPECT_EQ(account(carol).text(u"user_name"), "carol"_q);

    // The chosen account went away meanwhile.
    choose("carol"_q);
    env.query(Statement("DELETE FROM users WHERE user_num = ").number(carol));
    click("cmdSave");
    expectShown(kNotFound, "Information"_q);
    EXPECT_EQ(grid()->model()->rowCount(), 2);

    put("txtUserNum", QString());
    click("cmdSave");
    expectShown(kChooseFirst, "Information"_q);
    EXPECT_EQ(account(bob).text(u"user_name"), "robert"_q);
}

TEST_F(AddUserTest, SearchMovesTheGridAndSetsTheButtons) {
    QTest::keyClicks(get("txtSearch"), "ca"_q);
    expectButtons(false, true);
    EXPECT_EQ(grid()->currentIndex().row(), rowOf("carol"_q));
    EXPECT_EQ(text("txtUserName"), QString()) << "the search fills no box";
    put("txtSearch", "it's"_q);
    expectButtons(false, false);
    EXPECT_TRUE(grid()->selectionModel()->selectedRows().isEmpty());
    put("txtSearch", QString());
    expectButtons(true, false);

    auto* field = get<QComboBox>("cmbo_Search");
    field->setCurrentIndex(1);
    put("txtSearch", "carol k"_q);
    EXPECT_EQ(currentRow(), rowOf("carol"_q));
    // Typing toward an entry says nothing; a text that cannot become one is reported.
    field->setEditText(QString());
    QTest::keyClicks(field, "Nam"_q);
    EXPECT_EQ(env.prompter.count(), 0);
    QTest::keyClicks(field, "x"_q);
    expectShown("Specify the right field to search!"_q, "Information"_q);
    put("txtSearch", "bob b"_q);
    EXPECT_EQ(currentRow(), rowOf("bob"_q));
}

TEST_F(AddUserTest, ChoosingARowShowsThatRowWhereverTheSearchLands) {
    const int bo = env.addUser("bo"_q, "y"_q, "Short Bo"_q);
    click("cmdCancel");
    settle();
    ASSERT_TRUE(form.isNull()) << "closing drops the window";

    open();
    choose("bo"_q);
    EXPECT_EQ(text("txtUserNum"), QString::number(bo));
    EXPECT_EQ(text("txtName"), "Short Bo"_q);
    EXPECT_EQ(currentRow(), rowOf("bob"_q)) << "listed earlier, and it begins with bo";
}

TEST_F(AddUserTest, KeyboardMovesAndChooses) {
    QTest::keyClick(get("txtName"), Qt::Key_Return);
    EXPECT_EQ(form->focusWidget(), get<QWidget>("cmdAddUser"));
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(currentRow(), 1);
    EXPECT_EQ(text("txtUserName"), QString()) << "moving is not choosing";
    QTest::keyClick(grid(), Qt::Key_Return);
    EXPECT_EQ(text("txtUserName"), "bob"_q);
}

}  // namespace

namespace {

TEST_F(AddUserTest, AWindowThatOutlivedTheAdministratorsSessionDoesNothing) {
    env.session.CurrentUser().user_num = bob;
    choose("admin"_q);
    EXPECT_TRUE(text("txtPassword").isEmpty());

    fill("admin"_q, "taken"_q, "taken"_q, "Administrator"_q);
    put("txtUserNum", "1"_q);
    for (const char* command : {"cmdAddUser", "cmdSave", "cmdDelete"}) {
        get<QAbstractButton>(command)->setEnabled(true);
        env.prompter.clear();
        click(command);
        expectShown(
            "Only the administrator can manage the accounts. Please log in as the "
            "administrator."_q,
            "Security Alert!"_q, 48);
    }
    EXPECT_TRUE(logsIn("admin"_q, "admin"_q));
    EXPECT_EQ(env.count("users"_q), 3);
}

}  // namespace
