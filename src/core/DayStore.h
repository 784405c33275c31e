#pragma once

#include "core/Change.h"
#include "data/DbError.h"
#include "data/Statement.h"

#include <QDate>
#include <QStringList>

#include <optional>

namespace vemora {

class Database;

// A table of one entry per user and day: the diary or the planner.
struct DayBook {
    QString table;
    QString dateColumn;
    QStringList columns;  // the entry's texts, in the order they are given
    // The diary has nothing to edit when its loaded or its typed text is blank; the planner
    // only when all of its loaded texts are.
    bool nothingToEditOnAnyBlank;

    static const DayBook& diary();
    static const DayBook& planner();
};

// The entries of one day book. New texts are stored as typed, apostrophes as backquotes; a
// save changes the entry only while it holds the loaded texts letter for letter.
class DayStore final {
public:
    DayStore(Database& database, const DayBook& book) : m_database(database), m_book(book) {}

    // The whole row of the user's entry of the day, for a report's own connection.
    static Statement selection(const DayBook& book, qint64 user, QDate day);

    // The texts of the user's entry of the day, or nothing when the day has none.
    Result<std::optional<QStringList>> load(qint64 user, QDate day);
    // The days from `first` to `last` that hold an entry, read apart from the shared
    // recordset (which may be half-way through a load).
    Result<QList<QDate>> daysWithEntries(qint64 user, QDate first, QDate last);
    // Incomplete when any text is blank, Unstorable, Taken when the day has an entry.
    Result<Change> add(qint64 user, QDate day, const QStringList& texts);
    // Rewrites the entry loaded with `loaded`. Incomplete when there is nothing to edit,
    // Unstorable, Gone when no entry of the day holds the loaded texts.
    Result<Change> save(qint64 user, QDate day, const QStringList& loaded,
                        const QStringList& texts);

private:
    Statement& whereDay(Statement& statement, qint64 user, QDate day) const;
    QString columns() const;
    bool nothingToEdit(const QStringList& loaded, const QStringList& texts) const;
    // Whether the day's entry holds the texts as add() and save() store them.
    Result<bool> holds(qint64 user, QDate day, const QStringList& texts);

    Database& m_database;
    const DayBook& m_book;
};

}  // namespace vemora
