// TLarchDBDataSet and TLarchTable.
#include "engine/cursor/larch_table.h"

#include <filesystem>

#include "dataset/dataset_errors.h"
#include "engine/files/engine_error.h"
#include "engine/files/file_handler.h"
#include "engine/tables/index_defs.h"
#include "engine/data/larch_scopes.h"
#include "engine/tables/table_create.h"

namespace larch {

using namespace hollin;

// ------------------------------------------------------------ database attachment

void TLarchDBDataSet::SetDatabaseName(const std::string& name) {
    CheckInactive();
    m_databaseName = name;
}

void TLarchDBDataSet::SetSessionName(const std::string& name) {
    CheckInactive();
    m_sessionName = name;
}

std::string TLarchDBDataSet::AttachDatabase() {
    if (!m_database) {
        TLarchSession& session = TLarchSessionList::Instance().SessionByName(m_sessionName);
        TLarchDatabase& database = session.OpenDatabase(m_databaseName);
        database.Attach();
        m_database = &database;
    }
    return m_database->Folder();
}

void TLarchDBDataSet::DetachDatabase() {
    TLarchDatabase* database = m_database;
    m_database = nullptr;
    if (database) database->Detach();
}

// ------------------------------------------------------------ table

TLarchTable::TLarchTable() = default;

TLarchTable::~TLarchTable() {
    try {
        Close();
    } catch (...) {
    }
}

void TLarchTable::SetTableName(const std::string& name) {
    CheckInactive();
    m_tableName = name;
}

std::string TLarchTable::TableFilePath() {
    std::string folder = AttachDatabase();
    std::string path = MakeTableFileName(folder + m_tableName, ".DAT");
    if (!Active()) DetachDatabase();
    return path;
}

std::string TLarchTable::ResolveTableFile() {
    std::size_t first = m_tableName.find_first_not_of(' ');
    if (first == std::string::npos) DatabaseError("Missing table name.");
    std::string folder = AttachDatabase();
    std::string name = m_tableName.substr(first, m_tableName.find_last_not_of(' ') - first + 1);
    return MakeTableFileName(folder + name, ".DAT");
}

bool TLarchTable::Exists() {
    if (m_tableName.find_first_not_of(' ') == std::string::npos) return false;
    if (Active()) return true;
    std::string path = TableFilePath();
    return std::filesystem::exists(TFileHandler::ResolveCaseInsensitive(path));
}

int TLarchTable::ResolveIndexSlot() const {
    TIndexFile& index = IndexFile();
    if (!m_indexFieldNames.empty()) {
        std::vector<std::string> names = SplitFieldList(m_indexFieldNames);
        const auto& fields = DataFile()->Fields();
        for (int slot = 0; slot <= index.SecondaryCount(); ++slot) {
            if (!index.SlotUsed(slot)) continue;
            const IndexDescriptor& d = index.Descriptor(slot);
            if (d.fieldCount != names.size()) continue;
            bool same = true;
            for (std::size_t i = 0; i < names.size() && same; ++i) {
                uint16_t number = d.fieldNumbers[i];
                same = number >= 1 && number <= fields.size() && SameName(fields[number - 1].name, names[i]);
            }
            if (same) return slot;
        }
        RaiseEngineError(err::InvalidIndexName, DataFile()->FileName(), {}, {}, m_indexFieldNames);
    }
    int slot = index.FindIndex(m_indexName);
    if (slot < 0 || slot == kSysDeletedSlot) {
        RaiseEngineError(err::InvalidIndexName, DataFile()->FileName(), {}, {}, m_indexName);
    }
    return slot;
}

void TLarchTable::SelectInitialIndex() {
    SelectSlotAtOpen(ResolveIndexSlot());
    m_hasRange = false;
}

void TLarchTable::SetIndexName(const std::string& name) { ChooseIndex(name, {}); }

void TLarchTable::SetIndexFieldNames(const std::string& names) { ChooseIndex({}, names); }

void TLarchTable::ChooseIndex(const std::string& name, const std::string& fieldNames) {
    if (!Active()) {
        m_indexName = name;
        m_indexFieldNames = fieldNames;
        return;
    }
    CheckBrowseMode();
    std::string oldName = m_indexName, oldFields = m_indexFieldNames;
    m_indexName = name;
    m_indexFieldNames = fieldNames;
    int slot;
    try {
        slot = ResolveIndexSlot();
    } catch (...) {
        // An unknown index leaves the one in use.
        m_indexName = oldName;
        m_indexFieldNames = oldFields;
        throw;
    }
    m_hasRange = false;
    SwitchIndex(slot);
}

// ------------------------------------------------------------ key search and ranges

std::vector<uint8_t> TLarchTable::KeyOfValues(KeyBuffer which, const std::vector<TFieldValue>& values, bool high) {
    const IndexDescriptor& index = ActiveIndex();
    BeginKey(which);
    try {
        std::size_t count = std::min<std::size_t>(values.size(), index.fieldCount);
        const auto& descriptors = DataFile()->Fields();
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& name = descriptors[index.fieldNumbers[i] - 1].name;
            FieldByName(name).SetAsVariant(values[i]);
        }
        Post();  // ends SetKey, counting the fields given
    } catch (...) {
        Cancel();
        throw;
    }
    return KeyFromBuffer(which, KeyFieldsGiven(which), high);
}

