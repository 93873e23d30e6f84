// Complete-or-nothing output files.
#include "report/report_file.h"

#include <stdexcept>

namespace hollin::report {

TReportFile::TReportFile(const std::string& path) : m_path(path), m_file(QString::fromStdString(path)) {
    if (!m_file.open(QIODevice::WriteOnly)) {
        throw std::runtime_error("Cannot create file " + path + ": " + m_file.errorString().toStdString());
    }
}

void TReportFile::Commit() {
    // QSaveFile::commit misses a write that fails while it empties its
    // buffer (the last bytes on a full disk) and renames the short file into
    // place; emptying the buffer first catches it.
    if (!m_file.flush()) {
        const std::string why = m_file.errorString().toStdString();
        m_file.cancelWriting();
        throw std::runtime_error("Cannot write file " + m_path + ": " + why);
    }
    if (!m_file.commit()) {
        throw std::runtime_error("Cannot write file " + m_path + ": " + m_file.errorString().toStdString());
    }
}

}  // namespace hollin::report
