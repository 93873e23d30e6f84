// CSV import and export of event records: the export as the shell writes it
// without the photo, read back into an empty table; header names in any case,
// unknown columns, both date forms, rows that cannot be records.
#include <gtest/gtest.h>

#include "data/csv_import.h"
#include "data/transfer_files.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace hollin {
namespace {

std::vector<std::string> Skips(const TImportReport& report) {
    std::vector<std::string> skips;
    for (const TImportEntry& e : report.skipped) skips.push_back(std::to_string(e.line) + " " + e.kind);
    return skips;
}

TEST(CsvImport, ColumnsDatesAndRowsThatCannotBeRecords) {
    const std::string text =
        "lastname,FIRSTNAME,Event,EventDate,Shoe size,notes\r\n"
        "Lee,Ann,Birthday,03/10/1984,38,\"two\nlines, and a comma\"\n"
        "Ng,Bo,Passing,2020-01-05,41,\n"
        "\n"
        "Far,Cy,Birthday,1990-02-30,40,\n"
        ",Dee,Birthday,01/01/1990,40,\n"
        "Fox,Eve,,01/01/1990,40,\n"
        "Gay,Fay,Birthday,01/01/1990\n"
        "Hu,Gus,Birthday,01/01/1990,40,\"open\n";
    TImportReport report;
    const std::vector<TTransferRecord> records = RecordsOfCsv(text, report);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].firstName + " " + records[0].lastName + " " + FormatDate(records[0].eventDate) + " " +
                  records[0].notes,
              "Ann Lee 03/10/1984 two\nlines, and a comma");
    EXPECT_EQ(records[1].event + " " + FormatDate(records[1].eventDate), "Passing 01/05/2020");
    EXPECT_EQ(Skips(report), (std::vector<std::string>{"6 without a date", "7 without a name", "8 broken", "9 broken",
                                                        "10 broken"}));
    EXPECT_NE(report.Details().find("line 1: unknown column \"Shoe size\" left out"), std::string::npos);
    EXPECT_EQ(report.sources, 7);
}

class CsvTransfer : public ::testing::Test {
protected:
    std::unique_ptr<larch::TLarchTable> NewTable(const std::string& name) {
        return larch::testing::NewEventTable(folder.path(), name);
    }
    larch::testing::TestFolder folder;
};

TEST_F(CsvTransfer, ExportedAsTheShellWritesAndReadBack) {
    auto source = NewTable("Source.DAT");
    larch::testing::AddEvent(*source, "Ann", "Lee", "Birthday", EncodeDate(1984, 3, 10));
    source->Edit();
    source->FieldByName("Notes").SetAsString("tea, \"green\"\nmostly");
    source->FieldByName("City").SetAsString("Köln");
    source->FieldByName("Photo").SetAsBytes({0xFF, 0xD8, 0xFF});
    source->Post();
    larch::testing::AddEvent(*source, "Bo", "Ng", "Passing", EncodeDate(2020, 1, 5));
    int count = 0;
    const std::string text = ExportText(*source, TTransferFormat::Csv, {}, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(text,
              "IndexField,FirstName,MiddleName,LastName,Event,EventDate,Notes,Phone,PhoneFax,CellPhone,Email,Website,"
              "Zip,State,City,Address\r\n"
              "1,Ann,,Lee,Birthday,03/10/1984,\"tea, \"\"green\"\"\nmostly\",,,,,,,,Köln,\r\n"
              "2,Bo,,Ng,Passing,01/05/2020,,,,,,,,,,\r\n");
    auto target = NewTable("Target.DAT");
    const TImportReport report = ImportText(*target, TTransferFormat::Csv, text, nullptr);
    EXPECT_EQ(report.Summary(), "Added 2 records from 2 rows");
    int again = 0;
    EXPECT_EQ(ExportText(*target, TTransferFormat::Csv, {}, again), text);
    // The same rows again are duplicates.
    EXPECT_EQ(ImportText(*target, TTransferFormat::Csv, text, nullptr).Summary(),
              "Added 0 records from 2 rows; skipped 2: 2 duplicates");
}

TEST(TransferFiles, FormatOfFile) {
    EXPECT_EQ(FormatOfFile("a/b.VCF"), TTransferFormat::VCard);
    EXPECT_EQ(FormatOfFile("b.ics"), TTransferFormat::ICalendar);
    EXPECT_EQ(FormatOfFile("b.Csv"), TTransferFormat::Csv);
    EXPECT_EQ(FormatOfFile("b.txt"), std::nullopt);
    EXPECT_EQ(FormatOfFile("csv"), std::nullopt);
}

}  // namespace
}  // namespace hollin
