// TGraphic: a picture of some kind (bitmap, metafile, JPEG bitmap) that can be
// read from and written to streams and files, with a progress event.
#pragma once

#include <functional>
#include <string>

namespace hollin {

class TStream;
class TGraphic;

enum class TProgressStage { psStarting, psRunning, psEnding };

// Progress of a long load or save: the stage, 0 to 100, and a text for the
// user ("Opening JPEG Image", "Decompressing Image", ...).
using TProgressEvent =
    std::function<void(TGraphic& sender, TProgressStage stage, int percentDone, const std::string& message)>;
using TGraphicNotifyEvent = std::function<void(TGraphic& sender)>;

class TGraphic {
public:
    virtual ~TGraphic() = default;

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // Reads the graphic from the stream's position. Throws the format's error.
    virtual void LoadFromStream(TStream& stream) = 0;
    // Appends the graphic to the stream at its position.
    virtual void SaveToStream(TStream& stream) = 0;
    // Opens the file and loads from it (EStreamError when it cannot be opened).
    virtual void LoadFromFile(const std::string& path);
    // Creates (replaces) the file and saves into it. A failed save removes the
    // file instead of leaving part of a picture behind.
    virtual void SaveToFile(const std::string& path);

    TProgressEvent OnProgress;
    TGraphicNotifyEvent OnChange;

protected:
    void Progress(TProgressStage stage, int percentDone, const std::string& message);
    void Changed();
};

}  // namespace hollin
