#include "support/OtherAccount.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace vemora::test {

bool asMember(const std::function<bool()>& step) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(kGroup) != 0 || ::setuid(kMember) != 0) ::_exit(100);
        ::_exit(step() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 100);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace vemora::test
