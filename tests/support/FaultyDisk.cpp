#include "support/FaultyDisk.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <list>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace vemora::test::faulty_disk {

namespace {

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods;
std::int64_t g_written = 0;
std::int64_t g_writeLimit = std::numeric_limits<std::int64_t>::max();
int g_syncs = 0;
int g_syncLimit = std::numeric_limits<int>::max();

// A change to a file's bytes, with what it replaced, so that it can be undone.
struct Change {
    bool truncation = false;
    std::int64_t offset = 0;  // a truncation: the new size
    std::string bytes;        // written
    std::string old;          // the bytes it overwrote, or those a truncation cut off
    sqlite3_int64 oldSize = 0;
};

// One file under a name, from its creation (or the first opening) to its deletion.
struct Node {
    std::string path;
    ino_t inode = 0;
    bool created = false;  // its creation has not reached the disk
    bool deleted = false;  // its deletion has not reached the disk
    bool gone = false;     // no longer anything to bring back: kept for the files still open
    std::string contentAtDeletion;
    std::vector<Change> changes;  // not yet synced, in order
};

std::mutex g_mutex;
std::list<Node> g_nodes;
std::map<std::string, Node*> g_live;
bool g_recording = false;
std::atomic<bool> g_dead = false;
std::int64_t g_operations = 0;
std::int64_t g_cutAt = std::numeric_limits<std::int64_t>::max();

// Our file: the real file's state follows this header in the same allocation.
struct File {
    sqlite3_file base;
    Node* node;
    bool syncsFolder;  // a new journal: its first sync also syncs its folder
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

std::string folderOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

// Counts a change while recording; false once the power is out.
bool powered() {
    if (g_dead) return false;
    if (!g_recording) return true;
    if (++g_operations >= g_cutAt) g_dead = true;
    return !g_dead;
}

void retire(Node& node) {
    node.gone = true;
    node.changes.clear();
    node.contentAtDeletion.clear();
}

// The file under the name now; a file renamed over it by a program is a new one.
Node* nodeOf(const std::string& path) {
    struct stat info {};
    const ino_t inode = ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
    if (const auto found = g_live.find(path); found != g_live.end()) {
        if (found->second->inode == inode) return found->second;
        retire(*found->second);
    }
    Node& node = g_nodes.emplace_back();
    node.path = path;
    node.inode = inode;
    g_live[path] = &node;
    return &node;
}

// The folder is synced: the creations and deletions in it have reached the disk.
void folderSynced(const std::string& folder) {
    for (Node& node : g_nodes) {
        if (node.gone || folderOf(node.path) != folder) continue;
        node.created = false;
        if (node.deleted) retire(node);
    }
}

std::string contentOf(const std::string& path) {
    std::string content;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return content;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) content.append(buffer, size_t(n));
    ::close(fd);
    return content;
}

void undo(int fd, const Change& change) {
    if (change.truncation) {
        (void)::ftruncate(fd, change.oldSize);
        (void)::pwrite(fd, change.old.data(), change.old.size(), change.offset);
        return;
    }
    (void)::pwrite(fd, change.old.data(), change.old.size(), change.offset);
    if (change.offset + std::int64_t(change.bytes.size()) > change.oldSize)
        (void)::ftruncate(fd, change.oldSize);
}

void redo(int fd, const Change& change) {
    if (change.truncation)
        (void)::ftruncate(fd, change.offset);
    else
        (void)::pwrite(fd, change.bytes.data(), change.bytes.size(), change.offset);
}

// Brings the file back to its synced bytes, then (Some) applies a random part of the changes
// in a random order. How many changes were lost.
int settle(const Node& node, Cut cut, std::mt19937& random) {
    const int fd = ::open(node.path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return int(node.changes.size());
    for (auto it = node.changes.rbegin(); it != node.changes.rend(); ++it) undo(fd, *it);
    std::vector<const Change*> reached;
    if (cut == Cut::Some)
        for (const Change& change : node.changes)
            if (random() % 2) reached.push_back(&change);
    std::shuffle(reached.begin(), reached.end(), random);
    for (const Change* change : reached) redo(fd, *change);
    ::close(fd);
    return int(node.changes.size() - reached.size());
}

File* own(sqlite3_file* f) {
    return reinterpret_cast<File*>(f);
}

int xClose(sqlite3_file* f) {
    sqlite3_file* real = own(f)->real();
    return real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
}
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    if (g_dead) return SQLITE_IOERR_READ;
    sqlite3_file* real = own(f)->real();
    return real->pMethods->xRead(real, buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    if (g_written + amount > g_writeLimit) return SQLITE_FULL;
    g_written += amount;
    sqlite3_file* real = own(f)->real();
    {
        const std::lock_guard lock(g_mutex);
        if (!powered()) return SQLITE_IOERR_WRITE;
        if (Node* node = own(f)->node; node && g_recording) {
            Change change;
            change.offset = offset;
            change.bytes.assign(static_cast<const char*>(buffer), size_t(amount));
            real->pMethods->xFileSize(real, &change.oldSize);
            change.old.resize(size_t(std::clamp<std::int64_t>(change.oldSize - offset, 0, amount)));
            if (!change.old.empty())
                real->pMethods->xRead(real, change.old.data(), int(change.old.size()), offset);
            node->changes.push_back(std::move(change));
        }
    }
    return real->pMethods->xWrite(real, buffer, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    sqlite3_file* real = own(f)->real();
    const std::lock_guard lock(g_mutex);
    if (!powered()) return SQLITE_IOERR_TRUNCATE;
    if (Node* node = own(f)->node; node && g_recording) {
        Change change;
        change.truncation = true;
        change.offset = size;
        real->pMethods->xFileSize(real, &change.oldSize);
        change.old.resize(size_t(std::max<std::int64_t>(change.oldSize - size, 0)));
        if (!change.old.empty())
            real->pMethods->xRead(real, change.old.data(), int(change.old.size()), size);
        node->changes.push_back(std::move(change));
    }
    return real->pMethods->xTruncate(real, size);
}
int xSync(sqlite3_file* f, int flags) {
    if (++g_syncs >= g_syncLimit) return SQLITE_IOERR_FSYNC;
    sqlite3_file* real = own(f)->real();
    const std::lock_guard lock(g_mutex);
    if (!powered()) return SQLITE_IOERR_FSYNC;
    const int rc = real->pMethods->xSync(real, flags);
    if (Node* node = own(f)->node; rc == SQLITE_OK && node) {
        node->changes.clear();
        if (own(f)->syncsFolder) folderSynced(folderOf(node->path));
        own(f)->syncsFolder = false;
    }
    return rc;
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
    file->node = nullptr;
    file->syncsFolder = false;
    const std::lock_guard lock(g_mutex);
    if (g_dead) {
        f->pMethods = nullptr;
        return SQLITE_CANTOPEN;
    }
    const bool existed = name && ::access(name, F_OK) == 0;
    const int rc = g_real->xOpen(g_real, name, file->real(), flags, outFlags);
    if (rc == SQLITE_OK && name && !(flags & SQLITE_OPEN_DELETEONCLOSE)) {
        file->node = nodeOf(name);
        if (!existed && g_recording) file->node->created = true;
        file->syncsFolder =
            (flags & SQLITE_OPEN_CREATE) &&
            (flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL | SQLITE_OPEN_WAL));
    }
    // Without methods SQLite does not call xClose, so the file is only ours when it opened.
    f->pMethods = file->real()->pMethods ? &g_methods : nullptr;
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncFolder) {
    const std::lock_guard lock(g_mutex);
    if (!powered()) return SQLITE_IOERR_DELETE;
    if (g_recording && ::access(name, F_OK) == 0) {
        Node* node = nodeOf(name);
        node->deleted = true;
        node->contentAtDeletion = contentOf(name);
    } else if (const auto found = g_live.find(name); found != g_live.end()) {
        retire(*found->second);
    }
    g_live.erase(name);
    const int rc = g_real->xDelete(g_real, name, syncFolder);
    if (rc == SQLITE_OK && syncFolder) folderSynced(folderOf(name));
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
    g_vfs.xDelete = xDelete;
    // The rest (access, full path, randomness, time) are the real VFS's own.
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

void cutPowerAt(std::int64_t operation) {
    const std::lock_guard lock(g_mutex);
    // What is on disk now counts as synced.
    for (Node& node : g_nodes) {
        node.created = false;
        node.changes.clear();
        if (node.deleted) retire(node);
    }
    g_recording = true;
    g_dead = false;
    g_operations = 0;
    g_cutAt = operation;
}

bool powerIsOut() {
    const std::lock_guard lock(g_mutex);
    return g_dead;
}

void cutPowerNow() {
    const std::lock_guard lock(g_mutex);
    g_dead = true;
}

std::int64_t operations() {
    const std::lock_guard lock(g_mutex);
    return g_operations;
}

int restorePower(Cut cut, unsigned seed) {
    const std::lock_guard lock(g_mutex);
    std::mt19937 random(seed);
    // In the Some mode a creation or deletion not yet synced may have reached the folder.
    const auto reached = [&] { return cut == Cut::Some && random() % 2 == 0; };
    int lost = 0;
    for (Node& node : g_nodes) {
        if (node.gone || node.deleted) continue;
        if (node.created && !reached()) {
            lost += int(node.changes.size()) + 1;
            ::unlink(node.path.c_str());
            g_live.erase(node.path);
            retire(node);
            continue;
        }
        // A file a program renamed over the name is not this one.
        struct stat info {};
        if (::stat(node.path.c_str(), &info) == 0 && info.st_ino == node.inode)
            lost += settle(node, cut, random);
        node.created = false;
        node.changes.clear();
    }
    for (Node& node : g_nodes) {
        if (node.gone || !node.deleted) continue;
        if (!node.created && !reached()) {
            ++lost;
            const int fd =
                ::open(node.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd >= 0) {
                (void)::write(fd, node.contentAtDeletion.data(), node.contentAtDeletion.size());
                ::close(fd);
                lost += settle(node, cut, random);
            }
        }
        retire(node);
    }
    g_recording = false;
    g_dead = false;
    g_operations = 0;
    g_cutAt = std::numeric_limits<std::int64_t>::max();
    return lost;
}

std::int64_t bytesWritten() {
    return g_written;
}
int syncs() {
    return g_syncs;
}

}  // namespace vemora::test::faulty_disk
