// Writing and reading the stored form of a parameter list.
#include "query/sql/params_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "dataset/dataset_errors.h"
#include "dataset/date_time.h"

namespace larch {

using namespace hollin;

namespace {

constexpr uint16_t kVersionShort = 1;  // 2-byte counts, 1- and 2-byte lengths
constexpr uint16_t kVersionWide = 2;   // 4-byte counts and lengths

class Writer {
public:
    explicit Writer(bool wide) : m_wide(wide) {}
    void Byte(uint8_t value) { m_out.push_back(value); }
    void Bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        m_out.insert(m_out.end(), p, p + size);
    }
    void Fixed(uint32_t value, int width) {
        for (int i = 0; i < width; ++i) Byte(static_cast<uint8_t>(value >> (8 * i)));
    }
    // A count or value length: 2 bytes, or 4 in the wide form.
    void Count(uint32_t value) { Fixed(value, m_wide ? 4 : 2); }
    // A name length: 1 byte, or 4 in the wide form.
    void NameLength(uint32_t value) { Fixed(value, m_wide ? 4 : 1); }
    std::vector<uint8_t>& Out() { return m_out; }

private:
    bool m_wide;
    std::vector<uint8_t> m_out;
};

// The limit goes into the pattern first, so a "%d" in the name stays as it is.
std::string TooLargeText(const std::string& name) {
    std::string pattern = paramtext::SaveTooLarge;
    pattern.replace(pattern.find("%d"), 2, std::to_string(kMaxParamDataSize));
    return FormatText(pattern, {name});
}

[[noreturn]] void LoadFailed() { DatabaseError(paramtext::LoadFailed); }

class Reader {
public:
    explicit Reader(TStream& stream) : m_stream(stream) {}
    void Bytes(void* buffer, std::size_t size) {
        if (size > Remaining()) LoadFailed();
        if (size != 0 && m_stream.Read(buffer, size) != size) LoadFailed();
    }
    uint32_t Fixed(int width) {
        uint8_t bytes[4] = {};
        Bytes(bytes, static_cast<std::size_t>(width));
        uint32_t value = 0;
        for (int i = 0; i < width; ++i) value |= uint32_t{bytes[i]} << (8 * i);
        return value;
    }
    uint8_t Byte() { return static_cast<uint8_t>(Fixed(1)); }
    void SetWide(bool wide) { m_wide = wide; }
    uint32_t Count() { return Fixed(m_wide ? 4 : 2); }
    uint32_t NameLength() { return Fixed(m_wide ? 4 : 1); }
    // Checked before allocating, so a corrupt length cannot ask for gigabytes.
    std::size_t Remaining() {
        const int64_t left = m_stream.Size() - m_stream.Position();
        return left > 0 ? static_cast<std::size_t>(left) : 0;
    }

private:
    TStream& m_stream;
    bool m_wide = false;
};

template <typename T>
T Load(const std::vector<uint8_t>& bytes) {
    T value;
    std::memcpy(&value, bytes.data(), sizeof(T));
    return value;
}

// The value of `type` held in `bytes` (the engine format), or LoadFailed.
TFieldValue DecodeValue(TFieldType type, const std::vector<uint8_t>& bytes) {
    auto expect = [&](std::size_t size) {
        if (bytes.size() != size) LoadFailed();
    };
    switch (type) {
        case ftString:
        case ftMemo:
        case ftFmtMemo: {
            // Zero-terminated: the last byte must be the terminator.
            if (bytes.empty() || bytes.back() != 0) LoadFailed();
            const auto* text = reinterpret_cast<const char*>(bytes.data());
            return std::string(text, strnlen(text, bytes.size()));
        }
        case ftSmallint: expect(2); return int64_t{Load<int16_t>(bytes)};
        case ftWord: expect(2); return int64_t{Load<uint16_t>(bytes)};
        case ftBoolean: expect(2); return Load<int16_t>(bytes) != 0;
        case ftInteger:
        case ftAutoInc:
        case ftDate: expect(4); return int64_t{Load<int32_t>(bytes)};
        case ftTime: {
            expect(4);
            const int32_t ms = Load<int32_t>(bytes);
            if (ms < 0 || ms >= kMsPerDay) LoadFailed();
            return MakeDateTime(0, ms);
        }
        case ftFloat:
        case ftCurrency: {
            expect(8);
            const double value = Load<double>(bytes);
            if (!std::isfinite(value)) LoadFailed();
            return value;
        }
        case ftBCD: expect(8); return static_cast<double>(Load<int64_t>(bytes)) / 10000.0;
        case ftDateTime: {
            expect(8);
            const double ms = Load<double>(bytes);
            if (!std::isfinite(ms)) LoadFailed();
            return ms / kMsPerDay;
        }
        case ftBytes:
        case ftVarBytes:
        case ftBlob:
        case ftGraphic:
        case ftTypedBinary: return std::string(bytes.begin(), bytes.end());
        default: LoadFailed();
    }
}

}  // namespace

