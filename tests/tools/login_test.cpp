#include "ToolsFixture.h"
#include "core/OptionStore.h"
#include "data/SqliteEngine.h"
#include "platform/ColourScheme.h"
#include "tools/frmLoginTools.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace vemora::test {
namespace {

class LoginToolsTest : public ToolsFixture {
protected:
    LoginToolsTest() : login(new frmLoginTools(platform)) {}
    ~LoginToolsTest() override {
        delete login;
        delete topLevel(QStringLiteral("frmTools"));
    }

    QLineEdit* box(const char* name) { return login->findChild<QLineEdit*>(QLatin1String(name)); }
    void loadAndShow() {
        login->load();
        ASSERT_TRUE(login->isVisible());
        QApplication::setActiveWindow(login);
    }
    // Types the name, Enter, the password, Enter.
    void logInWith(const QString& userName, const QString& password) {
        tp.prompter.clear();
        box("txtUserName")->setFocus();
        box("txtUserName")->clear();
        QTest::keyClicks(box("txtUserName"), userName);
        QTest::keyClick(box("txtUserName"), Qt::Key_Return);
        EXPECT_TRUE(box("txtPassword")->hasFocus());
        box("txtPassword")->setText(password);
        QTest::keyClick(box("txtPassword"), Qt::Key_Return);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void expectShown(const QString& text, const QString& title, int style = vbInformation) {
        ASSERT_EQ(tp.prompter.count(), 1);
        EXPECT_EQ(tp.prompter.last().text, text);
        EXPECT_EQ(tp.prompter.last().title, title);
        EXPECT_EQ(tp.prompter.last().style, style);
    }
    void expectSorry() {
        expectShown(QStringLiteral("Sorry you maybe typed the wrong username or password!"),
                    QStringLiteral("Sorry!"));
        ASSERT_FALSE(login.isNull());
        EXPECT_TRUE(box("txtPassword")->hasFocus());
        EXPECT_EQ(box("txtPassword")->selectedText(), box("txtPassword")->text());
        EXPECT_EQ(ended, 0);
    }

    QPointer<frmLoginTools> login;
};

TEST_F(LoginToolsTest, WrongCredentialsRetryUntilTheAdministratorGetsIn) {
    loadAndShow();
    // The password is not trimmed; texts that cannot be stored match nobody.
    for (const QString& password : {QStringLiteral("wrong"), QStringLiteral("admin "),
                                    QStringLiteral("adm'in"), QStringLiteral("\u0100dmin")}) {
        logInWith(QStringLiteral("admin"), password);
        expectSorry();
    }
    logInWith(QStringLiteral("o'admin"), QStringLiteral("admin"));
    expectSorry();

    logInWith(QStringLiteral("  ADMIN "), QStringLiteral("admin"));
    expectShown(QStringLiteral("Access granted! Welcome Administrator."),
                QStringLiteral("Successful!"));
    EXPECT_TRUE(login.isNull());
    EXPECT_NE(topLevel(QStringLiteral("frmTools")), nullptr);
    EXPECT_FALSE(module.DbConnection().isOpen());
    EXPECT_EQ(ended, 0);
}

TEST_F(LoginToolsTest, FailedQueryIsReportedNotMistakenForWrongCredentials) {
    loadAndShow();
    module.DbConnection().close();
    logInWith(QStringLiteral("admin"), QStringLiteral("admin"));
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Errot Traping"));
    EXPECT_TRUE(login->isVisible());
}

TEST_F(LoginToolsTest, OtherAccountCancelAndMissingDatabaseEndTheProgram) {
    tp.addUser(QStringLiteral("maria"), QStringLiteral("secret"), QStringLiteral("Maria"));
    loadAndShow();
    logInWith(QStringLiteral("maria"), QStringLiteral("secret"));
    expectShown(QStringLiteral("Sorry you are not authorized to use this program!"),
                QStringLiteral("Unauthorized user!"));
    EXPECT_TRUE(login.isNull());
    EXPECT_EQ(topLevel(QStringLiteral("frmTools")), nullptr);
    EXPECT_EQ(ended, 1);

    login = new frmLoginTools(platform);
    loadAndShow();
    QTest::mouseClick(login->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(login.isNull());
    EXPECT_EQ(ended, 2);

    tp.prompter.clear();
    ASSERT_TRUE(QFile::remove(working()));
    login = new frmLoginTools(platform);
    login->load();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    expectShown(
        QStringLiteral(
            "Can't find the database file! Please check if the database file is installed!"),
        QStringLiteral("Can't locate!"), vbExclamation);
    EXPECT_TRUE(login.isNull());
    EXPECT_EQ(ended, 3);
    EXPECT_FALSE(QFile::exists(working()));
}

TEST_F(LoginToolsTest, ANewerOrDamagedFileIsNamedAndLeftAsItIs) {
    for (const char* change : {"PRAGMA user_version = 7", "DROP TABLE users"}) {
        tp.query(Statement(change));
        const QByteArray before = bytes(working());
        tp.prompter.clear();
        login = new frmLoginTools(platform);
        login->load();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(tp.prompter.count(), 1);
        EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Can't use the database!"));
        EXPECT_TRUE(tp.prompter.last().text.contains(working())) << change;
        EXPECT_TRUE(login.isNull());
        EXPECT_EQ(bytes(working()), before);
        // Put the version back, so that the next change can be made through the program.
        if (QByteArray(change).contains("version")) {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v"));
            db.setDatabaseName(working());
            ASSERT_TRUE(db.open());
            QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("v"));
    }
}

TEST_F(LoginToolsTest, LooksLikeTheOrganizersLogInAndEscapeIsCancel) {
    loadAndShow();
    EXPECT_EQ(login->windowTitle(), QStringLiteral("User Log-in"));
    EXPECT_LE((login->frameGeometry().center() - login->screen()->availableGeometry().center())
                  .manhattanLength(),
              4);
    const auto* picture = login->findChild<QLabel*>(QStringLiteral("picLogin"));
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull());
    EXPECT_EQ(login->findChild<QLabel*>(QStringLiteral("lblWelcome"))->text(),
              QStringLiteral("Please type your user name and password."));

    QTest::keyClick(box("txtUserName"), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(login.isNull());
    EXPECT_EQ(ended, 1);
}

TEST_F(LoginToolsTest, PasswordBoxSelectsItsTextWhenFocused) {
    loadAndShow();
    box("txtPassword")->setText(QStringLiteral("abc"));
    box("txtPassword")->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(box("txtPassword")->selectedText(), QStringLiteral("abc"));
}

// The log-in window shows the desktop's scheme, whatever was applied before; the tool's
// window the one the administrator chose in the organizer, and only the administrator's.
TEST_F(LoginToolsTest, TheSchemeIsTheDesktopsThenTheAdministrators) {
    desktopSchemeChanged(false);
    const QColor dark = darkPalette().color(QPalette::Window);
    const QColor light = lightPalette().color(QPalette::Window);
    const int maria =
        tp.addUser(QStringLiteral("maria"), QStringLiteral("secret"), QStringLiteral("Maria"));
    OptionStore options(module.database());
    const QString option = kColourSchemeOption.toString();
    for (const auto& [administrators, expected] :
         {std::pair{QStringLiteral("dark"), ColourScheme::Dark},
          std::pair{QString(), ColourScheme::System},
          std::pair{QStringLiteral("light"), ColourScheme::Light}}) {
        SCOPED_TRACE(administrators.toStdString());
        applyColourScheme(ColourScheme::Dark);
        if (login.isNull()) login = new frmLoginTools(platform);
        loadAndShow();
        EXPECT_EQ(appliedColourScheme(), ColourScheme::System);
        EXPECT_EQ(login->palette().color(QPalette::Window), light);
        ASSERT_TRUE(options.set(maria, option, QStringLiteral("dark")));
        ASSERT_TRUE(administrators.isEmpty() ? options.clear(1, option)
                                             : options.set(1, option, administrators));

        logInWith(QStringLiteral("admin"), QStringLiteral("admin"));
        EXPECT_EQ(appliedColourScheme(), expected);
        QWidget* tools = topLevel(QStringLiteral("frmTools"));
        ASSERT_NE(tools, nullptr);
        EXPECT_EQ(tools->palette().color(QPalette::Window),
                  expected == ColourScheme::Dark ? dark : light);
        delete tools;
    }
    applyColourScheme(ColourScheme::System);
}

}  // namespace
}  // namespace vemora::test
