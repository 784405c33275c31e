// Export and import of 100,000 contacts and of 10 years of diary through the transfer library,
// each beside what the sqlite3 shell takes for the same rows: SELECT for an export, one
// transaction of INSERTs for an import; and the import of the contacts from a Google Contacts
// CSV beside that of our own CSV. BENCH_CONTACTS and BENCH_YEARS set the sizes.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "DataGenerator.h"
#include "Require.h"
#include "SqliteShell.h"
#include "core/Database.h"
#include "data/Statement.h"
#include "formats/Csv.h"
#include "transfer/Transfer.h"

using namespace vemora;

using vemora::bench::require;

namespace {

constexpr qint64 kOwner = 1;     // the generated records' account
constexpr qint64 kImporter = 2;  // the account that imports them
constexpr qint64 kFloor = 3;     // the account the shell's INSERTs fill

struct BenchTable {
    QString name;
    QString columns;  // after user_num
    DataKind kind;
    FileFormat format;
    int rows;
};

struct Fixture {
    QTemporaryDir dir;
    Database database{dir.path(), Database::Lock::None};
    QString path = dir.filePath(QStringLiteral("journey.mdb"));
    bench::DataSizes sizes;

    Fixture() {
        sizes.contacts = qEnvironmentVariableIsSet("BENCH_CONTACTS")
                             ? qEnvironmentVariableIntValue("BENCH_CONTACTS")
                             : 100'000;
        sizes.years = qEnvironmentVariableIsSet("BENCH_YEARS")
                          ? qEnvironmentVariableIntValue("BENCH_YEARS")
                          : 10;
        sizes.words = 0;
        require(bench::generateDatabase(dir.path(), sizes), "cannot generate the data");
        require(database.open(), "cannot open the data");
        require(database
                    .execute(Statement("INSERT INTO users (user_num, user_name, user_password, "
                                       "name) VALUES (2, 'importer', '', 'I'), (3, 'floor', '', "
                                       "'F')"))
                    .ok(),
                "cannot add the accounts");
    }

    // The INSERTs the shell writes for the owner's rows, as the floor account's.
    QString inserts(const BenchTable& table) {
        QProcess process;
        process.start(QStringLiteral("sqlite3"),
                      {path, QStringLiteral(".mode insert %1").arg(table.name),
                       QStringLiteral("SELECT %1, %2 FROM %3 WHERE user_num = %4")
                           .arg(kFloor)
                           .arg(table.columns, table.name)
                           .arg(kOwner)});
        require(process.waitForFinished(-1) && process.exitCode() == 0, "sqlite3 failed");
        return QStringLiteral("BEGIN;\n") + QString::fromUtf8(process.readAllStandardOutput()) +
               QStringLiteral("COMMIT;\n");
    }

    void clear(const BenchTable& table, qint64 user) {
        require(database
                    .execute(Statement(
                                 QStringLiteral("DELETE FROM %1 WHERE user_num = ").arg(table.name))
                                 .number(user))
                    .ok(),
                "cannot delete");
    }

    // The seconds the importer's import of the file takes, its earlier rows deleted first.
    double imported(const BenchTable& table, const QByteArray& bytes) {
        clear(table, kImporter);
        QElapsedTimer timer;
        timer.start();
        const ImportSummary summary = importRecords(database, kImporter, bytes);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        require(summary.completed() && summary.added == table.rows, "the import is incomplete");
        return seconds;
    }

