#pragma once

#include "data/DbError.h"
#include "data/SearchText.h"

#include <QDate>
#include <QList>
#include <QString>

namespace vemora {

class Database;

// One text of a day that a search or "On this day" found.
struct SearchHit {
    QDate day;
    SearchPlace place;
    QString text;
};

enum class SearchOrder { Newest, Relevance };

// The full-text search over one user's diary and planner. Only the user's own texts are ever
// read; the index the database keeps answers, so a search costs no scan of the texts.
class SearchStore final {
public:
    explicit SearchStore(Database& database) : m_database(database) {}

    // Up to `limit` texts holding the terms, from the `offset`-th on: newest day first (a
    // day's diary before its plan), or best match first.
    Result<QList<SearchHit>> find(qint64 user, const SearchTerms& terms, SearchOrder order,
                                  int limit, int offset = 0);
    // How many texts hold the terms, counted up to `upTo`.
    Result<qint64> count(qint64 user, const SearchTerms& terms, qint64 upTo);
    // The texts of the same month and day as `day` in earlier years, newest first. A 29
    // February looks only at leap years.
    Result<QList<SearchHit>> onThisDay(qint64 user, QDate day);

private:
    Result<QList<SearchHit>> hits(const class Statement& statement);

    Database& m_database;
};

}  // namespace vemora
