// Tests of the larch shell, run as a process: CSV output, errors and the exit
// status, input splitting, and the table commands' round trip.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/engine/test_folder.h"

namespace larch {
namespace {

using testing::TestFolder;

struct RunResult {
    std::string out, err;
    int status = -1;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Runs the shell with `args` in `folder` (its working folder), `input` on
// standard input; returns both outputs and the exit status.
RunResult RunLarch(const TestFolder& folder, const std::vector<std::string>& args, const std::string& input = "") {
    const std::string in = folder / ".stdin", out = folder / ".stdout", err = folder / ".stderr";
    WriteFile(in, input);
    pid_t child = ::fork();
    if (child == 0) {
        int fdIn = ::open(in.c_str(), O_RDONLY);
        int fdOut = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int fdErr = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fdIn < 0 || fdOut < 0 || fdErr < 0 || ::chdir(folder.path().c_str()) != 0) ::_exit(127);
        ::dup2(fdIn, 0);
        ::dup2(fdOut, 1);
        ::dup2(fdErr, 2);
        std::vector<char*> argv;
        std::string program = LARCH_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    RunResult result;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

constexpr const char* kCreate =
    ".create People (Id AUTOINC, Name STRING(20) NOT NULL, Note STRING(40), Born DATE, Seen DATETIME, At TIME,"
    " Ok BOOLEAN, Score FLOAT, Amount BCD(2), Raw BYTES(2), Memo MEMO) PRIMARY (Id)"
    " INDEX ByName (Name) UNIQUE NOCASE DESC";

// Rows in every format; the row on line 4 (after the two-line memo) holds a
// date that does not exist.
constexpr const char* kImport =
    "Id,Name,Note,Born,Seen,At,Ok,Score,Amount,Raw,Memo\n"
    "1,Ann,\"say \"\"hi\"\", ok\",03/14/1990,03/14/1990 13:45:10,07:05:09,True,0.1,12.5,0A0b,\"two\nlines\"\n"
    "2,Bob,,02/30/2001,,,,,,,\n"
    "3,Cy,,,,,False,1e300,-0.005,,\n";

constexpr const char* kExported =
    "Id,Name,Note,Born,Seen,At,Ok,Score,Amount,Raw,Memo\r\n"
    "1,Ann,\"say \"\"hi\"\", ok\",03/14/1990,03/14/1990 13:45:10,07:05:09,True,0.1,12.50,0A0B,\"two\nlines\"\r\n"
    "2,Cy,,,,,False,1e+300,-0.01,,\r\n";

class Shell : public ::testing::Test {
protected:
    void CreateAndImport() {
        WriteFile(folder / "in.csv", kImport);
        RunResult r = RunLarch(folder, {".", "-c", kCreate, "-c", ".import People in.csv"});
        ASSERT_EQ(r.status, 1);  // the bad row
        ASSERT_EQ(r.err, "in.csv:4: '02/30/2001' is not a valid date\n");
    }
    TestFolder folder;
};

TEST_F(Shell, TableCommandsRoundTrip) {
    CreateAndImport();
    RunResult r = RunLarch(folder, {folder.path(), "-c", ".schema People", "-c", ".export People out.csv", "-c",
                                    ".verify People", "-c", ".tables"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Id AUTOINC\nName STRING(20) NOT NULL\nNote STRING(40)\nBorn DATE\nSeen DATETIME\nAt TIME\n"
              "Ok BOOLEAN\nScore FLOAT\nAmount BCD(2)\nRaw BYTES(2)\nMemo MEMO\nPRIMARY (Id)\n"
              "INDEX ByName (Name) UNIQUE NOCASE DESC\nok\nPeople.DAT\n");
    // The failed row left nothing behind: the next row took the next ID.
    EXPECT_EQ(ReadFile(folder / "out.csv"), kExported);

    // An export imports back to the same table.
    r = RunLarch(folder, {"-c", ".empty People", "-c", ".import People out.csv", "-c", ".export People again.csv",
                          "-c", ".index People ByBorn (Born;Name) DESC", "-c", ".schema People", "-c",
                          ".verify People"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(folder / "again.csv"), kExported);
    EXPECT_NE(r.out.find("INDEX ByName (Name) UNIQUE NOCASE DESC\nINDEX ByBorn (Born;Name) DESC\nok\n"),
              std::string::npos)
        << r.out;
}

TEST_F(Shell, SelectPrintsCsv) {
    CreateAndImport();
    RunResult r = RunLarch(folder, {"-c", "SELECT Name, Note, Born, Seen, Ok, Amount, Memo FROM People"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Name,Note,Born,Seen,Ok,Amount,Memo\r\n"
              "Ann,\"say \"\"hi\"\", ok\",03/14/1990,03/14/1990 13:45:10,True,12.50,\"two\nlines\"\r\n"
              "Cy,,,,False,-0.01,\r\n");
}

TEST_F(Shell, StatementsFromStandardInput) {
    RunLarch(folder, {"-c", ".create T (Name STRING(10), N INTEGER)"});
    const std::string input =
        "INSERT INTO T (Name, N) VALUES ('a;b', 1); INSERT INTO T (Name, N)\n"
        "VALUES ('c', 2);\n"
        ".tables\n"
        "UPDATE T SET N = 5;\n"
        "DELETE FROM T WHERE Name = 'c';\n"
        "SELECT Name, N FROM T";  // ended by the end of the input
    RunResult r = RunLarch(folder, {}, input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "rows affected: 1\nrows affected: 1\nT.DAT\nrows affected: 2\nrows affected: 1\n"
              "Name,N\r\na;b,5\r\n");
}

// Overwrites the first copy of `from` in the file with `to` (same length).
bool Patch(const std::string& path, const std::string& from, const std::string& to) {
    std::string bytes = ReadFile(path);
    const std::size_t at = bytes.find(from);
    if (at == std::string::npos || from.size() != to.size()) return false;
    bytes.replace(at, to.size(), to);
    WriteFile(path, bytes);
    return true;
}

template <typename T>
std::string BytesOf(T value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// A damaged file can hold any bit pattern where a moment belongs; the shell
// shows it as invalid instead of converting it.
TEST_F(Shell, DamagedTimesAndTimestampsPrintAsInvalid) {
    RunLarch(folder, {"-c", ".create T (Seen DATETIME, At TIME)", "-c",
                      "INSERT INTO T (Seen, At) VALUES ('03/14/1990 13:45:10', '07:05:09')"});
    const double stored = 62773105510000.0;  // 03/14/1990 13:45:10 in ms since day 0
    const int32_t time = 25509000;           // 07:05:09
    const struct {
        double seen;
        int32_t at;
        bool later;  // compares after 2000 (a huge double is still a double)
    } damaged[] = {{-106751991168.0 * 86400000.0, -1, false}, {std::nan(""), 86400000, false},
                   {1e300, INT32_MIN, true}, {-INFINITY, INT32_MAX, false}};
    double before = stored;
    int32_t beforeTime = time;
    for (const auto& d : damaged) {
        ASSERT_TRUE(Patch(folder / "T.DAT", BytesOf(before) + BytesOf(uint8_t{1}) + BytesOf(beforeTime),
                          BytesOf(d.seen) + BytesOf(uint8_t{1}) + BytesOf(d.at)));
        before = d.seen;
        beforeTime = d.at;
        RunResult r = RunLarch(folder, {"-c", "SELECT * FROM T", "-c", "SELECT Seen - At FROM T", "-c",
                                        "SELECT Seen FROM T WHERE Seen > '01/01/2000'"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string("Seen,At\r\n(invalid timestamp),(invalid time)\r\nExpression\r\n\r\nSeen\r\n") +
                             (d.later ? "(invalid timestamp)\r\n" : ""));
    }
}

// The import of a large file killed at a random moment: the table opens and
// passes the integrity check, and holds a whole number of the rows.
TEST_F(Shell, AnImportKilledAtRandomLeavesASoundTable) {
    RunLarch(folder, {"-c", ".create T (Id AUTOINC, Name STRING(20) NOT NULL, Note MEMO) PRIMARY (Id) INDEX ByName (Name)"});
    std::string rows = "Name,Note\n";
    for (int i = 0; i < 20000; ++i) rows += "N" + std::to_string(i * 7919 % 20011) + "," + std::string(i % 5 ? 0 : 300, 'm') + "\n";
    WriteFile(folder / "rows.csv", rows);
    for (int round = 0; round < 4; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            if (::chdir(folder.path().c_str()) != 0) ::_exit(127);
            std::string program = LARCH_PATH, dot = ".", c = "-c", import = ".import T rows.csv";
            char* argv[] = {program.data(), dot.data(), c.data(), import.data(), nullptr};
            ::execv(program.c_str(), argv);
            ::_exit(127);
        }
        ::usleep(static_cast<useconds_t>(50000 + 90000 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        RunResult r = RunLarch(folder, {"-c", ".verify T"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.substr(0, 3), "ok\n") << "round " << round;
    }
}

// A table that no longer opens points to .repair, which brings it back.
TEST_F(Shell, ADamagedTableIsRepaired) {
    RunLarch(folder, {"-c", ".create T (Id AUTOINC, Name STRING(20)) PRIMARY (Id)", "-c",
                      "INSERT INTO T (Name) VALUES ('Ann')", "-c", "INSERT INTO T (Name) VALUES ('Bob')"});
    WriteFile(folder / "T.DAT", ReadFile(folder / "T.DAT") + "torn");
    RunResult r = RunLarch(folder, {"-c", "SELECT Name FROM T"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Larch Engine Error # 8961"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(".repair TABLE"), std::string::npos) << r.err;
    r = RunLarch(folder, {"-c", ".repair T", "-c", ".verify T", "-c", "SELECT Name FROM T"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Kept 2 records", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("ok\nName\r\nAnn\r\nBob\r\n"), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(folder / "T.DRP"));
}

struct FailureCase {
    std::vector<std::string> args;
    std::string input;
    std::string errorPart;  // expected in the error output
    std::string out;        // the whole standard output
};

TEST_F(Shell, ErrorsGoToStandardErrorAndTheShellGoesOn) {
    RunLarch(folder, {"-c", ".create T (Name STRING(10))"});
    WriteFile(folder / "header.csv", "Name,Nope\nx,y\n");
    const std::vector<FailureCase> cases = {
        {{"-c", "SELECT * FROM Missing", "-c", ".tables"}, "", "Larch Engine Error # ", "T.DAT\n"},
        {{}, "SELEC Name FROM T;\n.tables\n", "SQL - ", "T.DAT\n"},
        {{"-c", ".frobnicate"}, "", "unknown command", ""},
        {{"-c", ".schema"}, "", "usage: .schema TABLE", ""},
        {{"-c", ".live maybe"}, "", "usage: .live on|off", ""},
        {{"-c", ".create U (A NUMBER)"}, "", "unknown field type", ""},
        {{"-c", ".import T nofile.csv"}, "", "cannot open", ""},
        {{"-c", ".import T header.csv", "-c", "SELECT * FROM T"}, "", "header.csv:1: Field 'Nope' not found", "Name\r\n"},
        {{"-c", ".create t (B INTEGER)", "-c", ".schema T"}, "", "already exists", "Name STRING(10)\n"},
        {{"no-such-folder"}, "", "is not a folder", ""},
    };
    for (const FailureCase& c : cases) {
        RunResult r = RunLarch(folder, c.args, c.input);
        EXPECT_EQ(r.status, 1) << c.errorPart;
        EXPECT_NE(r.err.find(c.errorPart), std::string::npos) << r.err;
        EXPECT_EQ(r.out, c.out) << c.errorPart;
    }
    RunResult ok = RunLarch(folder, {"-c", ".timer on", "-c", ".tables"});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "T.DAT\n");
    EXPECT_NE(ok.err.find("elapsed: "), std::string::npos);
}

// The session's commands: output files, .read naming the line of an error,
// .bail, .quit and .exit; each case is one run of the shell.
TEST_F(Shell, SessionCommands) {
    RunLarch(folder, {"-c", ".create T (Name STRING(10), N INTEGER)", "-c",
                      "INSERT INTO T (Name, N) VALUES ('a', 1)"});
    WriteFile(folder / "script.sql", "SELECT N FROM T;\n\nSELECT Nope\n  FROM T;\n.tables\n");
    WriteFile(folder / "nested.sql", ".read script.sql\n.mode list\n");
    WriteFile(folder / "self.sql", ".read self.sql\n");
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        int status;
        std::string out;
        std::string errorPart;
    } cases[] = {
        {".read names the file and line", {}, ".read script.sql\nSELECT Name FROM T;\n", 1,
         "N\r\n1\r\nT.DAT\nName\r\na\r\n", "script.sql:3: Larch Engine Error # 11949 SQL - "},
        {".read in a .read", {"-c", ".read nested.sql", "-c", "SELECT * FROM T"}, "", 1, "N\r\n1\r\nT.DAT\nName|N\na|1\n",
         "script.sql:3: "},
        {".read of a missing file", {}, ".read none.sql\n.tables\n", 1, "T.DAT\n", "cannot open \"none.sql\""},
        {".read of a folder", {"-c", ".read ."}, "", 1, "", "\".\" is a folder"},
        {".read of itself ends", {"-c", ".read self.sql"}, "", 1, "", "self.sql:1: .read is nested more than 16 deep"},
        {".bail on stops", {}, ".bail on\nSELECT Nope FROM T;\n.tables\n", 1, "", "SQL - "},
        {"-bail stops a .read", {"-bail", "-c", ".read script.sql", "-c", ".tables"}, "", 1, "N\r\n1\r\n",
         "script.sql:3: "},
        {".quit", {}, ".tables\n.quit\n.tables\n", 0, "T.DAT\n", ""},
        {".exit CODE", {}, ".exit 3\n.tables\n", 3, "", ""},
        {".exit with a bad code", {"-c", ".exit x"}, "", 1, "", "usage: .exit [CODE]"},
        {"-cmd before the input", {"-cmd", ".mode json"}, "SELECT * FROM T;", 0, "[{\"Name\":\"a\",\"N\":1}]\n", ""},
        {"options and dot-commands", {"-line", "-c", "SELECT * FROM T", "-c", ".mode list", "-c", ".headers off", "-c",
         ".separator \\t", "-c", "SELECT Name, N FROM T"}, "", 0, "Name = a\n   N = 1\na\t1\n", ""},
        {"a wrong mode", {"-c", ".mode box"}, "", 1, "", "usage: .mode csv|list|line|column|table|json"},
        {"--version", {"--version"}, "", 0, "larch " LARCH_VERSION "\n", ""},
        {"a wrong option", {"-box"}, "", 2, "", "unknown option -box"},
    };
    for (const auto& c : cases) {
        RunResult r = RunLarch(folder, c.args, c.input);
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.name;
        if (c.errorPart.empty()) EXPECT_EQ(r.err, "") << c.name;
        else EXPECT_NE(r.err.find(c.errorPart), std::string::npos) << c.name << ": " << r.err;
    }
}

TEST_F(Shell, OutputAndOnceWriteFiles) {
    RunLarch(folder, {"-c", ".create T (N INTEGER)", "-c", "INSERT INTO T (N) VALUES (4)"});
    RunResult r = RunLarch(folder, {}, ".output all.txt\nSELECT N FROM T;\n.tables\n.output\n.once one.txt\n"
                                       "SELECT N FROM T;\nSELECT N + 1 AS M FROM T;\n.output no/such/dir/x\n.tables\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(folder / "all.txt"), "N\r\n4\r\nT.DAT\n");
    EXPECT_EQ(ReadFile(folder / "one.txt"), "N\r\n4\r\n");
    EXPECT_EQ(r.out, "M\r\n5\r\nT.DAT\n");
    EXPECT_NE(r.err.find("cannot write \"no/such/dir/x\""), std::string::npos) << r.err;
}

TEST_F(Shell, HelpAndTheManualPageListEveryCommand) {
    RunResult r = RunLarch(folder, {"-c", ".help"});
    EXPECT_EQ(r.status, 0);
    const std::string page = ReadFile(LARCH_MAN_PAGE);  // the manual page names them too
    ASSERT_FALSE(page.empty());
    for (const char* command : {".tables", ".schema", ".create", ".index", ".empty", ".verify", ".repair", ".import",
                                ".export", ".live", ".timer", ".mode", ".headers", ".separator", ".nullvalue",
                                ".output", ".once", ".read", ".bail", ".quit", ".exit", ".help"}) {
        EXPECT_NE(("\n" + r.out).find(std::string("\n") + command), std::string::npos) << command;
        EXPECT_NE(page.find(std::string(" ") + command), std::string::npos) << command << " is not in larch.1";
    }
}

}  // namespace
}  // namespace larch
