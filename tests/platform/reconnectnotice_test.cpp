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

QMessageBox* shownNotice() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == u"reconnectNotice" && widget->isVisible())
            return qobject_cast<QMessageBox*>(widget);
    return nullptr;
}

TEST(ReconnectNotice, ShowsAfterAFewSecondsAndAnswersRetryOrCancel) {
    ReconnectNotice notice;
    EXPECT_EQ(notice.waiting(QStringLiteral("db.home"), 1s), Answer::Wait);
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

}  // namespace
}  // namespace vemora::test
