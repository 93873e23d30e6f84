// The vCard import: a corpus in the shapes of the common exporters, each
// with the records it must give; broken cards; the duplicate rule; a batch
// that fails midway leaves the table as it was.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "data/vcard_import.h"
#include "data/vcard_reader.h"
#include "data/vcard_text.h"
#include "dataset/date_time.h"
#include "engine/files/file_faults.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace hollin {
namespace {

const std::string kCorpus = std::string(HOLLIN_SOURCE_DIR) + "/tests/data/vcards/";

// A record as one line: names, event, date, phones, e-mail, web site, address, photo.
std::string Line(const TTransferRecord& r) {
    return r.firstName + "|" + r.middleName + "|" + r.lastName + "|" + r.event + "|" + FormatDate(r.eventDate) + "|" +
           r.phone + "|" + r.phoneFax + "|" + r.cellPhone + "|" + r.email + "|" + r.website + "|" + r.address + "|" +
           r.city + "|" + r.state + "|" + r.zip + (r.photo.empty() ? "" : "|photo");
}

std::vector<std::string> Lines(const std::vector<TTransferRecord>& records) {
    std::vector<std::string> lines;
    for (const TTransferRecord& r : records) lines.push_back(Line(r));
    return lines;
}

std::vector<std::string> Skips(const TImportReport& report) {
    std::vector<std::string> skips;
    for (const TImportEntry& e : report.skipped) skips.push_back(std::to_string(e.line) + " " + e.kind);
    return skips;
}

struct CorpusCase {
    const char* file;
    std::vector<std::string> records;
    std::vector<std::string> skipped;
};

TEST(VCardImport, CorpusGivesItsRecords) {
    const CorpusCase cases[] = {
        {"google.vcf",
         {"Ann|Marie|Lee|Birthday|03/10/1984|555 0102||+1 555 0101|ann@example.com|https://ann.example.com|"
          "12 Elm Street|Springfield|IL|62704"},
         {"18 without a year"}},
        {"apple.vcf",
         {"Zoë||Müller|Anniversary|09/08/2001||+49 30 9999|+49 170 1234|||||||photo",
          "Zoë||Müller|Graduation|05/20/2010||+49 30 9999|+49 170 1234|||||||photo",
          "Zoë||Müller|Other|01/31/2015||+49 30 9999|+49 170 1234|||||||photo"},
         {"8 without a year"}},
        {"kde.vcf",
         {"Carl||Dorn|Anniversary|06/15/1990|0228 2222|0228 1111||||Lindenweg 4|Bonn|NW|53111",
          "Carl||Dorn|Birthday|11/30/1961|0228 2222|0228 1111||||Lindenweg 4|Bonn|NW|53111"},
         {}},
        {"thunderbird.vcf",
         {"Dee||Fox|Birthday|10/15/1953||||dee@fox.example|http://fox.example||||",
          "Dee||Fox|Anniversary|06/21/1975||||dee@fox.example|http://fox.example||||"},
         {"7 without a date"}},
        {"nextcloud.vcf",
         {"Eve|Maximiliana-Theodora|Longname|Birthday|02/29/2000|||+1-555-0199|||||||photo",
          "Eve|Maximiliana-Theodora|Longname|Anniversary|02/28/2022|||+1-555-0199|||||||photo"},
         {}},
        {"outlook.vcf",
         {"Jörg||Grün|Anniversary|12/31/1999|030 555||0171 555|||Hauptstraße 1|Berlin|BE|10115",
          "Jörg||Grün|Birthday|01/01/1970|030 555||0171 555|||Hauptstraße 1|Berlin|BE|10115"},
         {}},
    };
    for (const CorpusCase& c : cases) {
        SCOPED_TRACE(c.file);
        TImportReport report;
        const auto records = RecordsOfVCards(ReadWholeFile(kCorpus + c.file), nullptr, report);
        EXPECT_EQ(Lines(records), c.records);
        EXPECT_EQ(Skips(report), c.skipped);
    }
}

TEST(VCardImport, NotesKeepTheirLineBreaksAndEscapes) {
    TImportReport report;
    auto google = RecordsOfVCards(ReadWholeFile(kCorpus + "google.vcf"), nullptr, report);
    ASSERT_EQ(google.size(), 1u);
    EXPECT_EQ(google[0].notes, "Likes tea, not coffee\nSecond line");
    auto outlook = RecordsOfVCards(ReadWholeFile(kCorpus + "outlook.vcf"), nullptr, report);
    ASSERT_FALSE(outlook.empty());
    EXPECT_EQ(outlook[0].notes, "First line\r\nSecond line with a long text that goes on and on");
}

TEST(VCardImport, PhotosAreStoredByteForByte) {
    TImportReport report;
    const auto apple = RecordsOfVCards(ReadWholeFile(kCorpus + "apple.vcf"), nullptr, report);
    const auto cloud = RecordsOfVCards(ReadWholeFile(kCorpus + "nextcloud.vcf"), nullptr, report);
    ASSERT_FALSE(apple.empty());
    ASSERT_FALSE(cloud.empty());
    EXPECT_TRUE(IsJpeg(apple[0].photo));
    EXPECT_EQ(apple[0].photo.size(), 53u);
    EXPECT_EQ(apple[0].photo, cloud[0].photo);
}

TEST(VCardImport, BrokenCardsAreSkippedWithTheirLines) {
    TImportReport report;
    const auto records = RecordsOfVCards(ReadWholeFile(kCorpus + "broken.vcf"), nullptr, report);
    EXPECT_EQ(Lines(records), (std::vector<std::string>{"Ok||One|Birthday|01/01/1980|||||||||",
                                                         "UrlPhoto||Five|Birthday|01/01/1985|||||||||"}));
    EXPECT_EQ(Skips(report), (std::vector<std::string>{"6 broken", "7 broken", "17 broken", "34 broken",
                                                        "11 broken", "23 without a name"}));
    EXPECT_EQ(report.sources, 7);  // the cards, broken ones included; not the text between them
    const std::string details = report.Details();
    EXPECT_NE(details.find("line 6: text outside a card"), std::string::npos) << details;
    EXPECT_NE(details.find("line 7: card without END"), std::string::npos) << details;
    EXPECT_NE(details.find("line 11: photo is not valid base64"), std::string::npos) << details;
    EXPECT_NE(details.find("line 17: line 20 is not a property"), std::string::npos) << details;
    EXPECT_NE(details.find("line 31: photo by URL not fetched"), std::string::npos) << details;
    EXPECT_NE(details.find("line 34: card without END"), std::string::npos) << details;
}

// A converter that turns anything into a fixed JPEG, or refuses.
class FakeConverter : public TPhotoConverter {
public:
    explicit FakeConverter(bool works) : m_works(works) {}
    std::optional<std::vector<uint8_t>> ToJpeg(const std::vector<uint8_t>&) override {
        if (!m_works) return std::nullopt;
        return std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xD9};
    }

private:
    bool m_works;
};

