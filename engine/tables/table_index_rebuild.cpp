// RestructureTable's index rebuild: new and changed indexes are built from
// the records while the index file's ".IBK" copy stands ready to undo it.
#include <algorithm>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/index/index_key.h"
#include "engine/records/record_fields.h"
#include "engine/tables/restructure_steps.h"

namespace larch::restructure {
namespace {

bool SameKeyLayout(const IndexDescriptor& a, const IndexDescriptor& b) {
    if (a.keyLength != b.keyLength || a.fieldCount != b.fieldCount || a.descending != b.descending ||
        a.caseInsensitive != b.caseInsensitive || a.unique != b.unique || a.compression != b.compression) {
        return false;
    }
    for (int k = 0; k < a.fieldCount && k < kMaxIndexFields; ++k) {
        if (a.fieldNumbers[k] != b.fieldNumbers[k]) return false;
    }
    return true;
}

struct IndexPlan {
    std::vector<int> sources;  // per new index, the old slot whose tree it keeps, or -1
    bool clearSysDeleted = false;
};

// An index keeps its tree when an old index of its name (the primary index
// for the primary) has the same key layout; every other index is built anew.
IndexPlan PlanIndexes(TIndexFile& index, const TableDefinition& def) {
    IndexPlan plan;
    plan.sources.assign(def.indexes.size(), -1);
    const bool newHasPrimary = def.indexes[0].fieldCount > 0;
    if (!index.NoPrimaryIndex() && newHasPrimary && SameKeyLayout(index.Descriptor(kPrimarySlot), def.indexes[0])) {
        plan.sources[0] = kPrimarySlot;
    }
    for (std::size_t i = 1; i < def.indexes.size(); ++i) {
        int slot = index.FindIndex(def.indexes[i].name);
        if (slot > 0 && SameKeyLayout(index.Descriptor(slot), def.indexes[i])) plan.sources[i] = slot;
    }
    // "Sys Deleted" is kept only for tables with a primary index.
    plan.clearSysDeleted = index.NoPrimaryIndex() == newHasPrimary;
    return plan;
}

struct BuildOutcome {
    bool stopped = false;
    std::vector<uint32_t> duplicates;  // records to delete, in record-number order
};

// Inserts the keys of every record into the indexes in `slots`. A record
// with a key already present is reported and gets no key in any of them.
BuildOutcome BuildKeys(TDataFile& table, const std::vector<int>& slots, const RestructureHandlers& handlers) {
    TIndexFile& index = table.Index();
    const bool sysDeleted = std::find(slots.begin(), slots.end(), kSysDeletedSlot) != slots.end();
    std::vector<int> keySlots;
    for (int slot : slots) {
        if (slot != kSysDeletedSlot) keySlots.push_back(slot);
    }
    LossReporter losses(handlers);
    BuildOutcome outcome;
    std::vector<std::vector<uint8_t>> keys(keySlots.size());
    const uint32_t last = table.Header().nextRecordNumber - 1;
    for (uint32_t number = 1; number <= last; ++number) {
        std::vector<uint8_t> image;
        {
            RecordPin record(table, table.GetRecord(number));
            image = record->image;
        }
        const bool inUse = image[0] == kRecordInUse;
        if (sysDeleted) {
            uint8_t key[kSysDeletedKeyLength];
            BuildSysDeletedKey(inUse ? kRecordInUse : kRecordDeleted, RecordId(image.data()), key);
            index.InsertKey(kSysDeletedSlot, key, number);
        }
        if (inUse) {
            int duplicate = -1;
            for (std::size_t j = 0; j < keySlots.size(); ++j) {
                keys[j] = table.KeyOf(keySlots[j], image.data());
                if (duplicate < 0 && index.FindExact(keySlots[j], keys[j].data())) duplicate = keySlots[j];
            }
            if (duplicate >= 0) {
                if (!losses.Report(dlKeyViolation, index.IndexDisplayName(duplicate))) {
                    outcome.stopped = true;
                    return outcome;
                }
                outcome.duplicates.push_back(number);
            } else {
                for (std::size_t j = 0; j < keySlots.size(); ++j) {
                    index.InsertKey(keySlots[j], keys[j].data(), number);
                }
            }
        }
        ReportProgress(handlers, number, last);
    }
    return outcome;
}

}  // namespace

namespace {

// Rolls the table back to how it was opened and closes it; errors are left
// to the caller's own error, which is the one worth reporting.
void AbandonQuietly(TDataFile& table) noexcept {
    try {
        table.Abandon();
    } catch (...) {
    }
}

}  // namespace

void RebuildIndexes(std::unique_ptr<TDataFile> table, const TableDefinition& def, const TableSettings& settings,
                    bool deleteOldFiles, const RestructureHandlers& handlers, const TableFileOptions& /*options*/) {
    const std::string path = table->FileName();
    const std::string indexCopy = MakeTableFileName(path, ".IBK");

    // The journal makes the rebuild whole or nothing; the ".IBK" copy is
    // the backup of the old index file that the caller may keep.
    DeleteFileIfPresent(indexCopy);
    table->Index().CopyTo(indexCopy);
    try {
        TIndexFile& index = table->Index();
        IndexPlan plan = PlanIndexes(index, def);
        std::vector<int> built = index.ReplaceIndexes(def.indexes, plan.sources, plan.clearSysDeleted);
        BuildOutcome outcome = BuildKeys(*table, built, handlers);
        if (outcome.stopped) {
            table->Abandon();
            DeleteQuietly(indexCopy);
            return;
        }
        for (uint32_t number : outcome.duplicates) table->DeleteRecord(number, built);
        StoreTableAttributes(*table, def, settings);
        WriteFieldDescriptors(*table, FieldsWithNewAttributes(table->Fields(), def));
        table->Close();
    } catch (...) {
        AbandonQuietly(*table);
        DeleteQuietly(indexCopy);
        throw;
    }
    if (deleteOldFiles) DeleteQuietly(indexCopy);
}

}  // namespace larch::restructure
