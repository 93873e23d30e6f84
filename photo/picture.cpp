// The picture holder and its loading by file extension.
#include "photo/picture.h"

#include "photo/bitmap.h"
#include "photo/photo_errors.h"
#include "photo/picture_formats.h"

namespace hollin {

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic)
{
    m_graphic = std::move(graphic);
    if (OnChange) {
        OnChange(*this);
    }
}

TBitmap& TPicture::Bitmap()
{
    auto* bitmap = dynamic_cast<TBitmap*>(m_graphic.get());
    if (bitmap == nullptr) {
        auto fresh = std::make_unique<TBitmap>();
        bitmap = fresh.get();
        SetGraphic(std::move(fresh));
    }
    return *bitmap;
}

void TPicture::LoadFromFile(const std::string& path)
{
    const std::string extension = TPictureFormats::ExtensionOf(path);
    const TPictureFormat* format = TPictureFormats::Instance().Find(extension);
    if (format == nullptr) {
        throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
    }
    std::unique_ptr<TGraphic> graphic = format->Create();
    graphic->OnProgress = OnProgress;
    graphic->LoadFromFile(path);
    SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& path)
{
    if (m_graphic) {
        m_graphic->SaveToFile(path);
    }
}

}  // namespace hollin
