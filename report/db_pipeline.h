// TDBPipeline: the report's view of a data source. It walks the dataset from
// its first to its last visible record (in the dataset's order and through
// its filter) and puts the cursor back where it stood afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hollin {
class TDataSource;
class TDataSet;
class TField;
}  // namespace hollin

namespace hollin::report {

class TDBPipeline {
public:
    explicit TDBPipeline(TDataSource* dataSource = nullptr) : m_dataSource(dataSource) {}

    TDataSource* DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource* dataSource) { m_dataSource = dataSource; }
    std::string userName;

    // The dataset behind the source when it is open, else null (a report over
    // a closed dataset prints no detail band).
    TDataSet* ActiveDataSet() const;

    // Calls visit on every visible record with the cursor standing on it.
    // Controls on the source are not told of the moves; afterwards the cursor
    // is back on the record it stood on (also when visit throws) and the
    // controls get one data change. Throws what the dataset or visit throws.
    void ForEachRecord(const std::function<void()>& visit);

    // Rows the program holds itself (a list, not a dataset): when set,
    // ForEachRecord hands visit to it, to be called once per row; the detail
    // band's BeforePrint fills the items from the row being visited.
    std::function<void(const std::function<void()>& visit)> rowWalk;

    // The current record's field values, as the report items show them: the
    // display text ("mm/dd/yyyy" for dates, nothing for empty fields), the
    // text of a memo field, the bytes of a blob field. A missing field or a
    // closed dataset gives an empty value.
    std::string FieldText(const std::string& fieldName) const;
    std::vector<uint8_t> FieldBytes(const std::string& fieldName) const;

private:
    TField* FindField(const std::string& fieldName) const;

    TDataSource* m_dataSource;
};

}  // namespace hollin::report
