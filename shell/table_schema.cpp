// Table definitions for the shell: the .create and .index syntax, and the
// description of an existing table.
#include "shell/table_schema.h"

#include <cctype>
#include <stdexcept>

#include "engine/records/field_types.h"
#include "engine/blob/blob_file.h"
#include "engine/index/index_file.h"

namespace larch::shell {

using namespace hollin;

namespace {

// Words, quoted names, numbers and the punctuation ( ) , ;
class Tokens {
public:
    explicit Tokens(const std::string& text) {
        std::size_t i = 0;
        while (i < text.size()) {
            char c = text[i];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++i;
            } else if (c == '(' || c == ')' || c == ',' || c == ';') {
                m_items.push_back(std::string(1, c));
                ++i;
            } else if (c == '"') {
                std::size_t end = text.find('"', i + 1);
                if (end == std::string::npos) throw std::runtime_error("unterminated quoted name");
                m_items.push_back("\"" + text.substr(i + 1, end - i - 1));
                i = end + 1;
            } else {
                std::size_t start = i;
                while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) &&
                       std::string("(),;\"").find(text[i]) == std::string::npos) {
                    ++i;
                }
                m_items.push_back(text.substr(start, i - start));
            }
        }
    }
    bool AtEnd() const { return m_at >= m_items.size(); }
    const std::string& Peek() const {
        static const std::string none;
        return AtEnd() ? none : m_items[m_at];
    }
    bool IsWord(const char* word) const { return !AtEnd() && m_items[m_at][0] != '"' && SameName(m_items[m_at], word); }
    bool Accept(const char* word) {
        if (!IsWord(word) && Peek() != word) return false;
        ++m_at;
        return true;
    }
    void Expect(const char* word) {
        if (!Accept(word)) throw std::runtime_error(std::string("expected \"") + word + "\" at " + Where());
    }
    // A name: a word or a quoted name.
    std::string Name(const char* what) {
        if (AtEnd() || Peek() == "(" || Peek() == ")" || Peek() == "," || Peek() == ";") {
            throw std::runtime_error(std::string("expected ") + what + " at " + Where());
        }
        std::string item = m_items[m_at++];
        return item[0] == '"' ? item.substr(1) : item;
    }
    int Number(const char* what) {
        std::string item = Name(what);
        int value = 0;
        for (char c : item) {
            if (!std::isdigit(static_cast<unsigned char>(c)) || value > 100000) {
                throw std::runtime_error(std::string("expected ") + what + ", found \"" + item + "\"");
            }
            value = value * 10 + (c - '0');
        }
        return value;
    }
    std::string Where() const { return AtEnd() ? std::string("the end") : "\"" + Peek() + "\""; }

private:
    std::vector<std::string> m_items;
    std::size_t m_at = 0;
};

struct TypeWord {
    const char* word;
    TFieldType type;
    bool sized;
};

constexpr TypeWord kTypes[] = {
    {"STRING", ftString, true},       {"SMALLINT", ftSmallint, false}, {"INTEGER", ftInteger, false},
    {"WORD", ftWord, false},          {"BOOLEAN", ftBoolean, false},   {"FLOAT", ftFloat, false},
    {"CURRENCY", ftCurrency, false},  {"BCD", ftBCD, true},            {"DATE", ftDate, false},
    {"TIME", ftTime, false},          {"DATETIME", ftDateTime, false}, {"BYTES", ftBytes, true},
    {"VARBYTES", ftVarBytes, true},   {"AUTOINC", ftAutoInc, false},   {"BLOB", ftBlob, false},
    {"MEMO", ftMemo, false},          {"GRAPHIC", ftGraphic, false},   {"FMTMEMO", ftFmtMemo, false},
    {"TYPEDBINARY", ftTypedBinary, false},
};

// "(A;B)": the field list with ";" between the names (a "," is taken too).
std::string FieldList(Tokens& tokens) {
    tokens.Expect("(");
    std::string fields;
    while (true) {
        if (!fields.empty()) fields += ';';
        fields += tokens.Name("a field name");
        if (tokens.Accept(")")) break;
        if (!tokens.Accept(";")) tokens.Expect(",");
    }
    return fields;
}

