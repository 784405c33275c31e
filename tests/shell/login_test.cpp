#include <QMdiArea>
#include <QMdiSubWindow>

#include "ShellFixture.h"
#include "workspace/frmTags.h"

namespace vemora::test {
namespace {

const QString kSorryText = QStringLiteral("Sorry you maybe typed the wrong username or password!");

class LogIn : public ShellTest {
protected:
    void expectRefused(const QString& userName, const QString& password) {
        SCOPED_TRACE(qPrintable(userName + QStringLiteral(" / ") + password));
        env.prompter.clear();
        EXPECT_EQ(logIn(userName, password), nullptr);
        ASSERT_EQ(env.prompter.count(), 1);
        EXPECT_EQ(env.prompter.last().text, kSorryText);
        EXPECT_EQ(env.prompter.last().title, QStringLiteral("Sorry!"));
        EXPECT_EQ(env.prompter.last().style, vbInformation);
        // The dialog stays, ready for the password to be typed again.
        frmLogin* login = visibleWindow<frmLogin>();
        ASSERT_NE(login, nullptr);
        auto* passwordBox = child<QLineEdit>(login, "txtPassword");
        EXPECT_EQ(login->focusWidget(), passwordBox);
        EXPECT_EQ(passwordBox->selectedText(), password);
        EXPECT_FALSE(env.session.CurrentUser().user_num.isValid());
    }
};

TEST_F(LogIn, AdministratorIsWelcomedAndSeesTheWorkspace) {
    frmMain* main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(env.prompter.count(), 1);
    EXPECT_EQ(env.prompter.last().text, QStringLiteral("Access granted! Welcome Administrator."));
    EXPECT_EQ(env.prompter.last().title, QStringLiteral("Successful!"));
    EXPECT_EQ(env.prompter.last().style, vbInformation);

    const UserRecord& user = env.session.CurrentUser();
    EXPECT_EQ(user.user_num.toInt(), 1);
    EXPECT_EQ(user.user_name.toString(), QStringLiteral("admin"));
    EXPECT_EQ(user.name.toString(), QStringLiteral("Administrator"));

    // The maximized child window adds its caption to the frame's.
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Kelvo's Vemora v1.0 - [Vemora Main]"));
    EXPECT_TRUE(main->windowState() & Qt::WindowMaximized);
    const QList<QMdiSubWindow*> children = child<QMdiArea>(main, "mdiArea")->subWindowList();
    ASSERT_EQ(children.size(), 1);
    EXPECT_NE(qobject_cast<frmTags*>(children.first()->widget()), nullptr);
    EXPECT_TRUE(children.first()->isMaximized());
    EXPECT_EQ(visibleWindow<frmLogin>(), nullptr);
}

TEST_F(LogIn, UserNamesMatchTrimmedInAnyCasePasswordsOnlyExactly) {
    expectRefused(QStringLiteral("admin"), QStringLiteral("admin "));
    expectRefused(QStringLiteral("admin"), QStringLiteral("ADMIN"));
    expectRefused(QStringLiteral("admin"), QStringLiteral("wrong"));
    expectRefused(QStringLiteral("nobody"), QStringLiteral("admin"));
    EXPECT_NE(logIn(QStringLiteral("  ADmin "), QStringLiteral("admin")), nullptr);
    EXPECT_EQ(env.session.CurrentUser().user_num.toInt(), 1);
}

TEST_F(LogIn, HostileOrUnstorableInputIsAnsweredLikeAWrongPassword) {
    expectRefused(QStringLiteral("admin' --"), QStringLiteral("x"));
    expectRefused(QStringLiteral("' OR '1'='1"), QStringLiteral("' OR '1'='1"));
    expectRefused(QStringLiteral("admin"), QStringLiteral("' OR '1'='1"));
    expectRefused(QStringLiteral("O'Neil"), QStringLiteral("admin"));
    // Characters with no stored form: the euro sign (code 128) and one outside the code page.
    expectRefused(QStringLiteral("admin"), QStringLiteral("adm\u20ACin"));
    expectRefused(QStringLiteral("admin"), QStringLiteral("\u65E5\u672C"));
}

TEST_F(LogIn, AQueryThatCannotRunIsReportedNotBlamedOnTheCredentials) {
    env.session.DbConnection().close();
    EXPECT_EQ(logIn(QStringLiteral("admin"), QStringLiteral("admin")), nullptr);
    ASSERT_EQ(env.prompter.count(), 1);
    EXPECT_EQ(env.prompter.last().title, QStringLiteral("Errot Traping"));
    EXPECT_NE(visibleWindow<frmLogin>(), nullptr);
    EXPECT_FALSE(env.session.CurrentUser().user_num.isValid());
}

TEST_F(LogIn, EnterMovesToThePasswordAndLogsIn) {
    frmLogin* login = windows.showLogin();
    auto* name = child<QLineEdit>(login, "txtUserName");
    auto* password = child<QLineEdit>(login, "txtPassword");
    EXPECT_EQ(name->maxLength(), 15);
    EXPECT_EQ(password->maxLength(), 15);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);

    QApplication::setActiveWindow(login);
    name->setFocus();
    password->setText(QStringLiteral("old text"));
    QTest::keyClicks(name, QStringLiteral("admin"));
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), password);
    EXPECT_EQ(password->selectedText(), QStringLiteral("old text"));

    QTest::keyClicks(password, QStringLiteral("admin"));
    QTest::keyClick(password, Qt::Key_Enter);
    discardClosedWindows();
    EXPECT_NE(visibleWindow<frmMain>(), nullptr);
    EXPECT_EQ(env.session.CurrentUser().user_num.toInt(), 1);
}

TEST_F(LogIn, PasswordBoxSelectsItsTextWhenFocused) {
    frmLogin* login = windows.showLogin();
    auto* password = child<QLineEdit>(login, "txtPassword");
    QApplication::setActiveWindow(login);
    password->setText(QStringLiteral("12345"));
    child<QPushButton>(login, "cmdOk")->setFocus();
    password->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(password->selectedText(), QStringLiteral("12345"));
}

TEST_F(LogIn, CancellingTheFirstLogInLeavesNoWindow) {
    frmLogin* login = windows.showLogin();
    QTest::mouseClick(child<QPushButton>(login, "cmdCancel"), Qt::LeftButton);
    discardClosedWindows();
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(window->isVisible()) << window;
    EXPECT_EQ(env.prompter.count(), 0);
}

}  // namespace
}  // namespace vemora::test
