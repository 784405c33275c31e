#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>

#include "ShellFixture.h"
#include "about/frmAbout.h"
#include "accounts/frmAddUser.h"
#include "accounts/frmChangePW.h"
#include "core/Clock.h"
#include "data/Statement.h"
#include "reports/DataEnvironment.h"
#include "reports/Print.h"
#include "reports/ReportPreview.h"
#include "workspace/frmTags.h"

namespace vemora::test {
namespace {

class MainWindow : public ShellTest {
protected:
    // Enabled states of Log-in, Log-out, Main, View and Admin; Exit and Help always on.
    void expectMenus(bool login, bool logout, bool mainItem, bool view, bool admin) {
        EXPECT_EQ(child<QAction>(main, "mnuLogin")->isEnabled(), login);
        EXPECT_EQ(child<QAction>(main, "mnuLogout")->isEnabled(), logout);
        EXPECT_EQ(child<QAction>(main, "mnuMain")->isEnabled(), mainItem);
        EXPECT_TRUE(child<QAction>(main, "mnuExit")->isEnabled());
        EXPECT_EQ(child<QMenu>(main, "mnuView")->isEnabled(), view);
        EXPECT_EQ(child<QMenu>(main, "mnuAdmin")->isEnabled(), admin);
        EXPECT_TRUE(child<QMenu>(main, "mnuHelp")->isEnabled());
    }

    QMdiArea* area() { return child<QMdiArea>(main, "mdiArea"); }
    frmTags* workspace() {
        const QList<QMdiSubWindow*> children = area()->subWindowList();
        return children.isEmpty() ? nullptr : qobject_cast<frmTags*>(children.first()->widget());
    }
    void logOut(Answer answer) {
        env.prompter.answer(answer);
        trigger(main, "mnuLogout");
        discardClosedWindows();
    }

    frmMain* main = nullptr;
};

TEST_F(MainWindow, EveryMenuItemShowsAnIcon) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    const QList<QAction*> bar = main->menuBar()->actions();
    EXPECT_EQ(bar.size(), 4);
    for (QAction* top : bar) {
        EXPECT_TRUE(top->icon().isNull());
        for (QAction* item : top->menu()->actions()) {
            EXPECT_EQ(item->icon().pixmap(16, 16).isNull(), item->isSeparator())
                << qPrintable(item->objectName());
        }
    }
}

TEST_F(MainWindow, MenusFollowWhoIsLoggedIn) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    expectMenus(false, true, true, true, true);

    logOut(Answer::Yes);
    expectMenus(true, false, false, false, false);

    env.addUser(QStringLiteral("carla"), QStringLiteral("Secret9"), QStringLiteral("Carla Diaz"));
    trigger(main, "mnuLogin");
    EXPECT_EQ(logIn(QStringLiteral("Carla"), QStringLiteral("Secret9")), main);
    expectMenus(false, true, true, true, false);
    EXPECT_EQ(env.session.CurrentUser().name.toString(), QStringLiteral("Carla Diaz"));
}

TEST_F(MainWindow, LogOutAnsweredNoChangesNothing) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    QPointer<frmTags> before = workspace();
    logOut(Answer::No);
    EXPECT_EQ(env.prompter.last().text, QStringLiteral("Are you sure you want to Log-out?"));
    EXPECT_EQ(env.prompter.last().title, QStringLiteral("Are you sure?"));
    EXPECT_EQ(env.prompter.last().style, vbQuestion | vbYesNo);
    EXPECT_EQ(workspace(), before.data());
    EXPECT_NE(before, nullptr);
    EXPECT_TRUE(env.session.DbConnection().isOpen());
    expectMenus(false, true, true, true, true);
}

