#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "shell/ShellWindows.h"
#include "shell/frmLogin.h"
#include "shell/frmMain.h"
#include "support/TestPlatform.h"

namespace vemora::test {

// The visible top-level window of that class, if any.
template <class W>
W* visibleWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<W*>(widget); window && window->isVisible()) return window;
    return nullptr;
}

template <class W>
W* child(const QObject* parent, const char* name) {
    W* found = parent->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Windows closed by the user are discarded on return to the event loop; tests return now.
inline void discardClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env.session.OpenDatabase()); }

    // Fills and submits the log-in dialog; the main window when the log-in succeeded.
    frmMain* logIn(const QString& userName, const QString& password) {
        frmLogin* login = windows.showLogin();
        child<QLineEdit>(login, "txtUserName")->setText(userName);
        child<QLineEdit>(login, "txtPassword")->setText(password);
        QTest::mouseClick(child<QPushButton>(login, "cmdOk"), Qt::LeftButton);
        discardClosedWindows();
        return visibleWindow<frmMain>();
    }

    static void trigger(const QObject* window, const char* item) {
        child<QAction>(window, item)->trigger();
    }

    TestPlatform env;
    ShellWindows windows{env.platform};
};

}  // namespace vemora::test
