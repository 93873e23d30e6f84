// The analysis and execution state of a statement object (TDataQuery).
#pragma once

#include "query/data_query.h"

namespace larch {

struct TDataQuery::Execution {
};

}  // namespace larch
