#include "core/UnlockAttempts.h"

#include <algorithm>

namespace vemora {

std::chrono::seconds UnlockAttempts::wait() const {
    if (m_failures < kFreeAttempts) return std::chrono::seconds(0);
    // Capped before shifting, so that no count of failures overflows.
    const int doublings = std::min(m_failures - kFreeAttempts, 5);
    return std::min(std::chrono::seconds(1 << doublings), kLongestWait);
}

}  // namespace vemora
