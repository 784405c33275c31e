#pragma once

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/Statement.h"
#include "support/TestPlatform.h"
#include "tools/mod_Tools.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QWidget>

#include <gtest/gtest.h>

namespace vemora::test {

// The tool's module over a freshly delivered database, with scripted seams; endProgram counts
// the ends of the run.
class ToolsFixture : public ::testing::Test {
protected:
    QString working() const { return tp.database.path(); }
    QString inFolder(const QString& name) const {
        return tp.database.directory() + QLatin1Char('/') + name;
    }

    static QByteArray bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Diary days for the administrator, each with a text of the given length, then every
    // other day removed again, so that the file holds free pages to compact away.
    void addDiaryDays(int days, int textLength, QDate from = QDate(2001, 1, 1)) {
        Connection c;
        c.setConnectionString(module.ConnectionString());
        ASSERT_TRUE(c.open().ok());
        ASSERT_TRUE(c.execute(Statement("BEGIN")).ok());
        for (int day = 0; day < days; ++day) {
            ASSERT_TRUE(c.execute(Statement("INSERT INTO diary_tbl (user_num, diary_date, "
                                            "diary_message) VALUES (1, ")
                                      .date(from.addDays(day))
                                      .sql(", ")
                                      .text(QString(textLength, QLatin1Char('a' + day % 26)))
                                      .sql(")"))
                            .ok());
        }
        ASSERT_TRUE(c.execute(Statement("DELETE FROM diary_tbl WHERE rowid % 2 = 0")).ok());
        ASSERT_TRUE(c.execute(Statement("COMMIT")).ok());
    }

    // The working database opens with the programs' connection string and holds the rows.
    void expectWorkingDatabaseWith(int diaryRows) {
        Connection c;
        c.setConnectionString(module.ConnectionString());
        ASSERT_TRUE(c.open().ok());
        auto check = c.execute(Statement("PRAGMA integrity_check"));
        ASSERT_TRUE(check.ok());
        EXPECT_EQ(check.value().row(0).first().toString(), QStringLiteral("ok"));
        c.close();
        EXPECT_EQ(tp.count(QStringLiteral("diary_tbl")), diaryRows);
        EXPECT_EQ(tp.count(QStringLiteral("users")), 1);
        EXPECT_FALSE(QFile::exists(working() + QStringLiteral("-journal")));
    }

    TestPlatform tp;
    mod_Tools module{tp.database.directory(), tp.prompter};
    int ended = 0;
    ToolsPlatform platform{module, tp.prompter, tp.files, [this] { ++ended; }};
};

// The visible top-level window of that name, if any.
inline QWidget* topLevel(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible()) return w;
    return nullptr;
}

}  // namespace vemora::test
