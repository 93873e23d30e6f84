// The table list of the windows.
#include "views/table_list.h"

#include "data/dm2.h"

namespace hollin::ui {

TTableList ListTables(const Tdm2& dm2) {
    TTableList list;
    list.names = dm2.TableListNames();
    try {
        dm2.WriteTableList(list.names);
    } catch (...) {
        list.writeError = std::current_exception();
    }
    return list;
}

}  // namespace hollin::ui
