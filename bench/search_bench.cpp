// The full-text search on years of several accounts' diaries and plans, each measure beside its
// floor: a keystroke in the Find window beside the index's own look-up, the index built by the
// migration beside the sqlite3 shell building it, the index's size beside the texts', and a
// diary entry's add and save beside the same without the index. --data=DIR holds the file,
// generated there first when it holds none (--users, --years and --diary-words set its size;
// --generate-only stops there). --server=URL measures the keystrokes on that server, which
// holds the same data, instead. --rounds, --builds and --saves set how often each is repeated.
#include "DataGenerator.h"

#include "Require.h"
#include "SqliteShell.h"
#include "core/Database.h"
#include "core/DayStore.h"
#include "core/SearchResults.h"
#include "data/ConnectionString.h"
#include "data/PostgresEngine.h"
#include "data/Schema.h"
#include "data/SearchText.h"
#include "data/Statement.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace vemora;

using vemora::bench::require;

namespace {

QString g_directory;
QString g_server;
bench::DiarySizes g_sizes;
int g_rounds = 20;
int g_builds = 3;
int g_saves = 100;

QString filePath() {
    return QDir(g_directory).filePath(QLatin1String(kDatabaseFileName));
}

double elapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double p99(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * 99 / 100)];
}

// Median and 99th percentile of a measure and of its floor, as counters.
void reportTimes(benchmark::State& state, const std::vector<double>& ms,
                 const std::vector<double>& floorMs) {
    state.counters["median_ms"] = median(ms);
    state.counters["p99_ms"] = p99(ms);
    state.counters["floor_median_ms"] = median(floorMs);
    state.counters["floor_p99_ms"] = p99(floorMs);
}

// What a user types, by kind: the first letters of a word, or whole words (ended by a space).
struct QueryKind {
    const char* name;
    QStringList typed;
};

const std::vector<QueryKind>& queryKinds() {
    static const std::vector<QueryKind> kinds = [] {
        // Rare words from the far end of the vocabulary, half of them with diacritics, which are
        // typed without.
        QStringList rare;
        int marked = 0;
        const QStringList& words = bench::diaryVocabulary();
        for (qsizetype rank = words.size() * 3 / 4; rare.size() < 6; ++rank) {
            const QString folded = foldForSearch(words.at(rank));
            const bool plain = folded == words.at(rank);
            if (!plain && marked == 3) continue;
            if (plain && rare.size() - marked == 3) continue;
            marked += plain ? 0 : 1;
            rare.append(folded + QLatin1Char(' '));
        }
        const auto typed = [](std::initializer_list<const char*> texts) {
            QStringList list;
            for (const char* text : texts) list.append(QString::fromLatin1(text));
            return list;
        };
        return std::vector<QueryKind>{
            {"prefix1", typed({"t", "s", "a", "m", "w", "b"})},
            {"prefix2", typed({"th", "wa", "mo", "st", "br", "ca"})},
            {"prefix3", typed({"the", "wal", "mor", "sta", "bre", "caf"})},
            {"common", typed({"the ", "and ", "was ", "day ", "home ", "rain "})},
            {"rare", rare},
            {"two_words", typed({"morning walk ", "rain garden ", "letter mother ",
                                 "train station ", "coffee kitchen ", "snow forest "})},
        };
    }();
    return kinds;
}

// A file opened through SQLite's C API alone.
class EngineFile {
    Q_DISABLE_COPY_MOVE(EngineFile)
public:
    EngineFile(const QString& path, int flags) {
        require(sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr) == SQLITE_OK,
                "cannot open the file through SQLite");
    }
    ~EngineFile() { sqlite3_close(m_db); }

    void run(const QString& sql) {
        require(
            sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK,
            sqlite3_errmsg(m_db));
    }
    qint64 number(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        require(sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) == SQLITE_OK,
                sqlite3_errmsg(m_db));
        require(sqlite3_step(statement) == SQLITE_ROW, sqlite3_errmsg(m_db));
        const qint64 value = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        return value;
    }

    // The floor of a keystroke: the index's own look-up of the page's keys, prepared, run and
    // its rows read. Yields how many it found.
    int lookUp(const QByteArray& match, qint64 user) {
        static constexpr char kLookUp[] =
            "SELECT rowid FROM search_fts WHERE search_fts MATCH ? AND rowid BETWEEN ? AND ? "
            "ORDER BY rowid DESC LIMIT 50";
        sqlite3_stmt* statement = nullptr;
        require(sqlite3_prepare_v2(m_db, kLookUp, -1, &statement, nullptr) == SQLITE_OK,
                sqlite3_errmsg(m_db));
        sqlite3_bind_text(statement, 1, match.constData(), int(match.size()), SQLITE_STATIC);
        sqlite3_bind_int64(statement, 2, user * 1'000'000'000);
        sqlite3_bind_int64(statement, 3, user * 1'000'000'000 + 999'999'999);
        int rows = 0;
        int step;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_int64(statement, 0));
            ++rows;
        }
        require(step == SQLITE_DONE, sqlite3_errmsg(m_db));
        sqlite3_finalize(statement);
        return rows;
    }

