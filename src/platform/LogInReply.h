#pragma once

#include "core/Accounts.h"

#include <optional>

class QLineEdit;

namespace vemora {

class Database;
class Prompter;

// The look-up of both log-in windows, and their reply when it admits nobody: "Errot Traping"
// for a query that could not run, "Sorry!" for no match (the password box then holds the
// focus with its text selected). The account when one matched.
std::optional<UserRecord> lookUpLogIn(Database& database, Prompter& prompter,
                                      const QString& userName, QLineEdit* password);

}  // namespace vemora
