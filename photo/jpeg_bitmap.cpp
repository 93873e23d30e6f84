// The JPEG bitmap: loading and saving through the shared default codecs.
#include "photo/jpeg_bitmap.h"

#include <memory>

#include "photo/jpeg_stream_compressor.h"
#include "photo/jpeg_stream_decompressor.h"
#include "photo/picture_formats.h"

namespace hollin {

namespace {

std::unique_ptr<TJPEGStreamDecompressor>& OwnerlessDecompressor()
{
    static std::unique_ptr<TJPEGStreamDecompressor> codec;
    return codec;
}

std::unique_ptr<TJPEGStreamCompressor>& OwnerlessCompressor()
{
    static std::unique_ptr<TJPEGStreamCompressor> codec;
    return codec;
}

// Routes a codec's progress reports to the graphic's progress event for the
// lifetime of the scope, calling the codec's own handler as well, and puts
// that handler back at the end.
class TProgressRelay {
public:
    TProgressRelay(TJPEGBase& codec, std::function<void(int percent)> report)
        : m_codec(codec), m_previous(codec.OnProgressReport)
    {
        codec.OnProgressReport = [report = std::move(report), previous = m_previous](TJPEGBase& sender) {
            report(sender.PercentDone());
            if (previous) {
                previous(sender);
            }
        };
    }
    ~TProgressRelay() { m_codec.OnProgressReport = m_previous; }
    TProgressRelay(const TProgressRelay&) = delete;
    TProgressRelay& operator=(const TProgressRelay&) = delete;

private:
    TJPEGBase& m_codec;
    TJPEGNotifyEvent m_previous;
};

bool IsJPEGExtension(const std::string& path)
{
    const std::string extension = TPictureFormats::ExtensionOf(path);
    return extension == "jpg" || extension == "jpeg";
}

}  // namespace

TJPEGStreamDecompressor& TJPEGBitmap::SharedDecompressor()
{
    if (TJPEGStreamDecompressor* codec = TJPEGStreamDecompressor::DefaultDecompressor()) {
        return *codec;
    }
    OwnerlessDecompressor() = std::make_unique<TJPEGFileDecompressor>();
    return *OwnerlessDecompressor();
}

TJPEGStreamCompressor& TJPEGBitmap::SharedCompressor()
{
    if (TJPEGStreamCompressor* codec = TJPEGStreamCompressor::DefaultCompressor()) {
        return *codec;
    }
    OwnerlessCompressor() = std::make_unique<TJPEGFileCompressor>();
    return *OwnerlessCompressor();
}

void TJPEGBitmap::FreeOwnerlessCodecs()
{
    OwnerlessDecompressor().reset();
    OwnerlessCompressor().reset();
}

void TJPEGBitmap::LoadFromStream(TStream& stream)
{
    TJPEGStreamDecompressor& codec = SharedDecompressor();
    Progress(TProgressStage::psStarting, 0, "Opening JPEG Image");
    QImage image;
    {
        TProgressRelay relay(codec, [this](int percent) {
            Progress(TProgressStage::psRunning, percent, "Decompressing Image");
        });
        image = codec.DecompressBitmap(stream);
    }
    Progress(TProgressStage::psEnding, 100, "Decompression completed");
    SetImage(std::move(image));
}

void TJPEGBitmap::SaveToStream(TStream& stream)
{
    TJPEGStreamCompressor& codec = SharedCompressor();
    Progress(TProgressStage::psStarting, 0, "Compressing Image");
    {
        TProgressRelay relay(codec, [this](int percent) {
            Progress(TProgressStage::psRunning, percent, "Compressing Image");
        });
        codec.CompressBitmap(Image(), stream);
    }
    Progress(TProgressStage::psEnding, 100, "Compression completed");
}

void TJPEGBitmap::SaveToFile(const std::string& path)
{
    if (IsJPEGExtension(path)) {
        TGraphic::SaveToFile(path);
        return;
    }
    TBitmap plain(Image());
    plain.SaveToFile(path);
}

void TJPEGBitmap::Register(TPictureFormats& formats)
{
    formats.Register<TJPEGBitmap>("jpg", "JPEG Image");
    formats.Register<TJPEGBitmap>("jpeg", "JPEG Image");
}

void TJPEGBitmap::Unregister(TPictureFormats& formats)
{
    formats.Unregister(typeid(TJPEGBitmap));
}

}  // namespace hollin
