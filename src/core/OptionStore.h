#pragma once

#include "data/DbError.h"

#include <QString>

#include <optional>

namespace vemora {

class Database;

// Settings kept in the database, so that they follow a user to any computer: each user's own,
// and the administrator's for everyone under the account number kEveryone.
class OptionStore final {
public:
    static constexpr qint64 kEveryone = 0;

    explicit OptionStore(Database& database) : m_database(database) {}

    // The account's own value of the option, or nothing when it has none.
    Result<std::optional<QString>> value(qint64 user, const QString& name);
    Status set(qint64 user, const QString& name, const QString& value);
    Status clear(qint64 user, const QString& name);

private:
    Database& m_database;
};

}  // namespace vemora
