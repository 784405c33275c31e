// Text typed and not saved is kept as its author's draft and offered back, through the real
// windows: the main window, its workspace's tabs, log-out, Exit and the Find window.
#include <QCalendarWidget>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include "ShellFixture.h"
#include "core/DraftStore.h"
#include "core/SearchResults.h"
#include "data/Statement.h"
#include "support/Contacts.h"
#include "workspace/find/frmFind.h"
#include "workspace/frmTags.h"

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;

const QDate kToday(2026, 6, 15);
const QDate kOther(2026, 6, 10);
const QString kTodayKey = u"2026-06-15"_s;

class Drafts : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ann = env.addUser(u"ann"_s, u"pw"_s, u"Ann Lee"_s);
    }
    void TearDown() override {
        if (main) main->close();
        discardClosedWindows();
    }
    frmMain* login(const QString& user, const QString& password) {
        if (main) trigger(main, "mnuLogin");
        main = logIn(user, password);
        EXPECT_NE(main, nullptr);
        return main;
    }
    frmTags* workspace() const {
        const QList<QMdiSubWindow*> children = child<QMdiArea>(main, "mdiArea")->subWindowList();
        return children.isEmpty() ? nullptr : qobject_cast<frmTags*>(children.first()->widget());
    }
    template <class W>
    W* box(const char* name) const {
        return child<W>(workspace(), name);
    }
    QPlainTextEdit* text(const char* name) const { return box<QPlainTextEdit>(name); }
    // The pause in typing after which the diary's draft is written.
    QTimer* diaryPause() const {
        return child<QTimer>(workspace()->tabMenu()->widget(2), "draftTimer");
    }
    // Types at the end of a box, as a user does; the pause in typing is then due.
    void type(QWidget* into, const QString& typed) {
        into->setFocus();
        if (auto* text = qobject_cast<QPlainTextEdit*>(into)) text->moveCursor(QTextCursor::End);
        if (auto* line = qobject_cast<QLineEdit*>(into)) line->end(false);
        QTest::keyClicks(into, typed);
    }
    void click(const char* button) {
        QTest::mouseClick(box<QAbstractButton>(button), Qt::LeftButton);
    }
    // Leaves the diary's or the planner's day for another and comes back, answering the draft
    // question, if one comes, with `answer`.
    void leaveAndComeBack(SearchPlace place, Answer answer) {
        workspace()->showDay(kOther, place);
        env.prompter.answer(answer);
        workspace()->showDay(kToday, place);
    }
    std::optional<Draft> draft(qint64 user, DraftKind kind, const QString& key) {
        const Result<std::optional<Draft>> found =
            DraftStore(env.session.database()).load(user, kind, key);
        EXPECT_TRUE(found.ok());
        return found ? found.value() : std::nullopt;
    }
    // The draft's first text; "(none)" without a draft.
    QString draftText(qint64 user, DraftKind kind, const QString& key) {
        const std::optional<Draft> found = draft(user, kind, key);
        return found ? found->texts.value(0) : u"(none)"_s;
    }
    QStringList questions() const {
        QStringList texts;
        for (const ScriptedPrompter::Shown& shown : env.prompter.shown())
            if ((shown.style & 0x0F) == vbRestoreDiscard) texts.append(shown.text);
        return texts;
    }
    QString stored(const char* sql) {
        const Recordset rows = env.query(Statement(QLatin1String(sql)));
        return rows.eof() ? QString() : rows.row(0).value(0).toString();
    }

    qint64 ann = 0;
    frmMain* main = nullptr;
};

