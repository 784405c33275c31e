#include "support/FaultyDisk.h"

#include <sqlite3.h>

#include <cstring>
#include <limits>

namespace vemora::test::faulty_disk {

namespace {

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods;
std::int64_t g_written = 0;
std::int64_t g_writeLimit = std::numeric_limits<std::int64_t>::max();
int g_syncs = 0;
int g_syncLimit = std::numeric_limits<int>::max();

// Our file: the real file's state follows this header in the same allocation.
struct File {
    sqlite3_file base;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

File* own(sqlite3_file* f) {
    return reinterpret_cast<File*>(f);
}

int xClose(sqlite3_file* f) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
}
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xRead(real, buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    if (g_written + amount > g_writeLimit) return SQLITE_FULL;
    g_written += amount;
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xWrite(real, buffer, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xTruncate(real, size);
}
int xSync(sqlite3_file* f, int flags) {
    if (++g_syncs >= g_syncLimit) return SQLITE_IOERR_FSYNC;
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xSync(real, flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xFileSize(real, size);
}
int xLock(sqlite3_file* f, int level) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xLock(real, level);
}
int xUnlock(sqlite3_file* f, int level) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xUnlock(real, level);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xCheckReservedLock(real, out);
}
int xFileControl(sqlite3_file* f, int op, void* arg) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xFileControl(real, op, arg);
}
int xSectorSize(sqlite3_file* f) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xSectorSize(real);
}
int xDeviceCharacteristics(sqlite3_file* f) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xDeviceCharacteristics(real);
}

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    File* file = own(f);
    std::memset(file->real(), 0, size_t(g_real->szOsFile));
    const int rc = g_real->xOpen(g_real, name, file->real(), flags, outFlags);
    // Without methods SQLite does not call xClose, so the file is only ours when it opened.
    f->pMethods = file->real()->pMethods ? &g_methods : nullptr;
    return rc;
}

}  // namespace

void install() {
    if (g_real) return;
    g_real = sqlite3_vfs_find(nullptr);
    // Version 1 methods: no shared memory (no write-ahead log) and no memory mapping.
    g_methods = {};
    g_methods.iVersion = 1;
    g_methods.xClose = xClose;
    g_methods.xRead = xRead;
    g_methods.xWrite = xWrite;
    g_methods.xTruncate = xTruncate;
    g_methods.xSync = xSync;
    g_methods.xFileSize = xFileSize;
    g_methods.xLock = xLock;
    g_methods.xUnlock = xUnlock;
    g_methods.xCheckReservedLock = xCheckReservedLock;
    g_methods.xFileControl = xFileControl;
    g_methods.xSectorSize = xSectorSize;
    g_methods.xDeviceCharacteristics = xDeviceCharacteristics;

    g_vfs = *g_real;
    g_vfs.iVersion = 1;
    g_vfs.zName = "vemora-faulty-disk";
    g_vfs.szOsFile = int(sizeof(File)) + g_real->szOsFile;
    g_vfs.xOpen = xOpen;
    // The rest (delete, access, full path, randomness, time) are the real VFS's own.
    sqlite3_vfs_register(&g_vfs, 1);
}

void failWritesAfter(std::int64_t bytes) {
    disarm();
    g_writeLimit = bytes;
}

void failSyncFrom(int n) {
    disarm();
    g_syncLimit = n;
}

void disarm() {
    g_written = 0;
    g_syncs = 0;
    g_writeLimit = std::numeric_limits<std::int64_t>::max();
    g_syncLimit = std::numeric_limits<int>::max();
}

std::int64_t bytesWritten() {
    return g_written;
}
int syncs() {
    return g_syncs;
}

}  // namespace vemora::test::faulty_disk
