#include "core/SearchStore.h"

#include "core/Database.h"
#include "data/Statement.h"

#include <tuple>

namespace vemora {

namespace {

// The search's values, named once for the statement: its query in each engine's syntax and
// the user. On the file, a document's key is user * 10^9 + YYYYMMDD * 10 + place.
Statement searchValues(qint64 user, const SearchTerms& terms) {
    return Statement()
        .sql(u"WITH p AS (SELECT ",
             u"WITH p AS NOT MATERIALIZED (SELECT to_tsquery('simple', CAST(")
        .value(terms.fileQuery(), terms.serverQuery())
        .sql(u" AS query, ", u" AS text)) AS query, CAST(")
        .number(user)
        .sql(u" AS owner)", u" AS integer) AS owner)");
}

constexpr QLatin1StringView kFileMatches(
    " FROM p, search_fts WHERE search_fts MATCH p.query AND search_fts.rowid BETWEEN "
    "p.owner * 1000000000 AND p.owner * 1000000000 + 999999999");

// The server's texts that hold the query, as (day, place, body); when `each` is given, each
// place's rows up to that many: its newest, or any when `newest` is false.
QString serverHits(int each = 0, bool newest = true) {
    const QString limit = each <= 0 ? QString()
                          : newest  ? QStringLiteral(" ORDER BY 1 DESC LIMIT %1").arg(each)
                                    : QStringLiteral(" LIMIT %1").arg(each);
    QStringList branches;
    for (const auto& [table, date, column, place] :
         {std::tuple{"diary_tbl", "diary_date", "diary_message", 3},
          std::tuple{"planner_tbl", "planner_date", "time_am", 2},
          std::tuple{"planner_tbl", "planner_date", "time_pm", 1},
          std::tuple{"planner_tbl", "planner_date", "planner_msg", 0}})
        branches.append(
            QStringLiteral("(SELECT %1 AS day, %2 AS place, %3 AS body FROM %4, p "
                           "WHERE user_num = p.owner AND search_words(%3) @@ p.query%5)")
                .arg(QLatin1String(date))
                .arg(place)
                .arg(QLatin1String(column), QLatin1String(table), limit));
    return QStringLiteral(", hits AS (") + branches.join(QLatin1String(" UNION ALL ")) +
           QLatin1Char(')');
}

}  // namespace

Result<QList<SearchHit>> SearchStore::find(qint64 user, const SearchTerms& terms, SearchOrder order,
                                           int limit, int offset) {
    if (terms.isEmpty() || limit <= 0) return QList<SearchHit>();
    offset = std::max(offset, 0);
    const bool newest = order == SearchOrder::Newest;
    const QString page = QStringLiteral(" LIMIT %1 OFFSET %2").arg(limit).arg(offset);
    // Newest first reads the index in key order and stops at the page; only the best match
    // first ranks every text found.
    Statement statement = searchValues(user, terms);
    statement.sql(
        QString(u", hits AS (SELECT search_fts.rowid AS key, "_qs +
                (newest ? u"0"_qs : u"rank"_qs) + u" AS r"_qs + kFileMatches + u" ORDER BY "_qs +
                (newest ? u"search_fts.rowid DESC"_qs : u"rank"_qs) + page +
                u"), found AS (SELECT key, r, key % 10 AS place, printf('%04d-%02d-%02d', "
                u"key % 1000000000 / 100000, key / 1000 % 100, key / 10 % 100) AS day "
                u"FROM hits) SELECT found.day, found.place, CASE found.place WHEN 3 THEN "
                u"d.diary_message WHEN 2 THEN l.time_am WHEN 1 THEN l.time_pm ELSE "
                u"l.planner_msg END FROM found CROSS JOIN p LEFT JOIN diary_tbl d ON "
                u"found.place = 3 AND d.user_num = p.owner AND d.diary_date = found.day "
                u"LEFT JOIN planner_tbl l ON found.place < 3 AND l.user_num = p.owner AND "
                u"l.planner_date = found.day ORDER BY "_qs +
                (newest ? u"found.key DESC"_qs : u"found.r, found.key DESC"_qs)),
        QString(serverHits(newest ? offset + limit : 0) +
                u" SELECT hits.day, hits.place, hits.body FROM hits, p ORDER BY "_qs +
                (newest ? u"hits.day DESC, hits.place DESC"_qs
                        : u"ts_rank(search_words(hits.body), p.query) DESC, hits.day "
                          u"DESC, hits.place DESC"_qs) +
                page));
    return hits(statement);
}

Result<qint64> SearchStore::count(qint64 user, const SearchTerms& terms, qint64 upTo) {
    if (terms.isEmpty()) return qint64(0);
    const QString cap = QStringLiteral(" LIMIT %1) t").arg(upTo);
    Statement statement = searchValues(user, terms);
    statement.sql(QString(u" SELECT count(*) FROM (SELECT 1"_qs + kFileMatches + cap),
                  QString(serverHits(int(upTo), false) +
                          u" SELECT count(*) FROM (SELECT 1 FROM hits"_qs + cap));
    const Result<int> done = m_database.execute(statement);
    if (!done) return done.error();
    return m_database.DbRecordset().value(0, 0).toLongLong();
}

Result<QList<SearchHit>> SearchStore::onThisDay(qint64 user, QDate day) {
    const Result<int> earliest = m_database.execute(
        Statement("SELECT min(first) FROM (SELECT min(diary_date) AS first FROM diary_tbl WHERE "
                  "user_num = ")
            .number(user)
            .sql(u" UNION ALL SELECT min(planner_date) FROM planner_tbl WHERE user_num = ")
            .number(user)
            .sql(u") t"));
    if (!earliest) return earliest.error();
    const QDate first =
        QDate::fromString(m_database.DbRecordset().value(0, 0).toString().left(10), Qt::ISODate);
    QList<QDate> days;
    if (first.isValid())
        for (int year = day.year() - 1; year >= first.year(); --year)
            if (const QDate then(year, day.month(), day.day()); then.isValid()) days.append(then);
    if (days.isEmpty()) return QList<SearchHit>();

    const auto among = [&](Statement& statement, QLatin1StringView column) {
        statement.sql(u" WHERE user_num = ").number(user);
        statement.sql(QString(u" AND "_qs + column + u" IN ("_qs));
        for (qsizetype i = 0; i < days.size(); ++i) {
            if (i > 0) statement.sql(u", ");
            statement.date(days[i]);
        }
        statement.sql(u")");
    };
    Statement statement(
        "SELECT day, place, body FROM (SELECT diary_date AS day, 3 AS place, diary_message AS "
        "body FROM diary_tbl");
    among(statement, QLatin1StringView("diary_date"));
    const char16_t* const plans[] = {u" UNION ALL SELECT planner_date, 2, time_am FROM planner_tbl",
                                     u" UNION ALL SELECT planner_date, 1, time_pm FROM planner_tbl",
                                     u" UNION ALL SELECT planner_date, 0, planner_msg FROM "
                                     u"planner_tbl"};
    for (const char16_t* plan : plans) {
        statement.sql(QStringView(plan));
        among(statement, QLatin1StringView("planner_date"));
    }
    statement.sql(u") t WHERE body <> '' ORDER BY day DESC, place DESC");
    return hits(statement);
}

Result<QList<SearchHit>> SearchStore::hits(const Statement& statement) {
    const Result<int> done = m_database.execute(statement);
    if (!done) return done.error();
    const Recordset& rows = m_database.DbRecordset();
    QList<SearchHit> found;
    found.reserve(rows.rowCount());
    for (int row = 0; row < rows.rowCount(); ++row)
        found.append({QDate::fromString(rows.value(row, 0).toString().left(10), Qt::ISODate),
                      SearchPlace(rows.value(row, 1).toInt()), rows.value(row, 2).toString()});
    return found;
}

}  // namespace vemora
