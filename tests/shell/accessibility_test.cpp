#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>

#include "ShellFixture.h"
#include "core/SearchResults.h"
#include "platform/Widgets.h"
#include "reports/DataEnvironment.h"
#include "reports/Print.h"
#include "shell/IdleLock.h"
#include "shell/frmLock.h"
#include "support/Contacts.h"
#include "support/Words.h"
#include "tools/frmLoginTools.h"
#include "tools/frmTools.h"
#include "tools/mod_Tools.h"
#include "workspace/find/frmFind.h"

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;

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

// What a cell shows: the text of the HTML it draws, or its delegate's text.
QString shownText(const QAbstractItemView* view, const QModelIndex& index) {
    const QVariant html = qobject_cast<const SearchResults*>(index.model())
                              ? index.data(SearchResults::kSnippetHtmlRole)
                              : QVariant();
    if (html.isValid()) {
        QTextDocument page;
        page.setHtml(html.toString());
        return page.toPlainText();
    }
    const auto* delegate = qobject_cast<QStyledItemDelegate*>(view->itemDelegateForIndex(index));
    return delegate ? delegate->displayText(index.data(), view->locale()) : index.data().toString();
}

// The names a screen reader reads as the cell's column headers. Qt makes its headers anew for
// each question; handing them to the cache has them deleted with it.
QStringList headerNames(const QAccessibleTableCellInterface* cell) {
    QStringList names;
    for (QAccessibleInterface* header : cell->columnHeaderCells()) {
        QAccessible::uniqueId(header);
        names.append(header->text(QAccessible::Name));
    }
    return names;
}

// What a screen reader reads wrong in a grid or list: a cell read otherwise than it shows, a
// column headed by no name or by its number, a child it cannot find again.
QStringList cellFaults(QAbstractItemView* view, int& cells) {
    const QString where = view->window()->objectName() + u'/' + view->objectName();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(view);
    QAccessibleTableInterface* table = face ? face->tableInterface() : nullptr;
    if (!table) return {where + u" is no table"_s};
    QStringList faults;
    const QAbstractItemModel* model = view->model();
    if (table->rowCount() != model->rowCount(view->rootIndex()) ||
        table->columnCount() != model->columnCount(view->rootIndex()))
        faults.append(where + u" counts its cells wrong"_s);
    const auto* grid = qobject_cast<const QTableView*>(view);
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            ++cells;
            const QString at = QStringLiteral("%1 (%2, %3)").arg(where).arg(row).arg(column);
            QAccessibleInterface* cell = table->cellAt(row, column);
            QAccessibleTableCellInterface* cellFace = cell ? cell->tableCellInterface() : nullptr;
            if (!cellFace) {
                faults.append(at + u" is no cell"_s);
                continue;
            }
            if (cellFace->rowIndex() != row || cellFace->columnIndex() != column ||
                cellFace->table() != face)
                faults.append(at + u" places itself elsewhere"_s);
            const QModelIndex index = model->index(row, column, view->rootIndex());
            const QString read = cell->text(QAccessible::Name).simplified();
            const QString shown = shownText(view, index).simplified();
            if (read != shown)
                faults.append(at +
                              QStringLiteral(" reads \"%1\" but shows \"%2\"").arg(read, shown));
            if (!grid) continue;  // a list has no column headers
            const QStringList headers = headerNames(cellFace);
            const QString name = headers.value(0);
            bool number = false;
            name.toInt(&number);
            if (headers.size() != 1 || name.isEmpty() || number || name != name.trimmed())
                faults.append(at + QStringLiteral(" is headed \"%1\"").arg(headers.join(u'|')));
            else if (!grid->horizontalHeader()->isHidden() &&
                     name != model->headerData(column, Qt::Horizontal).toString().trimmed())
                faults.append(at +
                              QStringLiteral(" is headed \"%1\" under another heading").arg(name));
        }
    }
    // Every child is found again where it was met: the views' focus events count on it.
    for (int i = 0; i < face->childCount(); ++i) {
        QAccessibleInterface* child = face->child(i);
        if (!child || face->indexOfChild(child) != i) {
            faults.append(where + u" loses its child "_s + QString::number(i));
            break;
        }
    }
    return faults;
}

// Every grid and list a user meets, the calendars' grids included: a screen reader reads each
// cell as it shows and each column by its name.
TEST_F(Accessibility, GridsAndListsReadEveryCellAsTheyShowIt) {
    storeContact(env, contact(u"Ann"_s, u"B"_s, u"Lee"_s));
    storeContact(env, contact(u"Bob"_s, u"C"_s, u"Ray"_s));
    env.query(insertWord(1, u"apple"_s, u"red\nand round"_s));
    env.query(insertWord(1, u"pear"_s, u"green "_s));
    env.addDiaryEntry(1, QDate(2026, 6, 3), u"Coffee at the Café de Flore.\nThen home."_s);
    env.addUser(u"ann"_s, u"pw"_s, u"Ann Lee"_s);
    frmMain* main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    env.files.answer(u"/music/First Song.ogg"_s);
    child<QPushButton>(main, "cmdOpen")->click();
    trigger(main, "mnu_adduser");
    QApplication::setActiveWindow(main);
    QTest::keyClick(main, Qt::Key_F, Qt::ControlModifier);
    frmFind* find = visibleWindow<frmFind>();
    ASSERT_NE(find, nullptr);
    child<QLineEdit>(find, "txtFind")->setText(u"cafe"_s);
    find->searchNow();

    QStringList faults;
    QStringList walked;
    int cells = 0;
    QSet<QAbstractItemView*> seen;
    const auto walk = [&](QWidget* window) {
        for (QAbstractItemView* view : window->findChildren<QAbstractItemView*>()) {
            if (view->window() != window || isQtsOwn(view) || seen.contains(view) ||
                !(view->isVisibleTo(window) || inCalendar(view)))
                continue;
            seen.insert(view);
            walked.append(view->objectName());
            faults += cellFaults(view, cells);
        }
    };
    // Every tab of the workspace, then every other window.
    QTabWidget* tabs = child<QTabWidget>(main, "tabMenu");
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        walk(main);
    }
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window != main) walk(window);
    walked.sort();
    EXPECT_EQ(walked, (QStringList{u"DataGridDic"_s, u"ListBox"_s, u"dtg_AddressBook"_s,
                                   u"dtg_Users"_s, u"grdResults"_s, u"qt_calendar_calendarview"_s,
                                   u"qt_calendar_calendarview"_s}));
    // Two calendars of 7 by 7, and the rows stored above.
    EXPECT_GE(cells, 2 * 49 + 2 * 9 + 2 * 2 + 1 + 2 + 3);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
}

