// RestructureTable's full rebuild: every record is copied, record ID kept,
// into a new table under a temporary name, which then takes the table's
// place while the old files are deleted or kept as backups.
#include <filesystem>
#include <memory>

#include <sys/syscall.h>
#include <unistd.h>

#include "engine/files/engine_error.h"
#include "engine/files/file_handler.h"
#include "engine/records/field_values.h"
#include "engine/records/record_fields.h"
#include "engine/tables/restructure_steps.h"
#include "engine/records/value_conversion.h"

namespace larch::restructure {
namespace {

// Temporary names stop being tried after this many (the folder is then
// littered beyond reason).
constexpr unsigned kMaxTemporaryNames = 100000;

// For every old field, the position of the new field continuing it, or -1.
std::vector<int> MapFields(const std::vector<FieldDescriptor>& old, const TableDefinition& def) {
    std::vector<int> map(old.size(), -1);
    for (std::size_t j = 0; j < old.size(); ++j) {
        for (std::size_t i = 0; i < def.fields.size(); ++i) {
            if (def.fields[i].number == old[j].number) map[j] = static_cast<int>(i);
        }
    }
    return map;
}

class RecordCopier {
public:
    RecordCopier(TDataFile& source, TDataFile& target, const TableDefinition& def, const RestructureHandlers& handlers)
        : m_source(source), m_target(target), m_map(MapFields(source.Fields(), def)), m_losses(handlers),
          m_handlers(handlers) {}

    // Copies every record in use; false when the handler stopped it.
    bool CopyAll() {
        const uint32_t last = m_source.Header().nextRecordNumber - 1;
        for (uint32_t number = 1; number <= last; ++number) {
            std::vector<uint8_t> image;
            {
                RecordPin record(m_source, m_source.GetRecord(number));
                image = record->image;
            }
            if (image[0] == kRecordInUse && !Copy(number, image)) return false;
            ReportProgress(m_handlers, number, last);
        }
        return true;
    }

private:
    using PendingBlob = std::pair<std::size_t, std::vector<uint8_t>>;  // new field position, value

    // False when the handler stopped the rebuild; a record that cannot be
    // posted is reported and left out.
    bool Copy(uint32_t number, const std::vector<uint8_t>& image) {
        const std::vector<FieldDescriptor>& oldFields = m_source.Fields();
        const std::vector<FieldDescriptor>& newFields = m_target.Fields();
        std::vector<uint8_t> out(m_target.ImageSize(), 0);
        std::vector<PendingBlob> blobs;
        for (std::size_t j = 0; j < oldFields.size(); ++j) {
            const FieldDescriptor& from = oldFields[j];
            if (m_map[j] < 0) {
                // The record ID stays with the record even without its field.
                if (from.IsAutoInc() || FieldIsNull(from, image.data())) continue;
                if (!m_losses.Report(dlFieldRemoved, from.name)) return false;
                continue;
            }
            std::vector<uint8_t> value;
            if (from.IsBlob() && !FieldIsNull(from, image.data())) {
                try {
                    value = m_source.Blob()->ReadValue(GetUInt32Field(from, image.data()), number);
                } catch (const ELarchEngineError&) {
                    if (!m_losses.Report(dlOther, from.name)) return false;
                    continue;
                }
            }
            const FieldDescriptor& to = newFields[static_cast<std::size_t>(m_map[j])];
            std::vector<uint8_t> blob;
            if (!ConvertField(from, image.data(), value, to, out.data(), blob)) {
                if (!m_losses.Report(dlNotConvertible, from.name)) return false;
                continue;
            }
            if (!blob.empty()) blobs.emplace_back(static_cast<std::size_t>(m_map[j]), std::move(blob));
        }

        // The checks of a Post, field by field, before anything is written.
        for (std::size_t i = 0; i < newFields.size(); ++i) {
            const FieldDescriptor& f = newFields[i];
            bool hasBlob = false;
            for (const PendingBlob& b : blobs) hasBlob = hasBlob || b.first == i;
            if (hasBlob) continue;  // written below; a blob has no limits
            try {
                CheckFieldValue(f, out.data(), m_target.FileName());
            } catch (const ELarchEngineError& e) {
                const int code = e.ErrorCode();
                if (code != err::ValueRequired && code != err::BelowMinimum && code != err::AboveMaximum) throw;
                return m_losses.Report(dlValidation, f.name);
            }
        }

        // Blobs are written for the record number the insert will take, so
        // that the record is whole when its required fields are checked.
        const uint32_t slot = m_target.NextInsertNumber();
        std::vector<std::pair<std::size_t, uint32_t>> written;
        for (const PendingBlob& b : blobs) {
            uint32_t first = m_target.Blob()->WriteValue(0, slot, b.second.data(), static_cast<uint32_t>(b.second.size()));
            SetUInt32Field(newFields[b.first], out.data(), first);
            written.emplace_back(b.first, first);
        }
        // InsertRecord gives out last ID + 1: set it so the record keeps its ID.
        m_target.MutableHeader().lastRecordId = RecordId(image.data()) - 1;
        try {
            m_target.InsertRecord(out);
        } catch (const ELarchEngineError& e) {
            const int code = e.ErrorCode();
            if (code != err::DuplicateKey && code != err::ValueRequired && code != err::BelowMinimum &&
                code != err::AboveMaximum) {
                throw;
            }
            const ErrorContext context = LastErrorContext();
            for (const auto& [position, first] : written) m_target.Blob()->FreeChain(first, slot);
            if (code == err::DuplicateKey) return m_losses.Report(dlKeyViolation, context.index);
            return m_losses.Report(dlValidation, context.field);
        }
        return true;
    }

