// Loading 100,000 rows into a data control, and 1,000 incremental searches over them.
#include "Require.h"
#include "data/ConnectionString.h"
#include "data/DataControl.h"
#include "data/SqliteEngine.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

using namespace vemora;

using vemora::bench::require;

namespace {

constexpr int kRows = 100'000;

struct Fixture {
    QTemporaryDir dir;
    Fixture() {
        require(SqliteEngine::createDatabase(dir.filePath(QStringLiteral("journey.mdb"))),
                "a database step");
        Connection c;
        c.setConnectionString(makeConnectionString(dir.path()));
        require(c.open(), "a database step");
        require(c.execute(Statement("BEGIN")), "a database step");
        for (int i = 0; i < kRows; ++i) {
            require(c.execute(Statement("INSERT INTO addressbook_tbl VALUES (1, ")
                                  .value(QStringLiteral("name%1").arg(i, 6, 10, QLatin1Char('0')))
                                  .sql(", 'm', ")
                                  .value(QStringLiteral("last%1").arg(i))
                                  .sql(", 'F', 'addr', '1', '2', '3', 'e@x')")),
                    "a database step");
        }
        require(c.execute(Statement("COMMIT")), "a database step");
    }
    void prepare(DataControl& control) const {
        control.setConnectionString(makeConnectionString(dir.path()));
        control.setRecordSource(Statement("SELECT * FROM addressbook_tbl WHERE user_num = ")
                                    .number(1)
                                    .sql(" ORDER BY name"));
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_LoadRows(benchmark::State& state) {
    DataControl control;
    fixture().prepare(control);
    for (auto _ : state) {
        require(control.refresh(), "a database step");
        benchmark::DoNotOptimize(control.rowCount());
    }
}
BENCHMARK(BM_LoadRows)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_ThousandSearches(benchmark::State& state) {
    DataControl control;
    fixture().prepare(control);
    require(control.refresh(), "a database step");
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            control.moveFirst();
            require(control.findForward(u"name", QStringLiteral("name%1").arg(
                                                     (i * 97) % kRows, 6, 10, QLatin1Char('0'))),
                    "a database step");
        }
        benchmark::DoNotOptimize(control.currentRow());
    }
}
BENCHMARK(BM_ThousandSearches)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
