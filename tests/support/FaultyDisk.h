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

// Power cuts. A file's writes and truncations last only once the file is synced; a file's
// creation or deletion only once its folder is synced (as the engine does on the first sync of
// a new journal and when it deletes one with the folder sync asked).
enum class Cut {
    Unsynced,  // every change not yet synced is lost
    Some,      // any of them may have reached the disk, in any order
};
// From now on changes are recorded; what was on disk before counts as synced. The power goes
// at the `operation`-th write, truncation, sync or deletion from now (1 for the next): that one
// and everything after it fail as on a dead machine, reads included.
void cutPowerAt(std::int64_t operation);
bool powerIsOut();
// The power goes now, before the next change.
void cutPowerNow();
// Once every connection is closed: leaves on disk what the cut left there, chosen by `seed`
// in the Some mode, and turns the power back on (disarmed). How many changes were lost.
int restorePower(Cut cut, unsigned seed);
// Changes recorded since cutPowerAt() (for choosing a moment within a write).
std::int64_t operations();

}  // namespace faulty_disk

}  // namespace vemora::test
