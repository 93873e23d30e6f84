// TCursorKeeper: for a walk over a dataset's records. It holds the
// dataset's controls off (no repaint, no dependent query per record) and
// puts the cursor back on the record it stood on when the scope ends, also
// when the walk throws; the controls then get one data change.
#pragma once

#include "dataset/dataset.h"

namespace hollin {

class TCursorKeeper {
public:
    explicit TCursorKeeper(TDataSet& dataSet) : m_dataSet(dataSet), m_bookmark(dataSet.GetBookmark()) {
        m_dataSet.DisableControls();
    }
    ~TCursorKeeper() {
        try {
            if (!m_bookmark.empty() && m_dataSet.Active()) m_dataSet.GotoBookmark(m_bookmark);
        } catch (...) {
            // The record went away meanwhile: the cursor stays where the walk ended.
        }
        m_dataSet.EnableControls();
    }
    TCursorKeeper(const TCursorKeeper&) = delete;
    TCursorKeeper& operator=(const TCursorKeeper&) = delete;

private:
    TDataSet& m_dataSet;
    TBookmark m_bookmark;
};

}  // namespace hollin
