// The shell's dot-commands: .tables, .schema, .create, .index, .empty,
// .verify, .repair, .import, .export, .live, .timer and .help; the
// session's own commands (.mode, .read, .output, ...) are session_commands.cpp's.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "engine/data/larch_scopes.h"
#include "engine/files/engine_error.h"
#include "engine/cursor/larch_session.h"
#include "csv/csv_reader.h"
#include "csv/csv_writer.h"
#include "engine/cursor/larch_table.h"
#include "engine/tables/table_repair.h"
#include "engine/tables/table_verify.h"
#include "shell/command_words.h"
#include "shell/shell_context.h"
#include "shell/table_schema.h"

namespace larch::shell {

using namespace hollin;
using namespace hollin::csv;

namespace {

constexpr const char* kHelp =
    ".tables                          the table files of the folder\n"
    ".schema TABLE                    fields and indexes of a table\n"
    ".create TABLE (NAME TYPE [NOT NULL], ...) [PRIMARY (FIELD;...)]\n"
    "        [INDEX NAME (FIELD;...) [UNIQUE] [NOCASE] [DESC]]...\n"
    ".index TABLE NAME (FIELD;...) [UNIQUE] [NOCASE] [DESC]\n"
    ".empty TABLE                     delete every record\n"
    ".verify TABLE                    check the table's files\n"
    ".repair TABLE                    rebuild a damaged table from its data file\n"
    ".import TABLE FILE               add the rows of a CSV file with a header line\n"
    ".export TABLE FILE               write the table as CSV\n"
    ".live on|off                     ask for live results of SELECT\n"
    ".timer on|off                    show the time each command takes\n";

void OpenTable(TLarchTable& table, const ShellContext& context, const std::string& name, bool readOnly) {
    table.SetDatabaseName(context.folder);
    table.SetTableName(name);
    table.SetReadOnly(readOnly);
    table.Open();
}

// ------------------------------------------------------------ import

std::vector<uint8_t> ParseHex(const std::string& text) {
    auto digit = [&](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw std::runtime_error("'" + text + "' is not a valid hexadecimal value");
    };
    if (text.size() % 2) throw std::runtime_error("'" + text + "' is not a valid hexadecimal value");
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) bytes.push_back(static_cast<uint8_t>(digit(text[i]) * 16 + digit(text[i + 1])));
    return bytes;
}

// A decimal text as an integer scaled by 10^scale, rounded half away from zero.
int64_t ParseScaled(const std::string& text, int scale) {
    std::string t = Trim(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    std::string whole, fraction;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) whole += t[i++];
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) fraction += t[i++];
    }
    if (i != t.size() || (whole.empty() && fraction.empty()) || whole.size() > 18) {
        throw std::runtime_error("'" + text + "' is not a valid BCD value");
    }
    bool roundUp = fraction.size() > static_cast<std::size_t>(scale) && fraction[scale] >= '5';
    fraction.resize(static_cast<std::size_t>(scale), '0');
    std::string digits = whole + fraction;
    if (digits.size() > 18) throw std::runtime_error("'" + text + "' is not a valid BCD value");
    int64_t value = digits.empty() ? 0 : std::stoll(digits);
    if (roundUp) ++value;
    return negative ? -value : value;
}

void SetImportValue(TField& field, const std::string& text) {
    if (text.empty()) {
        field.Clear();
        return;
    }
    switch (field.DataType()) {
        case ftBytes:
        case ftVarBytes:
            field.SetAsBytes(ParseHex(text));
            return;
        case ftFloat:
        case ftCurrency: {
            errno = 0;
            char* end = nullptr;
            double value = std::strtod(text.c_str(), &end);
            if (end == text.c_str() || Trim(end).size() != 0 || errno == ERANGE) {
                throw std::runtime_error("'" + text + "' is not a valid floating point value");
            }
            field.SetAsFloat(value);
            return;
        }
        case ftBCD: {
            int64_t scaled = ParseScaled(text, field.Size());
            field.SetData(&scaled);
            return;
        }
        default:
            field.SetAsString(text);
    }
}

// Errors that concern one row's values: the row is dropped and the import
// goes on. Any other engine error (a failed read or write, a damaged file, a
// lock) breaks the batch being written.
bool IsRowError(const std::exception& e) {
    const auto* engine = dynamic_cast<const ELarchEngineError*>(&e);
    if (!engine) return true;
    switch (engine->ErrorCode()) {
        case err::DuplicateKey:
        case err::BelowMinimum:
        case err::AboveMaximum:
        case err::ValueRequired:
        case err::InvalidBlobLength: return true;
        default: return false;
    }
}

