// TReportFile: an output file that replaces the file of its name only once
// it is complete. It is written under a temporary name beside it (QSaveFile)
// and renamed over it by Commit; until then, and after any failure, a file
// that was there keeps its bytes, and the temporary file is dropped when
// the object goes without a Commit.
#pragma once

#include <string>

#include <QSaveFile>

namespace hollin::report {

class TReportFile {
public:
    // Throws std::runtime_error("Cannot create file <path>: why").
    explicit TReportFile(const std::string& path);
    TReportFile(const TReportFile&) = delete;
    TReportFile& operator=(const TReportFile&) = delete;

    QIODevice& Device() { return m_file; }
    // Puts the complete file in place. Throws std::runtime_error("Cannot
    // write file <path>: why") when a write failed (a full disk) or the
    // file cannot replace the old one; the old file then stays.
    void Commit();

private:
    std::string m_path;
    QSaveFile m_file;
};

}  // namespace hollin::report
