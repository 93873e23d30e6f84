// The analysis of a prepared statement: opening the source tables, typing,
// expanding and naming the result columns, resolving ORDER BY and GROUP BY,
// the index match, the live decision, the conditions and the result table.
#include <algorithm>
#include <filesystem>

#include "engine/files/engine_error.h"
#include "engine/files/file_handler.h"
#include "query/expr/expression_eval.h"
#include "query/exec/query_execution.h"
#include "query/exec/result_names.h"
#include "query/sql/sql_lexer.h"
#include "query/sql/tree_printer.h"
#include "query/exec/where_rewrite.h"
#include "dataset/field_defs.h"

namespace larch {

namespace {

constexpr std::size_t kMaxDistinctColumns = 16;
constexpr uint8_t kMaxStringResultSize = 251;
constexpr uint8_t kMaxOtherResultSize = 250;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

bool IsStar(const TExpressionNode& n) {
    return n.nodeClass == node::Column && (n.columnName == "*" || (n.columnName.empty() && n.name == "*"));
}

std::string ColumnNameOf(const TExpressionNode& n) { return n.columnName.empty() ? n.name : n.columnName; }

// Resolves the column nodes of a tree without typing it (a tree whose
// parameters have no type yet).
void ResolveColumns(TExpressionNode& n, const ColumnResolver& resolver, const std::string& context) {
    if (n.nodeClass == node::Column && !IsStar(n) && !resolver(n))
        TSqlLexer::RaiseError("Invalid column name " + Quoted(ColumnNameOf(n)) + " or table correlation name " +
                              Quoted(n.tableCorrelation) + " specified in " + context);
    if (n.left) ResolveColumns(*n.left, resolver, context);
    if (n.right) ResolveColumns(*n.right, resolver, context);
}

// The field a result column is stored in when it is an expression.
FieldDescriptor ExpressionField(const TResultDataField& item) {
    const TExpressionNode& n = *item.expression;
    FieldDescriptor f;
    uint8_t type = n.dataType;
    if (item.aggregate == TAggregateKind::Avg) type = dtype::Float;
    // A sum of small numbers is kept in 32 bits so that it does not overflow.
    if (item.aggregate == TAggregateKind::Sum && (type == dtype::SmallInt || type == dtype::Word))
        type = dtype::Integer;
    switch (type) {
        case dtype::None:
            f.physType = phys::String;
            f.size = 1;
            break;
        case dtype::String:
            f.physType = phys::String;
            f.size = static_cast<uint8_t>(std::max(1, n.size - 1));
            break;
        case dtype::Bytes:
            f.physType = phys::Bytes;
            f.size = std::max<uint8_t>(1, n.size);
            break;
        case dtype::Bcd:
            f.physType = phys::Bcd;
            f.scale = std::min<uint8_t>(n.decimals, 8);
            break;
        case dtype::Blob:
            f.physType = phys::Blob;
            f.subType = n.subType;
            break;
        default:
            f.physType = type;
            break;
    }
    return f;
}

}  // namespace

std::vector<TSourceDataFile*> TDataQuery::Execution::Tables() const {
    std::vector<TSourceDataFile*> tables;
    for (const auto& t : query.m_result.sourceTables) tables.push_back(t.get());
    return tables;
}

ColumnResolver TDataQuery::Execution::Resolver() const {
    const TParseResult* result = &query.m_result;
    return [result](TExpressionNode& column) -> bool {
        const std::string name = ColumnNameOf(column);
        for (const auto& table : result->sourceTables) {
            if (!column.tableCorrelation.empty() && !hollin::SameName(table->correlationName, column.tableCorrelation))
                continue;
            if (!table->file) return false;
            if (const FieldDescriptor* field = table->file->FindField(name)) {
                column.sourceTable = table.get();
                SetColumnType(*field, column);
                return true;
            }
            if (!column.tableCorrelation.empty()) return false;
        }
        return false;
    };
}

ColumnProvider TDataQuery::Execution::Provider() const {
    return [](const TExpressionNode& column, TExpressionNode& into) {
        const TSourceDataFile* table = column.sourceTable;
        if (!table || !table->file || column.fieldNumber == 0 || column.fieldNumber > table->file->Fields().size())
            return;
        const FieldDescriptor& field = table->file->Fields()[column.fieldNumber - 1];
        if (!table->record) {
            // The missing side of an outer join: every column reads NULL.
            SetColumnType(field, into);
            into.value.fill(0);
            into.isNull = true;
            return;
        }
        LoadFieldValue(field, table->record, into);
    };
}

void TDataQuery::Execution::Analyse() {
    TParseResult& r = query.m_result;
    writable = query.m_settings.requestLive;
    if (r.kind != TStatementKind::Select) writable = true;
    if (r.hasResultTable) writable = false;
    distinct = r.kind == TStatementKind::Select && r.distinct && r.groupBy.empty();
    OpenSources();
    if (r.kind == TStatementKind::Select) AnalyseSelect();
    if (r.kind == TStatementKind::Insert || r.kind == TStatementKind::Update) AnalyseTargets();
    if (r.condition) {
        TurnComparisonsAround(*r.condition);
        CheckCondition();
    }
    if (r.kind == TStatementKind::Select) {
        if (live) {
            for (std::size_t i = 0; i < r.resultFields.size(); ++i) {
                const TResultDataField& item = r.resultFields[i];
                TLiveColumn column;
                column.name = resultNames[i];
                if (item.isExpression) column.expression = item.expression.get();
                else column.fieldNumber = item.expression->fieldNumber;
                liveColumns.push_back(column);
            }
        } else {
            CreateResult();
        }
    }
    analysed = true;
}

void TDataQuery::Execution::OpenSources() {
    const TQuerySettings& s = query.m_settings;
    for (const auto& table : query.m_result.sourceTables) {
        auto file = std::make_unique<TDataFile>();
        file->SetExclusive(false);
        file->SetReadOnly(!writable);
        file->SetLockRetryCount(s.lockRetryCount);
        file->SetLockWaitTime(s.lockWaitTime);
        file->SetFileName(table->path);
        file->Open();
        table->file = file.get();
        table->record = nullptr;
        files.push_back(std::move(file));
        filters.push_back(std::make_unique<TFilterList>(*files.back()));
        records.emplace_back();
    }
}

void TDataQuery::Execution::AnalyseSelect() {
    TParseResult& r = query.m_result;
    const ColumnResolver resolver = Resolver();

    // Typing of the result columns and their sizes.
    for (TResultDataField& item : r.resultFields) {
        if (IsStar(*item.expression)) continue;
        TypeExpression(*item.expression, "source columns", resolver);
        const TExpressionNode& n = *item.expression;
        const bool fits = n.dataType == dtype::String ? n.size >= 1 && n.size <= kMaxStringResultSize
                                                      : n.size <= kMaxOtherResultSize;
        if (!fits)
            TSqlLexer::RaiseError("Column expression " + Quoted(item.sourceText) +
                                  " exceeds the maximum allowable field size");
    }

    // Grouping, the reserved name and aggregates without GROUP BY.
    pureAggregate = !r.resultFields.empty() &&
                    std::all_of(r.resultFields.begin(), r.resultFields.end(),
                                [](const TResultDataField& item) { return item.aggregate != TAggregateKind::None; });
    grouped = pureAggregate || !r.groupBy.empty();
    for (const TResultDataField& item : r.resultFields) {
        const std::string name = BaseResultName(item);
        if (hollin::SameName(name, kRowNumberName))
            TSqlLexer::RaiseError("Invalid use of reserved field name " + Quoted(name) + "in source columns");
        if (!grouped && item.aggregate != TAggregateKind::None)
            TSqlLexer::RaiseError("Invalid use of aggregate function for column " + Quoted(item.sourceText) +
                                  ", the necessary GROUP BY clause is missing");
    }

    // "*" becomes every column of its table (or of every table).
    std::vector<TResultDataField> expanded;
    for (TResultDataField& item : r.resultFields) {
        if (!IsStar(*item.expression)) {
            expanded.push_back(std::move(item));
            continue;
        }
        if (!item.alias.empty())
            TSqlLexer::RaiseError("Invalid use of column correlation name " + Quoted(item.alias) + " for " +
                                  Quoted("*") + " specified in source columns");
        const std::string& correlation = item.expression->tableCorrelation;
        bool found = false;
        for (const auto& table : r.sourceTables) {
            if (!correlation.empty() && !hollin::SameName(table->correlationName, correlation)) continue;
            found = true;
            for (const FieldDescriptor& field : table->file->Fields()) {
                TResultDataField column;
                column.expression = MakeNode(node::Column, op::None, field.name);
                column.expression->columnName = field.name;
                column.expression->tableCorrelation = table->correlationName;
                column.expression->sourceTable = table.get();
                SetColumnType(field, *column.expression);
                column.sourceText = field.name;
                column.columnName = field.name;
                column.tableCorrelation = table->correlationName;
                expanded.push_back(std::move(column));
            }
        }
        if (!found)
            TSqlLexer::RaiseError("Invalid column name " + Quoted("*") + " or table correlation name " +
                                  Quoted(correlation) + " specified in source columns");
    }
    r.resultFields = std::move(expanded);
    for (const TResultDataField& item : r.resultFields) {
        if (!item.isExpression && !item.expression->sourceTable)
            TSqlLexer::RaiseError("Invalid column name " + Quoted(item.columnName) + " or table correlation name " +
                                  Quoted(item.tableCorrelation) + " specified in source columns");
    }
    resultNames = AssignResultNames(r.resultFields);
    for (const std::string& name : resultNames) {
        if (hollin::SameName(name, kRowNumberName))
            TSqlLexer::RaiseError("Invalid use of reserved field name " + Quoted(name) + "in source columns");
    }

    ResolveOrderAndGroup();
    MatchIndex();
    const bool indexMatches = matchingIndex >= 0;
    if (!indexMatches) matchingIndex = 0;
    live = query.m_settings.requestLive && !distinct && r.sourceTables.size() == 1 && !r.severalTables && !grouped &&
           (r.orderBy.empty() || indexMatches) && !r.hasResultTable;
}

void TDataQuery::Execution::ResolveOrderAndGroup() {
    const TParseResult& r = query.m_result;
    const int count = static_cast<int>(r.resultFields.size());
    auto find = [&](int number, const std::string& column, const std::string& correlation,
                    const std::string& clause) -> int {
        if (number != 0) {
            if (number < 1 || number > count)
                TSqlLexer::RaiseError("Invalid column number " + Quoted(std::to_string(number)) + " specified in " +
                                      clause);
            return number - 1;
        }
        for (int i = 0; i < count; ++i) {
            const TResultDataField& item = r.resultFields[static_cast<std::size_t>(i)];
            if (!item.isExpression && hollin::SameName(item.columnName, column) &&
                (correlation.empty() || hollin::SameName(item.expression->sourceTable->correlationName, correlation)))
                return i;
        }
        if (correlation.empty()) {
            for (int i = 0; i < count; ++i)
                if (hollin::SameName(resultNames[static_cast<std::size_t>(i)], column)) return i;
        }
        TSqlLexer::RaiseError("Invalid column name " + Quoted(column) + " or table correlation name " +
                              Quoted(correlation) + " specified in " + clause);
    };
    for (const TOrderByDataField& item : r.orderBy) {
        orderColumns.push_back(find(item.columnNumber, item.columnName, item.tableCorrelation, "ORDER BY clause"));
        orderDescending.push_back(item.descending);
    }
    for (const TGroupByDataField& item : r.groupBy)
        groupColumns.push_back(find(item.columnNumber, item.columnName, item.tableCorrelation, "GROUP BY clause"));
}

void TDataQuery::Execution::MatchIndex() {
    const TParseResult& r = query.m_result;
    matchingIndex = -1;
    if (r.orderBy.empty() || distinct || r.sourceTables.size() != 1 || r.severalTables || grouped ||
        r.hasResultTable)
        return;
    std::vector<uint16_t> fields;
    for (int column : orderColumns) {
        const TResultDataField& item = r.resultFields[static_cast<std::size_t>(column)];
        if (item.isExpression) return;
        fields.push_back(item.expression->fieldNumber);
    }
    TDataFile& file = *files.front();
    TIndexFile& index = file.Index();
    for (int slot = kPrimarySlot; slot <= kMaxSecondaryIndexes; ++slot) {
        if (!index.SlotUsed(slot)) continue;
        const IndexDescriptor& d = index.Descriptor(slot);
        if (d.fieldCount != fields.size()) continue;
        bool same = true, anyString = false;
        for (std::size_t i = 0; i < fields.size() && same; ++i) {
            same = d.fieldNumbers[i] == fields[i] && (d.fieldDescending[i] != 0) == orderDescending[i];
            if (fields[i] >= 1 && fields[i] <= file.Fields().size())
                anyString = anyString || file.Fields()[fields[i] - 1].physType == phys::String;
        }
        // Case sensitivity only orders texts.
        if (same && anyString && d.caseInsensitive != r.orderNoCase) same = false;
        if (same) {
            matchingIndex = slot;
            return;
        }
    }
}

void TDataQuery::Execution::AnalyseTargets() {
    TParseResult& r = query.m_result;
    TDataFile& file = *files.front();
    const ColumnResolver resolver = Resolver();
    for (TUpdateDataField& target : r.updateFields) {
        if (IsStar(*target.expression)) {
            for (const FieldDescriptor& field : file.Fields()) targetFields.push_back(field.number);
            continue;
        }
        // Only a column of the target table can receive a value; anything
        // else (a constant, an expression) would index no field at all.
        const TExpressionNode& column = *target.expression;
        if (column.nodeClass != node::Column)
            TSqlLexer::RaiseError("Column name expected in list of table columns, instead found '" + PrintTree(&column) + "'");
        TypeExpression(*target.expression, "table columns", resolver);
        if (column.fieldNumber < 1 || column.fieldNumber > file.Fields().size())
            TSqlLexer::RaiseError("Column " + column.name + " is not a column of the target table");
        targetFields.push_back(column.fieldNumber);
    }
    if (targetFields.size() != r.updateValues.size())
        TSqlLexer::RaiseError("The number of values must match the number of table columns");
    // Without parameters the values can be typed now, so that errors show
    // at once; with them the typing waits for their types.
    if (r.parameters.empty()) TypedValues();
}

std::vector<std::unique_ptr<TExpressionNode>> TDataQuery::Execution::TypedValues() const {
    std::vector<std::unique_ptr<TExpressionNode>> values;
    const ColumnResolver resolver = Resolver();
    for (const TUpdateDataValue& value : query.m_result.updateValues) {
        values.push_back(value.expression->Clone());
        TypeExpression(*values.back(), "update values", resolver);
    }
    return values;
}

std::unique_ptr<TExpressionNode> TDataQuery::Execution::TypedCondition() const {
    if (!query.m_result.condition) return nullptr;
    auto condition = query.m_result.condition->Clone();
    TypeExpression(*condition, "WHERE or JOIN clause", Resolver());
    if (condition->dataType != dtype::Boolean)
        TSqlLexer::RaiseError("WHERE or JOIN clause must be a boolean expression");
    return condition;
}

void TDataQuery::Execution::CheckCondition() {
    const TParseResult& r = query.m_result;
    std::unique_ptr<TExpressionNode> probe;
    if (r.parameters.empty()) {
        probe = TypedCondition();
    } else {
        probe = r.condition->Clone();
        ResolveColumns(*probe, Resolver(), "WHERE or JOIN clause");
    }
    if (r.sourceTables.size() > 1) CheckJoinConditions(*probe, Tables());
}

void TDataQuery::Execution::CreateResult() {
    const TParseResult& r = query.m_result;
    const TQuerySettings& s = query.m_settings;
    if (distinct && r.resultFields.size() > kMaxDistinctColumns)
        TSqlLexer::RaiseError("Maximum number of columns (" + std::to_string(kMaxDistinctColumns) +
                              ") in DISTINCT clause " + "exceeded");
    TResultTableShape shape;
    for (std::size_t i = 0; i < r.resultFields.size(); ++i) {
        const TResultDataField& item = r.resultFields[i];
        FieldDescriptor field;
        if (item.isExpression) {
            field = ExpressionField(item);
        } else {
            const TExpressionNode& column = *item.expression;
            field = column.sourceTable->file->Fields()[column.fieldNumber - 1];
            if (field.IsAutoInc()) field.subType = subtype::None;
            field.required = false;
            field.minimum.clear();
            field.maximum.clear();
            field.defaultValue.clear();
            field.description.clear();
            field.computed = false;
            field.expression.clear();
        }
        field.name = resultNames[i];
        shape.columns.push_back(field);
    }
    shape.orderColumns = orderColumns;
    shape.orderDescending = orderDescending;
    shape.orderNoCase = r.orderNoCase;
    const bool someColumnNotAggregate =
        std::any_of(r.resultFields.begin(), r.resultFields.end(),
                    [](const TResultDataField& item) { return item.aggregate == TAggregateKind::None; });
    if (!r.groupBy.empty() && someColumnNotAggregate) shape.groupColumns = groupColumns;
    shape.distinct = distinct;
    layout = BuildResultLayout(shape);

    if (r.hasResultTable) {
        resultPath = ResolveTablePath(r.resultTableName, s.privateDir);
        resultTemporary = false;
    } else {
        resultPath = TemporaryResultPath(s.privateDir);
        resultTemporary = true;
    }
    // This engine cannot open an encrypted table: refuse before writing one.
    if (r.encrypted) RaiseEngineError(err::PasswordRequired, resultPath);
    // Creating the result over a table the statement reads would destroy it
    // (a temporary name is one that no table bears).
    if (!resultTemporary) {
        const std::string dataPath = TFileHandler::ResolveCaseInsensitive(MakeTableFileName(resultPath, ".DAT"));
        for (const auto& file : files) {
            std::error_code error;
            if (std::filesystem::equivalent(dataPath, file->FileName(), error))
                RaiseEngineError(err::AccessDenied, file->FileName());
        }
    }
    CreateResultTable(resultPath, layout, resultTemporary);
    resultCreated = true;
}

}  // namespace larch
