// TJPEGStreamCompressor: writes the compressed bytes to a stream through a
// 4096-byte output buffer; TJPEGFileCompressor is the one placed on windows.
#pragma once

#include <vector>

#include "photo/jpeg_compressor.h"

namespace hollin {

class TPicture;
class TStream;

class TJPEGStreamCompressor : public TJPEGCompressor {
    Q_OBJECT

public:
    // The first stream compressor made in the program becomes the shared
    // default (DefaultCompressor) until it is destroyed.
    explicit TJPEGStreamCompressor(QObject* owner = nullptr);
    ~TJPEGStreamCompressor() override;

    // The shared default compressor, or nullptr when there is none.
    static TJPEGStreamCompressor* DefaultCompressor();

    // Compresses the picture and appends the JPEG to the stream at its
    // position. A metafile (TMetafile) is first drawn at its size onto a
    // white bitmap; a bitmap is used as it is. Throws EJPEGError: "cannot save
    // a picture that is neither a bitmap nor metafile" (also for an empty
    // picture), "Unable to render metafile as a bitmap - PlayEnhMetaFile
    // returned 0" when drawing fails, and everything CompressBitmap throws.
    void CompressPicture(const TPicture& picture, TStream& stream);
    // Compresses the bitmap: Indexed8 and Grayscale8 images through their
    // colour table, Mono images fail ("Unable to compress at 1 bit
    // resolution"), every other format as 24 bits. Throws EInvalidGraphic
    // ("Cannot obtain a Device Independent Bitmap") for a null image, and
    // everything CompressDIB throws.
    void CompressBitmap(const QImage& bitmap, TStream& stream);
    // Compresses a 4-, 8- or 24-bit DIB. Throws EJPEGError ("Unable to
    // compress at %d bit resolution", "User Interrupt", "JPEG codec is already
    // in use", the library's texts), EOutOfMemory, and whatever an event
    // handler or the stream throws. After a failure the stream may hold part
    // of a file.
    void CompressDIB(const TDIB& dib, TStream& stream);

    // The output buffer, 4096 bytes by default. Throws EJPEGError ("Cannot
    // change buffer size while buffer is in use") while it holds unwritten
    // bytes, and ("Invalid buffer size") for 0.
    std::size_t OutputBufferSize() const { return m_buffer.size(); }
    void SetOutputBufferSize(std::size_t size);

protected:
    void InitDestination() override;
    void EmptyBuffer() override;
    void TermDestination() override;
    void ResetAfterFailure() override;

private:
    void ClearBuffer();

    std::vector<JOCTET> m_buffer;
    TStream* m_stream = nullptr;
};

// The compressor component of the windows; its properties are those of
// TJPEGCompressor.
class TJPEGFileCompressor : public TJPEGStreamCompressor {
    Q_OBJECT

public:
    explicit TJPEGFileCompressor(QObject* owner = nullptr) : TJPEGStreamCompressor(owner) {}
};

}  // namespace hollin
