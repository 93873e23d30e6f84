// TLarchQuery: statement text and parameters, prepare, execute and the
// opening of the live or canned result.
#include "engine/cursor/larch_query.h"

#include <algorithm>
#include <cstring>

#include "dataset/dataset_errors.h"
#include "dataset/field.h"
#include "engine/records/field_types.h"
#include "engine/cursor/larch_session.h"
#include "query/expr/expression_eval.h"
#include "query/sql/param_scan.h"

namespace larch {

using namespace hollin;

namespace {

constexpr const char* kNoStatement = "No SQL statement available";
constexpr const char* kOpenDataSet = "Cannot perform this operation on an open dataset";
constexpr const char* kCircularLinks = "Circular datalinks are not allowed";
constexpr const char* kNoCursor = "Error creating cursor handle";
constexpr const char* kRowNumberColumn = "Row___No";

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += '\n';
        text += lines[i];
    }
    return text;
}

// The field type a computed column is offered as, from its typed tree.
TFieldType ComputedType(const TExpressionNode& node, int& size) {
    size = 0;
    TFieldType type = FieldTypeOf(node.dataType, node.subType);
    switch (type) {
        case ftString:
            size = std::clamp<int>(node.size > 0 ? node.size - 1 : 1, 1, 250);
            return ftString;
        case ftBytes:
        case ftVarBytes:
            size = std::clamp<int>(node.size, 1, 250);
            return type;
        case ftBCD:
            size = 4;  // node values are scaled by 10 000
            return ftBCD;
        case ftUnknown:
        case ftBlob:
        case ftMemo:
        case ftGraphic:
        case ftFmtMemo:
        case ftTypedBinary:
            // A column without a type of its own (NULL) or a blob: offered as text.
            size = 250;
            return ftString;
        default:
            return type;
    }
}

}  // namespace

TLarchQuery::TLarchQuery() : m_link(*this) {}

TLarchQuery::~TLarchQuery() {
    try {
        Close();
    } catch (...) {
    }
    try {
        UnPrepare();
    } catch (...) {
    }
    m_link.SetDataSource(nullptr);
}

// ------------------------------------------------------------ text and parameters

void TLarchQuery::SetSQL(const std::vector<std::string>& lines) {
    if (lines == m_sql) return;
    Close();
    UnPrepare();
    m_sql = lines;
    m_text = JoinLines(m_sql);
    if (m_paramCheck) {
        std::vector<std::string> names = ScanParams(m_text);
        RebuildParams(m_params, names);
    }
}

void TLarchQuery::SetSQL(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    if (text.empty()) lines.clear();
    SetSQL(lines);
}

std::string TLarchQuery::SQLText() const { return JoinLines(m_sql); }

void TLarchQuery::SetRequestLive(bool value) {
    if (value == m_requestLive) return;
    CheckInactive();
    UnPrepare();
    m_requestLive = value;
}

void TLarchQuery::SetDataSource(TDataSource* source) {
    if (source && IsLinkedTo(source)) DatabaseError(kCircularLinks);
    m_link.SetDataSource(source);
}

// ------------------------------------------------------------ prepare

std::string TLarchQuery::DatabaseDirectory() {
    bool attached = Database() != nullptr;
    std::string folder = AttachDatabase();
    if (!attached) DetachDatabase();
    return folder;
}

TQuerySettings TLarchQuery::MakeSettings() {
    TQuerySettings settings;
    settings.requestLive = m_requestLive;
    settings.lockRetryCount = LockRetryCount();
    settings.lockWaitTime = LockWaitTime();
    settings.strictChangeDetection = StrictChangeDetection();
    settings.privateDir = TLarchSessionList::Instance().SessionByName(SessionName()).PrivateDir();
    settings.progress = [this](uint32_t currentRecord, int percentDone, bool& abort) {
        if (OnQueryProgress) {
            OnQueryProgress(*this, static_cast<int32_t>(currentRecord), static_cast<int16_t>(percentDone), abort);
        }
    };
    return settings;
}

void TLarchQuery::PrepareStatement() {
    if (m_statement) return;
    if (m_text.size() < 2) DatabaseError(kNoStatement);
    std::string directory = DatabaseDirectory();
    auto statement = std::make_unique<TDataQuery>();
    statement->SetSettings(MakeSettings());
    statement->Prepare(m_text, directory);  // a failure frees the new object
    m_statement = std::move(statement);
}

void TLarchQuery::Prepare() {
    if (Active()) DatabaseError(kOpenDataSet);
    PrepareStatement();
}

void TLarchQuery::UnPrepare() {
    Close();
    if (!m_statement) return;
    std::unique_ptr<TDataQuery> statement = std::move(m_statement);
    m_live = false;
    statement->Unprepare();
}

// ------------------------------------------------------------ execute

