// libFuzzer target: the JPEG decoder over arbitrary bytes. Every input must
// decode or fail with the codec's own error (EJPEGError, EOutOfMemory); a
// crash, a sanitizer report or any other exception is a finding. The EXIF
// Orientation reader, which never fails, reads every input too. The same
// decoders serve every input, so reuse after a failure is covered too.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "photo/exif_orientation.h"
#include "photo/jpeg_stream_decompressor.h"
#include "photo/photo_errors.h"
#include "dataset/file_stream.h"

namespace {

using hollin::TJPEGFileDecompressor;
using hollin::TScreenKind;

// Small limits keep each run fast; the limits themselves are unit-tested.
TJPEGFileDecompressor& Decoder(TScreenKind screen)
{
    static TJPEGFileDecompressor decoders[3];
    static bool prepared = false;
    if (!prepared) {
        const TScreenKind screens[3] = {TScreenKind::skTrueColour, TScreenKind::skPalette,
                                        TScreenKind::skSixteenColours};
        for (int i = 0; i < 3; ++i) {
            decoders[i].SetScreen(screens[i]);
            decoders[i].SetMaxPixels(screens[i] == TScreenKind::skTrueColour ? 1u << 20 : 1u << 18);
            decoders[i].SetMaxLibraryMemory(256L << 20);
            decoders[i].OnWarning = [](const std::string&) {};
        }
        prepared = true;
    }
    return decoders[static_cast<int>(screen)];
}

void Decode(TJPEGFileDecompressor& decoder, const std::uint8_t* data, std::size_t size)
{
    hollin::TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
    try {
        decoder.DecompressBitmap(stream);
    } catch (const hollin::EJPEGError&) {
    } catch (const hollin::EOutOfMemory&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int orientation = static_cast<int>(hollin::ReadExifOrientation(data, size));
    if (orientation < 1 || orientation > 8) __builtin_trap();
    Decode(Decoder(TScreenKind::skTrueColour), data, size);
    // The quantising modes take turns, by the input's length.
    Decode(Decoder(size % 2 == 0 ? TScreenKind::skPalette : TScreenKind::skSixteenColours), data, size);
    return 0;
}
