// RepairTable: the records that are still whole are read straight from the
// files and written into a new table, which takes the damaged one's place.
#include "engine/tables/table_repair.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include "engine/files/engine_error.h"
#include "engine/records/record_fields.h"
#include "engine/records/record_layout.h"
#include "engine/tables/restructure_steps.h"
#include "engine/files/table_journal.h"

namespace larch {
namespace {

using restructure::TableFiles;

constexpr uint32_t kMaxFields = 1024;
constexpr int kMaxLinesPerKind = 20;  // further losses of a kind are only counted

struct SourceTable {
    DataHeader header;
    std::vector<FieldDescriptor> fields;
    uint32_t records = 0;
    IndexDescriptor primary;
    std::vector<IndexDescriptor> secondaries;
    std::unique_ptr<TBlobFile> blob;
};

void Note(RepairReport& report, const std::string& line) { report.lines.push_back(line); }

// The header and the field descriptors, which a repair cannot do without.
void ReadDataHeader(TFileHandler& data, SourceTable& source, RepairReport& report) {
    const int64_t size = data.Size();
    uint8_t raw[kDataHeaderSize];
    if (size < static_cast<int64_t>(kDataHeaderSize)) RaiseEngineError(err::HeaderCorrupt, data.FileName());
    data.ReadAt(0, raw, sizeof raw);
    DataHeader& h = source.header;
    h = DataHeader::Decode(raw);
    if (h.version != kFormatVersion) RaiseEngineError(err::WrongVersion, data.FileName());
    if (h.language != 0) RaiseEngineError(err::LanguageDriver, data.FileName());
    if (h.encrypted) RaiseEngineError(err::PasswordRequired, data.FileName());
    if (h.fieldCount == 0 || h.fieldCount > kMaxFields || h.recordSize < kRecordHeaderSize) {
        RaiseEngineError(err::HeaderCorrupt, data.FileName());
    }
    std::vector<uint8_t> raw_fields(std::size_t{h.fieldCount} * kFieldDescriptorSize);
    if (data.ReadAt(kDataHeaderSize, raw_fields.data(), raw_fields.size(), true) != raw_fields.size()) {
        RaiseEngineError(err::HeaderCorrupt, data.FileName());
    }
    uint32_t blobFields = 0;
    for (uint32_t i = 0; i < h.fieldCount; ++i) {
        source.fields.push_back(FieldDescriptor::Decode(raw_fields.data() + i * kFieldDescriptorSize));
        if (source.fields.back().IsBlob()) ++blobFields;
    }
    if (!RecordLayoutMatches(source.fields, h.recordSize) || blobFields != h.blobFieldCount) {
        RaiseEngineError(err::HeaderCorrupt, data.FileName());
    }
    const int64_t start = static_cast<int64_t>(kDataHeaderSize) + int64_t{h.fieldCount} * kFieldDescriptorSize;
    const int64_t bytes = std::max<int64_t>(size - start, 0);
    source.records = static_cast<uint32_t>(bytes / h.recordSize);
    if (bytes % h.recordSize != 0) {
        Note(report, "The data file ended in " + std::to_string(bytes % h.recordSize) +
                         " bytes of a record that was never finished; they were dropped.");
    }
    if (h.nextRecordNumber != source.records + 1) {
        Note(report, "The data file's header counted " + std::to_string(h.nextRecordNumber - 1) +
                         " record slots; the file holds " + std::to_string(source.records) + ".");
    }
}

// The index definitions from the index file's header.
void ReadIndexDefinitions(const std::string& path, SourceTable& source, RepairReport& report) {
    TIndexFile index;
    index.SetExclusive(true);
    index.SetReadOnly(true);
    index.SetFileName(path);
    index.SetDataFileName(path);
    index.SetFields(&source.fields);
    try {
        index.Open();
        if (!index.NoPrimaryIndex()) source.primary = index.Descriptor(kPrimarySlot);
        for (int slot = 1; slot <= index.SecondaryCount(); ++slot) source.secondaries.push_back(index.Descriptor(slot));
        index.Close();
    } catch (const ELarchEngineError&) {
        index.Close();
        source.primary = IndexDescriptor{};
        source.secondaries.clear();
        Note(report, "The index file's header could not be read: the repaired table has no indexes; "
                     "define them again with a restructure.");
    }
    source.primary.rootPage = source.primary.freePageHead = 0;
    for (IndexDescriptor& d : source.secondaries) d.rootPage = d.freePageHead = 0;
}

void OpenBlobs(const std::string& path, SourceTable& source, RepairReport& report) {
    if (source.header.blobFieldCount == 0) return;
    source.blob = std::make_unique<TBlobFile>();
    source.blob->SetExclusive(true);
    source.blob->SetReadOnly(true);
    source.blob->SetBlockSize(source.header.blobBlockSize);
    source.blob->SetFileName(path);
    try {
        source.blob->Open();
    } catch (const ELarchEngineError&) {
        source.blob.reset();
        Note(report, "The blob file could not be read: the blobs of every record are lost.");
    }
}

class Copier {
public:
    Copier(TFileHandler& data, SourceTable& source, TDataFile& target, RepairReport& report)
        : m_data(data), m_source(source), m_target(target), m_report(report) {}

