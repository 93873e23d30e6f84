// Bitmap files through Qt's BMP reader and writer.
#include "photo/bitmap.h"

#include <QBuffer>
#include <QByteArray>

#include "photo/photo_errors.h"
#include "dataset/file_stream.h"

namespace hollin {

void TBitmap::SetImage(QImage image)
{
    m_image = std::move(image);
    Changed();
}

void TBitmap::LoadFromStream(TStream& stream)
{
    const std::vector<std::uint8_t> bytes = stream.ReadRest();
    QImage image;
    if (bytes.empty() || !image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "BMP")) {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    SetImage(std::move(image));
}

void TBitmap::SaveToStream(TStream& stream)
{
    if (m_image.isNull()) {
        return;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!m_image.save(&buffer, "BMP")) {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    stream.Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace hollin
