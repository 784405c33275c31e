#include "core/ContactStore.h"

#include "core/Database.h"
#include "core/RecordKeys.h"
#include "core/Transaction.h"
#include "data/Encoding.h"

namespace vemora {

namespace {

ContactNames namesOf(const QStringList& texts) {
    return {texts.value(0), texts.value(1), texts.value(2)};
}

// Listings read a server's contacts from the table beneath the view addressbook_tbl: its
// rowids order equal first names, as the file's do. The columns are the view's.
Statement& contactColumns(Statement& statement, const QString& prefix = {}) {
    QStringList columns{prefix + QStringLiteral("user_num")};
    for (QLatin1StringView column : kContactColumns) columns.append(prefix + column);
    return statement.sql(prefix + QLatin1Char('*'), columns.join(QStringLiteral(", ")));
}

Statement& contactTable(Statement& statement) {
    return statement.sql(u"addressbook_tbl", u"addressbook_rows");
}

Statement insertContact() {
    return Statement(
        "INSERT INTO addressbook_tbl(user_num, name, middle_name, last_name, sex, address, "
        "phone_num, cel_num, fax_num, email) ");
}

// Complete, storable and within the columns' lengths, as stored: apostrophes as backquotes.
Change checkContact(const QStringList& texts) {
    if (const Change refused = checkComplete(texts); !refused.done()) return refused;
    QStringList stored;
    for (const QString& text : texts) stored.append(ReplaceApostrophes(text));
    return checkFits(stored, std::span(kContactsColumns).subspan(1));
}

// Another computer stored the same names between the check and the change: the key refuses them
// as the check would have.
Result<Change> refusedChange(const DbError& error) {
    if (error.problem == DbProblem::Duplicate) return Change{Refusal::Taken};
    return error;
}

}  // namespace

Statement ContactStore::listing(qint64 user) {
    Statement statement("Select ");
    contactColumns(statement).sql(" FROM ");
    return contactTable(statement)
        .sql(" WHERE user_num = ")
        .number(user)
        .caselessOrderBy(u"name", u"rowid");
}

Statement ContactStore::selection(qint64 user, const ContactNames& names) {
    Statement statement("SELECT * FROM addressbook_tbl");
    return whereContact(statement, user, names.name, names.middle, names.last);
}

// The listing puts contacts of equal first names in the order of their rowids.
DataControl::RowsChange ContactStore::changedRows(qint64 user,
                                                  const QList<ContactNames>& contacts) {
    Statement stored("SELECT ");
    contactColumns(stored, QStringLiteral("a.")).sql(", (SELECT count(*) FROM ");
    contactTable(stored).sql(" b WHERE b.user_num = a.user_num AND ");
    stored.caselessIs(u"b.name", u"a.name").sql(" AND b.rowid < a.rowid) FROM ");
    contactTable(stored).sql(" a WHERE");
    DataControl::RowsChange change{{}, std::move(stored), kContactColumns[0]};
    for (const ContactNames& names : contacts) {
        change.keys.append({{kContactColumns[0], kContactColumns[1], kContactColumns[2]},
                            {names.name, names.middle, names.last},
                            true});
        change.stored.sql(change.keys.size() == 1 ? " (" : " OR (");
        contactCondition(change.stored, user, names.name, names.middle, names.last).sql(")");
    }
    if (contacts.isEmpty()) change.stored.falseCondition();
    return change;
}

ContactNames ContactStore::storedNames(const QStringList& texts) {
    return {ReplaceApostrophes(texts.value(0)), ReplaceApostrophes(texts.value(1)),
            ReplaceApostrophes(texts.value(2))};
}

Result<bool> ContactStore::namesStored(qint64 user, const QStringList& texts) {
    const ContactNames names = namesOf(texts);
    Statement check("Select user_num, name, middle_name, last_name FROM addressbook_tbl");
    const Result<int> ran =
        m_database.execute(whereContact(check, user, names.name, names.middle, names.last));
    if (!ran) return ran.error();
    return !m_database.DbRecordset().eof();
}

Result<bool> ContactStore::storedAs(qint64 user, const QStringList& texts) {
    const ContactNames names = namesOf(texts);
    Statement check("SELECT * FROM addressbook_tbl");
    const Result<int> ran =
        m_database.execute(whereContact(check, user, names.name, names.middle, names.last));
    if (!ran) return ran.error();
    const Recordset& row = m_database.DbRecordset();
    if (row.eof()) return false;
    for (size_t i = 0; i < kContactColumns.size(); ++i)
        if (row.text(QString(kContactColumns[i])) != ReplaceApostrophes(texts.value(int(i))))
            return false;
    return true;
}

// A change whose connection was lost is made again, or found made (see Database::change).
Result<Change> ContactStore::add(qint64 user, const QStringList& texts) {
    if (const Change refused = checkContact(texts); !refused.done()) return refused;
    return m_database.change([&] { return addOnce(user, texts); },
                             [&] { return storedAs(user, texts); });
}

Result<Change> ContactStore::addOnce(qint64 user, const QStringList& texts) {
    Transaction transaction(m_database);
    if (!transaction.begun()) return transaction.begun().error();
    const Result<bool> stored = namesStored(user, texts);
    if (!stored) return stored.error();
    if (stored.value()) return Change{Refusal::Taken};

    Statement insert = insertContact().sql("VALUES(");
    insert.number(user);
    for (const QString& text : texts) insert.sql(",").escapedText(text);
    const Result<int> done = m_database.execute(insert.sql(")"));
    if (!done) return refusedChange(done.error());
    if (const Status committed = transaction.commit(); !committed) return committed.error();
    return Change{};
}

Result<Change> ContactStore::save(qint64 user, const ContactNames& loaded,
                                  const QStringList& texts) {
    if (const Change refused = checkContact(texts); !refused.done()) return refused;
    return m_database.change([&] { return saveOnce(user, loaded, texts); },
                             [&] { return storedAs(user, texts); });
}

Result<Change> ContactStore::saveOnce(qint64 user, const ContactNames& loaded,
                                      const QStringList& texts) {
    const ContactNames typed = namesOf(texts);
    // Letter case counts here: a change of case alone is a new name, which the check then
    // finds stored under the old one.
    const bool renamed = trimBlanks(loaded.name) != trimBlanks(typed.name) ||
                         trimBlanks(loaded.middle) != trimBlanks(typed.middle) ||
                         trimBlanks(loaded.last) != trimBlanks(typed.last);
    Transaction transaction(m_database);
    if (!transaction.begun()) return transaction.begun().error();
    if (renamed) {
        const Result<bool> stored = namesStored(user, texts);
        if (!stored) return stored.error();
        if (stored.value()) return Change{Refusal::Taken};
    }

    Statement update("UPDATE addressbook_tbl SET ");
    for (int i = 0; i < int(kContactColumns.size()); ++i)
        update.sql(i == 0 ? "" : ", ")
            .sql(kContactColumns.at(i))
            .sql("=")
            .escapedText(texts.value(i));
    const Result<Change> changed = changeLoaded(update, user, loaded);
    if (!changed || !changed.value().done()) return changed;
    if (const Status committed = transaction.commit(); !committed) return committed.error();
    return changed;
}

// In a transaction of its own, so that a connection lost before the COMMIT is known to have
// deleted nothing.
Result<Change> ContactStore::remove(qint64 user, const ContactNames& loaded) {
    const auto once = [&]() -> Result<Change> {
        Transaction transaction(m_database);
        if (!transaction.begun()) return transaction.begun().error();
        Statement remove("DELETE FROM addressbook_tbl");
        const Result<Change> removed = changeLoaded(remove, user, loaded);
        if (!removed || !removed.value().done()) return removed;
        if (const Status committed = transaction.commit(); !committed) return committed.error();
        return removed;
    };
    const auto gone = [&]() -> Result<bool> {
        const Result<bool> stored =
            namesStored(user, QStringList{loaded.name, loaded.middle, loaded.last});
        if (!stored) return stored.error();
        return !stored.value();
    };
    return m_database.change(once, gone);
}

Result<Change> ContactStore::changeLoaded(Statement& statement, qint64 user,
                                          const ContactNames& loaded) {
    whereContact(statement, user, loaded.name, loaded.middle, loaded.last);
    const Result<int> changed = m_database.execute(statement);
    if (!changed) return refusedChange(changed.error());
    // Changed or deleted elsewhere since it was loaded.
    if (changed.value() == 0) return Change{Refusal::Gone};
    return Change{};
}

// The look-up is a statement of its own: an insert that reads its own table in a subquery
// would fill a temporary table for each contact.
ContactAdder::ContactAdder(Database& database)
    : m_stored(database.DbConnection(),
               [] {
                   Statement check("SELECT 1 FROM addressbook_tbl");
                   return std::move(whereContact(check, 0, {}, {}, {}));
               }()),
      m_insert(database.DbConnection(),
               insertContact().sql("VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")) {}

Result<Change> ContactAdder::add(qint64 user, const QStringList& texts) {
    if (const Change refused = checkContact(texts); !refused.done()) return refused;
    QVariantList names{user};
    for (int i = 0; i < 3; ++i) names.append(trimBlanks(ReplaceApostrophes(texts.at(i))));
    const Result<bool> stored = m_stored.found(names);
    if (!stored) return stored.error();
    if (stored.value()) return Change{Refusal::Taken};
    QVariantList values{user};
    for (const QString& text : texts) values.append(ReplaceApostrophes(text));
    const Result<int> added = m_insert.run(values);
    if (!added) return added.error();
    return Change{};
}

}  // namespace vemora
