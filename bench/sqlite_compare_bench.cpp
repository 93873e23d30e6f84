// The same work done by the Larch engine and by SQLite (through its C API) on
// the same machine and data: bulk inserts with the event table's five
// indexes, point lookups by last name, indexed COUNT(*) at 1 % and 10 %
// selectivity, and the month query. Each benchmark prints both times and
// their ratio (Larch / SQLite) and reports them as counters.
//
// Durability. A Post on a shared table writes the record, its keys and the
// headers through the operating system's cache before it releases its locks,
// without fsync: a crash of the program loses nothing, a crash of the machine
// may. That is SQLite's synchronous=OFF (in WAL or rollback journal mode),
// which these comparisons use. Our ForceBufferFlush (O_DSYNC writes) would
// compare with synchronous=FULL instead.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "dataset/date_time.h"
#include "engine/larch_query.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace larch {
namespace {

constexpr int kRows = 100000;
constexpr int kCommittedRows = 10000;
constexpr int kLookups = 10000;
constexpr int kCountRuns = 50;
constexpr int kMonthRuns = 12;

// ------------------------------------------------------------ the data

struct EventRow {
    std::string firstName, lastName, event;
    int32_t day;
};

// Rows spread evenly over 20,000 days (37 and 20,000 share no factor, so
// every day gets exactly five of the 100,000 rows).
EventRow RowFor(int i) {
    EventRow row;
    row.firstName = "First" + std::to_string(i % 977);
    row.lastName = "Name" + std::to_string((i * 7919) % 50021);
    row.event = i % 2 ? "Birthday" : "Passing";
    row.day = 700000 + (i * 37) % 20000;
    return row;
}

std::string IsoDate(int32_t day) {
    hollin::TDateParts parts = hollin::DecodeDate(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.year, parts.month, parts.day);
    return text;
}

std::string MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "larch-sqlite-XXXXXX").string();
    return ::mkdtemp(pattern.data());
}

double Milliseconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void Report(benchmark::State& state, const char* what, double larchMs, double sqliteMs) {
    state.counters["larch_ms"] = larchMs;
    state.counters["sqlite_ms"] = sqliteMs;
    state.counters["ratio"] = sqliteMs > 0 ? larchMs / sqliteMs : 0;
    std::printf("%-40s larch %10.1f ms   sqlite %10.1f ms   ratio %6.2f\n", what, larchMs, sqliteMs,
                sqliteMs > 0 ? larchMs / sqliteMs : 0.0);
    std::fflush(stdout);
}

// ------------------------------------------------------------ SQLite

class Sqlite {
public:
    explicit Sqlite(const std::string& path) {
        if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) throw std::runtime_error("sqlite3_open failed");
        Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA synchronous=OFF");
    }
    ~Sqlite() { sqlite3_close(m_db); }
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;

    void Exec(const char* sql) {
        char* message = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            std::string text = message ? message : "sqlite3_exec failed";
            sqlite3_free(message);
            throw std::runtime_error(text);
        }
    }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK) {
            throw std::runtime_error(sqlite3_errmsg(m_db));
        }
        return statement;
    }

    // The event table with the same five indexes (the three name and event
    // indexes without regard to case, as ours).
    void CreateEventTable() {
        Exec("CREATE TABLE Hollin (IndexField INTEGER PRIMARY KEY AUTOINCREMENT, FirstName TEXT NOT NULL COLLATE NOCASE,"
             " LastName TEXT NOT NULL COLLATE NOCASE, Event TEXT NOT NULL COLLATE NOCASE, EventDate TEXT NOT NULL)");
        Exec("CREATE INDEX Event ON Hollin (Event)");
        Exec("CREATE INDEX LastName ON Hollin (LastName)");
        Exec("CREATE INDEX FirstName ON Hollin (FirstName)");
        Exec("CREATE INDEX Edate ON Hollin (EventDate, Event COLLATE BINARY, FirstName COLLATE BINARY,"
             " LastName COLLATE BINARY)");
    }

    // Inserts rows 0..count-1, in one transaction or one commit per row.
    void Insert(int count, bool oneTransaction) {
        if (oneTransaction) Exec("BEGIN");
        sqlite3_stmt* insert =
            Prepare("INSERT INTO Hollin (FirstName, LastName, Event, EventDate) VALUES (?1, ?2, ?3, ?4)");
        for (int i = 0; i < count; ++i) {
            EventRow row = RowFor(i);
            std::string date = IsoDate(row.day);
            sqlite3_bind_text(insert, 1, row.firstName.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, row.lastName.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, row.event.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 4, date.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(insert) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(m_db));
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        if (oneTransaction) Exec("COMMIT");
    }

private:
    sqlite3* m_db = nullptr;
};

