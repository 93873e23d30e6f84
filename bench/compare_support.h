// What the comparisons with SQLite share: the event-like rows, SQLite through
// its C API, timing and the printed ratios, and running the two shells.
#pragma once

#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace larch::compare {

// Row i of a table of `rows` rows: five rows per last name, 40 % "Birthday",
// dates spread evenly over 20,000 days from 01/01/1950.
struct EventRow {
    std::string firstName, lastName, event;
    int32_t day;  // the date's day number
};
EventRow RowFor(int i, int rows);
std::string LastNameOf(int k);  // the k-th of the rows / 5 last names
std::string IsoDate(int32_t day);
int32_t DayOf(int year, int month, int day);

std::string MakeFolder();
void RemoveFolder(const std::string& folder);
double Milliseconds(const std::function<void()>& work);
// The median of `runs` timings of `work`.
double MedianMs(int runs, const std::function<void()>& work);

// Prints "what: larch ... sqlite ... ratio" (Larch / SQLite) and sets the
// benchmark's counters.
void Report(benchmark::State& state, const std::string& what, double larchMs, double sqliteMs);

class Sqlite {
public:
    // `full` is SQLite's default durability (synchronous=FULL with its
    // rollback journal), which matches a Larch write: on the disk when it
    // returns. synchronous=OFF is for work where neither side syncs.
    explicit Sqlite(const std::string& path, bool full = false);
    ~Sqlite();
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;

    void Exec(const std::string& sql);
    sqlite3_stmt* Prepare(const std::string& sql);
    int64_t QueryInteger(const std::string& sql);
    // Steps through every row of a statement, touching each column.
    int64_t CountRows(const std::string& sql);
    // The event table with the same five indexes, NOCASE where ours ignore case.
    void CreateEventTable();
    // Inserts rows [0, count) of a table of `rows` rows, in one transaction
    // or one autocommitted INSERT per row.
    void Insert(int count, int rows, bool oneTransaction) { InsertRange(0, count, rows, oneTransaction); }
    // The same for rows [first, first + count).
    void InsertRange(int first, int count, int rows, bool oneTransaction);

private:
    sqlite3* m_db = nullptr;
};

// The event table's definition for the two shells.
extern const char* const kLarchCreate;
extern const char* const kSqliteCreate;

// The rows as CSV files with a header line: dates as the Larch shell reads
// them, and as ISO dates for SQLite.
void WriteCsv(const std::string& larchCsv, const std::string& sqliteCsv, int rows);

// The two shell programs (LARCH_SHELL in the environment names another
// larch), and a command line run through /bin/sh.
const std::string& LarchShell();
const std::string& SqliteShell();  // empty when there is no sqlite3 program
void Run(const std::string& command);

// The quoted form of a word for /bin/sh.
std::string Quoted(const std::string& text);

}  // namespace larch::compare