    QByteArray exported(const BenchTable& table) {
        ExportRequest request{table.kind, table.format, {}, QDate(1, 1, 1), QDate(9999, 12, 31)};
        const Result<Exported> file = exportRecords(database, kOwner, request);
        require(file.ok() && file.value().records == table.rows, "the export is incomplete");
        return file.value().bytes;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

BenchTable contacts() {
    return {QStringLiteral("addressbook_tbl"),
            QStringLiteral("name, middle_name, last_name, sex, address, phone_num, cel_num, "
                           "fax_num, email"),
            DataKind::Contacts, FileFormat::VCard4, fixture().sizes.contacts};
}

BenchTable diary() {
    const QDate first(2016, 1, 1);
    return {QStringLiteral("diary_tbl"), QStringLiteral("diary_date, diary_message"),
            DataKind::Diary, FileFormat::ICalendar,
            int(first.daysTo(first.addYears(fixture().sizes.years)))};
}

void report(benchmark::State& state, const BenchTable& table, double seconds, double floor) {
    state.counters["records"] = table.rows;
    state.counters["floor_s"] = floor / double(state.iterations());
    state.counters["ratio"] = seconds / floor;
}

// Each iteration runs the floor and the export one after the other, so both meet the same
// load on a shared machine.
void BM_Export(benchmark::State& state, BenchTable (*which)()) {
    Fixture& f = fixture();
    const BenchTable table = which();
    const QString select =
        QStringLiteral("SELECT * FROM %1 WHERE user_num = %2;\n").arg(table.name).arg(kOwner);
    double seconds = 0;
    double floor = 0;
    for (auto _ : state) {
        floor += bench::sqliteShell(f.path, select);
        QElapsedTimer timer;
        timer.start();
        benchmark::DoNotOptimize(f.exported(table));
        const double once = double(timer.nsecsElapsed()) / 1e9;
        seconds += once;
        state.SetIterationTime(once);
    }
    report(state, table, seconds, floor);
}

void BM_Import(benchmark::State& state, BenchTable (*which)()) {
    Fixture& f = fixture();
    const BenchTable table = which();
    const QByteArray bytes = f.exported(table);
    const QString inserts = f.inserts(table);
    double seconds = 0;
    double floor = 0;
    for (auto _ : state) {
        f.clear(table, kFloor);
        floor += bench::sqliteShell(f.path, inserts);
        const double once = f.imported(table, bytes);
        seconds += once;
        state.SetIterationTime(once);
    }
    report(state, table, seconds, floor);
}

// The contacts of our own CSV as Google Contacts writes them.
QByteArray googleCsv(const QByteArray& own) {
    const std::optional<csv::Table> table = csv::read(own);
    require(bool(table), "cannot read the export");
    QList<QStringList> rows{{QStringLiteral("Name"), QStringLiteral("Given Name"),
                             QStringLiteral("Additional Name"), QStringLiteral("Family Name"),
                             QStringLiteral("Gender"), QStringLiteral("E-mail 1 - Type"),
                             QStringLiteral("E-mail 1 - Value"), QStringLiteral("Phone 1 - Type"),
                             QStringLiteral("Phone 1 - Value"), QStringLiteral("Phone 2 - Type"),
                             QStringLiteral("Phone 2 - Value"), QStringLiteral("Phone 3 - Type"),
                             QStringLiteral("Phone 3 - Value"), QStringLiteral("Address 1 - Type"),
                             QStringLiteral("Address 1 - Street")}};
    for (const QStringList& c : table->rows) {
        const QString gender = c[3] == u"M"   ? QStringLiteral("male")
                               : c[3] == u"F" ? QStringLiteral("female")
                                              : QString();
        rows.append({QStringList{c[0], c[1], c[2]}.join(u' '), c[0], c[1], c[2], gender,
                     QStringLiteral("* Home"), c[8], QStringLiteral("Home"), c[5],
                     QStringLiteral("Mobile"), c[6], QStringLiteral("Home Fax"), c[7],
                     QStringLiteral("Home"), c[4]});
    }
    return csv::write(rows);
}

// Each iteration imports our own CSV, the floor, then the Google CSV of the same contacts.
void BM_ImportGoogleCsv(benchmark::State& state) {
    Fixture& f = fixture();
    BenchTable table = contacts();
    table.format = FileFormat::Csv;
    const QByteArray own = f.exported(table);
    const QByteArray google = googleCsv(own);
    double seconds = 0;
    double floor = 0;
    for (auto _ : state) {
        floor += f.imported(table, own);
        const double once = f.imported(table, google);
        seconds += once;
        state.SetIterationTime(once);
    }
    report(state, table, seconds, floor);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const std::pair<const char*, BenchTable (*)()> tables[] = {{"contacts", contacts},
                                                               {"diary", diary}};
    using Measure = void (*)(benchmark::State&, BenchTable(*)());
    const std::pair<const char*, Measure> measures[] = {{"BM_Export/", BM_Export},
                                                        {"BM_Import/", BM_Import}};
    for (const auto& [name, table] : tables) {
        for (const auto& [run, measure] : measures)
            benchmark::RegisterBenchmark((std::string(run) + name).c_str(), measure, table)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
    }
    benchmark::RegisterBenchmark("BM_ImportGoogleCsv/contacts", BM_ImportGoogleCsv)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
