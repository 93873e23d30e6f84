// TJPEGDecompressor: the decompression parameters, the choice of output mode,
// the row loop that fills a bottom-up DIB, and the palettes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "photo/dib.h"
#include "photo/jpeg_base.h"

namespace hollin {

class TJPEGDecompressor;

// What the screen shows: a Linux screen is always true colour; the other two
// stand for 8-bit palette screens and 16-colour screens and are chosen only
// in code (SetScreen), so that their output modes stay in use and tested.
enum class TScreenKind { skTrueColour, skPalette, skSixteenColours };

// The form of the decoded DIB:
//   omTrueColour      24 bits, blue, green, red
//   omGrey            8 bits, samples divided by 4, over the 64-entry grey palette
//   omPalette         8 bits, the library quantises to ColoursIn8bitMode colours
//   omSixteenColours  4 bits, the library quantises to 16 colours
enum class TJPEGOutputMode { omTrueColour, omGrey, omPalette, omSixteenColours };

using TJPEGCommentEvent = std::function<void(TJPEGDecompressor& sender, const std::string& comment)>;
// `marker` is the APPn number (1 to 13, 15). The handler sets `done` when it
// has consumed the marker's data (see TJPEGStreamDecompressor::ReadMarkerData);
// otherwise the data is skipped.
using TJPEGMarkerEvent = std::function<void(TJPEGDecompressor& sender, int marker, bool& done)>;

class TJPEGDecompressor : public TJPEGBase {
    Q_OBJECT

public:
    ~TJPEGDecompressor() override;

    // Colours of the palette mode (library limits apply). Default 64.
    int ColoursIn8bitMode() const { return m_coloursIn8bitMode; }
    void SetColoursIn8bitMode(int colours) { m_coloursIn8bitMode = colours; }
    // Always decode to grey. Default false.
    bool GrayScaleOutput() const { return m_grayScaleOutput; }
    void SetGrayScaleOutput(bool grey) { m_grayScaleOutput = grey; }
    // The library's two-pass colour quantisation (palette modes). Default true.
    bool TwoPassQuantize() const { return m_twoPassQuantize; }
    void SetTwoPassQuantize(bool twoPass) { m_twoPassQuantize = twoPass; }
    // Default JDITHER_FS (Floyd-Steinberg).
    J_DITHER_MODE DitherMode() const { return m_ditherMode; }
    void SetDitherMode(J_DITHER_MODE mode) { m_ditherMode = mode; }
    // The inverse DCT. Default JDCT_ISLOW.
    J_DCT_METHOD DCTMethod() const { return m_dctMethod; }
    void SetDCTMethod(J_DCT_METHOD method) { m_dctMethod = method; }
    // Default true.
    bool DoFancyUpSampling() const { return m_doFancyUpSampling; }
    void SetDoFancyUpSampling(bool fancy) { m_doFancyUpSampling = fancy; }
    // Default true.
    bool DoBlockSmoothing() const { return m_doBlockSmoothing; }
    void SetDoBlockSmoothing(bool smoothing) { m_doBlockSmoothing = smoothing; }

    // The screen the output mode is chosen for. Default skTrueColour.
    TScreenKind Screen() const { return m_screen; }
    void SetScreen(TScreenKind screen) { m_screen = screen; }
    // The largest picture (width x height) that is decoded; a larger declared
    // size fails with "Image too large to decode: W x H pixels" before any
    // pixel memory is taken. Default 64 megapixels. The library's own working
    // memory is capped at MaxLibraryMemory (default 512 MB); beyond it the
    // decode fails with EOutOfMemory.
    std::uint64_t MaxPixels() const { return m_maxPixels; }
    void SetMaxPixels(std::uint64_t pixels) { m_maxPixels = pixels; }
    long MaxLibraryMemory() const;
    void SetMaxLibraryMemory(long bytes);

