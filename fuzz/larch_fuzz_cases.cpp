// The fixture table of the Larch fuzz targets and what they do with an input.
#include "fuzz/larch_fuzz_cases.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "dataset/dataset_errors.h"
#include "dataset/stream.h"
#include "engine/files/engine_error.h"
#include "engine/cursor/larch_query.h"
#include "engine/cursor/larch_table.h"
#include "engine/tables/table_repair.h"
#include "engine/tables/table_verify.h"
#include "csv/csv_writer.h"

namespace larch::fuzz {
namespace {

constexpr const char* kFiles[] = {"T.DAT", "T.IDX", "T.BLB"};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const char* data, std::size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(data, static_cast<std::streamsize>(size));
}

// Runs `action`; the engine's and the dataset's own errors are refusals.
template <typename Action>
// Runs `action`; a refusal (the errors bad input ends in) is fine. Returns
// whether it ran without one.
bool Refusable(Action action) {
    try {
        action();
        return true;
    } catch (const hollin::EDatabaseError&) {
    } catch (const hollin::EConvertError&) {
    } catch (const hollin::EAbort&) {
    } catch (const hollin::EStreamError&) {
    }
    return false;
}

class Fixture {
public:
    static Fixture& Instance() {
        static Fixture fixture;
        return fixture;
    }
    const std::string& Folder() const { return m_folder; }
    const std::string& Scratch() const { return m_scratch; }
    // Puts the first state of "T" back, removing what a statement created.
    void Restore() const {
        for (const auto& entry : std::filesystem::directory_iterator(m_folder)) std::filesystem::remove_all(entry);
        for (int k = 0; k < 3; ++k) WriteBytes(m_folder + "/" + kFiles[k], m_files[k].data(), m_files[k].size());
    }
    const std::string& File(int k) const { return m_files[k]; }
    ~Fixture() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        std::filesystem::remove_all(m_scratch, ignored);
    }

private:
    Fixture() {
        std::string pattern = (std::filesystem::temp_directory_path() / "larch-fuzz-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data());
        std::string scratch = (std::filesystem::temp_directory_path() / "larch-fuzz-files-XXXXXX").string();
        m_scratch = ::mkdtemp(scratch.data());
        TLarchTable table;
        table.SetDatabaseName(m_folder);
        table.SetTableName("T.DAT");
        hollin::TFieldDefs& fields = table.FieldDefs();
        fields.Add("Id", hollin::ftAutoInc, 0, false);
        fields.Add("Name", hollin::ftString, 20, true);
        fields.Add("Age", hollin::ftInteger, 0, false);
        fields.Add("Born", hollin::ftDate, 0, false);
        fields.Add("Seen", hollin::ftDateTime, 0, false);
        fields.Add("At", hollin::ftTime, 0, false);
        fields.Add("Ok", hollin::ftBoolean, 0, false);
        fields.Add("Score", hollin::ftFloat, 0, false);
        fields.Add("Amount", hollin::ftBCD, 2, false);
        fields.Add("Small", hollin::ftSmallint, 0, false);
        fields.Add("Note", hollin::ftMemo, 0, false);
        fields.Add("Pic", hollin::ftBlob, 0, false);
        table.IndexDefs().Add("", "Id", ixPrimary | ixUnique);
        table.IndexDefs().Add("ByName", "Name", ixCaseInsensitive);
        table.IndexDefs().Add("ByBorn", "Born;Name", 0);
        table.CreateTable();
        table.Open();
        const char* names[] = {"Ann", "Bob", "Cid", "Dee", "Eli", "Fay"};
        for (int i = 0; i < 6; ++i) {
            table.Insert();
            table.FieldByName("Name").SetAsString(names[i]);
            if (i != 3) table.FieldByName("Age").SetAsInteger(10 * i + 3);
            table.FieldByName("Born").SetAsString("0" + std::to_string(i + 1) + "/1" + std::to_string(i) + "/1990");
            table.FieldByName("Seen").SetAsString("03/14/2001 1" + std::to_string(i) + ":45:10");
            table.FieldByName("At").SetAsString("07:0" + std::to_string(i) + ":09");
            table.FieldByName("Ok").SetAsBoolean(i % 2 == 0);
            table.FieldByName("Score").SetAsFloat(i * 1.25);
            table.FieldByName("Small").SetAsInteger(i - 3);
            table.FieldByName("Note").SetAsString(std::string(static_cast<std::size_t>(i * 250), 'n'));
            if (i % 3 == 0) table.FieldByName("Pic").SetAsString(std::string(700, 'p'));
            table.Post();
        }
        table.Close();
        for (int k = 0; k < 3; ++k) m_files[k] = ReadBytes(m_folder + "/" + kFiles[k]);
    }

    std::string m_folder, m_scratch;
    std::string m_files[3];
};

// Formats every field of the current record the ways the shell and the
// program do.
void ReadFields(hollin::TDataSet& set) {
    for (int i = 0; i < set.FieldCount(); ++i) {
        hollin::TField& field = set.Fields()[i];
        Refusable([&] { (void)hollin::csv::FieldText(field); });
        Refusable([&] { (void)field.AsString(); });
    }
}

void ReadAll(hollin::TDataSet& set) {
    int guard = 0;
    for (set.First(); !set.Eof() && guard < 10000; set.Next(), ++guard) ReadFields(set);
}

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

bool RunSql(const std::string& text) {
    const Fixture& fixture = Fixture::Instance();
    fixture.Restore();
    bool accepted = true;
    for (bool live : {false, true}) {
        accepted &= Refusable([&] {
            TLarchQuery query;
            query.SetDatabaseName(fixture.Folder());
            query.SetRequestLive(live);
            query.SetSQL(text);
            query.Prepare();
            if (query.Statement()->Kind() == TStatementKind::Select) {
                query.Open();
                ReadAll(query);
                query.Close();
            } else if (!live) {
                query.ExecSQL();
            }
        });
    }
    // Whatever ran, the table must still be whole.
    accepted &= Refusable([&] {
        TLarchTable table;
        table.SetDatabaseName(fixture.Folder());
        table.SetTableName("T.DAT");
        table.Open();
        if (!VerifyTable(*table.DataFile()).empty()) std::abort();
    });
    return accepted;
}

bool RunFilter(const std::string& text) {
    const Fixture& fixture = Fixture::Instance();
    return Refusable([&] {
        TLarchTable table;
        table.SetDatabaseName(fixture.Folder());
        table.SetTableName("T.DAT");
        table.SetIndexName("ByName");
        table.SetFilter(text);
        table.SetFiltered(true);
        table.Open();
        ReadAll(table);
    });
}

bool RunTableFiles(const uint8_t* data, std::size_t size) {
    const Fixture& fixture = Fixture::Instance();
    if (size < 8) return false;
    const std::size_t dat = GetU32(data), idx = GetU32(data + 4);
    if (dat > size - 8 || idx > size - 8 - dat) return false;
    const std::string folder = fixture.Scratch();
    for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove_all(entry);
    const char* bytes = reinterpret_cast<const char*>(data + 8);
    WriteBytes(folder + "/M.DAT", bytes, dat);
    WriteBytes(folder + "/M.IDX", bytes + dat, idx);
    WriteBytes(folder + "/M.BLB", bytes + dat + idx, size - 8 - dat - idx);
    bool accepted = true;
    for (bool exclusive : {false, true}) {
        accepted &= Refusable([&] {
            TLarchTable table;
            table.SetDatabaseName(folder);
            table.SetTableName("M.DAT");
            table.SetExclusive(exclusive);
            table.SetReadOnly(true);
            table.Open();
            ReadAll(table);
            (void)VerifyTable(*table.DataFile());
        });
    }
    accepted &= Refusable([&] {
        TLarchQuery query;
        query.SetDatabaseName(folder);
        query.SetSQL("SELECT * FROM M WHERE Seen > '01/01/2000' OR Age < 20 ORDER BY Name");
        query.Open();
        ReadAll(query);
    });
    // A repair that succeeds leaves a sound table.
    bool repaired = false;
    Refusable([&] {
        RepairTable(folder + "/M.DAT", folder, TableFileOptions{});
        repaired = true;
    });
    if (!repaired) return false;
    TLarchTable table;
    table.SetDatabaseName(folder);
    table.SetTableName("M.DAT");
    table.Open();
    const std::vector<std::string> problems = VerifyTable(*table.DataFile());
    if (!problems.empty()) {
        std::fprintf(stderr, "repaired table is not sound: %s\n", problems.front().c_str());
        std::abort();
    }
    ReadAll(table);
    return accepted;
}

std::vector<uint8_t> PackedFixtureTable() {
    const Fixture& fixture = Fixture::Instance();
    std::vector<uint8_t> packed(8);
    for (int k = 0; k < 2; ++k) {
        const uint32_t n = static_cast<uint32_t>(fixture.File(k).size());
        for (int b = 0; b < 4; ++b) packed[static_cast<std::size_t>(4 * k + b)] = static_cast<uint8_t>(n >> (8 * b));
    }
    for (int k = 0; k < 3; ++k) packed.insert(packed.end(), fixture.File(k).begin(), fixture.File(k).end());
    return packed;
}

}  // namespace larch::fuzz
