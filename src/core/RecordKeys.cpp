#include "core/RecordKeys.h"

#include "data/Encoding.h"

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
        .sql(" AND ")
        .caselessEquals(u"trim(name)", trimBlanks(name))
        .sql(" AND ")
        .caselessEquals(u"trim(middle_name)", trimBlanks(middle))
        .sql(" AND ")
        .caselessEquals(u"trim(last_name)", trimBlanks(last));
}

Statement& whereLoadedWord(Statement& statement, const QString& word, const QString& description) {
    return statement.sql(" WHERE ")
        .exactEquals(u"dict_name", word)
        .sql(" AND ")
        .exactEquals(u"COALESCE(dict_description, '')", description);
}

}  // namespace vemora
