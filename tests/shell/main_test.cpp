#include "ShellFixture.h"

#include "about/frmAbout.h"
#include "accounts/frmAddUser.h"
#include "workspace/frmTags.h"

#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

namespace vemora::test {
namespace {

struct Item {
    const char* name;
    const char* caption;
    const char* shortcut;
};

struct Menu {
    const char* name;
    const char* caption;
    std::vector<Item> items;  // a null name is a separator
};

const std::vector<Menu> kMenus = {
    {"mnu_file", "&File",
     {{"mnuLogin", "Log-&in", "Ctrl+I"}, {"mnuLogout", "Log-&out", "Ctrl+O"}, {},
      {"mnuMain", "&Main", "Ctrl+J"}, {}, {"mnuExit", "E&xit", ""}}},
    {"mnuView", "&View",
     {{"mnuAddressBook", "&Address Book", "Ctrl+A"}, {"mnuPlanner", "My &Planner", "Ctrl+P"},
      {"mnuDiary", "My &Diary", "Ctrl+D"}, {"mnuDictionary", "Dictiona&ry", "Ctrl+R"},
      {"mnuPlayer", "&My Player", "Ctrl+M"}, {"mnu_changepw", "&Change Password", "F9"}}},
    {"mnuAdmin", "&Admin", {{"mnu_adduser", "Add &User", ""}, {}, {"mnuTools", "&Tools", ""}}},
    {"mnuHelp", "&Help", {{"mnuTopics", "Help &Topics", "F1"}, {"mnuAbout", "&About", "F12"}}},
};

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

TEST_F(MainWindow, MenusCarryTheirCaptionsShortcutsAndIcons) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    const QList<QAction*> bar = main->menuBar()->actions();
    ASSERT_EQ(bar.size(), qsizetype(kMenus.size()));
    for (std::size_t m = 0; m < kMenus.size(); ++m) {
        const Menu& expected = kMenus[m];
        QMenu* menu = bar.at(qsizetype(m))->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), QLatin1String(expected.name));
        EXPECT_EQ(menu->title(), QLatin1String(expected.caption));
        EXPECT_TRUE(menu->icon().isNull());
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), qsizetype(expected.items.size())) << expected.name;
        for (std::size_t i = 0; i < expected.items.size(); ++i) {
            const Item& item = expected.items[i];
            QAction* action = items.at(qsizetype(i));
            if (!item.name) {
                EXPECT_TRUE(action->isSeparator());
                EXPECT_TRUE(action->icon().isNull());
                continue;
            }
            EXPECT_EQ(action->objectName(), QLatin1String(item.name));
            EXPECT_EQ(action->text(), QLatin1String(item.caption));
            EXPECT_EQ(action->shortcut(), QKeySequence(QLatin1String(item.shortcut))) << item.name;
            EXPECT_FALSE(action->icon().pixmap(16, 16).isNull()) << item.name;
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

TEST_F(MainWindow, LogOutDiscardsTheWorkspaceButKeepsOtherWindows) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    trigger(main, "mnuAbout");
    trigger(main, "mnu_adduser");
    QPointer<frmTags> before = workspace();

    logOut(Answer::Yes);
    EXPECT_TRUE(before.isNull());
    EXPECT_TRUE(area()->subWindowList().isEmpty());
    EXPECT_FALSE(env.session.DbConnection().isOpen());
    EXPECT_TRUE(main->isVisible());
    EXPECT_NE(visibleWindow<frmAbout>(), nullptr);
    EXPECT_NE(visibleWindow<frmAddUser>(), nullptr);

    // The next log-in gets a workspace of its own.
    trigger(main, "mnuLogin");
    EXPECT_TRUE(env.session.DbConnection().isOpen());
    ASSERT_EQ(logIn(QStringLiteral("admin"), QStringLiteral("admin")), main);
    EXPECT_NE(workspace(), nullptr);
}

TEST_F(MainWindow, LogInTwiceShowsOneDialogOverAFreshConnection) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    logOut(Answer::Yes);

    trigger(main, "mnuLogin");
    frmLogin* first = visibleWindow<frmLogin>();
    const QString firstConnection = env.session.DbConnection().database().connectionName();
    trigger(main, "mnuLogin");
    EXPECT_EQ(visibleWindow<frmLogin>(), first);
    EXPECT_TRUE(env.session.DbConnection().isOpen());
    EXPECT_NE(env.session.DbConnection().database().connectionName(), firstConnection);

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

    const std::pair<const char*, int> commands[] = {
        {"mnuDiary", 2}, {"mnuDictionary", 3}, {"mnuPlayer", 4}, {"mnuPlanner", 1}, {"mnuAddressBook", 0}};
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

TEST_F(MainWindow, ToolsOnlyInformsAndHelpOpensThePageSilently) {
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

    // The test's program directory has no help folder: still no message.
    env.shell.succeed = false;
    trigger(main, "mnuTopics");
    EXPECT_EQ(env.shell.documents,
              QStringList{QDir(env.database.directory()).filePath(QStringLiteral("help/help.htm"))});
    EXPECT_EQ(env.prompter.count(), 1);
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

    trigger(main, "mnuExit");
    discardClosedWindows();
    for (QWidget* window : QApplication::topLevelWidgets()) EXPECT_FALSE(window->isVisible()) << window;
}

TEST_F(MainWindow, StatusBarShowsTodayTheTimeAndTheCredit) {
    main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    auto* status = child<QStatusBar>(main, "StatusBar1");
    auto* date = child<QLabel>(status, "panelDate");
    auto* time = child<QLabel>(status, "panelTime");
    EXPECT_FALSE(child<QLabel>(status, "panelCredit")->text().isEmpty());
    auto* clock = child<QTimer>(main, "clock");
    EXPECT_TRUE(clock->isActive());
    EXPECT_EQ(clock->interval(), 1000);

    date->clear();
    time->clear();
    main->updateClock();
    EXPECT_EQ(date->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    EXPECT_FALSE(time->text().isEmpty());
}

}  // namespace
}  // namespace vemora::test
