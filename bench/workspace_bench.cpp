// The workspace on years of data: its load, a keystroke in each incremental search, and an
// addition with the re-read that follows it, each beside its floor (the engine doing the same
// work alone). The data comes from --data=DIR, generated there first when it holds no database;
// --contacts, --words and --years set its size; --generate-only stops there, and
// --print-queries prints the queries of the rows the workspace shows (--print-queries=run: only
// those it runs). A DIR with a vemora.conf measures
// the server it names instead (the look-ups beside it read the file, so leave them out there).
#include "DataGenerator.h"

#include "Require.h"
#include "core/ContactStore.h"
#include "core/Database.h"
#include "core/WordStore.h"
#include "data/ConnectionString.h"
#include "data/DataControl.h"
#include "platform/GridBinding.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

using namespace vemora;

using vemora::bench::require;

namespace {

QString g_directory;
constexpr int kKeystrokes = 300;

double residentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

double elapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

// Median and 99th percentile of the times, as counters.
void reportTimes(benchmark::State& state, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
}

// The database the programs in the directory open: the server vemora.conf names, or the file.
QString connectionString() {
    const Result<std::optional<ServerAddress>> server = configuredServer(g_directory);
    return server && server.value() ? server.value()->url() : makeConnectionString(g_directory);
}

void prepare(DataControl& control, Statement source) {
    control.setConnectionString(connectionString());
    control.setRecordSource(std::move(source));
}

// Prefixes as a user types them: the first 1 to 6 letters of stored values.
QStringList typedPrefixes(const Recordset& rows, QStringView column) {
    QRandomGenerator random(7);
    const int col = rows.columnIndex(column);
    QStringList prefixes;
    for (int i = 0; i < kKeystrokes; ++i) {
        const QString value = rows.row(int(random.bounded(rows.rowCount()))).at(col).toString();
        prefixes.append(value.left(1 + int(random.bounded(6))));
    }
    return prefixes;
}

// Raw size of the rows the workspace shows: their texts in UTF-8 and 8 bytes per number.
double rawRowsMb(bool searchList) {
    Connection c;
    c.setConnectionString(connectionString());
    require(c.open(), "a database step");
    double bytes = 0;
    for (const QString& query : bench::workspaceQueries(searchList)) {
        const Result<Recordset> rows = c.execute(Statement(query));
        for (int r = 0; r < rows.value().rowCount(); ++r)
            for (const QVariant& v : rows.value().row(r))
                bytes += v.typeId() == QMetaType::QString ? v.toString().toUtf8().size() : 8;
    }
    return bytes / 1e6;
}

void BM_WorkspaceLoad(benchmark::State& state) {
    for (auto _ : state) {
        malloc_trim(0);
        const double before = residentMb();
        Database database(g_directory, Database::Lock::None);
        require(database.open(), "a database step");
        DataControl contacts, dictionary;
        prepare(contacts, ContactStore::listing(1));
        prepare(dictionary, WordStore::listing());
        // As the workspace loads: the words in a worker thread while the contacts load.
        dictionary.startRefresh();
        require(contacts.refresh(), "a database step");
        require(dictionary.finishRefresh(), "a database step");
        // The search list shares the grid's words.
        const Recordset& words = dictionary.recordset();
        const ColumnListModel list(words.values(words.columnIndex(u"dict_name")));
        benchmark::DoNotOptimize(list.rowCount());
        state.counters["rss_added_mb"] = residentMb() - before;
    }
    state.counters["raw_rows_mb"] = rawRowsMb(true);
    state.counters["raw_rows_run_mb"] = rawRowsMb(false);
}
BENCHMARK(BM_WorkspaceLoad)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One keystroke: to the first row, then find forward.
void keystrokes(benchmark::State& state, Statement source, QStringView column) {
    DataControl control;
    prepare(control, std::move(source));
    require(control.refresh(), "a database step");
    const QStringList prefixes = typedPrefixes(control.recordset(), column);
    for (auto _ : state) {
        std::vector<double> ms;
        for (const QString& prefix : prefixes) {
            const auto start = std::chrono::steady_clock::now();
            control.moveFirst();
            require(control.findForward(column, prefix), "a database step");
            ms.push_back(elapsedMs(start));
        }
        reportTimes(state, ms);
    }
}

// The floor of a keystroke: the engine's look-up through the index on the column.
void lookups(benchmark::State& state, const QString& sql, Statement source, QStringView column) {
    QStringList prefixes;
    {
        DataControl control;
        prepare(control, std::move(source));
        require(control.refresh(), "a database step");
        prefixes = typedPrefixes(control.recordset(), column);
    }
    const QString name = QStringLiteral("vemora-bench-lookup");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QDir(g_directory).filePath(QStringLiteral("journey.mdb")));
        db.open();
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(sql);
        for (auto _ : state) {
            std::vector<double> ms;
            for (const QString& prefix : prefixes) {
                const auto start = std::chrono::steady_clock::now();
                q.bindValue(0, prefix);
                q.exec();
                q.next();
                benchmark::DoNotOptimize(q.value(0));
                q.finish();
                ms.push_back(elapsedMs(start));
            }
            reportTimes(state, ms);
        }
    }
    QSqlDatabase::removeDatabase(name);
}