TIndexOptions IndexOptions(Tokens& tokens, bool allowUnique) {
    TIndexOptions options = 0;
    while (true) {
        if (allowUnique && tokens.Accept("UNIQUE")) options |= ixUnique;
        else if (tokens.Accept("NOCASE")) options |= ixCaseInsensitive;
        else if (tokens.Accept("DESC")) options |= ixDescending;
        else return options;
    }
}

std::string OptionsText(TIndexOptions options) {
    std::string text;
    if (options & ixUnique) text += " UNIQUE";
    if (options & ixCaseInsensitive) text += " NOCASE";
    if (options & ixDescending) text += " DESC";
    return text;
}

// A name as the syntax reads it back: in quotes when it is not one word.
std::string NameText(const std::string& name) {
    bool plain = !name.empty();
    for (char c : name) {
        if (std::isspace(static_cast<unsigned char>(c)) || std::string("(),;\"").find(c) != std::string::npos) {
            plain = false;
        }
    }
    return plain ? name : "\"" + name + "\"";
}

void OpenForReading(TLarchTable& table, const std::string& name, const std::string& folder) {
    table.SetDatabaseName(folder);
    table.SetTableName(name);
    table.SetReadOnly(true);
    table.Open();
}

std::string IndexFieldNames(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields) {
    std::string names;
    for (int i = 0; i < index.fieldCount; ++i) {
        uint16_t number = index.fieldNumbers[i];
        if (i) names += ';';
        names += number >= 1 && number <= fields.size() ? fields[number - 1u].name : "?";
    }
    return names;
}

TIndexOptions OptionsOf(const IndexDescriptor& index, bool primary) {
    TIndexOptions options = primary ? TIndexOptions{ixPrimary} : TIndexOptions{0};
    if (index.unique && !primary) options |= ixUnique;
    if (index.caseInsensitive) options |= ixCaseInsensitive;
    if (index.descending) options |= ixDescending;
    return options;
}

}  // namespace

std::string TypeText(TFieldType type, int size) {
    for (const TypeWord& t : kTypes) {
        if (t.type == type) return t.sized ? std::string(t.word) + "(" + std::to_string(size) + ")" : t.word;
    }
    return "UNKNOWN";
}

CreateCommand ParseCreate(const std::string& text) {
    Tokens tokens(text);
    CreateCommand command;
    command.table = tokens.Name("a table name");
    tokens.Expect("(");
    while (true) {
        FieldClause field;
        field.name = tokens.Name("a field name");
        std::string word = tokens.Name("a field type");
        const TypeWord* type = nullptr;
        for (const TypeWord& t : kTypes) {
            if (SameName(word, t.word)) type = &t;
        }
        if (!type) throw std::runtime_error("unknown field type \"" + word + "\"");
        field.type = type->type;
        if (type->sized) {
            tokens.Expect("(");
            field.size = tokens.Number("a size");
            tokens.Expect(")");
        }
        if (tokens.Accept("NOT")) {
            tokens.Expect("NULL");
            field.required = true;
        }
        command.fields.push_back(field);
        if (tokens.Accept(")")) break;
        tokens.Expect(",");
    }
    while (!tokens.AtEnd()) {
        if (tokens.Accept("PRIMARY")) {
            if (command.hasPrimary) throw std::runtime_error("more than one PRIMARY index");
            command.hasPrimary = true;
            command.primary.fields = FieldList(tokens);
            command.primary.options = ixPrimary | IndexOptions(tokens, false);
        } else if (tokens.Accept("INDEX")) {
            IndexClause index;
            index.name = tokens.Name("an index name");
            index.fields = FieldList(tokens);
            index.options = IndexOptions(tokens, true);
            command.indexes.push_back(index);
        } else {
            throw std::runtime_error("expected PRIMARY or INDEX at " + tokens.Where());
        }
    }
    return command;
}

std::pair<std::string, IndexClause> ParseIndex(const std::string& text) {
    Tokens tokens(text);
    std::string table = tokens.Name("a table name");
    IndexClause index;
    index.name = tokens.Name("an index name");
    index.fields = FieldList(tokens);
    index.options = IndexOptions(tokens, true);
    if (!tokens.AtEnd()) throw std::runtime_error("unexpected " + tokens.Where());
    return {table, index};
}