TEST_F(MainWindow, LogOutClosesEveryWindowOfTheSession) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    trigger(main, "mnuAbout");
    trigger(main, "mnu_adduser");
    trigger(main, "mnu_changepw");
    showReport(env.platform, DataEnvironment::instance().DataDiaryReport());
    QPointer<frmTags> before = workspace();

    logOut(Answer::Yes);
    EXPECT_TRUE(before.isNull());
    EXPECT_TRUE(area()->subWindowList().isEmpty());
    EXPECT_FALSE(env.session.DbConnection().isOpen());
    EXPECT_TRUE(main->isVisible());
    // Nothing of the last user stays for the next one, hidden or shown.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<frmAbout*>(window), nullptr);
        EXPECT_EQ(qobject_cast<frmAddUser*>(window), nullptr);
        EXPECT_EQ(qobject_cast<frmChangePW*>(window), nullptr);
        EXPECT_FALSE(qobject_cast<ReportPreview*>(window) && window->isVisible());
    }

    // The next log-in gets a workspace of its own.
    trigger(main, "mnuLogin");
    EXPECT_TRUE(env.session.DbConnection().isOpen());
    ASSERT_EQ(logIn(QStringLiteral("admin"), QStringLiteral("admin")), main);
    EXPECT_NE(workspace(), nullptr);
}

TEST_F(MainWindow, TheNextUserCannotReachTheAdministratorsWindows) {
    const int carla =
        env.addUser(QStringLiteral("carla"), QStringLiteral("Secret9"), QStringLiteral("Carla"));
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    trigger(main, "mnu_adduser");
    trigger(main, "mnu_changepw");
    QPointer<frmAddUser> accounts = visibleWindow<frmAddUser>();
    QPointer<frmChangePW> change = visibleWindow<frmChangePW>();
    ASSERT_TRUE(accounts && change);
    const QString storedBefore =
        env.query(Statement("SELECT user_password FROM users WHERE user_num = 1"))
            .text(u"user_password");

    logOut(Answer::Yes);
    trigger(main, "mnuLogin");
    ASSERT_EQ(logIn(QStringLiteral("carla"), QStringLiteral("Secret9")), main);
    EXPECT_EQ(env.session.CurrentUser().user_num.toInt(), carla);
    EXPECT_TRUE(accounts.isNull());
    EXPECT_TRUE(change.isNull());
    EXPECT_EQ(env.query(Statement("SELECT user_password FROM users WHERE user_num = 1"))
                  .text(u"user_password"),
              storedBefore);

    // Her own Change Password shows her, not the administrator.
    trigger(main, "mnu_changepw");
    ASSERT_NE(visibleWindow<frmChangePW>(), nullptr);
    EXPECT_EQ(child<QLineEdit>(visibleWindow<frmChangePW>(), "txtUserName")->text(),
              QStringLiteral("carla"));
}

TEST_F(MainWindow, LogInTwiceShowsOneDialogOverAFreshConnection) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    logOut(Answer::Yes);

    trigger(main, "mnuLogin");
    frmLogin* first = visibleWindow<frmLogin>();
    const QString firstConnection = env.session.DbConnection().name();
    trigger(main, "mnuLogin");
    EXPECT_EQ(visibleWindow<frmLogin>(), first);
    EXPECT_TRUE(env.session.DbConnection().isOpen());
    EXPECT_NE(env.session.DbConnection().name(), firstConnection);

    // Cancelling leaves the main window logged out.
    QTest::mouseClick(child<QPushButton>(first, "cmdCancel"), Qt::LeftButton);
    discardClosedWindows();
    EXPECT_TRUE(main->isVisible());
    expectMenus(true, false, false, false, false);
}

