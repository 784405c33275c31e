#include "data/ServerWait.h"

#include <QElapsedTimer>
#include <QThread>

#include <future>

namespace vemora {

namespace {

using namespace std::chrono_literals;

// The quiet wait before the waiter is asked, and how often it is asked then.
constexpr auto kQuiet = 1s;
constexpr auto kAsk = 50ms;

AnswerWaiter* g_waiter = nullptr;
QThread* g_waiterThread = nullptr;
bool g_waiting = false;

}  // namespace

void setAnswerWaiter(AnswerWaiter* waiter) {
    g_waiter = waiter;
    g_waiterThread = waiter ? QThread::currentThread() : nullptr;
}

ScopedAnswerWaiter::ScopedAnswerWaiter(AnswerWaiter* waiter) : m_previous(g_waiter) {
    g_waiter = waiter;
    if (waiter && !g_waiterThread) g_waiterThread = QThread::currentThread();
}

ScopedAnswerWaiter::~ScopedAnswerWaiter() {
    g_waiter = m_previous;
}

bool awaitServer(const QString& server, const std::function<void()>& work,
                 const std::function<void()>& stop) {
    // A wait inside a wait (an event handled while the waiter shows) blocks: one notice at a time.
    if (!g_waiter || g_waiting || QThread::currentThread() != g_waiterThread) {
        work();
        return true;
    }
    g_waiting = true;
    QElapsedTimer waited;
    waited.start();
    std::future<void> done = std::async(std::launch::async, work);
    bool stopped = false;
    if (done.wait_for(kQuiet) != std::future_status::ready) {
        AnswerWaiter* waiter = g_waiter;
        while (done.wait_for(kAsk) != std::future_status::ready) {
            if (!waiter->waiting(server, std::chrono::milliseconds(waited.elapsed())) && !stopped) {
                stopped = true;
                if (stop) stop();
            }
        }
        waiter->ended();
    }
    done.get();
    g_waiting = false;
    return !stopped;
}

}  // namespace vemora
