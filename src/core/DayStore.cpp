#include "core/DayStore.h"

#include "core/Database.h"
#include "core/Transaction.h"
#include "data/Encoding.h"

#include <algorithm>

namespace vemora {

namespace {

bool blank(const QString& text) {
    return trimBlanks(text).isEmpty();
}

// A missing text is stored, and compared, as empty text: a null string would bind as NULL,
// which equals nothing.
QString orEmpty(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

}  // namespace

const DayBook& DayBook::diary() {
    static const DayBook book{QStringLiteral("diary_tbl"),
                              QStringLiteral("diary_date"),
                              {QStringLiteral("diary_message")},
                              true};
    return book;
}

const DayBook& DayBook::planner() {
    static const DayBook book{
        QStringLiteral("planner_tbl"),
        QStringLiteral("planner_date"),
        {QStringLiteral("time_am"), QStringLiteral("time_pm"), QStringLiteral("planner_msg")},
        false};
    return book;
}

Statement DayStore::selection(const DayBook& book, qint64 user, QDate day) {
    return Statement(QStringLiteral("SELECT * FROM %1 WHERE user_num = ").arg(book.table))
        .number(user)
        .sql(QStringLiteral(" AND %1 = ").arg(book.dateColumn))
        .date(day);
}

Statement& DayStore::whereDay(Statement& statement, qint64 user, QDate day) const {
    return statement.sql(u" WHERE user_num = ")
        .number(user)
        .sql(QStringLiteral(" AND %1 = ").arg(m_book.dateColumn))
        .date(day);
}

QString DayStore::columns() const {
    return QStringLiteral("user_num, ") + m_book.dateColumn + QStringLiteral(", ") +
           m_book.columns.join(QStringLiteral(", "));
}

Result<std::optional<QStringList>> DayStore::load(qint64 user, QDate day) {
    Statement select(QStringLiteral("SELECT %1 FROM %2").arg(columns(), m_book.table));
    const Result<int> found = m_database.execute(whereDay(select, user, day));
    if (!found) return found.error();
    const Recordset& row = m_database.DbRecordset();
    if (row.eof()) return std::optional<QStringList>();
    QStringList texts;
    for (const QString& column : m_book.columns) texts.append(row.text(column));
    return std::optional<QStringList>(texts);
}

Result<QList<QDate>> DayStore::daysWithEntries(qint64 user, QDate first, QDate last) {
    Statement days(QStringLiteral("SELECT %1 FROM %2").arg(m_book.dateColumn, m_book.table));
    days.sql(u" WHERE user_num = ")
        .number(user)
        .sql(QStringLiteral(" AND %1 BETWEEN ").arg(m_book.dateColumn))
        .date(first)
        .sql(u" AND ")
        .date(last);
    Recordset rows;
    if (const Status read = rows.open(days, m_database.DbConnection()); !read) return read.error();
    QList<QDate> found;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) found.append(rows.date(m_book.dateColumn));
    return found;
}

Result<bool> DayStore::holds(qint64 user, QDate day, const QStringList& texts) {
    const Result<std::optional<QStringList>> stored = load(user, day);
    if (!stored) return stored.error();
    if (!stored.value()) return false;
    for (int i = 0; i < m_book.columns.size(); ++i)
        if (stored.value()->value(i) != ReplaceApostrophes(orEmpty(texts.value(i)))) return false;
    return true;
}

// A change whose connection was lost is made again, or found made (see Database::change).
Result<Change> DayStore::add(qint64 user, QDate day, const QStringList& texts) {
    if (const Change refused = checkComplete(texts); !refused.done()) return refused;
    const auto once = [&]() -> Result<Change> {
        Transaction transaction(m_database);
        if (!transaction.begun()) return transaction.begun().error();
        const Result<std::optional<QStringList>> stored = load(user, day);
        if (!stored) return stored.error();
        if (stored.value()) return Change{Refusal::Taken};

        Statement insert(QStringLiteral("INSERT INTO %1(%2) VALUES(").arg(m_book.table, columns()));
        insert.number(user).sql(u",").date(day);
        for (const QString& text : texts) insert.sql(u", ").escapedText(orEmpty(text));
        const Result<int> added = m_database.execute(insert.sql(u")"));
        if (!added) return added.error();
        if (const Status committed = transaction.commit(); !committed) return committed.error();
        return Change{};
    };
    return m_database.change(once, [&] { return holds(user, day, texts); });
}

bool DayStore::nothingToEdit(const QStringList& loaded, const QStringList& texts) const {
    if (m_book.nothingToEditOnAnyBlank) {
        return std::any_of(loaded.begin(), loaded.end(), blank) ||
               std::any_of(texts.begin(), texts.end(), blank);
    }
    return std::all_of(loaded.begin(), loaded.end(), blank);
}

Result<Change> DayStore::save(qint64 user, QDate day, const QStringList& loaded,
                              const QStringList& texts) {
    if (nothingToEdit(loaded, texts)) return Change{Refusal::Incomplete};
    if (const Change refused = checkStorable(texts); !refused.done()) return refused;
    Statement update(QStringLiteral("UPDATE %1 SET ").arg(m_book.table));
    for (int i = 0; i < m_book.columns.size(); ++i) {
        update
            .sql((i == 0 ? QString() : QStringLiteral(", ")) + m_book.columns.at(i) +
                 QLatin1Char('='))
            .escapedText(orEmpty(texts.value(i)));
    }
    whereDay(update, user, day);
    // The texts as loaded, untrimmed and letter for letter.
    for (int i = 0; i < m_book.columns.size(); ++i)
        update.sql(u" AND ").exactEquals(
            QStringLiteral("COALESCE(%1, '')").arg(m_book.columns.at(i)), orEmpty(loaded.value(i)));
    // In a transaction of its own, so that a connection lost before the COMMIT is known to have
    // changed nothing.
    const auto once = [&]() -> Result<Change> {
        Transaction transaction(m_database);
        if (!transaction.begun()) return transaction.begun().error();
        const Result<int> changed = m_database.execute(update);
        if (!changed) return changed.error();
        if (changed.value() == 0) return Change{Refusal::Gone};
        if (const Status committed = transaction.commit(); !committed) return committed.error();
        return Change{};
    };
    return m_database.change(once, [&] { return holds(user, day, texts); });
}

}  // namespace vemora