TEST_F(MainWindow, ViewCommandsSelectTabsAndReloadAClosedWorkspace) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    QPointer<frmTags> first = workspace();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->tabMenu()->currentIndex(), 0);

    const std::pair<const char*, int> commands[] = {{"mnuDiary", 2},
                                                    {"mnuDictionary", 3},
                                                    {"mnuPlayer", 4},
                                                    {"mnuPlanner", 1},
                                                    {"mnuAddressBook", 0}};
    for (auto [command, index] : commands) {
        trigger(main, command);
        EXPECT_EQ(first->tabMenu()->currentIndex(), index) << command;
    }
    EXPECT_EQ(workspace(), first.data());

    trigger(main, "mnuDictionary");
    EXPECT_EQ(main->focusWidget(), first->findChild<QWidget*>(QStringLiteral("txtDicWord")));

    // Closing the child window discards it; a View command loads a new one on its tab.
    area()->subWindowList().first()->close();
    discardClosedWindows();
    EXPECT_TRUE(first.isNull());
    trigger(main, "mnuPlanner");
    QPointer<frmTags> second = workspace();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->tabMenu()->currentIndex(), 1);
    EXPECT_TRUE(area()->subWindowList().first()->isMaximized());

    // Main shows a newly loaded workspace on the address book.
    area()->subWindowList().first()->close();
    discardClosedWindows();
    trigger(main, "mnuMain");
    ASSERT_NE(workspace(), nullptr);
    EXPECT_EQ(workspace()->tabMenu()->currentIndex(), 0);
    EXPECT_EQ(area()->subWindowList().size(), 1);
}