void BM_DictionaryKeystroke(benchmark::State& state) {
    keystrokes(state, WordStore::listing(), u"dict_name");
}
void BM_DictionaryLookup(benchmark::State& state) {
    lookups(state,
            QStringLiteral("SELECT dict_name FROM dictionary_tbl WHERE dict_name >= ? "
                           "ORDER BY dict_name LIMIT 1"),
            WordStore::listing(), u"dict_name");
}

constexpr const char16_t* kContactFields[] = {u"name", u"last_name", u"email", u"phone_num"};

void BM_ContactKeystroke(benchmark::State& state) {
    const QStringView field(kContactFields[state.range(0)]);
    state.SetLabel(field.toString().toStdString());
    keystrokes(state, ContactStore::listing(1), field);
}
void BM_ContactLookup(benchmark::State& state) {
    lookups(state,
            QStringLiteral("SELECT name FROM addressbook_tbl WHERE user_num = 1 AND name >= ? "
                           "ORDER BY name LIMIT 1"),
            ContactStore::listing(1), u"name");
}

BENCHMARK(BM_DictionaryKeystroke)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DictionaryLookup)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ContactKeystroke)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ContactLookup)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

QStringList newContact(int serial) {
    return {QStringLiteral("Zz bench %1").arg(serial),
            QStringLiteral("B"),
            QStringLiteral("Bench"),
            QStringLiteral("M"),
            QStringLiteral("Street"),
            QStringLiteral("1"),
            QStringLiteral("2"),
            QStringLiteral("3"),
            QStringLiteral("b@example.org")};
}

int nextSerial() {
    static int serial = 0;
    return ++serial;
}

// The grid's re-read after a change must have patched its rows: nobody else writes here.
void expectPatched(benchmark::State& state, const DataControl& grid) {
    if (!grid.patched()) state.SkipWithError("the re-read read every row");
}

// An addition as the tab makes it: the store's checks and insert, then the re-read of the grid,
// whose view follows.
void BM_AddContact(benchmark::State& state) {
    Database database(g_directory, Database::Lock::None);
    require(database.open(), "a database step");
    DataControl grid;
    prepare(grid, ContactStore::listing(1));
    QTableView view;
    GridBinding binding(&view, &grid, {{QStringLiteral("name"), QStringLiteral("First name")}});
    view.show();
    require(grid.refresh(), "a database step");
    for (auto _ : state) {
        const QStringList texts = newContact(nextSerial());
        grid.beginChange(database.DbConnection());
        require(ContactStore(database).add(1, texts), "a database step");
        require(grid.refreshAfter(database.DbConnection(),
                                  ContactStore::changedRows(1, {ContactStore::storedNames(texts)})),
                "a database step");
        expectPatched(state, grid);
    }
}
void BM_InsertContact(benchmark::State& state) {
    Database database(g_directory, Database::Lock::None);
    require(database.open(), "a database step");
    for (auto _ : state) {
        Statement insert("INSERT INTO addressbook_tbl(user_num, name) VALUES(1, ");
        require(database.execute(insert.value(newContact(nextSerial()).first()).sql(")")),
                "a database step");
    }
}