void Import(ShellContext& context, const std::string& tableName, const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open \"" + fileName + "\"");
    TLarchTable table;
    OpenTable(table, context, tableName, false);
    CsvReader reader(in);
    CsvRecord header;
    if (!reader.Next(header)) return;  // an empty file adds nothing
    if (!header.error.empty()) throw std::runtime_error(fileName + ":1: " + header.error);
    // The header names the fields; read-only ones (AutoInc) take their own values.
    std::vector<TField*> fields;
    for (const std::string& name : header.fields) {
        TField* field = table.FindField(Trim(name));
        if (!field) throw std::runtime_error(fileName + ":1: Field '" + Trim(name) + "' not found");
        fields.push_back(field->ReadOnly() ? nullptr : field);
    }
    // Rows go in batches, each written whole under one taking of the locks.
    constexpr int kBatchRows = 100000;
    std::optional<BatchWriteScope> batch;
    int batched = 0;
    int batchLine = 0;  // the first line of the batch being written
    auto batchLost = [&] {
        *context.err << fileName << ": the rows from line " << batchLine << " on were not added\n";
    };
    auto finishBatch = [&] {
        if (!batch) return;
        batched = 0;
        try {
            batch->Finish();
        } catch (...) {
            batch.reset();
            batchLost();
            throw;
        }
        batch.reset();
    };
    CsvRecord record;
    while (reader.Next(record)) {
        if (!batch) {
            batch.emplace(*table.DataFile());
            batchLine = record.line;
        }
        if (record.fields.size() == 1 && record.fields[0].empty() && record.error.empty()) continue;  // a blank line
        try {
            if (!record.error.empty()) throw std::runtime_error(record.error);
            if (record.fields.size() != fields.size()) {
                throw std::runtime_error("expected " + std::to_string(fields.size()) + " fields, found " +
                                         std::to_string(record.fields.size()));
            }
            table.Insert();
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (fields[i]) SetImportValue(*fields[i], record.fields[i]);
            }
            table.Post();
        } catch (const std::exception& e) {
            // The row is dropped whole: nothing of it was written.
            if (table.State() == dsInsert) table.Cancel();
            context.failed = true;
            *context.err << fileName << ":" << record.line << ": " << e.what() << "\n";
            if (!IsRowError(e)) {
                // The batch is rolled back as the scope goes; the error ends the import.
                batch.reset();
                batchLost();
                throw;
            }
        }
        if (++batched == kBatchRows) finishBatch();
    }
    finishBatch();
}

void Export(ShellContext& context, const std::string& tableName, const std::string& fileName) {
    TLarchTable table;
    OpenTable(table, context, tableName, true);
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write \"" + fileName + "\"");
    PrintDataSet(table, OutputSettings{}, out);  // CSV with the field names, whatever .mode says
    out.close();
    if (!out) throw std::runtime_error("cannot write \"" + fileName + "\"");
}

}  // namespace

void RunDotCommand(ShellContext& context, const std::string& line) {
    std::string text = Trim(line);
    std::size_t space = text.find_first_of(" \t");
    std::string command = text.substr(0, space);
    std::string rest = space == std::string::npos ? std::string() : Trim(text.substr(space));
    std::ostream& out = *context.out;

    if (SameName(command, ".tables")) {
        if (!rest.empty()) throw std::runtime_error("usage: .tables");
        std::vector<std::string> names;
        TLarchSessionList::Instance().DefaultSession().GetTableNames(context.folder, names);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) out << name << "\n";
    } else if (SameName(command, ".schema")) {
        std::vector<std::string> words = Arguments(rest, 1, ".schema TABLE");
        for (const std::string& l : DescribeTable(words[0], context.folder)) out << l << "\n";
    } else if (SameName(command, ".create")) {
        CreateTableFromCommand(ParseCreate(rest), context.folder);
    } else if (SameName(command, ".index")) {
        auto [table, index] = ParseIndex(rest);
        AddIndex(table, index, context.folder);
    } else if (SameName(command, ".empty")) {
        std::vector<std::string> words = Arguments(rest, 1, ".empty TABLE");
        TLarchTable table;
        table.SetDatabaseName(context.folder);
        table.SetTableName(words[0]);
        table.EmptyTable();
    } else if (SameName(command, ".verify")) {
        std::vector<std::string> words = Arguments(rest, 1, ".verify TABLE");
        TLarchTable table;
        OpenTable(table, context, words[0], true);
        std::vector<std::string> problems = VerifyTable(*table.DataFile());
        if (problems.empty()) out << "ok\n";
        for (const std::string& problem : problems) out << problem << "\n";
        if (!problems.empty()) context.failed = true;
    } else if (SameName(command, ".repair")) {
        std::vector<std::string> words = Arguments(rest, 1, ".repair TABLE");
        RepairReport report = RepairTable(context.folder + words[0], context.folder, TableFileOptions{});
        for (const std::string& l : report.lines) out << l << "\n";
        for (const std::string& copy : report.copies) out << "The original file is kept as " << copy << "\n";
    } else if (SameName(command, ".import")) {
        std::vector<std::string> words = Arguments(rest, 2, ".import TABLE FILE");
        Import(context, words[0], words[1]);
    } else if (SameName(command, ".export")) {
        std::vector<std::string> words = Arguments(rest, 2, ".export TABLE FILE");
        Export(context, words[0], words[1]);
    } else if (SameName(command, ".live")) {
        context.live = OnOff(rest, ".live on|off");
    } else if (SameName(command, ".timer")) {
        context.timer = OnOff(rest, ".timer on|off");
    } else if (SameName(command, ".help")) {
        out << kHelp << SessionCommandsHelp();
    } else if (!RunSessionCommand(context, command, rest)) {
        throw std::runtime_error("unknown command \"" + command + "\" (.help lists the commands)");
    }
    context.out->flush();  // .output may have replaced the stream `out` named
}

}  // namespace larch::shell
