#pragma once

#include "core/Change.h"
#include "data/DataControl.h"
#include "data/DbError.h"
#include "data/Statement.h"

#include <QStringList>

#include <optional>

#include <functional>

namespace vemora {

class Database;

// A word of the shared dictionary as it was loaded: texts exactly as read, a missing
// description as empty text, and the account that stored it when known.
struct LoadedWord {
    QString word;
    QString description;
    std::optional<qint64> owner;
};

// The dictionary all users share. A word is stored once, whatever its letter case; only the
// account that stored it, or the administrator, changes it, and it keeps its owner.
class WordStore final {
public:
    explicit WordStore(Database& database) : m_database(database) {}

    // Every word, in word order, for a grid's own connection.
    static Statement listing();
    // The word exactly as loaded, found the way save() finds it.
    static Statement selection(const QString& word, const QString& description);

    // A change to these words, for the listing's grid to re-read.
    static DataControl::RowsChange changedRows(const QStringList& words);
    // The word that add() stores for the typed one; save() stores it trimmed.
    static QString addedWord(const QString& typed);
    static QString savedWord(const QString& typed);

    // The stored words in word order, as one column read through the shared connection; the
    // shared recordset gives up its rows.
    Result<Recordset> words();
    // Stores the texts as typed, apostrophes as backquotes. Incomplete, Unstorable, or Taken
    // when the word is stored already.
    Result<Change> add(qint64 user, const QString& word, const QString& description);
    // Rewrites the loaded word with the texts trimmed. Incomplete, Unstorable, NotOwner, Taken
    // when the new word is another stored one, Gone when the row no longer holds the loaded
    // texts.
    Result<Change> save(qint64 user, const LoadedWord& loaded, const QString& word,
                        const QString& description);

private:
    // Runs the change; after a lost connection it is made again unless `landed` finds it made.
    Result<Change> run(const Statement& statement, const std::function<Result<bool>()>& landed);
    // Whether a row holds the word and the description exactly.
    Result<bool> holds(const QString& word, const QString& description);

    Database& m_database;
};

}  // namespace vemora
