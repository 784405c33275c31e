#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include "ShellFixture.h"
#include "core/SearchResults.h"
#include "workspace/find/frmFind.h"
#include "workspace/frmTags.h"

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;

const QDate kMay(2024, 5, 6);
const QDate kJune(2025, 6, 3);

class FindWindow : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ann = env.addUser(u"ann"_s, u"pw"_s, u"Ann Lee"_s);
        diaryEntry(1, kMay, u"Coffee at the Café de Flore.\nThen home."_s);
        plan(1, kJune, {u"café with Bob"_s, u"dentist"_s, u"carpe diem"_s});
        diaryEntry(1, QDate(2023, 6, 3), u"A walk by the river"_s);
        diaryEntry(ann, kMay, u"my café secret"_s);
    }
    void diaryEntry(qint64 user, QDate day, const QString& text) {
        env.addDiaryEntry(user, day, text);
    }
    void plan(qint64 user, QDate day, const QStringList& texts) { env.addPlan(user, day, texts); }
    frmTags* workspace() {
        const QList<QMdiSubWindow*> children = child<QMdiArea>(main, "mdiArea")->subWindowList();
        return children.isEmpty() ? nullptr : qobject_cast<frmTags*>(children.first()->widget());
    }
    frmFind* openFind() {
        QApplication::setActiveWindow(main);
        QTest::keyClick(main, Qt::Key_F, Qt::ControlModifier);
        return visibleWindow<frmFind>();
    }
    // Types as a user does, then lets the pause in typing run the search.
    static void type(frmFind* find, const QString& text) {
        auto* box = child<QLineEdit>(find, "txtFind");
        box->setFocus();
        QTest::keyClicks(box, text);
        EXPECT_TRUE(child<QTimer>(find, "typingPause")->isActive());
        find->searchNow();
    }
    static QStringList rows(frmFind* find) {
        QStringList all;
        const SearchResults* results = find->results();
        for (int row = 0; row < results->rowCount(); ++row)
            all.append(results->index(row, SearchResults::DayColumn)
                           .data(Qt::UserRole)
                           .toDate()
                           .toString(Qt::ISODate) +
                       u' ' + results->index(row, SearchResults::PlaceColumn).data().toString());
        return all;
    }

    qint64 ann = 0;
    frmMain* main = nullptr;
};

