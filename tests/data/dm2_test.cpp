// The data module over a temporary program folder: creating and opening the
// default table, the table list, the status texts, required fields and the
// photo commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/dm2.h"
#include "data/event_schema.h"
#include "dataset/date_time.h"
#include "dataset/stream.h"
#include "engine/files/engine_error.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"
#include "tests/support/test_text.h"

namespace hollin {
namespace {

namespace fs = std::filesystem;
using larch::testing::AddEvent;
using larch::testing::EventCursor;
using larch::testing::TestFolder;
using larch::testing::ReadFile;
using larch::testing::ErrorText;



class DataModule : public ::testing::Test {
protected:
    void SetUp() override { SetClockForTesting(MakeDateTime(EncodeDate(2026, 12, 10), 0)); }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    TestFolder folder;
};

TEST_F(DataModule, FirstStartCreatesTheDefaultTableAndASecondStartChangesNothing) {
    std::string before[3];
    {
        Tdm2 dm2(folder.path());
        dm2.dm2Create();
        EXPECT_TRUE(dm2.Larchtbl.Active());
        EXPECT_EQ(dm2.Larchtbl.IndexName(), "FirstName");
        EXPECT_EQ(dm2.Larchtbl.TableName(), "Hollin.dat");
        EXPECT_EQ(dm2.StatusTexts().recNo, "Table is Empty");
        EXPECT_EQ(fs::file_size(folder / "Hollin.DAT"), 13183u);
        EXPECT_EQ(fs::file_size(folder / "Hollin.IDX"), 4096u);
        EXPECT_EQ(fs::file_size(folder / "Hollin.BLB"), 512u);
        // Nothing of a restructure is left behind.
        for (const char* backup : {"Hollin.DBK", "Hollin.IBK", "Hollin.BBK"}) EXPECT_FALSE(fs::exists(folder / backup));
    }
    const char* files[3] = {"Hollin.DAT", "Hollin.IDX", "Hollin.BLB"};
    for (int i = 0; i < 3; ++i) before[i] = ReadFile(folder / files[i]);
    {
        Tdm2 dm2(folder.path());
        dm2.dm2Create();
        EXPECT_TRUE(dm2.Larchtbl.Active());
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(folder / files[i]), before[i]) << files[i];
}

TEST_F(DataModule, OpensInFirstNameOrderAndKeepsTheStatusTexts) {
    Tdm2::CreateTables(folder.path());
    {
        auto table = EventCursor(folder.path());
        table->Open();
        AddEvent(*table, "Zed", "Young", "Birthday", EncodeDate(1984, 12, 10));
        AddEvent(*table, "Ann", "Baker", "Passing", EncodeDate(2016, 12, 11));
    }
    Tdm2 dm2(folder.path());
    std::vector<TRecordStatusTexts> seen;
    dm2.OnStatusChange = [&](const TRecordStatusTexts& texts) { seen.push_back(texts); };
    dm2.dm2Create();
    EXPECT_EQ(dm2.Larchtbl.FieldByName("FirstName").AsString(), "Ann");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().recNo, "Record 1 of 2");
    EXPECT_EQ(seen.back().eTitle, "Ann Passed 9 years ago.");

    dm2.Larchtbl.Next();
    EXPECT_EQ(dm2.StatusTexts().recNo, "Record 2 of 2");
    EXPECT_EQ(dm2.StatusTexts().eTitle, "Zed is 42 years old.");