private:
    sqlite3* m_db = nullptr;
};

// The organizer's database on a file of any name.
struct OpenFile {
    Database database;
    explicit OpenFile(const QString& path)
        : database(Database::Named{makeFileConnectionString(path)}, Database::Lock::None) {
        require(database.open(), "cannot open the file");
    }
};

// Every query of one kind for every account, `g_rounds` times over: the Find window's search
// (its first page with snippets, counted when full) right after the floor's look-up, so that
// both meet the same load.
void keystrokes(benchmark::State& state, const QueryKind* kind, SearchResults& results,
                const std::function<void(const QString& typed, int user)>& floor) {
    std::vector<double> ms, floorMs;
    double shown = 0, found = 0;
    for (auto _ : state) {
        for (int round = 0; round < g_rounds; ++round) {
            for (const QString& typed : kind->typed) {
                for (int user = 1; user <= g_sizes.users; ++user) {
                    auto start = std::chrono::steady_clock::now();
                    floor(typed, user);
                    floorMs.push_back(elapsedMs(start));
                    start = std::chrono::steady_clock::now();
                    require(results.search(user, typed, SearchOrder::Newest), "a search failed");
                    ms.push_back(elapsedMs(start));
                    shown += results.rowCount();
                    found += double(results.found());
                }
            }
        }
    }
    require(shown > 0, "the searches found nothing");
    reportTimes(state, ms, floorMs);
    state.counters["shown"] = shown / double(ms.size());
    state.counters["found"] = found / double(ms.size());
}

void BM_Keystroke(benchmark::State& state, const QueryKind* kind) {
    OpenFile file(filePath());
    SearchResults results(file.database);
    EngineFile engine(filePath(), SQLITE_OPEN_READONLY);
    keystrokes(state, kind, results, [&engine](const QString& typed, int user) {
        engine.lookUp(SearchTerms::parse(typed).fileQuery().toUtf8(), user);
    });
}

// The server's own look-up of a page: the day and place of the newest texts that hold the
// query, each place's newest through its index, without the texts.
QString serverLookUp() {
    QStringList branches;
    for (const auto& [table, date, column] :
         {std::tuple{"diary_tbl", "diary_date", "diary_message"},
          std::tuple{"planner_tbl", "planner_date", "time_am"},
          std::tuple{"planner_tbl", "planner_date", "time_pm"},
          std::tuple{"planner_tbl", "planner_date", "planner_msg"}})
        branches.append(QStringLiteral("(SELECT %1 AS day FROM %2 WHERE user_num = ? AND "
                                       "search_words(%3) @@ to_tsquery('simple', ?) ORDER BY 1 "
                                       "DESC LIMIT 50)")
                            .arg(QLatin1String(date), QLatin1String(table), QLatin1String(column)));
    return QStringLiteral("SELECT day FROM (%1) hits ORDER BY day DESC LIMIT 50")
        .arg(branches.join(QLatin1String(" UNION ALL ")));
}

