#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>

#include "ShellFixture.h"
#include "reports/DataEnvironment.h"
#include "reports/Print.h"
#include "shell/IdleLock.h"
#include "shell/frmLock.h"
#include "tools/frmLoginTools.h"
#include "tools/frmTools.h"
#include "tools/mod_Tools.h"

namespace vemora::test {
namespace {

// What a screen reader names: buttons, boxes, lists, sliders and tabs.
bool isControl(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QAbstractSlider*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QCalendarWidget*>(widget) || qobject_cast<const QTabBar*>(widget);
}

// Inside a calendar: its arrows, year box and grid are met by the user like any control.
bool inCalendar(const QWidget* widget) {
    for (const QWidget* up = widget->parentWidget(); up && !up->isWindow(); up = up->parentWidget())
        if (qobject_cast<const QCalendarWidget*>(up)) return true;
    return false;
}

// Parts that Qt builds into a control, a scroll area or a toolbar are Qt's to name; a
// calendar's own controls are not.
bool isQtsOwn(const QWidget* widget) {
    for (const QWidget* up = widget; up && !up->isWindow(); up = up->parentWidget()) {
        if (qobject_cast<const QCalendarWidget*>(up)) return false;
        // Containers such as a scroll area's viewport or a tab widget's pages are not parts.
        const QString name = up->objectName();
        if (name.startsWith(QLatin1String("qt_")) &&
            !name.startsWith(QLatin1String("qt_calendar_")) &&
            name != QLatin1String("qt_scrollarea_viewport") &&
            name != QLatin1String("qt_tabwidget_stackedwidget"))
            return true;
        if (up != widget && isControl(up)) return true;
    }
    return qobject_cast<const QScrollBar*>(widget);
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name).trimmed() : QString();
}

// The visible controls of a window that a screen reader would announce without a name.
QStringList unnamedControls(QWidget* window) {
    QStringList unnamed;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        // A calendar's year box is hidden until used, but a screen reader finds it.
        if (!isControl(widget) || widget->window() != window ||
            !(widget->isVisibleTo(window) || inCalendar(widget)) || isQtsOwn(widget))
            continue;
        if (accessibleName(widget).isEmpty())
            unnamed.append(window->objectName() + QLatin1Char('/') + widget->objectName() +
                           QLatin1Char(' ') +
                           QString::fromLatin1(widget->metaObject()->className()));
    }
    return unnamed;
}

class Accessibility : public ShellTest {};

TEST_F(Accessibility, EveryControlOfEveryWindowHasAName) {
    frmMain* main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    trigger(main, "mnu_adduser");
    trigger(main, "mnu_changepw");
    trigger(main, "mnuAbout");
    trigger(main, "mnuOptions");
    showReport(env.platform, DataEnvironment::instance().DataDiaryReport());
    windows.showLogin();

    mod_Tools module(env.database.directory(), env.prompter);
    ToolsPlatform tools{module, env.prompter, env.files, [] {}};
    auto* toolsLogin = new frmLoginTools(tools);
    toolsLogin->show();
    auto* toolsWindow = new frmTools(tools);
    toolsWindow->show();

    QStringList unnamed;
    int walked = 0;
    QTabWidget* tabs = child<QTabWidget>(main, "tabMenu");
    // Every tab of the workspace, not only the one on top.
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        unnamed += unnamedControls(main);
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window == main) continue;
        ++walked;
        unnamed += unnamedControls(window);
    }
    // The video frame, though no control, is named too.
    if (accessibleName(child<QWidget>(main, "videoScreen")).isEmpty())
        unnamed.append(QStringLiteral("videoScreen"));
    // The lock window, which hides all the others.
    trigger(main, "mnuLock");
    unnamed += unnamedControls(main->idleLock()->lockWindow());
    unnamed.removeDuplicates();
    EXPECT_GE(walked, 8);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QLatin1Char('\n')).toStdString();
    delete toolsLogin;
    delete toolsWindow;
    closeReportPreviews();
}

// Every window is announced as a dialog or a window, never as a plain pane; tabs are named
// without the captions' leading blank.
TEST_F(Accessibility, WindowsHaveTheirRolesAndTabsTheirNames) {
    frmMain* main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    trigger(main, "mnu_adduser");
    trigger(main, "mnu_changepw");
    trigger(main, "mnuAbout");
    trigger(main, "mnuFind");
    showReport(env.platform, DataEnvironment::instance().DataDiaryReport());
    mod_Tools module(env.database.directory(), env.prompter);
    ToolsPlatform tools{module, env.prompter, env.files, [] {}};
    auto* toolsLogin = new frmLoginTools(tools);
    toolsLogin->show();
    auto* toolsWindow = new frmTools(tools);
    toolsWindow->show();

    int walked = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        ++walked;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window);
        ASSERT_NE(face, nullptr);
        const QAccessible::Role role = face->role();
        EXPECT_TRUE(role == QAccessible::Dialog || role == QAccessible::Window)
            << window->metaObject()->className() << " has the role " << int(role);
        EXPECT_FALSE(face->text(QAccessible::Name).isEmpty()) << window->metaObject()->className();
    }
    EXPECT_GE(walked, 8);

    QTabBar* bar = child<QTabWidget>(main, "tabMenu")->tabBar();
    QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(bar);
    // The tabs come first, the scroll buttons after them.
    ASSERT_GE(tabs->childCount(), bar->count());
    for (int tab = 0; tab < bar->count(); ++tab) {
        const QString name = tabs->child(tab)->text(QAccessible::Name);
        EXPECT_EQ(name, name.trimmed());
        EXPECT_EQ(name, bar->tabText(tab).trimmed());
    }
    delete toolsLogin;
    delete toolsWindow;
    closeReportPreviews();
}

