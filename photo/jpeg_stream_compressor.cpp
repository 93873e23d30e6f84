// The stream destination manager of the compressor, picture and bitmap
// compression, and the shared default compressor.
#include "photo/jpeg_stream_compressor.h"

#include <QPainter>

#include "photo/bitmap.h"
#include "photo/metafile.h"
#include "photo/photo_errors.h"
#include "photo/picture.h"
#include "dataset/file_stream.h"

namespace hollin {

namespace {

constexpr std::size_t kDefaultBufferSize = 4096;

TJPEGStreamCompressor* g_defaultCompressor = nullptr;

[[noreturn]] void ThrowRenderFailure()
{
    throw EJPEGError("Unable to render metafile as a bitmap - PlayEnhMetaFile returned 0");
}

// Draws the metafile at its own size onto a white bitmap.
QImage RenderMetafile(const TMetafile& metafile)
{
    QImage image(metafile.Width(), metafile.Height(), QImage::Format_RGB32);
    if (image.isNull()) {
        ThrowRenderFailure();
    }
    image.fill(Qt::white);
    QPainter painter;
    if (!painter.begin(&image)) {
        ThrowRenderFailure();
    }
    painter.translate(-metafile.Origin());
    QPicture picture = metafile.Picture();
    const bool played = picture.play(&painter);
    painter.end();
    if (!played) {
        ThrowRenderFailure();
    }
    return image;
}

}  // namespace

TJPEGStreamCompressor::TJPEGStreamCompressor(QObject* owner)
    : TJPEGCompressor(owner), m_buffer(kDefaultBufferSize)
{
    ClearBuffer();
    if (g_defaultCompressor == nullptr) {
        g_defaultCompressor = this;
    }
}

TJPEGStreamCompressor::~TJPEGStreamCompressor()
{
    if (g_defaultCompressor == this) {
        g_defaultCompressor = nullptr;
    }
}

TJPEGStreamCompressor* TJPEGStreamCompressor::DefaultCompressor()
{
    return g_defaultCompressor;
}

void TJPEGStreamCompressor::CompressPicture(const TPicture& picture, TStream& stream)
{
    const TGraphic* graphic = picture.Graphic();
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic)) {
        CompressBitmap(bitmap->Image(), stream);
        return;
    }
    if (const auto* metafile = dynamic_cast<const TMetafile*>(graphic)) {
        CompressBitmap(RenderMetafile(*metafile), stream);
        return;
    }
    throw EJPEGError("cannot save a picture that is neither a bitmap nor metafile");
}

void TJPEGStreamCompressor::CompressBitmap(const QImage& bitmap, TStream& stream)
{
    CompressDIB(DIBFromImage(bitmap), stream);
}

void TJPEGStreamCompressor::CompressDIB(const TDIB& dib, TStream& stream)
{
    TRunScope run(*this);
    m_stream = &stream;
    try {
        Compress(dib);
        m_stream = nullptr;
    } catch (...) {
        ResetAfterFailure();
        throw;
    }
}

void TJPEGStreamCompressor::SetOutputBufferSize(std::size_t size)
{
    if (m_destination.free_in_buffer < m_buffer.size()) {
        throw EJPEGError("Cannot change buffer size while buffer is in use");
    }
    if (size == 0) {
        throw EJPEGError("Invalid buffer size");
    }
    m_buffer.assign(size, 0);
    ClearBuffer();
}

void TJPEGStreamCompressor::ClearBuffer()
{
    m_destination.next_output_byte = m_buffer.data();
    m_destination.free_in_buffer = m_buffer.size();
}

void TJPEGStreamCompressor::ResetAfterFailure()
{
    TJPEGCompressor::ResetAfterFailure();
    ClearBuffer();
    m_stream = nullptr;
}

void TJPEGStreamCompressor::InitDestination()
{
    ClearBuffer();
}

void TJPEGStreamCompressor::EmptyBuffer()
{
    // The library asks for the whole buffer to be written, whatever
    // free_in_buffer says.
    m_stream->Write(m_buffer.data(), m_buffer.size());
    ClearBuffer();
}

void TJPEGStreamCompressor::TermDestination()
{
    const std::size_t used = m_buffer.size() - m_destination.free_in_buffer;
    if (used > 0) {
        m_stream->Write(m_buffer.data(), used);
    }
    ClearBuffer();
}

}  // namespace hollin