TEST_F(Drafts, DiaryTextIsKeptAtEveryLeavingAndRestoreDiscardAndAddEachDoTheirPart) {
    login(u"admin"_s, u"admin"_s);
    trigger(main, "mnuDiary");
    type(text("txtDiaryMsg"), u"Dear diary, it's late"_s);
    EXPECT_TRUE(diaryPause()->isActive());
    EXPECT_FALSE(draft(1, DraftKind::Diary, kTodayKey));

    // The pause in typing writes the draft.
    diaryPause()->setInterval(0);
    while (diaryPause()->isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ASSERT_TRUE(draft(1, DraftKind::Diary, kTodayKey).has_value());
    EXPECT_EQ(draftText(1, DraftKind::Diary, kTodayKey), u"Dear diary, it's late"_s);

    // Another day: the box is emptied; coming back asks, and Restore puts the text back unsaved.
    env.prompter.forget();
    leaveAndComeBack(SearchPlace::Diary, Answer::Yes);
    EXPECT_EQ(questions(), QStringList{u"You have text you did not save for 15 Jun 2026, written "
                                       "at 23:59. Restore it?"_s});
    EXPECT_EQ(env.prompter.last().title, u"Text Not Saved"_s);
    EXPECT_EQ(text("txtDiaryMsg")->toPlainText(), u"Dear diary, it's late"_s);
    EXPECT_EQ(env.count(u"diary_tbl"_s), 0);

    // Discard removes it: the next visit asks nothing.
    leaveAndComeBack(SearchPlace::Diary, Answer::No);
    EXPECT_EQ(text("txtDiaryMsg")->toPlainText(), QString());
    EXPECT_FALSE(draft(1, DraftKind::Diary, kTodayKey));
    env.prompter.forget();
    workspace()->showDay(kOther, SearchPlace::Diary);
    workspace()->showDay(kToday, SearchPlace::Diary);
    EXPECT_TRUE(questions().isEmpty());

    // Typed again, kept at the change of tab, restored, then added: the draft goes.
    type(text("txtDiaryMsg"), u"Second try"_s);
    trigger(main, "mnuPlanner");
    EXPECT_EQ(draftText(1, DraftKind::Diary, kTodayKey), u"Second try"_s);
    trigger(main, "mnuDiary");
    leaveAndComeBack(SearchPlace::Diary, Answer::Yes);
    click("cmdAddDiary");
    EXPECT_EQ(stored("SELECT diary_message FROM diary_tbl"), u"Second try"_s);
    EXPECT_FALSE(draft(1, DraftKind::Diary, kTodayKey));

    // A second Add asks to view the stored entry; Yes shows it, the typed text stays a draft.
    type(text("txtDiaryMsg"), u" too"_s);
    env.prompter.answer(Answer::Yes);
    click("cmdAddDiary");
    EXPECT_EQ(text("txtDiaryMsg")->toPlainText(), u"Second try"_s);
    EXPECT_EQ(draftText(1, DraftKind::Diary, kTodayKey), u"Second try too"_s);
    leaveAndComeBack(SearchPlace::Diary, Answer::No);

    // Log-out answered No, then Yes: the draft is kept before the question and comes back at the
    // next log-in.
    type(text("txtDiaryMsg"), u" and more"_s);
    env.prompter.answer(Answer::No);
    trigger(main, "mnuLogout");
    EXPECT_EQ(draftText(1, DraftKind::Diary, kTodayKey), u"Second try and more"_s);
    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    env.prompter.forget();
    env.prompter.answer(Answer::Yes);
    login(u"admin"_s, u"admin"_s);
    EXPECT_EQ(questions().size(), 1);
    EXPECT_EQ(text("txtDiaryMsg")->toPlainText(), u"Second try and more"_s);
    // Save stores it as the Save button does, and the draft goes.
    click("cmdSaveDiary");
    EXPECT_EQ(stored("SELECT diary_message FROM diary_tbl"), u"Second try and more"_s);
    EXPECT_FALSE(draft(1, DraftKind::Diary, kTodayKey));

    // Exit asks nothing and keeps the typed text.
    type(text("txtDiaryMsg"), u"!"_s);
    env.prompter.forget();
    main->close();
    main = nullptr;
    EXPECT_TRUE(env.prompter.shown().isEmpty());
    EXPECT_EQ(draftText(1, DraftKind::Diary, kTodayKey), u"Second try and more!"_s);
}

TEST_F(Drafts, PlannerContactAndWordDraftsComeBackInTheirBoxes) {
    env.addPlan(1, kToday, {u"gym"_s, u"read"_s, u"carpe diem"_s});
    storeContact(env, contact(u"Bob"_s, u"B"_s, u"Stone"_s));
    storeContact(env, contact(u"Ann"_s, u"A"_s, u"Zed"_s));
    env.query(
        Statement("INSERT INTO dictionary_tbl (user_num, dict_name, dict_description) "
                  "VALUES (1, 'apple', 'a fruit')"));
    login(u"admin"_s, u"admin"_s);

    // Planner: the three boxes over a stored plan; Save stores them and removes the draft.
    trigger(main, "mnuPlanner");
    type(text("txtPlanAM"), u" early"_s);
    type(text("txtDailyQuote"), u"!"_s);
    leaveAndComeBack(SearchPlace::Morning, Answer::Yes);
    EXPECT_EQ(questions().value(0),
              u"You have text you did not save for your plans of 15 Jun "
              "2026, written at 23:59. Restore it?"_s);
    EXPECT_EQ(text("txtPlanAM")->toPlainText(), u"gym early"_s);
    EXPECT_EQ(text("txtPlanPM")->toPlainText(), u"read"_s);
    EXPECT_EQ(text("txtDailyQuote")->toPlainText(), u"carpe diem!"_s);
    EXPECT_EQ(stored("SELECT time_am FROM planner_tbl"), u"gym"_s);
    click("cmdSavePlan");
    EXPECT_EQ(stored("SELECT time_am FROM planner_tbl"), u"gym early"_s);
    EXPECT_FALSE(draft(1, DraftKind::Planner, kTodayKey));

    // Address book: the contact's fields, kept when another contact is chosen.
    trigger(main, "mnuAddressBook");
    auto* grid = box<QTableView>("dtg_AddressBook");
    const auto choose = [grid](const QString& name) {
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            const QModelIndex cell = grid->model()->index(row, 0);
            if (cell.data().toString() == name)
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                                  grid->visualRect(cell).center());
        }
    };
    choose(u"Bob"_s);
    auto* phone = box<QLineEdit>("txtPhoneNum");
    ASSERT_EQ(phone->text(), u"555-01"_s);
    type(phone, u"9"_s);
    env.prompter.forget();
    choose(u"Ann"_s);
    EXPECT_EQ(phone->text(), u"555-01"_s);
    EXPECT_TRUE(draft(1, DraftKind::Contact, u"Bob\nB\nStone"_s).has_value());
    env.prompter.answer(Answer::Yes);
    choose(u"Bob"_s);
    EXPECT_EQ(questions().value(0),
              u"You have text you did not save for the contact Bob B "
              "Stone, written at 23:59. Restore it?"_s);
    EXPECT_EQ(phone->text(), u"555-019"_s);

    // A new contact's fields, kept at log-out, come back at the next log-in.
    box<QLineEdit>("txtSearch")->clear();
    click("cmdClear");
    type(box<QLineEdit>("txtName"), u"Carla"_s);
    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    env.prompter.forget();
    env.prompter.answer(Answer::Yes);
    login(u"admin"_s, u"admin"_s);
    EXPECT_EQ(questions(), QStringList{u"You have text you did not save for a new contact, "
                                       "written at 23:59. Restore it?"_s});
    EXPECT_EQ(box<QLineEdit>("txtName")->text(), u"Carla"_s);

    // Dictionary: a word's description, kept when the word is cleared.
    trigger(main, "mnuDictionary");
    env.prompter.forget();
    type(box<QComboBox>("cmboDicSearch")->lineEdit(), u"apple"_s);
    ASSERT_EQ(text("txtDicDes")->toPlainText(), u"a fruit"_s);
    type(text("txtDicDes"), u", red"_s);
    click("cmdClearDic");
    EXPECT_EQ(text("txtDicDes")->toPlainText(), QString());
    EXPECT_TRUE(draft(1, DraftKind::Word, u"apple"_s).has_value());
    box<QComboBox>("cmboDicSearch")->lineEdit()->clear();
    env.prompter.answer(Answer::Yes);
    box<QComboBox>("cmboDicSearch")->lineEdit()->setText(u"apple"_s);
    EXPECT_EQ(questions().value(0),
              u"You have text you did not save for the word apple, "
              "written at 23:59. Restore it?"_s);
    EXPECT_EQ(text("txtDicDes")->toPlainText(), u"a fruit, red"_s);
    EXPECT_EQ(stored("SELECT dict_description FROM dictionary_tbl"), u"a fruit"_s);
}

