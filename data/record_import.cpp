// One import batch over a cursor of its own.
#include "data/record_import.h"

#include <filesystem>

#include "data/duplicate_rule.h"
#include "data/vcard_text.h"
#include "engine/data/larch_scopes.h"

namespace hollin {

namespace {

// Sets a string field, cut to its size; counts a cut.
void SetText(TDataSet& table, const char* name, const std::string& value, int& shortened) {
    TField& field = table.FieldByName(name);
    if (value.empty()) {
        field.Clear();
        return;
    }
    const std::size_t size = static_cast<std::size_t>(field.Size());
    if (field.DataType() == ftString && value.size() > size) {
        field.SetAsString(std::string(Utf8Prefix(value, size)));
        ++shortened;
    } else {
        field.SetAsString(value);
    }
}

void SetFields(TDataSet& table, const TTransferRecord& r, int& shortened) {
    SetText(table, "FirstName", r.firstName, shortened);
    SetText(table, "MiddleName", r.middleName, shortened);
    SetText(table, "LastName", r.lastName, shortened);
    SetText(table, "Event", r.event, shortened);
    table.FieldByName("EventDate").SetAsDate(r.eventDate);
    SetText(table, "Notes", r.notes, shortened);
    SetText(table, "Phone", r.phone, shortened);
    SetText(table, "PhoneFax", r.phoneFax, shortened);
    SetText(table, "CellPhone", r.cellPhone, shortened);
    SetText(table, "Email", r.email, shortened);
    SetText(table, "Website", r.website, shortened);
    SetText(table, "Zip", r.zip, shortened);
    SetText(table, "State", r.state, shortened);
    SetText(table, "City", r.city, shortened);
    SetText(table, "Address", r.address, shortened);
    if (!r.photo.empty()) table.FieldByName("Photo").SetAsBytes(r.photo);
}

// The key fields as they will be stored, so that a name cut to its size
// meets the same name cut earlier.
std::string Stored(const TDataSet& table, const char* name, const std::string& value) {
    return std::string(Utf8Prefix(value, static_cast<std::size_t>(table.FindField(name)->Size())));
}

}  // namespace

void WriteImportRecords(larch::TLarchTable& table, const std::vector<TTransferRecord>& records, TImportReport& report,
                        const TImportProgress& progress) {
    TDuplicateRule duplicates;
    duplicates.LearnTable(table);
    const int total = static_cast<int>(records.size());
    int added = 0;
    int shortened = 0;
    std::vector<TImportEntry> skipped;
    larch::BatchWriteScope batch(*table.DataFile());
    try {
        for (int i = 0; i < total; ++i) {
            const TTransferRecord& r = records[static_cast<std::size_t>(i)];
            if (!duplicates.Admit(Stored(table, "FirstName", r.firstName), Stored(table, "LastName", r.lastName),
                                  Stored(table, "Event", r.event), r.eventDate)) {
                skipped.push_back({r.line, skip::kDuplicate,
                                   "duplicate (" + r.firstName + " " + r.lastName + ", " + r.event + ")"});
            } else {
                table.Insert();
                SetFields(table, r, shortened);
                table.Post();
                ++added;
            }
            if (progress) progress(i + 1, total);
        }
        batch.Finish();
    } catch (...) {
        if (table.State() == dsInsert) table.Cancel();
        throw;
    }
    report.added += added;
    report.shortened += shortened;
    report.skipped.insert(report.skipped.end(), skipped.begin(), skipped.end());
}

std::unique_ptr<larch::TLarchTable> OpenTableForImport(const std::string& folder, const std::string& table) {
    auto cursor = std::make_unique<larch::TLarchTable>();
    cursor->SetDatabaseName(std::filesystem::absolute(folder).string());
    cursor->SetTableName(table);
    cursor->SetIndexName("FirstName");
    cursor->Open();
    return cursor;
}

}  // namespace hollin
