#include "accounts/AccountsFixture.h"
#include "accounts/frmChangePW.h"

using namespace vemora;
using namespace vemora::test;

namespace {

class ChangePWTest : public AccountsFixture<frmChangePW> {
protected:
    void SetUp() override {
        bob = env.addUser("bob"_q, "old pw"_q, "Bob Builder"_q);
        env.addUser("carol"_q, "old pw"_q, "Carol King"_q);
        env.loginAs(bob);
        open();
    }
    void fill(const QString& oldPassword, const QString& newPassword, const QString& retype) {
        put("txtOldPassword", oldPassword);
        put("txtNewPassword", newPassword);
        put("txtRetype", retype);
    }
    // The form stays open and the account is unchanged.
    void expectRefused() {
        EXPECT_FALSE(form.isNull());
        EXPECT_TRUE(logsIn("bob"_q, "old pw"_q));
        EXPECT_EQ(account(bob).text(u"name"), "Bob Builder"_q);
    }

    int bob = 0;
};

TEST_F(ChangePWTest, OpensWithTheLoggedInAccountAndChainsEnter) {
    EXPECT_EQ(text("txtUserName"), "bob"_q);
    EXPECT_FALSE(get("txtUserName")->isEnabled());
    EXPECT_EQ(text("txtName"), "Bob Builder"_q);
    EXPECT_EQ(form->focusWidget(), get("txtOldPassword"));
    EXPECT_EQ(get("txtRetype")->maxLength(), 50);

    put("txtNewPassword", "abc"_q);
    QTest::keyClick(get("txtOldPassword"), Qt::Key_Return);
    expectSelected("txtNewPassword");
    QTest::keyClick(get("txtRetype"), Qt::Key_Enter);
    expectSelected("txtName");
    QTest::keyClick(get("txtName"), Qt::Key_Return);
    EXPECT_EQ(form->focusWidget(), get<QWidget>("cmdChange"));
}

TEST_F(ChangePWTest, ChangeStoresTheNewPasswordAndCloses) {
    fill("old pw"_q, " new pw "_q, "new pw"_q);
    put("txtName", "  Robert "_q);
    click("cmdChange");
    expectShown("The password was successfully change!"_q, "Successfuly Change!"_q);
    settle();
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(logsIn("bob"_q, " new pw "_q));
    EXPECT_FALSE(logsIn("bob"_q, "new pw"_q));
    EXPECT_FALSE(logsIn("bob"_q, "old pw"_q));
    EXPECT_EQ(account(bob).text(u"name"), "Robert"_q);
    EXPECT_EQ(env.session.CurrentUser().name.toString(), "  Robert "_q);
    EXPECT_TRUE(logsIn("carol"_q, "old pw"_q));
}

TEST_F(ChangePWTest, EnterPressesTheFocusedButtonAndEscapeCloses) {
    fill("old pw"_q, "new"_q, "new"_q);
    get<QWidget>("cmdChange")->setFocus();
    QTest::keyClick(get<QWidget>("cmdChange"), Qt::Key_Return);
    expectShown("The password was successfully change!"_q, "Successfuly Change!"_q);
    settle();
    EXPECT_TRUE(form.isNull());

    open();
    get<QWidget>("cmdClose")->setFocus();
    QTest::keyClick(get<QWidget>("cmdClose"), Qt::Key_Enter);
    settle();
    EXPECT_TRUE(form.isNull());

    open();
    QApplication::setActiveWindow(form);  // Esc is a shortcut of the active window
    QTest::keyClick(get("txtName"), Qt::Key_Escape);
    settle();
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(logsIn("bob"_q, "new"_q));
}

TEST_F(ChangePWTest, ChecksComeInOrder) {
    fill("old pw "_q, "a"_q, "b"_q);
    put("txtName", " "_q);
    click("cmdChange");
    expectShown("Sorry, maybe you  typed the wrong username or password!"_q, "Sorry!"_q);
    expectSelected("txtOldPassword");

    fill("old pw"_q, "123456789012345"_q, "1234567890123456"_q);
    click("cmdChange");
    expectShown("Password mismatch! Please re-type the new password."_q, "Password mismatch!"_q);
    expectSelected("txtOldPassword");

    put("txtRetype", "123456789012345"_q);
    click("cmdChange");
    expectShown("Please provide the name of the user!"_q, "Information!"_q);
    expectSelected("txtName");
    EXPECT_EQ(text("txtNewPassword"), "123456789012345"_q);
    expectRefused();
}

TEST_F(ChangePWTest, WhatCannotBeStoredIsRefusedWithAMessage) {
    fill("old pw"_q, "x\u00A7"_q, "x\u00A7"_q);
    click("cmdChange");
    expectShown(kPasswordRefused, "Message Alert!"_q, 48);
    expectSelected("txtNewPassword");

    fill("old pw"_q, "new"_q, "new"_q);
    put("txtName", "Bob O'Brien"_q);
    click("cmdChange");
    expectShown(kApostropheAlert, "Message Alert!"_q, 48);
    EXPECT_EQ(text("txtName"), "Bob O'Brien"_q);
    expectRefused();

    // After a log-out the shared connection is closed.
    env.session.DbConnection().close();
    put("txtName", "Bob"_q);
    click("cmdChange");
    EXPECT_EQ(env.prompter.last().title, "Errot Traping"_q);
    expectRefused();
}

}  // namespace
