#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimer>

#include "ShellFixture.h"
#include "about/frmAbout.h"
#include "accounts/frmAddUser.h"
#include "accounts/frmChangePW.h"
#include "core/Clock.h"
#include "core/LockSettings.h"
#include "core/OptionStore.h"
#include "reports/DataEnvironment.h"
#include "reports/Print.h"
#include "reports/ReportPreview.h"
#include "shell/IdleLock.h"
#include "shell/frmLock.h"
#include "shell/frmOptions.h"
#include "workspace/find/frmFind.h"
#include "workspace/frmTags.h"

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

const QDateTime kStart(QDate(2026, 12, 9), QTime(14, 0));

// The top-level windows on screen.
QList<QWidget*> shownWindows() {
    QList<QWidget*> shown;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) shown.append(window);
    return shown;
}

// Every text the screen shows: titles, labels, boxes.
QString textOnScreen() {
    QStringList texts;
    for (QWidget* window : shownWindows()) {
        texts.append(window->windowTitle());
        for (auto* label : window->findChildren<QLabel*>())
            if (label->isVisible()) texts.append(label->text());
        for (auto* box : window->findChildren<QLineEdit*>())
            if (box->isVisible()) texts.append(box->text());
        for (auto* box : window->findChildren<QPlainTextEdit*>())
            if (box->isVisible()) texts.append(box->toPlainText());
    }
    return texts.join(u'\n');
}

class IdleLockTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        m_clockBefore = currentDateTime();
        fixClock(kStart);
        ann = env.addUser(u"ann"_s, u"Ann9pw"_s, u"Ann Lee"_s);
    }
    void TearDown() override { fixClock(m_clockBefore); }

    frmMain* logInAs(const QString& userName, const QString& password) {
        main = logIn(userName, password);
        EXPECT_NE(main, nullptr);
        return main;
    }
    IdleLock* lock() { return main->idleLock(); }
    frmLock* lockWindow() { return lock()->lockWindow(); }
    frmTags* workspace() {
        const QList<QMdiSubWindow*> children = child<QMdiArea>(main, "mdiArea")->subWindowList();
        return children.isEmpty() ? nullptr : qobject_cast<frmTags*>(children.first()->widget());
    }
    QPlainTextEdit* diaryBox() {
        main->findChild<QAction*>(u"mnuDiary"_s)->trigger();
        return child<QPlainTextEdit>(workspace(), "txtDiaryMsg");
    }
    void typePassword(const QString& password) {
        QApplication::setActiveWindow(lockWindow());
        auto* box = child<QLineEdit>(lockWindow(), "txtPassword");
        box->setText(password);
        QTest::keyClick(box, Qt::Key_Return);
    }
    void at(std::chrono::seconds after) { fixClock(kStart.addSecs(after.count())); }

    int ann = 0;
    frmMain* main = nullptr;

private:
    QDateTime m_clockBefore;
};

TEST_F(IdleLockTest, TheIdleTickLocksAfterTheDelayAndInputPutsItOff) {
    ASSERT_TRUE(logInAs(u"ann"_s, u"Ann9pw"_s));
    EXPECT_EQ(lock()->delay(), 10min);
    at(9min + 59s);
    lock()->tick();
    EXPECT_FALSE(lock()->isLocked());

    // A key in any window of the session starts the wait again.
    QTest::keyClick(diaryBox(), Qt::Key_A);
    at(10min + 30s);
    lock()->tick();
    EXPECT_FALSE(lock()->isLocked());
    // So does the mouse.
    QTest::mouseMove(main, QPoint(20, 20));
    at(20min + 29s);
    lock()->tick();
    EXPECT_FALSE(lock()->isLocked());
    at(20min + 30s);
    lock()->tick();
    ASSERT_TRUE(lock()->isLocked());
    EXPECT_EQ(shownWindows(), QList<QWidget*>{lockWindow()});

    // Nobody logged in: nothing to lock.
    typePassword(u"Ann9pw"_s);
    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    at(2h);
    lock()->tick();
    EXPECT_FALSE(lock()->isLocked());
    EXPECT_FALSE(child<QAction>(main, "mnuLock")->isEnabled());
    // A delay of zero never locks.
    ASSERT_EQ(logInAs(u"ann"_s, u"Ann9pw"_s), main);
    lock()->setDelay(0min);
    at(30h);
    lock()->tick();
    EXPECT_FALSE(lock()->isLocked());
}