// ------------------------------------------------------------ filled tables, made once

void LarchInsert(const std::string& folder, int count, bool exclusive) {
    testing::CreateEventTable(folder + "/Hollin.DAT");
    auto table = testing::EventCursor(folder, "");
    table->SetExclusive(exclusive);
    table->Open();
    for (int i = 0; i < count; ++i) {
        EventRow row = RowFor(i);
        testing::AddEvent(*table, row.firstName, row.lastName, row.event, row.day);
    }
    table->Close();
}

struct FilledData {
    std::string folder;
    std::string sqlitePath;
    ~FilledData() {
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }
};

const FilledData& Filled() {
    static const FilledData data = [] {
        FilledData made;
        made.folder = MakeFolder();
        LarchInsert(made.folder, kRows, true);
        made.sqlitePath = made.folder + "/events.sqlite";
        Sqlite db(made.sqlitePath);
        db.CreateEventTable();
        db.Insert(kRows, true);
        return made;
    }();
    return data;
}

// ------------------------------------------------------------ benchmarks

// Ours has no transactions: the nearest to one transaction is an exclusively
// opened table, whose Posts take no locks and run no change checks.
void BM_BulkInsertOneTransaction(benchmark::State& state) {
    for (auto _ : state) {
        std::string folder = MakeFolder();
        double larch = Milliseconds([&] { LarchInsert(folder, kRows, true); });
        double sqlite = Milliseconds([&] {
            Sqlite db(folder + "/bulk.sqlite");
            db.CreateEventTable();
            db.Insert(kRows, true);
        });
        std::filesystem::remove_all(folder);
        Report(state, "insert 100,000 rows, one transaction", larch, sqlite);
    }
}
BENCHMARK(BM_BulkInsertOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(1);

// One commit per row: a shared Post (locks, change check, written before the
// locks go) against an autocommitted INSERT.
void BM_InsertCommitPerRow(benchmark::State& state) {
    for (auto _ : state) {
        std::string folder = MakeFolder();
        double larch = Milliseconds([&] { LarchInsert(folder, kCommittedRows, false); });
        double sqlite = Milliseconds([&] {
            Sqlite db(folder + "/rows.sqlite");
            db.CreateEventTable();
            db.Insert(kCommittedRows, false);
        });
        std::filesystem::remove_all(folder);
        Report(state, "insert 10,000 rows, commit per row", larch, sqlite);
    }
}
BENCHMARK(BM_InsertCommitPerRow)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PointLookupsByLastName(benchmark::State& state) {
    const FilledData& data = Filled();
    for (auto _ : state) {
        auto table = testing::EventCursor(data.folder, "LastName");
        table->Open();
        int64_t found = 0;
        double larch = Milliseconds([&] {
            for (int i = 0; i < kLookups; ++i) {
                table->FindNearest({hollin::TFieldValue{RowFor((i * 131) % kRows).lastName}});
                found += table->FieldByName("IndexField").AsInteger() > 0;
            }
        });
        table->Close();
        Sqlite db(data.sqlitePath);
        sqlite3_stmt* lookup = db.Prepare("SELECT IndexField, FirstName FROM Hollin WHERE LastName = ?1 LIMIT 1");
        double sqlite = Milliseconds([&] {
            for (int i = 0; i < kLookups; ++i) {
                std::string name = RowFor((i * 131) % kRows).lastName;
                sqlite3_bind_text(lookup, 1, name.c_str(), -1, SQLITE_TRANSIENT);
                if (sqlite3_step(lookup) == SQLITE_ROW) found += sqlite3_column_int(lookup, 0) > 0;
                sqlite3_reset(lookup);
            }
        });
        sqlite3_finalize(lookup);
        benchmark::DoNotOptimize(found);
        Report(state, "10,000 point lookups by last name", larch, sqlite);
    }
}
BENCHMARK(BM_PointLookupsByLastName)->Unit(benchmark::kMillisecond)->Iterations(1);

// COUNT(*) over a range of EventDate, which leads the Edate index in both
// (the event and name indexes of ours ignore case, so a plain "=" on them is
// not theirs to serve). Every day of the 20,000 holds exactly five rows.
void CompareCount(benchmark::State& state, int days, const char* what) {
    const FilledData& data = Filled();
    const int32_t first = 705000, last = first + days - 1;
    std::string larchSql = "SELECT COUNT(*) FROM Hollin WHERE EventDate BETWEEN '" + hollin::FormatDate(first) +
                           "' AND '" + hollin::FormatDate(last) + "'";
    std::string sqliteSql = "SELECT COUNT(*) FROM Hollin WHERE EventDate BETWEEN '" + IsoDate(first) + "' AND '" +
                            IsoDate(last) + "'";
    for (auto _ : state) {
        int64_t larchCount = 0, sqliteCount = 0;
        TLarchQuery query;
        query.SetDatabaseName(data.folder);
        query.SetSQL(larchSql);
        double larch = Milliseconds([&] {
            for (int i = 0; i < kCountRuns; ++i) {
                query.Open();
                larchCount = query.Fields()[0].AsInteger();
                query.Close();
            }
        });
        query.UnPrepare();
        Sqlite db(data.sqlitePath);
        sqlite3_stmt* count = db.Prepare(sqliteSql.c_str());
        double sqlite = Milliseconds([&] {
            for (int i = 0; i < kCountRuns; ++i) {
                if (sqlite3_step(count) == SQLITE_ROW) sqliteCount = sqlite3_column_int64(count, 0);
                sqlite3_reset(count);
            }
        });
        sqlite3_finalize(count);
        if (larchCount != sqliteCount || larchCount != int64_t(days) * kRows / 20000) {
            state.SkipWithError("the counts differ");
        }
        Report(state, what, larch, sqlite);
    }
}

void BM_CountOnePercent(benchmark::State& state) { CompareCount(state, 200, "50 x COUNT(*) at 1 % (indexed)"); }
BENCHMARK(BM_CountOnePercent)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CountTenPercent(benchmark::State& state) { CompareCount(state, 2000, "50 x COUNT(*) at 10 % (indexed)"); }
BENCHMARK(BM_CountTenPercent)->Unit(benchmark::kMillisecond)->Iterations(1);

// The program's month query, live, reading the four columns of every row;
// SQLite takes the month from its ISO date text.
void BM_MonthQuery(benchmark::State& state) {
    const FilledData& data = Filled();
    for (auto _ : state) {
        int64_t larchRows = 0, sqliteRows = 0;
        TLarchQuery query;
        query.SetDatabaseName(data.folder);
        query.SetRequestLive(true);
        query.SetSQL("SELECT FirstName, LastName, Event, EventDate FROM \"Hollin.DAT\" "
                     "WHERE EXTRACT(MONTH FROM EventDate)=(:Today)");
        double larch = Milliseconds([&] {
            for (int month = 1; month <= kMonthRuns; ++month) {
                query.ParamByName("Today").SetAsInteger(month);
                query.Open();
                for (query.First(); !query.Eof(); query.Next()) {
                    for (int f = 0; f < 4; ++f) benchmark::DoNotOptimize(query.Fields()[f].AsString());
                    ++larchRows;
                }
                query.Close();
            }
        });
        query.UnPrepare();
        Sqlite db(data.sqlitePath);
        sqlite3_stmt* month = db.Prepare("SELECT FirstName, LastName, Event, EventDate FROM Hollin "
                                         "WHERE CAST(strftime('%m', EventDate) AS INTEGER) = ?1");
        double sqlite = Milliseconds([&] {
            for (int m = 1; m <= kMonthRuns; ++m) {
                sqlite3_bind_int(month, 1, m);
                while (sqlite3_step(month) == SQLITE_ROW) {
                    for (int f = 0; f < 4; ++f) benchmark::DoNotOptimize(sqlite3_column_text(month, f));
                    ++sqliteRows;
                }
                sqlite3_reset(month);
            }
        });
        sqlite3_finalize(month);
        if (larchRows != sqliteRows) state.SkipWithError("the row counts differ");
        Report(state, "month query, 12 months of 100,000 rows", larch, sqlite);
    }
}
BENCHMARK(BM_MonthQuery)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace larch
