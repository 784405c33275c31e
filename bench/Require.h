#pragma once

#include "data/DbError.h"

#include <cstdio>
#include <cstdlib>

namespace vemora::bench {

// A benchmark whose setup failed would measure nothing: it stops, saying what failed.
inline void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "benchmark setup failed: %s\n", what);
    std::abort();
}

inline void require(const Status& status, const char* what) {
    if (!status) std::fprintf(stderr, "%s\n", qPrintable(status.error().description));
    require(status.ok(), what);
}

template <class T>
void require(const Result<T>& result, const char* what) {
    require(result.status(), what);
}

}  // namespace vemora::bench
