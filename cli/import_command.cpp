// The import as a command.
#include "cli/import_command.h"

#include "cli/offscreen_application.h"
#include "cli/picture_to_jpeg.h"
#include "cli/transfer_options.h"
#include "data/transfer_files.h"
#include "data/vcard_import.h"

namespace hollin {

int RunImportCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& out,
                     std::ostream& err) {
    const TTransferOptions options = ParseTransferOptions(args, "--import", {".vcf", ".csv"});
    if (!options.error.empty()) {
        err << "hollin: " << options.error << "\n";
        return kCommandBadUsage;
    }
    const std::string folder = chooseFolder(options.table.dataDir);
    if (!DataFolderFound(folder, err)) return kCommandFailed;
    std::string text;
    try {
        text = ReadWholeFile(options.file);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return kCommandFailed;
    }
    std::unique_ptr<larch::TLarchTable> table;
    try {
        table = OpenTableForImport(folder, options.table.table);
    } catch (const std::exception& e) {
        err << "Cannot open the table " << options.table.table << ": " << e.what() << "\n";
        return kCommandFailed;
    }
    try {
        // Qt's image plug-ins (GIF, WebP) are found through the application object.
        TOffscreenApplication app;
        TPictureToJpeg converter;
        const TImportReport report = ImportText(*table, *FormatOfFile(options.file), text, &converter);
        out << report.Summary() << "\n";
        const std::string details = report.Details();
        if (!details.empty()) err << details;
    } catch (const std::exception& e) {
        err << "Nothing was imported: " << e.what() << "\n";
        return kCommandFailed;
    }
    return kCommandOk;
}

}  // namespace hollin
