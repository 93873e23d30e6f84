// Copying sets of files for backup and restore: wildcard patterns matched
// ignoring case, a destination folder created when missing, files of the
// same name replaced without asking, and every file of one table replaced
// together (copied under temporary names first, then renamed into place),
// so a failed copy leaves each table either as it was or wholly replaced.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hollin {

struct TCopyCallbacks {
    // After every piece of a file (bytes done of the whole copy): the caller
    // lets its window repaint here.
    std::function<void(uint64_t done, uint64_t total)> onProgress;
    // A file that could not be copied; the copy goes on with the next table.
    std::function<void(const std::string& file, const std::string& message)> onError;
    // Before the files of one table (the base name, "Hollin" for
    // Hollin.DAT/.IDX/.BLB) are copied; the object it returns is kept until
    // they are. A backup holds the table's read lock there.
    std::function<std::shared_ptr<void>(const std::string& folder, const std::string& baseName)> onTable;
};

// Whether name matches pattern, where "*" stands for any run of characters
// and "?" for one, letters compared ignoring ASCII case.
bool WildcardMatch(const std::string& pattern, const std::string& name);

// The regular files of folder whose names match one of the patterns, in name
// order (ignoring case).
std::vector<std::string> MatchingFiles(const std::string& folder, const std::vector<std::string>& patterns);

// Copies the named files of sourceFolder into destinationFolder (created
// when missing), grouped by base name. Returns the number of files that
// failed (each reported through onError).
int CopyFileSet(const std::string& sourceFolder, const std::vector<std::string>& names,
                const std::string& destinationFolder, const TCopyCallbacks& callbacks);

// Every file matching sourcePattern (a folder and a wildcard name, such as
// "/data/*.DAT") into destinationFolder, as CopyFileSet does.
int ShellCopyFiles(const std::string& sourcePattern, const std::string& destinationFolder,
                   const TCopyCallbacks& callbacks);

}  // namespace hollin