void CreateTableFromCommand(const CreateCommand& command, const std::string& folder) {
    TLarchTable table;
    table.SetDatabaseName(folder);
    table.SetTableName(command.table);
    // Creating replaces files of the same name: an existing table is refused.
    if (table.Exists()) throw std::runtime_error("table \"" + command.table + "\" already exists");
    for (const FieldClause& f : command.fields) table.FieldDefs().Add(f.name, f.type, f.size, f.required);
    // The first definition is the primary index; one without fields means none.
    if (command.hasPrimary) table.IndexDefs().Add("", command.primary.fields, command.primary.options);
    else if (!command.indexes.empty()) table.IndexDefs().Add("", "", 0);
    for (const IndexClause& i : command.indexes) table.IndexDefs().Add(i.name, i.fields, i.options);
    table.CreateTable();
}

std::vector<std::string> DescribeTable(const std::string& name, const std::string& folder) {
    TLarchTable table;
    OpenForReading(table, name, folder);
    std::vector<std::string> lines;
    const auto& fields = table.DataFile()->Fields();
    for (const FieldDescriptor& d : fields) {
        TFieldType type = FieldTypeOf(d.physType, d.subType);
        int size = type == ftBCD ? d.scale : (type == ftString || type == ftBytes || type == ftVarBytes ? d.size : 0);
        lines.push_back(NameText(d.name) + " " + TypeText(type, size) + (d.required ? " NOT NULL" : ""));
    }
    TIndexFile& index = table.DataFile()->Index();
    if (index.SlotUsed(kPrimarySlot)) {
        const IndexDescriptor& d = index.Descriptor(kPrimarySlot);
        lines.push_back("PRIMARY (" + IndexFieldNames(d, fields) + ")" + OptionsText(OptionsOf(d, true)));
    }
    for (int slot = 1; slot <= index.SecondaryCount(); ++slot) {
        if (!index.SlotUsed(slot) || slot == kSysDeletedSlot) continue;
        const IndexDescriptor& d = index.Descriptor(slot);
        lines.push_back("INDEX " + NameText(d.name) + " (" + IndexFieldNames(d, fields) + ")" +
                        OptionsText(OptionsOf(d, false)));
    }
    table.Close();
    return lines;
}

void AddIndex(const std::string& name, const IndexClause& added, const std::string& folder) {
    TLarchTable table;
    OpenForReading(table, name, folder);
    std::vector<FieldDescriptor> fields = table.DataFile()->Fields();
    TIndexFile& index = table.DataFile()->Index();
    std::vector<TRestructureIndexDef> indexes;
    if (index.SlotUsed(kPrimarySlot)) {
        const IndexDescriptor& d = index.Descriptor(kPrimarySlot);
        indexes.push_back({"", IndexFieldNames(d, fields), OptionsOf(d, true), d.compression});
    } else {
        indexes.push_back({"", "", 0, 0});
    }
    for (int slot = 1; slot <= index.SecondaryCount(); ++slot) {
        if (!index.SlotUsed(slot) || slot == kSysDeletedSlot) continue;
        const IndexDescriptor& d = index.Descriptor(slot);
        indexes.push_back({d.name, IndexFieldNames(d, fields), OptionsOf(d, false), d.compression});
    }
    // The table keeps its own settings.
    const DataHeader& header = table.DataFile()->Header();
    TableSettings settings = SettingsOfTable(header);
    if (header.encrypted) throw std::runtime_error("an encrypted table cannot be given an index here");
    table.Close();
    table.SetReadOnly(false);

    for (const FieldDescriptor& d : fields) {
        TFieldType type = FieldTypeOf(d.physType, d.subType);
        int size = type == ftBCD ? d.scale : (type == ftString || type == ftBytes || type == ftVarBytes ? d.size : 0);
        table.RestructureFieldDefs().Add(d.name, type, size, d.required, d.defaultValue, d.minimum, d.maximum,
                                         d.description, d.number);
    }
    for (const TRestructureIndexDef& d : indexes) table.RestructureIndexDefs().Add(d.Name, d.Fields, d.Options, d.Compression);
    table.RestructureIndexDefs().Add(added.name, added.fields, added.options, 0);
    table.RestructureTable(settings.language, settings.sublanguage, settings.settingOne, settings.settingTwo, false, "",
                           settings.description, settings.blobBlockSize, true);
}

}  // namespace larch::shell
