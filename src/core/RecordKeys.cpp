#include "core/RecordKeys.h"

#include "data/Encoding.h"
#include "data/SqliteEngine.h"

namespace vemora {

Statement& whereContact(Statement& statement, qint64 user, const QString& name,
                        const QString& middle, const QString& last) {
    return contactCondition(statement.sql(" WHERE"), user, name, middle, last);
}

Statement& contactCondition(Statement& statement, qint64 user, const QString& name,
                            const QString& middle, const QString& last) {
    // SQLite's trim() removes blanks only, as trimBlanks does.
    return statement.sql(" user_num = ")
        .number(user)
        .sql(" AND trim(name) = ")
        .text(trimBlanks(name))
        .sql(SqliteEngine::caseless())
        .sql(" AND trim(middle_name) = ")
        .text(trimBlanks(middle))
        .sql(SqliteEngine::caseless())
        .sql(" AND trim(last_name) = ")
        .text(trimBlanks(last))
        .sql(SqliteEngine::caseless());
}

Statement& whereLoadedWord(Statement& statement, const QString& word, const QString& description) {
    return statement.sql(" WHERE dict_name=")
        .text(word)
        .sql(SqliteEngine::exact())
        .sql(" AND COALESCE(dict_description, '')=")
        .text(description)
        .sql(SqliteEngine::exact());
}

}  // namespace vemora