    TDataFile& m_source;
    TDataFile& m_target;
    std::vector<int> m_map;
    LossReporter m_losses;
    const RestructureHandlers& m_handlers;
};

}  // namespace

TableFiles FilesOf(const std::string& dataPath) {
    return {dataPath, MakeTableFileName(dataPath, ".IDX"), MakeTableFileName(dataPath, ".BLB")};
}

void DeleteTableQuietly(const TableFiles& files) noexcept {
    DeleteQuietly(files.data);
    DeleteQuietly(files.index);
    DeleteQuietly(files.blob);
}

// In `privateDir` (else the current folder): the first five digits of the
// thread's number, then a counter from 0, with ".DAT"; the first name whose
// data file does not exist.
std::string TemporaryTablePath(const std::string& privateDir) {
    std::string folder = privateDir.empty() ? std::filesystem::current_path().string() : privateDir;
    if (folder.back() != '/') folder += '/';
    const std::string thread = std::to_string(static_cast<long>(::syscall(SYS_gettid))).substr(0, 5);
    for (unsigned counter = 0; counter < kMaxTemporaryNames; ++counter) {
        std::string path = folder + thread + std::to_string(counter) + ".DAT";
        if (!FileExists(path)) return path;
    }
    RaiseEngineError(err::UnknownOsError, folder + thread + ".DAT");
}

// Opens every old file of the plan exclusively, which no other user can
// have open meanwhile; 10241 when one has.
std::vector<std::unique_ptr<TFileHandler>> HoldExclusively(const std::vector<TTableJournal::SwapFile>& plan) {
    std::vector<std::unique_ptr<TFileHandler>> held;
    for (const TTableJournal::SwapFile& f : plan) {
        if (!f.oldExists) continue;
        auto file = std::make_unique<TFileHandler>();
        file->SetExclusive(true);
        file->SetExactName(true);
        file->SetFileName(f.target);
        try {
            file->Open();
        } catch (const ELarchEngineError& e) {
            if (e.ErrorCode() == err::AccessDenied) RaiseEngineError(err::TableLocked, plan.front().target);
            // A file this user may only read takes no write lock (11014);
            // renaming it needs none, so the swap goes on as it always did.
            if (e.ErrorCode() == err::InvalidHandle) continue;
            throw;
        }
        held.push_back(std::move(file));
    }
    return held;
}

// Moves the old files aside (to their backup names, or to names that are
// deleted at the end), then the new files to the table's names. A swap
// journal written first lets a crash at any step end in the old table; a
// failure here rolls back through the same journal.
void SwapInNewTable(const TableFiles& old, const TableFiles& fresh, bool deleteOldFiles) {
    const std::string oldNames[3] = {old.data, old.index, old.blob};
    const std::string newNames[3] = {fresh.data, fresh.index, fresh.blob};
    const char* backup[3] = {".DBK", ".IBK", ".BBK"};
    const char* discard[3] = {".DB~", ".IB~", ".BB~"};
    std::vector<TTableJournal::SwapFile> plan(3);
    for (int k = 0; k < 3; ++k) {
        TTableJournal::SwapFile& f = plan[static_cast<std::size_t>(k)];
        f.target = TFileHandler::ResolveCaseInsensitive(oldNames[k]);
        f.aside = MakeTableFileName(old.data, deleteOldFiles ? discard[k] : backup[k]);
        f.fresh = newNames[k];
        f.oldExists = FileExists(oldNames[k]);
        f.freshExists = FileExists(newNames[k]);
        // An older file under the aside name would be taken for the old table's.
        DeleteFileIfPresent(f.aside);
    }
    // Nobody may have the old table open while its files are replaced: a
    // user holding them would go on reading and writing files that no
    // longer bear the table's name, and lose what it posts.
    const std::vector<std::unique_ptr<TFileHandler>> held = HoldExclusively(plan);
    TTableJournal journal;
    journal.BeginSwap(old.data, plan);
    try {
        for (const TTableJournal::SwapFile& f : plan) {
            if (f.oldExists) MoveFile(f.target, f.aside);
        }
        for (const TTableJournal::SwapFile& f : plan) {
            if (f.freshExists) MoveFile(f.fresh, f.target);
        }
        journal.Commit();
    } catch (...) {
        try {
            journal.RollBack();
        } catch (...) {
            // The journal stays: the next open of the table rolls it back.
        }
        throw;
    }
    if (deleteOldFiles) {
        for (const TTableJournal::SwapFile& f : plan) DeleteQuietly(f.aside);
    }
}


void RebuildTable(std::unique_ptr<TDataFile> table, const TableDefinition& def, const TableSettings& settings,
                  bool deleteOldFiles, const RestructureHandlers& handlers, const std::string& privateDir,
                  const TableFileOptions& options) {
    const TableFiles old = FilesOf(table->FileName());
    const TableFiles fresh = FilesOf(TemporaryTablePath(privateDir));
    {
        // CreateTable deletes what it wrote when it fails.
        TDataFile creator;
        PrepareExclusive(creator, fresh.data, options);
        creator.CreateTable(def.FieldsByPosition(), def.Primary(), def.Secondaries(), settings);
    }
    bool completed = false;
    try {
        TDataFile target;
        PrepareExclusive(target, fresh.data, options);
        target.Open();
        RecordCopier copier(*table, target, def, handlers);
        completed = copier.CopyAll();
        if (completed) target.MutableHeader().lastRecordId = table->Header().lastRecordId;
        target.Close();
        table->Close();
    } catch (...) {
        CloseQuietly(*table);
        DeleteTableQuietly(fresh);
        throw;
    }
    if (!completed) {
        DeleteTableQuietly(fresh);
        return;
    }
    try {
        SwapInNewTable(old, fresh, deleteOldFiles);
    } catch (...) {
        DeleteTableQuietly(fresh);
        throw;
    }
}

}  // namespace larch::restructure