void TLarchTable::FindNearest(const std::vector<TFieldValue>& values) {
    CheckBrowseMode();
    if (ActiveIndex().fieldCount == 0) DatabaseError("No index currently active");
    std::vector<uint8_t> key = KeyOfValues(KeyBuffer::Lookup, values, false);
    PositionOnNearest(key);
}

void TLarchTable::SetRange(const std::vector<TFieldValue>& startValues, const std::vector<TFieldValue>& endValues) {
    CheckBrowseMode();
    if (ActiveIndex().fieldCount == 0) DatabaseError("No index currently active");
    std::vector<uint8_t> start = KeyOfValues(KeyBuffer::RangeStart, startValues, false);
    std::vector<uint8_t> end = KeyOfValues(KeyBuffer::RangeEnd, endValues, true);
    {
        ReadScope read(*DataFile());
        IndexFile().SetRange(start.data(), end.data());
    }
    m_hasRange = true;
    FiltersRangeChanged();
    First();
}

void TLarchTable::CancelRange() {
    CheckBrowseMode();
    if (!m_hasRange) return;
    {
        ReadScope read(*DataFile());
        IndexFile().CancelRange();
    }
    m_hasRange = false;
    FiltersRangeChanged();
    Resync(0);
}

// ------------------------------------------------------------ table-wide operations

TableFileOptions TLarchTable::FileOptions() const {
    TableFileOptions options;
    options.forceBufferFlush = ForceBufferFlush();
    options.lockRetryCount = LockRetryCount();
    options.lockWaitTime = LockWaitTime();
    return options;
}

void TLarchTable::CreateTable() {
    CheckInactive();
    std::string path = ResolveTableFile();
    try {
        CreateTableFiles(path, FieldDefs(), m_indexDefs, FileOptions());
    } catch (...) {
        DetachDatabase();
        throw;
    }
    DetachDatabase();
}

void TLarchTable::EmptyTable() {
    if (Active()) {
        CheckBrowseMode();
        if (!DataFile()->Exclusive()) RaiseEngineError(err::MustBeExclusive, DataFile()->FileName());
        if (DataFile()->ReadOnly()) RaiseEngineError(err::AccessDenied, DataFile()->FileName());
        {
            // One write: emptied whole on disk when it returns, or not at all.
            WriteScope write(*DataFile());
            DataFile()->Empty();
            write.Finish();
        }
        DataFile()->CompleteWrites();
        m_hasRange = false;
        FiltersTableChanged();
        IndexFile().SelectIndex(ActiveSlot());
        First();
        return;
    }
    std::string path = ResolveTableFile();
    try {
        EmptyTableFiles(path, FileOptions());
    } catch (...) {
        DetachDatabase();
        throw;
    }
    DetachDatabase();
}

RestructurePath TLarchTable::RestructureTable(uint16_t language, uint16_t sublanguage, uint16_t settingOne,
                                              uint16_t settingTwo, bool encrypted, const std::string& password,
                                              const std::string& description, uint32_t blobBlockSize,
                                              bool deleteOldFiles) {
    CheckInactive();
    TableSettings settings;
    settings.language = language;
    settings.sublanguage = sublanguage;
    settings.settingOne = settingOne;
    settings.settingTwo = settingTwo;
    settings.encrypted = encrypted;
    settings.password = password;
    settings.description = description;
    settings.blobBlockSize = blobBlockSize;
    RestructureHandlers handlers;
    if (OnDataLost) {
        handlers.onDataLost = [this](int cause, const std::string& name, bool& stop, bool& dontAskAgain) {
            OnDataLost(*this, cause, name, stop, dontAskAgain);
        };
    }
    if (OnRestructureProgress) {
        handlers.onProgress = [this](uint32_t slot, int percent) { OnRestructureProgress(*this, slot, percent); };
    }
    std::string path = ResolveTableFile();
    std::string privateDir = TLarchSessionList::Instance().SessionByName(SessionName()).PrivateDir();
    RestructurePath taken;
    try {
        taken = RestructureTableFiles(path, m_restructureFieldDefs, m_restructureIndexDefs, settings, deleteOldFiles,
                                      handlers, privateDir, FileOptions());
    } catch (...) {
        DetachDatabase();
        throw;
    }
    DetachDatabase();
    return taken;
}

}  // namespace larch
