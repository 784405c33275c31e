#pragma once

#include "data/Statement.h"

// Dictionary rows as the tests write and read them straight in the database.
namespace vemora::test {

inline Statement insertWord(qint64 user, const QString& word, const QString& description) {
    return std::move(Statement("INSERT INTO dictionary_tbl VALUES (")
                         .number(user)
                         .sql(", ")
                         .text(word)
                         .sql(", ")
                         .text(description)
                         .sql(")"));
}

// The row holding exactly that word.
inline Statement selectWord(const QString& word) {
    return std::move(
        Statement("SELECT * FROM dictionary_tbl WHERE ").exactEquals(u"dict_name", word));
}

}  // namespace vemora::test
