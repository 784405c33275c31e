// The workspace on years of data: its load, a keystroke in each incremental search, and an
// addition with the re-read that follows it, each beside its floor (the engine doing the same
// work alone). The data comes from --data=DIR, generated there first when it holds no database;
// --contacts, --words and --years set its size; --generate-only stops there, and
// --print-queries prints the queries of the rows the workspace shows (--print-queries=run: only
// those it runs; --print-queries=server: those it runs, as a server is sent them). A DIR with a
// vemora.conf measures the server it names instead (the look-ups beside it read the file, so leave
// them out there).
#include "DataGenerator.h"

#include "Require.h"
#include "core/ContactStore.h"
#include "core/Database.h"
#include "core/WordStore.h"
#include "data/ConnectionString.h"
#include "data/DataControl.h"
#include "platform/GridBinding.h"
#include "platform/Platform.h"
#include "platform/Prompter.h"
#include "platform/QtSeams.h"
#include "platform/Session.h"
#include "workspace/frmTags.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
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

// This thread's processor time, which other programs on the machine do not stretch.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
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
    // Read once, not after every repetition.
    static const double shown = rawRowsMb(true), run = rawRowsMb(false);
    state.counters["raw_rows_mb"] = shown;
    state.counters["raw_rows_run_mb"] = run;
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

// Every message answered at once, as a user who clicks OK.
class QuietPrompter final : public Prompter {
public:
    Answer show(const QString&, const QString&, int) override { return Answer::Ok; }
};

