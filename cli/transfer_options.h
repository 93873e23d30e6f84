// The options of --import and --export: the file, --ages YEARS and
// --remind DAYS (export only), with --data-dir and --table as every command
// over one table takes them.
#pragma once

#include <string>
#include <vector>

#include "cli/table_command.h"

namespace hollin {

struct TTransferOptions {
    TTableCommandOptions table;
    std::string file;
    std::string extension;  // of the file, lower-cased: ".vcf", ".ics", ".csv"
    int ages = 0;           // years of single events; 0 for recurring ones
    int remindDays = -1;    // days before for a reminder; -1 for none
    std::string error;      // why the options are refused
};

// flag is "--import" or "--export"; `allowed` the file extensions it takes.
TTransferOptions ParseTransferOptions(const std::vector<std::string>& args, const std::string& flag,
                                      const std::vector<std::string>& allowed);

}  // namespace hollin
