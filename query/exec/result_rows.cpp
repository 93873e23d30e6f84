// Filling a canned result table: copying columns, DISTINCT, groups and
// aggregates.
#include "query/exec/result_rows.h"

#include <cmath>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/data/larch_scopes.h"
#include "engine/records/record_fields.h"
#include "query/expr/node_store.h"
#include "query/sql/sql_lexer.h"
#include "query/expr/value_compare.h"

namespace larch {

namespace {

std::vector<uint8_t> ReadImage(TDataFile& file, uint32_t number) {
    RecordPin record(file, file.GetRecord(number));
    if (!record.get()) RaiseEngineError(err::RecordNotFound, file.FileName());
    return record->image;
}

TExpressionNode IntegerNode(int64_t value) {
    TExpressionNode n;
    n.nodeClass = node::Constant;
    n.dataType = dtype::Integer;
    n.size = 4;
    n.SetInt32(static_cast<int32_t>(value));
    return n;
}

TExpressionNode FloatNode(double value) {
    TExpressionNode n;
    n.nodeClass = node::Constant;
    n.dataType = dtype::Float;
    n.size = 8;
    n.SetDouble(value);
    return n;
}

}  // namespace

TResultRowWriter::TResultRowWriter(TDataFile& result, const TResultTableLayout& layout,
                                   const std::vector<TResultDataField>& items, bool pureAggregate,
                                   ColumnProvider provider, CompareLanguage language)
    : m_result(result),
      m_layout(layout),
      m_items(items),
      m_pureAggregate(pureAggregate),
      m_provider(std::move(provider)),
      m_language(language) {
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].aggregate == TAggregateKind::Avg) m_averages.push_back(i);
    if (m_pureAggregate) {
        m_single.assign(m_result.ImageSize(), 0);
        StartAggregates(m_single, m_singleCounts);
    }
}

void TResultRowWriter::Store(std::size_t column, const TExpressionNode& value, std::vector<uint8_t>& image) {
    // Result columns are typed for their values, so only a value the
    // conversion cannot carry stays behind, as NULL.
    if (!StoreNodeValue(m_result, FieldOf(column), value, image.data(), 0)) ClearField(FieldOf(column), image.data());
}

void TResultRowWriter::BuildRow(std::vector<uint8_t>& image, std::vector<TExpressionNode>& values,
                                std::vector<PendingBlob>& blobs) {
    image.assign(m_result.ImageSize(), 0);
    values.clear();
    values.resize(m_items.size());
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const TResultDataField& item = m_items[i];
        const FieldDescriptor& target = FieldOf(i);
        if (item.isExpression) {
            EvaluateExpression(*item.expression, m_provider, m_language, values[i]);
            if (item.aggregate == TAggregateKind::None) Store(i, values[i], image);
            continue;
        }
        const TExpressionNode& column = *item.expression;
        const TSourceDataFile* table = column.sourceTable;
        if (!table || !table->file || !table->record || column.fieldNumber == 0) {
            ClearField(target, image.data());
            continue;
        }
        const FieldDescriptor& source = table->file->Fields()[column.fieldNumber - 1];
        const uint8_t* record = table->record;
        if (source.IsAutoInc()) {
            SetInt32Field(target, image.data(), static_cast<int32_t>(RecordId(record)));
        } else if (FieldIsNull(source, record)) {
            ClearField(target, image.data());
        } else if (source.IsBlob()) {
            const uint32_t first = GetUInt32Field(source, record);
            TBlobFile* blob = table->file->Blob();
            if (first == 0 || !blob) continue;
            ReadScope read(*table->file);
            blobs.push_back({&target, blob->ReadValue(first, GetU32(record + 1))});
        } else {
            SetFieldBytes(target, image.data(), FieldBytes(source, record));
        }
    }
}

void TResultRowWriter::StartAggregates(std::vector<uint8_t>& image, std::vector<int64_t>& counts) {
    counts.assign(m_averages.size(), 0);
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].aggregate == TAggregateKind::None) continue;
        if (m_items[i].aggregate == TAggregateKind::Count) Store(i, IntegerNode(0), image);
        else ClearField(FieldOf(i), image.data());
    }
}

