#include "cli/TransferCommands.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/Console.h"
#include "core/Accounts.h"
#include "core/Database.h"
#include "data/FileWriting.h"
#include "transfer/ContactColumns.h"
#include "transfer/Transfer.h"

namespace vemora {

namespace {

const QString kContacts = QStringLiteral("contacts");
const QString kDiary = QStringLiteral("diary");
const QString kPlanner = QStringLiteral("planner");
const QString kDictionary = QStringLiteral("dictionary");
const QString kFrom = QStringLiteral("from");
const QString kTo = QStringLiteral("to");
const QString kOutput = QStringLiteral("output");
const QString kVCardVersion = QStringLiteral("vcard-version");
const QString kMap = QStringLiteral("map");

struct Choice {
    DataKind kind;
    QString option;
    QStringList formats;  // the values the option takes
};

const QList<Choice>& choices() {
    static const QList<Choice> list{
        {DataKind::Contacts, kContacts, {QStringLiteral("vcard"), QStringLiteral("csv")}},
        {DataKind::Diary, kDiary, {QStringLiteral("ics")}},
        {DataKind::Planner, kPlanner, {QStringLiteral("ics")}},
        {DataKind::Dictionary, kDictionary, {QStringLiteral("csv")}},
    };
    return list;
}

// The logged-in user's number; the exit code, already explained, when the log-in fails.
std::variant<qint64, int> logIn(const QCommandLineParser& options, Database& database) {
    const QString user = options.value(QStringLiteral("user"));
    if (user.isEmpty()) return fail(kUsage, QStringLiteral("--user is needed"));
    const auto password = readPassword(options);
    if (const int* code = std::get_if<int>(&password)) return *code;
    if (const Status opened = database.open(); !opened)
        return fail(exitFor(opened.error().problem), opened.error().description);
    const Result<std::optional<UserRecord>> found =
        AccountStore(database).find(user, std::get<QString>(password));
    if (!found) return fail(kIoFailure, found.error().description);
    if (!found.value())
        return fail(kLoginRefused, QStringLiteral("log-in refused: wrong user name or password"));
    return found.value()->user_num.toLongLong();
}

std::optional<QDate> dayOf(const QCommandLineParser& options, const QString& option) {
    const QDate day = QDate::fromString(options.value(option), Qt::ISODate);
    if (!day.isValid()) return std::nullopt;
    return day;
}

int exportCommand(const QCommandLineParser& options, Database& database) {
    QList<const Choice*> chosen;
    for (const Choice& choice : choices())
        if (options.isSet(choice.option)) chosen.append(&choice);
    if (chosen.size() != 1)
        return fail(kUsage, QStringLiteral("export needs one of --contacts vcard|csv, --diary ics, "
                                           "--planner ics, --dictionary csv"));
    const Choice& choice = *chosen.first();
    const QString format = options.value(choice.option);
    if (!choice.formats.contains(format))
        return fail(kUsage, QStringLiteral("--%1 takes %2")
                                .arg(choice.option, choice.formats.join(QStringLiteral(" or "))));

    ExportRequest request{choice.kind, FileFormat::ICalendar};
    if (choice.kind == DataKind::Contacts || choice.kind == DataKind::Dictionary)
        request.format = format == u"csv" ? FileFormat::Csv : FileFormat::VCard4;
    if (options.isSet(kVCardVersion)) {
        const QString version = options.value(kVCardVersion);
        if (request.format != FileFormat::VCard4 || (version != u"3" && version != u"4"))
            return fail(kUsage,
                        QStringLiteral("--vcard-version takes 3 or 4, with --contacts vcard"));
        if (version == u"3") request.format = FileFormat::VCard3;
    }
    const bool days = choice.kind == DataKind::Diary || choice.kind == DataKind::Planner;
    if (options.isSet(kFrom) || options.isSet(kTo)) {
        const std::optional<QDate> from = dayOf(options, kFrom);
        const std::optional<QDate> to = dayOf(options, kTo);
        if (!days || !from || !to || *from > *to)
            return fail(kUsage, QStringLiteral("--from and --to take two days YYYY-MM-DD, the "
                                               "first not after the second, with --diary or "
                                               "--planner"));
        request.from = *from;
        request.to = *to;
    } else {
        request.from = QDate(1, 1, 1);
        request.to = QDate(9999, 12, 31);
    }

    const auto user = logIn(options, database);
    if (const int* code = std::get_if<int>(&user)) return *code;
    const Result<Exported> exported = exportRecords(database, std::get<qint64>(user), request);
    if (!exported) return fail(exitFor(exported.error().problem), exported.error().description);

    for (const QString& line : linesOf(exported.value().leftOut))
        std::cerr << "left out: " << line.toStdString() << std::endl;
    const QByteArray& bytes = exported.value().bytes;
    const QString summary =
        QStringLiteral("Exported ") + countOf(choice.kind, exported.value().records);
    if (!options.isSet(kOutput)) {
        // The file goes to standard output, the summary beside it to standard error.
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
        std::fflush(stdout);
        std::cerr << summary.toStdString() << std::endl;
        return kSuccess;
    }
    const QString path = options.value(kOutput);
    if (const auto problem = replaceFile(path, bytes))
        return fail(kIoFailure, QStringLiteral("%1: %2").arg(shown(path), *problem));
    std::cout << summary.toStdString() << " to "
              << shown(QFileInfo(path).absoluteFilePath()).toStdString() << std::endl;
    return kSuccess;
}

// The --map choices, COLUMN=FIELD separated by commas; nothing when one is not understood.
std::optional<QList<ColumnChoice>> columnChoices(const QCommandLineParser& options) {
    QList<ColumnChoice> choices;
    for (const QString& value : options.values(kMap)) {
        for (const QString& pair : value.split(u',', Qt::SkipEmptyParts)) {
            const qsizetype equals = pair.lastIndexOf(u'=');
            const std::optional<int> field =
                equals > 0 ? ContactColumns::fieldOfKey(pair.sliced(equals + 1)) : std::nullopt;
            if (!field) return std::nullopt;
            choices.append({pair.first(equals).trimmed(), *field});
        }
    }
    return choices;
}

QString fieldKeysText() {
    return ContactColumns::fieldKeys().join(QStringLiteral(", "));
}

int importCommand(const QCommandLineParser& options, Database& database, const QString& path) {
    const std::optional<QList<ColumnChoice>> columns = columnChoices(options);
    if (!columns)
        return fail(kUsage, QStringLiteral("--map takes COLUMN=FIELD,... where FIELD is one of %1")
                                .arg(fieldKeysText()));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(kIoFailure, QStringLiteral("%1: %2").arg(shown(path), file.errorString()));
    const QByteArray bytes = file.readAll();
    const auto user = logIn(options, database);
    if (const int* code = std::get_if<int>(&user)) return *code;

    const ImportSummary summary =
        importRecords(database, std::get<qint64>(user), bytes, {}, *columns);
    if (summary.unknownHeader)
        return fail(
            kInvalidFile,
            QStringLiteral("%1: %2\nHeaders not known: %3. Say which field each column "
                           "goes to with --map COLUMN=FIELD,... (FIELD: %4).")
                .arg(shown(path), summary.unreadable,
                     summary.unknownHeader->header.join(QStringLiteral(", ")), fieldKeysText()));
    if (!summary.unreadable.isEmpty())
        return fail(kInvalidFile, QStringLiteral("%1: %2").arg(shown(path), summary.unreadable));
    std::cout << summary.text().toStdString() << std::endl;
    if (!summary.unusedColumns.isEmpty())
        std::cout << "Columns not imported: "
                  << summary.unusedColumns.join(QStringLiteral(", ")).toStdString() << std::endl;
    for (const QString& line : linesOf(summary.refused))
        std::cout << "refused: " << line.toStdString() << std::endl;
    for (const QString& line : linesOf(summary.leftOut))
        std::cout << line.toStdString() << std::endl;
    if (summary.failure) return exitFor(summary.failure->problem);
    return kSuccess;
}

}  // namespace

QList<QCommandLineOption> transferOptions() {
    return {
        {kContacts, QStringLiteral("Export: the contacts, as vcard or csv."),
         QStringLiteral("FORMAT")},
        {kDiary, QStringLiteral("Export: the diary, as ics."), QStringLiteral("FORMAT")},
        {kPlanner, QStringLiteral("Export: the planner, as ics."), QStringLiteral("FORMAT")},
        {kDictionary, QStringLiteral("Export: the dictionary, as csv."), QStringLiteral("FORMAT")},
        {kVCardVersion, QStringLiteral("Export: vCard 3 or 4 (default 4)."), QStringLiteral("N")},
        {kFrom, QStringLiteral("Export: the first day of the diary or planner."),
         QStringLiteral("DATE")},
        {kTo, QStringLiteral("Export: the last day of the diary or planner."),
         QStringLiteral("DATE")},
        {kMap,
         QStringLiteral("Import: the field each named CSV column goes to (first, middle, last, "
                        "sex, address, phone, cellular, fax, email, none)."),
         QStringLiteral("COLUMN=FIELD,...")},
        {{QStringLiteral("o"), kOutput},
         QStringLiteral("Export: writes FILE instead of standard output."),
         QStringLiteral("FILE")},
    };
}

bool isTransferCommand(const QString& command) {
    return command == u"export" || command == u"import";
}

int runTransfer(const QCommandLineParser& options, const QStringList& arguments,
                const QString& connectionString) {
    Database opened(Database::Named{connectionString}, Database::Lock::Shared);
    if (arguments.first() == u"export") return exportCommand(options, opened);
    return importCommand(options, opened, arguments.at(1));
}

}  // namespace vemora
