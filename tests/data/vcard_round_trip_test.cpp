// A table exported as vCard and imported into an empty table gives the same
// records; a second export gives the same cards.
#include <gtest/gtest.h>

#include <algorithm>

#include "data/vcard_import.h"
#include "data/vcard_writer.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace hollin {
namespace {

std::string Line(const TTransferRecord& r) {
    return r.firstName + "|" + r.middleName + "|" + r.lastName + "|" + r.event + "|" + FormatDate(r.eventDate) + "|" +
           r.notes + "|" + r.phone + "|" + r.phoneFax + "|" + r.cellPhone + "|" + r.email + "|" + r.website + "|" +
           r.zip + "|" + r.state + "|" + r.city + "|" + r.address + "|" + std::to_string(r.photo.size()) + ":" +
           std::string(r.photo.begin(), r.photo.end());
}

std::vector<std::string> SortedLines(const std::vector<TTransferRecord>& records) {
    std::vector<std::string> lines;
    for (const TTransferRecord& r : records) lines.push_back(Line(r));
    std::sort(lines.begin(), lines.end());
    return lines;
}

class VCardRoundTrip : public ::testing::Test {
protected:
    std::unique_ptr<larch::TLarchTable> NewTable(const std::string& name) {
        return larch::testing::NewEventTable(folder.path(), name);
    }
    static void Add(larch::TLarchTable& table, const TTransferRecord& r) {
        table.Insert();
        auto set = [&](const char* field, const std::string& value) {
            if (!value.empty()) table.FieldByName(field).SetAsString(value);
        };
        set("FirstName", r.firstName);
        set("MiddleName", r.middleName);
        set("LastName", r.lastName);
        set("Event", r.event);
        table.FieldByName("EventDate").SetAsDate(r.eventDate);
        set("Notes", r.notes);
        set("Phone", r.phone);
        set("PhoneFax", r.phoneFax);
        set("CellPhone", r.cellPhone);
        set("Email", r.email);
        set("Website", r.website);
        set("Zip", r.zip);
        set("State", r.state);
        set("City", r.city);
        set("Address", r.address);
        if (!r.photo.empty()) table.FieldByName("Photo").SetAsBytes(r.photo);
        table.Post();
    }

    larch::testing::TestFolder folder;
};

TEST_F(VCardRoundTrip, ExportThenImportGivesTheSameRecords) {
    TTransferRecord ann;
    ann.firstName = "Ann";
    ann.middleName = "Marie";
    ann.lastName = "Lee";
    ann.notes = "Tea, not coffee; \\ backslash\nsecond line and a long one that makes the NOTE line fold twice at least";
    ann.phone = "555 0102";
    ann.phoneFax = "555 0103";
    ann.cellPhone = "+1 555 0101";
    ann.email = "ann@example.com";
    ann.website = "https://ann.example.com/a;b";
    ann.zip = "62704";
    ann.state = "IL";
    ann.city = "Springfield";
    ann.address = "12 Elm Street";
    ann.photo = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
    for (int i = 0; i < 300; ++i) ann.photo.push_back(static_cast<uint8_t>(i * 7));
    std::vector<TTransferRecord> people;
    for (auto [event, date] : {std::pair{"Birthday", EncodeDate(1984, 3, 10)}, {"Anniversary", EncodeDate(2001, 12, 11)},
                               {"Anniversary", EncodeDate(2015, 6, 1)}, {"Birthday", EncodeDate(1984, 3, 11)},
                               {"Graduation", EncodeDate(2006, 6, 30)}, {"Passing", EncodeDate(2090, 2, 28)}}) {
        TTransferRecord r = ann;
        r.event = event;
        r.eventDate = date;
        people.push_back(r);
    }
    TTransferRecord zoe;
    zoe.firstName = "Zoë";
    zoe.lastName = "Müller-Lüd";
    zoe.event = "Birthday";
    zoe.eventDate = EncodeDate(2000, 2, 29);
    people.push_back(zoe);
    TTransferRecord other = zoe;
    other.firstName = "zoë";  // the same person ignoring case
    other.event = "Konfirmation";
    other.eventDate = EncodeDate(2014, 4, 27);
    people.push_back(other);

    auto source = NewTable("Source.DAT");
    for (const TTransferRecord& r : people) Add(*source, r);
    const std::vector<TTransferRecord> before = ReadTransferRecords(*source, true);
    const std::string cards = VCardText(before, "Source.DAT");
    for (std::size_t start = 0, end; (end = cards.find("\r\n", start)) != std::string::npos; start = end + 2) {
        EXPECT_LE(end - start, 75u) << cards.substr(start, end - start);
    }

    auto target = NewTable("Target.DAT");
    const TImportReport report = ImportVCards(*target, cards, nullptr);
    EXPECT_EQ(report.Summary(), "Added 8 records from 2 cards");
    const std::vector<TTransferRecord> after = ReadTransferRecords(*target, true);
    std::vector<TTransferRecord> expected = before;
    // The card carries the names of the person's first record.
    for (TTransferRecord& r : expected) {
        if (r.firstName == "zoë") r.firstName = "Zoë";
    }
    EXPECT_EQ(SortedLines(after), SortedLines(expected));
    // A second export of the imported table gives the same cards (UIDs included).
    EXPECT_EQ(VCardText(after, "Source.DAT").size(), cards.size());
    for (std::size_t at = cards.find("UID:"); at != std::string::npos; at = cards.find("UID:", at + 1)) {
        const std::string uid = cards.substr(at, cards.find("\r\n", at) - at);
        EXPECT_NE(VCardText(after, "Source.DAT").find(uid), std::string::npos) << uid;
    }
}

}  // namespace
}  // namespace hollin
