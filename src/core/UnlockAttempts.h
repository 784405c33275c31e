#pragma once

#include <chrono>

namespace vemora {

// The failed attempts at a lock's password, and how long the next attempt waits: the first
// three are free, then a second, doubling with each further failure up to half a minute.
class UnlockAttempts final {
public:
    static constexpr int kFreeAttempts = 3;
    static constexpr std::chrono::seconds kLongestWait{30};

    void failed() { ++m_failures; }
    void reset() { m_failures = 0; }
    int failures() const { return m_failures; }
    // How long the lock refuses attempts after the last failure.
    std::chrono::seconds wait() const;

private:
    int m_failures = 0;
};

}  // namespace vemora
