// The recorded-drawing graphic.
#include "photo/metafile.h"

#include "dataset/file_stream.h"

namespace hollin {

TMetafile::TMetafile(QPicture picture, QSize size) : m_picture(std::move(picture)), m_size(size) {}

bool TMetafile::Empty() const
{
    return m_picture.isNull();
}

QSize TMetafile::Size() const
{
    return m_size.isEmpty() ? m_picture.boundingRect().size() : m_size;
}

QPoint TMetafile::Origin() const
{
    return m_size.isEmpty() ? m_picture.boundingRect().topLeft() : QPoint(0, 0);
}

void TMetafile::SetPicture(QPicture picture, QSize size)
{
    m_picture = std::move(picture);
    m_size = size;
    Changed();
}

void TMetafile::LoadFromStream(TStream& stream)
{
    const std::vector<std::uint8_t> bytes = stream.ReadRest();
    QPicture picture;
    picture.setData(reinterpret_cast<const char*>(bytes.data()), static_cast<uint>(bytes.size()));
    SetPicture(std::move(picture));
}

void TMetafile::SaveToStream(TStream& stream)
{
    stream.Write(m_picture.data(), m_picture.size());
}

}  // namespace hollin
