#include "tools/frmLoginTools.h"
#include "ToolsFixture.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace vemora::test {
namespace {

class LoginToolsTest : public ToolsFixture {
protected:
    LoginToolsTest() : login(new frmLoginTools(platform)) {}
    ~LoginToolsTest() override {
        delete login;
        delete topLevel(QStringLiteral("frmTools"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QLineEdit* box(const char* name) { return login->findChild<QLineEdit*>(QLatin1String(name)); }

    void loadAndShow() {
        login->load();
        ASSERT_TRUE(login->isVisible());
        QApplication::setActiveWindow(login);
    }
    // Fills both boxes and presses Enter in each.
    void logInWith(const QString& userName, const QString& password) {
        box("txtUserName")->setFocus();
        box("txtUserName")->clear();
        QTest::keyClicks(box("txtUserName"), userName);
        QTest::keyClick(box("txtUserName"), Qt::Key_Return);
        EXPECT_TRUE(box("txtPassword")->hasFocus());
        box("txtPassword")->setText(password);
        QTest::keyClick(box("txtPassword"), Qt::Key_Return);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void expectStillOpenAfterSorry() {
        ASSERT_FALSE(login.isNull());
        EXPECT_TRUE(login->isVisible());
        EXPECT_EQ(tp.prompter.last().text,
                  QStringLiteral("Sorry you maybe typed the wrong username or password!"));
        EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Sorry!"));
        EXPECT_EQ(tp.prompter.last().style, vbInformation);
        EXPECT_EQ(topLevel(QStringLiteral("frmTools")), nullptr);
        EXPECT_EQ(ended, 0);
    }

    QPointer<frmLoginTools> login;
};

TEST_F(LoginToolsTest, AdministratorReachesTheToolsWindowWithTheFileFree) {
    loadAndShow();
    EXPECT_EQ(login->windowTitle(), QStringLiteral("User Log-in"));
    logInWith(QStringLiteral("  admin "), QStringLiteral("admin"));
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("Access granted! Welcome Administrator."));
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Successful!"));
    EXPECT_EQ(tp.prompter.last().style, vbInformation);
    EXPECT_TRUE(login.isNull());
    EXPECT_NE(topLevel(QStringLiteral("frmTools")), nullptr);
    EXPECT_FALSE(module.DbConnection().isOpen());
    EXPECT_EQ(ended, 0);
}

TEST_F(LoginToolsTest, WrongCredentialsRetryWithThePasswordSelected) {
    loadAndShow();
    logInWith(QStringLiteral("admin"), QStringLiteral("wrong"));
    expectStillOpenAfterSorry();
    EXPECT_TRUE(box("txtPassword")->hasFocus());
    EXPECT_EQ(box("txtPassword")->selectedText(), QStringLiteral("wrong"));

    // The password is not trimmed; names and passwords that cannot be stored match nobody.
    for (const QString& password :
         {QStringLiteral("admin "), QStringLiteral("adm'in"), QStringLiteral("\u0100dmin")}) {
        tp.prompter.clear();
        logInWith(QStringLiteral("admin"), password);
        expectStillOpenAfterSorry();
    }
    tp.prompter.clear();
    logInWith(QStringLiteral("o'admin"), QStringLiteral("admin"));
    expectStillOpenAfterSorry();

    tp.prompter.clear();
    logInWith(QStringLiteral("ADMIN"), QStringLiteral("admin"));
    EXPECT_TRUE(login.isNull());
    EXPECT_NE(topLevel(QStringLiteral("frmTools")), nullptr);
}

TEST_F(LoginToolsTest, OtherAccountIsRefusedAndTheProgramEnds) {
    tp.addUser(QStringLiteral("maria"), QStringLiteral("secret"), QStringLiteral("Maria"));
    loadAndShow();
    logInWith(QStringLiteral("maria"), QStringLiteral("secret"));
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text,
              QStringLiteral("Sorry you are not authorized to use this program!"));
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Unauthorized user!"));
    EXPECT_EQ(tp.prompter.last().style, vbInformation);
    EXPECT_TRUE(login.isNull());
    EXPECT_EQ(topLevel(QStringLiteral("frmTools")), nullptr);
    EXPECT_EQ(ended, 1);
}

TEST_F(LoginToolsTest, CancelEndsTheProgram) {
    loadAndShow();
    QTest::mouseClick(login->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(login.isNull());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(LoginToolsTest, MissingDatabaseIsReportedAndTheProgramEnds) {
    ASSERT_TRUE(QFile::remove(working()));
    login->load();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text,
              QStringLiteral(
                  "Can't find the database file! Please check if the database file is installed!"));
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Can't locate!"));
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);
    EXPECT_TRUE(login.isNull());
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(QFile::exists(working()));
}

TEST_F(LoginToolsTest, PasswordBoxSelectsItsTextWhenFocused) {
    loadAndShow();
    box("txtPassword")->setText(QStringLiteral("abc"));
    box("txtUserName")->setFocus();
    box("txtPassword")->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(box("txtPassword")->selectedText(), QStringLiteral("abc"));
    EXPECT_EQ(box("txtPassword")->maxLength(), 15);
    EXPECT_EQ(box("txtUserName")->maxLength(), 15);
    EXPECT_EQ(box("txtPassword")->echoMode(), QLineEdit::Password);
}

}  // namespace
}  // namespace vemora::test
