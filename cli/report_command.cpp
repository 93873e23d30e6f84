// Writing a report from the command line.
#include "cli/report_command.h"

#include <filesystem>
#include <memory>
#include <optional>

#include <QApplication>

#include "cli/offscreen_application.h"
#include "dataset/data_source.h"
#include "engine/cursor/larch_table.h"
#include "report/picture_decoder.h"
#include "report/report_painter.h"
#include "report/report_text_writer.h"
#include "views/frm_rb.h"

namespace hollin {

namespace {

std::string LowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}

constexpr const char* kDefaultTable = "Hollin.DAT";

// Whether the folder holds the default table (its name matched ignoring
// case, as the engine opens it).
bool DefaultTableExists(const std::string& folder) {
    larch::TLarchTable table;
    table.SetDatabaseName(folder);
    table.SetTableName(kDefaultTable);
    return table.Exists();
}

// Writes the report; returns the number of photos that could not be decoded.
int WriteReport(const std::string& dataDir, bool detailed, bool asText, const std::string& output) {
    larch::TLarchTable table;
    table.SetDatabaseName(std::filesystem::absolute(dataDir).string());
    table.SetTableName(kDefaultTable);
    table.SetIndexName("FirstName");
    table.SetReadOnly(true);
    table.Open();
    TDataSource ds1;
    ds1.SetDataSet(&table);
    TfrmRB holder(ds1);
    report::TReport& chosen = detailed ? holder.ppReport1 : holder.ppReport2;
    if (asText) {
        report::WriteTextFile(chosen, output);
        return 0;
    }
    return report::WritePdfFile(chosen, output).undecodedPictures;
}

}  // namespace

int RunReportCommand(const std::string& dataDir, const std::string& kind, const std::string& output,
                     std::ostream& err) {
    if (kind != "list" && kind != "detailed") {
        err << "Unknown report '" << kind << "': use --report list or --report detailed\n";
        return kReportBadUsage;
    }
    const std::string extension = LowerExtension(output);
    if (extension != ".pdf" && extension != ".txt") {
        err << "Cannot write '" << output << "': the output file must end in .pdf or .txt\n";
        return kReportBadUsage;
    }
    const bool detailed = kind == "detailed";
    const bool asText = extension == ".txt";
    if (detailed && asText) {
        err << "The detailed report cannot be written as text: use a .pdf output file\n";
        return kReportBadUsage;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(dataDir, error)) {
        err << "Data folder not found: " << dataDir << "\n";
        return kReportFailed;
    }
    // A report only reads: a folder without the table is told as such, and
    // nothing is created in it.
    const std::filesystem::path folder = std::filesystem::absolute(dataDir, error);
    if (!DefaultTableExists(folder.string())) {
        err << "No table " << kDefaultTable << " in " << (folder / "").string() << "\n";
        return kReportFailed;
    }

    // Fonts and PDF output need an application object.
    TOffscreenApplication app;
    // The writers replace output only with a complete file: after a failure
    // a report the user kept under that name stays, and nothing half-written
    // is left.
    try {
        const int undecoded = WriteReport(dataDir, detailed, asText, output);
        // The report is written all the same, as the preview shows it.
        if (undecoded > 0) err << "Warning: " << report::UndecodedPicturesText(undecoded) << "\n";
        return kReportOk;
    } catch (const std::exception& e) {
        err << "Cannot write the report: " << e.what() << "\n";
    } catch (...) {
        err << "Cannot write the report: unknown error\n";
    }
    return kReportFailed;
}

}  // namespace hollin
