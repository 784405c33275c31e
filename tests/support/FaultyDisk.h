#pragma once

#include <cstdint>

namespace vemora::test {

// A SQLite file system over the default one, made the default for every connection opened
// after install(), that can fail like a full disk or a failing drive. Disarmed it only counts.
namespace faulty_disk {

void install();

// Writes fail with SQLITE_FULL once `bytes` more bytes have been written.
void failWritesAfter(std::int64_t bytes);
// The `n`-th sync from now (1 for the next) and every later one fail with SQLITE_IOERR_FSYNC.
void failSyncFrom(int n);
// Everything succeeds again; the counters start from zero.
void disarm();

std::int64_t bytesWritten();
int syncs();

}  // namespace faulty_disk

}  // namespace vemora::test
