// The command line's report output: writes the list or the detailed report
// of a folder's default table, in first-name order, to a file, with no
// window shown.
#pragma once

#include <ostream>
#include <string>

namespace hollin {

// Exit statuses of RunReportCommand.
constexpr int kReportOk = 0;
constexpr int kReportFailed = 1;    // the table could not be read or the file not written
constexpr int kReportBadUsage = 2;  // unknown kind, unknown file type, text for the detailed report

// Opens "Hollin.DAT" in dataDir (read-only, ordered by FirstName) and writes
// the report kind ("list" or "detailed") to output: a PDF file for ".pdf", the
// text layout for ".txt" (the list only). Messages go to err; returns the
// exit status. Needs a QApplication (one is made on the offscreen platform
// for the call when there is none). The file is replaced only once the new
// one is complete: after a failure a file of that name keeps its bytes, and
// none is left otherwise. Photos that cannot be decoded leave their boxes
// empty and give one warning on err; the status stays kReportOk.
int RunReportCommand(const std::string& dataDir, const std::string& kind, const std::string& output,
                     std::ostream& err);

}  // namespace hollin
