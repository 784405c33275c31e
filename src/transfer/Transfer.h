#pragma once

#include "core/ContactStore.h"
#include "data/DbError.h"
#include "formats/Csv.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

namespace vemora {

class Database;
struct DayBook;

// What a file carries.
enum class DataKind { Contacts, Diary, Planner, Dictionary };
enum class FileFormat { VCard3, VCard4, Csv, ICalendar };

// Told how many of the records are done; false stops the run.
using TransferProgress = std::function<bool(qsizetype done, qsizetype total)>;

struct ExportRequest {
    DataKind kind = DataKind::Contacts;
    FileFormat format = FileFormat::VCard4;
    std::optional<ContactNames> contact = {};  // contacts: only this one
    QDate from = {};                           // diary and planner: these days and those between
    QDate to = {};
};

struct RefusedRecord {
    QString record;  // which one, as the user knows it; empty when the file does not say
    QString reason;
};

// One line per record: "<record>: <reason>".
QStringList linesOf(const QList<RefusedRecord>& records);

struct Exported {
    QByteArray bytes;
    int records = 0;
    bool cancelled = false;        // nothing was made
    QList<RefusedRecord> leftOut;  // days that an iCalendar file cannot hold
};

// "1 contact", "3 diary days", "0 plans", "2 words".
QString countOf(DataKind kind, qsizetype count);

// The user's records as the bytes of a file. Contacts as vCard or CSV, days as iCalendar,
// the shared dictionary as CSV.
Result<Exported> exportRecords(Database& database, qint64 user, const ExportRequest& request,
                               const TransferProgress& progress = {});

// The first and the last day that hold an entry of the user; nothing when none does.
Result<std::optional<std::pair<QDate, QDate>>> entryRange(Database& database, const DayBook& book,
                                                          qint64 user);

struct ImportSummary {
    QList<DataKind> kinds;  // what the file held
    int added = 0;
    int present = 0;
    QList<RefusedRecord> refused;
    QList<RefusedRecord> leftOut;  // values of added records that their fields cannot hold
    bool cancelled = false;
    QString unreadable;              // why nothing could be taken from the file
    std::optional<DbError> failure;  // the database failure that stopped the import

    // CSV of contacts: the columns not imported. When the header names no field, its header
    // and first rows, for the user to say what each column holds.
    QStringList unusedColumns;
    std::optional<csv::Table> unknownHeader;

    bool completed() const { return unreadable.isEmpty() && !failure && !cancelled; }
    // "N added, M already present, K refused", and how the import ended when it did not run
    // to the end.
    QString text() const;
    // One line per refused record, then one per value left out: which one and why.
    QStringList details() const;
};

// A CSV column, by its header, and the contact field it goes to, in the order of
// kContactColumns; -1 when it is not imported.
struct ColumnChoice {
    QString column;
    int field;
};

// Stores the records of a file for the user, the format taken from the content: vCard,
// iCalendar, or CSV with the columns of contacts or of words. Each record is one change made
// by its store's rules; records already present are skipped and counted, never overwritten.
// A cancelled or failed import keeps the records completed before it stopped. `columns`
// makes a CSV file one of contacts and overrides what its header says of those columns.
ImportSummary importRecords(Database& database, qint64 user, const QByteArray& bytes,
                            const TransferProgress& progress = {},
                            const QList<ColumnChoice>& columns = {});

}  // namespace vemora
