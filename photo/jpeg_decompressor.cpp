// The decompression run: header, output mode, row loop into a bottom-up DIB,
// palettes, and the library callbacks of the source manager and markers.
#include "photo/jpeg_decompressor.h"

#include <cmath>
#include <new>
#include <numbers>

#include <jerror.h>

#include "photo/photo_errors.h"

namespace hollin {

namespace {

// The library may use this much working memory (for progressive and
// multi-scan images it keeps every coefficient of the image).
constexpr long kDefaultLibraryMemory = 512L * 1024 * 1024;

int BitCountOf(TJPEGOutputMode mode)
{
    switch (mode) {
    case TJPEGOutputMode::omTrueColour: return 24;
    case TJPEGOutputMode::omSixteenColours: return 4;
    default: return 8;
    }
}

}  // namespace

TJPEGDecompressor::TJPEGDecompressor(QObject* owner) : TJPEGBase(owner)
{
    CreateCodec(&CreateStep);
    m_info.mem->max_memory_to_use = kDefaultLibraryMemory;
    m_source.init_source = &InitSourceThunk;
    m_source.fill_input_buffer = &FillInputBufferThunk;
    m_source.skip_input_data = &SkipInputDataThunk;
    m_source.resync_to_restart = &ResyncThunk;
    m_source.term_source = &TermSourceThunk;
    m_info.src = &m_source;
}

TJPEGDecompressor::~TJPEGDecompressor()
{
    jpeg_destroy_decompress(&m_info);
}

long TJPEGDecompressor::MaxLibraryMemory() const
{
    return m_info.mem->max_memory_to_use;
}

void TJPEGDecompressor::SetMaxLibraryMemory(long bytes)
{
    m_info.mem->max_memory_to_use = bytes;
}

TJPEGOutputMode TJPEGDecompressor::ChooseOutputMode(bool imageIsGrey) const
{
    if (m_grayScaleOutput || imageIsGrey) {
        return TJPEGOutputMode::omGrey;
    }
    switch (m_screen) {
    case TScreenKind::skPalette: return TJPEGOutputMode::omPalette;
    case TScreenKind::skSixteenColours: return TJPEGOutputMode::omSixteenColours;
    default: return TJPEGOutputMode::omTrueColour;
    }
}

const std::vector<QRgb>& TJPEGDecompressor::GreyPalette()
{
    static const std::vector<QRgb> palette = [] {
        std::vector<QRgb> entries;
        for (int i = 0; i < 64; ++i) {
            const int level = static_cast<int>(std::lround(255.0 * std::sin(i * std::numbers::pi / 126.0)));
            entries.push_back(qRgb(level, level, level));
        }
        return entries;
    }();
    return palette;
}

bool TJPEGDecompressor::ResyncToRestart(int desired)
{
    return jpeg_resync_to_restart(&m_info, desired) != FALSE;
}

TDIB TJPEGDecompressor::Decode(std::optional<TJPEGOutputMode> requested)
{
    Guarded(&ReadHeaderStep);
    const bool grey = m_info.jpeg_color_space == JCS_GRAYSCALE;
    const TJPEGOutputMode mode = requested.value_or(ChooseOutputMode(grey));
    if (grey && mode != TJPEGOutputMode::omGrey) {
        throw EJPEGError("Image is Grayscale but colour output requested");
    }
    ApplyParameters(mode);
    Guarded(&CalcOutputStep);

    const int components = mode == TJPEGOutputMode::omTrueColour ? 3 : 1;
    if (m_info.output_components != components) {
        throw EJPEGError(LibraryMessage(JERR_CONVERSION_NOTIMPL));
    }
    const std::uint64_t pixels = static_cast<std::uint64_t>(m_info.output_width) * m_info.output_height;
    if (pixels > m_maxPixels) {
        throw EJPEGError("Image too large to decode: " + std::to_string(m_info.output_width) + " x " +
                         std::to_string(m_info.output_height) + " pixels");
    }

    TDIB dib;
    dib.Width = static_cast<int>(m_info.output_width);
    dib.Height = static_cast<int>(m_info.output_height);
    dib.BitCount = BitCountOf(mode);
    try {
        dib.Bits.assign(dib.RowBytes() * static_cast<std::size_t>(dib.Height), 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }

    m_mode = mode;
    m_target = dib.Bits.data();
    m_targetRowBytes = dib.RowBytes();
    m_targetWidth = m_info.output_width;
    m_targetHeight = m_info.output_height;
    m_rowsStopped = false;
    m_rowsInterrupted = false;
    m_colourCount = 0;
    Guarded(&ReadRowsStep);
    m_target = nullptr;
    if (m_rowsInterrupted) {
        ThrowUserInterrupt();
    }
    if (m_rowsStopped) {
        throw EJPEGError(LibraryMessage(JERR_INPUT_EOF));
    }

    if (mode == TJPEGOutputMode::omGrey) {
        dib.ColourTable = GreyPalette();
    } else if (mode != TJPEGOutputMode::omTrueColour) {
        dib.ColourTable.assign(m_colourMap.begin(), m_colourMap.begin() + m_colourCount);
    }
    ReportCompletion();
    Guarded(&FinishStep);
    return dib;
}

void TJPEGDecompressor::ApplyParameters(TJPEGOutputMode mode)
{
    m_info.do_fancy_upsampling = m_doFancyUpSampling ? TRUE : FALSE;
    m_info.dct_method = m_dctMethod;
    m_info.do_block_smoothing = m_doBlockSmoothing ? TRUE : FALSE;
    m_info.two_pass_quantize = m_twoPassQuantize ? TRUE : FALSE;
    m_info.dither_mode = m_ditherMode;
    m_info.out_color_space = JCS_RGB;
    m_info.quantize_colors = FALSE;
    switch (mode) {
    case TJPEGOutputMode::omGrey:
        m_info.out_color_space = JCS_GRAYSCALE;
        break;
    case TJPEGOutputMode::omPalette:
        m_info.quantize_colors = TRUE;
        m_info.desired_number_of_colors = m_coloursIn8bitMode;
        break;
    case TJPEGOutputMode::omSixteenColours:
        m_info.quantize_colors = TRUE;
        m_info.desired_number_of_colors = 16;
        break;
    case TJPEGOutputMode::omTrueColour:
        break;
    }
}

void TJPEGDecompressor::StoreRow(const JSAMPLE* from, std::uint8_t* to) const
{
    const JDIMENSION width = m_targetWidth;
    switch (m_mode) {
    case TJPEGOutputMode::omTrueColour:
        for (JDIMENSION x = 0; x < width; ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
        break;
    case TJPEGOutputMode::omGrey:
        // 64 levels: the grey palette has 64 entries.
        for (JDIMENSION x = 0; x < width; ++x) {
            to[x] = static_cast<std::uint8_t>(from[x] >> 2);
        }
        break;
    case TJPEGOutputMode::omPalette:
        for (JDIMENSION x = 0; x < width; ++x) {
            to[x] = from[x];
        }
        break;
    case TJPEGOutputMode::omSixteenColours:
        for (JDIMENSION x = 0; x < width; ++x) {
            const std::uint8_t index = from[x] & 0x0F;
            if (x % 2 == 0) {
                to[x / 2] = static_cast<std::uint8_t>(index << 4);
            } else {
                to[x / 2] |= index;
            }
        }
        break;
    }
}

TJPEGDecompressor& TJPEGDecompressor::Self(j_decompress_ptr info)
{
    return *static_cast<TJPEGDecompressor*>(static_cast<TJPEGBase*>(info->client_data));
}

// The steps below run between setjmp and a possible longjmp: no objects with
// destructors in them.

void TJPEGDecompressor::CreateStep(TJPEGBase& codec)
{
    j_decompress_ptr info = &static_cast<TJPEGDecompressor&>(codec).m_info;
    jpeg_create_decompress(info);
    jpeg_set_marker_processor(info, JPEG_COM, &CommentThunk);
    for (int n = 1; n <= 15; ++n) {
        if (n != 14) {  // APP0 (JFIF) and APP14 (Adobe) are the library's own.
            jpeg_set_marker_processor(info, JPEG_APP0 + n, &ApplicationMarkerThunk);
        }
    }
}

void TJPEGDecompressor::ReadHeaderStep(TJPEGBase& codec)
{
    jpeg_read_header(&static_cast<TJPEGDecompressor&>(codec).m_info, TRUE);
}

void TJPEGDecompressor::CalcOutputStep(TJPEGBase& codec)
{
    jpeg_calc_output_dimensions(&static_cast<TJPEGDecompressor&>(codec).m_info);
}

void TJPEGDecompressor::ReadRowsStep(TJPEGBase& codec)
{
    TJPEGDecompressor& self = static_cast<TJPEGDecompressor&>(codec);
    j_decompress_ptr info = &self.m_info;
    jpeg_start_decompress(info);
    const int components = self.m_mode == TJPEGOutputMode::omTrueColour ? 3 : 1;
    if (info->output_width != self.m_targetWidth || info->output_height != self.m_targetHeight ||
        info->output_components != components) {
        self.m_rowsStopped = true;
        return;
    }
    JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                info->output_width * static_cast<JDIMENSION>(components), 1);
    while (info->output_scanline < info->output_height) {
        // The first row read is the top of the picture: the last row of the
        // bottom-up DIB.
        const JDIMENSION y = info->output_scanline;
        if (jpeg_read_scanlines(info, row, 1) != 1) {
            self.m_rowsStopped = true;
            return;
        }
        self.StoreRow(row[0], self.m_target + static_cast<std::size_t>(info->output_height - 1 - y) *
                                                  self.m_targetRowBytes);
        if (self.AbortRequested()) {
            self.m_rowsInterrupted = true;
            return;
        }
    }
    if (info->quantize_colors && info->colormap != nullptr) {
        const int count = info->actual_number_of_colors < 256 ? info->actual_number_of_colors : 256;
        for (int i = 0; i < count; ++i) {
            self.m_colourMap[static_cast<std::size_t>(i)] =
                qRgb(info->colormap[0][i], info->colormap[1][i], info->colormap[2][i]);
        }
        self.m_colourCount = count;
    }
}

void TJPEGDecompressor::FinishStep(TJPEGBase& codec)
{
    jpeg_finish_decompress(&static_cast<TJPEGDecompressor&>(codec).m_info);
}

void TJPEGDecompressor::InitSourceThunk(j_decompress_ptr info)
{
    TJPEGDecompressor& self = Self(info);
    self.Protected([&self] { self.InitSource(); });
}

boolean TJPEGDecompressor::FillInputBufferThunk(j_decompress_ptr info)
{
    TJPEGDecompressor& self = Self(info);
    TFillResult result = TFillResult::frFilled;
    self.Protected([&self, &result] { result = self.FillBuffer(); });
    if (result == TFillResult::frEmptyInput) {
        ERREXIT(info, JERR_INPUT_EOF);
    }
    if (result == TFillResult::frEndOfData) {
        WARNMS(info, JWRN_JPEG_EOF);
    }
    return TRUE;
}

void TJPEGDecompressor::SkipInputDataThunk(j_decompress_ptr info, long count)
{
    TJPEGDecompressor& self = Self(info);
    self.Protected([&self, count] { self.SkipData(count); });
}

boolean TJPEGDecompressor::ResyncThunk(j_decompress_ptr info, int desired)
{
    return Self(info).ResyncToRestart(desired) ? TRUE : FALSE;
}

void TJPEGDecompressor::TermSourceThunk(j_decompress_ptr info)
{
    TJPEGDecompressor& self = Self(info);
    self.Protected([&self] { self.TermSource(); });
}

boolean TJPEGDecompressor::CommentThunk(j_decompress_ptr info)
{
    TJPEGDecompressor& self = Self(info);
    self.Protected([&self] { self.HandleComment(); });
    return TRUE;
}

boolean TJPEGDecompressor::ApplicationMarkerThunk(j_decompress_ptr info)
{
    TJPEGDecompressor& self = Self(info);
    const int marker = info->unread_marker - JPEG_APP0;
    self.Protected([&self, marker] { self.HandleApplicationMarker(marker); });
    return TRUE;
}

}  // namespace hollin
