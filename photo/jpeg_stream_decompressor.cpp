// The stream source manager of the decompressor, its marker processors and the
// shared default decompressor.
#include "photo/jpeg_stream_decompressor.h"

#include <algorithm>

#include <jerror.h>

#include "photo/bitmap.h"
#include "photo/photo_errors.h"
#include "photo/picture.h"
#include "dataset/file_stream.h"

namespace hollin {

namespace {

constexpr std::size_t kDefaultBufferSize = 4096;
// Supplied when the stream ends early, so that the library finishes the image
// with what it has.
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

TJPEGStreamDecompressor* g_defaultDecompressor = nullptr;

}  // namespace

TJPEGStreamDecompressor::TJPEGStreamDecompressor(QObject* owner)
    : TJPEGDecompressor(owner), m_buffer(kDefaultBufferSize)
{
    EmptyBuffer();
    if (g_defaultDecompressor == nullptr) {
        g_defaultDecompressor = this;
    }
}

TJPEGStreamDecompressor::~TJPEGStreamDecompressor()
{
    if (g_defaultDecompressor == this) {
        g_defaultDecompressor = nullptr;
    }
}

TJPEGStreamDecompressor* TJPEGStreamDecompressor::DefaultDecompressor()
{
    return g_defaultDecompressor;
}

void TJPEGStreamDecompressor::DecompressToPicture(TStream& stream, TPicture* picture)
{
    if (picture == nullptr) {
        throw EJPEGError("The Image Property is empty!");
    }
    QImage image = DecompressBitmap(stream);
    picture->SetGraphic(std::make_unique<TBitmap>(std::move(image)));
}

QImage TJPEGStreamDecompressor::DecompressBitmap(TStream& stream)
{
    return ImageFromDIB(DecodeStream(stream, std::nullopt));
}

TDIB TJPEGStreamDecompressor::DecompressToDIB(TStream& stream)
{
    return DecodeStream(stream, std::nullopt);
}

TDIB TJPEGStreamDecompressor::DecompressToDIB(TStream& stream, TJPEGOutputMode mode)
{
    return DecodeStream(stream, mode);
}

TDIB TJPEGStreamDecompressor::DecodeStream(TStream& stream, std::optional<TJPEGOutputMode> mode)
{
    TRunScope run(*this);
    m_stream = &stream;
    try {
        TDIB dib = Decode(mode);
        m_stream = nullptr;
        return dib;
    } catch (...) {
        ResetAfterFailure();
        throw;
    }
}

void TJPEGStreamDecompressor::SetInputBufferSize(std::size_t size)
{
    if (m_source.bytes_in_buffer > 0) {
        throw EJPEGError("Cannot change buffer size while buffer is in use");
    }
    if (size == 0) {
        throw EJPEGError("Invalid buffer size");
    }
    m_buffer.assign(size, 0);
    EmptyBuffer();
}

void TJPEGStreamDecompressor::EmptyBuffer()
{
    m_source.next_input_byte = m_buffer.data();
    m_source.bytes_in_buffer = 0;
    m_bufferFromStream = false;
}

void TJPEGStreamDecompressor::ResetAfterFailure()
{
    TJPEGDecompressor::ResetAfterFailure();
    EmptyBuffer();
    m_stream = nullptr;
    m_inMarkerEvent = false;
}

void TJPEGStreamDecompressor::InitSource()
{
    EmptyBuffer();
    m_startOfFile = true;
}

TJPEGDecompressor::TFillResult TJPEGStreamDecompressor::FillBuffer()
{
    const std::size_t count = m_stream->Read(m_buffer.data(), m_buffer.size());
    if (count == 0) {
        if (m_startOfFile) {
            return TFillResult::frEmptyInput;
        }
        m_source.next_input_byte = kEndOfImage;
        m_source.bytes_in_buffer = sizeof kEndOfImage;
        m_bufferFromStream = false;
        return TFillResult::frEndOfData;
    }
    m_source.next_input_byte = m_buffer.data();
    m_source.bytes_in_buffer = count;
    m_bufferFromStream = true;
    m_startOfFile = false;
    return TFillResult::frFilled;
}

void TJPEGStreamDecompressor::SkipData(long count)
{
    if (count <= 0) {
        return;
    }
    const auto wanted = static_cast<unsigned long>(count);
    if (wanted <= m_source.bytes_in_buffer) {
        m_source.next_input_byte += wanted;
        m_source.bytes_in_buffer -= wanted;
        return;
    }
    const std::size_t beyond = wanted - m_source.bytes_in_buffer;
    EmptyBuffer();
    m_stream->Seek(static_cast<std::int64_t>(beyond), TSeekOrigin::Current);
}

void TJPEGStreamDecompressor::TermSource()
{
    // Hand back what was read beyond the image, so that the stream stands
    // just after it.
    if (m_bufferFromStream && m_source.bytes_in_buffer > 0) {
        m_stream->Seek(-static_cast<std::int64_t>(m_source.bytes_in_buffer), TSeekOrigin::Current);
    }
    EmptyBuffer();
}

std::uint8_t TJPEGStreamDecompressor::NextMarkerByte()
{
    if (!m_bufferFromStream && m_source.bytes_in_buffer > 0) {
        // Only the supplied end-of-image is left: the stream has ended.
        throw EJPEGError("Read beyond end of JPEG source");
    }
    if (m_source.bytes_in_buffer == 0) {
        const std::size_t count = m_stream->Read(m_buffer.data(), m_buffer.size());
        if (count == 0) {
            throw EJPEGError("Read beyond end of JPEG source");
        }
        m_source.next_input_byte = m_buffer.data();
        m_source.bytes_in_buffer = count;
        m_bufferFromStream = true;
        m_startOfFile = false;
    }
    --m_source.bytes_in_buffer;
    return *m_source.next_input_byte++;
}

std::size_t TJPEGStreamDecompressor::MarkerLength()
{
    const std::size_t high = NextMarkerByte();
    const std::size_t length = (high << 8) | NextMarkerByte();
    if (length < 2) {
        throw EJPEGError(LibraryMessage(JERR_BAD_LENGTH));
    }
    return length - 2;
}

std::string TJPEGStreamDecompressor::ReadMarkerBytes(std::size_t count)
{
    std::string data;
    data.reserve(count);
    while (data.size() < count) {
        if (m_source.bytes_in_buffer == 0 || !m_bufferFromStream) {
            data.push_back(static_cast<char>(NextMarkerByte()));
            continue;
        }
        const std::size_t taken = std::min(count - data.size(), m_source.bytes_in_buffer);
        data.append(reinterpret_cast<const char*>(m_source.next_input_byte), taken);
        m_source.next_input_byte += taken;
        m_source.bytes_in_buffer -= taken;
    }
    return data;
}

void TJPEGStreamDecompressor::HandleComment()
{
    const std::string comment = ReadMarkerBytes(MarkerLength());
    if (!comment.empty() && OnJPEGComment) {
        OnJPEGComment(*this, comment);
    }
}

void TJPEGStreamDecompressor::HandleApplicationMarker(int marker)
{
    bool done = false;
    m_markerConsumed = false;
    if (OnJPEGMarker) {
        m_inMarkerEvent = true;
        try {
            OnJPEGMarker(*this, marker, done);
        } catch (...) {
            m_inMarkerEvent = false;
            throw;
        }
        m_inMarkerEvent = false;
    }
    if (m_markerConsumed || done) {
        return;
    }
    const std::size_t length = MarkerLength();
    SkipData(static_cast<long>(length));
}

std::string TJPEGStreamDecompressor::ReadMarkerData()
{
    if (!m_inMarkerEvent || m_markerConsumed) {
        throw EJPEGError("ReadMarkerData is only possible inside OnJPEGMarker");
    }
    m_markerConsumed = true;
    return ReadMarkerBytes(MarkerLength());
}

}  // namespace hollin
