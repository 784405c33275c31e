#pragma once

#include "data/DbError.h"

#include <chrono>

namespace vemora {

class DatabaseLock;
class Prompter;

// Tells the user why the database could not be opened: the "Can't locate!" box for a file
// that is not there, the cause and the file's path for one that cannot be used. Other
// errors are left to the statement that meets them.
void reportOpenFailure(Prompter& prompter, const DbError& error);

// Takes the database lock shared. While the maintenance tool holds it exclusively, waits up to
// `wait`, then asks the user to retry or cancel. False when the user cancelled. Where no lock
// file can be made (a folder nobody may write to) the tool cannot replace the database either,
// so the answer is true without a lock.
bool holdSharedLock(DatabaseLock& lock, Prompter& prompter, std::chrono::milliseconds wait);

}  // namespace vemora
