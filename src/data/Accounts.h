#pragma once

#include "data/Statement.h"

#include <optional>

namespace vemora {

// The log-in look-up: the account whose user name (trimmed, any letter case) and password
// (as typed, compared in its stored form) match. Nothing when the password has no stored
// form, since then it matches no account.
std::optional<Statement> accountLookup(const QString& userName, const QString& password);

}  // namespace vemora
