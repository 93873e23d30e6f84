// Shared pieces of the SQLite comparisons.
#include "bench/compare_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

#include "dataset/date_time.h"

namespace larch::compare {

namespace {

constexpr int kDays = 20000;
const char* const kEvents[] = {"Birthday", "Birthday", "Passing", "Anniversary", "Wedding"};

}  // namespace

int32_t DayOf(int year, int month, int day) {
    int32_t number = 0;
    hollin::TryEncodeDate(year, month, day, number);
    return number;
}

std::string LastNameOf(int k) {
    char text[16];
    std::snprintf(text, sizeof text, "L%06d", k);
    return text;
}

EventRow RowFor(int i, int rows) {
    static const int32_t first = DayOf(1950, 1, 1);
    char name[16];
    std::snprintf(name, sizeof name, "F%04d", i % 977);
    // 7919 is a prime that divides none of the table sizes used: every last
    // name gets exactly five rows.
    const int names = std::max(rows / 5, 1);
    return EventRow{name, LastNameOf(static_cast<int>((int64_t{i} * 7919) % names)), kEvents[i % 5],
                    first + static_cast<int32_t>((int64_t{i} * 37) % kDays)};
}

std::string IsoDate(int32_t day) {
    hollin::TDateParts parts = hollin::DecodeDate(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.year, parts.month, parts.day);
    return text;
}

std::string MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "larch-sqlite-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void RemoveFolder(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

double Milliseconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(Milliseconds(work));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(benchmark::State& state, const std::string& what, double larchMs, double sqliteMs) {
    const double ratio = sqliteMs > 0 ? larchMs / sqliteMs : 0.0;
    state.counters["larch_ms"] = larchMs;
    state.counters["sqlite_ms"] = sqliteMs;
    state.counters["ratio"] = ratio;
    std::printf("%-62s larch %10.3f ms   sqlite %10.3f ms   ratio %7.3f\n", what.c_str(), larchMs, sqliteMs, ratio);
    std::fflush(stdout);
}

// ------------------------------------------------------------ SQLite

Sqlite::Sqlite(const std::string& path, bool full) {
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) throw std::runtime_error("sqlite3_open failed");
    Exec("PRAGMA journal_mode=WAL");
    Exec(full ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=OFF");
}

Sqlite::~Sqlite() { sqlite3_close(m_db); }

void Sqlite::Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "sqlite3_exec failed";
        sqlite3_free(message);
        throw std::runtime_error(text);
    }
}

sqlite3_stmt* Sqlite::Prepare(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(m_db));
    }
    return statement;
}

int64_t Sqlite::QueryInteger(const std::string& sql) {
    sqlite3_stmt* statement = Prepare(sql);
    int64_t value = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    return value;
}

int64_t Sqlite::CountRows(const std::string& sql) {
    sqlite3_stmt* statement = Prepare(sql);
    int64_t rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            benchmark::DoNotOptimize(sqlite3_column_text(statement, c));
        }
        ++rows;
    }
    sqlite3_finalize(statement);
    return rows;
}

void Sqlite::CreateEventTable() { Exec(kSqliteCreate); }

void Sqlite::InsertRange(int first, int count, int rows, bool oneTransaction) {
    if (oneTransaction) Exec("BEGIN");
    sqlite3_stmt* insert = Prepare("INSERT INTO Hollin (FirstName, LastName, Event, EventDate) VALUES (?1, ?2, ?3, ?4)");
    for (int i = first; i < first + count; ++i) {
        EventRow row = RowFor(i, rows);
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

// ------------------------------------------------------------ the shells

const char* const kLarchCreate =
    ".create Hollin (IndexField AUTOINC, FirstName STRING(15) NOT NULL, MiddleName STRING(15),"
    " LastName STRING(15) NOT NULL, Event STRING(15) NOT NULL, EventDate DATE NOT NULL, Notes MEMO,"
    " Phone STRING(13), PhoneFax STRING(13), CellPhone STRING(13), Email STRING(30), Website STRING(35),"
    " Zip STRING(10), State STRING(2), City STRING(15), Address STRING(25), Photo GRAPHIC)"
    " PRIMARY (IndexField) INDEX Event (Event) NOCASE INDEX LastName (LastName) NOCASE"
    " INDEX FirstName (FirstName) NOCASE INDEX Edate (EventDate;Event;FirstName;LastName)";

const char* const kSqliteCreate =
    "CREATE TABLE Hollin (IndexField INTEGER PRIMARY KEY AUTOINCREMENT, FirstName TEXT NOT NULL COLLATE NOCASE,"
    " MiddleName TEXT, LastName TEXT NOT NULL COLLATE NOCASE, Event TEXT NOT NULL COLLATE NOCASE,"
    " EventDate TEXT NOT NULL, Notes TEXT, Phone TEXT, PhoneFax TEXT, CellPhone TEXT, Email TEXT, Website TEXT,"
    " Zip TEXT, State TEXT, City TEXT, Address TEXT, Photo BLOB);"
    "CREATE INDEX Event ON Hollin (Event);"
    "CREATE INDEX LastName ON Hollin (LastName);"
    "CREATE INDEX FirstName ON Hollin (FirstName);"
    "CREATE INDEX Edate ON Hollin (EventDate, Event COLLATE BINARY, FirstName COLLATE BINARY,"
    " LastName COLLATE BINARY);";

void WriteCsv(const std::string& larchCsv, const std::string& sqliteCsv, int rows) {
    std::ofstream larch(larchCsv), sqlite(sqliteCsv);
    larch << "FirstName,LastName,Event,EventDate\n";
    sqlite << "FirstName,LastName,Event,EventDate\n";
    for (int i = 0; i < rows; ++i) {
        EventRow row = RowFor(i, rows);
        const std::string common = row.firstName + "," + row.lastName + "," + row.event + ",";
        larch << common << hollin::FormatDate(row.day) << "\n";
        sqlite << common << IsoDate(row.day) << "\n";
    }
}

const std::string& LarchShell() {
    // LARCH_SHELL names another build of the shell (an older one, to compare).
    static const std::string path = [] {
        const char* other = std::getenv("LARCH_SHELL");
        return other && *other ? std::string(other) : std::string(LARCH_SHELL_PATH);
    }();
    return path;
}

const std::string& SqliteShell() {
    static const std::string path = [] {
        for (const char* candidate : {"/usr/bin/sqlite3", "/usr/local/bin/sqlite3"}) {
            if (::access(candidate, X_OK) == 0) return std::string(candidate);
        }
        return std::string();
    }();
    return path;
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

}  // namespace larch::compare
