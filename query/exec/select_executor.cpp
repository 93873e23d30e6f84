// Executing a canned SELECT: conditions pushed down to the source tables,
// the row combinations enumerated through the join links, and the result
// table filled.
#include <cmath>
#include <optional>

#include "engine/data/larch_scopes.h"
#include "engine/records/record_fields.h"
#include "query/exec/query_execution.h"
#include "query/filter/record_set_builder.h"
#include "query/exec/result_rows.h"
#include "query/exec/where_rewrite.h"

namespace larch {

namespace {

// Read locks held on the source tables for the whole scan (WITH LOCKS).
class HeldReadLocks {
public:
    void Hold(TDataFile& file) {
        file.HoldReadLock();
        m_files.push_back(&file);
    }
    ~HeldReadLocks() {
        for (TDataFile* file : m_files) {
            try {
                file->ReleaseReadLock();
            } catch (...) {
            }
        }
    }

private:
    std::vector<TDataFile*> m_files;
};

// The result table, open exclusively while it is filled and closed after.
class OpenResult {
public:
    OpenResult(const std::string& path, bool temporary) {
        m_file.SetExclusive(true);
        m_file.SetTemporary(temporary);
        m_file.SetFileName(path);
        m_file.Open();
    }
    ~OpenResult() {
        try {
            if (m_file.IsOpen()) m_file.Close();
        } catch (...) {
        }
    }
    TDataFile& File() { return m_file; }

private:
    TDataFile m_file;
};

bool IsCountStar(const TResultDataField& item) {
    const TExpressionNode& n = *item.expression;
    return item.aggregate == TAggregateKind::Count && n.left && n.left->nodeClass == node::Column &&
           (n.left->columnName == "*" || (n.left->columnName.empty() && n.left->name == "*"));
}

}  // namespace

void TDataQuery::Execution::ExecuteSelect(std::unique_ptr<TExpressionNode> working) {
    const TParseResult& r = query.m_result;
    const std::vector<TSourceDataFile*> tables = Tables();
    const std::size_t count = tables.size();
    const CompareLanguage language{};
    const ColumnProvider provider = Provider();

    // What each table filters by itself goes down to it as a filter; links
    // are bound per row; the rest is tested per row combination.
    TConditionPlan plan;
    if (pureAggregate && count == 1) {
        plan.tableParts.resize(1);
        plan.links.resize(1);
        plan.outer.assign(1, false);
        if (working) plan.tableParts[0].push_back(std::move(working));
    } else {
        plan = PlanCondition(std::move(working), tables);
    }
    // COUNT(*) over one table whose condition one index answers: the count
    // of its key ranges, from the subtree counts alone.
    const bool countStar =
        pureAggregate && count == 1 && r.resultFields.size() == 1 && IsCountStar(r.resultFields[0]);
    std::optional<uint32_t> indexCount;
    if (countStar && !plan.tableParts[0].empty() && !r.withLocks) {
        ReadScope read(*files[0]);
        std::unique_ptr<TExpressionNode> condition = JoinConjuncts(std::move(plan.tableParts[0]));
        uint32_t counted = 0;
        if (CountFromIndex(*condition, *files[0], counted)) indexCount = counted;
        else plan.tableParts[0].push_back(std::move(condition));
    }
    for (std::size_t k = 0; k < count; ++k) {
        if (plan.tableParts[k].empty()) continue;
        ReadScope read(*files[k]);
        TFilter* filter = filters[k]->AddTree(JoinConjuncts(std::move(plan.tableParts[k])), true);
        filters[k]->Activate(filter);
    }
    std::unique_ptr<TExpressionNode> residual = JoinConjuncts(std::move(plan.residual));
    std::vector<TFilter*> linkFilters(count, nullptr);

    HeldReadLocks locks;
    if (r.withLocks)
        for (auto& file : files) locks.Hold(*file);

    OpenResult opened(resultPath, resultTemporary);
    TDataFile& result = opened.File();
    result.Empty();
    TResultRowWriter writer(result, layout, r.resultFields, pureAggregate, provider, language);

    const auto& progress = query.m_settings.progress;
    const uint32_t total = files.front()->Index().RecordCount();
    uint32_t visited = 0;
    bool aborted = false;
    auto report = [&](uint32_t current, int percent) {
        if (!progress) return;
        bool abort = false;
        progress(current, percent, abort);
        aborted = aborted || abort;
    };

    if (countStar) {
        // COUNT(*) over one table: the count of its filtered records.
        TFilterList& list = *filters[0];
        const uint32_t records =
            indexCount ? *indexCount : list.AnyActive() ? list.Count() : files[0]->Index().RecordCount();
        report(records, 100);
        writer.AddCount(records);
    } else {
        // The candidate records of table k for the current rows before it.
        auto candidates = [&](std::size_t k, RecordSet& set) -> bool {
            TDataFile& file = *files[k];
            ReadScope read(file);
            if (!plan.links[k].empty()) {
                std::unique_ptr<TExpressionNode> bound = BoundLinkCondition(plan.links[k], provider, language);
                if (!bound) return false;
                if (!linkFilters[k]) {
                    linkFilters[k] = filters[k]->AddTree(std::move(bound), false);
                    filters[k]->Activate(linkFilters[k]);
                } else {
                    filters[k]->SetTree(linkFilters[k], std::move(bound), false);
                }
            }
            if (filters[k]->AnyActive()) {
                set = filters[k]->Combined();
            } else {
                const uint32_t next = file.Header().nextRecordNumber;
                set = MakeRecordSet(next);
                for (uint32_t n = 1; n < next; ++n) AddRecord(set, n);
            }
            return true;
        };
        std::function<void(std::size_t)> visit = [&](std::size_t k) {
            if (k == count) {
                if (!residual || EvaluateCondition(*residual, provider, language)) writer.AddRow();
                return;
            }
            RecordSet set;
            bool matched = false;
            if (candidates(k, set)) {
                TDataFile& file = *files[k];
                // Asking for the next record number would append a record.
                const uint32_t next = file.Header().nextRecordNumber;
                std::vector<uint32_t> wanted;
                ForEachRecord(set, [&](uint32_t n) {
                    if (n < next) wanted.push_back(n);
                });
                file.ScanRecords(wanted, [&](uint32_t, const uint8_t* image) {
                    if (aborted) return false;
                    if (image[0] != kRecordInUse) return true;
                    records[k].assign(image, image + file.ImageSize());
                    if (k == 0) {
                        ++visited;
                        report(visited, total == 0 ? 100 : static_cast<int>(std::lround(visited * 100.0 / total)));
                        if (aborted) return false;
                    }
                    tables[k]->record = records[k].data();
                    matched = true;
                    visit(k + 1);
                    return true;
                });
            }
            // An outer link keeps the earlier rows that found no partner.
            if (!matched && !aborted && k > 0 && plan.outer[k]) {
                tables[k]->record = nullptr;
                visit(k + 1);
            }
            tables[k]->record = nullptr;
        };
        visit(0);
    }
    writer.Finish();
    result.FlushAll();
    resultCount = result.Index().RecordCount();
    RemoveFilters();
}

}  // namespace larch
