#pragma once

#include <sys/types.h>

#include <functional>

namespace vemora::test {

// A throwaway account and group that exist only as numbers, for root to play another user.
constexpr uid_t kMember = 64123;
constexpr gid_t kGroup = 64123;

// Runs `step` in a child as the member; true when every step of it succeeded. Needs root.
bool asMember(const std::function<bool()>& step);

}  // namespace vemora::test
