#include "core/WordStore.h"

#include "core/Accounts.h"
#include "core/Database.h"
#include "core/RecordKeys.h"
#include "core/Transaction.h"
#include "data/Encoding.h"

namespace vemora {

namespace {

// Complete, storable and within the columns' lengths.
Change checkWord(const QString& word, const QString& description) {
    if (const Change refused = checkComplete({word, description}); !refused.done()) return refused;
    return checkFits({word, description}, std::span(kDictionaryColumns).subspan(1));
}

}  // namespace

Statement WordStore::listing() {
    return Statement("Select * FROM dictionary_tbl").caselessOrderBy(u"dict_name");
}

Statement WordStore::selection(const QString& word, const QString& description) {
    Statement statement("SELECT * FROM dictionary_tbl");
    return whereLoadedWord(statement, word, description);
}

// No two words are equal, so none comes before another of the same word.
DataControl::RowsChange WordStore::changedRows(const QStringList& words) {
    DataControl::RowsChange change{
        {}, Statement("SELECT *, 0 FROM dictionary_tbl WHERE"), QStringLiteral("dict_name")};
    for (const QString& word : words) {
        change.keys.append({{change.orderColumn}, {word}, false});
        change.stored.sql(change.keys.size() == 1 ? " " : " OR ")
            .caselessColumnEquals(u"dict_name", word);
    }
    if (words.isEmpty()) change.stored.falseCondition();
    return change;
}

QString WordStore::addedWord(const QString& typed) {
    return ReplaceApostrophes(typed);
}

QString WordStore::savedWord(const QString& typed) {
    return trimBlanks(typed);
}

Result<Recordset> WordStore::words() {
    const Result<int> ran = m_database.execute(
        Statement("SELECT dict_name FROM dictionary_tbl").caselessOrderBy(u"dict_name"));
    if (!ran) return ran.error();
    // The list is the copy kept.
    return std::exchange(m_database.DbRecordset(), Recordset());
}

Result<Change> WordStore::add(qint64 user, const QString& word, const QString& description) {
    if (const Change refused = checkWord(word, description); !refused.done()) return refused;
    return run(
        Statement("INSERT INTO dictionary_tbl(user_num, dict_name, dict_description) VALUES(")
            .number(user)
            .sql(", ")
            .escapedText(word)
            .sql(",")
            .escapedText(description)
            .sql(")"),
        [&] { return holds(ReplaceApostrophes(word), ReplaceApostrophes(description)); });
}

Result<Change> WordStore::save(qint64 user, const LoadedWord& loaded, const QString& word,
                               const QString& description) {
    if (const Change refused = checkWord(word, description); !refused.done()) return refused;
    if (loaded.owner != user && user != kAdministratorNumber) return Change{Refusal::NotOwner};
    Statement update("UPDATE dictionary_tbl SET dict_name=");
    update.text(savedWord(word)).sql(", dict_description=").text(trimBlanks(description));
    // Only while the row still holds the texts as loaded.
    whereLoadedWord(update, loaded.word, loaded.description)
        .sql(" AND user_num = ")
        .number(loaded.owner.value_or(0));
    return run(update, [&] { return holds(savedWord(word), trimBlanks(description)); });
}

// The unique index on the word is the duplicate check. The change is a transaction of its own,
// a savepoint inside the caller's: on a server a refused statement ends the transaction it
// runs in, so the caller's goes on from the savepoint.
Result<Change> WordStore::run(const Statement& statement,
                              const std::function<Result<bool>()>& landed) {
    const auto once = [&]() -> Result<Change> {
        Transaction transaction(m_database);
        if (!transaction.begun()) return transaction.begun().error();
        const Result<int> ran = m_database.execute(statement);
        if (!ran && ran.error().problem == DbProblem::Duplicate) return Change{Refusal::Taken};
        if (!ran) return ran.error();
        if (const Status committed = transaction.commit(); !committed) return committed.error();
        return Change{ran.value() == 0 ? Refusal::Gone : Refusal::None};
    };
    return m_database.change(once, landed);
}

Result<bool> WordStore::holds(const QString& word, const QString& description) {
    Statement check("SELECT 1 FROM dictionary_tbl");
    const Result<int> ran = m_database.execute(whereLoadedWord(check, word, description));
    if (!ran) return ran.error();
    return !m_database.DbRecordset().eof();
}

}  // namespace vemora
