// TJPEGCompressor: the compression parameters and the loop that feeds the rows
// of a bottom-up DIB to the library.
#pragma once

#include <algorithm>
#include <string>

#include "photo/dib.h"
#include "photo/jpeg_base.h"

namespace hollin {

class TJPEGCompressor : public TJPEGBase {
    Q_OBJECT

public:
    ~TJPEGCompressor() override;

    // Write a greyscale JPEG. Default false.
    bool GrayscaleOutput() const { return m_grayscaleOutput; }
    void SetGrayscaleOutput(bool grey) { m_grayscaleOutput = grey; }
    // Written as a comment marker when not empty (at most 65533 bytes).
    const std::string& Comment() const { return m_comment; }
    void SetComment(std::string comment) { m_comment = std::move(comment); }
    // 0 to 100, tables limited to baseline values. Default 75.
    int Quality() const { return m_quality; }
    void SetQuality(int quality) { m_quality = std::clamp(quality, 0, 100); }
    double InputGamma() const { return m_inputGamma; }
    void SetInputGamma(double gamma) { m_inputGamma = gamma; }
    // Write a progressive file (the library's simple script). Default false.
    bool ProgressiveJPEG() const { return m_progressiveJPEG; }
    void SetProgressiveJPEG(bool progressive) { m_progressiveJPEG = progressive; }
    J_DCT_METHOD DCTMethod() const { return m_dctMethod; }
    void SetDCTMethod(J_DCT_METHOD method) { m_dctMethod = method; }
    bool OptimizeCoding() const { return m_optimizeCoding; }
    void SetOptimizeCoding(bool optimize) { m_optimizeCoding = optimize; }
    // In MCUs, 0 to 65535.
    unsigned RestartInterval() const { return m_restartInterval; }
    void SetRestartInterval(unsigned interval) { m_restartInterval = std::min(interval, 65535U); }
    // In MCU rows, 0 to 65535.
    int RestartInRows() const { return m_restartInRows; }
    void SetRestartInRows(int rows) { m_restartInRows = std::clamp(rows, 0, 65535); }
    // 0 to 100.
    int SmoothingFactor() const { return m_smoothingFactor; }
    void SetSmoothingFactor(int factor) { m_smoothingFactor = std::clamp(factor, 0, 100); }
    bool WriteJFIFHeader() const { return m_writeJFIFHeader; }
    void SetWriteJFIFHeader(bool write) { m_writeJFIFHeader = write; }
    // 0 no unit (aspect ratio only), 1 dots per inch, 2 dots per cm.
    int DensityUnit() const { return m_densityUnit; }
    void SetDensityUnit(int unit) { m_densityUnit = std::clamp(unit, 0, 2); }
    int X_Density() const { return m_xDensity; }
    void SetX_Density(int density) { m_xDensity = std::clamp(density, 1, 65535); }
    int Y_Density() const { return m_yDensity; }
    void SetY_Density(int density) { m_yDensity = std::clamp(density, 1, 65535); }
    // Write the quantisation and Huffman tables. Default true; false writes an
    // abbreviated file that needs its tables from elsewhere.
    bool WriteAllTables() const { return m_writeAllTables; }
    void SetWriteAllTables(bool write) { m_writeAllTables = write; }

    // Called after the start of the file and the comment are written; the
    // handler may add markers with WriteMarker.
    TJPEGNotifyEvent OnWriteMarkers;
    // Only from inside OnWriteMarkers: writes a marker (JPEG_COM, or
    // JPEG_APP0 + n) with `data` (at most 65533 bytes). Throws EJPEGError with
    // the library's text, or "WriteMarker is only possible inside
    // OnWriteMarkers".
    void WriteMarker(int marker, const std::string& data);

protected:
    explicit TJPEGCompressor(QObject* owner);

    j_common_ptr Codec() override { return reinterpret_cast<j_common_ptr>(&m_info); }

    // The output buffer, in the library's order of its destination manager.
    virtual void InitDestination() = 0;
    // The buffer is full: write it all.
    virtual void EmptyBuffer() = 0;
    virtual void TermDestination() = 0;

    // Compresses the DIB (steps from the image size to the finished file).
    // Throws EJPEGError ("Unable to compress at %d bit resolution" for depths
    // other than 4, 8 and 24; "Cannot obtain a Device Independent Bitmap" for
    // a DIB with fewer bytes than its rows need; "User Interrupt"; the
    // library's texts); EOutOfMemory. The caller holds a TRunScope.
    void Compress(const TDIB& dib);

    jpeg_compress_struct m_info{};
    jpeg_destination_mgr m_destination{};

private:
    static TJPEGCompressor& Self(j_compress_ptr info);
    static void CreateStep(TJPEGBase& codec);
    static void StartStep(TJPEGBase& codec);
    static void WriteMarkerStep(TJPEGBase& codec);
    static void WriteRowsStep(TJPEGBase& codec);
    static void FinishStep(TJPEGBase& codec);
    static void InitDestinationThunk(j_compress_ptr info);
    static boolean EmptyOutputBufferThunk(j_compress_ptr info);
    static void TermDestinationThunk(j_compress_ptr info);

    // One DIB row as red, green, blue samples.
    void ExpandRow(const std::uint8_t* from, JSAMPLE* to) const;

    bool m_grayscaleOutput = false;
    std::string m_comment;
    int m_quality = 75;
    double m_inputGamma = 1.0;
    bool m_progressiveJPEG = false;
    J_DCT_METHOD m_dctMethod = JDCT_ISLOW;
    bool m_optimizeCoding = false;
    unsigned m_restartInterval = 0;
    int m_restartInRows = 0;
    int m_smoothingFactor = 0;
    bool m_writeJFIFHeader = true;
    int m_densityUnit = 0;
    int m_xDensity = 1;
    int m_yDensity = 1;
    bool m_writeAllTables = true;

    // State of the row loop and of WriteMarker, set up before their steps run.
    const TDIB* m_source = nullptr;
    bool m_rowsInterrupted = false;
    bool m_inWriteMarkers = false;
    int m_markerCode = 0;
    const std::string* m_markerData = nullptr;
};

}  // namespace hollin