std::vector<uint8_t> SaveParams(const TLarchParams& params) {
    bool wide = params.Count() > std::numeric_limits<uint16_t>::max();
    for (int i = 0; i < params.Count() && !wide; ++i) wide = params.Items(i).Name().size() > 255;

    Writer out(wide);
    out.Fixed(wide ? kVersionWide : kVersionShort, 2);
    out.Count(static_cast<uint32_t>(params.Count()));
    for (int i = 0; i < params.Count(); ++i) {
        const TLarchParam& param = params.Items(i);
        out.NameLength(static_cast<uint32_t>(param.Name().size()));
        out.Bytes(param.Name().data(), param.Name().size());
        out.Byte(param.Kind());
        out.Byte(static_cast<uint8_t>(param.DataType()));
        if (param.DataType() != ftUnknown) {
            const std::size_t size = param.DataSize();
            if (size > kMaxParamDataSize) {
                DatabaseError(TooLargeText(param.Name()));
            }
            const std::vector<uint8_t> data = param.EngineData();
            out.Count(static_cast<uint32_t>(data.size()));
            out.Bytes(data.data(), data.size());
        }
        out.Byte(param.IsNull() ? 1 : 0);
        out.Byte(param.Bound() ? 1 : 0);
    }
    return std::move(out.Out());
}

void WriteParams(const TLarchParams& params, TStream& stream) {
    const std::vector<uint8_t> bytes = SaveParams(params);
    stream.WriteBuffer(bytes.data(), bytes.size());
}

void ReadParams(TLarchParams& params, TStream& stream) {
    Reader in(stream);
    const uint32_t version = in.Fixed(2);
    if (version != kVersionShort && version != kVersionWide) LoadFailed();
    in.SetWide(version == kVersionWide);

    TLarchParams loaded;
    const uint32_t count = in.Count();
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t nameLength = in.NameLength();
        std::string name(std::min<std::size_t>(nameLength, in.Remaining()), '\0');
        if (name.size() != nameLength) LoadFailed();
        in.Bytes(name.data(), name.size());
        const uint8_t kind = in.Byte();
        const uint8_t type = in.Byte();
        if (type > ftTypedBinary) LoadFailed();
        const auto dataType = static_cast<TFieldType>(type);

        TFieldValue value;
        if (dataType != ftUnknown) {
            const uint32_t length = in.Count();
            if (length > in.Remaining()) LoadFailed();
            std::vector<uint8_t> bytes(length);
            in.Bytes(bytes.data(), bytes.size());
            value = DecodeValue(dataType, bytes);
        }
        const bool isNull = in.Byte() != 0;
        const bool bound = in.Byte() != 0;

        TLarchParam& param = loaded.Add(name, dataType, kind);
        if (!isNull && dataType != ftUnknown) param.SetValue(dataType, value);
        param.SetBound(bound);
    }
    params = std::move(loaded);
}

void LoadParams(TLarchParams& params, const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    ReadParams(params, stream);
}

}  // namespace larch