void TLarchQuery::FillFromMaster() {
    TDataSource* source = m_link.DataSource();
    TDataSet* master = source ? source->DataSet() : nullptr;
    if (!master || !master->Active()) return;
    for (int i = 0; i < m_params.Count(); ++i) {
        TLarchParam& param = m_params.Items(i);
        if (param.Bound()) continue;
        if (TField* field = master->FindField(param.Name())) {
            std::string name = param.Name();
            param.AssignField(*field);
            param.SetName(name);  // the marker's spelling stays
        }
    }
}

void TLarchQuery::BindParameters() {
    FillFromMaster();
    if (m_params.Count() > 0) m_statement->BindParameters(m_params);
}

std::string TLarchQuery::ResolveTableFile() {
    if (m_text.size() < 2) DatabaseError(kNoStatement);
    std::string folder = AttachDatabase();  // held while open
    (void)folder;
    PrepareStatement();
    if (m_statement->Kind() != TStatementKind::Select) DatabaseError(kNoCursor);
    BindParameters();
    m_statement->Execute();
    m_live = m_statement->IsLive();
    return m_live ? m_statement->LiveTablePath() : m_statement->ResultTablePath();
}

bool TLarchQuery::OpensExclusively() const {
    return Exclusive() || (!m_live && m_statement && m_statement->ResultIsTemporary());
}

bool TLarchQuery::OpensTemporary() const { return !m_live && m_statement && m_statement->ResultIsTemporary(); }

void TLarchQuery::SelectInitialIndex() { SelectSlotAtOpen(m_live ? m_statement->MatchingIndex() : 0); }

void TLarchQuery::ExecSQL() {
    CheckInactive();
    if (m_text.size() < 2) DatabaseError(kNoStatement);
    PrepareStatement();
    BindParameters();
    m_statement->Execute();
    m_rowsAffected = static_cast<int>(m_statement->Kind() == TStatementKind::Select ? m_statement->ResultRecordCount()
                                                                                  : m_statement->AffectedRows());
}

// ------------------------------------------------------------ the result view

std::vector<TCursorColumn> TLarchQuery::CursorColumns() {
    std::vector<TCursorColumn> columns;
    const auto& fields = DataFile()->Fields();
    if (!m_live) {
        // The canned result without its hidden row number.
        for (const FieldDescriptor& d : fields) {
            if (SameName(d.name, kRowNumberColumn)) continue;
            TCursorColumn column;
            column.name = d.name;
            column.fieldNumber = d.number;
            columns.push_back(std::move(column));
        }
        return columns;
    }
    CompareLanguage language{DataFile()->Header().language, DataFile()->Header().sublanguage};
    for (const TLiveColumn& live : m_statement->LiveColumns()) {
        TCursorColumn column;
        column.name = live.name;
        column.fieldNumber = live.fieldNumber;
        if (live.fieldNumber == 0 && live.expression) {
            std::shared_ptr<const TExpressionNode> expression = live.expression->Clone();
            column.dataType = ComputedType(*expression, column.size);
            TFieldType type = column.dataType;
            int size = column.size;
            column.compute = [this, expression, language, type, size](const uint8_t* image, void* out) {
                const auto& descriptors = DataFile()->Fields();
                ColumnProvider provider = [&](const TExpressionNode& node, TExpressionNode& into) {
                    if (node.fieldNumber >= 1 && node.fieldNumber <= descriptors.size()) {
                        LoadFieldValue(descriptors[node.fieldNumber - 1u], image, into);
                    }
                };
                TExpressionNode result;
                EvaluateExpression(*expression, provider, language, result);
                if (result.isNull || result.dataType == dtype::None) return false;
                if (type == ftString) {
                    std::string text = result.StringValue();
                    if (text.size() > static_cast<std::size_t>(size)) text.resize(static_cast<std::size_t>(size));
                    std::memcpy(out, text.c_str(), text.size() + 1);
                    return true;
                }
                std::size_t width = 0;
                switch (type) {
                    case ftSmallint: case ftWord: case ftBoolean: width = 2; break;
                    case ftInteger: case ftDate: case ftTime: case ftAutoInc: width = 4; break;
                    case ftBytes: case ftVarBytes: width = static_cast<std::size_t>(size); break;
                    default: width = 8; break;
                }
                std::memcpy(out, result.value.data(), std::min(width, result.value.size()));
                return true;
            };
        } else if (live.fieldNumber == 0) {
            continue;  // nothing to show
        }
        columns.push_back(std::move(column));
    }
    return columns;
}

std::unique_ptr<TExpressionNode> TLarchQuery::CursorCondition() {
    if (!m_live) return nullptr;
    const TExpressionNode* condition = m_statement->LiveCondition();
    return condition ? condition->Clone() : nullptr;
}

}  // namespace larch
