#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

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

// Parts that Qt builds into a control, a scroll area or a toolbar are Qt's to name.
bool isQtsOwn(const QWidget* widget) {
    for (const QWidget* up = widget; up && !up->isWindow(); up = up->parentWidget()) {
        // Containers such as a scroll area's viewport or a tab widget's pages are not parts.
        const QString name = up->objectName();
        if (name.startsWith(QLatin1String("qt_")) &&
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
        if (!isControl(widget) || widget->window() != window || !widget->isVisibleTo(window) ||
            isQtsOwn(widget))
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

}  // namespace
}  // namespace vemora::test
