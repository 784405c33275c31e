// `vemora-cli backup` and the maintenance tool's compaction of a large database, each beside what
// the engine alone does for the same result: `sqlite3 db "VACUUM INTO ..."` and an integrity
// check of the copy.
// VEMORA_BENCH_BACKUP_MB sets the database's size (default 500), VEMORA_BENCH_DIR its folder.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <map>

#include "Require.h"
#include "backup/Compactor.h"
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

using namespace vemora;

using vemora::bench::require;

namespace {

constexpr int kMessageLength = 2000;

struct Fixture {
    QTemporaryDir dir{QDir(qEnvironmentVariable("VEMORA_BENCH_DIR", QDir::tempPath()))
                          .filePath(QStringLiteral("vemora-bench-XXXXXX"))};
    QString database = dir.filePath(QStringLiteral("journey.mdb"));
    QString password = dir.filePath(QStringLiteral("admin.pw"));
    QString copy = dir.filePath(QStringLiteral("copy.mdb"));

    Fixture() {
        const qint64 megabytes = qEnvironmentVariableIntValue("VEMORA_BENCH_BACKUP_MB") > 0
                                     ? qEnvironmentVariableIntValue("VEMORA_BENCH_BACKUP_MB")
                                     : 500;
        const qint64 rows = megabytes * 1024 * 1024 / (kMessageLength + 100);
        require(SqliteEngine::createDatabase(database), "a database step");
        Connection c;
        c.setConnectionString(makeConnectionString(dir.path()));
        if (!c.open()) std::abort();
        // One diary day a row, 36,500 days for each account number; a tenth deleted again.
        require(
            c.execute(Statement("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                                "WHERE i + 1 < ")
                          .number(rows)
                          .sql(") INSERT INTO diary_tbl SELECT 1 + i / 36500, "
                               "date('1900-01-01', '+' || (i % 36500) || ' days'), "
                               "substr(hex(randomblob(")
                          .number(kMessageLength / 2)
                          .sql(")), 1, ")
                          .number(kMessageLength)
                          .sql(") FROM n")),
            "a database step");
        require(c.execute(Statement("DELETE FROM diary_tbl WHERE rowid % 10 = 0")),
                "a database step");
        c.close();
        QFile pw(password);
        pw.open(QIODevice::WriteOnly);
        pw.write("admin\n");
        pw.close();
        pw.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        std::fprintf(stderr, "database: %s, %lld MB\n", qPrintable(database),
                     QFileInfo(database).size() / (1024 * 1024));
    }

    static void run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "%s failed\n", qPrintable(program));
            std::abort();
        }
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void backupWithTheCli(Fixture& f) {
    Fixture::run(QStringLiteral(VEMORA_CLI),
                 {QStringLiteral("--database"), f.database, QStringLiteral("--user"),
                  QStringLiteral("admin"), QStringLiteral("--password-file"), f.password,
                  QStringLiteral("backup"), f.copy});
}

void copyWithTheEngine(Fixture& f) {
    Fixture::run(QStringLiteral("sqlite3"),
                 {f.database, QStringLiteral("VACUUM INTO '%1'").arg(f.copy)});
    Fixture::run(QStringLiteral("sqlite3"), {f.copy, QStringLiteral("PRAGMA integrity_check")});
}

// Seconds from the start of a compaction to each step it passed, summed over the runs.
std::map<CompactStep, double> stepSeconds;

// The compacted copy goes to the chosen file and in place of the working database.
void compactWithTheTool(Fixture& f) {
    Compactor compactor(makeConnectionString(f.dir.path()));
    QElapsedTimer timer;
    std::map<CompactStep, double> reached;
    compactor.setStepHook([&timer, &reached](CompactStep step, const QString&) {
        reached[step] = double(timer.nsecsElapsed()) / 1e9;
    });
    timer.start();
    if (!compactor.run(f.copy).ok()) std::abort();
    for (const auto& [step, seconds] : reached) stepSeconds[step] += seconds;
}

double secondsOf(Fixture& f, void (*work)(Fixture&)) {
    QFile::remove(f.copy);
    QElapsedTimer timer;
    timer.start();
    work(f);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    QFile::remove(f.copy);
    return seconds;
}

// Each iteration runs both, one after the other, so that both meet the same load on a shared
// machine. The time is the CLI's; the counters give the engine's time and the ratio.
void besideTheEngine(benchmark::State& state, void (*work)(Fixture&)) {
    Fixture& f = fixture();
    double ours = 0;
    double engine = 0;
    for (auto _ : state) {
        engine += secondsOf(f, copyWithTheEngine);
        const double once = secondsOf(f, work);
        ours += once;
        state.SetIterationTime(once);
    }
    state.counters["MB"] = double(QFileInfo(f.database).size()) / (1024 * 1024);
    state.counters["engine_s"] = engine / double(state.iterations());
    state.counters["ratio"] = ours / engine;
    // When the compaction passed each step, on average; the CSV output wants every counter in
    // every run, so the CLI's, whose steps are not seen, are 0.
    const std::pair<CompactStep, const char*> steps[] = {{CompactStep::Compacted, "compacted_s"},
                                                         {CompactStep::Checked, "checked_s"},
                                                         {CompactStep::CopyWritten, "written_s"},
                                                         {CompactStep::Replaced, "replaced_s"}};
    for (const auto& [step, name] : steps)
        state.counters[name] = stepSeconds[step] / double(state.iterations());
}

void BM_CliBackupBesideVacuumInto(benchmark::State& state) {
    besideTheEngine(state, backupWithTheCli);
}
void BM_CompactionBesideVacuumInto(benchmark::State& state) {
    besideTheEngine(state, compactWithTheTool);
}

BENCHMARK(BM_CliBackupBesideVacuumInto)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(5);
BENCHMARK(BM_CompactionBesideVacuumInto)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    fixture();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