TEST(VCardImport, OtherPicturesGoThroughTheConverter) {
    const std::string png = EncodeBase64({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    const std::string card = "BEGIN:VCARD\nN:Lee;Ann\nBDAY:19900101\nPHOTO:data:image/png;base64," + png + "\nEND:VCARD\n";
    FakeConverter works(true), fails(false);
    TImportReport report;
    const auto converted = RecordsOfVCards(card, &works, report);
    ASSERT_EQ(converted.size(), 1u);
    EXPECT_EQ(converted[0].photo, (std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xD9}));
    TImportReport refused;
    EXPECT_TRUE(RecordsOfVCards(card, &fails, refused).empty());
    EXPECT_EQ(Skips(refused), std::vector<std::string>{"1 broken"});
}

struct DateCase {
    const char* property;
    std::string expected;  // the date, or the skip's kind
};

TEST(VCardImport, DateForms) {
    const DateCase cases[] = {
        {"BDAY:19960415", "04/15/1996"},
        {"BDAY:1996-04-15", "04/15/1996"},
        {"BDAY:19531015T231000Z", "10/15/1953"},
        {"BDAY:1996-04-15T00:00:00", "04/15/1996"},
        {"BDAY;VALUE=date:1996-04-15", "04/15/1996"},
        {"BDAY:--0415", "without a year"},
        {"BDAY:--04-15", "without a year"},
        {"BDAY;X-APPLE-OMIT-YEAR=1604:1604-04-15", "without a year"},
        {"BDAY:1604-04-15", "without a year"},
        {"BDAY;VALUE=text:circa 1800", "without a date"},
        {"BDAY:1996-02-30", "without a date"},
        {"BDAY:", "without a date"},
        {"bday:19960415", "04/15/1996"},
    };
    for (const DateCase& c : cases) {
        SCOPED_TRACE(c.property);
        TImportReport report;
        const std::string card = std::string("BEGIN:VCARD\nN:Lee;Ann\n") + c.property + "\nEND:VCARD\n";
        const auto records = RecordsOfVCards(card, nullptr, report);
        const std::string got = records.empty() ? (report.skipped.empty() ? "" : report.skipped[0].kind)
                                                : FormatDate(records[0].eventDate);
        EXPECT_EQ(got, c.expected);
    }
}

TEST(VCardReader, LinesAndParameters) {
    // LF and CR line ends, folding by blank and tab, groups and names in any case.
    const TVCardFile file = ReadVCards("begin:vcard\rItem1.Tel;type=\"CELL,voice\":1\r\n 2\n\t3\nEND:VCARD");
    ASSERT_EQ(file.cards.size(), 1u);
    ASSERT_EQ(file.cards[0].properties.size(), 1u);
    const TVCardProperty& tel = file.cards[0].properties[0];
    EXPECT_EQ(tel.group, "item1");
    EXPECT_EQ(tel.name, "TEL");
    EXPECT_EQ(tel.value, "123");
    EXPECT_TRUE(tel.HasType("CELL"));
    EXPECT_TRUE(tel.HasType("VOICE"));
    EXPECT_FALSE(tel.HasType("FAX"));
    EXPECT_TRUE(file.broken.empty());
}

TEST(VCardText, Escapes) {
    EXPECT_EQ(UnescapeVCardText("a\\,b\\;c\\\\d\\ne\\Nf\\:g\\x"), "a,b;c\\d\ne\nf:g\\x");
    EXPECT_EQ(SplitVCardComponents("Lee\\;Jr;Ann;;"), (std::vector<std::string>{"Lee;Jr", "Ann", "", ""}));
    EXPECT_EQ(UnescapeVCardText(EscapeVCardText("a,b;c\\d\ne")), "a,b;c\\d\ne");
    EXPECT_EQ(Utf8Prefix("Zoë", 3), "Zo");
    EXPECT_EQ(Utf8Prefix("a\xF0\x9F\x98\x80", 4), "a");
    EXPECT_EQ(Utf8Prefix("\x80\x80\x80\x80\x80\x80", 5), "\x80\x80\x80\x80\x80");
    EXPECT_EQ(DecodeBase64(EncodeBase64({1, 2, 3, 4, 5})), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(DecodeBase64("a$b="));
}

class VCardIntoTable : public ::testing::Test {
protected:
    void SetUp() override {
        table = larch::testing::EventCursor(folder.path());
        larch::testing::DefineEventTable(*table);
        table->CreateTable();
        table->Open();
    }
    void TearDown() override { larch::SetFileFaultHook({}); }

    std::vector<std::string> TableLines() {
        std::vector<std::string> lines;
        for (table->First(); !table->Eof(); table->Next()) {
            lines.push_back(table->FieldByName("FirstName").AsString() + " " + table->FieldByName("MiddleName").AsString() +
                            " " + table->FieldByName("Event").AsString() + " " +
                            table->FieldByName("EventDate").AsString());
        }
        return lines;
    }

    larch::testing::TestFolder folder;
    std::unique_ptr<larch::TLarchTable> table;
};

TEST_F(VCardIntoTable, DuplicatesOfTheTableAndOfTheFileAreSkipped) {
    larch::testing::AddEvent(*table, "ann", "LEE", "birthday", EncodeDate(1984, 3, 10));
    const std::string cards =
        "BEGIN:VCARD\nN:Lee;Ann\nBDAY:19840310\nANNIVERSARY:20100101\nEND:VCARD\n"
        "BEGIN:VCARD\nN:lee;ANN\nANNIVERSARY:20100101\nBDAY:19840311\nEND:VCARD\n";
    const TImportReport report = ImportVCards(*table, cards, nullptr);
    EXPECT_EQ(report.Summary(), "Added 2 records from 2 cards; skipped 2: 2 duplicates");
    EXPECT_EQ(Skips(report), (std::vector<std::string>{"3 duplicate", "8 duplicate"}));
    EXPECT_EQ(table->RecordCount(), 3);
}

TEST_F(VCardIntoTable, LongValuesAreCutAtACharacterAndCounted) {
    const TImportReport report = ImportVCards(*table, ReadWholeFile(kCorpus + "nextcloud.vcf"), nullptr);
    EXPECT_EQ(report.Summary(), "Added 2 records from 1 card; 2 values shortened");
    EXPECT_EQ(TableLines(), (std::vector<std::string>{"Eve Maximiliana-The Birthday 02/29/2000",
                                                      "Eve Maximiliana-The Anniversary 02/28/2022"}));
}

TEST_F(VCardIntoTable, AFailedBatchLeavesTheTableAsItWas) {
    larch::testing::AddEvent(*table, "Old", "One");
    std::string cards;
    for (int i = 0; i < 50; ++i) {
        cards += "BEGIN:VCARD\nN:Lee;Ann" + std::to_string(i) + "\nBDAY:19840310\nEND:VCARD\n";
    }
    int syncs = 0;
    larch::SetFileFaultHook([&](larch::FileOp op, const std::string&, std::size_t&) {
        return op == larch::FileOp::Sync && ++syncs == 2 ? EIO : 0;
    });
    EXPECT_ANY_THROW(ImportVCards(*table, cards, nullptr));
    larch::SetFileFaultHook({});
    table->Close();
    table->Open();
    EXPECT_EQ(TableLines(), std::vector<std::string>{"Old  Birthday " + FormatDate(730000)});
}

}  // namespace
}  // namespace hollin
