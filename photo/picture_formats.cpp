// The picture format registry and its built-in formats.
#include "photo/picture_formats.h"

#include <algorithm>

#include "photo/bitmap.h"
#include "photo/jpeg_bitmap.h"

namespace hollin {

namespace {

std::string Normalised(std::string extension)
{
    if (!extension.empty() && extension.front() == '.') {
        extension.erase(0, 1);
    }
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

}  // namespace

TPictureFormats& TPictureFormats::Instance()
{
    static TPictureFormats formats;
    return formats;
}

TPictureFormats::TPictureFormats()
{
    Register<TBitmap>("bmp", "Bitmaps");
    TJPEGBitmap::Register(*this);
}

void TPictureFormats::Register(const std::string& extension, const std::string& description,
                               std::type_index graphicClass, std::function<std::unique_ptr<TGraphic>()> create)
{
    const std::string key = Normalised(extension);
    std::erase_if(m_formats, [&](const TPictureFormat& format) { return format.Extension == key; });
    m_formats.push_back(TPictureFormat{key, description, graphicClass, std::move(create)});
}

void TPictureFormats::Unregister(std::type_index graphicClass)
{
    std::erase_if(m_formats, [&](const TPictureFormat& format) { return format.GraphicClass == graphicClass; });
}

const TPictureFormat* TPictureFormats::Find(const std::string& extension) const
{
    const std::string key = Normalised(extension);
    for (const TPictureFormat& format : m_formats) {
        if (format.Extension == key) {
            return &format;
        }
    }
    return nullptr;
}

std::vector<std::string> TPictureFormats::NameFilters() const
{
    std::string all = "All (";
    std::vector<std::string> filters(1);
    for (const TPictureFormat& format : m_formats) {
        all += (filters.size() > 1 ? " *." : "*.") + format.Extension;
        filters.push_back(format.Description + " (*." + format.Extension + ")");
    }
    filters.front() = all + ")";
    return filters;
}

std::string TPictureFormats::ExtensionOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    return Normalised(path.substr(dot + 1));
}

}  // namespace hollin
