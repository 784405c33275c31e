#include "data/ServerWatch.h"

#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>
#include <sys/socket.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace vemora {

namespace {

using Clock = std::chrono::steady_clock;

// One thread for every watched connection of the process; it lives until the process ends.
class Watchdog {
public:
    static Watchdog& instance() {
        static Watchdog* watchdog = new Watchdog;  // never destroyed: its thread runs to the end
        return *watchdog;
    }

    quint64 arm(int socket, Clock::time_point deadline) {
        std::lock_guard lock(m_mutex);
        const quint64 id = ++m_next;
        m_watched.emplace(id, Watched{socket, deadline});
        m_wake.notify_one();
        return id;
    }

    // Whether the watch had run out.
    bool disarm(quint64 id) {
        std::lock_guard lock(m_mutex);
        m_watched.erase(id);
        return m_expired.erase(id) > 0;
    }

    void cut(quint64 id) {
        std::lock_guard lock(m_mutex);
        if (const auto watched = m_watched.find(id); watched != m_watched.end()) {
            ::shutdown(watched->second.socket, SHUT_RDWR);
            m_expired.insert(id);
            m_watched.erase(watched);
        }
    }

private:
    struct Watched {
        int socket;
        Clock::time_point deadline;
    };

    Watchdog() {
        std::thread([this] { run(); }).detach();
    }

    void run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_watched.empty()) {
                m_wake.wait(lock);
                continue;
            }
            auto first = m_watched.begin();
            for (auto it = m_watched.begin(); it != m_watched.end(); ++it)
                if (it->second.deadline < first->second.deadline) first = it;
            // A copy: the watch may be disarmed, and its entry erased, while this waits.
            if (const Clock::time_point deadline = first->second.deadline;
                Clock::now() < deadline) {
                m_wake.wait_until(lock, deadline);
                continue;
            }
            // The socket stays open (the driver owns it); only its traffic ends.
            ::shutdown(first->second.socket, SHUT_RDWR);
            m_expired.insert(first->first);
            m_watched.erase(first);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<quint64, Watched> m_watched;
    std::set<quint64> m_expired;
    quint64 m_next = 0;
};

}  // namespace

pg_conn* libpqOf(const QSqlDatabase& db) {
    if (!db.isOpen() || !db.driver()) return nullptr;
    const QVariant handle = db.driver()->handle();
    // The driver's own word for its libpq connection (PGconn is a typedef of pg_conn).
    if (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0)
        return nullptr;
    return *static_cast<PGconn* const*>(handle.data());
}

ServerWatch::ServerWatch(const QSqlDatabase& db, std::chrono::milliseconds timeout) {
    PGconn* connection = libpqOf(db);
    if (const int socket = connection ? PQsocket(connection) : -1; socket >= 0)
        m_id = Watchdog::instance().arm(socket, Clock::now() + timeout);
}

ServerWatch::~ServerWatch() {
    if (m_id) Watchdog::instance().disarm(m_id);
}

void ServerWatch::cut() {
    m_stopped = true;
    if (m_id) Watchdog::instance().cut(m_id);
}

bool ServerWatch::expired() const {
    if (!m_id || m_expired) return m_expired;
    // Read once: the watch ends on the first question, as the statement it bounded has.
    m_expired = Watchdog::instance().disarm(m_id);
    m_id = 0;
    return m_expired;
}

}  // namespace vemora
