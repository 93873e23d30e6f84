// The writing blob stream that reports its change when released.
#include "dataset/field_change_stream.h"

namespace hollin {

TFieldChangeStream::~TFieldChangeStream() {
    // The inner stream goes first: the field's new value is complete then.
    m_inner.reset();
    if (!m_changed || !m_onChanged) return;
    try {
        m_onChanged();
    } catch (...) {
        // A destructor cannot report; the listeners show their own errors.
    }
}

std::size_t TFieldChangeStream::Write(const void* buffer, std::size_t count) {
    std::size_t written = m_inner->Write(buffer, count);
    if (count > 0) m_changed = true;
    return written;
}

void TFieldChangeStream::Truncate() {
    m_inner->Truncate();
    m_changed = true;
}

}  // namespace hollin
