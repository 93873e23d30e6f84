// TPicture: holds one graphic of any kind and loads it from a file by the
// file's extension, through the registered picture formats.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "photo/graphic.h"

namespace hollin {

class TBitmap;
class TPicture;

using TPictureNotifyEvent = std::function<void(TPicture& sender)>;

class TPicture {
public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // The graphic, or nullptr when the picture is empty.
    TGraphic* Graphic() const { return m_graphic.get(); }
    // Replaces the graphic (nullptr empties the picture) and reports the change.
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // The graphic as a bitmap; when there is none, or it is not a bitmap, an
    // empty bitmap replaces it first.
    TBitmap& Bitmap();
    bool Empty() const { return !m_graphic || m_graphic->Empty(); }
    int Width() const { return m_graphic ? m_graphic->Width() : 0; }
    int Height() const { return m_graphic ? m_graphic->Height() : 0; }

    // Makes a graphic of the class registered for the file's extension (letter
    // case ignored), loads the file into it and takes it. Throws
    // EInvalidGraphic ("Unknown picture file extension (.gif)") for an
    // extension nobody registered; the load's own errors pass on, and the
    // picture keeps its graphic.
    void LoadFromFile(const std::string& path);
    // Saves the graphic to the file; an empty picture writes nothing.
    void SaveToFile(const std::string& path);

    TPictureNotifyEvent OnChange;
    // Passed to every graphic the picture loads.
    TProgressEvent OnProgress;

private:
    std::unique_ptr<TGraphic> m_graphic;
};

}  // namespace hollin