TEST_F(MainWindow, ShortcutsWorkOnlyWhileTheirMenuIsEnabled) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    QApplication::setActiveWindow(main);
    QTest::keyClick(main, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(workspace()->tabMenu()->currentIndex(), 2);

    logOut(Answer::Yes);
    QTest::keyClick(main, Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(main, Qt::Key_J, Qt::ControlModifier);
    EXPECT_TRUE(area()->subWindowList().isEmpty());
}

// The key alone, without pressing its modifier keys first.
void press(QWidget* to, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::simulateEvent(to, true, key, modifiers, QString(), false);
    QTest::simulateEvent(to, false, key, modifiers, QString(), false);
}

TEST_F(MainWindow, TabKeysStepThroughTheWorkspaceFromItsBoxes) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    QApplication::setActiveWindow(main);
    QTabWidget* tabs = workspace()->tabMenu();
    // Each step starts from the box the new tab focuses, a plain text box among them.
    const std::pair<Qt::Key, Qt::KeyboardModifiers> steps[] = {
        {Qt::Key_Tab, Qt::ControlModifier},
        {Qt::Key_PageDown, Qt::ControlModifier},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_PageUp, Qt::ControlModifier},
        {Qt::Key_PageUp, Qt::ControlModifier},
        {Qt::Key_Tab, Qt::ControlModifier}};
    const int expected[] = {1, 2, 1, 0, 4, 0};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        ASSERT_TRUE(tabs->isAncestorOf(focused)) << i;
        press(focused, steps[i].first, steps[i].second);
        EXPECT_EQ(tabs->currentIndex(), expected[i]) << i;
    }
    // Without a shown workspace the keys do nothing.
    workspace()->parentWidget()->hide();
    press(main, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(MainWindow, AltAPressesTheTabsAddAndF10OrAloneAltReachesTheMenuBar) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    QApplication::setActiveWindow(main);
    frmTags* tags = workspace();
    auto* menuBar = child<QMenuBar>(main, "menubar");
    auto* admin = child<QMenu>(main, "mnuAdmin");
    const std::pair<int, const char*> adds[] = {
        {0, "cmdAddInfo"}, {1, "cmdAddPlan"}, {2, "cmdAddDiary"}, {3, "cmdAddDic"}};
    for (const auto& [tab, name] : adds) {
        tags->tabMenu()->setCurrentIndex(tab);
        QSignalSpy clicked(child<QPushButton>(tags, name), &QPushButton::clicked);
        env.prompter.forget();
        press(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
        EXPECT_EQ(clicked.count(), 1) << name;
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << name;
    }
    discardClosedWindows();
    QApplication::setActiveWindow(main);
    tags->tabMenu()->setCurrentIndex(0);

    // F10 opens the first menu; the arrow keys move on to Admin.
    tags->tabMenu()->setCurrentIndex(1);
    press(QApplication::focusWidget(), Qt::Key_F10);
    ASSERT_EQ(QApplication::activePopupWidget(), child<QMenu>(main, "mnu_file"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
    EXPECT_EQ(QApplication::activePopupWidget(), admin);
    EXPECT_EQ(menuBar->activeAction(), admin->menuAction());
    QTest::keyClick(admin, Qt::Key_Escape);
    QTest::keyClick(menuBar, Qt::Key_Escape);

    // Alt pressed and released alone moves the keyboard into the menu bar, on its first menu;
    // Esc gives it back to the box it came from.
    QWidget* box = QApplication::focusWidget();
    ASSERT_TRUE(tags->isAncestorOf(box));
    QTest::keyClick(box, Qt::Key_Alt);
    EXPECT_TRUE(menuBar->hasFocus());
    EXPECT_EQ(menuBar->activeAction(), child<QMenu>(main, "mnu_file")->menuAction());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(menuBar, Qt::Key_Right);
    QTest::keyClick(menuBar, Qt::Key_Right);
    QTest::keyClick(menuBar, Qt::Key_Down);
    EXPECT_EQ(QApplication::activePopupWidget(), admin);
    QTest::keyClick(admin, Qt::Key_Escape);
    QTest::keyClick(menuBar, Qt::Key_Escape);
    EXPECT_EQ(menuBar->activeAction(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), box);

    // Alt held for a letter still presses the tab's button, and leaves the menu bar alone.
    QSignalSpy added(child<QPushButton>(tags, "cmdAddPlan"), &QPushButton::clicked);
    env.prompter.forget();
    QTest::keyClick(box, Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(added.count(), 1);
    EXPECT_EQ(menuBar->activeAction(), nullptr);
    EXPECT_FALSE(menuBar->hasFocus());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

// Whether the box shows part of its text selected.
bool hasSelection(QWidget* box) {
    if (auto* combo = qobject_cast<QComboBox*>(box)) box = combo->lineEdit();
    if (auto* line = qobject_cast<QLineEdit*>(box)) return line->hasSelectedText();
    return static_cast<QPlainTextEdit*>(box)->textCursor().hasSelection();
}

void setBoxText(QWidget* box, const QString& text) {
    if (auto* combo = qobject_cast<QComboBox*>(box)) box = combo->lineEdit();
    if (auto* line = qobject_cast<QLineEdit*>(box)) return line->setText(text);
    static_cast<QPlainTextEdit*>(box)->setPlainText(text);
}

TEST_F(MainWindow, CtrlAOpensTheAddressBookFromEveryTextBoxOfTheWorkspace) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    QApplication::setActiveWindow(main);
    frmTags* tags = workspace();
    const std::pair<int, const char*> boxes[] = {
        {0, "txtSearch"},  {0, "cmbo_Sex"},      {0, "txtEmail"},
        {1, "txtPlanAM"},  {1, "txtDailyQuote"}, {2, "txtDiaryMsg"},
        {3, "txtDicWord"}, {3, "txtDicDes"},     {3, "cmboDicSearch"}};
    for (const auto& [tab, name] : boxes) {
        tags->tabMenu()->setCurrentIndex(tab);
        auto* box = child<QWidget>(tags, name);
        setBoxText(box, QStringLiteral("x"));
        box->setFocus();
        ASSERT_TRUE(box->hasFocus()) << name;
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(tags->tabMenu()->currentIndex(), 0) << name;
        EXPECT_FALSE(hasSelection(box)) << name;
    }

    // Select All stays in the boxes' context menus.
    for (const char* name : {"txtEmail", "txtDiaryMsg"}) {
        auto* box = child<QWidget>(tags, name);
        auto* line = qobject_cast<QLineEdit*>(box);
        std::unique_ptr<QMenu> menu(
            line ? line->createStandardContextMenu()
                 : static_cast<QPlainTextEdit*>(box)->createStandardContextMenu());
        const QList<QAction*> items = menu->actions();
        const auto selectAll = std::find_if(items.begin(), items.end(), [](QAction* item) {
            return item->text().startsWith(QStringLiteral("Select All"));
        });
        ASSERT_NE(selectAll, items.end()) << name;
        ASSERT_TRUE((*selectAll)->isEnabled()) << name;
        (*selectAll)->trigger();
        EXPECT_TRUE(hasSelection(box)) << name;
    }
}

TEST_F(MainWindow, ToolsOnlyInformsAndHelpSaysWhereThePageIs) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    env.prompter.clear();
    trigger(main, "mnuTools");
    ASSERT_EQ(env.prompter.count(), 1);
    EXPECT_EQ(env.prompter.last().text,
              QStringLiteral("Please close this application and open the Tool program at\r\n"
                             "Start/Programs/Kelvo's Vemora v1.0/Kelvo's Vemora Tools!"));
    EXPECT_EQ(env.prompter.last().title, QStringLiteral("Information"));
    EXPECT_EQ(env.prompter.last().style, vbInformation);
    EXPECT_TRUE(env.shell.programs.isEmpty());

    // The test's program directory has no help folder: the user is told where it belongs.
    const QString page = QDir(env.database.directory()).filePath(QStringLiteral("help/help.htm"));
    trigger(main, "mnuTopics");
    EXPECT_TRUE(env.shell.documents.isEmpty());
    ASSERT_EQ(env.prompter.count(), 2);
    EXPECT_TRUE(env.prompter.last().text.contains(page));

    // A page that no program opens: the user is told where it is.
    ASSERT_TRUE(QDir(env.database.directory()).mkpath(QStringLiteral("help")));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    env.shell.succeed = false;
    trigger(main, "mnuTopics");
    EXPECT_EQ(env.shell.documents, QStringList{page});
    ASSERT_EQ(env.prompter.count(), 3);
    EXPECT_TRUE(env.prompter.last().text.contains(page));

    env.shell.succeed = true;
    trigger(main, "mnuTopics");
    EXPECT_EQ(env.prompter.count(), 3);
}

TEST_F(MainWindow, AboutIsOneWindowAndExitClosesEverything) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    trigger(main, "mnuAbout");
    frmAbout* about = visibleWindow<frmAbout>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isWindow());
    trigger(main, "mnuAbout");
    EXPECT_EQ(visibleWindow<frmAbout>(), about);
    showReport(env.platform, DataEnvironment::instance().DataDiaryReport());
    ASSERT_NE(visibleWindow<ReportPreview>(), nullptr);

    trigger(main, "mnuExit");
    discardClosedWindows();
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(window->isVisible()) << window;
}

TEST_F(MainWindow, StatusBarKeepsTheDateCurrent) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    auto* date = child<QLabel>(main, "panelDate");
    date->clear();
    main->updateClock();
    EXPECT_EQ(date->text(), shortDate(currentDateTime().date()));
    EXPECT_TRUE(child<QTimer>(main, "clock")->isActive());
}

