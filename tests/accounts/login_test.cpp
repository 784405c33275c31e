#include "accounts/AccountsFixture.h"
#include "accounts/frmChangePW.h"
#include "shell/ShellWindows.h"
#include "shell/frmLogin.h"

using namespace vemora;
using namespace vemora::test;

namespace {

class ChangeThenLogInTest : public AccountsFixture<frmChangePW> {
protected:
    // Logs in through the log-in dialog; yields the title of the box it answers with.
    QString logIn(ShellWindows& windows, const QString& userName, const QString& password) {
        frmLogin* login = windows.showLogin();
        login->findChild<QLineEdit*>("txtUserName"_q)->setText(userName);
        login->findChild<QLineEdit*>("txtPassword"_q)->setText(password);
        QTest::mouseClick(login->findChild<QAbstractButton*>("cmdOk"_q), Qt::LeftButton);
        return env.prompter.last().title;
    }
};

TEST_F(ChangeThenLogInTest, OnlyTheNewPasswordLogsIn) {
    env.addUser("bob"_q, "old pw"_q, "Bob"_q);
    env.loginAs(env.addUser("ann"_q, "old pw"_q, "Ann"_q));
    open();
    put("txtOldPassword", "old pw"_q);
    put("txtNewPassword", "new pw"_q);
    put("txtRetype", "new pw"_q);
    click("cmdChange");
    settle();
    ASSERT_TRUE(form.isNull());

    ShellWindows windows(env.platform);
    EXPECT_EQ(logIn(windows, "ann"_q, "old pw"_q), "Sorry!"_q);
    EXPECT_EQ(logIn(windows, "bob"_q, "new pw"_q), "Sorry!"_q);
    EXPECT_EQ(logIn(windows, "ann"_q, "new pw"_q), "Successful!"_q);
}

}  // namespace
