#include "core/LockWatch.h"

#include "core/Database.h"

namespace vemora {

LockWatch::LockWatch(Database& database, std::chrono::milliseconds every) : m_database(database) {
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
    m_timer.start(every);
}

void LockWatch::tick() {
    m_database.keepLock();
}

}  // namespace vemora
