// The compression run: parameters, start of file, comment, markers and the row
// loop over a bottom-up DIB, with the library callbacks of the destination.
#include "photo/jpeg_compressor.h"

#include <jerror.h>

#include "photo/photo_errors.h"

namespace hollin {

TJPEGCompressor::TJPEGCompressor(QObject* owner) : TJPEGBase(owner)
{
    CreateCodec(&CreateStep);
    // The library's defaults, read back so that the properties start at them.
    m_inputGamma = m_info.input_gamma;
    m_dctMethod = m_info.dct_method;
    m_optimizeCoding = m_info.optimize_coding != FALSE;
    m_restartInterval = m_info.restart_interval;
    m_restartInRows = m_info.restart_in_rows;
    m_smoothingFactor = m_info.smoothing_factor;
    m_writeJFIFHeader = m_info.write_JFIF_header != FALSE;
    m_densityUnit = m_info.density_unit;
    m_xDensity = m_info.X_density;
    m_yDensity = m_info.Y_density;
    m_destination.init_destination = &InitDestinationThunk;
    m_destination.empty_output_buffer = &EmptyOutputBufferThunk;
    m_destination.term_destination = &TermDestinationThunk;
    m_info.dest = &m_destination;
}

TJPEGCompressor::~TJPEGCompressor()
{
    jpeg_destroy_compress(&m_info);
}

void TJPEGCompressor::WriteMarker(int marker, const std::string& data)
{
    if (!m_inWriteMarkers) {
        throw EJPEGError("WriteMarker is only possible inside OnWriteMarkers");
    }
    m_markerCode = marker;
    m_markerData = &data;
    Guarded(&WriteMarkerStep);
}

void TJPEGCompressor::Compress(const TDIB& dib)
{
    if (dib.BitCount != 4 && dib.BitCount != 8 && dib.BitCount != 24) {
        throw EJPEGError("Unable to compress at " + std::to_string(dib.BitCount) + " bit resolution");
    }
    if (dib.Width <= 0 || dib.Height <= 0 ||
        dib.Bits.size() / static_cast<std::size_t>(dib.Height) < dib.RowBytes()) {
        throw EJPEGError("Cannot obtain a Device Independent Bitmap");
    }
    m_info.image_width = static_cast<JDIMENSION>(dib.Width);
    m_info.image_height = static_cast<JDIMENSION>(dib.Height);
    m_source = &dib;
    m_rowsInterrupted = false;
    Guarded(&StartStep);

    m_inWriteMarkers = true;
    try {
        if (OnWriteMarkers) {
            OnWriteMarkers(*this);
        }
    } catch (...) {
        m_inWriteMarkers = false;
        throw;
    }
    m_inWriteMarkers = false;
    if (AbortRequested()) {
        ThrowUserInterrupt();
    }

    Guarded(&WriteRowsStep);
    m_source = nullptr;
    if (m_rowsInterrupted) {
        ThrowUserInterrupt();
    }
    // Optimised and progressive files are written by further passes inside
    // the library's finish, so completion is reported after it.
    Guarded(&FinishStep);
    ReportCompletion();
}

void TJPEGCompressor::ExpandRow(const std::uint8_t* from, JSAMPLE* to) const
{
    const TDIB& dib = *m_source;
    const std::size_t colours = dib.ColourTable.size();
    // An index beyond the colour table is shown black.
    auto put = [&](std::size_t x, unsigned index) {
        const QRgb colour = index < colours ? dib.ColourTable[index] : qRgb(0, 0, 0);
        to[3 * x] = static_cast<JSAMPLE>(qRed(colour));
        to[3 * x + 1] = static_cast<JSAMPLE>(qGreen(colour));
        to[3 * x + 2] = static_cast<JSAMPLE>(qBlue(colour));
    };
    const auto width = static_cast<std::size_t>(dib.Width);
    switch (dib.BitCount) {
    case 24:
        for (std::size_t x = 0; x < width; ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
        break;
    case 8:
        for (std::size_t x = 0; x < width; ++x) {
            put(x, from[x]);
        }
        break;
    default:  // 4 bits, the left pixel in the high half of each byte
        for (std::size_t x = 0; x < width; ++x) {
            put(x, x % 2 == 0 ? from[x / 2] >> 4 : from[x / 2] & 0x0F);
        }
        break;
    }
}

TJPEGCompressor& TJPEGCompressor::Self(j_compress_ptr info)
{
    return *static_cast<TJPEGCompressor*>(static_cast<TJPEGBase*>(info->client_data));
}

// The steps below run between setjmp and a possible longjmp: no objects with
// destructors in them.

void TJPEGCompressor::CreateStep(TJPEGBase& codec)
{
    j_compress_ptr info = &static_cast<TJPEGCompressor&>(codec).m_info;
    jpeg_create_compress(info);
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, 75, TRUE);
}

void TJPEGCompressor::StartStep(TJPEGBase& codec)
{
    TJPEGCompressor& self = static_cast<TJPEGCompressor&>(codec);
    j_compress_ptr info = &self.m_info;
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_colorspace(info, self.m_grayscaleOutput ? JCS_GRAYSCALE : JCS_YCbCr);
    jpeg_set_quality(info, self.m_quality, TRUE);
    info->input_gamma = self.m_inputGamma;
    info->dct_method = self.m_dctMethod;
    info->optimize_coding = self.m_optimizeCoding ? TRUE : FALSE;
    info->restart_interval = self.m_restartInterval;
    info->restart_in_rows = self.m_restartInRows;
    info->smoothing_factor = self.m_smoothingFactor;
    info->write_JFIF_header = self.m_writeJFIFHeader ? TRUE : FALSE;
    info->density_unit = static_cast<UINT8>(self.m_densityUnit);
    info->X_density = static_cast<UINT16>(self.m_xDensity);
    info->Y_density = static_cast<UINT16>(self.m_yDensity);
    if (self.m_progressiveJPEG) {
        jpeg_simple_progression(info);
    } else {
        info->scan_info = nullptr;
        info->num_scans = 0;
    }
    if (!self.m_writeAllTables) {
        jpeg_suppress_tables(info, TRUE);
    }
    jpeg_start_compress(info, self.m_writeAllTables ? TRUE : FALSE);
    if (!self.m_comment.empty()) {
        jpeg_write_marker(info, JPEG_COM, reinterpret_cast<const JOCTET*>(self.m_comment.data()),
                          static_cast<unsigned>(std::min<std::size_t>(self.m_comment.size(), 65534)));
    }
}

void TJPEGCompressor::WriteMarkerStep(TJPEGBase& codec)
{
    TJPEGCompressor& self = static_cast<TJPEGCompressor&>(codec);
    const std::string& data = *self.m_markerData;
    jpeg_write_marker(&self.m_info, self.m_markerCode, reinterpret_cast<const JOCTET*>(data.data()),
                      static_cast<unsigned>(std::min<std::size_t>(data.size(), 65534)));
}

void TJPEGCompressor::WriteRowsStep(TJPEGBase& codec)
{
    TJPEGCompressor& self = static_cast<TJPEGCompressor&>(codec);
    j_compress_ptr info = &self.m_info;
    const TDIB& dib = *self.m_source;
    JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                info->image_width * 3, 1);
    while (info->next_scanline < info->image_height) {
        // From the top of the picture down: the DIB's last row first.
        self.ExpandRow(dib.Row(dib.Height - 1 - static_cast<int>(info->next_scanline)), row[0]);
        jpeg_write_scanlines(info, row, 1);
        if (self.AbortRequested()) {
            self.m_rowsInterrupted = true;
            return;
        }
    }
}

void TJPEGCompressor::FinishStep(TJPEGBase& codec)
{
    jpeg_finish_compress(&static_cast<TJPEGCompressor&>(codec).m_info);
}

void TJPEGCompressor::InitDestinationThunk(j_compress_ptr info)
{
    TJPEGCompressor& self = Self(info);
    self.Protected([&self] { self.InitDestination(); });
}

boolean TJPEGCompressor::EmptyOutputBufferThunk(j_compress_ptr info)
{
    TJPEGCompressor& self = Self(info);
    self.Protected([&self] { self.EmptyBuffer(); });
    return TRUE;
}

void TJPEGCompressor::TermDestinationThunk(j_compress_ptr info)
{
    TJPEGCompressor& self = Self(info);
    self.Protected([&self] { self.TermDestination(); });
}

}  // namespace hollin
