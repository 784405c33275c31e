#pragma once

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/Statement.h"
#include "support/TestPlatform.h"

#include <QDate>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace vemora::test {

// A freshly delivered database in a program directory of its own, and what the tests of its
// copies look at.
class BackupFixture : public ::testing::Test {
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
        tp.query(Statement("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i + 1 < ")
                     .number(days)
                     .sql(") INSERT INTO diary_tbl SELECT 1, date(")
                     .date(from)
                     .sql(", '+' || i || ' days'), printf('%.*c', ")
                     .number(textLength)
                     .sql(", 'a') FROM n"));
        tp.query(Statement("DELETE FROM diary_tbl WHERE rowid % 2 = 0"));
    }

    // The working database opens with the programs' connection string, is sound and holds
    // the rows.
    void expectWorkingDatabaseWith(int diaryRows) {
        EXPECT_EQ(tp.query(Statement("PRAGMA integrity_check")).row(0).first().toString(),
                  QStringLiteral("ok"));
        EXPECT_EQ(tp.count(QStringLiteral("diary_tbl")), diaryRows);
        EXPECT_FALSE(QFile::exists(working() + QStringLiteral("-journal")));
    }

    QString connectionString() const { return makeConnectionString(tp.database.directory()); }

    // Compaction and restore work on the file itself.
    TestPlatform tp{TempDatabase::Kind::File};
};

}  // namespace vemora::test