    dm2.Larchtbl.Insert();
    EXPECT_EQ(dm2.StatusTexts().mode, "Inserting");
    EXPECT_EQ(dm2.StatusTexts().eTitle, "");  // empty event, empty name
    dm2.Larchtbl.Cancel();
    EXPECT_EQ(dm2.StatusTexts().mode, "");
    dm2.Larchtbl.Edit();
    EXPECT_EQ(dm2.StatusTexts().mode, "Editing");
    // A changed field reaches the sentence at once.
    dm2.Larchtbl.FieldByName("Event").SetAsString("Anniversary");
    EXPECT_EQ(dm2.StatusTexts().eTitle, "Zed were married 42 years ago.");
    dm2.Larchtbl.Cancel();
}

TEST_F(DataModule, PostWithAnEmptyRequiredFieldNamesTheFirstAndStaysInInsert) {
    Tdm2 dm2(folder.path());
    dm2.dm2Create();
    dm2.Larchtbl.Insert();
    dm2.Larchtbl.FieldByName("FirstName").SetAsString("Ann");
    dm2.Larchtbl.FieldByName("Event").SetAsString("Birthday");
    dm2.Larchtbl.FieldByName("EventDate").SetAsDate(EncodeDate(2000, 1, 1));
    EXPECT_EQ(ErrorText([&] { dm2.Larchtbl.Post(); }), "Field 'LastName' must have a value");
    EXPECT_EQ(dm2.Larchtbl.State(), dsInsert);
    EXPECT_EQ(dm2.Larchtbl.FieldByName("FirstName").AsString(), "Ann");
    dm2.Larchtbl.FieldByName("LastName").SetAsString("Baker");
    dm2.Larchtbl.Post();
    EXPECT_EQ(dm2.Larchtbl.RecordCount(), 1);
}

TEST_F(DataModule, TableListNamesEveryTableOnceWithTheDefaultLast) {
    Tdm2 dm2(folder.path());
    dm2.BuildTableList();  // no table yet: nothing written
    EXPECT_FALSE(fs::exists(dm2.ListFilePath()));

    dm2.dm2Create();
    dm2.BuildTableList();
    EXPECT_EQ(ReadFile(dm2.ListFilePath()), "Hollin.DAT\r\n");

    for (const char* name : {"work.dat", "Family.DAT"}) {
        larch::TLarchTable table;
        table.SetDatabaseName(folder.path());
        table.SetTableName(name);
        CreateEventTable(table, kUserTableIndexCount);
    }
    fs::create_directory(folder / "Folder.DAT");  // a folder is no table
    std::ofstream(folder / "notes.txt") << "x";
    dm2.BuildTableList();
    EXPECT_EQ(ReadFile(dm2.ListFilePath()), "Family.DAT\r\nwork.dat\r\nHollin.DAT\r\n");
}

TEST_F(DataModule, TableListNamesNeedNoWritableListFile) {
    Tdm2 dm2(folder.path());
    dm2.dm2Create();
    fs::create_directory(dm2.ListFilePath());  // writing fails, also for root
    EXPECT_THROW(dm2.BuildTableList(), larch::ELarchEngineError);
    EXPECT_EQ(dm2.TableListNames(), std::vector<std::string>{"Hollin.DAT"});
}

TEST_F(DataModule, CloseAllTablesClosesTheCursorOnly) {
    Tdm2 dm2(folder.path());
    dm2.dm2Create();
    dm2.RunSql(0);
    dm2.CloseAllTables();
    EXPECT_FALSE(dm2.Larchtbl.Active());
    EXPECT_TRUE(dm2.Larchq.Active());
    dm2.Larchq.Close();
}

TEST_F(DataModule, PhotoLoadedFromAFileIsStoredByteForByte) {
    Tdm2 dm2(folder.path());
    dm2.dm2Create();
    std::string bytes("\xFF\xD8 not decoded here \x00\x01\x02 end", 26);
    std::ofstream(folder / "photo.jpg", std::ios::binary) << bytes;
    dm2.Larchtbl.Insert();
    for (const char* name : {"FirstName", "LastName", "Event"}) dm2.Larchtbl.FieldByName(name).SetAsString("X");
    dm2.Larchtbl.FieldByName("EventDate").SetAsDate(Today());
    TDataSource watcher;
    std::vector<std::string> changedFields;
    watcher.OnDataChange = [&](TDataSource&, TField* field) {
        if (field != nullptr) changedFields.push_back(field->FieldName());
    };
    watcher.SetDataSet(&dm2.Larchtbl);
    dm2.LoadPhotoFromFile(folder / "photo.jpg");
    EXPECT_EQ(dm2.Larchtbl.State(), dsInsert);
    // The photo control follows the field through this change.
    EXPECT_EQ(changedFields, std::vector<std::string>{"Photo"});
    EXPECT_TRUE(dm2.Larchtbl.Modified());
    watcher.SetDataSet(nullptr);
    dm2.Larchtbl.Post();

    auto reader = EventCursor(folder.path());
    reader->Open();
    auto stream = reader->CreateBlobStream(reader->FieldByName("Photo"), bmRead);
    std::string stored(stream->Size(), '\0');
    stream->ReadBuffer(stored.data(), stored.size());
    EXPECT_EQ(stored, bytes);

    // A file that cannot be read leaves the record as it was.
    dm2.Larchtbl.Edit();
    EXPECT_NE(ErrorText([&] { dm2.LoadPhotoFromFile(folder / "missing.jpg"); }), "");
    EXPECT_FALSE(dm2.Larchtbl.FieldByName("Photo").IsNull());
    dm2.Larchtbl.Cancel();

    dm2.ClearPhoto();
    EXPECT_EQ(dm2.Larchtbl.State(), dsBrowse);
    EXPECT_TRUE(dm2.Larchtbl.FieldByName("Photo").IsNull());
    dm2.ClearPhoto();  // already empty: posted unchanged
    EXPECT_EQ(dm2.Larchtbl.RecordCount(), 1);
}

TEST_F(DataModule, ClearPhotoErrorsAreReplacedByTheirKind) {
    EXPECT_EQ(ClearPhotoErrorText(larch::ELarchEngineError(10029, "x")), "There was an unexpected blob error");
    EXPECT_EQ(ClearPhotoErrorText(larch::ELarchEngineError(8961, "x")),
              "Unknown or unexpected database engine error # 8961");
    EXPECT_EQ(ClearPhotoErrorText(std::runtime_error("x")), "Unknown or unexpected error has occurred");

    Tdm2 dm2(folder.path());
    dm2.dm2Create();
    dm2.Larchtbl.Insert();  // required fields still empty
    EXPECT_EQ(ErrorText([&] { dm2.ClearPhoto(); }), "Unknown or unexpected error has occurred");
    EXPECT_EQ(dm2.Larchtbl.State(), dsInsert);
    dm2.Larchtbl.Cancel();
}

}  // namespace
}  // namespace hollin
