// Reading, mapping and writing again, with the invariants checked.
#include "fuzz/vcard_fuzz_case.h"

#include <cstdlib>
#include <string_view>

#include "data/vcard_import.h"
#include "data/vcard_reader.h"
#include "data/vcard_writer.h"
#include "dataset/date_time.h"

namespace hollin::fuzz {

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

void RunVCard(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TImportReport report;
    const std::vector<TTransferRecord> records = RecordsOfVCards(text, nullptr, report);
    for (const TTransferRecord& r : records) {
        Require(!r.firstName.empty() && !r.lastName.empty() && !r.event.empty());
        const TDateParts parts = DecodeDate(r.eventDate);
        Require(IsValidDate(parts.year, parts.month, parts.day));
    }
    (void)report.Summary();
    (void)report.Details();
    const std::string written = VCardText(records, "Fuzz.DAT");
    const TVCardFile again = ReadVCards(written);
    Require(again.broken.empty());
    for (std::size_t start = 0, end; (end = written.find("\r\n", start)) != std::string::npos; start = end + 2) {
        Require(end - start <= 75);
    }
}

}  // namespace hollin::fuzz
