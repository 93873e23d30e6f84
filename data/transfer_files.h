// The file types of the import and export, and the one entry each for the
// command line and the window: a file's text into a table, a table into a
// file's text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data/icalendar_writer.h"
#include "data/photo_conversion.h"
#include "data/record_import.h"

namespace hollin {

enum class TTransferFormat { VCard, ICalendar, Csv };

// By the file's extension, ignoring case: .vcf, .ics, .csv; nothing for others.
std::optional<TTransferFormat> FormatOfFile(const std::string& path);

// Adds the records of a .vcf or .csv text to the table as one batch (see
// WriteImportRecords). Throws std::invalid_argument for .ics.
TImportReport ImportText(larch::TLarchTable& table, TTransferFormat format, std::string_view text,
                         TPhotoConverter* converter, const TImportProgress& progress = {});

// The records the data set shows as a file of that format. `ics` gives the
// calendar's name (also the vCard UIDs' table) and its choices. CSV holds
// every field but the photo, as the larch shell's .export writes it. `count`
// is set to the number of records written.
std::string ExportText(TDataSet& dataSet, TTransferFormat format, const TICalendarOptions& ics, int& count);

}  // namespace hollin
