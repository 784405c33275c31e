#include "core/Database.h"
#include "core/DayStore.h"
#include "core/WordStore.h"
#include "formats/ContactCard.h"
#include "formats/Csv.h"
#include "formats/DayCalendar.h"
#include "transfer/Records.h"
#include "transfer/Transfer.h"

#include <array>
#include <utility>

namespace vemora {

namespace {

// The texts of every row, in the order of `columns`.
Result<QList<QStringList>> readRows(Database& database, const Statement& source,
                                    const QStringList& columns) {
    Recordset rows;
    if (const Status read = rows.open(source, database.DbConnection()); !read) return read.error();
    QList<QStringList> texts;
    texts.reserve(rows.rowCount());
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
        QStringList row;
        row.reserve(columns.size());
        for (const QString& column : columns) row.append(rows.text(column));
        texts.append(row);
    }
    return texts;
}

QStringList contactColumns() {
    QStringList columns;
    for (QLatin1StringView column : kContactColumns) columns.append(column);
    return columns;
}

Statement daysSource(const DayBook& book, qint64 user, QDate from, QDate to) {
    Statement days(QStringLiteral("SELECT %1, %2 FROM %3 WHERE user_num = ")
                       .arg(book.dateColumn, book.columns.join(QStringLiteral(", ")), book.table));
    days.number(user)
        .sql(QStringLiteral(" AND %1 BETWEEN ").arg(book.dateColumn))
        .date(from)
        .sql(u" AND ")
        .date(to)
        .sql(QStringLiteral(" ORDER BY %1").arg(book.dateColumn));
    return days;
}

// The address book's placeholders, N/A and a sex of U, as absent fields; importing gives them
// back.
QStringList withoutPlaceholders(QStringList row) {
    for (qsizetype i = 0; i < row.size(); ++i)
        if (row[i] == u"N/A" || (i == 3 && row[i] == u"U")) row[i].clear();
    return row;
}

QByteArray contactsFile(const QList<QStringList>& rows, FileFormat format) {
    if (format == FileFormat::Csv) {
        QList<QStringList> table{
            QStringList(records::kContactHeaders.begin(), records::kContactHeaders.end())};
        for (const QStringList& row : rows) table.append(withoutPlaceholders(row));
        return csv::write(table);
    }
    QList<vcard::Card> cards;
    cards.reserve(rows.size());
    for (const QStringList& row : rows) cards.append(records::cardOf(withoutPlaceholders(row)));
    return vcard::write(cards,
                        format == FileFormat::VCard3 ? vcard::Version::V3 : vcard::Version::V4);
}

// Days that iCalendar cannot hold (libical writes no year after 3000) are left out and named.
QByteArray daysFile(const QList<QStringList>& rows, DataKind kind, Exported& exported) {
    QList<ical::DiaryDay> days;
    QList<ical::PlanDay> plans;
    for (const QStringList& row : rows) {
        const QDate day = QDate::fromString(row.at(0), Qt::ISODate);
        if (!ical::writable(day)) {
            exported.leftOut.append(
                {row.at(0), QStringLiteral("an iCalendar file cannot hold this day")});
            continue;
        }
        if (kind == DataKind::Diary)
            days.append({day, row.at(1)});
        else
            plans.append({day, row.at(1), row.at(2), row.at(3)});
    }
    exported.records -= int(exported.leftOut.size());
    return kind == DataKind::Diary ? ical::writeDiary(days) : ical::writePlans(plans);
}

}  // namespace

QString countOf(DataKind kind, qsizetype count) {
    static const std::array<std::pair<const char*, const char*>, 4> nouns{{
        {"contact", "contacts"},
        {"diary day", "diary days"},
        {"plan", "plans"},
        {"word", "words"},
    }};
    const auto& [one, many] = nouns.at(std::size_t(kind));
    return records::plural(count, one, many);
}

Result<Exported> exportRecords(Database& database, qint64 user, const ExportRequest& request,
                               const TransferProgress& progress) {
    const DayBook& book = request.kind == DataKind::Diary ? DayBook::diary() : DayBook::planner();
    Statement source;
    QStringList columns;
    switch (request.kind) {
        case DataKind::Contacts:
            source = request.contact ? ContactStore::selection(user, *request.contact)
                                     : ContactStore::listing(user);
            columns = contactColumns();
            break;
        case DataKind::Diary:
        case DataKind::Planner:
            source = daysSource(book, user, request.from, request.to);
            columns = QStringList{book.dateColumn} + book.columns;
            break;
        case DataKind::Dictionary:
            source = WordStore::listing();
            columns = {QStringLiteral("dict_name"), QStringLiteral("dict_description")};
            break;
    }
    const Result<QList<QStringList>> rows = readRows(database, source, columns);
    if (!rows) return rows.error();
    const qsizetype total = rows.value().size();
    if (progress && !progress(0, total)) return Exported{{}, 0, true, {}};

    Exported exported;
    exported.records = int(total);
    switch (request.kind) {
        case DataKind::Contacts:
            exported.bytes = contactsFile(rows.value(), request.format);
            break;
        case DataKind::Diary:
        case DataKind::Planner:
            exported.bytes = daysFile(rows.value(), request.kind, exported);
            break;
        case DataKind::Dictionary: {
            QList<QStringList> table{
                QStringList(records::kWordHeaders.begin(), records::kWordHeaders.end())};
            table.append(rows.value());
            exported.bytes = csv::write(table);
            break;
        }
    }
    if (progress) progress(total, total);
    return exported;
}

Result<std::optional<std::pair<QDate, QDate>>> entryRange(Database& database, const DayBook& book,
                                                          qint64 user) {
    const Statement range(
        Statement(
            QStringLiteral("SELECT MIN(%1) AS first, MAX(%1) AS last FROM %2 WHERE user_num = ")
                .arg(book.dateColumn, book.table))
            .number(user));
    Recordset rows;
    if (const Status read = rows.open(range, database.DbConnection()); !read) return read.error();
    rows.moveFirst();
    const QDate first = rows.date(u"first");
    const QDate last = rows.date(u"last");
    if (!first.isValid() || !last.isValid()) return std::optional<std::pair<QDate, QDate>>();
    return std::optional<std::pair<QDate, QDate>>(std::pair{first, last});
}

}  // namespace vemora
