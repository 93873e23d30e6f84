// Building field and index descriptors from definition lists and checking
// them as table creation requires.
#include "engine/tables/table_definition.h"

#include <algorithm>
#include <set>

#include "dataset/dataset_errors.h"
#include "engine/blob/blob_file.h"
#include "engine/files/engine_error.h"
#include "engine/records/field_types.h"
#include "engine/records/field_values.h"
#include "engine/records/record_layout.h"

namespace larch {
namespace {

constexpr std::size_t kMaxNameLength = 30;
constexpr std::size_t kMaxTextLength = 50;
constexpr std::size_t kMaxPasswordLength = 15;
constexpr std::size_t kMaxFields = 1024;
constexpr int kMaxBlobFields = 32;
constexpr uint32_t kMaxRecordSize = 65535;
constexpr int kMaxSize = 250;
constexpr int kMaxBcdScale = 8;

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

FieldDescriptor FieldFrom(const std::string& name, hollin::TFieldType type, int size, bool required,
                          uint16_t number) {
    FieldDescriptor d;
    PhysicalType physical = PhysicalTypeOf(type);
    d.number = number;
    d.name = name;  // trimmed and cut by the validation
    d.physType = physical.type;
    d.subType = physical.subType;
    uint8_t byte = size >= 0 && size <= 255 ? static_cast<uint8_t>(size) : 0;
    if (physical.type == phys::Bcd) {
        d.scale = byte;
    } else {
        d.size = byte;
    }
    d.required = required;
    return d;
}

// Field numbers are positions; a name that is no field gives 0 and is
// remembered in `unknown` (or raised, when `raiseUnknown`).
IndexDescriptor IndexFrom(const std::string& name, const std::string& fieldList, TIndexOptions options,
                          uint8_t compression, bool primary, const std::vector<FieldDescriptor>& fields,
                          bool raiseUnknown, std::string& unknown) {
    IndexDescriptor d;
    d.name = primary ? std::string() : Trim(name).substr(0, kMaxNameLength);
    d.descending = (options & ixDescending) != 0;
    if (d.descending) {
        for (uint8_t& flag : d.fieldDescending) flag = 1;
    }
    d.caseInsensitive = (options & ixCaseInsensitive) != 0;
    d.unique = (options & ixUnique) != 0;
    d.compression = compression;
    for (const std::string& fieldName : SplitFieldList(fieldList)) {
        if (d.fieldCount == kMaxIndexFields) break;  // further names are ignored
        uint16_t number = 0;
        for (std::size_t i = 0; i < fields.size() && number == 0; ++i) {
            if (hollin::SameName(Trim(fields[i].name), fieldName)) number = static_cast<uint16_t>(i + 1);
        }
        if (number == 0) {
            if (raiseUnknown) hollin::DatabaseErrorFmt(hollin::text::FieldNotFound, {fieldName});
            if (unknown.empty()) unknown = fieldName;
        }
        d.fieldNumbers[d.fieldCount++] = number;
    }
    return d;
}

bool SizedType(uint8_t physType) {
    return physType == phys::String || physType == phys::Bytes || physType == phys::VarBytes;
}

void CheckFields(TableDefinition& def, const std::string& file) {
    std::set<uint16_t> numbers;
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        FieldDescriptor& f = def.fields[i];
        const std::string given = f.name;
        f.name = Trim(f.name).substr(0, kMaxNameLength);
        if (f.name.empty() || !StartsWithLetter(f.name)) RaiseEngineError(err::InvalidFieldName, file, given);
        for (std::size_t j = 0; j < i; ++j) {
            if (hollin::SameName(def.fields[j].name, f.name)) RaiseEngineError(err::InvalidFieldName, file, given);
        }
        if (f.number == 0 || !numbers.insert(f.number).second || f.physType == 0) {
            RaiseEngineError(err::InvalidFieldDefinition, file, f.name);
        }
        int size = def.givenSizes[i];
        if (SizedType(f.physType)) {
            if (size < 1 || size > kMaxSize) RaiseEngineError(err::InvalidFieldDefinition, file, f.name);
        } else if (f.physType == phys::Bcd) {
            if (size < 0 || size > kMaxBcdScale) RaiseEngineError(err::InvalidFieldDefinition, file, f.name);
            f.size = 0;
        } else {
            f.size = 0;
            f.scale = 0;
        }
        f.width = StoredWidth(f.physType, f.size);
        for (const std::string* text : {&f.defaultValue, &f.minimum, &f.maximum}) {
            if (!text->empty() && !ParseFieldValue(f, *text, true)) {
                RaiseEngineError(err::InvalidValidityCheck, file, f.name, *text);
            }
        }
    }
    def.recordSize = AssignRecordLayout(def.fields);
}

void CheckIndexes(TableDefinition& def, const std::string& file) {
    for (std::size_t slot = 0; slot < def.indexes.size(); ++slot) {
        IndexDescriptor& d = def.indexes[slot];
        const bool primary = slot == 0;
        const std::string display = primary ? std::string("Primary") : d.name;
        if (primary && d.fieldCount == 0) {
            d.keyLength = 0;  // a table without a primary index
            continue;
        }
        if (!def.unknownFields[slot].empty()) {
            RaiseEngineError(err::InvalidIndexField, file, def.unknownFields[slot], {}, display);
        }
        if (d.fieldCount == 0) RaiseEngineError(err::InvalidIndexField, file, {}, {}, display);
        uint32_t length = 0;
        bool hasBlob = false;
        std::string blobName;
        for (int i = 0; i < d.fieldCount; ++i) {
            uint16_t number = d.fieldNumbers[i];
            if (number == 0 || number > def.fields.size()) {
                RaiseEngineError(err::InvalidIndexField, file, std::to_string(number), {}, display);
            }
            const FieldDescriptor& f = def.fields[number - 1];
            if (f.IsBlob() && !hasBlob) {
                hasBlob = true;
                blobName = f.name;
            }
            length += f.width + 1u;
        }
        if (!primary && !d.unique) length += 4;  // the record ID ends the key
        if (length == 0 || length > kMaxKeyLength) RaiseEngineError(err::InvalidKeySize, file, {}, {}, display);
        d.keyLength = static_cast<uint16_t>(length);
        if (!primary) {
            if (!StartsWithLetter(d.name)) RaiseEngineError(err::InvalidIndexName, file, {}, {}, d.name);
            for (std::size_t other = 1; other < slot; ++other) {
                if (hollin::SameName(def.indexes[other].name, d.name)) {
                    RaiseEngineError(err::IndexExists, file, {}, {}, d.name);
                }
            }
        }
        if (hasBlob) RaiseEngineError(err::InvalidIndexFieldType, file, blobName, {}, display);
        if (d.compression != 0) RaiseEngineError(err::UnsupportedCompression, file, {}, {}, display);
    }
}

}  // namespace

