#pragma once

#include "data/Encoding.h"
#include "data/Statement.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace vemora::test {

inline QString operator""_q(const char* text, size_t) {
    return QString::fromUtf8(text);
}

inline const QString kApostropheAlert =
    "Please do not use ' character, their's a conflict in JET Engine used in this project!"_q;
inline const QString kPasswordRefused =
    "The password has a character that can not be stored! Please use another password."_q;

// Drives one account window by object name over a fresh database.
template <class Form>
class AccountsFixture : public ::testing::Test {
protected:
    void TearDown() override { delete form; }

    void open() {
        form = new Form(env.platform);
        form->show();
    }
    // Lets a window that closed itself go, as the event loop would.
    void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    template <class W = QLineEdit>
    W* get(const char* name) {
        W* widget = form->template findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString text(const char* box) { return get(box)->text(); }
    void put(const char* box, const QString& text) { get(box)->setText(text); }
    void click(const char* button) {
        QTest::mouseClick(get<QAbstractButton>(button), Qt::LeftButton);
    }
    bool enabled(const char* button) { return get<QAbstractButton>(button)->isEnabled(); }

    // The focus is in the box and its whole text is selected.
    void expectSelected(const char* box) {
        EXPECT_EQ(form->focusWidget(), get(box)) << box;
        EXPECT_EQ(get(box)->selectedText(), text(box)) << box;
    }
    void expectShown(const QString& text, const QString& title, int style = vbInformation) {
        ASSERT_GT(env.prompter.count(), 0);
        EXPECT_EQ(env.prompter.last().text, text);
        EXPECT_EQ(env.prompter.last().title, title);
        EXPECT_EQ(env.prompter.last().style, style);
    }

    Recordset account(int userNum) {
        return env.query(Statement("SELECT user_name, user_password, name FROM users WHERE "
                                   "user_num = ")
                             .number(userNum));
    }
    // Whether the log-in query finds the account with this typed password.
    bool logsIn(const QString& userName, const QString& password) {
        return !env.query(Statement("SELECT user_num FROM users WHERE user_name = ")
                              .text(userName)
                              .sql(" AND user_password = ")
                              .text(*EncodePassword(password)))
                    .eof();
    }

    TestPlatform env;
    QPointer<Form> form;
};

}  // namespace vemora::test