// The same on the server: the Find window's search beside the plain QSqlQuery of the look-up.
void BM_ServerKeystroke(benchmark::State& state, const QueryKind* kind) {
    Database database(Database::Named{g_server}, Database::Lock::None);
    require(database.open(), "cannot open the server database");
    SearchResults results(database);
    const Result<ServerAddress> address = parseServerUrl(g_server);
    require(address, "the server URL");
    ServerSession session(address.value());
    require(session.open(), "cannot reach the server");
    QSqlQuery lookUp(session.database());
    lookUp.setForwardOnly(true);
    const QString sql = serverLookUp();
    keystrokes(state, kind, results, [&](const QString& typed, int user) {
        const QString query = SearchTerms::parse(typed).serverQuery();
        require(lookUp.prepare(sql), "the look-up");
        for (int place = 0; place < 4; ++place) {
            lookUp.addBindValue(user);
            lookUp.addBindValue(query);
        }
        require(lookUp.exec(), "the look-up");
        while (lookUp.next()) benchmark::DoNotOptimize(lookUp.value(0));
        lookUp.finish();
    });
}

// A copy of the file as version 3 left it: no search index, compacted as if it never had one.
void writeVersion3(const QString& to) {
    require(QFile::copy(filePath(), to), "cannot copy the file");
    EngineFile file(to, SQLITE_OPEN_READWRITE);
    for (const SchemaObject& object : fileSearchObjects())
        file.run(QStringLiteral("DROP %1 %2").arg(object.type, object.name));
    file.run(QStringLiteral("DROP TABLE drafts_tbl"));
    file.run(QStringLiteral("DROP TABLE options_tbl"));
    file.run(QStringLiteral("PRAGMA user_version = 3"));
    file.run(QStringLiteral("VACUUM"));
}

// Opening a version-3 copy, which climbs the ladder from step 4: the index's objects made and the
// index built from the texts; beside the sqlite3 shell running the same statements on another
// copy. Seconds, medians of `g_builds` of each.
void BM_IndexBuild(benchmark::State& state) {
    QTemporaryDir dir(QDir(g_directory).filePath(QStringLiteral("build-XXXXXX")));
    const QString version3 = dir.filePath(QStringLiteral("version3.mdb"));
    writeVersion3(version3);
    QString script = QStringLiteral("BEGIN;\n");
    for (const SchemaObject& object : fileSearchObjects()) script += object.sql + u";\n"_qs;
    script += u"INSERT INTO search_fts(search_fts) VALUES('rebuild');\nCOMMIT;\n"_qs;

    const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
    std::vector<double> seconds, floorSeconds;
    for (auto _ : state) {
        for (int i = 0; i < g_builds; ++i) {
            require(QFile::copy(version3, copy), "cannot copy the file");
            floorSeconds.push_back(bench::sqliteShell(copy, script));
            require(QFile::remove(copy), "cannot remove the copy");

            require(QFile::copy(version3, copy), "cannot copy the file");
            const auto start = std::chrono::steady_clock::now();
            { OpenFile opened(copy); }
            seconds.push_back(elapsedMs(start) / 1000);
            require(EngineFile(copy, SQLITE_OPEN_READONLY).number("PRAGMA user_version") ==
                        kSchemaVersion,
                    "the open did not migrate the copy");
            require(QFile::remove(copy), "cannot remove the copy");
        }
    }
    state.counters["median_s"] = median(seconds);
    state.counters["floor_median_s"] = median(floorSeconds);
}

// The index's pages on disk (its four tables, as dbstat counts them), the blocks of its terms
// alone, and the UTF-8 bytes of the texts it indexes.
void BM_IndexSize(benchmark::State& state) {
    EngineFile file(filePath(), SQLITE_OPEN_READONLY);
    for (auto _ : state) {
        state.counters["index_bytes"] =
            double(file.number("SELECT sum(pgsize) FROM dbstat WHERE name IN ('search_fts_data', "
                               "'search_fts_idx', 'search_fts_docsize', 'search_fts_config')"));
        state.counters["data_bytes"] =
            double(file.number("SELECT sum(length(block)) FROM search_fts_data"));
        state.counters["text_bytes"] =
            double(file.number("SELECT sum(length(CAST(body AS BLOB))) FROM search_source"));
        state.counters["file_bytes"] = double(QFile(filePath()).size());
    }
}