TEST_F(FindWindow, TypingListsTheUsersTextsAndEnterShowsTheDayInItsTab) {
    main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    env.prompter.forget();
    frmFind* find = openFind();
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->windowTitle(), u"Find"_s);
    type(find, u"CAFE"_s);
    EXPECT_EQ(rows(find), (QStringList{u"2025-06-03 AM"_s, u"2024-05-06 Daily Diary"_s}));
    EXPECT_EQ(child<QLabel>(find, "lblCount")->text(), u"2 results."_s);
    EXPECT_TRUE(child<QPushButton>(find, "cmdShow")->isEnabled());
    const QModelIndex snippet = find->results()->index(1, SearchResults::TextColumn);
    EXPECT_EQ(snippet.data(SearchResults::kSnippetHtmlRole).toString(),
              u"Coffee at the <b>Café</b> de Flore. Then home."_s);
    EXPECT_EQ(snippet.data().toString(), u"Coffee at the Café de Flore. Then home."_s);

    // Enter in the box shows the first result: the plan of 3 June.
    QTest::keyClick(child<QLineEdit>(find, "txtFind"), Qt::Key_Return);
    auto* tabs = workspace()->tabMenu();
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(child<QCalendarWidget>(workspace(), "callendarPlan")->selectedDate(), kJune);
    EXPECT_EQ(child<QPlainTextEdit>(workspace(), "txtPlanAM")->toPlainText(), u"café with Bob"_s);

    // Enter on the second row shows the diary of 6 May.
    auto* grid = child<QTableView>(find, "grdResults");
    grid->setFocus();
    grid->setCurrentIndex(find->results()->index(1, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(tabs->currentIndex(), 2);
    EXPECT_EQ(child<QCalendarWidget>(workspace(), "callendarDiary")->selectedDate(), kMay);
    EXPECT_EQ(child<QPlainTextEdit>(workspace(), "txtDiaryMsg")->toPlainText(),
              u"Coffee at the Café de Flore.\nThen home."_s);

    // A whole word once a space follows it; a phrase in quotes; nothing for nothing.
    child<QLineEdit>(find, "txtFind")->clear();
    type(find, u"\"carpe diem\" "_s);
    EXPECT_EQ(rows(find), (QStringList{u"2025-06-03 Daily Quote"_s}));
    child<QLineEdit>(find, "txtFind")->clear();
    EXPECT_TRUE(rows(find).isEmpty());
    EXPECT_EQ(child<QLabel>(find, "lblCount")->text(), QString());
    type(find, u"zebra"_s);
    EXPECT_EQ(child<QLabel>(find, "lblCount")->text(), u"No results."_s);
    EXPECT_FALSE(child<QPushButton>(find, "cmdShow")->isEnabled());
    EXPECT_TRUE(env.prompter.shown().isEmpty()) << env.prompter.shown().value(0).text.toStdString();
}

TEST_F(FindWindow, OnThisDayFromTheDiaryTabListsEarlierYearsAndADoubleClickShowsOne) {
    main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    trigger(main, "mnuDiary");
    workspace()->findChild<QDateEdit*>(u"DTPickerDiary"_s)->setDate(QDate(2026, 6, 3));
    QTest::mouseClick(child<QPushButton>(workspace(), "cmdOnThisDayDiary"), Qt::LeftButton);
    frmFind* find = visibleWindow<frmFind>();
    ASSERT_NE(find, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(find));
    EXPECT_EQ(rows(find), (QStringList{u"2025-06-03 AM"_s, u"2025-06-03 PM"_s,
                                       u"2025-06-03 Daily Quote"_s, u"2023-06-03 Daily Diary"_s}));
    EXPECT_EQ(child<QLabel>(find, "lblCount")->text(),
              u"4 results on %1 in earlier years."_s.arg(QLocale().toString(kJune, u"d MMMM"_s)));
    auto* grid = child<QTableView>(find, "grdResults");
    const QModelIndex walk = find->results()->index(3, SearchResults::TextColumn);
    ASSERT_TRUE(grid->visualRect(walk).isValid());
    // As a mouse sends it: a click, then the double-click.
    const QPoint at = grid->visualRect(walk).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(child<QCalendarWidget>(workspace(), "callendarDiary")->selectedDate(),
              QDate(2023, 6, 3));
    EXPECT_EQ(workspace()->tabMenu()->currentIndex(), 2);
    EXPECT_EQ(child<QPlainTextEdit>(workspace(), "txtDiaryMsg")->toPlainText(),
              u"A walk by the river"_s);
    // Find... in the planner tab brings the same window forward.
    trigger(main, "mnuPlanner");
    QTest::mouseClick(child<QPushButton>(workspace(), "cmdFindPlan"), Qt::LeftButton);
    EXPECT_EQ(visibleWindow<frmFind>(), find);
}

TEST_F(FindWindow, EscCloseItAndTheNextUserNeverSeesTheFirstUsersTexts) {
    main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    frmFind* find = openFind();
    ASSERT_NE(find, nullptr);
    QApplication::setActiveWindow(find);
    QTest::keyClick(find, Qt::Key_Escape);
    discardClosedWindows();
    EXPECT_EQ(visibleWindow<frmFind>(), nullptr);

    find = openFind();
    type(find, u"caf"_s);
    ASSERT_FALSE(rows(find).isEmpty());
    QPointer<frmFind> open = find;
    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    discardClosedWindows();
    EXPECT_TRUE(open.isNull());
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<frmFind*>(window), nullptr);

    trigger(main, "mnuLogin");
    ASSERT_EQ(logIn(u"ann"_s, u"pw"_s), main);
    find = openFind();
    ASSERT_NE(find, nullptr);
    type(find, u"caf"_s);
    EXPECT_EQ(rows(find), (QStringList{u"2024-05-06 Daily Diary"_s}));
    EXPECT_EQ(find->results()->index(0, SearchResults::TextColumn).data().toString(),
              u"my café secret"_s);
}

}  // namespace
}  // namespace vemora::test