// Counts the paint events of the application's widgets.
class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// The administrator's workspace window over the data, loaded and shown as the main window does.
class Workspace {
public:
    Workspace() {
        require(session.OpenDatabase(), "opening the database");
        UserRecord& user = session.CurrentUser();
        user.user_num = 1;
        user.user_name = QStringLiteral("admin");
        user.name = QStringLiteral("Administrator");
        window.load();
        window.resize(1280, 800);
        window.show();
        QApplication::setActiveWindow(&window);
        settle();
    }
    void showTab(int index) {
        window.tabMenu()->setCurrentIndex(index);
        settle();
    }
    template <class T>
    T* find(const char* name) const {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
    // Runs what the last event left for the event loop: searches, layouts and the repaint.
    static void settle() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    QuietPrompter prompter;
    QtFileDialogs files;
    QtShell shell;
    Session session{g_directory, prompter};
    Platform platform{session, prompter, files, shell};
    frmTags window{platform};
};

// One workspace for the window's measures, loaded once; gone before the application.
std::unique_ptr<Workspace> g_workspace;
Workspace& workspace() {
    if (!g_workspace) g_workspace = std::make_unique<Workspace>();
    return *g_workspace;
}

constexpr int kTypedPrefixes = 20;

// Each key of the typed prefixes, timed from the key event to the window repainted.
void typeInWindow(benchmark::State& state, int tab, const char* box, QStringView column,
                  Statement source) {
    QStringList prefixes;
    {
        DataControl control;
        prepare(control, std::move(source));
        require(control.refresh(), "a database step");
        prefixes = typedPrefixes(control.recordset(), column).mid(0, kTypedPrefixes);
    }
    workspace().showTab(tab);
    QWidget* found = workspace().find<QWidget>(box);
    auto* edit = qobject_cast<QLineEdit*>(found);
    if (auto* combo = qobject_cast<QComboBox*>(found)) edit = combo->lineEdit();
    edit->setFocus();
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    for (auto _ : state) {
        std::vector<double> ms, cpu;
        counter.paints = 0;
        for (const QString& prefix : prefixes) {
            edit->clear();
            Workspace::settle();
            for (const QChar key : prefix) {
                const auto start = std::chrono::steady_clock::now();
                const double cpuStart = threadCpuMs();
                QTest::keyClick(edit, key.toLatin1());
                Workspace::settle();
                cpu.push_back(threadCpuMs() - cpuStart);
                ms.push_back(elapsedMs(start));
            }
        }
        state.counters["paints_per_key"] = double(counter.paints) / double(ms.size());
        std::sort(cpu.begin(), cpu.end());
        state.counters["cpu_median_ms"] = cpu[cpu.size() / 2];
        reportTimes(state, ms);
    }
    qApp->removeEventFilter(&counter);
}

void BM_DictionaryKeystrokeInWindow(benchmark::State& state) {
    typeInWindow(state, 3, "cmboDicSearch", u"dict_name", WordStore::listing());
}
void BM_ContactKeystrokeInWindow(benchmark::State& state) {
    typeInWindow(state, 0, "txtSearch", u"name", ContactStore::listing(1));
}
BENCHMARK(BM_DictionaryKeystrokeInWindow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ContactKeystrokeInWindow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Another program adds a contact through a connection of its own.
void writeElsewhere() {
    Connection other;
    other.setConnectionString(connectionString());
    require(other.open(), "a database step");
    Statement insert("INSERT INTO addressbook_tbl(user_num, name) VALUES(1, ");
    require(other.execute(insert.value(QStringLiteral("Zz other %1").arg(nextSerial())).sql(")")),
            "a database step");
}

// Add in the address book: the fields typed, then the click timed to the window repainted.
// With a foreign write, another program adds a contact before each addition.
void addInWindow(benchmark::State& state, bool foreignWrite) {
    Workspace& workspace = ::workspace();
    workspace.showTab(0);
    const QStringList boxes{QStringLiteral("txtName"),     QStringLiteral("txtMidName"),
                            QStringLiteral("txtLastName"), QStringLiteral("txtAddress"),
                            QStringLiteral("txtPhoneNum"), QStringLiteral("txtCellNum"),
                            QStringLiteral("txtFaxNum"),   QStringLiteral("txtEmail")};
    auto* add = workspace.find<QPushButton>("cmdAddInfo");
    auto* grid = workspace.find<DataControl>("Ado_Addressbook");
    // A search that found a contact leaves Add disabled.
    workspace.find<QLineEdit>("txtSearch")->clear();
    std::vector<double> ms, landed;
    for (auto _ : state) {
        state.PauseTiming();
        const QStringList texts = newContact(nextSerial());
        for (int i = 0; i < boxes.size(); ++i)
            workspace.window.findChild<QLineEdit*>(boxes.at(i))
                ->setText(texts.at(i < 3 ? i : i + 1));
        if (foreignWrite) writeElsewhere();
        Workspace::settle();
        state.ResumeTiming();
        const int rows = grid->rowCount();
        const auto start = std::chrono::steady_clock::now();
        add->click();
        Workspace::settle();
        ms.push_back(elapsedMs(start));
        if (grid->rowCount() <= rows) state.SkipWithError("the contact was not added");
        // Untimed: the read of every row that another program's write calls for lands.
        state.PauseTiming();
        while (grid->rereading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        landed.push_back(elapsedMs(start));
        state.ResumeTiming();
    }
    reportTimes(state, ms);
    std::sort(landed.begin(), landed.end());
    state.counters["reread_landed_ms"] = landed[landed.size() / 2];
}
void BM_AddContactInWindow(benchmark::State& state) {
    addInWindow(state, false);
}
void BM_AddContactAfterForeignWrite(benchmark::State& state) {
    addInWindow(state, true);
}
BENCHMARK(BM_AddContactInWindow)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_AddContactAfterForeignWrite)->Unit(benchmark::kMillisecond)->Iterations(10);

// Takes this program's own options out of argv; the rest are Google Benchmark's.
bool g_serverQueries = false;

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
        else if (arg == QLatin1String("--print-queries=server"))
            g_serverQueries = true;
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
    if (g_serverQueries) {
        for (const QString& query : bench::workspaceServerQueries())
            std::printf("%s;\n", qPrintable(query));
        return 0;
    }
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
    g_workspace.reset();
    return 0;
}
