#include "DataGenerator.h"

#include "core/ContactStore.h"
#include "core/WordStore.h"
#include "data/SqliteEngine.h"

#include <QDate>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace vemora::bench {

namespace {

// A small deterministic generator: the same sizes always give the same file.
class Texts {
public:
    quint32 next() {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    QString letters(int count) {
        QString s(count, Qt::Uninitialized);
        for (QChar& c : s) c = QChar(u'a' + next() % 26);
        return s;
    }
    // Words of a sentence, about `length` characters.
    QString sentence(int length) {
        QString s;
        while (s.size() < length) s += letters(2 + int(next() % 8)) + QLatin1Char(' ');
        return s.trimmed();
    }
    // A text unique to `index`, led by letters so that prefixes spread like real names; one in
    // five begins with a capital.
    QString uniqueName(int index) {
        QString s = letters(3 + int(next() % 5));
        for (int i = index;; i /= 26) {
            s += QChar(u'a' + i % 26);
            if (i < 26) break;
        }
        if (next() % 5 == 0) s[0] = s[0].toUpper();
        return s;
    }

private:
    quint32 m_state = 12345;
};

Status check(QSqlQuery& query, bool ok) {
    if (ok) return {};
    return DbError{kErrOther, query.lastError().text()};
}

Status insertAll(QSqlQuery& q, const QString& sql, int count,
                 const std::function<QVariantList(int)>& row) {
    if (!q.prepare(sql)) return check(q, false);
    for (int i = 0; i < count; ++i) {
        const QVariantList values = row(i);
        for (int v = 0; v < values.size(); ++v) q.bindValue(v, values.at(v));
        if (!q.exec()) return check(q, false);
    }
    return {};
}

Status fill(QSqlDatabase& db, const DataSizes& sizes) {
    QSqlQuery q(db);
    Texts t;
    if (Status s = check(q, q.exec(QStringLiteral("PRAGMA journal_mode = OFF"))); !s) return s;
    if (Status s = check(q, q.exec(QStringLiteral("BEGIN"))); !s) return s;
    Status status = insertAll(
        q, QStringLiteral("INSERT INTO addressbook_tbl VALUES (1, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        sizes.contacts, [&](int i) -> QVariantList {
            return {t.uniqueName(i),
                    t.letters(1).toUpper(),
                    t.uniqueName(i * 7 + 3),
                    (i % 2) ? QStringLiteral("M") : QStringLiteral("F"),
                    t.sentence(40),
                    QString::number(t.next() % 10'000'000),
                    QString::number(t.next()),
                    QString::number(t.next() % 10'000'000),
                    t.letters(8) + QStringLiteral("@example.org")};
        });
    if (status)
        status = insertAll(q, QStringLiteral("INSERT INTO dictionary_tbl VALUES (1, ?, ?)"),
                           sizes.words, [&](int i) -> QVariantList {
                               return {t.uniqueName(i), t.sentence(100)};
                           });
    const QDate first(2016, 1, 1);
    const int days = int(first.daysTo(first.addYears(sizes.years)));
    if (status)
        status = insertAll(q, QStringLiteral("INSERT INTO diary_tbl VALUES (1, ?, ?)"), days,
                           [&](int i) -> QVariantList {
                               return {isoDate(first.addDays(i)), t.sentence(300)};
                           });
    if (status)
        status = insertAll(
            q, QStringLiteral("INSERT INTO planner_tbl VALUES (1, ?, ?, ?, ?)"), days,
            [&](int i) -> QVariantList {
                return {isoDate(first.addDays(i)), t.sentence(30), t.sentence(30), t.sentence(120)};
            });
    if (status) status = check(q, q.exec(QStringLiteral("COMMIT")));
    q.finish();
    return status;
}

}  // namespace

Status generateDatabase(const QString& directory, const DataSizes& sizes) {
    const QString path = QDir(directory).filePath(QStringLiteral("journey.mdb"));
    if (Status made = SqliteEngine::createDatabase(path); !made) return made;
    const QString name = QStringLiteral("vemora-bench-generator");
    Status status;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(SqliteEngine::driver(), name);
        db.setDatabaseName(path);
        status = db.open() ? fill(db, sizes) : DbError{kErrGeneral, db.lastError().text()};
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return status;
}

QStringList workspaceQueries(bool searchList) {
    QStringList queries{ContactStore::listing(1).rendering(), WordStore::listing().query(),
                        QStringLiteral("SELECT * FROM diary_tbl WHERE user_num = 1"),
                        QStringLiteral("SELECT * FROM planner_tbl WHERE user_num = 1")};
    if (searchList)
        queries.insert(2,
                       QStringLiteral("SELECT dict_name FROM dictionary_tbl Order By dict_name"));
    return queries;
}

}  // namespace vemora::bench