void TResultRowWriter::Accumulate(std::vector<uint8_t>& image, const std::vector<TExpressionNode>& values,
                                  std::vector<int64_t>& counts) {
    std::size_t average = 0;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const TAggregateKind kind = m_items[i].aggregate;
        if (kind == TAggregateKind::None) continue;
        const bool isAverage = kind == TAggregateKind::Avg;
        const std::size_t averageSlot = isAverage ? average++ : 0;
        const TExpressionNode& value = values[i];
        // Aggregates skip NULL values (COUNT(*) never sees one).
        if (value.isNull || value.dataType == dtype::None) continue;
        const FieldDescriptor& field = FieldOf(i);
        TExpressionNode sum;
        LoadFieldValue(field, image.data(), sum);
        switch (kind) {
            case TAggregateKind::Count:
                Store(i, IntegerNode(int64_t{sum.isNull ? 0 : sum.Int32Value()} + 1), image);
                break;
            case TAggregateKind::Avg:
                Store(i, FloatNode((sum.isNull ? 0.0 : sum.DoubleValue()) + FloatValue(value)), image);
                ++counts[averageSlot];
                break;
            case TAggregateKind::Min:
            case TAggregateKind::Max: {
                const int order = sum.isNull ? 0 : CompareNodeValues(value, sum, m_language);
                if (sum.isNull || (kind == TAggregateKind::Min ? order < 0 : order > 0)) Store(i, value, image);
                break;
            }
            case TAggregateKind::Sum: {
                if (sum.isNull) {
                    Store(i, value, image);
                    break;
                }
                if (sum.dataType == dtype::Float || sum.dataType == dtype::Timestamp) {
                    sum.SetDouble(sum.DoubleValue() + FloatValue(value));
                } else if (sum.dataType == dtype::Bcd) {
                    TExpressionNode addend = value.ShallowCopy();
                    ConvertNodeValue(addend, dtype::Bcd);
                    sum.SetInt64(sum.Int64Value() + addend.Int64Value());
                } else {
                    const int64_t total = WholeValue(sum) + WholeValue(value);
                    if (total < INT32_MIN || total > INT32_MAX)
                        TSqlLexer::RaiseError("Numeric overflow in SUM aggregate function for column '" +
                                              m_items[i].sourceText + "'");
                    sum.SetInt32(static_cast<int32_t>(total));
                }
                Store(i, sum, image);
                break;
            }
            default:
                break;
        }
    }
}

void TResultRowWriter::DivideAverages(std::vector<uint8_t>& image, const std::vector<int64_t>& counts) {
    for (std::size_t j = 0; j < m_averages.size(); ++j) {
        const std::size_t column = m_averages[j];
        if (counts[j] == 0) {
            // The average of no values is unknown.
            ClearField(FieldOf(column), image.data());
            continue;
        }
        TExpressionNode sum;
        LoadFieldValue(FieldOf(column), image.data(), sum);
        Store(column, FloatNode(sum.DoubleValue() / static_cast<double>(counts[j])), image);
    }
}

uint32_t TResultRowWriter::Insert(std::vector<uint8_t>& image, std::vector<PendingBlob>& blobs) {
    const uint32_t owner = m_result.NextInsertNumber();
    for (PendingBlob& blob : blobs) {
        if (TBlobFile* file = m_result.Blob()) {
            TBlobBuffer& buffer = file->OpenBlob(*blob.field, 0, owner, BlobMode::Write);
            buffer.Write(0, blob.bytes.data(), static_cast<uint32_t>(blob.bytes.size()));
        }
    }
    return m_result.InsertRecord(image);
}

void TResultRowWriter::AddRow() {
    std::vector<uint8_t> image;
    std::vector<TExpressionNode> values;
    std::vector<PendingBlob> blobs;
    BuildRow(image, values, blobs);
    if (m_pureAggregate) {
        Accumulate(m_single, values, m_singleCounts);
        return;
    }
    if (m_layout.groupSlot >= 0) {
        const std::vector<uint8_t> key = m_result.KeyOf(m_layout.groupSlot, image.data());
        uint32_t number = 0;
        if (m_result.Index().FindExact(m_layout.groupSlot, key.data(), &number)) {
            std::vector<uint8_t> group = ReadImage(m_result, number);
            std::vector<int64_t> unused;
            std::vector<int64_t>& counts = m_averages.empty() ? unused : m_counts[number];
            counts.resize(m_averages.size(), 0);
            Accumulate(group, values, counts);
            m_result.UpdateRecord(number, group);
            return;
        }
        std::vector<int64_t> counts;
        StartAggregates(image, counts);
        Accumulate(image, values, counts);
        number = Insert(image, blobs);
        if (!m_averages.empty()) m_counts[number] = counts;
        return;
    }
    if (m_layout.distinctSlot >= 0) {
        const std::vector<uint8_t> key = m_result.KeyOf(m_layout.distinctSlot, image.data());
        if (m_result.Index().FindExact(m_layout.distinctSlot, key.data())) return;
    }
    Insert(image, blobs);
}

void TResultRowWriter::AddCount(uint32_t count) { Store(0, IntegerNode(count), m_single); }

void TResultRowWriter::Finish() {
    if (m_pureAggregate) {
        DivideAverages(m_single, m_singleCounts);
        std::vector<PendingBlob> none;
        Insert(m_single, none);
        return;
    }
    for (const auto& [number, counts] : m_counts) {
        std::vector<uint8_t> image = ReadImage(m_result, number);
        DivideAverages(image, counts);
        m_result.UpdateRecord(number, image);
    }
}

}  // namespace larch
