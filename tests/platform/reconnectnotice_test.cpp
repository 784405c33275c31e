// The organizer's notice while a lost server connection is made again.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "platform/ReconnectNotice.h"

namespace vemora::test {
namespace {

using namespace std::chrono_literals;
using Answer = ReconnectWatcher::Answer;

QMessageBox* shownNotice(const QString& name = QStringLiteral("reconnectNotice")) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == name && widget->isVisible())
            return qobject_cast<QMessageBox*>(widget);
    return nullptr;
}

TEST(ReconnectNotice, ShowsAfterAFewSecondsAndAnswersRetryOrCancel) {
    ReconnectNotice notice;
    EXPECT_EQ(notice.waiting(QStringLiteral("db.home"), 500ms), Answer::Wait);
    EXPECT_EQ(shownNotice(), nullptr);

    EXPECT_EQ(notice.waiting(QStringLiteral("db.home"), ReconnectNotice::kShownAfter),
              Answer::Wait);
    QMessageBox* box = shownNotice();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), u"Reconnecting to db.home...");
    EXPECT_TRUE(box->isModal());
    box->button(QMessageBox::Retry)->click();
    EXPECT_EQ(notice.waiting(QStringLiteral("db.home"), 4s), Answer::Retry);

    // Still waiting after Retry: the notice is back, and Cancel gives up.
    EXPECT_EQ(notice.waiting(QStringLiteral("db.home"), 5s), Answer::Wait);
    box = shownNotice();
    ASSERT_NE(box, nullptr);
    box->button(QMessageBox::Cancel)->click();
    EXPECT_EQ(notice.waiting(QStringLiteral("db.home"), 6s), Answer::Cancel);
    EXPECT_EQ(shownNotice(), nullptr);

    // Connected again: nothing stays on screen.
    EXPECT_EQ(notice.waiting(QStringLiteral("db.home"), 7s), Answer::Wait);
    notice.ended();
    EXPECT_EQ(shownNotice(), nullptr);
}

TEST(AnswerNotice, TellsWhoIsAwaitedAndStaysUntilTheWorkEndsAfterCancel) {
    AnswerNotice notice;
    EXPECT_TRUE(notice.waiting(QStringLiteral("db.home"), 1s));
    QMessageBox* box = shownNotice(QStringLiteral("answerNotice"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), u"Waiting for db.home to answer...");
    EXPECT_TRUE(box->isModal());
    QAbstractButton* cancel = box->button(QMessageBox::Cancel);
    ASSERT_NE(cancel, nullptr);
    cancel->click();

    // Stopped, but the cut connection's work has not ended yet: the box stays, Cancel spent.
    EXPECT_FALSE(notice.waiting(QStringLiteral("db.home"), 2s));
    EXPECT_EQ(shownNotice(QStringLiteral("answerNotice")), box);
    EXPECT_FALSE(cancel->isEnabled());
    notice.ended();
    EXPECT_EQ(shownNotice(QStringLiteral("answerNotice")), nullptr);

    // The next late answer asks anew.
    EXPECT_TRUE(notice.waiting(QStringLiteral("db.home"), 1s));
    notice.ended();
}

}  // namespace
}  // namespace vemora::test
