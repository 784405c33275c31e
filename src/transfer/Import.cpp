#include "core/Database.h"
#include "core/DayStore.h"
#include "core/Transaction.h"
#include "core/WordStore.h"
#include "data/Encoding.h"
#include "formats/ContactCard.h"
#include "formats/Csv.h"
#include "formats/DayCalendar.h"
#include "transfer/ContactColumns.h"
#include "transfer/Records.h"
#include "transfer/Transfer.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>

#include <algorithm>

namespace vemora {

namespace {

// What a field a contact or a plan lacks is stored as: the address book asks users to type
// N/A where they have nothing, and vCard's code for an unknown sex is U.
const QString kNothing = QStringLiteral("N/A");
const QString kUnknownSex = QStringLiteral("U");

// Commits are what costs: records are kept in batches of at most this long, each record
// still one change of its own inside the batch.
constexpr qint64 kBatchMilliseconds = 250;

bool blank(const QString& text) {
    return trimBlanks(text).isEmpty();
}

// The text as the database's caseless collation compares it: ASCII letters folded.
QString folded(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 128) c = c.toLower();
    return text;
}

// A contact's name as its key: blanks around it and letter case aside.
QString keyOf(const QString& text) {
    return folded(trimBlanks(text));
}

QString contactKey(const QStringList& texts) {
    return keyOf(texts.value(0)) + QChar(0x1f) + keyOf(texts.value(1)) + QChar(0x1f) +
           keyOf(texts.value(2));
}

// One stored record: the store's answer and, when it refuses, what the user is told.
struct Outcome {
    enum { Added, Present, Refused } kind;
    QString reason = {};
    QStringList leftOut = {};  // what an added record lacks of the file's, and why
};

// Runs the records through `store` in batches, counting them into the summary.
class Run {
public:
    Run(Database& database, ImportSummary& summary, const TransferProgress& progress,
        qsizetype total)
        : m_database(database),
          m_summary(summary),
          m_progress(progress),
          m_total(total),
          m_kept(summary.refused.size()),
          m_keptLeftOut(summary.leftOut.size()) {}

    // Stores one record; `label` names it when it is refused. False when the import is to
    // stop: cancelled, or the database failed.
    template <class Label, class Store>
    bool record(const Label& label, const Store& store) {
        if (!m_batch) {
            m_batch.emplace(m_database);
            if (!m_batch->begun()) return fail(m_batch->begun().error());
            m_clock.start();
        }
        const Result<Outcome> outcome = store();
        if (!outcome) return fail(outcome.error());
        m_pending[outcome.value().kind] += 1;
        if (outcome.value().kind == Outcome::Refused)
            m_summary.refused.append({label(), outcome.value().reason});
        if (outcome.value().kind == Outcome::Added)
            for (const QString& note : outcome.value().leftOut)
                m_summary.leftOut.append({label(), note});
        ++m_done;
        if (m_clock.elapsed() >= kBatchMilliseconds && !commit()) return false;
        if (m_progress && !m_progress(m_done, m_total) && m_done < m_total) {
            m_summary.cancelled = true;
            commit();
            return false;
        }
        return true;
    }

    bool finish() { return commit(); }

private:
    bool commit() {
        if (!m_batch) return true;
        const Status committed = m_batch->commit();
        m_batch.reset();
        if (!committed) return fail(committed.error());
        m_summary.added += m_pending[Outcome::Added];
        m_summary.present += m_pending[Outcome::Present];
        m_pending = {};
        m_kept = m_summary.refused.size();
        m_keptLeftOut = m_summary.leftOut.size();
        return true;
    }

    // The batch is undone: its records are neither added nor refused.
    bool fail(const DbError& error) {
        m_batch.reset();
        m_summary.refused.resize(m_kept);
        m_summary.leftOut.resize(m_keptLeftOut);
        m_summary.failure = error;
        return false;
    }