    void CopyAll() {
        const int64_t start =
            static_cast<int64_t>(kDataHeaderSize) + int64_t{m_source.header.fieldCount} * kFieldDescriptorSize;
        const uint32_t size = m_source.header.recordSize;
        auto read = [&](uint32_t number, std::vector<uint8_t>& image) {
            image.assign(m_target.ImageSize(), 0);
            m_data.ReadAt(start + int64_t{number - 1} * size, image.data(), size);
            return image[0] == kRecordInUse;
        };
        // A record ID given twice (or never) gets a new one above them all,
        // one that no record of the file has.
        std::vector<uint8_t> image;
        for (uint32_t number = 1; number <= m_source.records; ++number) {
            if (!read(number, image) || !ValidId(RecordId(image.data()))) continue;
            m_freeId = std::max(m_freeId, RecordId(image.data()));
            m_sourceIds.insert(RecordId(image.data()));
        }
        uint32_t strange = 0;
        for (uint32_t number = 1; number <= m_source.records; ++number) {
            if (!read(number, image)) {
                if (image[0] != kRecordDeleted) ++strange;
                continue;
            }
            const uint32_t id = RecordId(image.data());
            if (!ValidId(id) || !m_usedIds.insert(id).second) {
                SetRecordId(image.data(), NewId());
                m_usedIds.insert(m_freeId);
                Lost(m_idLines, "A record with ID " + std::to_string(id) +
                                    (ValidId(id) ? " whose ID was used before" : ", which no record may have,") +
                                    " got ID " + std::to_string(m_freeId) + ".");
            }
            Copy(number, image);
        }
        if (strange > 0) {
            Note(m_report, std::to_string(strange) + " record slots were neither in use nor deleted; they were dropped.");
        }
        DataHeader& header = m_target.MutableHeader();
        const uint32_t sourceLast = ValidId(m_source.header.lastRecordId) ? m_source.header.lastRecordId : 0;
        header.lastRecordId = std::max({sourceLast, m_highestId, m_freeId});
    }

private:
    std::string Who(const std::vector<uint8_t>& image) const {
        return "The record with ID " + std::to_string(RecordId(image.data()));
    }

    // An ID the table can hold: one beyond kMaxRecordId would make the
    // insert give out 1 instead.
    static bool ValidId(uint32_t id) { return id >= 1 && id <= kMaxRecordId; }

    // The next ID after the last one given out that no record of the file
    // bears; past the highest ID it goes on from 1.
    uint32_t NewId() {
        do {
            m_freeId = m_freeId >= kMaxRecordId ? 1 : m_freeId + 1;
        } while (m_sourceIds.count(m_freeId) != 0 || m_usedIds.count(m_freeId) != 0);
        return m_freeId;
    }

    void Lost(int& shown, const std::string& line) {
        if (++shown <= kMaxLinesPerKind) Note(m_report, line);
    }

    void Copy(uint32_t number, std::vector<uint8_t>& image) {
        // Blobs whose chains are whole and owned by this record come along.
        std::vector<std::pair<const FieldDescriptor*, std::vector<uint8_t>>> blobs;
        for (const FieldDescriptor& field : m_source.fields) {
            if (!field.IsBlob() || FieldIsNull(field, image.data())) continue;
            const uint32_t first = GetUInt32Field(field, image.data());
            std::vector<uint8_t> value;
            bool whole = m_source.blob != nullptr;
            if (whole) {
                try {
                    value = m_source.blob->ReadValue(first, number);
                    whole = !(value.empty() && first != 0);  // another record's chain reads as empty
                } catch (const ELarchEngineError&) {
                    whole = false;
                }
            }
            ClearField(field, image.data());
            if (!whole) {
                ++m_report.blobsLost;
                Lost(m_blobLines, Who(image) + " lost its " + field.name + ": its blob was damaged.");
                continue;
            }
            if (!value.empty()) blobs.emplace_back(&field, std::move(value));
        }
        const uint32_t slot = m_target.NextInsertNumber();
        std::vector<uint32_t> written;
        for (auto& [field, value] : blobs) {
            const uint32_t first =
                m_target.Blob()->WriteValue(0, slot, value.data(), static_cast<uint32_t>(value.size()));
            SetUInt32Field(m_target.Fields()[field->number - 1], image.data(), first);
            written.push_back(first);
        }
        const uint32_t id = RecordId(image.data());
        m_target.MutableHeader().lastRecordId = id - 1;  // InsertRecord gives out last ID + 1
        try {
            m_target.InsertRecord(image);
        } catch (const ELarchEngineError& e) {
            for (uint32_t first : written) m_target.Blob()->FreeChain(first, slot);
            ++m_report.recordsLost;
            Lost(m_recordLines, Who(image) + " was lost: " + e.EntryMessage());
            return;
        }
        m_highestId = std::max(m_highestId, id);
        ++m_report.recordsKept;
    }

