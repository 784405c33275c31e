#include "core/Database.h"

#include "core/Change.h"
#include "data/ConnectionString.h"
#include "data/Engine.h"
#include "data/ServerWait.h"
#include "data/Statement.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>

namespace vemora {

namespace {

// A statement that changes nothing, which may run again on a new connection.
bool repeatable(const Statement& statement) {
    const QString text = statement.rendering().trimmed();
    return text.startsWith(QLatin1String("select"), Qt::CaseInsensitive) ||
           text.compare(QLatin1String("begin"), Qt::CaseInsensitive) == 0;
}

bool lostConnection(const DbError& error) {
    return error.problem == DbProblem::ConnectionLost;
}

// Counts a run of something keepLock() must not cut into.
class Busy {
public:
    explicit Busy(int& count) : m_count(count) { ++m_count; }
    ~Busy() { --m_count; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    int& m_count;
};

// The reconnect's questions to its notice, from the pauses between attempts and from an attempt
// that waits on the server alike: Retry waits the whole wait again, Cancel gives up.
class ReconnectWaits final : public AnswerWaiter {
public:
    ReconnectWaits(ReconnectWatcher* watcher, std::chrono::milliseconds wait)
        : m_watcher(watcher), m_wait(wait), m_deadline(wait) {
        m_lostFor.start();
    }

    ReconnectWatcher::Answer ask(const QString& server) {
        using Answer = ReconnectWatcher::Answer;
        if (m_cancelled) return Answer::Cancel;
        const Answer answer =
            m_watcher ? m_watcher->waiting(server, std::chrono::milliseconds(m_lostFor.elapsed()))
                      : Answer::Wait;
        if (answer == Answer::Cancel) m_cancelled = true;
        if (answer == Answer::Retry) m_deadline.setRemainingTime(m_wait);
        return answer;
    }
    bool cancelled() const { return m_cancelled; }
    bool expired() const { return m_deadline.hasExpired(); }