    Database& m_database;
    ImportSummary& m_summary;
    const TransferProgress& m_progress;
    qsizetype m_total;
    qsizetype m_done = 0;
    std::optional<Transaction> m_batch;
    QElapsedTimer m_clock;
    std::array<int, 3> m_pending{};
    qsizetype m_kept;  // refusals of the records committed, and of those that could not be read
    qsizetype m_keptLeftOut;
};

Result<Outcome> refusedFor(Refusal refusal, int field, const QString& unstorableName) {
    switch (refusal) {
        case Refusal::None:
            return Outcome{Outcome::Added};
        case Refusal::Taken:
            return Outcome{Outcome::Present};
        case Refusal::Unstorable:
            return Outcome{
                Outcome::Refused,
                QStringLiteral("the %1 holds a character that cannot be stored")
                    .arg(unstorableName.isEmpty() ? QString::number(field + 1) : unstorableName)};
        default:
            return Outcome{Outcome::Refused, QStringLiteral("it cannot be stored")};
    }
}

bool isPhoneField(qsizetype field) {
    return field >= 5 && field <= 7;
}

// A phone number made to fit `limit` without losing a digit: a tel: URI as its number, an
// extension as " x102", then without visual separators. Nothing when it cannot fit.
std::optional<QString> fittedPhone(QString number, qsizetype limit) {
    static const QRegularExpression extension(QStringLiteral(";ext=([^;]*)"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression separators(QStringLiteral("[-.()\\s]"));
    if (number.startsWith(u"tel:", Qt::CaseInsensitive))
        number = QUrl::fromPercentEncoding(number.sliced(4).toUtf8());
    number.replace(extension, QStringLiteral(" x\\1"));
    if (number.size() > limit) number.remove(separators);
    if (number.size() > limit) return std::nullopt;
    return number;
}

// Fields a contact lacks become N/A. A text longer than its field holds is left out (the
// address book would cut it) and noted in `leftOut`; phone numbers are fitted first. A contact
// without a name is filed under its organisation, e-mail address or phone number, in the first
// name. The refusal, when the contact cannot be filed at all.
std::optional<QString> completeContact(QStringList& texts, QStringList& leftOut) {
    const QString organisation = texts.value(records::kOrganisation).trimmed();
    texts.resize(qsizetype(kContactColumns.size()));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        QString& text = texts[i];
        const int limit = records::kContactLimits.at(std::size_t(i));
        if (text.size() <= limit) continue;
        if (isPhoneField(i))
            if (const std::optional<QString> fitted = fittedPhone(text, limit)) {
                text = *fitted;
                continue;
            }
        leftOut.append(QStringLiteral("%1 left out (%2, the field holds %3)")
                           .arg(records::contactFieldName(int(i)),
                                records::plural(text.size(), "character", "characters"))
                           .arg(limit));
        text.clear();
    }
    if (blank(texts.at(0)) && blank(texts.at(1)) && blank(texts.at(2))) {
        const QString email = texts.at(8).trimmed();
        const QStringList names{organisation,
                                email,
                                email.section(u'@', 0, 0),
                                texts.at(5).trimmed(),
                                texts.at(6).trimmed(),
                                texts.at(7).trimmed()};
        const auto filed = std::find_if(names.begin(), names.end(), [](const QString& name) {
            return !name.isEmpty() && name.size() <= records::kContactLimits.at(0);
        });
        if (filed != names.end())
            texts[0] = *filed;
        else if (std::all_of(names.begin(), names.end(), blank))
            return QStringLiteral("it has no name, organisation, e-mail address or phone number");
        else
            return QStringLiteral(
                       "it has no name, and its organisation or e-mail address is longer than %1")
                .arg(records::plural(records::kContactLimits.at(0), "character", "characters"));
    }
    for (qsizetype i = 0; i < texts.size(); ++i) {
        QString& text = texts[i];
        if (blank(text)) text = i == 3 ? kUnknownSex : kNothing;
        // Names are keys, matched as they are stored: apostrophes as backquotes.
        if (i < 3) text = ReplaceApostrophes(text);
    }
    return std::nullopt;
}

void importContacts(Database& database, qint64 user, const QList<QStringList>& contacts, Run& run) {
    QSet<QString> present;
    {
        Recordset rows;
        if (const Status read = rows.open(ContactStore::listing(user), database.DbConnection());
            read) {
            for (rows.moveFirst(); !rows.eof(); rows.moveNext())
                present.insert(contactKey(
                    {rows.text(u"name"), rows.text(u"middle_name"), rows.text(u"last_name")}));
        }
    }
    ContactAdder store(database);
    for (const QStringList& given : contacts) {
        QStringList texts = given;
        // An unnamed contact is known by what it is filed under.
        const auto label = [&given, &texts] {
            const QString name = records::contactLabel(given);
            return name.isEmpty() && texts.value(0) != kNothing ? texts.value(0).trimmed() : name;
        };
        const bool going = run.record(label, [&]() -> Result<Outcome> {
            QStringList leftOut;
            if (const auto refused = completeContact(texts, leftOut))
                return Outcome{Outcome::Refused, *refused};
            const QString key = contactKey(texts);
            if (present.contains(key)) return Outcome{Outcome::Present};
            const Result<Change> change = store.add(user, texts);
            if (!change) return change.error();
            if (change.value().done()) present.insert(key);
            Result<Outcome> outcome = refusedFor(
                change.value().refusal, change.value().field,
                change.value().field >= 0 ? records::contactFieldName(change.value().field)
                                          : QString());
            if (outcome) outcome.value().leftOut = leftOut;
            return outcome;
        });
        if (!going) return;
    }
}

template <class Day>
void importDays(Database& database, qint64 user, const DayBook& book, const QList<Day>& days,
                const std::function<QStringList(const Day&)>& textsOf, Run& run) {
    QSet<QDate> present;
    if (!days.isEmpty()) {
        const auto [first, last] = std::minmax_element(
            days.begin(), days.end(), [](const Day& a, const Day& b) { return a.day < b.day; });
        const Result<QList<QDate>> stored =
            DayStore(database, book).daysWithEntries(user, first->day, last->day);
        if (stored) present = QSet<QDate>(stored.value().begin(), stored.value().end());
    }
    DayStore store(database, book);
    const bool plan = book.columns.size() > 1;
    for (const Day& day : days) {
        const auto label = [&day] { return day.day.toString(Qt::ISODate); };
        const bool going = run.record(label, [&]() -> Result<Outcome> {
            if (!day.day.isValid())
                return Outcome{Outcome::Refused, QStringLiteral("it has no date")};
            QStringList texts = textsOf(day);
            if (std::all_of(texts.begin(), texts.end(), blank))
                return Outcome{Outcome::Refused, plan ? QStringLiteral("the plan is empty")
                                                      : QStringLiteral("the entry is empty")};
            for (QString& text : texts)
                if (blank(text)) text = kNothing;
            if (present.contains(day.day)) return Outcome{Outcome::Present};
            const Result<Change> change = store.add(user, day.day, texts);
            if (!change) return change.error();
            if (change.value().done()) present.insert(day.day);
            static const QStringList planFields{
                QStringLiteral("morning"), QStringLiteral("afternoon"), QStringLiteral("quote")};
            return refusedFor(
                change.value().refusal, change.value().field,
                plan ? planFields.value(change.value().field) : QStringLiteral("text"));
        });
        if (!going) return;
    }
}

void importWords(Database& database, qint64 user, const QList<QStringList>& words, Run& run) {
    QSet<QString> present;
    WordStore store(database);
    if (const Result<Recordset> stored = store.words())
        for (int i = 0; i < stored.value().rowCount(); ++i)
            present.insert(folded(stored.value().value(i, 0).toString()));
    for (const QStringList& row : words) {
        const QString& word = row.at(0);
        const QString& description = row.at(1);
        const auto label = [&word] { return word.trimmed(); };
        const bool going = run.record(label, [&]() -> Result<Outcome> {
            if (blank(word)) return Outcome{Outcome::Refused, QStringLiteral("the word is empty")};
            if (blank(description))
                return Outcome{Outcome::Refused, QStringLiteral("the description is empty")};
            if (word.size() > records::kWordLimit)
                return Outcome{
                    Outcome::Refused,
                    QStringLiteral("the word is longer than %1")
                        .arg(records::plural(records::kWordLimit, "character", "characters"))};
            // The dictionary's unique word compares letter case aside, blanks included.
            const QString key = folded(ReplaceApostrophes(word));
            if (present.contains(key)) return Outcome{Outcome::Present};
            const Result<Change> change = store.add(user, word, description);
            if (!change) return change.error();
            if (change.value().done()) present.insert(key);
            return refusedFor(
                change.value().refusal, change.value().field,
                change.value().field == 0 ? QStringLiteral("word") : QStringLiteral("description"));
        });
        if (!going) return;
    }
}

// The CSV columns in the order of `headers`, or nothing when the header lacks one.
std::optional<QList<int>> columnsOf(const QStringList& header, const auto& headers) {
    QList<int> columns;
    for (const QString& wanted : headers) {
        const auto found = std::find_if(header.begin(), header.end(), [&](const QString& name) {
            return name.trimmed().compare(wanted, Qt::CaseInsensitive) == 0;
        });
        if (found == header.end()) return std::nullopt;
        columns.append(int(found - header.begin()));
    }
    return columns;
}

QList<QStringList> pick(const csv::Table& table, const QList<int>& columns) {
    QList<QStringList> rows;
    rows.reserve(table.rows.size());
    for (const QStringList& row : table.rows) {
        QStringList picked;
        for (int column : columns) picked.append(row.value(column));
        rows.append(picked);
    }
    return rows;
}

// The columns of a CSV file of contacts, the user's choices applied; nothing, with the reason
// in the summary, when a choice names no column of the file.
std::optional<ContactColumns> contactColumnsOf(const QStringList& header,
                                               const QList<ColumnChoice>& choices,
                                               ImportSummary& summary) {
    ContactColumns columns(header);
    QHash<QString, QList<int>> positions;
    for (int i = 0; i < header.size(); ++i) positions[header[i].trimmed().toLower()].append(i);
    for (const ColumnChoice& choice : choices) {
        const QList<int> found = positions.value(choice.column.trimmed().toLower());
        if (found.isEmpty()) {
            summary.unreadable =
                QStringLiteral("The CSV file has no column \"%1\".").arg(choice.column);
            return std::nullopt;
        }
        for (int column : found) columns.setField(column, choice.field);
    }
    return columns;
}

QList<QStringList> contactsOf(const csv::Table& table, const ContactColumns& columns) {
    QList<QStringList> contacts;
    contacts.reserve(table.rows.size());
    for (const QStringList& row : table.rows) contacts.append(columns.contactOf(row));
    return contacts;
}

// How many rows of a file whose header is not known the user sees.
constexpr qsizetype kFirstRows = 5;

void refuseUnread(ImportSummary& summary, const QStringList& problems) {
    for (const QString& problem : problems) summary.refused.append({QString(), problem});
}

}  // namespace

ImportSummary importRecords(Database& database, qint64 user, const QByteArray& bytes,
                            const TransferProgress& progress, const QList<ColumnChoice>& columns) {
    ImportSummary summary;
    if (vcard::recognises(bytes)) {
        const vcard::ReadCards read = vcard::read(bytes);
        summary.kinds = {DataKind::Contacts};
        refuseUnread(summary, read.problems);
        QList<QStringList> contacts;
        for (const vcard::Card& card : read.cards) contacts.append(records::textsOf(card));
        Run run(database, summary, progress, contacts.size());
        importContacts(database, user, contacts, run);
        run.finish();
        return summary;
    }
    if (ical::recognises(bytes)) {
        const ical::ReadDays read = ical::read(bytes);
        if (read.diary.isEmpty() && read.plans.isEmpty() && read.problems.isEmpty()) {
            summary.unreadable =
                QStringLiteral("This file holds no journal entries (it holds %1, %2)")
                    .arg(records::plural(read.events, "event", "events"),
                         records::plural(read.tasks, "task", "tasks"));
            return summary;
        }
        refuseUnread(summary, read.problems);
        if (!read.diary.isEmpty() || read.plans.isEmpty()) summary.kinds.append(DataKind::Diary);
        if (!read.plans.isEmpty()) summary.kinds.append(DataKind::Planner);
        Run run(database, summary, progress, read.diary.size() + read.plans.size());
        importDays<ical::DiaryDay>(
            database, user, DayBook::diary(), read.diary,
            [](const ical::DiaryDay& day) { return QStringList{day.text}; }, run);
        if (!summary.failure && !summary.cancelled)
            importDays<ical::PlanDay>(
                database, user, DayBook::planner(), read.plans,
                [](const ical::PlanDay& day) {
                    return QStringList{day.morning, day.afternoon, day.quote};
                },
                run);
        run.finish();
        return summary;
    }
    QString why;
    const std::optional<csv::Table> table = csv::read(bytes, &why);
    if (!table) {
        summary.unreadable =
            QStringLiteral("The file is neither vCard, iCalendar nor CSV (%1).").arg(why);
        return summary;
    }
    const auto words = columnsOf(table->header, records::kWordHeaders);
    if (words && columns.isEmpty()) {
        summary.kinds = {DataKind::Dictionary};
        Run run(database, summary, progress, table->rows.size());
        importWords(database, user, pick(*table, *words), run);
        run.finish();
        return summary;
    }
    const std::optional<ContactColumns> contactColumns =
        contactColumnsOf(table->header, columns, summary);
    if (!contactColumns) return summary;
    if (!contactColumns->known()) {
        summary.unreadable =
            QStringLiteral(
                "The CSV file has neither the columns of contacts (%1) nor those of "
                "words (%2).")
                .arg(QStringList(records::kContactHeaders.begin(), records::kContactHeaders.end())
                         .join(QStringLiteral(", ")),
                     QStringList(records::kWordHeaders.begin(), records::kWordHeaders.end())
                         .join(QStringLiteral(", ")));
        summary.unknownHeader =
            csv::Table{table->header, table->rows.first(std::min(kFirstRows, table->rows.size()))};
        return summary;
    }
    summary.kinds = {DataKind::Contacts};
    summary.unusedColumns = contactColumns->unused();
    Run run(database, summary, progress, table->rows.size());
    importContacts(database, user, contactsOf(*table, *contactColumns), run);
    run.finish();
    return summary;
}

QString ImportSummary::text() const {
    if (!unreadable.isEmpty()) return unreadable;
    QString counts = QStringLiteral("%1 added, %2 already present, %3 refused")
                         .arg(added)
                         .arg(present)
                         .arg(refused.size());
    if (failure)
        return counts + QStringLiteral(". The import stopped: %1").arg(failure->description);
    if (cancelled)
        return counts + QStringLiteral(
                            ". The import was cancelled; the rest of the file was "
                            "not imported.");
    return counts;
}

QStringList ImportSummary::details() const {
    return linesOf(refused) + linesOf(leftOut);
}

QStringList linesOf(const QList<RefusedRecord>& records) {
    QStringList lines;
    for (const RefusedRecord& record : records)
        lines.append(record.record.isEmpty()
                         ? record.reason
                         : QStringLiteral("%1: %2").arg(record.record, record.reason));
    return lines;
}

}  // namespace vemora
