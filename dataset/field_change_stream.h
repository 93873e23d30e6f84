// A blob stream that tells its dataset when it changed the field: the bytes
// of a blob reach the record through a stream, not through a setter, so the
// dataset's field-change event (which controls and status texts follow) fires
// when a writing stream is released.
#pragma once

#include <functional>
#include <memory>

#include "dataset/stream.h"

namespace hollin {

class TFieldChangeStream : public TStream {
public:
    // onChanged runs once, when the stream is destroyed after it was written
    // or cut (changed starts true for a stream that replaced the value).
    TFieldChangeStream(std::unique_ptr<TStream> inner, bool changed, std::function<void()> onChanged)
        : m_inner(std::move(inner)), m_changed(changed), m_onChanged(std::move(onChanged)) {}
    ~TFieldChangeStream() override;

    std::size_t Read(void* buffer, std::size_t count) override { return m_inner->Read(buffer, count); }
    std::size_t Write(const void* buffer, std::size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return m_inner->Seek(offset, origin); }
    int64_t Size() override { return m_inner->Size(); }
    void Truncate() override;

private:
    std::unique_ptr<TStream> m_inner;
    bool m_changed;
    std::function<void()> m_onChanged;
};

}  // namespace hollin
