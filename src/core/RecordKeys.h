#pragma once

#include "data/Statement.h"

namespace vemora {

// The conditions that find one stored record again. The statements that change a record and
// the report that prints it share them, so that all of them find the same row.

// " WHERE" and a contact of the user by its three names. Blanks around the stored and the given
// names are ignored, and so is letter case.
Statement& whereContact(Statement& statement, qint64 user, const QString& name,
                        const QString& middle, const QString& last);
// The same condition without " WHERE".
Statement& contactCondition(Statement& statement, qint64 user, const QString& name,
                            const QString& middle, const QString& last);

// " WHERE" and a word exactly as it was loaded: word and description compared letter for
// letter, a missing description taken as empty.
Statement& whereLoadedWord(Statement& statement, const QString& word, const QString& description);

}  // namespace vemora
