#pragma once

#include <QSqlDatabase>

#include <atomic>
#include <chrono>
#include <memory>

struct pg_conn;

namespace vemora {

// The libpq connection under an open QPSQL connection; null for any other.
pg_conn* libpqOf(const QSqlDatabase& db);

// Bounds the wait for a server's answer on the client's side: a server that is frozen (stopped,
// its machine hung) keeps the socket open and answers neither the statement nor its own
// statement_timeout. When the time runs out, the connection's socket is shut down, so that the
// driver's blocked read ends with a closed connection.
class ServerWatch final {
    Q_DISABLE_COPY_MOVE(ServerWatch)
public:
    // Watches the open QPSQL connection until the object is destroyed; nothing when it has no
    // socket.
    ServerWatch(const QSqlDatabase& db, std::chrono::milliseconds timeout);
    ~ServerWatch();

    // Whether the time ran out, or the user stopped waiting, and the connection was cut.
    bool expired() const;
    // Cuts the connection now: the user stops waiting. Safe from any thread but the watched
    // work's.
    void cut();
    bool stopped() const { return m_stopped; }

private:
    mutable quint64 m_id = 0;
    mutable bool m_expired = false;
    std::atomic<bool> m_stopped = false;
};

}  // namespace vemora
