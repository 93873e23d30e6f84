// The two shells side by side, `larch DIR -c ...` against `sqlite3 DB ...`,
// each program's start-up included: create and .import, one statement per
// process, many statements in one process, and how the cost of an indexed
// statement grows with the table (25,000, 100,000 and 400,000 rows). Every
// figure is the median of several runs; each line prints the ratio
// Larch / SQLite. Both import at the same durability: written through the
// operating system's cache, never synced (SQLite with synchronous=OFF).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bench/compare_support.h"
#include "dataset/date_time.h"

namespace larch {
namespace {

using namespace compare;

constexpr int kRuns = 5;

// One table of each size in both shells' formats, made once.
struct ShellData {
    std::string folder, larchDir, sqlitePath, larchCsv, sqliteCsv;
    int rows = 0;
    ~ShellData() { RemoveFolder(folder); }
};

void LarchImport(const ShellData& d) {
    Run(Quoted(LarchShell()) + " " + Quoted(d.larchDir) + " -c " + Quoted(kLarchCreate) + " -c " +
        Quoted(".import Hollin " + d.larchCsv) + " >/dev/null");
}

void SqliteImport(const ShellData& d) {
    const std::string script = d.folder + "/import.sql";
    std::ofstream(script) << "PRAGMA synchronous=OFF;\n" << kSqliteCreate << "\n.mode csv\n.import " << d.sqliteCsv
                          << " imp\nINSERT INTO Hollin (FirstName, LastName, Event, EventDate) SELECT * FROM imp;\n"
                             "DROP TABLE imp;\n";
    Run(Quoted(SqliteShell()) + " " + Quoted(d.sqlitePath) + " < " + Quoted(script) + " >/dev/null");
}

void Prepare(ShellData& d, int rows) {
    d.rows = rows;
    d.folder = MakeFolder();
    d.larchDir = d.folder + "/larch";
    d.sqlitePath = d.folder + "/events.sqlite";
    d.larchCsv = d.folder + "/larch.csv";
    d.sqliteCsv = d.folder + "/sqlite.csv";
    std::filesystem::create_directory(d.larchDir);
    WriteCsv(d.larchCsv, d.sqliteCsv, rows);
}

const ShellData& Data(int rows) {
    static std::map<int, ShellData> made;
    ShellData& d = made[rows];
    if (d.rows == 0) {
        Prepare(d, rows);
        LarchImport(d);
        SqliteImport(d);
    }
    return d;
}

bool ShellsPresent(benchmark::State& state) {
    if (!SqliteShell().empty()) return true;
    state.SkipWithError("no sqlite3 program");
    return false;
}

std::string LarchRun(const ShellData& d, const std::string& sql) {
    return Quoted(LarchShell()) + " " + Quoted(d.larchDir) + " -c " + Quoted(sql) + " >/dev/null";
}

std::string SqliteRun(const ShellData& d, const std::string& sql) {
    return Quoted(SqliteShell()) + " " + Quoted(d.sqlitePath) + " " + Quoted(sql) + " >/dev/null";
}

std::string LookupSql(int i, int rows) {
    return "SELECT FirstName, EventDate FROM Hollin WHERE LastName = '" + LastNameOf(i * 97 % (rows / 5)) + "';";
}

std::string RangeSql(int i, bool iso) {
    const int year = 1950 + i % 45;
    const int32_t low = DayOf(year, 1, 1), high = DayOf(year + 10, 1, 1);
    auto text = [&](int32_t day) { return iso ? IsoDate(day) : hollin::FormatDate(day); };
    return "SELECT COUNT(*) FROM Hollin WHERE EventDate >= '" + text(low) + "' AND EventDate < '" + text(high) + "';";
}

std::string MonthSql(int month, bool iso) {
    return std::string("SELECT FirstName, LastName, Event, EventDate FROM Hollin WHERE ") +
           (iso ? "CAST(strftime('%m', EventDate) AS INTEGER)" : "EXTRACT(MONTH FROM EventDate)") + "=" +
           std::to_string(month) + ";";
}

// ------------------------------------------------------------ create + import

void BM_ShellImport(benchmark::State& state) {
    if (!ShellsPresent(state)) return;
    for (auto _ : state) {
        ShellData d;
        Prepare(d, 100000);
        double larch = Milliseconds([&] { LarchImport(d); });
        double sqlite = Milliseconds([&] { SqliteImport(d); });
        Report(state, "shell: create + .import of 100,000 CSV rows", larch, sqlite);
    }
}
BENCHMARK(BM_ShellImport)->Unit(benchmark::kMillisecond)->Iterations(1);

// ------------------------------------------------------------ one statement per process

void BM_ShellOneStatement(benchmark::State& state) {
    if (!ShellsPresent(state)) return;
    const ShellData& d = Data(100000);
    struct Case {
        const char* what;
        std::string larch, sqlite;
    };
    const Case cases[] = {
        {"shell: COUNT(*) WHERE Event = 'Birthday' (40 %)", "SELECT COUNT(*) FROM Hollin WHERE Event = 'Birthday'",
         "SELECT COUNT(*) FROM Hollin WHERE Event = 'Birthday'"},
        {"shell: lookup by last name (5 rows)", LookupSql(42, d.rows), LookupSql(42, d.rows)},
        {"shell: COUNT(*) over a ten-year EventDate range", RangeSql(10, false), RangeSql(10, true)},
        {"shell: month query, EXTRACT(MONTH FROM EventDate)=5 (8 %)", MonthSql(5, false), MonthSql(5, true)},
    };
    for (auto _ : state) {
        for (const Case& c : cases) {
            double larch = MedianMs(kRuns, [&] { Run(LarchRun(d, c.larch)); });
            double sqlite = MedianMs(kRuns, [&] { Run(SqliteRun(d, c.sqlite)); });
            Report(state, c.what, larch, sqlite);
        }
    }
}
BENCHMARK(BM_ShellOneStatement)->Unit(benchmark::kMillisecond)->Iterations(1);

// ------------------------------------------------------------ many statements per process

// The time per statement of `count` statements read from standard input by
// one process of each shell.
std::pair<double, double> PerStatement(const ShellData& d, int count, const std::function<std::string(int, bool)>& sql) {
    const std::string larchScript = d.folder + "/larch-statements.sql", sqliteScript = d.folder + "/sqlite-statements.sql";
    {
        std::ofstream larch(larchScript), sqlite(sqliteScript);
        for (int i = 0; i < count; ++i) {
            larch << sql(i, false) << "\n";
            sqlite << sql(i, true) << "\n";
        }
    }
    double larch = MedianMs(3, [&] {
        Run(Quoted(LarchShell()) + " " + Quoted(d.larchDir) + " < " + Quoted(larchScript) + " >/dev/null");
    });
    double sqlite = MedianMs(3, [&] {
        Run(Quoted(SqliteShell()) + " " + Quoted(d.sqlitePath) + " < " + Quoted(sqliteScript) + " >/dev/null");
    });
    return {larch / count, sqlite / count};
}

void BM_ShellManyStatements(benchmark::State& state) {
    if (!ShellsPresent(state)) return;
    const ShellData& d = Data(100000);
    for (auto _ : state) {
        auto [l1, s1] = PerStatement(d, 200, [&](int i, bool) { return LookupSql(i, d.rows); });
        Report(state, "shell, one process: lookup by last name, 200 names", l1, s1);
        auto [l2, s2] = PerStatement(d, 100, [](int i, bool) {
            return std::string("SELECT COUNT(*) FROM Hollin WHERE Event = '") +
                   (i % 2 ? "Birthday" : "Passing") + "';";
        });
        Report(state, "shell, one process: COUNT(*) WHERE Event = ..., 100", l2, s2);
        auto [l3, s3] = PerStatement(d, 100, RangeSql);
        Report(state, "shell, one process: COUNT(*) over ten-year ranges, 100", l3, s3);
        auto [l4, s4] = PerStatement(d, 12, [](int i, bool iso) { return MonthSql(i + 1, iso); });
        Report(state, "shell, one process: the month query for each month", l4, s4);
    }
}
BENCHMARK(BM_ShellManyStatements)->Unit(benchmark::kMillisecond)->Iterations(1);

// ------------------------------------------------------------ growth

// Per statement at 25,000, 100,000 and 400,000 rows; the goal is that 400,000
// costs within twice what 25,000 costs.
void BM_ShellGrowth(benchmark::State& state) {
    if (!ShellsPresent(state)) return;
    for (auto _ : state) {
        std::map<int, std::pair<double, double>> lookup, range;
        for (int rows : {25000, 100000, 400000}) {
            const ShellData& d = Data(rows);
            lookup[rows] = PerStatement(d, 200, [&](int i, bool) { return LookupSql(i, rows); });
            range[rows] = PerStatement(d, 100, RangeSql);
            const std::string size = std::to_string(rows) + " rows";
            Report(state, "growth: lookup by last name at " + size, lookup[rows].first, lookup[rows].second);
            Report(state, "growth: COUNT over a ten-year range at " + size, range[rows].first, range[rows].second);
        }
        std::printf("growth 400,000 / 25,000 rows: lookup larch %.2f sqlite %.2f; range COUNT larch %.2f sqlite %.2f\n",
                    lookup[400000].first / lookup[25000].first, lookup[400000].second / lookup[25000].second,
                    range[400000].first / range[25000].first, range[400000].second / range[25000].second);
        state.counters["lookup_growth"] = lookup[400000].first / lookup[25000].first;
        state.counters["range_growth"] = range[400000].first / range[25000].first;
    }
}
BENCHMARK(BM_ShellGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace larch
