// Wildcard sets of files copied table by table, each table replaced whole.
#include "data/file_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "data/folder_path.h"
#include "engine/files/file_handler.h"
#include "engine/tables/restructure_steps.h"
#include "engine/files/table_journal.h"

namespace hollin {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPieceSize = 1 << 20;  // the window repaints after each MB
constexpr const char* kTemporarySuffix = ".copying";
// The data, index and blob file of a table, in the engine's order.
constexpr const char* kTableExtensions[3] = {".DAT", ".IDX", ".BLB"};

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperText(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), Upper);
    return text;
}

std::string BaseName(const std::string& name) {
    std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now, reporting a failed close (a full disk may show only here).
    bool Close() {
        int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

struct CopyError {
    std::string message;
};

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw CopyError{what + " " + path + ": " + std::strerror(errno)};
}

// Copies source to target (created or emptied), flushed to disk.
void CopyOneFile(const std::string& source, const std::string& target, uint64_t& done, uint64_t total,
                 const TCopyCallbacks& callbacks) {
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) Fail("Cannot open", source);
    FileDescriptor out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.get() < 0) Fail("Cannot create", target);
    std::vector<char> buffer(kPieceSize);
    for (;;) {
        ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read", source);
        }
        if (got == 0) break;
        for (ssize_t written = 0; written < got;) {
            ssize_t n = ::write(out.get(), buffer.data() + written, static_cast<std::size_t>(got - written));
            if (n < 0) {
                if (errno == EINTR) continue;
                Fail("Cannot write", target);
            }
            written += n;
        }
        done += static_cast<uint64_t>(got);
        if (callbacks.onProgress) callbacks.onProgress(done, total);
    }
    if (::fsync(out.get()) != 0) Fail("Cannot write", target);
    if (!out.Close()) Fail("Cannot write", target);
}


// A copy a failed run left behind, a journal, or an old file a swap put
// aside: none of them is a file of its own, and a journal copied beside other
// files would be rolled back into them.
bool IsLeftOver(const std::string& name) {
    return WildcardMatch(std::string("*") + kTemporarySuffix, name) || WildcardMatch("*.JNL", name) ||
           WildcardMatch("*~", name);
}

// 0, 1 or 2 for a table's data, index or blob file; -1 for any other file.
int TableFileKind(const std::string& name) {
    for (int k = 0; k < 3; ++k) {
        if (WildcardMatch(std::string("*") + kTableExtensions[k], name)) return k;
    }
    return -1;
}

bool IsTableFile(const std::string& name) { return TableFileKind(name) >= 0; }

// Puts the copies (name + kTemporarySuffix) in place of the files of folder.
// A table's three files are swapped through the engine's swap journal, so a
// crash at any step leaves the old table or the new one, never a mix; a file
// of no table is simply renamed.
void ReplaceFiles(const std::string& folder, const std::vector<std::string>& names) {
    std::string copies[3];
    std::string base;
    for (const std::string& name : names) {
        const int kind = TableFileKind(name);
        if (kind < 0) {
            if (::rename((folder + name + kTemporarySuffix).c_str(), (folder + name).c_str()) != 0) {
                Fail("Cannot replace", folder + name);
            }
            continue;
        }
        copies[kind] = folder + name + kTemporarySuffix;
        base = folder + BaseName(name);
    }
    if (base.empty()) return;
    const larch::restructure::TableFiles old = larch::restructure::FilesOf(base + ".DAT");
    // The swap takes every file of the table: a file the copy lacks stays as
    // it is, through a copy of its own.
    larch::restructure::TableFiles fresh;
    const std::string* oldNames[3] = {&old.data, &old.index, &old.blob};
    std::string* freshNames[3] = {&fresh.data, &fresh.index, &fresh.blob};
    for (int k = 0; k < 3; ++k) {
        if (!copies[k].empty()) {
            *freshNames[k] = copies[k];
        } else if (larch::restructure::FileExists(*oldNames[k])) {
            *freshNames[k] = *oldNames[k] + kTemporarySuffix;
            uint64_t ignored = 0;
            CopyOneFile(larch::TFileHandler::ResolveCaseInsensitive(*oldNames[k]), *freshNames[k], ignored, 0, {});
        } else {
            *freshNames[k] = *oldNames[k] + kTemporarySuffix;  // neither old nor new: nothing to swap
        }
    }
    // The swap journal takes the place of any journal a dead writer left:
    // that one belonged to the old files, which go.
    larch::restructure::SwapInNewTable(old, fresh, true);
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    // Iterative match with one backtrack point for the last "*".
    std::size_t p = 0, n = 0, star = std::string::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Upper(pattern[p]) == Upper(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> MatchingFiles(const std::string& folder, const std::vector<std::string>& patterns) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) continue;
        const std::string name = entry.path().filename().string();
        if (IsLeftOver(name)) continue;
        for (const std::string& pattern : patterns) {
            if (WildcardMatch(pattern, name)) {
                names.push_back(name);
                break;
            }
        }
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return UpperText(a) < UpperText(b); });
    return names;
}

int CopyFileSet(const std::string& sourceFolder, const std::vector<std::string>& names,
                const std::string& destinationFolder, const TCopyCallbacks& callbacks) {
    const std::string from = WithSeparator(sourceFolder);
    const std::string to = WithSeparator(destinationFolder);
    int failures = 0;
    auto report = [&](const std::string& file, const std::string& message) {
        ++failures;
        if (callbacks.onError) callbacks.onError(file, message);
    };
    std::error_code error;
    fs::create_directories(to, error);
    if (!fs::is_directory(to)) {
        for (const std::string& name : names) report(from + name, "Cannot create the folder " + to);
        return failures;
    }

    std::map<std::string, std::vector<std::string>> tables;  // by upper-case base name
    uint64_t total = 0;
    for (const std::string& name : names) {
        tables[UpperText(BaseName(name))].push_back(name);
        const auto size = fs::file_size(from + name, error);
        if (!error) total += size;
    }
    uint64_t done = 0;
    for (const auto& [key, files] : tables) {
        std::shared_ptr<void> hold;
        std::vector<std::string> copied;
        try {
            // A copy is made of a whole table: one a dead writer left half
            // changed is rolled back first.
            if (std::any_of(files.begin(), files.end(), IsTableFile)) {
                larch::TTableJournal::RecoverIfHot(from + BaseName(files.front()) + ".DAT");
            }
            if (callbacks.onTable) hold = callbacks.onTable(from, BaseName(files.front()));
            for (const std::string& name : files) {
                copied.push_back(to + name + kTemporarySuffix);
                CopyOneFile(from + name, copied.back(), done, total, callbacks);
            }
            hold.reset();
            ReplaceFiles(to, files);
        } catch (const CopyError& e) {
            for (const std::string& temporary : copied) fs::remove(temporary, error);
            report(from + files.front(), e.message);
        } catch (const std::exception& e) {
            for (const std::string& temporary : copied) fs::remove(temporary, error);
            report(from + files.front(), e.what());
        }
    }
    return failures;
}

int ShellCopyFiles(const std::string& sourcePattern, const std::string& destinationFolder,
                   const TCopyCallbacks& callbacks) {
    const fs::path pattern(sourcePattern);
    const std::string folder = pattern.parent_path().string();
    return CopyFileSet(folder, MatchingFiles(folder, {pattern.filename().string()}), destinationFolder, callbacks);
}

}  // namespace hollin