bool StartsWithLetter(const std::string& name) {
    if (name.empty()) return false;
    unsigned char c = static_cast<unsigned char>(name[0]);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 129 && c <= 254);
}

std::vector<FieldDescriptor> TableDefinition::FieldsByPosition() const {
    std::vector<FieldDescriptor> numbered = fields;
    for (std::size_t i = 0; i < numbered.size(); ++i) numbered[i].number = static_cast<uint16_t>(i + 1);
    return numbered;
}

TableDefinition BuildCreateDefinition(const hollin::TFieldDefs& fieldDefs, const TIndexDefs& indexDefs) {
    TableDefinition def;
    for (int i = 0; i < fieldDefs.Count(); ++i) {
        const hollin::TFieldDef& f = fieldDefs[i];
        def.fields.push_back(FieldFrom(f.Name(), f.DataType(), f.Size(), f.Required(), static_cast<uint16_t>(i + 1)));
        def.givenSizes.push_back(f.Size());
    }
    int count = indexDefs.Count();
    for (int i = 0; i < std::max(count, 1); ++i) {
        std::string unknown;
        if (i < count) {
            const TIndexDef& x = indexDefs[i];
            def.indexes.push_back(IndexFrom(x.Name, x.Fields, x.Options, 0, i == 0, def.fields, false, unknown));
        } else {
            def.indexes.push_back(IndexDescriptor{});  // no primary index
        }
        def.unknownFields.push_back(unknown);
    }
    return def;
}

TableDefinition BuildRestructureDefinition(const TRestructureFieldDefs& fieldDefs,
                                           const TRestructureIndexDefs& indexDefs) {
    TableDefinition def;
    for (int i = 0; i < fieldDefs.Count(); ++i) {
        const TRestructureFieldDef& x = fieldDefs[i];
        FieldDescriptor f = FieldFrom(x.Name, x.DataType, x.Size, x.Required, x.FieldNumber);
        f.defaultValue = x.DefaultValue.substr(0, kMaxTextLength);
        f.minimum = x.MinValue.substr(0, kMaxTextLength);
        f.maximum = x.MaxValue.substr(0, kMaxTextLength);
        f.description = x.Description.substr(0, kMaxTextLength);
        def.fields.push_back(f);
        def.givenSizes.push_back(x.Size);
    }
    int count = indexDefs.Count();
    for (int i = 0; i < std::max(count, 1); ++i) {
        std::string unknown;
        if (i < count) {
            const TRestructureIndexDef& x = indexDefs[i];
            def.indexes.push_back(
                IndexFrom(x.Name, x.Fields, x.Options, x.Compression, i == 0, def.fields, true, unknown));
        } else {
            def.indexes.push_back(IndexDescriptor{});
        }
        def.unknownFields.push_back(unknown);
    }
    return def;
}

void ValidateDefinition(TableDefinition& def, const TableSettings& settings, const std::string& file) {
    if (settings.encrypted && (settings.password.empty() || settings.password.size() > kMaxPasswordLength)) {
        RaiseEngineError(err::InvalidPassword, file);
    }
    if (settings.language != 0) RaiseEngineError(err::LanguageDriver, file);
    if (def.fields.empty() || def.fields.size() > kMaxFields) RaiseEngineError(err::FieldLimits, file);
    if (def.indexes.size() > 1u + kMaxSecondaryIndexes) RaiseEngineError(err::IndexLimits, file);
    if (settings.blobBlockSize < kMinBlobBlockSize || settings.blobBlockSize > kMaxBlobBlockSize) {
        RaiseEngineError(err::BlobFieldsOrBlockSize, file);
    }
    CheckFields(def, file);
    CheckIndexes(def, file);
    int blobFields = 0;
    for (const FieldDescriptor& f : def.fields) blobFields += f.IsBlob() ? 1 : 0;
    if (blobFields > kMaxBlobFields) RaiseEngineError(err::BlobFieldsOrBlockSize, file);
    if (def.recordSize > kMaxRecordSize) RaiseEngineError(err::RecordSizeExceeded, file);
}

}  // namespace larch
