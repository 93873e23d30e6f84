// TJPEGBitmap: a bitmap that loads from JPEG and saves to JPEG (or, for any
// file extension other than .jpg and .jpeg, to a plain bitmap file), through
// the shared default codecs.
#pragma once

#include "photo/bitmap.h"

namespace hollin {

class TJPEGStreamCompressor;
class TJPEGStreamDecompressor;
class TPictureFormats;

class TJPEGBitmap : public TBitmap {
public:
    TJPEGBitmap() = default;
    explicit TJPEGBitmap(QImage image) : TBitmap(std::move(image)) {}

    // Decodes the JPEG at the stream's position with SharedDecompressor().
    // Progress: "Opening JPEG Image" (starting, 0), "Decompressing Image"
    // (running) on each report of the library, "Decompression completed"
    // (ending, 100). The decompressor's own OnProgressReport is still called
    // and is put back afterwards. Throws what DecompressBitmap throws; the
    // bitmap then keeps its pixels.
    void LoadFromStream(TStream& stream) override;
    // Compresses the bitmap with SharedCompressor() and appends it to the
    // stream. Progress: "Compressing Image" (starting, 0, and running on each
    // report), "Compression completed" (ending, 100). Throws what
    // CompressBitmap throws.
    void SaveToStream(TStream& stream) override;
    // ".jpg" and ".jpeg" (letter case ignored) are compressed; any other
    // extension writes a plain bitmap file.
    void SaveToFile(const std::string& path) override;

    // The shared default decompressor; when there is none, one is made
    // without an owner and becomes the shared default.
    static TJPEGStreamDecompressor& SharedDecompressor();
    // The shared default compressor, made likewise when there is none.
    static TJPEGStreamCompressor& SharedCompressor();
    // Destroys the codecs SharedDecompressor and SharedCompressor made
    // without an owner (at the latest they go when the program ends).
    static void FreeOwnerlessCodecs();

    // Registers "jpg" and "jpeg" as "JPEG Image" for this class; done by the
    // registry itself when it is first used.
    static void Register(TPictureFormats& formats);
    static void Unregister(TPictureFormats& formats);
};

}  // namespace hollin
