#pragma once

#include "data/DbError.h"

#include <QDateTime>
#include <QStringList>

#include <optional>

namespace vemora {

class Database;

// What a draft belongs to: a day of the diary or the planner, a contact, a word.
enum class DraftKind { Diary, Planner, Contact, Word };

// Texts a user typed and did not save, kept for that user alone until they save or discard
// them.
struct Draft {
    QStringList texts;
    QDateTime written;  // local time of the last keeping
};

// The drafts of each user, one per record: `key` names the record as the caller knows it (a
// day as YYYY-MM-DD, a contact's names, a word), letter for letter. Texts are kept exactly as
// typed. Reads use a connection's own recordset, leaving the shared one to the window.
class DraftStore final {
public:
    explicit DraftStore(Database& database) : m_database(database) {}

    Result<std::optional<Draft>> load(qint64 user, DraftKind kind, const QString& key);
    // Keeps the texts as the user's draft of the record, replacing any earlier one.
    Status keep(qint64 user, DraftKind kind, const QString& key, const QStringList& texts);
    Status discard(qint64 user, DraftKind kind, const QString& key);
    // The keys of the user's drafts of one kind.
    Result<QStringList> keys(qint64 user, DraftKind kind);

private:
    Database& m_database;
};

}  // namespace vemora
