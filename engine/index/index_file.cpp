// TIndexFile: creating, opening and closing the index file, its header, and
// writing pages back.
#include "engine/index/index_file.h"

#include <algorithm>
#include <cstring>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "dataset/field_defs.h"

namespace larch {
namespace {

// Header byte offsets.
constexpr std::size_t kChangeCountAt = 0;
constexpr std::size_t kVersionAt = 8;
constexpr std::size_t kNextPageAt = 9;
constexpr std::size_t kSecondaryCountAt = 13;
constexpr std::size_t kDescriptorsAt = 14;
constexpr std::size_t kRecordCountAt = 3974;
constexpr std::size_t kNoPrimaryAt = 3978;
constexpr std::size_t kModifiedAt = 3979;

bool SlotUsedIn(int slot, int secondaryCount, bool noPrimary) {
    if (slot == kPrimarySlot) return !noPrimary;
    if (slot == kSysDeletedSlot) return true;
    return slot >= 1 && slot <= secondaryCount;
}

bool IsPageOrZero(uint32_t offset, uint32_t fileEnd) { return offset == 0 || IsPageOffset(offset, fileEnd); }

}  // namespace

TIndexFile::TIndexFile() = default;

TIndexFile::~TIndexFile() {
    try {
        Close();
    } catch (const ELarchEngineError&) {
        // A destructor cannot report; Close has closed the handle regardless.
    }
}

std::string TIndexFile::MakeFileName(const std::string& name) const { return MakeTableFileName(name, ".IDX"); }

std::string TIndexFile::ErrorFile() const { return m_dataFileName.empty() ? FileName() : m_dataFileName; }

void TIndexFile::RaiseCorruptPage() const { RaiseEngineError(err::IndexBuffersCorrupt, ErrorFile()); }

void TIndexFile::SetDataFileName(const std::string& path) { m_dataFileName = path; }

void TIndexFile::SetFields(const std::vector<FieldDescriptor>* fields) {
    const std::vector<FieldDescriptor>* previous = m_fields;
    m_fields = fields;
    if (!IsOpen() || fields == nullptr) return;
    try {
        CheckFieldsMatch();
    } catch (const ELarchEngineError&) {
        m_fields = previous;
        throw;
    }
}

void TIndexFile::Create(const IndexDescriptor& primary, const std::vector<IndexDescriptor>& secondaries) {
    CheckClosed(true);
    if (!Exclusive()) RaiseEngineError(err::MustBeExclusive, ErrorFile());
    if (secondaries.size() > static_cast<std::size_t>(kMaxSecondaryIndexes)) {
        RaiseEngineError(err::IndexLimits, ErrorFile());
    }
    std::vector<const IndexDescriptor*> checked{&primary};
    for (const IndexDescriptor& d : secondaries) checked.push_back(&d);
    for (std::size_t i = 0; i < checked.size(); ++i) {
        const IndexDescriptor& d = *checked[i];
        if (i == 0 && d.fieldCount == 0) continue;  // no primary index
        if (d.fieldCount > kMaxIndexFields) RaiseEngineError(err::IndexLimits, ErrorFile());
        if (d.keyLength == 0 || d.keyLength > kMaxKeyLength) {
            RaiseEngineError(err::InvalidKeySize, ErrorFile(), {}, {}, i == 0 ? "Primary" : d.name);
        }
        if (d.compression != 0) RaiseEngineError(err::UnsupportedCompression, ErrorFile());
    }

    ResetState();
    m_header.fill(0);
    m_changeCount = 0;
    m_nextPageOffset = kPageSize;
    m_recordCount = 0;
    m_secondaryCount = static_cast<int>(secondaries.size());
    m_noPrimaryIndex = primary.fieldCount == 0;
    for (IndexDescriptor& d : m_descriptors) d = IndexDescriptor{};
    m_descriptors[kPrimarySlot] = primary;
    for (std::size_t i = 0; i < secondaries.size(); ++i) m_descriptors[i + 1] = secondaries[i];
    m_descriptors[kSysDeletedSlot] = MakeSysDeletedDescriptor();
    for (IndexDescriptor& d : m_descriptors) d.rootPage = d.freePageHead = 0;
    m_headerChanged = true;  // sets the modified marker of the new header
    EncodeHeader();
    m_headerChanged = false;

    CreateHandle();
    try {
        WriteAt(0, m_header.data(), m_header.size());
    } catch (const ELarchEngineError&) {
        CloseHandle();
        throw;
    }
    SelectPrimaryFromHeader();
}

void TIndexFile::Create() { Create(IndexDescriptor{}, {}); }

void TIndexFile::Open() {
    if (IsOpen()) return;
    OpenHandle();
    try {
        ResetState();
        ReadHeader();
        if (m_fields != nullptr) CheckFieldsMatch();
        SelectPrimaryFromHeader();
    } catch (const ELarchEngineError&) {
        ResetState();
        CloseHandle();
        throw;
    }
}

void TIndexFile::Close() {
    if (!IsOpen()) return;
    try {
        if (!ReadOnly()) FlushPages();
    } catch (const ELarchEngineError&) {
        ResetState();
        CloseHandle();
        throw;
    }
    ResetState();
    CloseHandle();
}

void TIndexFile::SelectPrimaryFromHeader() {
    // No page is read here: until the first navigation the positions are
    // 1 and the header's record count.
    m_activeSlot = kPrimarySlot;
    m_cursor = Cursor{};
    m_hasRange = false;
    m_rangeStart.assign(KeyLengthOf(kPrimarySlot), 0x00);
    m_rangeEnd.assign(KeyLengthOf(kPrimarySlot), 0xFF);
    m_keyCount = m_recordCount;
    m_rangeFirst = 1;
    m_rangeLast = m_recordCount;
    m_countsKnown = false;
}

void TIndexFile::ResetState() {
    DiscardPages();
    m_activeSlot = kPrimarySlot;
    m_cursor = Cursor{};
    m_keyCount = 0;
    m_countsKnown = false;
    m_hasRange = false;
    m_rangeStart.clear();
    m_rangeEnd.clear();
    m_rangeFirst = m_rangeLast = 0;
    m_filter = nullptr;
    m_headerChanged = false;
}

void TIndexFile::ReadHeader() {
    std::array<uint8_t, kIndexHeaderSize> image{};
    if (ReadAt(0, image.data(), image.size(), true) < image.size()) {
        RaiseEngineError(err::HeaderCorrupt, ErrorFile());
    }
    if (image[kVersionAt] != kIndexFileVersion) RaiseEngineError(err::WrongVersion, ErrorFile());

    uint32_t nextPage = GetU32(image.data() + kNextPageAt);
    int secondaryCount = image[kSecondaryCountAt];
    bool noPrimary = image[kNoPrimaryAt] != 0;
    if (secondaryCount > kMaxSecondaryIndexes || nextPage < kPageSize || nextPage % kPageSize != 0) {
        RaiseEngineError(err::HeaderCorrupt, ErrorFile());
    }
    std::array<IndexDescriptor, kIndexSlots> descriptors;
    for (int slot = 0; slot < kIndexSlots; ++slot) {
        descriptors[slot] = IndexDescriptor::Decode(image.data() + kDescriptorsAt + slot * kIndexDescriptorSize);
    }
    for (int slot = 0; slot < kIndexSlots; ++slot) {
        if (!SlotUsedIn(slot, secondaryCount, noPrimary)) continue;
        const IndexDescriptor& d = descriptors[slot];
        if (d.compression >= 1 && d.compression <= 3) RaiseEngineError(err::UnsupportedCompression, ErrorFile());
        bool sound = d.compression == 0 && d.keyLength != 0 && d.keyLength <= kMaxKeyLength &&
                     d.fieldCount <= kMaxIndexFields && IsPageOrZero(d.rootPage, nextPage) &&
                     IsPageOrZero(d.freePageHead, nextPage);
        if (slot == kSysDeletedSlot) {
            sound = sound && d.keyLength == kSysDeletedKeyLength && d.fieldCount == 0;
        } else {
            sound = sound && d.fieldCount >= 1;
        }
        if (!sound) RaiseEngineError(err::HeaderCorrupt, ErrorFile());
    }

    m_header = image;
    m_changeCount = GetU32(image.data() + kChangeCountAt);
    m_nextPageOffset = nextPage;
    m_secondaryCount = secondaryCount;
    m_noPrimaryIndex = noPrimary;
    m_recordCount = GetU32(image.data() + kRecordCountAt);
    m_descriptors = descriptors;
    m_headerChanged = false;
}

void TIndexFile::CheckFieldsMatch() const {
    for (int slot = 0; slot < kIndexSlots; ++slot) {
        if (!SlotUsed(slot) || slot == kSysDeletedSlot) continue;
        const IndexDescriptor& d = m_descriptors[slot];
        uint32_t length = 0;
        for (int i = 0; i < d.fieldCount; ++i) {
            uint16_t number = d.fieldNumbers[i];
            if (number == 0 || number > m_fields->size()) RaiseEngineError(err::HeaderCorrupt, ErrorFile());
            const FieldDescriptor& field = (*m_fields)[number - 1];
            uint8_t width = StoredWidth(field.physType, field.size);
            if (field.IsBlob() || width == 0) RaiseEngineError(err::HeaderCorrupt, ErrorFile());
            length += width + 1u;
        }
        if (slot != kPrimarySlot && !d.unique) length += 4;
        if (length != d.keyLength) RaiseEngineError(err::HeaderCorrupt, ErrorFile());
    }
}

void TIndexFile::EncodeHeader() {
    uint8_t* h = m_header.data();
    PutU32(h + kChangeCountAt, m_changeCount);
    h[kVersionAt] = kIndexFileVersion;
    PutU32(h + kNextPageAt, m_nextPageOffset);
    h[kSecondaryCountAt] = static_cast<uint8_t>(m_secondaryCount);
    for (int slot = 0; slot < kIndexSlots; ++slot) {
        // Unused slots keep their bytes as read.
        if (SlotUsed(slot) || slot == kPrimarySlot) {
            m_descriptors[slot].Encode(h + kDescriptorsAt + slot * kIndexDescriptorSize);
        }
    }
    PutU32(h + kRecordCountAt, m_recordCount);
    h[kNoPrimaryAt] = m_noPrimaryIndex ? 1 : 0;
    h[kModifiedAt] = m_headerChanged ? 1 : 0;
}

void TIndexFile::WriteHeader(bool force) {
    if (!m_headerChanged && !force) return;
    ++m_changeCount;
    EncodeHeader();
    try {
        WriteAt(0, m_header.data(), m_header.size());
    } catch (const ELarchEngineError&) {
        --m_changeCount;
        throw;
    }
    m_headerChanged = false;
}

void TIndexFile::FlushPages(bool forceHeader) {
    std::vector<TPage*> dirty;
    for (const TPageCache& cache : m_caches) {
        std::vector<TPage*> pages = cache.DirtyPages();
        dirty.insert(dirty.end(), pages.begin(), pages.end());
    }
    std::sort(dirty.begin(), dirty.end(), [](const TPage* a, const TPage* b) { return a->Offset() < b->Offset(); });
    // Written pages count as a change of the file, so that other users, who
    // compare only the change count, drop their copies of these pages.
    if (!dirty.empty()) m_headerChanged = true;
    std::vector<uint8_t> run;
    for (std::size_t first = 0; first < dirty.size();) {
        std::size_t last = first + 1;
        while (last < dirty.size() && dirty[last]->Offset() == dirty[last - 1]->Offset() + kPageSize) ++last;
        run.assign((last - first) * kPageSize, 0);
        for (std::size_t i = first; i < last; ++i) {
            const TPage& page = *dirty[i];
            if (page.Count() > page.Capacity()) RaiseCorruptPage();
            page.Encode(run.data() + (i - first) * kPageSize);
        }
        WriteAt(dirty[first]->Offset(), run.data(), run.size());
        for (std::size_t i = first; i < last; ++i) {
            dirty[i]->dirty = false;
            if (KeepsOriginals()) {
                const uint8_t* written = run.data() + (i - first) * kPageSize;
                dirty[i]->original.assign(written, written + kPageSize);
            } else {
                dirty[i]->original.clear();
            }
        }
        first = last;
    }
    WriteHeader(forceHeader);
}

void TIndexFile::SetRecordCount(uint32_t count) {
    if (count == m_recordCount) return;
    m_recordCount = count;
    m_headerChanged = true;
}

const IndexDescriptor& TIndexFile::Descriptor(int slot) const {
    if (slot < 0 || slot >= kIndexSlots) RaiseEngineError(err::InvalidIndexName, ErrorFile());
    return m_descriptors[slot];
}

bool TIndexFile::SlotUsed(int slot) const { return SlotUsedIn(slot, m_secondaryCount, m_noPrimaryIndex); }

void TIndexFile::CheckWritable() const {
    // Changes are kept in the cache until written, so a read-only file
    // refuses them at once rather than losing them at close.
    if (!IsOpen()) RaiseEngineError(err::InvalidHandle, ErrorFile());
    if (ReadOnly()) RaiseEngineError(err::AccessDenied, ErrorFile());
}

void TIndexFile::CheckSlot(int slot) const {
    if (!SlotUsed(slot)) RaiseEngineError(err::InvalidIndexName, ErrorFile(), {}, {}, std::to_string(slot));
}

int TIndexFile::FindIndex(const std::string& name) const {
    if (name.empty()) return kPrimarySlot;
    for (int slot = 1; slot <= m_secondaryCount; ++slot) {
        if (hollin::SameName(m_descriptors[slot].name, name)) return slot;
    }
    return -1;
}

std::string TIndexFile::IndexDisplayName(int slot) const {
    if (slot == kPrimarySlot) return "Primary";
    if (slot < 0 || slot >= kIndexSlots) return {};
    return m_descriptors[slot].name;
}

void TIndexFile::SetRoot(int slot, uint32_t page) {
    m_descriptors[slot].rootPage = page;
    m_headerChanged = true;
}

void TIndexFile::Empty() {
    CheckWritable();
    Truncate(kIndexHeaderSize);
    DiscardPages();
    m_nextPageOffset = kPageSize;
    m_recordCount = 0;
    for (IndexDescriptor& d : m_descriptors) d.rootPage = d.freePageHead = 0;
    m_headerChanged = true;
    m_cursor = Cursor{};
    m_hasRange = false;
    RecomputeRange();
}

bool TIndexFile::CheckChangeCount() {
    uint8_t count[4];
    if (ReadAt(0, count, sizeof count, true) < sizeof count) RaiseEngineError(err::HeaderCorrupt, ErrorFile());
    if (GetU32(count) == m_changeCount) return false;
    ReadHeader();
    DropCaches();
    return true;
}

void TIndexFile::DropCaches() {
    DiscardPages();
    if (!IsOpen()) return;
    if (!SlotUsed(m_activeSlot) && m_activeSlot != kPrimarySlot) {
        SelectIndex(kPrimarySlot);
        return;
    }
    AfterTreeChange(m_activeSlot);
}

void TIndexFile::Reload() {
    ReadHeader();
    DropCaches();
}

std::vector<std::pair<int64_t, std::size_t>> TIndexFile::PendingRegions(bool force) const {
    std::vector<std::pair<int64_t, std::size_t>> regions;
    for (const TPageCache& cache : m_caches) {
        for (const TPage* page : cache.DirtyPages()) regions.emplace_back(page->Offset(), kPageSize);
    }
    if (force || m_headerChanged || !regions.empty()) regions.emplace_back(0, kIndexHeaderSize);
    return regions;
}

void TIndexFile::Discard() {
    DiscardPages();
    m_headerChanged = false;
}

void TIndexFile::DiscardPages() {
    for (TPageCache& cache : m_caches) cache.Clear();
}

}  // namespace larch