// A window lower and narrower than its tabs' pages, as on a 1280x800 screen at scale 2,
// scrolls the page: every Add button can be brought into the window.
TEST_F(Accessibility, EveryTabIsUsableInAWindowSmallerThanItsPages) {
    frmMain* main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    main->showNormal();
    main->resize(600, 300);
    QCoreApplication::processEvents();
    EXPECT_LE(main->width(), 600);
    EXPECT_LE(main->height(), 300);
    QTabWidget* tabs = child<QTabWidget>(main, "tabMenu");
    const std::pair<int, const char*> buttons[] = {{0, "cmdAddInfo"},
                                                   {0, "cmdDelete"},
                                                   {1, "cmdAddPlan"},
                                                   {2, "cmdAddDiary"},
                                                   {3, "cmdAddDic"}};
    for (const auto& [tab, name] : buttons) {
        tabs->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        auto* button = child<QWidget>(tabs->currentWidget(), name);
        // Scrolled to as a keyboard user's Tab scrolls to it.
        for (QWidget* up = button; up != main; up = up->parentWidget())
            if (auto* area = qobject_cast<QScrollArea*>(up)) area->ensureWidgetVisible(button);
        // Seen whole: inside every widget it lies in, up to the window.
        for (QWidget* up = button->parentWidget(); up; up = up->parentWidget()) {
            const QRect where(button->mapTo(up, QPoint()), button->size());
            EXPECT_TRUE(up->rect().contains(where))
                << name << " outside " << up->metaObject()->className();
            if (up == main) break;
        }
    }
}

// The part of the tab strip that shows tabs, between or beside its scroll arrows.
QRect shownTabs(const QTabBar* bar) {
    QRect shown = bar->rect();
    for (const QToolButton* arrow : bar->findChildren<QToolButton*>()) {
        if (!arrow->isVisible()) continue;
        if (arrow->geometry().center().x() > shown.center().x())
            shown.setRight(std::min(shown.right(), arrow->x() - 1));
        else
            shown.setLeft(std::max(shown.left(), arrow->geometry().right() + 1));
    }
    return shown;
}

// On a screen 640 logical pixels wide, as 1280x800 at scale 2, the main window fits with a
// window manager's borders; the tab strip, wider than that, scrolls with its captions whole,
// and every tab is reached by the mouse through the arrows and by the keyboard.
TEST_F(Accessibility, TheMainWindowFitsAScreen640PixelsWide) {
    frmMain* main = logIn(QStringLiteral("admin"), QStringLiteral("admin"));
    ASSERT_NE(main, nullptr);
    main->showNormal();
    QApplication::setActiveWindow(main);
    const int narrowest = main->minimumSizeHint().width();
    EXPECT_LE(narrowest, 640 - 2 * 8);
    QTabBar* bar = child<QTabWidget>(main, "tabMenu")->tabBar();
    QStringList captions;
    for (int tab = 0; tab < bar->count(); ++tab) captions.append(bar->tabText(tab));
    main->resize(narrowest, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(main->width(), narrowest);
    ASSERT_LT(bar->width(), bar->sizeHint().width()) << "the tabs fit: nothing to scroll";
    EXPECT_EQ(bar->elideMode(), Qt::ElideNone);
    const int last = bar->count() - 1;
    EXPECT_FALSE(shownTabs(bar).contains(bar->tabRect(last)));

    // The mouse: the right arrow until the last tab shows, then a click on it.
    QToolButton* right = nullptr;
    for (QToolButton* arrow : bar->findChildren<QToolButton*>())
        if (arrow->arrowType() == Qt::RightArrow) right = arrow;
    ASSERT_NE(right, nullptr);
    EXPECT_TRUE(right->isVisible());
    for (int click = 0; click < 10 && !shownTabs(bar).contains(bar->tabRect(last)); ++click)
        QTest::mouseClick(right, Qt::LeftButton);
    ASSERT_TRUE(shownTabs(bar).contains(bar->tabRect(last)));
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(last).center());
    EXPECT_EQ(bar->currentIndex(), last);

    // The keyboard: Ctrl+PgUp from wherever the focus is, each tab brought into sight whole.
    for (int tab = last - 1; tab >= 0; --tab) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, Qt::Key_PageUp, Qt::ControlModifier);
        EXPECT_EQ(bar->currentIndex(), tab);
        EXPECT_TRUE(shownTabs(bar).contains(bar->tabRect(tab))) << tab;
    }
    for (int tab = 0; tab < bar->count(); ++tab) EXPECT_EQ(bar->tabText(tab), captions[tab]);
}

}  // namespace
}  // namespace vemora::test
