#pragma once

#include <QString>

namespace vemora {

// The protocol between the organizers and the maintenance tool: every running organizer holds
// the lock shared; the tool needs it exclusively before it replaces the database. The file
// engine locks a file beside the database, a server an advisory lock.
class EngineLock {
    Q_DISABLE_COPY_MOVE(EngineLock)
public:
    enum class Mode { Shared, Exclusive };

    EngineLock() = default;
    virtual ~EngineLock() = default;

    // Takes the lock without waiting. False when another holder's mode conflicts or the lock
    // cannot be reached at all.
    virtual bool tryLock(Mode mode) = 0;
    virtual void unlock() = 0;
    virtual bool isLocked() const = 0;
    // Whether the last refused tryLock() was refused by another holder, rather than for want
    // of a place to lock.
    virtual bool heldElsewhere() const = 0;
    // Whether a lock taken is still held, asked of what holds it: a server session that ended
    // (killed, timed out) took its lock with it.
    virtual bool stillHeld() { return isLocked(); }
    // Whether what holds the lock is seen to have ended, from what it already received, without
    // asking anything: never waits, so a timer may call it while the program idles.
    virtual bool seenEnded() { return false; }
    // Why the lock cannot be trusted (a file planted by another account), when it cannot.
    virtual QString problem() const { return {}; }
};

}  // namespace vemora
