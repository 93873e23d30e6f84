// Result tables of canned SELECT statements.
#include "query/exec/result_table.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <system_error>

#include "engine/files/file_handler.h"
#include "engine/records/record_layout.h"

namespace larch {

namespace {

IndexDescriptor IndexOver(const std::string& name, const std::vector<uint16_t>& fieldNumbers,
                          const std::vector<bool>& descending, bool caseInsensitive, bool unique) {
    IndexDescriptor d;
    d.name = name;
    d.caseInsensitive = caseInsensitive;
    d.unique = unique;
    bool allDescending = !fieldNumbers.empty();
    for (std::size_t i = 0; i < fieldNumbers.size() && i < static_cast<std::size_t>(kMaxIndexFields); ++i) {
        d.fieldNumbers[d.fieldCount] = fieldNumbers[i];
        const bool down = i < descending.size() && descending[i];
        d.fieldDescending[d.fieldCount] = down ? 1 : 0;
        allDescending = allDescending && down;
        ++d.fieldCount;
    }
    d.descending = allDescending;
    return d;
}

// Field numbers of result columns: column i is field i + 2 (after Row___No).
std::vector<uint16_t> FieldNumbers(const std::vector<int>& positions) {
    std::vector<uint16_t> numbers;
    for (int p : positions) numbers.push_back(static_cast<uint16_t>(p + 2));
    return numbers;
}

std::mutex& NameLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

TResultTableLayout BuildResultLayout(const TResultTableShape& shape) {
    TResultTableLayout layout;
    FieldDescriptor row;
    row.name = kRowNumberName;
    row.physType = phys::Int32;
    row.subType = subtype::AutoInc;
    layout.fields.push_back(row);
    for (const FieldDescriptor& column : shape.columns) layout.fields.push_back(column);
    for (std::size_t i = 0; i < layout.fields.size(); ++i) layout.fields[i].number = static_cast<uint16_t>(i + 1);
    AssignRecordLayout(layout.fields);

    std::vector<IndexDescriptor> indexes;  // in slot order, the primary first
    const bool ordered = !shape.orderColumns.empty();
    if (ordered) {
        std::vector<uint16_t> numbers = FieldNumbers(shape.orderColumns);
        numbers.push_back(1);
        std::vector<bool> descending = shape.orderDescending;
        descending.push_back(false);
        indexes.push_back(IndexOver("", numbers, descending, shape.orderNoCase, true));
    }
    if (!shape.groupColumns.empty()) {
        layout.groupSlot = static_cast<int>(indexes.size());
        indexes.push_back(IndexOver(ordered ? "GroupBy" : "", FieldNumbers(shape.groupColumns), {}, false, true));
    } else if (shape.distinct) {
        std::vector<int> all;
        for (std::size_t i = 0; i < shape.columns.size(); ++i) all.push_back(static_cast<int>(i));
        layout.distinctSlot = static_cast<int>(indexes.size());
        indexes.push_back(IndexOver(ordered ? "Distinct" : "", FieldNumbers(all), {}, false, true));
    }
    if (indexes.empty()) indexes.push_back(IndexOver("", {1}, {}, false, true));

    layout.primary = indexes.front();
    layout.primary.name.clear();
    layout.primary.keyLength = ComputeKeyLength(layout.primary, layout.fields, true);
    for (std::size_t i = 1; i < indexes.size(); ++i) {
        IndexDescriptor d = indexes[i];
        d.keyLength = ComputeKeyLength(d, layout.fields, false);
        layout.secondaries.push_back(d);
    }
    return layout;
}

void CreateResultTable(const std::string& path, const TResultTableLayout& layout, bool temporary) {
    TableSettings settings;
    settings.description = "Query Result Set";
    settings.blobBlockSize = 512;
    TDataFile file;
    file.SetExclusive(true);
    file.SetTemporary(temporary);
    file.SetFileName(path);
    file.CreateTable(layout.fields, layout.primary, layout.secondaries, settings);
}

std::string TemporaryResultPath(const std::string& folder) {
    std::lock_guard<std::mutex> guard(NameLock());
    std::string prefix = std::to_string(static_cast<long long>(::syscall(SYS_gettid))).substr(0, 5);
    std::string base = folder.empty() ? std::string() : folder + (folder.back() == '/' ? "" : "/");
    for (unsigned number = 0;; ++number) {
        std::string path = base + prefix + std::to_string(number) + ".DAT";
        std::error_code error;
        if (!std::filesystem::exists(path, error)) return path;
    }
}

void DeleteTableFiles(const std::string& path) noexcept {
    for (const char* extension : {".DAT", ".IDX", ".BLB"}) {
        std::error_code error;
        std::filesystem::remove(MakeTableFileName(path, extension), error);
    }
}

}  // namespace larch