TEST_F(MainWindow, StatusBarNamesWhoIsLoggedInAndTheEmptyWindowHowToLogInAgain) {
    env.addUser(QStringLiteral("maria"), QStringLiteral("pw"), QStringLiteral("Maria Clara"));
    main = logIn(QStringLiteral("maria"), QStringLiteral("pw"));
    ASSERT_NE(main, nullptr);
    auto* user = child<QLabel>(main, "panelUser");
    auto* hint = child<QLabel>(main, "lblLoggedOut");
    EXPECT_EQ(user->text(), QStringLiteral("Maria Clara (maria)"));
    EXPECT_FALSE(hint->isVisible());

    logOut(Answer::Yes);
    EXPECT_EQ(user->text(), QStringLiteral("Not logged in"));
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(),
              QStringLiteral(
                  "You are logged out. To log in again, choose File > Log-in or press Ctrl+I."));

    trigger(main, "mnuLogin");
    ASSERT_EQ(logIn(QStringLiteral("admin"), QStringLiteral("admin")), main);
    EXPECT_EQ(user->text(), QStringLiteral("Administrator (admin)"));
    EXPECT_FALSE(hint->isVisible());
}

TEST_F(MainWindow, AccountWindowsOpenCentredOnTheMainWindow) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    trigger(main, "mnu_adduser");
    const QWidget* accounts = visibleWindow<frmAddUser>();
    ASSERT_NE(accounts, nullptr);
    EXPECT_LE(
        (accounts->frameGeometry().center() - main->frameGeometry().center()).manhattanLength(), 4);
}

}  // namespace
}  // namespace vemora::test
