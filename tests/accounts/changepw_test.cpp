#include "accounts/frmChangePW.h"
#include "accounts/AccountsFixture.h"

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
    // Refused: the form stays open with the typed texts and the account is unchanged.
    void expectRefused() {
        EXPECT_FALSE(form.isNull());
        EXPECT_TRUE(logsIn("bob"_q, "old pw"_q));
        EXPECT_EQ(account(bob).text(u"name"), "Bob Builder"_q);
        EXPECT_EQ(env.session.CurrentUser().name.toString(), "Bob Builder"_q);
    }

    int bob = 0;
};

TEST_F(ChangePWTest, OpensWithTheLoggedInAccount) {
    EXPECT_EQ(form->windowTitle(), "Change Password"_q);
    EXPECT_EQ(text("txtUserName"), "bob"_q);
    EXPECT_FALSE(get("txtUserName")->isEnabled());
    EXPECT_EQ(text("txtName"), "Bob Builder"_q);
    EXPECT_EQ(text("txtOldPassword"), QString());
    EXPECT_EQ(form->focusWidget(), get("txtOldPassword"));
    EXPECT_EQ(get("txtNewPassword")->maxLength(), 15);
    EXPECT_EQ(get("txtRetype")->maxLength(), 50);

    // Enter walks the chain and selects the text of the box it reaches.
    put("txtNewPassword", "abc"_q);
    QTest::keyClick(get("txtOldPassword"), Qt::Key_Return);
    expectSelected("txtNewPassword");
    QTest::keyClick(get("txtRetype"), Qt::Key_Enter);
    expectSelected("txtName");
    QTest::keyClick(get("txtName"), Qt::Key_Return);
    EXPECT_EQ(form->focusWidget(), get<QWidget>("cmdChange"));
    EXPECT_EQ(env.prompter.count(), 0);
}

TEST_F(ChangePWTest, ChangeStoresTheNewPasswordAndCloses) {
    fill("old pw"_q, " new pw "_q, "new pw"_q);
    put("txtName", "  Robert "_q);
    click("cmdChange");
    expectShown("The password was successfully change!"_q, "Successfuly Change!"_q, 64);
    settle();
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(logsIn("bob"_q, " new pw "_q));
    EXPECT_FALSE(logsIn("bob"_q, "new pw"_q));
    EXPECT_FALSE(logsIn("bob"_q, "old pw"_q));
    EXPECT_EQ(account(bob).text(u"user_name"), "bob"_q);
    EXPECT_EQ(account(bob).text(u"name"), "Robert"_q);
    EXPECT_EQ(env.session.CurrentUser().name.toString(), "  Robert "_q);
    EXPECT_TRUE(logsIn("carol"_q, "old pw"_q)) << "only the own account changes";
}

TEST_F(ChangePWTest, ChecksComeInOrderAndStoreNothing) {
    fill("old pw "_q, "a"_q, "b"_q);
    put("txtName", " "_q);
    click("cmdChange");
    expectShown("Sorry, maybe you  typed the wrong username or password!"_q, "Sorry!"_q, 64);
    expectSelected("txtOldPassword");

    fill("old pw"_q, "123456789012345"_q, "1234567890123456"_q);
    click("cmdChange");
    expectShown("Password mismatch! Please re-type the new password."_q, "Password mismatch!"_q, 64);
    expectSelected("txtOldPassword");

    put("txtRetype", "123456789012345"_q);
    click("cmdChange");
    expectShown("Please provide the name of the user!"_q, "Information!"_q, 64);
    expectSelected("txtName");
    EXPECT_EQ(text("txtNewPassword"), "123456789012345"_q);
    expectRefused();
}

TEST_F(ChangePWTest, WhatCannotBeStoredIsRefusedWithAMessage) {
    // An old password that no account could have.
    fill("\u03A9"_q, "new"_q, "new"_q);
    click("cmdChange");
    EXPECT_EQ(env.prompter.last().title, "Sorry!"_q);

    fill("old pw"_q, "x\u00A7"_q, "x\u00A7"_q);
    click("cmdChange");
    expectShown("The password has a character that can not be stored! Please use another "
                "password."_q, "Message Alert!"_q, 48);
    expectSelected("txtNewPassword");

    fill("old pw"_q, "new"_q, "new"_q);
    put("txtName", "Bob O'Brien"_q);
    click("cmdChange");
    expectShown("Please do not use ' character, their's a conflict in JET Engine used in this "
                "project!"_q, "Message Alert!"_q, 48);
    EXPECT_EQ(text("txtName"), "Bob O'Brien"_q);
    expectRefused();
}

TEST_F(ChangePWTest, AFailedLookupIsReportedAndTheFormStaysOpen) {
    // A log-out closes the shared connection; the form stays open.
    env.session.DbConnection().close();
    fill("old pw"_q, "new"_q, "new"_q);
    click("cmdChange");
    ASSERT_GT(env.prompter.count(), 0);
    EXPECT_EQ(env.prompter.last().title, "Errot Traping"_q);
    expectRefused();
}

}  // namespace
