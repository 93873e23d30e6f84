// Cross-checks of a table's data, index and blob files.
#include "engine/tables/table_verify.h"

#include <set>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/index/index_key.h"
#include "engine/records/record_fields.h"

namespace larch {
namespace {

constexpr std::size_t kMaxProblems = 200;

class Report {
public:
    void Add(const std::string& line) {
        if (m_lines.size() < kMaxProblems) m_lines.push_back(line);
    }
    void AddAll(const std::string& prefix, const std::vector<std::string>& lines) {
        for (const std::string& line : lines) Add(prefix + line);
    }
    std::vector<std::string> Take() { return std::move(m_lines); }

private:
    std::vector<std::string> m_lines;
};

std::string Rec(uint32_t n) { return "record " + std::to_string(n) + ": "; }

}  // namespace

std::vector<std::string> VerifyTable(TDataFile& file) {
    Report report;
    file.HoldReadLock();
    try {
        TIndexFile& index = file.Index();
        const DataHeader& header = file.Header();
        const auto& fields = file.Fields();
        const uint32_t last = header.nextRecordNumber - 1;
        const bool hasPrimary = !index.NoPrimaryIndex();
        std::vector<int> slots;
        for (int slot = 0; slot <= index.SecondaryCount(); ++slot) {
            if (index.SlotUsed(slot)) slots.push_back(slot);
        }
        if (hasPrimary) slots.push_back(kSysDeletedSlot);
        for (int slot : slots) report.AddAll("index " + index.IndexDisplayName(slot) + ": ", index.Verify(slot));

        uint32_t inUse = 0;
        std::set<uint32_t> deleted;
        std::set<uint32_t> ids;
        std::vector<std::pair<uint32_t, uint32_t>> chains;
        for (uint32_t n = 1; n <= last; ++n) {
            RecordPin record(file, file.GetRecord(n));
            const uint8_t* image = record->image.data();
            uint32_t id = RecordId(image);
            if (image[0] == kRecordDeleted) {
                deleted.insert(n);
                if (hasPrimary) {
                    uint8_t key[kSysDeletedKeyLength];
                    BuildSysDeletedKey(kRecordDeleted, id, key);
                    uint32_t at = 0;
                    if (!index.FindExact(kSysDeletedSlot, key, &at) || at != n) {
                        report.Add(Rec(n) + "deleted slot has no \"Sys Deleted\" key");
                    }
                }
                continue;
            }
            if (image[0] != kRecordInUse) {
                report.Add(Rec(n) + "status byte " + std::to_string(image[0]));
                continue;
            }
            ++inUse;
            if (id == 0 || id > header.lastRecordId) report.Add(Rec(n) + "record ID " + std::to_string(id) + " out of range");
            if (!ids.insert(id).second) report.Add(Rec(n) + "record ID " + std::to_string(id) + " used twice");
            for (int slot : slots) {
                std::vector<uint8_t> key;
                if (slot == kSysDeletedSlot) {
                    key.resize(kSysDeletedKeyLength);
                    BuildSysDeletedKey(kRecordInUse, id, key.data());
                } else {
                    key = file.KeyOf(slot, image);
                }
                uint32_t at = 0;
                if (!index.FindExact(slot, key.data(), &at)) {
                    report.Add(Rec(n) + "no key in index " + index.IndexDisplayName(slot));
                } else if (at != n) {
                    report.Add(Rec(n) + "key in index " + index.IndexDisplayName(slot) + " points to record " +
                               std::to_string(at));
                }
            }
            for (const FieldDescriptor& f : fields) {
                if (!f.IsBlob() || FieldIsNull(f, image)) continue;
                uint32_t first = GetUInt32Field(f, image);
                if (first == 0) continue;
                if (!file.Blob()) {
                    report.Add(Rec(n) + "blob field " + f.name + " without a blob file");
                    continue;
                }
                chains.emplace_back(first, n);
            }
        }
        if (index.RecordCount() != inUse) {
            report.Add("index header counts " + std::to_string(index.RecordCount()) + " records, " +
                       std::to_string(inUse) + " are in use");
        }
        for (int slot : slots) {
            uint32_t expected = slot == kSysDeletedSlot ? last : inUse;
            uint32_t keys = index.KeyCount(slot);
            if (keys != expected) {
                report.Add("index " + index.IndexDisplayName(slot) + " holds " + std::to_string(keys) +
                           " keys, expected " + std::to_string(expected));
            }
        }

        // The free-record chain: deleted records only, each once.
        std::set<uint32_t> chained;
        for (uint32_t n = header.freeRecordHead; n != 0;) {
            if (n > last || !deleted.count(n) || !chained.insert(n).second) {
                report.Add("free-record chain broken at record " + std::to_string(n));
                break;
            }
            RecordPin record(file, file.GetRecord(n));
            n = GetU32(record->image.data() + 1);
        }
        if (hasPrimary && chained.size() != deleted.size()) {
            report.Add("free-record chain holds " + std::to_string(chained.size()) + " of " +
                       std::to_string(deleted.size()) + " deleted records");
        }
        if (file.Blob()) report.AddAll("blob file: ", file.Blob()->Verify(chains));
    } catch (const ELarchEngineError& e) {
        report.Add(e.what());
    } catch (...) {
        file.ReleaseReadLock();
        throw;
    }
    file.ReleaseReadLock();
    return report.Take();
}

}  // namespace larch