// The calendars' grids are headed by the weekday names they show, from their first day of the
// week and in their locale, and still choose days by key and by mouse.
TEST_F(Accessibility, CalendarColumnsAreHeadedByTheirWeekdays) {
    frmMain* main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    QApplication::setActiveWindow(main);
    const QList<QCalendarWidget*> calendars = main->findChildren<QCalendarWidget*>();
    ASSERT_EQ(calendars.size(), 2);
    for (QCalendarWidget* calendar : calendars) {
        QTabWidget* tabs = child<QTabWidget>(main, "tabMenu");
        for (int tab = 0; tab < tabs->count(); ++tab)
            if (tabs->widget(tab)->isAncestorOf(calendar)) tabs->setCurrentIndex(tab);
        auto* grid = child<QTableView>(calendar, "qt_calendar_calendarview");
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(grid);
        ASSERT_NE(face->tableInterface(), nullptr);
        EXPECT_EQ(face->role(), QAccessible::Table);
        EXPECT_EQ(face->text(QAccessible::Name), u"Days of the month"_s);
        const auto headings = [&] {
            QStringList names;
            for (int column = 0; column < face->tableInterface()->columnCount(); ++column)
                names.append(
                    headerNames(face->tableInterface()->cellAt(3, column)->tableCellInterface()));
            return names;
        };
        const auto expected = [&](QLocale::FormatType format) {
            QStringList names;
            for (int day = 0; day < 7; ++day)
                names.append(calendar->locale().dayName(
                    (calendar->firstDayOfWeek() - 1 + day) % 7 + 1, format));
            return names;
        };
        EXPECT_EQ(headings(), expected(QLocale::ShortFormat))
            << calendar->objectName().toStdString();
        EXPECT_EQ(face->tableInterface()->columnDescription(0),
                  calendar->locale().dayName(calendar->firstDayOfWeek()));
        // A new locale brings its own first day of the week.
        calendar->setLocale(QLocale(QLocale::German, QLocale::Germany));
        calendar->setFirstDayOfWeek(Qt::Wednesday);
        EXPECT_EQ(headings(), expected(QLocale::ShortFormat));
        EXPECT_EQ(headings().value(0), u"Mi."_s);
        calendar->setHorizontalHeaderFormat(QCalendarWidget::NoHorizontalHeader);
        EXPECT_EQ(headings(), expected(QLocale::LongFormat));
        calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
        calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
        EXPECT_EQ(headings(), QStringList{u"Week"_s} + expected(QLocale::ShortFormat));
        calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);

        // Still Qt's own calendar to the keyboard and the mouse.
        calendar->setSelectedDate(QDate(2026, 6, 10));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Right);
        EXPECT_EQ(calendar->selectedDate(), QDate(2026, 6, 11));
        const QModelIndex twelfth =
            grid->model()->index(grid->currentIndex().row(), grid->currentIndex().column() + 1);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(twelfth).center());
        EXPECT_EQ(calendar->selectedDate(), QDate(2026, 6, 12));
        QAccessibleInterface* focused = face->focusChild();
        ASSERT_NE(focused, nullptr);
        EXPECT_EQ(focused->text(QAccessible::Name), u"12"_s);
        EXPECT_EQ(face->indexOfChild(focused),
                  (twelfth.row() + 1) * (grid->model()->columnCount() + 1) + twelfth.column() + 1);
    }
}

// A screen reader already running has Qt make its table for the grid while the calendar is
// built: the named calendar's grid still reads the weekday names.
TEST_F(Accessibility, CalendarGridTakesOverQtsEarlierTable) {
    QCalendarWidget calendar;
    auto* grid = child<QTableView>(&calendar, "qt_calendar_calendarview");
    QAccessibleInterface* early = QAccessible::queryAccessibleInterface(grid);
    ASSERT_NE(early, nullptr);
    ASSERT_NE(early->tableInterface(), nullptr);
    nameCalendarParts(&calendar);
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(grid)->tableInterface();
    ASSERT_NE(table, nullptr);
    // The first column holds the week numbers.
    EXPECT_EQ(headerNames(table->cellAt(2, 0)->tableCellInterface()), QStringList{u"Week"_s});
    EXPECT_EQ(
        headerNames(table->cellAt(2, 1)->tableCellInterface()),
        QStringList{calendar.locale().dayName(calendar.firstDayOfWeek(), QLocale::ShortFormat)});
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
