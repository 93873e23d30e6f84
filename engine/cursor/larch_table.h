// TLarchDBDataSet (a cursor attached to a database of a session) and
// TLarchTable, the table cursor: table name, index selection, key search,
// ranges and the table-wide operations.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/tables/index_defs.h"
#include "engine/cursor/larch_dataset.h"
#include "engine/cursor/larch_session.h"
#include "engine/tables/restructure_defs.h"
#include "engine/tables/table_restructure.h"

namespace larch {

class TLarchDBDataSet : public TLarchDataSet {
public:
    const std::string& DatabaseName() const { return m_databaseName; }
    void SetDatabaseName(const std::string& name);
    const std::string& SessionName() const { return m_sessionName; }
    void SetSessionName(const std::string& name);
    // The database while open (or attached), else null.
    TLarchDatabase* Database() const { return m_database; }

protected:
    // Resolves the session and database and attaches to it; returns the
    // folder of the tables, ending with "/".
    std::string AttachDatabase();
    void DetachDatabase();

private:
    std::string m_databaseName;
    std::string m_sessionName;
    TLarchDatabase* m_database = nullptr;
};

class TLarchTable : public TLarchDBDataSet {
public:
    TLarchTable();
    ~TLarchTable() override;

    const std::string& TableName() const { return m_tableName; }
    void SetTableName(const std::string& name);
    // The active index by name; empty selects the primary index. Setting it
    // clears IndexFieldNames. 10022 for an unknown name (at once when open).
    const std::string& IndexName() const { return m_indexName; }
    void SetIndexName(const std::string& name);
    // The active index chosen by its fields ("A;B"); clears IndexName.
    const std::string& IndexFieldNames() const { return m_indexFieldNames; }
    void SetIndexFieldNames(const std::string& names);

    // Whether the data file exists (true while open; the index and blob files
    // are not looked at).
    bool Exists();
    // The path of the table's data file in its database folder.
    std::string TableFilePath();

    // Moves to the first record whose key in the active index is equal to or
    // after the values given for its leading fields.
    void FindNearest(const std::vector<hollin::TFieldValue>& values);
    // Restricts the cursor to the keys between the values given for the
    // leading fields of the active index (both ends included).
    void SetRange(const std::vector<hollin::TFieldValue>& startValues,
                  const std::vector<hollin::TFieldValue>& endValues);
    void CancelRange();
    bool HasRange() const { return m_hasRange; }

    // Table-wide operations (engine/tables/table_create.h, table_restructure.h).
    TIndexDefs& IndexDefs() { return m_indexDefs; }
    TRestructureFieldDefs& RestructureFieldDefs() { return m_restructureFieldDefs; }
    TRestructureIndexDefs& RestructureIndexDefs() { return m_restructureIndexDefs; }
    void CreateTable();
    void EmptyTable();
    RestructurePath RestructureTable(uint16_t language, uint16_t sublanguage, uint16_t settingOne,
                                     uint16_t settingTwo, bool encrypted, const std::string& password,
                                     const std::string& description, uint32_t blobBlockSize, bool deleteOldFiles);

    std::function<void(TLarchTable&, int cause, const std::string& name, bool& stop, bool& dontAskAgain)> OnDataLost;
    std::function<void(TLarchTable&, uint32_t slot, int percent)> OnRestructureProgress;

protected:
    std::string ResolveTableFile() override;
    void SelectInitialIndex() override;
    void ReleaseTableFile() override { DetachDatabase(); }

private:
    int ResolveIndexSlot() const;
    // Selects the index by name or by its field list (the other one empty).
    void ChooseIndex(const std::string& name, const std::string& fieldNames);
    std::vector<uint8_t> KeyOfValues(KeyBuffer which, const std::vector<hollin::TFieldValue>& values, bool high);
    TableFileOptions FileOptions() const;

    std::string m_tableName;
    std::string m_indexName;
    std::string m_indexFieldNames;
    bool m_hasRange = false;
    TIndexDefs m_indexDefs;
    TRestructureFieldDefs m_restructureFieldDefs;
    TRestructureIndexDefs m_restructureIndexDefs;
};

}  // namespace larch