TEST_F(Drafts, ADraftIsItsAuthorsAloneAndNeverFound) {
    login(u"admin"_s, u"admin"_s);
    trigger(main, "mnuDiary");
    type(text("txtDiaryMsg"), u"zanzibar secret"_s);
    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");

    // Ann logs in on the same day: no question, an empty diary, and Find finds nothing.
    env.prompter.forget();
    login(u"ann"_s, u"pw"_s);
    EXPECT_TRUE(questions().isEmpty());
    ASSERT_TRUE(draft(1, DraftKind::Diary, kTodayKey).has_value());
    EXPECT_EQ(text("txtDiaryMsg")->toPlainText(), QString());
    EXPECT_FALSE(draft(ann, DraftKind::Diary, kTodayKey));
    trigger(main, "mnuFind");
    auto* find = visibleWindow<frmFind>();
    ASSERT_NE(find, nullptr);
    type(child<QLineEdit>(find, "txtFind"), u"zanzibar"_s);
    find->searchNow();
    EXPECT_EQ(find->results()->rowCount(), 0);
    find->close();

    // Nor does its author's own search.
    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    env.prompter.answer(Answer::Yes);
    login(u"admin"_s, u"admin"_s);
    EXPECT_EQ(text("txtDiaryMsg")->toPlainText(), u"zanzibar secret"_s);
    trigger(main, "mnuFind");
    find = visibleWindow<frmFind>();
    ASSERT_NE(find, nullptr);
    type(child<QLineEdit>(find, "txtFind"), u"zanzibar"_s);
    find->searchNow();
    EXPECT_EQ(find->results()->rowCount(), 0);
}