// A diary entry of about 300 words written on a copy of the file, beside the same on a copy
// whose search triggers are dropped: added to a new day, or saved over an existing one.
void daySaves(benchmark::State& state, bool overExisting) {
    QTemporaryDir dir(QDir(g_directory).filePath(QStringLiteral("saves-XXXXXX")));
    const QString indexed = dir.filePath(QStringLiteral("indexed.mdb"));
    const QString bare = dir.filePath(QStringLiteral("bare.mdb"));
    require(QFile::copy(filePath(), indexed) && QFile::copy(filePath(), bare),
            "cannot copy the file");
    OpenFile withIndex(indexed);
    OpenFile without(bare);
    for (const SchemaObject& object : fileSearchObjects())
        if (object.type == QLatin1String("trigger"))
            require(without.database.execute(Statement(u"DROP TRIGGER "_qs + object.name)),
                    "cannot drop a trigger");
    DayStore indexedDiary(withIndex.database, DayBook::diary());
    DayStore bareDiary(without.database, DayBook::diary());

    const QDate first(bench::kFirstDiaryYear, 1, 1);
    const QDate after = first.addYears(g_sizes.years);
    const int days = int(first.daysTo(after));
    std::vector<double> ms, floorMs;
    // The entry written, or the one saved over, on one copy; its time is added to `times`.
    const auto write = [&](DayStore& store, int i, std::vector<double>& times) {
        const qint64 user = i % g_sizes.users + 1;
        const QStringList texts{bench::diaryText(quint32(i + 1), g_sizes.diaryWords)};
        QDate day = after.addDays(i);
        std::optional<QStringList> loaded;
        if (overExisting) {
            day = first.addDays(qint64(i) * 37 % days);
            const Result<std::optional<QStringList>> entry = store.load(user, day);
            require(entry.ok() && entry.value().has_value(), "the day has no entry");
            loaded = entry.value();
        }
        const auto start = std::chrono::steady_clock::now();
        const Result<Change> done =
            overExisting ? store.save(user, day, *loaded, texts) : store.add(user, day, texts);
        times.push_back(elapsedMs(start));
        require(done.ok() && done.value().done(), "the entry was not written");
    };
    for (auto _ : state) {
        for (int i = 0; i < g_saves; ++i) {
            write(bareDiary, i, floorMs);
            write(indexedDiary, i, ms);
        }
    }
    reportTimes(state, ms, floorMs);
}

void BM_DiaryAdd(benchmark::State& state) {
    daySaves(state, false);
}
void BM_DiarySave(benchmark::State& state) {
    daySaves(state, true);
}

// Takes this program's own options out of argv; the rest are Google Benchmark's.
void takeOptions(int& argc, char** argv, bool& generateOnly) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const QString value = arg.section(QLatin1Char('='), 1);
        const auto named = [&](const char* name) { return arg.startsWith(QLatin1String(name)); };
        if (named("--data="))
            g_directory = value;
        else if (named("--server="))
            g_server = value;
        else if (named("--users="))
            g_sizes.users = value.toInt();
        else if (named("--years="))
            g_sizes.years = value.toInt();
        else if (named("--diary-words="))
            g_sizes.diaryWords = value.toInt();
        else if (named("--rounds="))
            g_rounds = value.toInt();
        else if (named("--builds="))
            g_builds = value.toInt();
        else if (named("--saves="))
            g_saves = value.toInt();
        else if (arg == QLatin1String("--generate-only"))
            generateOnly = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
}

void registerBenchmarks() {
    for (const QueryKind& kind : queryKinds()) {
        const std::string name =
            std::string(g_server.isEmpty() ? "BM_Keystroke/" : "BM_ServerKeystroke/") + kind.name;
        benchmark::RegisterBenchmark(name.c_str(),
                                     g_server.isEmpty() ? BM_Keystroke : BM_ServerKeystroke, &kind)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    if (!g_server.isEmpty()) return;
    using Measure = void (*)(benchmark::State&);
    const std::pair<const char*, Measure> measures[] = {{"BM_IndexSize", BM_IndexSize},
                                                        {"BM_DiaryAdd", BM_DiaryAdd},
                                                        {"BM_DiarySave", BM_DiarySave},
                                                        {"BM_IndexBuild", BM_IndexBuild}};
    for (const auto& [name, measure] : measures)
        benchmark::RegisterBenchmark(name, measure)->Unit(benchmark::kMillisecond)->Iterations(1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bool generateOnly = false;
    takeOptions(argc, argv, generateOnly);
    if (g_server.isEmpty()) {
        require(!g_directory.isEmpty(), "--data=DIR names no folder");
        QDir().mkpath(g_directory);
        if (!QFile::exists(filePath()))
            require(bench::generateDiaries(g_directory, g_sizes), "cannot generate the data");
    }
    if (generateOnly) return 0;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
