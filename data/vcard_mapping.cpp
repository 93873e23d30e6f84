// The mapping of a card's properties to event record fields.
#include "data/vcard_mapping.h"

#include <optional>
#include <string>

#include "data/vcard_date.h"
#include "data/vcard_text.h"

namespace hollin {

bool IsJpeg(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

namespace {

constexpr const char* kAppleAnniversaryLabel = "_$!<Anniversary>!$_";

struct TDatedProperty {
    const TVCardProperty* property;
    std::string event;
};

bool IsAnniversaryName(const std::string& name) {
    return name == "ANNIVERSARY" || name == "X-ANNIVERSARY" || name == "X-KADDRESSBOOK-X-ANNIVERSARY" ||
           name == "X-EVOLUTION-ANNIVERSARY" || name == "X-MS-ANNIVERSARY";
}

// The label of an Apple X-ABDATE: from the X-ABLABEL of the same group;
// Apple's own labels "_$!<Other>!$_" lose their decoration.
std::string AppleDateLabel(const TVCard& card, const TVCardProperty& date) {
    std::string label;
    if (!date.group.empty()) {
        for (const TVCardProperty& p : card.properties) {
            if (p.group == date.group && p.name == "X-ABLABEL") label = UnescapeVCardText(p.value);
        }
    }
    if (label == kAppleAnniversaryLabel) return "Anniversary";
    if (label.rfind("_$!<", 0) == 0 && label.size() > 8 && label.compare(label.size() - 4, 4, ">!$_") == 0) {
        label = label.substr(4, label.size() - 8);
    }
    return label.empty() ? "Other" : label;
}

std::vector<TDatedProperty> DatedProperties(const TVCard& card) {
    std::vector<TDatedProperty> dated;
    for (const TVCardProperty& p : card.properties) {
        if (p.name == "BDAY") dated.push_back({&p, "Birthday"});
        else if (IsAnniversaryName(p.name)) dated.push_back({&p, "Anniversary"});
        else if (p.name == "DEATHDATE") dated.push_back({&p, "Passing"});
        else if (p.name == "X-ABDATE") dated.push_back({&p, AppleDateLabel(card, p)});
    }
    return dated;
}

// The preferred property of that name, else the first; null when none.
const TVCardProperty* Preferred(const TVCard& card, std::string_view name) {
    const TVCardProperty* first = nullptr;
    for (const TVCardProperty& p : card.properties) {
        if (p.name != name) continue;
        if (p.HasType("PREF") || p.Value("PREF") == "1") return &p;
        if (!first) first = &p;
    }
    return first;
}

std::string Trimmed(std::string text) {
    text.erase(0, text.find_first_not_of(" \t"));
    text.erase(text.find_last_not_of(" \t") + 1);
    return text;
}

std::string Component(const std::vector<std::string>& parts, std::size_t i) {
    return i < parts.size() ? Trimmed(parts[i]) : std::string();
}

// Fills the names from N, else from FN split at its last blank.
void MapName(const TVCard& card, TTransferRecord& record) {
    if (const TVCardProperty* n = Preferred(card, "N")) {
        const std::vector<std::string> parts = SplitVCardComponents(n->value);
        record.lastName = Component(parts, 0);
        record.firstName = Component(parts, 1);
        record.middleName = Component(parts, 2);
        if (!record.firstName.empty() || !record.lastName.empty()) return;
    }
    if (const TVCardProperty* fn = Preferred(card, "FN")) {
        const std::string full = Trimmed(UnescapeVCardText(fn->value));
        const std::size_t blank = full.find_last_of(' ');
        if (blank == std::string::npos) {
            record.firstName = full;
        } else {
            record.firstName = Trimmed(full.substr(0, blank));
            record.lastName = full.substr(blank + 1);
        }
    }
}

std::string TelephoneNumber(const TVCardProperty& tel) {
    std::string number = Trimmed(UnescapeVCardText(tel.value));
    if (AsciiLower(number.substr(0, 4)) == "tel:") number = number.substr(4);
    return number;
}

void MapTelephones(const TVCard& card, TTransferRecord& record) {
    for (const TVCardProperty& p : card.properties) {
        if (p.name != "TEL") continue;
        std::string* target = p.HasType("CELL") ? &record.cellPhone : p.HasType("FAX") ? &record.phoneFax : &record.phone;
        if (target->empty()) *target = TelephoneNumber(p);
    }
}

void MapAddress(const TVCard& card, TTransferRecord& record) {
    const TVCardProperty* adr = Preferred(card, "ADR");
    if (!adr) return;
    // post office box; extended address; street; locality; region; postal code; country
    const std::vector<std::string> parts = SplitVCardComponents(adr->value);
    record.address = Component(parts, 2);
    record.city = Component(parts, 3);
    record.state = Component(parts, 4);
    record.zip = Component(parts, 5);
}

// The photo's bytes as JPEG; false when the card carries a photo that
// cannot be decoded. A photo by URL is left out with a note.
bool MapPhoto(const TVCard& card, TPhotoConverter* converter, TTransferRecord& record, TCardRecords& result,
              std::string& problem) {
    const TVCardProperty* photo = Preferred(card, "PHOTO");
    if (!photo) return true;
    std::string value = Trimmed(photo->value);
    const std::string encoding = AsciiLower(photo->Value("ENCODING"));
    std::optional<std::vector<uint8_t>> bytes;
    if (AsciiLower(value.substr(0, 5)) == "data:") {
        const std::size_t comma = value.find(',');
        if (comma == std::string::npos || AsciiLower(value.substr(0, comma)).find(";base64") == std::string::npos) {
            problem = "photo is not base64 data";
            return false;
        }
        bytes = DecodeBase64(std::string_view(value).substr(comma + 1));
    } else if (encoding == "b" || encoding == "base64") {
        bytes = DecodeBase64(value);
    } else {
        if (!value.empty()) {
            result.notes.push_back({photo->line, "", "photo by URL not fetched (" + value.substr(0, 80) + ")"});
        }
        return true;
    }
    if (!bytes || bytes->empty()) {
        problem = "photo is not valid base64";
        return false;
    }
    if (IsJpeg(*bytes)) {
        record.photo = std::move(*bytes);
        return true;
    }
    std::optional<std::vector<uint8_t>> jpeg = converter ? converter->ToJpeg(*bytes) : std::nullopt;
    if (!jpeg) {
        problem = "photo cannot be decoded";
        return false;
    }
    record.photo = std::move(*jpeg);
    return true;
}

std::string Who(const TTransferRecord& record) {
    std::string name = record.firstName;
    if (!record.lastName.empty()) name += (name.empty() ? "" : " ") + record.lastName;
    return name;
}

}  // namespace

TCardRecords MapVCard(const TVCard& card, TPhotoConverter* converter) {
    TCardRecords result;
    TTransferRecord common;
    common.line = card.line;
    MapName(card, common);
    if (common.firstName.empty() || common.lastName.empty()) {
        result.skipped.push_back({card.line, skip::kWithoutName,
                                  "card without a first and last name" + (Who(common).empty() ? "" : " (" + Who(common) + ")")});
        return result;
    }
    std::string problem;
    if (!MapPhoto(card, converter, common, result, problem)) {
        result.notes.clear();
        result.skipped.push_back({card.line, skip::kBroken, problem + " (" + Who(common) + ")"});
        return result;
    }
    MapTelephones(card, common);
    MapAddress(card, common);
    if (const TVCardProperty* email = Preferred(card, "EMAIL")) {
        common.email = Trimmed(UnescapeVCardText(email->value));
        if (AsciiLower(common.email.substr(0, 7)) == "mailto:") common.email = common.email.substr(7);
    }
    if (const TVCardProperty* url = Preferred(card, "URL")) common.website = Trimmed(UnescapeVCardText(url->value));
    if (const TVCardProperty* note = Preferred(card, "NOTE")) common.notes = UnescapeVCardText(note->value);

    const std::vector<TDatedProperty> dated = DatedProperties(card);
    if (dated.empty()) {
        result.skipped.push_back({card.line, skip::kWithoutDate, "card without a date (" + Who(common) + ")"});
    }
    for (const TDatedProperty& d : dated) {
        const TVCardDate date = ParseVCardDate(*d.property);
        const std::string what = " (" + Who(common) + ", " + d.event + ")";
        if (date.kind == TVCardDate::WithoutYear) {
            result.skipped.push_back({d.property->line, skip::kWithoutYear, "date without a year" + what});
        } else if (date.kind == TVCardDate::NoDate) {
            result.skipped.push_back({d.property->line, skip::kWithoutDate, "\"" + d.property->value + "\" is no date" + what});
        } else {
            TTransferRecord record = common;
            record.line = d.property->line;
            record.event = d.event;
            record.eventDate = date.day;
            result.records.push_back(std::move(record));
        }
    }
    return result;
}

}  // namespace hollin
