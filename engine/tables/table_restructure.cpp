// RestructureTable: choosing between storing attributes, rebuilding the
// index file and rebuilding the whole table, and the attributes-only path.
#include "engine/tables/table_restructure.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "engine/files/engine_error.h"
#include "engine/tables/restructure_steps.h"

namespace larch {
namespace restructure {
namespace {

constexpr std::size_t kMaxDescription = 50;
constexpr std::size_t kMaxPassword = 15;

bool FieldNeedsRebuild(const FieldDescriptor& a, const FieldDescriptor& b) {
    return a.number != b.number || a.physType != b.physType || a.subType != b.subType || a.width != b.width ||
           a.scale != b.scale || a.required != b.required || a.reserved93 != b.reserved93 ||
           !hollin::SameName(a.defaultValue, b.defaultValue) || !hollin::SameName(a.minimum, b.minimum) ||
           !hollin::SameName(a.maximum, b.maximum) || a.computed != b.computed || a.expression != b.expression;
}

bool NeedsFullRebuild(TDataFile& table, const TableDefinition& def, const TableSettings& settings) {
    const DataHeader& h = table.Header();
    if (h.encrypted != settings.encrypted || h.blobBlockSize != settings.blobBlockSize ||
        h.language != settings.language || h.sublanguage != settings.sublanguage) {
        return true;
    }
    const std::vector<FieldDescriptor>& old = table.Fields();
    if (old.size() != def.fields.size()) return true;
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (FieldNeedsRebuild(old[i], def.fields[i])) return true;
    }
    return false;
}

bool NeedsIndexRebuild(TDataFile& table, const TableDefinition& def) {
    TIndexFile& index = table.Index();
    if (static_cast<std::size_t>(index.SecondaryCount()) + 1 != def.indexes.size()) return true;
    const std::vector<FieldDescriptor>& fields = table.Fields();
    for (std::size_t slot = 0; slot < def.indexes.size(); ++slot) {
        const IndexDescriptor& a = index.Descriptor(static_cast<int>(slot));
        const IndexDescriptor& b = def.indexes[slot];
        if (a.keyLength != b.keyLength || a.fieldCount != b.fieldCount || a.descending != b.descending ||
            a.caseInsensitive != b.caseInsensitive || a.unique != b.unique || a.compression != b.compression) {
            return true;
        }
        for (int k = 0; k < a.fieldCount && k < kMaxIndexFields; ++k) {
            uint16_t number = a.fieldNumbers[k];
            if (number != b.fieldNumbers[k]) return true;
            if (number == 0 || number > fields.size()) return true;
            const FieldDescriptor& x = fields[number - 1];
            const FieldDescriptor& y = def.fields[number - 1];
            if (x.physType != y.physType || x.subType != y.subType || x.width != y.width) return true;
        }
    }
    return false;
}

RestructurePath ChoosePath(TDataFile& table, const TableDefinition& def, const TableSettings& settings) {
    if (NeedsFullRebuild(table, def, settings)) return RestructurePath::FullRebuild;
    if (NeedsIndexRebuild(table, def)) return RestructurePath::IndexRebuild;
    return RestructurePath::AttributesOnly;
}

std::string OnDisk(const std::string& path) { return TFileHandler::ResolveCaseInsensitive(path); }

}  // namespace

bool LossReporter::Report(int cause, const std::string& name) {
    if (m_stopped) return false;
    if (m_dontAsk || !m_handlers.onDataLost) return true;
    bool stop = false, dontAsk = false;
    m_handlers.onDataLost(cause, name, stop, dontAsk);
    m_dontAsk = dontAsk;
    m_stopped = stop;
    return !stop;
}

void ReportProgress(const RestructureHandlers& handlers, uint32_t slot, uint32_t slots) {
    if (!handlers.onProgress || slots == 0) return;
    handlers.onProgress(slot, static_cast<int>(std::lround(100.0 * slot / slots)));
}

std::vector<FieldDescriptor> FieldsWithNewAttributes(const std::vector<FieldDescriptor>& old,
                                                     const TableDefinition& def) {
    std::vector<FieldDescriptor> fields = old;
    for (std::size_t i = 0; i < fields.size() && i < def.fields.size(); ++i) {
        const FieldDescriptor& n = def.fields[i];
        FieldDescriptor& f = fields[i];
        f.number = n.number;
        f.name = n.name;
        f.subType = n.subType;
        f.description = n.description;
        f.required = n.required;
        f.minimum = n.minimum;
        f.maximum = n.maximum;
        f.defaultValue = n.defaultValue;
    }
    return fields;
}

void StoreTableAttributes(TDataFile& table, const TableDefinition& def, const TableSettings& settings) {
    for (std::size_t slot = 0; slot < def.indexes.size(); ++slot) {
        table.Index().OverwriteAttributes(static_cast<int>(slot), def.indexes[slot]);
    }
    DataHeader& header = table.MutableHeader();
    header.description = settings.description.substr(0, kMaxDescription);
    header.password = settings.encrypted ? settings.password.substr(0, kMaxPassword) : std::string();
    header.settingOne = settings.settingOne;
    header.settingTwo = settings.settingTwo;
}

void WriteFieldDescriptors(TDataFile& table, const std::vector<FieldDescriptor>& fields) {
    std::vector<uint8_t> bytes(fields.size() * kFieldDescriptorSize);
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i].Encode(bytes.data() + i * kFieldDescriptorSize);
    // Journaled with the headers: all of it changes at close, or none.
    table.WriteAt(kDataHeaderSize, bytes.data(), bytes.size());
}

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(OnDisk(path), ignored);
}

