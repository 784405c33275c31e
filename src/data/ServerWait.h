#pragma once

#include <QString>

#include <chrono>
#include <functional>

namespace vemora {

// Who keeps the user informed while the program waits on a server's answer.
class AnswerWaiter {
public:
    virtual ~AnswerWaiter() = default;
    // Asked several times a second once the answer is late; `waited` since it was asked for.
    // False when the user stops waiting.
    virtual bool waiting(const QString& server, std::chrono::milliseconds waited) = 0;
    // The answer came, or the work ended after the user stopped waiting.
    virtual void ended() = 0;
};

// The waiter of the thread that calls this (the windows' thread), or none.
void setAnswerWaiter(AnswerWaiter* waiter);

// Puts another waiter in place while it lives (a reconnect speaks for the waits inside it).
class ScopedAnswerWaiter final {
public:
    explicit ScopedAnswerWaiter(AnswerWaiter* waiter);
    ~ScopedAnswerWaiter();
    ScopedAnswerWaiter(const ScopedAnswerWaiter&) = delete;
    ScopedAnswerWaiter& operator=(const ScopedAnswerWaiter&) = delete;

private:
    AnswerWaiter* m_previous;
};

// Runs `work`, which blocks on `server`. Where a waiter is set for the calling thread, the work
// runs on a thread of its own and the waiter is asked once it has taken a second, so the
// windows repaint and tell why they wait; when the user stops waiting, `stop` is called (it
// cuts the connection, so the work ends soon) and the work is still waited for. False when
// the user stopped waiting. Without a waiter (the console program, a nested wait) the work
// runs here.
bool awaitServer(const QString& server, const std::function<void()>& work,
                 const std::function<void()>& stop);

}  // namespace vemora