void BM_AddWord(benchmark::State& state) {
    Database database(g_directory, Database::Lock::None);
    require(database.open(), "a database step");
    DataControl grid;
    prepare(grid, WordStore::listing());
    QTableView view;
    GridBinding binding(&view, &grid, {{QStringLiteral("dict_name"), QStringLiteral("Word")}});
    view.show();
    require(grid.refresh(), "a database step");
    for (auto _ : state) {
        const QString word = QStringLiteral("zzbench%1").arg(nextSerial());
        grid.beginChange(database.DbConnection());
        require(WordStore(database).add(1, word, QStringLiteral("x")), "a database step");
        require(grid.refreshAfter(database.DbConnection(),
                                  WordStore::changedRows({WordStore::addedWord(word)})),
                "a database step");
        expectPatched(state, grid);
    }
}
void BM_InsertWord(benchmark::State& state) {
    Database database(g_directory, Database::Lock::None);
    require(database.open(), "a database step");
    for (auto _ : state) {
        Statement insert("INSERT INTO dictionary_tbl VALUES(1, ");
        require(database.execute(
                    insert.value(QStringLiteral("zzbench%1").arg(nextSerial())).sql(", 'x')")),
                "a database step");
    }
}

BENCHMARK(BM_AddContact)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_InsertContact)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_AddWord)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_InsertWord)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Takes this program's own options out of argv; the rest are Google Benchmark's.
// printQueries: whether to print the queries, and with the search list's own.
bench::DataSizes takeOptions(int& argc, char** argv, std::optional<bool>& printQueries,
                             bool& generateOnly) {
    bench::DataSizes sizes;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const QString value = arg.section(QLatin1Char('='), 1);
        if (arg.startsWith(QLatin1String("--data=")))
            g_directory = value;
        else if (arg.startsWith(QLatin1String("--contacts=")))
            sizes.contacts = value.toInt();
        else if (arg.startsWith(QLatin1String("--words=")))
            sizes.words = value.toInt();
        else if (arg.startsWith(QLatin1String("--years=")))
            sizes.years = value.toInt();
        else if (arg == QLatin1String("--print-queries"))
            printQueries = true;
        else if (arg == QLatin1String("--print-queries=run"))
            printQueries = false;
        else if (arg == QLatin1String("--generate-only"))
            generateOnly = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    // The grids of the additions need widgets, never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::optional<bool> printQueries;
    bool generateOnly = false;
    const bench::DataSizes sizes = takeOptions(argc, argv, printQueries, generateOnly);
    if (printQueries) {
        for (const QString& query : bench::workspaceQueries(*printQueries))
            std::printf("%s;\n", qPrintable(query));
        return 0;
    }
    QTemporaryDir scratch;
    if (g_directory.isEmpty()) g_directory = scratch.path();
    const QDir data(g_directory);
    if (!QFile::exists(data.filePath(QLatin1String(kDatabaseFileName))) &&
        !QFile::exists(data.filePath(QLatin1String(kConfigFileName)))) {
        QDir().mkpath(g_directory);
        if (const Status made = bench::generateDatabase(g_directory, sizes); !made) {
            std::fprintf(stderr, "%s\n", qPrintable(made.error().description));
            return 1;
        }
    }
    if (generateOnly) return 0;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
