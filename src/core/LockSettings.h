#pragma once

#include "data/DbError.h"

#include <QString>

#include <optional>

namespace vemora {

class Database;

// The option that holds a lock delay in minutes: the administrator's for everyone (0 turns
// the lock off), or a user's own shorter one.
inline const QString kLockDelayOption = QStringLiteral("lock_delay_minutes");

// Minutes without input before a user's session locks.
struct LockDelays {
    int everyone = 10;       // 0: the administrator turned the lock off
    std::optional<int> own;  // the user's own choice, if any

    // What applies to the user: the shorter of the two, the user's own when the lock is off
    // for everyone; 0 for never.
    int effective() const;
};

enum class LockRefusal { OutOfRange, LongerThanEveryone };

// Reads and checks the lock delays kept in the database. A stored value that is not a delay
// counts as not set, so that a damaged setting never turns the lock off.
class LockSettings final {
public:
    static constexpr int kDefaultMinutes = 10;
    static constexpr int kLongestMinutes = 480;

    explicit LockSettings(Database& database) : m_database(database) {}

    Result<LockDelays> read(qint64 user);
    // 0 turns the lock off for everyone.
    Status setEveryone(int minutes);
    // Nothing clears the user's own choice; a delay must be no longer than everyone's.
    Status setOwn(qint64 user, std::optional<int> minutes);

    static std::optional<LockRefusal> refusalForEveryone(int minutes);
    static std::optional<LockRefusal> refusalForOwn(int minutes, int everyone);
    static QString describe(LockRefusal why, int everyone);

private:
    Database& m_database;
};

}  // namespace vemora