TEST_F(Drafts, ADraftOfADayChangedMeanwhileIsOfferedWithTheStoredTextShown) {
    env.addDiaryEntry(1, kToday, u"first"_s);
    login(u"admin"_s, u"admin"_s);
    trigger(main, "mnuDiary");
    ASSERT_EQ(text("txtDiaryMsg")->toPlainText(), u"first"_s);
    type(text("txtDiaryMsg"), u" and mine"_s);
    workspace()->showDay(kOther, SearchPlace::Diary);

    // Another organizer saves the day meanwhile.
    env.query(Statement("UPDATE diary_tbl SET diary_message = 'theirs'"));
    env.prompter.forget();
    env.prompter.answer(Answer::No);
    workspace()->showDay(kToday, SearchPlace::Diary);
    EXPECT_EQ(questions(),
              QStringList{u"You have text you did not save for 15 Jun 2026, written at 23:59. "
                          "Restore it?\r\n\r\nThe saved text was changed meanwhile, elsewhere. "
                          "It now reads:\r\ntheirs"_s});
    // Discarded: the stored text shows, nothing merged.
    EXPECT_EQ(text("txtDiaryMsg")->toPlainText(), u"theirs"_s);
    EXPECT_FALSE(draft(1, DraftKind::Diary, kTodayKey));

    // Restored: the typed text replaces the stored one only when saved.
    type(text("txtDiaryMsg"), u" and mine"_s);
    workspace()->showDay(kOther, SearchPlace::Diary);
    env.query(Statement("UPDATE diary_tbl SET diary_message = 'theirs again'"));
    env.prompter.forget();
    env.prompter.answer(Answer::Yes);
    workspace()->showDay(kToday, SearchPlace::Diary);
    ASSERT_EQ(questions().size(), 1);
    EXPECT_TRUE(questions().first().endsWith(u"It now reads:\r\ntheirs again"_s));
    EXPECT_EQ(text("txtDiaryMsg")->toPlainText(), u"theirs and mine"_s);
    EXPECT_EQ(stored("SELECT diary_message FROM diary_tbl"), u"theirs again"_s);
    click("cmdSaveDiary");
    EXPECT_EQ(stored("SELECT diary_message FROM diary_tbl"), u"theirs and mine"_s);
    EXPECT_FALSE(draft(1, DraftKind::Diary, kTodayKey));
}

}  // namespace
}  // namespace vemora::test
