#pragma once

#include "core/Change.h"
#include "data/DataControl.h"
#include "data/DbError.h"
#include "data/PreparedStatement.h"
#include "data/Schema.h"
#include "data/Statement.h"

#include <QLatin1StringView>
#include <QStringList>

#include <array>

namespace vemora {

class Database;

// The columns of a contact after its owner's user_num, in table order: a contact's texts
// are given in this order.
inline constexpr auto kContactColumns = [] {
    std::array<QLatin1StringView, std::size(kContactsColumns) - 1> names{};
    for (size_t i = 0; i < names.size(); ++i) names[i] = kContactsColumns[i + 1].name;
    return names;
}();

// The three names that identify a contact of a user.
struct ContactNames {
    QString name;
    QString middle;
    QString last;
};

// A user's address book. Contacts are identified by their three names, blanks around them and
// letter case aside; every text is required and stored as typed, apostrophes as backquotes.
class ContactStore final {
public:
    explicit ContactStore(Database& database) : m_database(database) {}

    // The user's contacts in first-name order, for a grid's own connection.
    static Statement listing(qint64 user);
    // The user's contact of the names, found the way save() and remove() find one.
    static Statement selection(qint64 user, const ContactNames& names);
    // A change to the user's contacts of these names, for the listing's grid to re-read.
    static DataControl::RowsChange changedRows(qint64 user, const QList<ContactNames>& contacts);
    // The names that add() and save() store for the texts.
    static ContactNames storedNames(const QStringList& texts);

    // Incomplete, Unstorable or Taken when the user has a contact of these names.
    Result<Change> add(qint64 user, const QStringList& texts);
    // Rewrites the contact loaded under `loaded`. Incomplete, Unstorable, Taken when the names
    // changed to those of a stored contact, Gone when no contact has the loaded names.
    Result<Change> save(qint64 user, const ContactNames& loaded, const QStringList& texts);
    // Gone when no contact has the loaded names.
    Result<Change> remove(qint64 user, const ContactNames& loaded);

private:
    Result<bool> namesStored(qint64 user, const QStringList& texts);
    // Whether the contact of the texts' names is stored with every text as given.
    Result<bool> storedAs(qint64 user, const QStringList& texts);
    Result<Change> addOnce(qint64 user, const QStringList& texts);
    Result<Change> saveOnce(qint64 user, const ContactNames& loaded, const QStringList& texts);
    Result<Change> changeLoaded(Statement& statement, qint64 user, const ContactNames& loaded);

    Database& m_database;
};

// add() for many contacts in a row, within a transaction of the caller's: a look-up of the
// contact's names and its insert, each prepared once. The names are compared as they are
// stored, apostrophes as backquotes.
class ContactAdder final {
    Q_DISABLE_COPY_MOVE(ContactAdder)
public:
    explicit ContactAdder(Database& database);

    // Incomplete, Unstorable or Taken as add() says them.
    Result<Change> add(qint64 user, const QStringList& texts);

private:
    PreparedStatement m_stored;
    PreparedStatement m_insert;
};

}  // namespace vemora
