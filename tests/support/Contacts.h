#pragma once

#include "data/Statement.h"
#include "support/TestPlatform.h"

#include <QStringList>

// Contacts as the address-book tests write them straight into the database.
namespace vemora::test {

// A contact's nine texts in column order, with the given names.
inline QStringList contact(const QString& name, const QString& middle, const QString& last) {
    return {name,
            middle,
            last,
            QStringLiteral("F"),
            QStringLiteral("1 Main St"),
            QStringLiteral("555-01"),
            QStringLiteral("0917"),
            QStringLiteral("555-02"),
            QStringLiteral("a@b.c")};
}

inline void storeContact(TestPlatform& tp, const QStringList& texts, qint64 user = 1) {
    Statement insert("INSERT INTO addressbook_tbl VALUES (");
    insert.number(user);
    for (const QString& text : texts) insert.sql(", ").text(text);
    tp.query(insert.sql(")"));
}

}  // namespace vemora::test
