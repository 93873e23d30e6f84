// CreateTable and EmptyTable on a table's files.
#include "engine/tables/table_create.h"

#include "engine/files/engine_error.h"
#include "engine/tables/table_definition.h"

namespace larch {

TableSettings CreateTableSettings() { return TableSettings{}; }

TableSettings SettingsOfTable(const DataHeader& header) {
    TableSettings settings;
    settings.language = header.language;
    settings.sublanguage = header.sublanguage;
    settings.settingOne = header.settingOne;
    settings.settingTwo = header.settingTwo;
    settings.description = header.description;
    settings.blobBlockSize = header.blobBlockSize;
    return settings;
}

void PrepareExclusive(TDataFile& file, const std::string& dataPath, const TableFileOptions& options) {
    file.SetExclusive(true);
    file.SetReadOnly(false);
    file.SetWriteThrough(options.forceBufferFlush);
    file.SetLockRetryCount(options.lockRetryCount);
    file.SetLockWaitTime(options.lockWaitTime);
    file.SetFileName(dataPath);
}

void CreateTableFiles(const std::string& dataPath, const hollin::TFieldDefs& fieldDefs, const TIndexDefs& indexDefs,
                      const TableFileOptions& options) {
    TDataFile file;
    PrepareExclusive(file, dataPath, options);
    if (!file.Exclusive()) RaiseEngineError(err::MustBeExclusive, file.FileName());
    if (file.ReadOnly()) RaiseEngineError(err::AccessDenied, file.FileName());
    const TableSettings settings = CreateTableSettings();
    TableDefinition def = BuildCreateDefinition(fieldDefs, indexDefs);
    ValidateDefinition(def, settings, file.FileName());
    file.CreateTable(def.FieldsByPosition(), def.Primary(), def.Secondaries(), settings);
}

void EmptyTableFiles(const std::string& dataPath, const TableFileOptions& options) {
    TDataFile file;
    PrepareExclusive(file, dataPath, options);
    file.Open();
    // A file without write permission opens read-only.
    if (file.ReadOnly()) {
        file.Close();
        RaiseEngineError(err::AccessDenied, file.FileName());
    }
    file.Empty();
    file.Close();
}

}  // namespace larch
