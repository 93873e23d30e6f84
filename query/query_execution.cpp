// TDataQuery's construction and the lifetime of its execution state.
#include "query/query_execution.h"

namespace larch {

TDataQuery::TDataQuery() : m_execution(std::make_unique<Execution>()) {}

TDataQuery::~TDataQuery() = default;

}  // namespace larch
