// TJPEGStreamDecompressor: decodes JPEG bytes read from a stream through a
// 4096-byte input buffer; TJPEGFileDecompressor is the one placed on windows.
#pragma once

#include <vector>

#include "photo/jpeg_decompressor.h"

namespace hollin {

class TPicture;
class TStream;

class TJPEGStreamDecompressor : public TJPEGDecompressor {
    Q_OBJECT

public:
    // The first stream decompressor made in the program becomes the shared
    // default (DefaultDecompressor) until it is destroyed.
    explicit TJPEGStreamDecompressor(QObject* owner = nullptr);
    ~TJPEGStreamDecompressor() override;

    // The shared default decompressor, or nullptr when there is none.
    static TJPEGStreamDecompressor* DefaultDecompressor();

    // Decodes the JPEG at the stream's position into `picture`, which then
    // holds a bitmap (TBitmap). Throws EJPEGError("The Image Property is
    // empty!") when `picture` is null, and everything DecompressBitmap throws;
    // a failed decode leaves the picture as it was.
    void DecompressToPicture(TStream& stream, TPicture* picture);
    // Decodes the JPEG at the stream's position into a new bitmap: RGB888 in
    // true-colour mode, Indexed8 with its colour table in the other modes.
    // The stream is left just after the image's end marker.
    // Throws EJPEGError with the library's message ("Not a JPEG file: starts
    // with 0x%02x 0x%02x", "Premature end of input file" for an empty stream),
    // "Read beyond end of JPEG source" (a marker cut off), "User Interrupt",
    // "Image too large to decode: W x H pixels", "JPEG codec is already in
    // use"; EOutOfMemory; and whatever an event handler or the stream throws.
    // A truncated image decodes after the warning "Premature end of JPEG
    // file", its missing rows filled by the library.
    QImage DecompressBitmap(TStream& stream);
    // The same, giving the bottom-up DIB itself (before the screen bitmap is
    // made of it); the second form decodes in the given output mode
    // ("Image is Grayscale but colour output requested" for a grey image in a
    // colour mode).
    TDIB DecompressToDIB(TStream& stream);
    TDIB DecompressToDIB(TStream& stream, TJPEGOutputMode mode);

    // Only from inside OnJPEGMarker: reads the current marker's length and
    // returns its data; the marker then counts as consumed whatever `done`
    // says. Throws EJPEGError ("Read beyond end of JPEG source", or
    // "ReadMarkerData is only possible inside OnJPEGMarker").
    std::string ReadMarkerData();

    // The input buffer, 4096 bytes by default. Throws EJPEGError ("Cannot
    // change buffer size while buffer is in use") while it holds unread bytes,
    // and ("Invalid buffer size") for 0.
    std::size_t InputBufferSize() const { return m_buffer.size(); }
    void SetInputBufferSize(std::size_t size);

protected:
    void InitSource() override;
    TFillResult FillBuffer() override;
    void SkipData(long count) override;
    void TermSource() override;
    void HandleComment() override;
    void HandleApplicationMarker(int marker) override;
    void ResetAfterFailure() override;

private:
    TDIB DecodeStream(TStream& stream, std::optional<TJPEGOutputMode> mode);
    // Marker data is read from the buffer and the stream; the supplied
    // end-of-image is never taken as marker data.
    std::uint8_t NextMarkerByte();
    std::size_t MarkerLength();
    std::string ReadMarkerBytes(std::size_t count);
    void EmptyBuffer();

    std::vector<JOCTET> m_buffer;
    TStream* m_stream = nullptr;
    bool m_startOfFile = true;       // nothing read from the stream in this run
    bool m_bufferFromStream = false; // the buffer holds stream bytes, not the supplied end marker
    bool m_inMarkerEvent = false;
    bool m_markerConsumed = false;
};

// The decompressor component of the windows; its properties are those of
// TJPEGDecompressor.
class TJPEGFileDecompressor : public TJPEGStreamDecompressor {
    Q_OBJECT

public:
    explicit TJPEGFileDecompressor(QObject* owner = nullptr) : TJPEGStreamDecompressor(owner) {}
};

}  // namespace hollin