TEST_F(IdleLockTest, TheLockHidesEveryWindowAndUnlockingBringsThemBackAsTheyWere) {
    ASSERT_TRUE(logInAs(u"admin"_s, u"admin"_s));
    QPlainTextEdit* diary = diaryBox();
    diary->setFocus();
    QTest::keyClicks(diary, u"Typed, not saved"_s);
    trigger(main, "mnuAbout");
    trigger(main, "mnu_adduser");
    trigger(main, "mnu_changepw");
    trigger(main, "mnuFind");
    showReport(env.platform, DataEnvironment::instance().DataDiaryReport());
    child<QLineEdit>(visibleWindow<frmChangePW>(), "txtOldPassword")->setText(u"half"_s);
    QApplication::setActiveWindow(main);
    diary->setFocus();
    const QList<QWidget*> before = shownWindows();
    ASSERT_EQ(before.size(), 6);

    // Whoever keeps drafts hears of the lock while the windows still hold their text.
    bool heard = false;
    QObject::connect(lock(), &IdleLock::aboutToLock, lock(), [&] {
        heard = true;
        EXPECT_TRUE(diary->isVisible());
    });
    QTest::keyClick(diary, Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(lock()->isLocked());
    EXPECT_TRUE(heard);
    EXPECT_EQ(shownWindows(), QList<QWidget*>{lockWindow()});
    EXPECT_EQ(child<QLabel>(lockWindow(), "lblLocked")->text(), u"Locked: Administrator (admin)"_s);
    EXPECT_FALSE(lockWindow()->windowTitle().contains(u"admin"_s, Qt::CaseInsensitive));
    // A window that opens meanwhile waits behind the lock as well.
    QWidget* late = showReport(env.platform, DataEnvironment::instance().DataPlanner());
    EXPECT_EQ(shownWindows(), QList<QWidget*>{lockWindow()});

    typePassword(u"admin"_s);
    EXPECT_FALSE(lock()->isLocked());
    EXPECT_FALSE(lockWindow()->isVisible());
    QList<QWidget*> after = shownWindows();
    std::sort(after.begin(), after.end());
    QList<QWidget*> expected = before;
    expected.append(late);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(after, expected);
    EXPECT_TRUE(main->isMaximized());
    EXPECT_EQ(diary->toPlainText(), u"Typed, not saved"_s);
    EXPECT_EQ(child<QLineEdit>(visibleWindow<frmChangePW>(), "txtOldPassword")->text(), u"half"_s);
    EXPECT_EQ(QApplication::focusWidget(), diary);
}

TEST_F(IdleLockTest, TheWrongPasswordNeverUnlocksAndFailuresSlowTheAttempts) {
    ASSERT_TRUE(logInAs(u"ann"_s, u"Ann9pw"_s));
    trigger(main, "mnuLock");
    ASSERT_TRUE(lock()->isLocked());
    EXPECT_EQ(child<QLabel>(lockWindow(), "lblLocked")->text(), u"Locked: Ann Lee (ann)"_s);
    // Neither Esc nor closing the window ends the lock.
    QTest::keyClick(child<QLineEdit>(lockWindow(), "txtPassword"), Qt::Key_Escape);
    lockWindow()->close();
    EXPECT_TRUE(lockWindow()->isVisible());

    // Another account's password, a letter-case slip and nothing at all: three failures.
    for (const QString& wrong : {u"admin"_s, u"ann9pw"_s, QString()}) {
        typePassword(wrong);
        EXPECT_TRUE(lock()->isLocked()) << qPrintable(wrong);
    }
    EXPECT_EQ(lockWindow()->failures(), 3);
    EXPECT_TRUE(lockWindow()->waiting());
    EXPECT_FALSE(child<QPushButton>(lockWindow(), "cmdUnlock")->isEnabled());
    EXPECT_EQ(child<QLabel>(lockWindow(), "lblAttempts")->text(),
              u"That is not the password. Failed attempts: 3.\nPlease wait before trying again."_s);
    EXPECT_TRUE(child<QLineEdit>(lockWindow(), "txtPassword")->hasFocus());
    // While it waits, even the right password is not taken.
    child<QLineEdit>(lockWindow(), "txtPassword")->setText(u"Ann9pw"_s);
    lockWindow()->tryUnlock();
    EXPECT_TRUE(lock()->isLocked());
    EXPECT_EQ(child<QTimer>(lockWindow(), "unlockWait")->interval(), 1000);

    lockWindow()->endWait();
    typePassword(u"wrong"_s);
    EXPECT_EQ(child<QTimer>(lockWindow(), "unlockWait")->interval(), 2000);
    lockWindow()->endWait();
    child<QLineEdit>(lockWindow(), "txtPassword")->setText(u"Ann9pw"_s);
    QTest::mouseClick(child<QPushButton>(lockWindow(), "cmdUnlock"), Qt::LeftButton);
    EXPECT_FALSE(lock()->isLocked());

    // The next lock counts afresh.
    trigger(main, "mnuLock");
    EXPECT_EQ(lockWindow()->failures(), 0);
    EXPECT_TRUE(child<QPushButton>(lockWindow(), "cmdUnlock")->isEnabled());
    EXPECT_TRUE(child<QLabel>(lockWindow(), "lblAttempts")->isHidden());
}

TEST_F(IdleLockTest, LogInAsSomeoneElseLeavesNothingOfTheFirstUser) {
    const int carla = env.addUser(u"carla"_s, u"Secret9"_s, u"Carla"_s);
    ASSERT_TRUE(logInAs(u"ann"_s, u"Ann9pw"_s));
    QTest::keyClicks(diaryBox(), u"Ann's secret"_s);
    trigger(main, "mnu_changepw");
    trigger(main, "mnuFind");
    showReport(env.platform, DataEnvironment::instance().DataDiaryReport());
    trigger(main, "mnuLock");
    bool heard = false;
    QObject::connect(lock(), &IdleLock::aboutToSwitchUser, lock(), [&] { heard = true; });

    QTest::mouseClick(child<QPushButton>(lockWindow(), "cmdSwitchUser"), Qt::LeftButton);
    discardClosedWindows();
    EXPECT_TRUE(heard);
    EXPECT_FALSE(lock()->isLocked());
    EXPECT_EQ(workspace(), nullptr);
    ASSERT_NE(visibleWindow<frmLogin>(), nullptr);
    EXPECT_TRUE(main->isVisible());
    const QString screen = textOnScreen();
    EXPECT_FALSE(screen.contains(u"Ann"_s)) << qPrintable(screen);
    EXPECT_FALSE(screen.contains(u"secret"_s)) << qPrintable(screen);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<frmChangePW*>(window), nullptr);
        EXPECT_EQ(qobject_cast<frmFind*>(window), nullptr);
        EXPECT_FALSE(qobject_cast<ReportPreview*>(window) && window->isVisible());
    }

    ASSERT_EQ(logIn(u"carla"_s, u"Secret9"_s), main);
    EXPECT_EQ(env.session.CurrentUser().user_num.toInt(), carla);
    EXPECT_TRUE(diaryBox()->toPlainText().isEmpty());
    trigger(main, "mnuLock");
    EXPECT_EQ(child<QLabel>(lockWindow(), "lblLocked")->text(), u"Locked: Carla (carla)"_s);
    typePassword(u"Ann9pw"_s);
    EXPECT_TRUE(lock()->isLocked());
}