void DeleteFileIfPresent(const std::string& path) {
    if (!FileExists(path)) return;
    std::error_code error;
    if (!std::filesystem::remove(OnDisk(path), error) || error) RaiseEngineError(err::CannotDelete, path);
}

void DeleteQuietly(const std::string& path) noexcept {
    try {
        DeleteFileIfPresent(path);
    } catch (...) {
    }
}

void MoveFile(const std::string& from, const std::string& to) {
    const std::string source = OnDisk(from);
    const std::string target = OnDisk(to);
    if (std::rename(source.c_str(), target.c_str()) == 0) return;
    if (errno == EXDEV) {
        std::error_code error;
        std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, error);
        if (!error) {
            std::filesystem::remove(source, error);
            return;
        }
    }
    RaiseEngineError(err::UnknownOsError, from);
}

void CloseQuietly(TDataFile& table) noexcept {
    try {
        table.Close();
    } catch (...) {
        // Close has closed every handle; the caller reports its own error.
    }
}

}  // namespace restructure

RestructurePath RestructureTableFiles(const std::string& dataPath, const TRestructureFieldDefs& fieldDefs,
                                      const TRestructureIndexDefs& indexDefs, const TableSettings& settings,
                                      bool deleteOldFiles, const RestructureHandlers& handlers,
                                      const std::string& privateDir, const TableFileOptions& options) {
    using namespace restructure;
    const std::string path = MakeTableFileName(dataPath, ".DAT");
    auto table = std::make_unique<TDataFile>();
    PrepareExclusive(*table, path, options);
    table->Open();
    if (table->ReadOnly()) {
        table->Close();
        RaiseEngineError(err::AccessDenied, path);
    }
    TableDefinition def = BuildRestructureDefinition(fieldDefs, indexDefs);
    ValidateDefinition(def, settings, path);

    const RestructurePath way = ChoosePath(*table, def, settings);
    switch (way) {
        case RestructurePath::AttributesOnly: {
            try {
                StoreTableAttributes(*table, def, settings);
                WriteFieldDescriptors(*table, FieldsWithNewAttributes(table->Fields(), def));
            } catch (...) {
                try {
                    table->Abandon();
                } catch (...) {
                }
                throw;
            }
            table->Close();
            break;
        }
        case RestructurePath::IndexRebuild:
            RebuildIndexes(std::move(table), def, settings, deleteOldFiles, handlers, options);
            break;
        case RestructurePath::FullRebuild:
            RebuildTable(std::move(table), def, settings, deleteOldFiles, handlers, privateDir, options);
            break;
    }

    // Opening checks what was written; closing writes the header if needed.
    TDataFile check;
    PrepareExclusive(check, path, options);
    check.Open();
    check.Close();
    return way;
}

}  // namespace larch
