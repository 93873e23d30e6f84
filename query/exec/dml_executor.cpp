// Executing INSERT, UPDATE and DELETE: the target table locked, values
// converted to the column types, the changed rows counted.
#include "engine/files/engine_error.h"
#include "engine/records/field_values.h"
#include "engine/data/larch_scopes.h"
#include "engine/records/record_fields.h"
#include "query/expr/node_store.h"
#include "query/exec/query_execution.h"
#include "query/sql/sql_lexer.h"

namespace larch {

namespace {

// The target table's lock, from the start of the statement to its end.
class TableLock {
public:
    explicit TableLock(TDataFile& file) : m_file(file) { m_file.LockTable(); }
    ~TableLock() {
        try {
            m_file.UnlockTable();
        } catch (...) {
        }
    }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    TDataFile& m_file;
};

void DropOpenBlobs(TDataFile& file) {
    if (TBlobFile* blob = file.Blob()) blob->DropOpenBlobs();
}

}  // namespace

void TDataQuery::Execution::ExecuteInsert() {
    TDataFile& file = *files.front();
    TSourceDataFile& target = *query.m_result.sourceTables.front();
    const std::vector<std::unique_ptr<TExpressionNode>> values = TypedValues();
    const ColumnProvider provider = Provider();
    TableLock lock(file);
    WriteScope write(file);
    std::vector<uint8_t> image(file.ImageSize(), 0);
    ApplyFieldDefaults(file.Fields(), image.data());
    target.record = nullptr;
    const uint32_t owner = file.NextInsertNumber();
    try {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const FieldDescriptor& field = file.Fields()[targetFields[i] - 1];
            TExpressionNode value;
            EvaluateExpression(*values[i], provider, CompareLanguage{}, value);
            if (!StoreNodeValue(file, field, value, image.data(), owner))
                TSqlLexer::RaiseError("Type mismatch between column " + field.name + " and constant value " +
                                      NodeValueText(value) + " in INSERT statement");
        }
        file.InsertRecord(image);
    } catch (...) {
        DropOpenBlobs(file);
        throw;
    }
    write.Finish();
    affectedRows = 1;
}

void TDataQuery::Execution::ExecuteChange(std::unique_ptr<TExpressionNode> working, bool deleting) {
    TDataFile& file = *files.front();
    TSourceDataFile& target = *query.m_result.sourceTables.front();
    std::vector<std::unique_ptr<TExpressionNode>> values;
    if (!deleting) values = TypedValues();
    const ColumnProvider provider = Provider();
    TableLock lock(file);

    // The whole condition is the target's filter.
    RecordSet set;
    {
        ReadScope read(file);
        TFilterList& list = *filters.front();
        if (working) {
            TFilter* filter = list.AddTree(std::move(working), true);
            list.Activate(filter);
            set = list.Combined();
        } else {
            const uint32_t next = file.Header().nextRecordNumber;
            set = MakeRecordSet(next);
            for (uint32_t n = 1; n < next; ++n) AddRecord(set, n);
        }
    }
    std::vector<uint32_t> numbers;
    ForEachRecord(set, [&](uint32_t n) { numbers.push_back(n); });

    // The new values of a record, evaluated against the record itself.
    auto changeOf = [&](uint32_t number, const std::vector<uint8_t>& image, std::vector<uint8_t>& changed) {
        target.record = image.data();
        changed = image;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const FieldDescriptor& field = file.Fields()[targetFields[i] - 1];
            TExpressionNode value;
            EvaluateExpression(*values[i], provider, CompareLanguage{}, value);
            if (!StoreNodeValue(file, field, value, changed.data(), number)) {
                target.record = nullptr;
                DropOpenBlobs(file);
                TSqlLexer::RaiseError("Type mismatch between column " + field.name + " and constant value " +
                                      NodeValueText(value) + " in UPDATE statement");
            }
        }
        target.record = nullptr;
    };
    auto readRecord = [&](uint32_t number, std::vector<uint8_t>& image) {
        if (number >= file.Header().nextRecordNumber) return false;
        RecordPin record(file, file.GetRecord(number));
        if (!record.get() || record->image[0] != kRecordInUse) return false;
        image = record->image;
        return true;
    };

    std::vector<uint8_t> image, changed;
    if (!deleting) {
        // Every value is converted once before anything is written, so that
        // a value that does not fit leaves the table as it was.
        ReadScope read(file);
        for (uint32_t number : numbers) {
            if (!readRecord(number, image)) continue;
            changeOf(number, image, changed);
            DropOpenBlobs(file);
        }
    }

    WriteScope write(file);
    const auto& progress = query.m_settings.progress;
    uint32_t visited = 0;
    for (uint32_t number : numbers) {
        if (progress) {
            ++visited;
            bool abort = false;
            progress(visited, static_cast<int>(visited * 100.0 / numbers.size() + 0.5), abort);
            if (abort) break;
        }
        try {
            file.LockRecord(number);
        } catch (const ELarchEngineError& e) {
            // A record another user is editing is left alone.
            if (e.ErrorCode() == err::RecordInUse) continue;
            throw;
        }
        try {
            if (readRecord(number, image)) {
                if (deleting) {
                    file.DeleteRecord(number);
                } else {
                    changeOf(number, image, changed);
                    file.UpdateRecord(number, changed);
                }
                ++affectedRows;
            }
        } catch (...) {
            DropOpenBlobs(file);
            file.UnlockRecord(number);
            throw;
        }
        file.UnlockRecord(number);
    }
    write.Finish();
    RemoveFilters();
}

}  // namespace larch
