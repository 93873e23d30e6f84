// The registry of picture file formats: which graphic class reads files of
// each extension, and how the file dialog names them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "photo/graphic.h"

namespace hollin {

struct TPictureFormat {
    std::string Extension;    // lower case, without the dot: "jpg"
    std::string Description;  // "JPEG Image"
    std::type_index GraphicClass;
    std::function<std::unique_ptr<TGraphic>()> Create;
};

// One per program. Its first use registers the built-in formats: "bmp" as
// "Bitmaps" (TBitmap), and "jpg" and "jpeg" as "JPEG Image" (TJPEGBitmap);
// everything is unregistered when the program ends.
class TPictureFormats {
public:
    static TPictureFormats& Instance();

    // Registers (or re-registers) `extension` for the graphic class `Graphic`;
    // a later registration of an extension replaces the earlier one.
    template <class Graphic>
    void Register(const std::string& extension, const std::string& description)
    {
        Register(extension, description, typeid(Graphic), [] { return std::make_unique<Graphic>(); });
    }
    void Register(const std::string& extension, const std::string& description, std::type_index graphicClass,
                  std::function<std::unique_ptr<TGraphic>()> create);
    // Removes every extension registered for the class.
    void Unregister(std::type_index graphicClass);

    // The format of an extension (letter case ignored, with or without the
    // leading dot), or nullptr.
    const TPictureFormat* Find(const std::string& extension) const;
    const std::vector<TPictureFormat>& Formats() const { return m_formats; }
    // Name filters for a file dialog: "All (*.bmp *.jpg *.jpeg)" first, then
    // one per extension in order of registration ("JPEG Image (*.jpg)").
    std::vector<std::string> NameFilters() const;

    // The extension of a file name, lower case, without the dot ("" when none).
    static std::string ExtensionOf(const std::string& path);

private:
    TPictureFormats();
    std::vector<TPictureFormat> m_formats;
};

}  // namespace hollin
