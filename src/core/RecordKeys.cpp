#include "core/RecordKeys.h"

#include "data/Encoding.h"

namespace vemora {

Statement& whereContact(Statement& statement, qint64 user, const QString& name,
                        const QString& middle, const QString& last) {
    // SQLite's trim() removes blanks only, as trimBlanks does.
    return statement.sql(" WHERE user_num = ")
        .number(user)
        .sql(" AND trim(name) = ")
        .text(trimBlanks(name))
        .sql(" COLLATE NOCASE AND trim(middle_name) = ")
        .text(trimBlanks(middle))
        .sql(" COLLATE NOCASE AND trim(last_name) = ")
        .text(trimBlanks(last))
        .sql(" COLLATE NOCASE");
}

Statement& whereLoadedWord(Statement& statement, const QString& word, const QString& description) {
    return statement.sql(" WHERE dict_name=")
        .text(word)
        .sql(" COLLATE BINARY AND COALESCE(dict_description, '')=")
        .text(description)
        .sql(" COLLATE BINARY");
}

}  // namespace vemora
