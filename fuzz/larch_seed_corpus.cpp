// Writes the seed corpora of the Larch fuzz targets into three folders:
//   larch_seed_corpus SQL_FOLDER FILTER_FOLDER TABLE_FOLDER
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/larch_fuzz_cases.h"

namespace {

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: larch_seed_corpus SQL_FOLDER FILTER_FOLDER TABLE_FOLDER\n");
        return 2;
    }
    const std::vector<std::string> statements = {
        "SELECT * FROM T",
        "SELECT Name, Age FROM T WHERE Age > 10 ORDER BY Name DESC",
        "SELECT DISTINCT Ok FROM T",
        "SELECT Name, COUNT(*), SUM(Age), AVG(Score) FROM T GROUP BY Name",
        "SELECT a.Name FROM T a, T b WHERE a.Id = b.Id",
        "SELECT Name FROM T WHERE EXTRACT(MONTH FROM Born) = 3 AND Name LIKE 'A%'",
        "SELECT Seen - Born, Seen + 1, UPPER(Name) || 'x' FROM T WHERE Seen BETWEEN '01/01/2000' AND NOW",
        "SELECT SUBSTRING(Name FROM 2 FOR 2), TRIM(BOTH ' ' FROM Name) FROM T WHERE Age IN (13, 23)",
        "INSERT INTO T (Name, Age, Born) VALUES ('Zed', 7, '05/06/2001')",
        "UPDATE T SET Age = Age + 1, Note = 'changed' WHERE Name = 'Bob'",
        "DELETE FROM T WHERE Age IS NULL",
        "SELECT * FROM T INTO MEMORY R",
    };
    const std::vector<std::string> filters = {
        "Name = 'Ann'", "Age > 10 and Age < 40", "Name = 'B*'", "not (Ok = True) or Score >= 2.5",
        "Born > '01/01/1990'", "Seen < '03/14/2001 13:00:00'", "Amount = 0 or Small < 0",
    };
    for (std::size_t i = 0; i < statements.size(); ++i) {
        Write(std::string(argv[1]) + "/seed" + std::to_string(i) + ".sql", statements[i]);
    }
    for (std::size_t i = 0; i < filters.size(); ++i) {
        Write(std::string(argv[2]) + "/seed" + std::to_string(i) + ".filter", filters[i]);
    }
    const std::vector<uint8_t> table = larch::fuzz::PackedFixtureTable();
    Write(std::string(argv[3]) + "/fixture.tables", std::string(table.begin(), table.end()));
    return 0;
}
