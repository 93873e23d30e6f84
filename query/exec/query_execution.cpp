// TDataQuery's execution state: its lifetime, parameter binding, running the
// prepared statement and the accessors of its results.
#include "query/exec/query_execution.h"

#include <algorithm>
#include <cstring>

#include "dataset/dataset_errors.h"
#include "engine/files/engine_error.h"
#include "query/expr/node_store.h"
#include "query/sql/sql_lexer.h"
#include "query/exec/where_rewrite.h"

namespace larch {

namespace {

const std::vector<TLiveColumn> kNoColumns;

}  // namespace

TDataQuery::TDataQuery() : m_execution(std::make_unique<Execution>(*this)) {}

TDataQuery::~TDataQuery() = default;

TDataQuery::Execution::~Execution() {
    Release();
}

void TDataQuery::Execution::RemoveFilters() noexcept {
    for (auto& list : filters) {
        try {
            list->RemoveAll();
        } catch (...) {
        }
    }
}

void TDataQuery::Execution::Release() noexcept {
    RemoveFilters();
    filters.clear();
    for (auto& table : query.m_result.sourceTables) {
        table->file = nullptr;
        table->record = nullptr;
    }
    for (auto& file : files) {
        try {
            file->Close();
        } catch (...) {
            // Closing a source table that was only read loses nothing.
        }
    }
    files.clear();
    if (resultCreated && resultTemporary) DeleteTableFiles(resultPath);
    resultCreated = false;
    analysed = false;
}

void TDataQuery::Execution::Bind(const TLarchParams& params) {
    const std::vector<TExpressionNode*>& markers = query.m_result.parameters;
    for (int i = 0; i < params.Count(); ++i) {
        const TLarchParam& param = params.Items(i);
        const PhysicalType type = param.EngineType();
        if (type.type == 0) hollin::DatabaseErrorFmt("No value for parameter '%s'", {param.Name()});
        if (static_cast<std::size_t>(i) >= markers.size()) TSqlLexer::RaiseError("Internal parameter error");
        TExpressionNode& n = *markers[static_cast<std::size_t>(i)];
        const std::vector<uint8_t> data = param.EngineData();
        n.value.fill(0);
        n.dataType = NodeTypeOfField(type.type);
        n.subType = type.subType;
        n.decimals = n.dataType == dtype::Bcd ? 4 : 0;
        n.isNull = param.IsNull();
        switch (n.dataType) {
            case dtype::String: {
                std::string text(reinterpret_cast<const char*>(data.data()),
                                 ::strnlen(reinterpret_cast<const char*>(data.data()), data.size()));
                if (text.size() > kNodeValueSize - 1) text.resize(kNodeValueSize - 1);
                n.SetString(text);
                n.size = static_cast<uint8_t>(text.size() + 1);
                n.isNull = n.isNull || text.empty();
                break;
            }
            case dtype::Boolean:
                n.SetInt16(std::any_of(data.begin(), data.end(), [](uint8_t b) { return b != 0; }) ? int16_t{-1}
                                                                                                   : int16_t{0});
                n.size = 2;
                break;
            default: {
                const std::size_t count = std::min(data.size(), kNodeValueSize);
                std::memcpy(n.value.data(), data.data(), count);
                n.size = static_cast<uint8_t>(std::min<std::size_t>(data.size(), 255));
                break;
            }
        }
    }
}

void TDataQuery::Execution::Execute() {
    if (!analysed) hollin::DatabaseError("No SQL statement available");
    RemoveFilters();
    resultCount = 0;
    affectedRows = 0;
    const TStatementKind kind = query.m_result.kind;
    std::unique_ptr<TExpressionNode> working = TypedCondition();
    if (working) RewriteCondition(*working, CompareLanguage{});
    switch (kind) {
        case TStatementKind::Select:
            if (live) {
                // The component shows the table through this condition itself.
                liveCondition = std::move(working);
            } else {
                ExecuteSelect(std::move(working));
            }
            break;
        case TStatementKind::Insert: ExecuteInsert(); break;
        case TStatementKind::Update:
        case TStatementKind::Delete: ExecuteChange(std::move(working), kind == TStatementKind::Delete); break;
        default: break;
    }
}

void TDataQuery::BindParameters(const TLarchParams& params) {
    m_execution->Bind(params);
}

void TDataQuery::Execute() {
    m_execution->Execute();
}

void TDataQuery::Unprepare() {
    m_execution->Release();
    m_execution = std::make_unique<Execution>(*this);
    Clear();
}

bool TDataQuery::IsLive() const {
    return m_execution->live;
}

std::string TDataQuery::LiveTablePath() const {
    if (!m_execution->live || m_execution->files.empty()) return {};
    return m_execution->files.front()->FileName();
}

int TDataQuery::MatchingIndex() const {
    return m_execution->matchingIndex;
}

const TExpressionNode* TDataQuery::LiveCondition() const {
    return m_execution->liveCondition.get();
}

const std::vector<TLiveColumn>& TDataQuery::LiveColumns() const {
    return m_execution->live ? m_execution->liveColumns : kNoColumns;
}

bool TDataQuery::ResultIsTemporary() const { return m_execution->resultCreated && m_execution->resultTemporary; }

std::string TDataQuery::ResultTablePath() const {
    if (!m_execution->resultCreated) return {};
    return MakeTableFileName(m_execution->resultPath, ".DAT");
}

uint32_t TDataQuery::ResultRecordCount() const {
    return m_execution->resultCount;
}

uint32_t TDataQuery::AffectedRows() const {
    return m_execution->affectedRows;
}

}  // namespace larch
