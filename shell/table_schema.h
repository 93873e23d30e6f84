// Table definitions for the shell: parsing the .create and .index syntax and
// describing an existing table in the same syntax.
#pragma once

#include <string>
#include <vector>

#include "dataset/field_defs.h"
#include "engine/tables/index_defs.h"
#include "engine/cursor/larch_table.h"

namespace larch::shell {

struct FieldClause {
    std::string name;
    hollin::TFieldType type = hollin::ftUnknown;
    int size = 0;
    bool required = false;
};

struct IndexClause {
    std::string name;    // empty for the primary index
    std::string fields;  // "A;B"
    TIndexOptions options = 0;
};

struct CreateCommand {
    std::string table;
    std::vector<FieldClause> fields;
    bool hasPrimary = false;
    IndexClause primary;
    std::vector<IndexClause> indexes;
};

// Parses "TABLE (NAME TYPE [NOT NULL], ...) [PRIMARY (FIELD;...)] [INDEX NAME
// (FIELD;...) [UNIQUE] [NOCASE] [DESC]]..." (keywords in any letter case;
// names may be written in double quotes). Throws std::runtime_error naming
// what is wrong.
CreateCommand ParseCreate(const std::string& text);
// Parses "TABLE NAME (FIELD;...) [UNIQUE] [NOCASE] [DESC]".
std::pair<std::string, IndexClause> ParseIndex(const std::string& text);

// The type word of a field type ("STRING(30)", "INTEGER", ...).
std::string TypeText(hollin::TFieldType type, int size);

// Fills the table's FieldDefs and IndexDefs from the command and creates it;
// a table of that name that exists already is refused.
void CreateTableFromCommand(const CreateCommand& command, const std::string& folder);

// The fields and indexes of an existing table, one per line, in the .create
// syntax: "NAME TYPE [NOT NULL]", "PRIMARY (FIELD;...) [NOCASE] [DESC]",
// "INDEX NAME (FIELD;...) [UNIQUE] [NOCASE] [DESC]".
std::vector<std::string> DescribeTable(const std::string& table, const std::string& folder);

// Rebuilds the table with one more secondary index, keeping its fields and
// indexes.
void AddIndex(const std::string& table, const IndexClause& index, const std::string& folder);

}  // namespace larch::shell
