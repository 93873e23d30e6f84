// The same work done by the Larch engine and by SQLite (through its C API) on
// the same machine and data (100,000 event-like rows, the event table's five
// indexes on both sides): bulk loading, single writes at two durabilities,
// statements that look up, count and scan. Each benchmark prints both times
// and the ratio Larch / SQLite; the shell comparisons, with each program's
// start-up, are in shell_compare_bench.cpp.
//
// Durability. Every write of a table is on the disk when it returns: the
// journal is synced before the table files change, the files it changed are
// synced, and so is the journal's invalidation. That is SQLite's default
// (journal_mode=DELETE, synchronous=FULL), which the single writes compare
// with, shared Posts and Posts with ForceBufferFlush alike. A bulk load is one
// batch of writes on our side (BatchWriteScope: whole or not at all, written
// once at its end) and one transaction on SQLite's.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/compare_support.h"
#include "dataset/date_time.h"
#include "engine/cursor/larch_query.h"
#include "engine/data/larch_scopes.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace larch {
namespace {

using namespace compare;

constexpr int kRows = 100000;
constexpr int kCommittedRows = 200;
constexpr int kLookups = 200;
constexpr int kCounts = 100;

// ------------------------------------------------------------ filled tables, made once

// Inserts rows [0, count) of a table of `rows` rows through the cursor:
// exclusively in one batch, exclusively Post by Post, or shared.
enum class Load { ExclusiveBatch, ExclusivePosts, Shared, SharedFlushed };

void LarchInsert(const std::string& folder, int count, int rows, Load load) {
    testing::CreateEventTable(folder + "/Hollin.DAT");
    auto table = testing::EventCursor(folder, "");
    table->SetExclusive(load == Load::ExclusiveBatch || load == Load::ExclusivePosts);
    table->SetForceBufferFlush(load == Load::SharedFlushed);
    table->Open();
    auto post = [&] {
        for (int i = 0; i < count; ++i) {
            EventRow row = RowFor(i, rows);
            testing::AddEvent(*table, row.firstName, row.lastName, row.event, row.day);
        }
    };
    if (load == Load::ExclusiveBatch) {
        BatchWriteScope batch(*table->DataFile());
        post();
        batch.Finish();
    } else {
        post();
    }
    table->Close();
}

struct FilledData {
    std::string folder, sqlitePath;
    ~FilledData() { RemoveFolder(folder); }
};

const FilledData& Filled() {
    static const FilledData data = [] {
        FilledData made;
        made.folder = MakeFolder();
        LarchInsert(made.folder, kRows, kRows, Load::ExclusiveBatch);
        made.sqlitePath = made.folder + "/events.sqlite";
        Sqlite db(made.sqlitePath);
        db.CreateEventTable();
        db.Insert(kRows, kRows, true);
        return made;
    }();
    return data;
}

// Runs one statement through the query component and counts its rows
// (reading every column), as a program would.
int64_t LarchRows(const std::string& folder, const std::string& sql, bool live = false) {
    TLarchQuery query;
    query.SetDatabaseName(folder);
    query.SetRequestLive(live);
    query.SetSQL(sql);
    query.Open();
    int64_t rows = 0;
    for (query.First(); !query.Eof(); query.Next()) {
        for (int f = 0; f < query.FieldCount(); ++f) benchmark::DoNotOptimize(query.Fields()[f].AsString());
        ++rows;
    }
    query.Close();
    return rows;
}

int64_t LarchInteger(const std::string& folder, const std::string& sql) {
    TLarchQuery query;
    query.SetDatabaseName(folder);
    query.SetSQL(sql);
    query.Open();
    int64_t value = query.Fields()[0].AsInteger();
    query.Close();
    return value;
}

// ------------------------------------------------------------ writing

void BM_BulkLoad(benchmark::State& state) {
    for (auto _ : state) {
        std::string folder = MakeFolder();
        double batch = Milliseconds([&] { LarchInsert(folder, kRows, kRows, Load::ExclusiveBatch); });
        RemoveFolder(folder);
        folder = MakeFolder();
        double posts = Milliseconds([&] { LarchInsert(folder, kRows, kRows, Load::ExclusivePosts); });
        double sqlite = Milliseconds([&] {
            Sqlite db(folder + "/bulk.sqlite");
            db.CreateEventTable();
            db.Insert(kRows, kRows, true);
        });
        RemoveFolder(folder);
        Report(state, "bulk load 100,000 Posts, exclusive, one batch", batch, sqlite);
        Report(state, "bulk load 100,000 Posts, exclusive, Post by Post", posts, sqlite);
    }
}
BENCHMARK(BM_BulkLoad)->Unit(benchmark::kMillisecond)->Iterations(1);

// Single durable writes wait for the disk, whose sync latency moves a lot
// on a shared machine: the two sides take turns row by row, so that both
// meet the same disk, and each side's time is the sum of its own writes.
void CommitEachRow(benchmark::State& state, bool flush, const std::string& what) {
    for (auto _ : state) {
        std::string folder = MakeFolder();
        testing::CreateEventTable(folder + "/Hollin.DAT");
        auto table = testing::EventCursor(folder, "");
        table->SetForceBufferFlush(flush);
        table->Open();
        Sqlite db(folder + "/rows.sqlite", true);
        db.CreateEventTable();
        double larch = 0, sqlite = 0;
        for (int i = 0; i < kCommittedRows; ++i) {
            larch += Milliseconds([&] {
                EventRow row = RowFor(i, kRows);
                testing::AddEvent(*table, row.firstName, row.lastName, row.event, row.day);
            });
            sqlite += Milliseconds([&] { db.InsertRange(i, 1, kRows, false); });
        }
        table->Close();
        RemoveFolder(folder);
        Report(state, what, larch, sqlite);
    }
}

void BM_CommitPerRow(benchmark::State& state) {
    CommitEachRow(state, false, "200 shared Posts / autocommit INSERTs, synchronous=FULL");
}
BENCHMARK(BM_CommitPerRow)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CommitPerRowFlushed(benchmark::State& state) {
    CommitEachRow(state, true, "200 Posts with ForceBufferFlush / INSERTs, synchronous=FULL");
}
BENCHMARK(BM_CommitPerRowFlushed)->Unit(benchmark::kMillisecond)->Iterations(1);

// ------------------------------------------------------------ statements

// `count` statements on each side, each prepared, run and finished anew.
void CompareStatements(benchmark::State& state, const std::string& what, int count,
                       const std::function<std::string(int)>& larchSql,
                       const std::function<std::string(int)>& sqliteSql, bool countStar) {
    const FilledData& data = Filled();
    for (auto _ : state) {
        int64_t larchTotal = 0, sqliteTotal = 0;
        double larch = Milliseconds([&] {
            for (int i = 0; i < count; ++i) {
                larchTotal += countStar ? LarchInteger(data.folder, larchSql(i)) : LarchRows(data.folder, larchSql(i));
            }
        });
        Sqlite db(data.sqlitePath);
        double sqlite = Milliseconds([&] {
            for (int i = 0; i < count; ++i) {
                sqliteTotal += countStar ? db.QueryInteger(sqliteSql(i)) : db.CountRows(sqliteSql(i));
            }
        });
        if (larchTotal != sqliteTotal) state.SkipWithError("the results differ");
        Report(state, what + " (per statement)", larch / count, sqlite / count);
    }
}

void BM_LookupByLastName(benchmark::State& state) {
    auto sql = [](int i) {
        return "SELECT FirstName, EventDate FROM Hollin WHERE LastName = '" + LastNameOf(i * 97 % (kRows / 5)) + "'";
    };
    CompareStatements(state, "lookup by last name, 5 rows", kLookups, sql, sql, false);
}
BENCHMARK(BM_LookupByLastName)->Unit(benchmark::kMillisecond)->Iterations(1);

const char* const kEventNames[] = {"Birthday", "Passing", "Anniversary", "Wedding"};

void BM_CountEventEquality(benchmark::State& state) {
    auto sql = [](int i) {
        return std::string("SELECT COUNT(*) FROM Hollin WHERE Event = '") + kEventNames[i % 4] + "'";
    };
    CompareStatements(state, "COUNT(*) WHERE Event = ... (20-40 %)", kCounts, sql, sql, true);
}
BENCHMARK(BM_CountEventEquality)->Unit(benchmark::kMillisecond)->Iterations(1);

// Ten-year ranges of EventDate, the first field of the case-sensitive index
// Edate: the subtree counts answer them without visiting keys.
void BM_CountDateRange(benchmark::State& state) {
    auto bounds = [](int i, bool iso) {
        const int year = 1950 + i % 45;
        const int32_t low = DayOf(year, 1, 1), high = DayOf(year + 10, 1, 1);
        return iso ? "'" + IsoDate(low) + "' AND EventDate < '" + IsoDate(high) + "'"
                   : "'" + hollin::FormatDate(low) + "' AND EventDate < '" + hollin::FormatDate(high) + "'";
    };
    CompareStatements(
        state, "COUNT(*) WHERE EventDate >= ... AND EventDate < ... (18 %)", kCounts,
        [&](int i) { return "SELECT COUNT(*) FROM Hollin WHERE EventDate >= " + bounds(i, false); },
        [&](int i) { return "SELECT COUNT(*) FROM Hollin WHERE EventDate >= " + bounds(i, true); }, true);
}
BENCHMARK(BM_CountDateRange)->Unit(benchmark::kMillisecond)->Iterations(1);

// The program's month query, live as the program asks for it, reading the
// four columns of every row; SQLite takes the month from its ISO date text.
void BM_MonthQuery(benchmark::State& state) {
    const FilledData& data = Filled();
    for (auto _ : state) {
        int64_t larchRows = 0, sqliteRows = 0;
        double larch = Milliseconds([&] {
            for (int month = 1; month <= 12; ++month) {
                larchRows += LarchRows(data.folder,
                                       "SELECT FirstName, LastName, Event, EventDate FROM Hollin "
                                       "WHERE EXTRACT(MONTH FROM EventDate)=" + std::to_string(month), true);
            }
        });
        Sqlite db(data.sqlitePath);
        double sqlite = Milliseconds([&] {
            for (int month = 1; month <= 12; ++month) {
                sqliteRows += db.CountRows("SELECT FirstName, LastName, Event, EventDate FROM Hollin "
                                           "WHERE CAST(strftime('%m', EventDate) AS INTEGER) = " +
                                           std::to_string(month));
            }
        });
        if (larchRows != sqliteRows || larchRows != kRows) state.SkipWithError("the row counts differ");
        Report(state, "month query, live, each of the 12 months (per statement)", larch / 12, sqlite / 12);
    }
}
BENCHMARK(BM_MonthQuery)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace larch
