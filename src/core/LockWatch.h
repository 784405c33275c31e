#pragma once

#include <QTimer>

#include <chrono>

namespace vemora {

class Database;

// Keeps an organizer's lock while nobody uses the program: every few seconds it looks whether
// the lock's holder ended and takes the lock again (Database::keepLock()).
class LockWatch final {
    Q_DISABLE_COPY_MOVE(LockWatch)
public:
    explicit LockWatch(Database& database,
                       std::chrono::milliseconds every = std::chrono::seconds(2));

    // What the timer runs.
    void tick();

private:
    Database& m_database;
    QTimer m_timer;
};

}  // namespace vemora
