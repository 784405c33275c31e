#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "platform/QtSeams.h"
#include "platform/Widgets.h"

#include <QTimer>

using namespace vemora;
using namespace Qt::StringLiterals;

namespace {

// A plain window with a box and two buttons, as the account windows are built.
struct Window {
    Window() {
        window->setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(box);
        layout->addWidget(ok);
        layout->addWidget(cancel);
        okClicks = std::make_unique<QSignalSpy>(ok, &QPushButton::clicked);
        cancelClicks = std::make_unique<QSignalSpy>(cancel, &QPushButton::clicked);
    }
    ~Window() { delete window; }
    void show() {
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window);
    }

    QPointer<QWidget> window = new QWidget;
    QLineEdit* box = new QLineEdit(window);
    QPushButton* ok = new QPushButton(QStringLiteral("&Ok"), window);
    QPushButton* cancel = new QPushButton(QStringLiteral("&Cancel"), window);
    std::unique_ptr<QSignalSpy> okClicks;
    std::unique_ptr<QSignalSpy> cancelClicks;
};

}  // namespace

TEST(WindowKeys, EnterPressesTheFocusedButtonOnly) {
    Window w;
    enterPressesButtons(w.window);
    w.show();
    w.cancel->setFocus();
    QTest::keyClick(w.cancel, Qt::Key_Return);
    QTest::keyClick(w.cancel, Qt::Key_Enter);
    EXPECT_EQ(w.cancelClicks->count(), 2);
    EXPECT_EQ(w.okClicks->count(), 0);
    // Enter in a box presses no button: no window but a dialog has a default one.
    QTest::keyClick(w.box, Qt::Key_Return);
    EXPECT_EQ(w.okClicks->count() + w.cancelClicks->count(), 2);
}

TEST(WindowKeys, WithoutTheHelperEnterDoesNothingInAPlainWindow) {
    Window w;
    w.show();
    QTest::keyClick(w.ok, Qt::Key_Return);
    EXPECT_EQ(w.okClicks->count(), 0);
    QTest::keyClick(w.ok, Qt::Key_Space);
    EXPECT_EQ(w.okClicks->count(), 1);
}

TEST(WindowKeys, EscapeClosesTheWindowFromAnyControl) {
    Window w;
    escapeCloses(w.window);
    w.show();
    w.box->setFocus();
    QTest::keyClick(w.box, Qt::Key_Escape);
    EXPECT_FALSE(w.window->isVisible());
}

TEST(WindowPlacement, AChildWindowOpensCentredOnItsParentsWindow) {
    QWidget parent;
    parent.setGeometry(100, 80, 600, 400);
    parent.show();
    auto* child = new QWidget(&parent, Qt::Window);
    child->resize(200, 100);
    centreOnParent(child);
    EXPECT_EQ(child->frameGeometry().center(), parent.frameGeometry().center());
}

// On a screen smaller than the window, as at a large scale, the window shrinks to the screen's
// free area as far as its layout lets it, and opens on the screen.
TEST(WindowPlacement, AWindowLargerThanTheScreenFitsIt) {
    QWidget parent;
    const QRect screen = parent.screen()->availableGeometry();
    parent.setGeometry(screen);
    parent.show();
    auto* child = new QWidget(&parent, Qt::Window);
    auto* box = new QLineEdit(child);
    (new QVBoxLayout(child))->addWidget(box);
    child->resize(screen.size() + QSize(200, 150));
    centreOnParent(child);
    EXPECT_LE(child->width(), screen.width());
    EXPECT_LE(child->height(), screen.height());
    EXPECT_TRUE(screen.contains(child->frameGeometry())) << child->x() << ',' << child->y();

    // Not below what it needs: it stays whole, its left edge on the screen.
    auto* wide = new QWidget(&parent, Qt::Window);
    wide->setMinimumWidth(screen.width() + 100);
    wide->resize(screen.width() + 300, 100);
    centreOnParent(wide);
    EXPECT_EQ(wide->width(), screen.width() + 100);
    EXPECT_EQ(wide->x(), screen.left());
}

TEST(WindowPlacement, ShowSingleCentresOnlyOnFirstShowAndAWindowWithoutParentOnTheScreen) {
    QPointer<QWidget> slot;
    QWidget* first = showSingle(slot, [] {
        auto* w = new QWidget;
        w->resize(300, 200);
        return w;
    });
    const QRect screen = first->screen()->availableGeometry();
    // Within the rounding of a frame's size.
    EXPECT_LE((first->frameGeometry().center() - screen.center()).manhattanLength(), 4);
    first->move(5, 5);
    showSingle(slot, [] { return new QWidget; });
    EXPECT_EQ(slot, first);
    EXPECT_EQ(first->pos(), QPoint(5, 5));
    delete first;
}

// Enter answers the box's default button: Yes unless the question asks for No.
TEST(MessageBoxes, EnterAnswersYesOrNoAsTheStyleChooses) {
    MessageBoxPrompter prompter;
    const auto pressEnter = [] {
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QTest::keyClick(box, Qt::Key_Return);
        });
    };
    pressEnter();
    EXPECT_EQ(prompter.show(u"Sure?"_s, u"Title"_s, vbQuestion | vbYesNo), Answer::Yes);
    pressEnter();
    EXPECT_EQ(prompter.show(u"Sure?"_s, u"Title"_s, vbQuestion | vbYesNo | vbDefaultButton2),
              Answer::No);
    pressEnter();
    EXPECT_EQ(prompter.show(u"Again?"_s, u"Title"_s, vbRetryCancel | vbDefaultButton2),
              Answer::Cancel);
}
