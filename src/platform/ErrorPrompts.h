#pragma once

#include "data/DbError.h"

namespace vemora {

class Prompter;

// How a window words a statement that failed: the one-line apostrophe alert and "number
// description" (contacts, words, accounts), or the three-line alert and "numberdescription"
// (diary and planner days).
enum class TrapWording { Record, Day };

// "Message Alert!" for a statement broken by an apostrophe.
void showApostropheAlert(Prompter& prompter, TrapWording wording);
// "Errot Traping" with the error's number and description.
void showTrappedError(Prompter& prompter, const DbError& error, TrapWording wording);
// The apostrophe alert for a syntax error, "Errot Traping" for any other.
void reportTrapped(Prompter& prompter, const DbError& error, TrapWording wording);

}  // namespace vemora
