// Writing the cards.
#include "data/vcard_writer.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

#include "data/content_line.h"
#include "data/vcard_text.h"
#include "dataset/date_time.h"

namespace hollin {

namespace {

// The label the import reads back as the Anniversary event.
constexpr const char* kAppleAnniversaryLabel = "_$!<Anniversary>!$_";

// 64-bit FNV-1a from a seed.
uint64_t Fnv(const std::string& text, uint64_t seed) {
    uint64_t hash = seed;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// A name-based UUID-shaped identifier: the same text gives the same UID.
std::string StableUid(const std::string& text) {
    const uint64_t high = Fnv(text, 0xcbf29ce484222325ULL), low = Fnv(text, 0x84222325cbf29ce4ULL);
    char uid[64];
    std::snprintf(uid, sizeof uid, "urn:uuid:%08x-%04x-5%03x-%04x-%012llx", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFF),
                  static_cast<unsigned>(0x8000 | ((low >> 48) & 0x3FFF)),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return uid;
}

using TPersonKey = std::tuple<std::string, std::string, std::string>;

TPersonKey KeyOf(const TTransferRecord& r) {
    return {AsciiLower(r.firstName), AsciiLower(r.middleName), AsciiLower(r.lastName)};
}

void AppendCard(std::string& out, const std::vector<const TTransferRecord*>& records, const std::string& tableName) {
    const TTransferRecord& first = *records.front();
    auto line = [&](const std::string& text) { AppendContentLine(out, text); };
    line("BEGIN:VCARD");
    line("VERSION:4.0");
    const auto [firstKey, middleKey, lastKey] = KeyOf(first);
    line("UID:" + StableUid(tableName + "\n" + firstKey + "\n" + middleKey + "\n" + lastKey));
    line("FN:" + EscapeVCardText(PersonName(first)));
    line("N:" + EscapeVCardText(first.lastName) + ";" + EscapeVCardText(first.firstName) + ";" +
         EscapeVCardText(first.middleName) + ";;");
    // The earliest of each of the three kinds has its own property; the rest are labelled dates.
    std::vector<const TTransferRecord*> byDate = records;
    std::stable_sort(byDate.begin(), byDate.end(),
                     [](const TTransferRecord* a, const TTransferRecord* b) { return a->eventDate < b->eventDate; });
    bool birthday = false, anniversary = false, passing = false;
    int group = 0;
    for (const TTransferRecord* r : byDate) {
        const std::string date = BasicDate(r->eventDate);
        if (r->event == "Birthday" && !birthday) {
            birthday = true;
            line("BDAY:" + date);
        } else if (r->event == "Anniversary" && !anniversary) {
            anniversary = true;
            line("ANNIVERSARY:" + date);
        } else if (r->event == "Passing" && !passing) {
            passing = true;
            line("DEATHDATE:" + date);
        } else {
            const std::string item = "item" + std::to_string(++group);
            line(item + ".X-ABDATE:" + date);
            line(item + ".X-ABLABEL:" + EscapeVCardText(r->event == "Anniversary" ? kAppleAnniversaryLabel : r->event));
        }
    }
    if (!first.phone.empty()) line("TEL;TYPE=voice:" + EscapeVCardText(first.phone));
    if (!first.phoneFax.empty()) line("TEL;TYPE=fax:" + EscapeVCardText(first.phoneFax));
    if (!first.cellPhone.empty()) line("TEL;TYPE=cell:" + EscapeVCardText(first.cellPhone));
    if (!first.address.empty() || !first.city.empty() || !first.state.empty() || !first.zip.empty()) {
        line("ADR:;;" + EscapeVCardText(first.address) + ";" + EscapeVCardText(first.city) + ";" +
             EscapeVCardText(first.state) + ";" + EscapeVCardText(first.zip) + ";");
    }
    if (!first.email.empty()) line("EMAIL:" + EscapeVCardText(first.email));
    if (!first.website.empty()) line("URL:" + EscapeVCardText(first.website));
    if (!first.notes.empty()) line("NOTE:" + EscapeVCardText(first.notes));
    if (!first.photo.empty()) line("PHOTO:data:image/jpeg;base64," + EncodeBase64(first.photo));
    line("END:VCARD");
}

}  // namespace

std::string VCardText(const std::vector<TTransferRecord>& records, const std::string& tableName) {
    // People in the order of their first record.
    std::map<TPersonKey, std::size_t> index;
    std::vector<std::vector<const TTransferRecord*>> people;
    for (const TTransferRecord& r : records) {
        auto [it, added] = index.emplace(KeyOf(r), people.size());
        if (added) people.emplace_back();
        people[it->second].push_back(&r);
    }
    std::string out;
    for (const auto& person : people) AppendCard(out, person, tableName);
    return out;
}

}  // namespace hollin
