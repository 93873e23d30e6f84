// The steps of RestructureTableFiles, shared by its source files
// (table_restructure.cpp, table_index_rebuild.cpp, table_rebuild.cpp).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/data/data_file.h"
#include "engine/tables/table_create.h"
#include "engine/tables/table_definition.h"
#include "engine/tables/table_restructure.h"

namespace larch::restructure {

// Passes losses to the handler until it asks not to be asked again, and
// remembers a stop.
class LossReporter {
public:
    explicit LossReporter(const RestructureHandlers& handlers) : m_handlers(handlers) {}
    // Returns false when the handler stopped the restructure.
    bool Report(int cause, const std::string& name);
    bool Stopped() const { return m_stopped; }

private:
    const RestructureHandlers& m_handlers;
    bool m_dontAsk = false;
    bool m_stopped = false;
};

// onProgress(slot, slot / slots * 100 rounded), when set.
void ReportProgress(const RestructureHandlers& handlers, uint32_t slot, uint32_t slots);

// The table's descriptors with the attributes of `def` laid over them
// (number, name, subtype, description, required, minimum, maximum, default).
std::vector<FieldDescriptor> FieldsWithNewAttributes(const std::vector<FieldDescriptor>& old,
                                                     const TableDefinition& def);
// Stores the index names and field numbers and the header's description,
// password and settings in the open table (written when it is closed).
void StoreTableAttributes(TDataFile& table, const TableDefinition& def, const TableSettings& settings);
// Writes the field descriptors into the open table's data file, as part of
// the write its close completes.
void WriteFieldDescriptors(TDataFile& table, const std::vector<FieldDescriptor>& fields);

// Index rebuild (table_index_rebuild.cpp). `table` is open exclusively and
// is closed on return.
void RebuildIndexes(std::unique_ptr<TDataFile> table, const TableDefinition& def, const TableSettings& settings,
                    bool deleteOldFiles, const RestructureHandlers& handlers, const TableFileOptions& options);

// Full rebuild (table_rebuild.cpp). `table` is open exclusively and is
// closed on return.
void RebuildTable(std::unique_ptr<TDataFile> table, const TableDefinition& def, const TableSettings& settings,
                  bool deleteOldFiles, const RestructureHandlers& handlers, const std::string& privateDir,
                  const TableFileOptions& options);

// The three files of a table.
struct TableFiles {
    std::string data, index, blob;
};
TableFiles FilesOf(const std::string& dataPath);
void DeleteTableQuietly(const TableFiles& files) noexcept;
// In `privateDir` (else the current folder): the first five digits of the
// thread's number, then a counter from 0, with ".DAT"; the first name whose
// data file does not exist.
std::string TemporaryTablePath(const std::string& privateDir);
// Puts the new table's files in place of the old one's: the old files go to
// their backup names (".DBK", ".IBK", ".BBK") or, with `deleteOldFiles`, to
// names deleted at the end. Journaled: a crash at any step leaves the old
// table, a failure rolls back before it propagates.
void SwapInNewTable(const TableFiles& old, const TableFiles& fresh, bool deleteOldFiles);

// Files by name: the spelling on disk is found ignoring case.
bool FileExists(const std::string& path);
// Deletes the file if it exists (9220 when that fails).
void DeleteFileIfPresent(const std::string& path);
// Deletes the file if it exists; a failure leaves it behind silently (for
// leftovers of an operation that has already succeeded or failed).
void DeleteQuietly(const std::string& path) noexcept;
// Renames `from` to `to`, replacing `to`; across file systems it copies and
// deletes. 11047 when that fails.
void MoveFile(const std::string& from, const std::string& to);
// Closes the table, swallowing errors: used on the way out of a failure.
void CloseQuietly(TDataFile& table) noexcept;

}  // namespace larch::restructure