    TFileHandler& m_data;
    SourceTable& m_source;
    TDataFile& m_target;
    RepairReport& m_report;
    uint32_t m_highestId = 0;
    uint32_t m_freeId = 0;  // the highest record ID found, then the last one given out
    std::set<uint32_t> m_usedIds;    // the IDs of the records copied
    std::set<uint32_t> m_sourceIds;  // every ID the file's records bear
    int m_blobLines = 0, m_recordLines = 0, m_idLines = 0;
};

void KeepCopies(const TableFiles& old, RepairReport& report) {
    const std::string names[3] = {old.data, old.index, old.blob};
    const char* copies[3] = {".DRP", ".IRP", ".BRP"};
    for (int k = 0; k < 3; ++k) {
        if (!restructure::FileExists(names[k])) continue;
        const std::string copy = MakeTableFileName(old.data, copies[k]);
        std::error_code error;
        std::filesystem::copy_file(names[k], copy, std::filesystem::copy_options::overwrite_existing, error);
        if (error) RaiseEngineError(err::WriteError, copy);
        report.copies.push_back(copy);
    }
}

}  // namespace

RepairReport RepairTable(const std::string& dataPath, const std::string& privateDir, const TableFileOptions& options) {
    const std::string path = TFileHandler::ResolveCaseInsensitive(MakeTableFileName(dataPath, ".DAT"));
    RepairReport report;
    // Held exclusively for the whole repair: no other user may have it open.
    TFileHandler data;
    data.SetExclusive(true);
    data.SetReadOnly(true);
    data.SetFileName(path);
    data.Open();
    // The copies are of the files as found, before anything touches them;
    // the journal of an unfinished write is kept too.
    const TableFiles old = restructure::FilesOf(path);
    KeepCopies(old, report);
    if (TTableJournal::MayBeHot(path)) {
        const std::string journalCopy = MakeTableFileName(path, ".JRP");
        std::error_code error;
        std::filesystem::copy_file(TTableJournal::PathFor(path), journalCopy,
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error) RaiseEngineError(err::WriteError, journalCopy);
        report.copies.push_back(journalCopy);
        try {
            if (TTableJournal::RecoverIfHot(path)) Note(report, "An unfinished write was rolled back first.");
        } catch (const ELarchEngineError&) {
            // A journal that cannot be applied is no reason to give up on
            // the records; the data file is read as it stands.
            Note(report, "An unfinished write could not be rolled back; the files were read as they stand.");
        }
    }

    SourceTable source;
    ReadDataHeader(data, source, report);
    ReadIndexDefinitions(path, source, report);
    OpenBlobs(path, source, report);

    const TableFiles fresh = restructure::FilesOf(restructure::TemporaryTablePath(privateDir));
    try {
        {
            TDataFile creator;
            PrepareExclusive(creator, fresh.data, options);
            creator.CreateTable(source.fields, source.primary, source.secondaries, SettingsOfTable(source.header));
        }
        TDataFile target;
        PrepareExclusive(target, fresh.data, options);
        target.Open();
        Copier(data, source, target, report).CopyAll();
        target.Close();
    } catch (...) {
        restructure::DeleteTableQuietly(fresh);
        throw;
    }
    if (source.blob) source.blob->Close();
    data.Close();
    restructure::SwapInNewTable(old, fresh, true);

    const int indexes = static_cast<int>(source.secondaries.size()) + (source.primary.fieldCount > 0 ? 1 : 0);
    report.lines.insert(report.lines.begin(),
                        "Kept " + std::to_string(report.recordsKept) + " records; rebuilt " + std::to_string(indexes) +
                            " indexes and \"Sys Deleted\" from them, with empty free lists.");
    if (report.recordsLost > 0) Note(report, std::to_string(report.recordsLost) + " records were lost.");
    if (report.blobsLost > 0) Note(report, std::to_string(report.blobsLost) + " blobs were lost.");
    return report;
}

}  // namespace larch
