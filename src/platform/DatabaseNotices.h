#pragma once

#include "data/DbError.h"

namespace vemora {

class Prompter;

// Tells the user why the database could not be opened: the "Can't locate!" box for a file
// that is not there, the cause and the file's path for one that cannot be used. Other
// errors are left to the statement that meets them.
void reportOpenFailure(Prompter& prompter, const DbError& error);

// While the maintenance tool works on the database: asks the user to retry or cancel. True for
// Retry.
bool askToWaitForTool(Prompter& prompter);

}  // namespace vemora
