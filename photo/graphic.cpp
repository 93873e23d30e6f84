// File loading and saving, progress and change notice shared by all graphics.
#include "photo/graphic.h"

#include <cstdio>
#include <optional>

#include "dataset/file_stream.h"

namespace hollin {

void TGraphic::LoadFromFile(const std::string& path)
{
    TFileStream file(path, TFileMode::fmOpenRead);
    LoadFromStream(file);
}

void TGraphic::SaveToFile(const std::string& path)
{
    std::optional<TFileStream> file;
    file.emplace(path, TFileMode::fmCreate);
    try {
        SaveToStream(*file);
    } catch (...) {
        file.reset();
        std::remove(path.c_str());
        throw;
    }
}

void TGraphic::Progress(TProgressStage stage, int percentDone, const std::string& message)
{
    if (OnProgress) {
        OnProgress(*this, stage, percentDone, message);
    }
}

void TGraphic::Changed()
{
    if (OnChange) {
        OnChange(*this);
    }
}

}  // namespace hollin
