#pragma once

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>

#include <span>
#include <vector>

class QSqlQuery;

namespace vemora {

class Statement;

// The version of the schema below: the file keeps it in its user_version, a server in its
// settings table.
inline constexpr int kSchemaVersion = 5;

// What a column holds, as both engines give it back: a whole number, a text, or a day (a
// YYYY-MM-DD text on the file, a date on a server).
enum class ColumnKind { Number, Text, Day };

struct Column {
    QLatin1StringView name;
    ColumnKind kind = ColumnKind::Text;
    bool required = false;  // NOT NULL
    // Texts compare without regard to ASCII letter case (the file's NOCASE).
    bool caseless = true;
    // The column alone keys its table: the account numbers (given by the engine), the words.
    bool key = false;
    bool unique = false;
    bool emptyByDefault = false;
    // The most characters a store accepts; 0 for any number.
    int maxLength = 0;
};

// One part of an index key: a column, with blanks around its text ignored when `trimmed`.
struct KeyPart {
    QLatin1StringView column;
    bool trimmed = false;
};

struct Index {
    QLatin1StringView name;
    std::span<const KeyPart> parts;
    bool unique = false;
};

struct Table {
    QLatin1StringView name;
    std::span<const Column> columns = {};
    std::span<const Index> indexes = {};
    // Columns that together are unique in the table, written as the table's own constraint.
    std::span<const QLatin1StringView> uniqueTogether = {};
    // The file keeps the table in key order rather than by row number.
    bool keptInKeyOrder = false;
    // On a server the rows live in this table, which numbers them in the order they were added
    // (the file's rowid order), and `name` is a view of it without that number.
    QLatin1StringView serverRows = {};
    // The schema version that made the table; an older database does not have it yet.
    int since = 1;

    const Column* column(QLatin1StringView name) const;
    // The file declares this key on its one column (UNIQUE, PRIMARY KEY), not as an index.
    bool keyedOnColumn(const Index& index) const;
    QStringList columnNames() const;
};

// Every table of the organizer's database, accounts first.
std::span<const Table> schemaTables();

// The columns of the tables whose texts callers hand over column by column, in table order.
inline constexpr Column kUsersColumns[] = {
    {.name = QLatin1StringView("user_num"),
     .kind = ColumnKind::Number,
     .caseless = false,
     .key = true},
    {.name = QLatin1StringView("user_name"), .required = true, .unique = true, .maxLength = 15},
    // Stored encoded, compared letter for letter.
    {.name = QLatin1StringView("user_password"),
     .required = true,
     .caseless = false,
     .emptyByDefault = true},
    {.name = QLatin1StringView("name"), .required = true, .emptyByDefault = true, .maxLength = 50},
};
inline constexpr Column kContactsColumns[] = {
    {.name = QLatin1StringView("user_num"), .kind = ColumnKind::Number, .required = true},
    {.name = QLatin1StringView("name"), .maxLength = 30},
    {.name = QLatin1StringView("middle_name"), .maxLength = 30},
    {.name = QLatin1StringView("last_name"), .maxLength = 30},
    {.name = QLatin1StringView("sex"), .maxLength = 1},
    {.name = QLatin1StringView("address"), .maxLength = 150},
    {.name = QLatin1StringView("phone_num"), .maxLength = 16},
    {.name = QLatin1StringView("cel_num"), .maxLength = 16},
    {.name = QLatin1StringView("fax_num"), .maxLength = 16},
    {.name = QLatin1StringView("email"), .maxLength = 50},
};
inline constexpr Column kDictionaryColumns[] = {
    {.name = QLatin1StringView("user_num"), .kind = ColumnKind::Number, .required = true},
    {.name = QLatin1StringView("dict_name"), .required = true, .key = true, .maxLength = 30},
    {.name = QLatin1StringView("dict_description")},
};

// The records' tables, by the name every caller uses.
namespace tables {
inline constexpr QLatin1StringView kUsers("users");
inline constexpr QLatin1StringView kContacts("addressbook_tbl");
inline constexpr QLatin1StringView kDiary("diary_tbl");
inline constexpr QLatin1StringView kPlanner("planner_tbl");
inline constexpr QLatin1StringView kDictionary("dictionary_tbl");
inline constexpr QLatin1StringView kDrafts("drafts_tbl");
inline constexpr QLatin1StringView kOptions("options_tbl");
}  // namespace tables

// The statements that make the schema, table by table with its indexes, then the full-text
// index of the diary and the planner, in each engine's SQL.
QStringList fileSchema();
QStringList serverSchema();

// One object of the file's full-text index, as the file records it: its type, name and the
// statement that made it.
struct SchemaObject {
    QLatin1StringView type;
    QString name;
    QString sql;
};
// The index, the view it reads its texts from and the triggers that keep it in step.
QList<SchemaObject> fileSearchObjects();
// The tables the index keeps itself in.
QStringList fileSearchShadowTables();

inline constexpr auto kInitialAdminPassword = "admin";
// The administrator's account, number 1, that every new database holds.
Statement administratorSeed();

// One step of the schema's history: the statements that take a database to `version` from the
// version before it, in each engine's SQL. A server database begins at version 2.
struct Migration {
    int version;
    QStringList onFile;
    QStringList onServer;
};

// The steps from the first delivered version up to kSchemaVersion, oldest first.
const std::vector<Migration>& schemaLadder();

// Runs the engine's `statements` of each step above `from`, then the statement `recording(v)`
// gives for the version reached, inside the caller's transaction. True when all ran; otherwise
// the query holds the error.
bool climbLadder(QSqlQuery& query, int from, const std::vector<Migration>& ladder,
                 QStringList Migration::*statements, QString (*recording)(int version));
// Why a climb from `from` failed, as an open refusal words the cause.
QString ladderFailure(int from, const std::vector<Migration>& ladder, const QString& why);

}  // namespace vemora