// A question open when the lock comes waits behind it, unanswered.
TEST_F(IdleLockTest, AQuestionOpenBehindTheLockIsNeitherAnsweredNorShown) {
    ASSERT_TRUE(logInAs(u"ann"_s, u"Ann9pw"_s));
    QMessageBox question(QMessageBox::Question, u"Are you sure?"_s, u"Ann's question"_s,
                         QMessageBox::Yes | QMessageBox::No, main);
    QTimer::singleShot(0, main, [&] {
        lock()->lock();
        EXPECT_FALSE(question.isVisible());
        EXPECT_EQ(shownWindows(), QList<QWidget*>{lockWindow()});
        typePassword(u"Ann9pw"_s);
        EXPECT_TRUE(question.isVisible());
        question.button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(question.exec(), QMessageBox::Yes);

    // Log in as someone else: the question is closed as cancelled before the session ends.
    QPointer<frmTags> tags = workspace();
    QTimer::singleShot(0, main, [&] {
        lock()->lock();
        QTest::mouseClick(child<QPushButton>(lockWindow(), "cmdSwitchUser"), Qt::LeftButton);
        EXPECT_FALSE(tags.isNull());
    });
    EXPECT_EQ(question.exec(), QMessageBox::No);
    QCoreApplication::processEvents();
    discardClosedWindows();
    EXPECT_TRUE(tags.isNull());
    EXPECT_NE(visibleWindow<frmLogin>(), nullptr);
}

class LockOptions : public IdleLockTest {
protected:
    frmOptions* openOptions(const char* item) {
        trigger(main, item);
        return visibleWindow<frmOptions>();
    }
    QString stored(qint64 user) {
        const auto value = OptionStore(env.session.database()).value(user, kLockDelayOption);
        EXPECT_TRUE(value.ok());
        return value ? value.value().value_or(u"(none)"_s) : QString();
    }
    static void ok(frmOptions* options) {
        QTest::mouseClick(child<QPushButton>(options, "cmdOk"), Qt::LeftButton);
        discardClosedWindows();
    }
};

TEST_F(LockOptions, TheAdministratorsDelayIsEveryonesAndAUserMayOnlyShortenIt) {
    ASSERT_TRUE(logInAs(u"admin"_s, u"admin"_s));
    frmOptions* options = openOptions("mnuOptions");
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(child<QGroupBox>(options, "fraEveryone")->isEnabled());
    EXPECT_TRUE(child<QCheckBox>(options, "chkLockEveryone")->isChecked());
    EXPECT_EQ(child<QSpinBox>(options, "spnEveryone")->value(), 10);
    child<QSpinBox>(options, "spnEveryone")->setValue(15);
    ok(options);
    EXPECT_EQ(visibleWindow<frmOptions>(), nullptr);
    EXPECT_EQ(stored(OptionStore::kEveryone), u"15"_s);
    EXPECT_EQ(stored(kAdministratorNumber), u"(none)"_s);
    EXPECT_EQ(lock()->delay(), 15min);

    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    trigger(main, "mnuLogin");
    ASSERT_EQ(logInAs(u"ann"_s, u"Ann9pw"_s), main);
    EXPECT_EQ(lock()->delay(), 15min);
    options = openOptions("mnuMyOptions");
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(child<QGroupBox>(options, "fraEveryone")->isEnabled());
    EXPECT_EQ(child<QLabel>(options, "lblOwnLimit")->text(),
              u"At most the delay for everyone: 15 minutes."_s);
    child<QCheckBox>(options, "chkOwn")->setChecked(true);
    auto* own = child<QSpinBox>(options, "spnOwn");
    own->setValue(30);
    EXPECT_EQ(own->value(), 15);
    own->setValue(5);
    ok(options);
    EXPECT_EQ(stored(ann), u"5"_s);
    EXPECT_EQ(stored(OptionStore::kEveryone), u"15"_s);
    EXPECT_EQ(lock()->delay(), 5min);
    QTest::mouseMove(main, QPoint(10, 10));
    at(4min + 59s);
    lock()->tick();
    EXPECT_FALSE(lock()->isLocked());
    at(5min);
    lock()->tick();
    EXPECT_TRUE(lock()->isLocked());
}

TEST_F(LockOptions, AUsersDelayLongerThanEveryonesShortenedMeanwhileIsRefused) {
    ASSERT_TRUE(logInAs(u"ann"_s, u"Ann9pw"_s));
    frmOptions* options = openOptions("mnuMyOptions");
    ASSERT_NE(options, nullptr);
    child<QCheckBox>(options, "chkOwn")->setChecked(true);
    child<QSpinBox>(options, "spnOwn")->setValue(8);
    // The administrator, at another computer.
    ASSERT_TRUE(LockSettings(env.session.database()).setEveryone(3).ok());
    const int asked = env.prompter.count();
    ok(options);
    ASSERT_EQ(env.prompter.count(), asked + 1);
    EXPECT_EQ(env.prompter.last().text,
              u"Your delay cannot be longer than the one for everyone (3 minutes)."_s);
    EXPECT_EQ(env.prompter.last().title, u"Options"_s);
    EXPECT_EQ(stored(ann), u"(none)"_s);
    EXPECT_TRUE(options->isVisible());
    EXPECT_EQ(child<QSpinBox>(options, "spnOwn")->maximum(), 3);
}

TEST_F(LockOptions, TheAdministratorTurnsTheLockOffForEveryone) {
    ASSERT_TRUE(logInAs(u"admin"_s, u"admin"_s));
    frmOptions* options = openOptions("mnuOptions");
    child<QCheckBox>(options, "chkLockEveryone")->setChecked(false);
    EXPECT_FALSE(child<QSpinBox>(options, "spnEveryone")->isEnabled());
    ok(options);
    EXPECT_EQ(stored(OptionStore::kEveryone), u"0"_s);
    at(30h);
    lock()->tick();
    EXPECT_FALSE(lock()->isLocked());
    // The Lock command still locks.
    trigger(main, "mnuLock");
    EXPECT_TRUE(lock()->isLocked());
}

}  // namespace
}  // namespace vemora::test