    // The output mode for an image: grey when GrayScaleOutput is set or the
    // image is greyscale, else palette on a palette screen, else sixteen
    // colours on a 16-colour screen, else true colour.
    TJPEGOutputMode ChooseOutputMode(bool imageIsGrey) const;
    // The 64-entry grey palette: entry i is round(255 * sin(i * pi / 126)) in
    // blue, green and red, a quarter sine wave from 0 to 255 (183 at i = 32).
    static const std::vector<QRgb>& GreyPalette();

    TJPEGCommentEvent OnJPEGComment;
    TJPEGMarkerEvent OnJPEGMarker;

protected:
    explicit TJPEGDecompressor(QObject* owner);

    j_common_ptr Codec() override { return reinterpret_cast<j_common_ptr>(&m_info); }

    // The input buffer, in the library's order of its source manager.
    enum class TFillResult { frFilled, frEmptyInput, frEndOfData };
    virtual void InitSource() = 0;
    // frEmptyInput raises "Premature end of input file", frEndOfData issues the
    // premature-end warning (the buffer then holds an end-of-image marker).
    virtual TFillResult FillBuffer() = 0;
    virtual void SkipData(long count) = 0;
    virtual bool ResyncToRestart(int desired);
    virtual void TermSource() = 0;
    // The comment (COM) and application (APP1-APP13, APP15) marker processors.
    virtual void HandleComment() = 0;
    virtual void HandleApplicationMarker(int marker) = 0;

    // Reads the header and decodes the image into a DIB in `mode`, or in the
    // mode ChooseOutputMode picks when none is given. Throws EJPEGError with
    // the library's text or "Image is Grayscale but colour output requested",
    // "Image too large to decode: W x H pixels", "User Interrupt";
    // EOutOfMemory. The caller holds a TRunScope.
    TDIB Decode(std::optional<TJPEGOutputMode> mode);

    jpeg_decompress_struct m_info{};
    jpeg_source_mgr m_source{};

private:
    static TJPEGDecompressor& Self(j_decompress_ptr info);
    static void CreateStep(TJPEGBase& codec);
    static void ReadHeaderStep(TJPEGBase& codec);
    static void CalcOutputStep(TJPEGBase& codec);
    static void ReadRowsStep(TJPEGBase& codec);
    static void FinishStep(TJPEGBase& codec);
    static void InitSourceThunk(j_decompress_ptr info);
    static boolean FillInputBufferThunk(j_decompress_ptr info);
    static void SkipInputDataThunk(j_decompress_ptr info, long count);
    static boolean ResyncThunk(j_decompress_ptr info, int desired);
    static void TermSourceThunk(j_decompress_ptr info);
    static boolean CommentThunk(j_decompress_ptr info);
    static boolean ApplicationMarkerThunk(j_decompress_ptr info);

    void ApplyParameters(TJPEGOutputMode mode);
    // One decoded row into its DIB row, in the layout of the current mode.
    void StoreRow(const JSAMPLE* from, std::uint8_t* to) const;

    int m_coloursIn8bitMode = 64;
    bool m_grayScaleOutput = false;
    bool m_twoPassQuantize = true;
    J_DITHER_MODE m_ditherMode = JDITHER_FS;
    J_DCT_METHOD m_dctMethod = JDCT_ISLOW;
    bool m_doFancyUpSampling = true;
    bool m_doBlockSmoothing = true;
    TScreenKind m_screen = TScreenKind::skTrueColour;
    std::uint64_t m_maxPixels = 64ULL * 1024 * 1024;

    // State of the row loop, set up before ReadRowsStep runs.
    TJPEGOutputMode m_mode = TJPEGOutputMode::omTrueColour;
    std::uint8_t* m_target = nullptr;
    std::size_t m_targetRowBytes = 0;
    JDIMENSION m_targetWidth = 0;
    JDIMENSION m_targetHeight = 0;
    bool m_rowsStopped = false;
    bool m_rowsInterrupted = false;
    int m_colourCount = 0;
    std::array<QRgb, 256> m_colourMap{};
};

}  // namespace hollin