    bool waiting(const QString& server, std::chrono::milliseconds) override {
        return ask(server) != ReconnectWatcher::Answer::Cancel;
    }
    void ended() override {}

private:
    ReconnectWatcher* m_watcher;
    std::chrono::milliseconds m_wait;
    QElapsedTimer m_lostFor;
    QDeadlineTimer m_deadline;
    bool m_cancelled = false;
};

}  // namespace

Database::Database(QString programDirectory, Lock lock)
    : m_programDirectory(std::move(programDirectory)),
      m_lockKind(lock),
      m_dbConnection(std::make_unique<Connection>()) {
    const Result<QString> chosen = chosenDatabase();
    m_connectionString =
        chosen ? chosen.value() : makeConnectionString(databaseDirectory(m_programDirectory));
    m_dbConnection->setConnectionString(m_connectionString);
}

Database::Database(Named database, Lock lock)
    : m_named(std::move(database.connectionString)),
      m_lockKind(lock),
      m_connectionString(*m_named),
      m_dbConnection(std::make_unique<Connection>()) {
    m_dbConnection->setConnectionString(m_connectionString);
}

Database::~Database() = default;

QString Database::filePath() const {
    return parseConnectionString(m_connectionString).dataSource;
}

std::optional<ServerAddress> Database::server() const {
    if (!isServerUrl(m_connectionString)) return std::nullopt;
    const Result<ServerAddress> server = parseServerUrl(m_connectionString);
    return server ? std::optional<ServerAddress>(server.value()) : std::nullopt;
}

Result<QString> Database::chosenDatabase() const {
    if (m_named) return *m_named;
    const Result<std::optional<ServerAddress>> server = configuredServer(m_programDirectory);
    if (!server) {
        DbError error = server.error();
        error.problem = DbProblem::Missing;
        return error;
    }
    if (server.value()) return server.value()->url();
    return makeConnectionString(databaseDirectory(m_programDirectory));
}

// Where no lock can be taken (a folder nobody may write to, a server out of reach) the tool
// cannot replace the database either, so it is used without the lock.
bool Database::holdLock() {
    constexpr std::chrono::milliseconds kPoll(50);
    if (m_lockKind == Lock::None) return true;
    const Busy busy(m_lockBusy);
    m_lockLost = false;
    if (!m_lock || m_lockTarget != m_connectionString) {
        m_lock.reset();
        m_lockTarget = m_connectionString;
        m_lock = m_dbConnection->engine().lock();
    }
    // A server's lock dies with its session: it is taken anew when the server ended that.
    if (m_lock->isLocked() && m_lock->stillHeld()) return true;
    for (;;) {
        const QDeadlineTimer deadline(m_toolWait);
        while (!m_lock->tryLock(EngineLock::Mode::Shared)) {
            if (!m_lock->problem().isEmpty()) return false;
            if (!m_lock->heldElsewhere()) return true;
            if (deadline.hasExpired()) break;
            QThread::msleep(static_cast<unsigned long>(kPoll.count()));
        }
        if (m_lock->isLocked()) return true;
        if (!m_retry || !m_retry()) return false;
    }
}

Status Database::open() {
    m_dbConnection = std::make_unique<Connection>();
    m_transactions = 0;
    ++m_opened;
    m_openFailed = true;
    const Result<QString> chosen = chosenDatabase();
    if (!chosen) return chosen.error();
    m_connectionString = chosen.value();
    m_dbConnection->setConnectionString(m_connectionString);
    if (!holdLock()) {
        if (const QString problem = m_lock->problem(); !problem.isEmpty())
            return DbError{kErrGeneral, problem, DbProblem::Unreadable};
        return DbError{kErrOther,
                       QStringLiteral("The maintenance tool is working on the database.")};
    }
    const Status status = m_dbConnection->open();
    m_openFailed = !status;
    return status;
}

Result<int> Database::execute(const Statement& statement) {
    m_sqlText = statement.rendering();
    // Ended under a statement run on the connection itself (a transaction's end).
    if (m_dbConnection->lost()) m_openFailed = true;
    // A transaction ends with its connection: what would follow in it is not run outside it.
    if (m_openFailed && m_transactions > 0)
        return DbError{kErrGeneral,
                       QStringLiteral("The connection to the database server was lost. The "
                                      "change was not saved; the next action connects again."),
                       DbProblem::ConnectionLost};
    if (m_openFailed) {
        if (const Status reopened = open(); !reopened) return reopened.error();
    }
    // A server's lock lives in a session of its own, which the server may end: it is taken
    // again before the next statement, so no restore runs under a connected organizer.
    if (m_lock && m_lockKind == Lock::Shared && !m_lock->stillHeld() && !holdLock())
        return DbError{kErrOther,
                       QStringLiteral("The maintenance tool is working on the database.")};
    auto result = m_dbConnection->execute(statement);
    if (!result && lostConnection(result.error())) {
        // The next statement connects anew, as after a failed open.
        m_openFailed = true;
        if (m_transactions == 0 && repeatable(statement) && !m_dbConnection->stopped()) {
            if (const Status again = reconnect(result.error()); !again) return again.error();
            m_sqlText = statement.rendering();
            result = m_dbConnection->execute(statement);
            if (!result && lostConnection(result.error())) m_openFailed = true;
        }
    }
    if (!result) return result.error();
    if (result.value().isOpen()) {
        m_dbRecordset = std::move(result.value());
        return 0;
    }
    return m_dbConnection->lastRowsAffected();
}

Status Database::reconnect(const DbError& lost) {
    constexpr std::chrono::milliseconds kPause(250);
    constexpr std::chrono::milliseconds kAsk(50);
    const Busy busy(m_lockBusy);
    const std::optional<ServerAddress> address = server();
    const QString name = address ? address->host : filePath();
    Status status;
    ReconnectWaits waits(m_watcher, m_reconnectWait);
    // A connection attempt that waits on the server speaks through the same notice.
    const ScopedAnswerWaiter speaking(m_watcher ? &waits : nullptr);
    for (;;) {
        status = open();
        // Connected, or refused for another reason (the maintenance tool holds the database).
        if (status ||
            (status.error().problem != DbProblem::Missing && !lostConnection(status.error())))
            break;
        bool retry = false;
        const QDeadlineTimer pause(kPause);
        while (!pause.hasExpired() && !retry && !waits.cancelled()) {
            retry = waits.ask(name) == ReconnectWatcher::Answer::Retry;
            if (!retry && !waits.cancelled())
                QThread::msleep(static_cast<unsigned long>(kAsk.count()));
        }
        if (waits.cancelled() || (!retry && waits.expired())) break;
    }
    if (m_watcher) m_watcher->ended();
    if (status) return {};
    return lostConnection(status.error()) || status.error().problem == DbProblem::Missing
               ? Status(lost)
               : status;
}

bool Database::keepLock() {
    if (m_lockKind != Lock::Shared || !m_lock || m_lockBusy > 0) return true;
    if (m_lock->isLocked()) {
        if (!m_lock->seenEnded()) return true;
        m_lockLost = true;
    }
    // Not held since an open that went on without it (no place to lock): not this one's to take.
    if (!m_lockLost) return true;
    const Busy busy(m_lockBusy);
    m_lockLost = !m_lock->tryLock(EngineLock::Mode::Shared);
    return !m_lockLost;
}

Result<Change> Database::change(const std::function<Result<Change>()>& attempt,
                                const std::function<Result<bool>()>& landed) {
    if (m_transactions > 0) return attempt();
    // A change lost twice in a row, after two new connections, is reported.
    constexpr int kAttempts = 3;
    for (int round = 1;; ++round) {
        m_commitUnknown = false;
        Result<Change> result = attempt();
        if (result || !lostConnection(result.error()) || round == kAttempts ||
            m_dbConnection->stopped())
            return result;
        const bool unknown = m_commitUnknown;
        if (const Status again = reconnect(result.error()); !again) return again.error();
        if (!unknown) continue;
        const Result<bool> stored = landed();
        if (!stored) return stored.error();
        if (stored.value()) return Change{};
    }
}

}  // namespace vemora
