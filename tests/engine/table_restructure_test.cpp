// Tests of RestructureTable on table files: the three paths, what each leaves
// on disk, data losses and their causes, stops and injected failures, value
// conversions, and the checks of the restructure definitions.
#include "engine/tables/table_restructure.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>

#include <gtest/gtest.h>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/records/field_types.h"
#include "engine/records/record_fields.h"
#include "engine/records/record_layout.h"
#include "engine/records/value_conversion.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_table.h"
#include "tests/support/engine_error_code.h"

namespace larch {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::TestFolder;
using namespace hollin;

constexpr int kPhotoField = 16;  // position of Photo
constexpr int kNotesField = 6;

using testing::CodeOf;

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.what();
    }
    return {};
}

Bytes ReadFile(const std::string& path, std::size_t from = 0) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(std::istreambuf_iterator<char>(in), {});
    return from < bytes.size() ? Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end()) : Bytes{};
}

std::vector<std::string> FileNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void AddEventFieldDefs(TRestructureFieldDefs& f) {
    struct Def {
        const char* name;
        TFieldType type;
        int size;
        bool required;
    };
    const Def defs[] = {{"IndexField", ftAutoInc, 0, false}, {"FirstName", ftString, 15, true},
                        {"MiddleName", ftString, 15, false}, {"LastName", ftString, 15, true},
                        {"Event", ftString, 15, true},       {"EventDate", ftDate, 0, true},
                        {"Notes", ftMemo, 0, false},         {"Phone", ftString, 13, false},
                        {"PhoneFax", ftString, 13, false},   {"CellPhone", ftString, 13, false},
                        {"Email", ftString, 30, false},      {"Website", ftString, 35, false},
                        {"Zip", ftString, 10, false},        {"State", ftString, 2, false},
                        {"City", ftString, 15, false},       {"Address", ftString, 25, false},
                        {"Photo", ftBlob, 0, false}};
    uint16_t number = 1;
    for (const Def& d : defs) f.Add(d.name, d.type, d.size, d.required, "", "", "", "", number++);
}

void AddEventIndexDefs(TRestructureIndexDefs& x) {
    x.Add("", "IndexField", ixPrimary | ixUnique | ixCaseInsensitive, 0);
    x.Add("Event", "Event", ixCaseInsensitive, 0);
    x.Add("LastName", "LastName", ixCaseInsensitive, 0);
    x.Add("FirstName", "FirstName", ixCaseInsensitive, 0);
    x.Add("Edate", "EventDate;Event;FirstName;LastName", 0, 0);
}

// The definitions with one field left out or changed (by position).
TRestructureFieldDefs EventFieldsWith(const std::function<bool(int, TRestructureFieldDef&)>& edit) {
    TRestructureFieldDefs all, result;
    AddEventFieldDefs(all);
    for (int i = 0; i < all.Count(); ++i) {
        TRestructureFieldDef d = all[i];
        if (!edit(i, d)) continue;
        result.Add(d.Name, d.DataType, d.Size, d.Required, d.DefaultValue, d.MinValue, d.MaxValue, d.Description,
                   d.FieldNumber);
    }
    return result;
}

struct Person {
    std::string first, last, city;
    Bytes photo;
    std::string notes;
};

const std::vector<Person> kPeople = {
    {"Ann", "Smith", "Springfield", Bytes(1000, 1), "likes tea"},
    {"Bob", "Jones", "Shelbyville", Bytes(), ""},
    {"Cy", "Brown", "Ogdenville", Bytes(600, 3), ""},
    {"Dee", "Smith", "North Haverbrook", Bytes(40, 4), "second Smith"},
    {"Eve", "Stone", "Capital City", Bytes(2000, 5), ""},
};

void OpenExclusive(TDataFile& file, const std::string& path) {
    PrepareExclusive(file, path, TableFileOptions{});
    file.Open();
}

void SetBlob(TDataFile& file, uint32_t number, int field, const Bytes& value) {
    if (value.empty()) return;
    uint32_t first = file.Blob()->WriteValue(0, number, value.data(), static_cast<uint32_t>(value.size()));
    RecordPin record(file, file.GetRecord(number));
    SetUInt32Field(file.Fields()[static_cast<std::size_t>(field)], record->image.data(), first);
    record->dirty = true;
}

// Every record in use by record ID.
std::map<uint32_t, Bytes> RecordsById(TDataFile& file) {
    std::map<uint32_t, Bytes> records;
    for (uint32_t n = 1; n < file.Header().nextRecordNumber; ++n) {
        RecordPin record(file, file.GetRecord(n));
        if (record->image[0] == kRecordInUse) records[RecordId(record->image.data())] = record->image;
    }
    return records;
}

std::string Text(TDataFile& file, const Bytes& image, const std::string& field) {
    return GetStringField(*file.FindField(field), image.data());
}

Bytes BlobOf(TDataFile& file, const Bytes& image, const std::string& field) {
    const FieldDescriptor& f = *file.FindField(field);
    if (FieldIsNull(f, image.data())) return {};
    return file.Blob()->ReadValue(GetUInt32Field(f, image.data()), GetU32(image.data() + 1));
}

// Problems of every index of the table, empty when all are sound.
std::vector<std::string> VerifyIndexes(TDataFile& file) {
    std::vector<std::string> problems;
    for (int slot = 0; slot <= file.Index().SecondaryCount(); ++slot) {
        if (!file.Index().SlotUsed(slot)) continue;
        for (const std::string& p : file.Index().Verify(slot)) problems.push_back(std::to_string(slot) + ": " + p);
        if (file.Index().KeyCount(slot) != file.Index().RecordCount()) problems.push_back("key count of " + std::to_string(slot));
    }
    for (const std::string& p : file.Index().Verify(kSysDeletedSlot)) problems.push_back("31: " + p);
    return problems;
}

struct Snapshot {
    Bytes data, index, blob;
    bool operator==(const Snapshot&) const = default;
};

class RestructureTest : public ::testing::Test {
public:
    void SetUp() override {
        MakeTable(kPeople);
        AddEventFieldDefs(fields);
        AddEventIndexDefs(indexes);
    }

    // The event table made by CreateTable from the same definitions that the
    // restructure lists hold, then filled with `people`.
    void MakeTable(const std::vector<Person>& people) {
        TRestructureFieldDefs f;
        TRestructureIndexDefs x;
        AddEventFieldDefs(f);
        AddEventIndexDefs(x);
        hollin::TFieldDefs createFields;
        for (int i = 0; i < f.Count(); ++i) createFields.Add(f[i].Name, f[i].DataType, f[i].Size, f[i].Required);
        TIndexDefs createIndexes;
        for (int i = 0; i < x.Count(); ++i) createIndexes.Add(x[i].Name, x[i].Fields, x[i].Options);
        CreateTableFiles(path, createFields, createIndexes, TableFileOptions{});
        TDataFile file;
        OpenExclusive(file, path);
        for (const Person& p : people) {
            std::vector<uint8_t> image = testing::MakeEventImage(file, {p.first, "", p.last, "Birthday", 730000, p.city});
            uint32_t number = file.InsertRecord(image);
            SetBlob(file, number, kPhotoField, p.photo);
            SetBlob(file, number, kNotesField, Bytes(p.notes.begin(), p.notes.end()));
        }
        file.Close();
    }

    Snapshot Files() const {
        return {ReadFile(path), ReadFile(folder / "Hollin.IDX"), ReadFile(folder / "Hollin.BLB")};
    }

    RestructurePath Restructure(bool deleteOldFiles = true, TableSettings settings = {}) {
        return RestructureTableFiles(path, fields, indexes, settings, deleteOldFiles, handlers, privateDir.path(),
                                     TableFileOptions{});
    }

    // Records the losses; stops at loss number `stopAt` (1-based) and stops
    // asking after `askUntil` losses.
    void ListenForLosses(std::size_t stopAt = 0, std::size_t askUntil = 1000) {
        handlers.onDataLost = [this, stopAt, askUntil](int cause, const std::string& name, bool& stop, bool& dontAsk) {
            losses.emplace_back(cause, name);
            stop = losses.size() == stopAt;
            dontAsk = losses.size() >= askUntil;
        };
    }

    TestFolder folder;
    TestFolder privateDir;
    std::string path = folder / "Hollin.DAT";
    TRestructureFieldDefs fields;
    TRestructureIndexDefs indexes;
    RestructureHandlers handlers;
    std::vector<std::pair<int, std::string>> losses;
};

const std::vector<std::string> kTableFiles = {"Hollin.BLB", "Hollin.DAT", "Hollin.IDX"};

TEST_F(RestructureTest, SameDefinitionsChangeNoRecordKeyOrBlob) {
    const Snapshot before = Files();
    EXPECT_EQ(Restructure(false), RestructurePath::AttributesOnly);
    const Snapshot after = Files();
    EXPECT_EQ(Bytes(after.data.begin() + 127, after.data.end()), Bytes(before.data.begin() + 127, before.data.end()));
    EXPECT_EQ(Bytes(after.index.begin() + 4, after.index.end()), Bytes(before.index.begin() + 4, before.index.end()));
    EXPECT_EQ(after.blob, before.blob);
    EXPECT_GT(GetU32(after.data.data()), GetU32(before.data.data()));
    EXPECT_GT(GetU32(after.index.data()), GetU32(before.index.data()));
    EXPECT_EQ(FileNames(folder.path()), kTableFiles);
    EXPECT_TRUE(FileNames(privateDir.path()).empty());
}

TEST_F(RestructureTest, AttributesOnlyStoresNamesDescriptionsAndSettings) {
    fields = EventFieldsWith([](int i, TRestructureFieldDef& d) {
        if (d.Name == "City") {
            d.Name = "Town";
            d.Description = "where they live";
        }
        return i >= 0;
    });
    indexes.Clear();
    AddEventIndexDefs(indexes);
    TRestructureIndexDefs renamed;
    for (int i = 0; i < indexes.Count(); ++i) {
        TRestructureIndexDef d = indexes[i];
        renamed.Add(d.Name == "Event" ? "Happening" : d.Name, d.Fields, d.Options, d.Compression);
    }
    indexes = renamed;
    TableSettings settings;
    settings.description = "Family";
    settings.settingTwo = 7;
    const Snapshot before = Files();

    EXPECT_EQ(Restructure(true, settings), RestructurePath::AttributesOnly);
    const Snapshot after = Files();
    EXPECT_EQ(Bytes(after.data.begin() + 13183, after.data.end()), Bytes(before.data.begin() + 13183, before.data.end()));
    TDataFile file;
    OpenExclusive(file, path);
    ASSERT_NE(file.FindField("Town"), nullptr);
    EXPECT_EQ(file.FindField("Town")->description, "where they live");
    EXPECT_EQ(file.FindField("City"), nullptr);
    EXPECT_EQ(file.Index().FindIndex("Happening"), 1);
    EXPECT_EQ(file.Header().description, "Family");
    EXPECT_EQ(file.Header().settingTwo, 7);
}

TEST_F(RestructureTest, ChangedIndexesRebuildOnlyTheIndexFile) {
    // Drop "Edate", add "City".
    indexes.Clear();
    indexes.Add("", "IndexField", ixPrimary | ixUnique | ixCaseInsensitive, 0);
    indexes.Add("Event", "Event", ixCaseInsensitive, 0);
    indexes.Add("LastName", "LastName", ixCaseInsensitive, 0);
    indexes.Add("FirstName", "FirstName", ixCaseInsensitive, 0);
    indexes.Add("City", "City", ixCaseInsensitive, 0);
    const Snapshot before = Files();

    EXPECT_EQ(Restructure(false), RestructurePath::IndexRebuild);
    const Snapshot after = Files();
    EXPECT_EQ(ReadFile(folder / "Hollin.IBK"), before.index);
    EXPECT_EQ(Bytes(after.data.begin() + 127, after.data.end()), Bytes(before.data.begin() + 127, before.data.end()));
    EXPECT_EQ(after.blob, before.blob);
    // The page "Edate" gave up holds the keys of "City".
    EXPECT_EQ(after.index.size(), before.index.size());
    EXPECT_TRUE(FileNames(privateDir.path()).empty());
    {
        TDataFile file;
        OpenExclusive(file, path);
        EXPECT_EQ(file.Index().SecondaryCount(), 4);
        EXPECT_EQ(file.Index().FindIndex("City"), 4);
        EXPECT_EQ(file.Index().FindIndex("Edate"), -1);
        EXPECT_EQ(file.Index().RecordCount(), kPeople.size());
        EXPECT_EQ(VerifyIndexes(file), std::vector<std::string>{});
    }

    // A changed index is built again; the old files go.
    ASSERT_TRUE(std::filesystem::remove(folder / "Hollin.IBK"));
    indexes.Clear();
    indexes.Add("", "IndexField", ixPrimary | ixUnique | ixCaseInsensitive, 0);
    indexes.Add("Event", "Event", ixCaseInsensitive, 0);
    indexes.Add("LastName", "LastName", 0, 0);
    indexes.Add("FirstName", "FirstName", ixCaseInsensitive, 0);
    indexes.Add("City", "City", ixCaseInsensitive, 0);
    indexes.Add("Zip", "Zip", 0, 0);
    EXPECT_EQ(Restructure(true), RestructurePath::IndexRebuild);
    EXPECT_EQ(FileNames(folder.path()), kTableFiles);
    TDataFile file;
    OpenExclusive(file, path);
    EXPECT_EQ(file.Index().SecondaryCount(), 5);
    EXPECT_FALSE(file.Index().Descriptor(2).caseInsensitive);
    EXPECT_EQ(VerifyIndexes(file), std::vector<std::string>{});
}

TEST_F(RestructureTest, DuplicateInANewUniqueIndexDeletesTheRecordWhenGoingOn) {
    indexes.Add("UniqueLast", "LastName", ixUnique, 0);
    ListenForLosses();
    EXPECT_EQ(Restructure(true), RestructurePath::IndexRebuild);
    EXPECT_EQ(losses, (std::vector<std::pair<int, std::string>>{{dlKeyViolation, "UniqueLast"}}));
    EXPECT_EQ(FileNames(folder.path()), kTableFiles);

    TDataFile file;
    OpenExclusive(file, path);
    std::map<uint32_t, Bytes> records = RecordsById(file);
    EXPECT_EQ(records.size(), kPeople.size() - 1);
    EXPECT_EQ(records.count(4), 0u);  // the second Smith
    EXPECT_EQ(Text(file, records.at(1), "FirstName"), "Ann");
    EXPECT_EQ(BlobOf(file, records.at(5), "Photo"), kPeople[4].photo);
    EXPECT_NE(file.Blob()->FreeBlockHead(), 0u);  // its photo and notes were freed
    EXPECT_EQ(VerifyIndexes(file), std::vector<std::string>{});
    EXPECT_EQ(file.Index().KeyCount(kSysDeletedSlot), kPeople.size());
}

TEST_F(RestructureTest, StoppingAtADuplicateRestoresTheIndexFile) {
    indexes.Add("UniqueLast", "LastName", ixUnique, 0);
    ListenForLosses(1);
    const Snapshot before = Files();
    EXPECT_EQ(Restructure(false), RestructurePath::IndexRebuild);
    EXPECT_EQ(losses.size(), 1u);
    EXPECT_TRUE(Files() == before);
    EXPECT_EQ(FileNames(folder.path()), kTableFiles);
}

TEST_F(RestructureTest, AFailedIndexRebuildLeavesTheTableAsItWas) {
    struct Case {
        const char* what;
        std::function<void(RestructureTest&)> arrange;
        int code;  // 0: the handler's own exception
    };
    const Case cases[] = {
        {"progress handler throws",
         [](RestructureTest& t) {
             t.handlers.onProgress = [](uint32_t slot, int) {
                 if (slot == 3) throw std::runtime_error("cancelled");
             };
         },
         0},
        {"loss handler throws",
         [](RestructureTest& t) {
             t.handlers.onDataLost = [](int, const std::string&, bool&, bool&) { throw std::runtime_error("no"); };
         },
         0},
        {"a kept index lacks the duplicate's key",
         [](RestructureTest& t) {
             TDataFile file;
             OpenExclusive(file, t.path);
             RecordPin record(file, file.GetRecord(4));
             std::vector<uint8_t> key = file.KeyOf(3, record->image.data());  // "FirstName"
             file.Index().DeleteKey(3, key.data());
         },
         err::KeyNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeTable(kPeople);
        handlers = {};
        c.arrange(*this);
        indexes.Clear();
        AddEventIndexDefs(indexes);
        indexes.Add("UniqueLast", "LastName", ixUnique, 0);
        const Snapshot before = Files();
        if (c.code == 0) {
            EXPECT_THROW(Restructure(false), std::runtime_error);
        } else {
            EXPECT_EQ(CodeOf([&] { Restructure(false); }), c.code);
        }
        EXPECT_TRUE(Files() == before);
        EXPECT_EQ(FileNames(folder.path()), kTableFiles);
        TDataFile file;
        OpenExclusive(file, path);
        EXPECT_EQ(file.Index().SecondaryCount(), 4);
        EXPECT_EQ(file.Index().RecordCount(), kPeople.size());
    }
}

TEST_F(RestructureTest, DroppingAFieldCopiesEveryRecordKeepingItsId) {
    for (bool deleteOldFiles : {false, true}) {
        SCOPED_TRACE(deleteOldFiles ? "old files deleted" : "old files kept");
        for (const char* backup : {"Hollin.DBK", "Hollin.IBK", "Hollin.BBK"}) std::filesystem::remove(folder / backup);
        MakeTable(kPeople);
        {
            TDataFile file;
            OpenExclusive(file, path);
            file.DeleteRecord(2);  // record IDs 1, 3, 4, 5 remain
            file.Close();
        }
        const Snapshot before = Files();
        fields = EventFieldsWith([](int, TRestructureFieldDef& d) { return d.Name != "City"; });
        losses.clear();
        ListenForLosses(0, 2);

        EXPECT_EQ(Restructure(deleteOldFiles), RestructurePath::FullRebuild);
        // Asked once per record with a city until told not to ask again.
        EXPECT_EQ(losses, (std::vector<std::pair<int, std::string>>{{dlFieldRemoved, "City"}, {dlFieldRemoved, "City"}}));
        EXPECT_TRUE(FileNames(privateDir.path()).empty());
        if (deleteOldFiles) {
            EXPECT_EQ(FileNames(folder.path()), kTableFiles);
        } else {
            EXPECT_EQ(FileNames(folder.path()), (std::vector<std::string>{"Hollin.BBK", "Hollin.BLB", "Hollin.DAT",
                                                                          "Hollin.DBK", "Hollin.IBK", "Hollin.IDX"}));
            EXPECT_EQ(ReadFile(folder / "Hollin.DBK"), before.data);
            EXPECT_EQ(ReadFile(folder / "Hollin.IBK"), before.index);
            EXPECT_EQ(ReadFile(folder / "Hollin.BBK"), before.blob);
        }

        TDataFile file;
        OpenExclusive(file, path);
        EXPECT_EQ(file.Fields().size(), 16u);
        EXPECT_EQ(file.FindField("City"), nullptr);
        EXPECT_EQ(file.Header().lastRecordId, 5u);
        std::map<uint32_t, Bytes> records = RecordsById(file);
        ASSERT_EQ(records.size(), 4u);
        for (uint32_t id : {1u, 3u, 4u, 5u}) {
            const Person& p = kPeople[id - 1];
            EXPECT_EQ(Text(file, records.at(id), "FirstName"), p.first);
            EXPECT_EQ(BlobOf(file, records.at(id), "Photo"), p.photo);
            EXPECT_EQ(BlobOf(file, records.at(id), "Notes"), Bytes(p.notes.begin(), p.notes.end()));
        }
        EXPECT_EQ(VerifyIndexes(file), std::vector<std::string>{});
        std::vector<uint8_t> image = testing::MakeEventImage(file, {"New", "", "Person", "Birthday", 730000, ""});
        uint32_t number = file.InsertRecord(image);
        RecordPin record(file, file.GetRecord(number));
        EXPECT_EQ(RecordId(record->image.data()), 6u);
    }
}

TEST_F(RestructureTest, AStoppedOrFailedFullRebuildLeavesTheTableAsItWas) {
    fields = EventFieldsWith([](int, TRestructureFieldDef& d) { return d.Name != "City"; });
    const Snapshot before = Files();

    ListenForLosses(1);
    EXPECT_EQ(Restructure(false), RestructurePath::FullRebuild);
    EXPECT_TRUE(Files() == before);

    handlers.onDataLost = [](int, const std::string&, bool&, bool&) { throw std::runtime_error("no"); };
    EXPECT_THROW(Restructure(false), std::runtime_error);
    EXPECT_TRUE(Files() == before);

    EXPECT_EQ(FileNames(folder.path()), kTableFiles);
    EXPECT_TRUE(FileNames(privateDir.path()).empty());
}

TEST_F(RestructureTest, ANewRequiredFieldDropsRecordsWithoutAValue) {
    MakeTable({{"Ann", "Smith", "Springfield", Bytes(), ""}, {"Bob", "Jones", "", Bytes(), ""}});
    fields = EventFieldsWith([](int, TRestructureFieldDef& d) {
        if (d.Name == "City") d.Required = true;
        return true;
    });
    ListenForLosses();
    EXPECT_EQ(Restructure(), RestructurePath::FullRebuild);
    EXPECT_EQ(losses, (std::vector<std::pair<int, std::string>>{{dlValidation, "City"}}));
    TDataFile file;
    OpenExclusive(file, path);
    std::map<uint32_t, Bytes> records = RecordsById(file);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Text(file, records.at(1), "FirstName"), "Ann");
}

TEST_F(RestructureTest, TextBecomesANumberWhereItReadsAsOne) {
    hollin::TFieldDefs codeFields;
    codeFields.Add("Id", ftAutoInc);
    codeFields.Add("Code", ftString, 10);
    TIndexDefs codeIndexes;
    codeIndexes.Add("", "Id", ixPrimary | ixUnique);
    const std::string codes = folder / "Codes.DAT";
    CreateTableFiles(codes, codeFields, codeIndexes, TableFileOptions{});
    {
        TDataFile file;
        OpenExclusive(file, codes);
        for (const char* text : {"123", "abc", "  -7"}) {
            std::vector<uint8_t> image(file.ImageSize(), 0);
            SetStringField(file.Fields()[1], image.data(), text);
            file.InsertRecord(image);
        }
        file.Close();
    }
    fields.Clear();
    fields.Add("Id", ftAutoInc, 0, false, "", "", "", "", 1);
    fields.Add("Code", ftInteger, 0, false, "", "", "", "", 2);
    indexes.Clear();
    indexes.Add("", "Id", ixPrimary | ixUnique, 0);
    ListenForLosses();
    std::vector<std::pair<uint32_t, int>> progress;
    handlers.onProgress = [&](uint32_t slot, int percent) { progress.emplace_back(slot, percent); };

    EXPECT_EQ(RestructureTableFiles(codes, fields, indexes, TableSettings{}, true, handlers, privateDir.path(),
                                    TableFileOptions{}),
              RestructurePath::FullRebuild);
    EXPECT_EQ(losses, (std::vector<std::pair<int, std::string>>{{dlNotConvertible, "Code"}}));
    EXPECT_EQ(progress, (std::vector<std::pair<uint32_t, int>>{{1, 33}, {2, 67}, {3, 100}}));
    TDataFile file;
    OpenExclusive(file, codes);
    const FieldDescriptor& code = file.Fields()[1];
    std::map<uint32_t, Bytes> records = RecordsById(file);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(GetInt32Field(code, records.at(1).data()), 123);
    EXPECT_TRUE(FieldIsNull(code, records.at(2).data()));
    EXPECT_EQ(GetInt32Field(code, records.at(3).data()), -7);
}

TEST_F(RestructureTest, InvalidDefinitionsChangeNothing) {
    struct Case {
        const char* what;
        std::function<void(TRestructureFieldDefs&, TRestructureIndexDefs&, TableSettings&)> change;
        int code;
    };
    auto withField = [](const char* name, TFieldType type, const char* def, const char* min) {
        return [=](TRestructureFieldDefs& f, TRestructureIndexDefs&, TableSettings&) {
            f.Add(name, type, 0, false, def, min, "", "", 18);
        };
    };
    const Case cases[] = {
        {"default that is not a date", withField("Due", ftDate, "31/31/2000", ""), err::InvalidValidityCheck},
        {"minimum that is not a number", withField("Count", ftInteger, "", "many"), err::InvalidValidityCheck},
        {"blob block size below 64",
         [](TRestructureFieldDefs&, TRestructureIndexDefs&, TableSettings& s) { s.blobBlockSize = 63; },
         err::BlobFieldsOrBlockSize},
        {"encrypted without a password",
         [](TRestructureFieldDefs&, TRestructureIndexDefs&, TableSettings& s) { s.encrypted = true; },
         err::InvalidPassword},
        {"a language", [](TRestructureFieldDefs&, TRestructureIndexDefs&, TableSettings& s) { s.language = 9; },
         err::LanguageDriver},
        {"a field number used twice",
         [](TRestructureFieldDefs& f, TRestructureIndexDefs&, TableSettings&) {
             f.Add("Twin", ftInteger, 0, false, "", "", "", "", 3);
         },
         err::InvalidFieldDefinition},
        {"compressed index",
         [](TRestructureFieldDefs&, TRestructureIndexDefs& x, TableSettings&) { x.Add("Packed", "City", 0, 1); },
         err::UnsupportedCompression},
    };
    const Snapshot before = Files();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TRestructureFieldDefs f;
        TRestructureIndexDefs x;
        AddEventFieldDefs(f);
        AddEventIndexDefs(x);
        TableSettings settings;
        c.change(f, x, settings);
        EXPECT_EQ(CodeOf([&] {
                      RestructureTableFiles(path, f, x, settings, true, handlers, privateDir.path(), TableFileOptions{});
                  }),
                  c.code);
    }
    indexes.Add("Nowhere", "City;Nowhere", 0, 0);
    EXPECT_EQ(MessageOf([&] { Restructure(); }), "Field 'Nowhere' not found");
    EXPECT_TRUE(Files() == before);
    EXPECT_EQ(FileNames(folder.path()), kTableFiles);
    EXPECT_TRUE(FileNames(privateDir.path()).empty());
}

TEST_F(RestructureTest, GainingOrLosingThePrimaryIndexRebuildsSysDeleted) {
    // A table without a primary index, one of its records deleted.
    indexes.Clear();
    indexes.Add("", "", 0, 0);
    indexes.Add("LastName", "LastName", ixCaseInsensitive, 0);
    EXPECT_EQ(Restructure(), RestructurePath::IndexRebuild);
    {
        TDataFile file;
        OpenExclusive(file, path);
        EXPECT_TRUE(file.Index().NoPrimaryIndex());
        EXPECT_EQ(file.Index().KeyCount(kSysDeletedSlot), 0u);
        file.DeleteRecord(2);
        EXPECT_EQ(VerifyIndexes(file), std::vector<std::string>{});
    }

    indexes.Clear();
    AddEventIndexDefs(indexes);
    EXPECT_EQ(Restructure(), RestructurePath::IndexRebuild);
    TDataFile file;
    OpenExclusive(file, path);
    EXPECT_FALSE(file.Index().NoPrimaryIndex());
    EXPECT_EQ(file.Index().KeyCount(kSysDeletedSlot), kPeople.size());  // deleted slots too
    EXPECT_EQ(VerifyIndexes(file), std::vector<std::string>{});
    // The deleted slot is reused: its "Sys Deleted" key must be there.
    std::vector<uint8_t> image = testing::MakeEventImage(file, {"Fay", "", "Hill", "Birthday", 730000, ""});
    EXPECT_EQ(file.InsertRecord(image), 2u);
    EXPECT_EQ(VerifyIndexes(file), std::vector<std::string>{});
}

TEST_F(RestructureTest, ATableInUseCannotBeRestructured) {
    TDataFile shared;
    shared.SetFileName(path);
    shared.Open();
    EXPECT_EQ(CodeOf([&] { Restructure(); }), err::AccessDenied);
}

TEST(RestructureDefs, AddChecksNamesAndSizes) {
    TRestructureFieldDefs f;
    f.Add("Name", ftString, 10, false, "", "", "", "", 1);
    EXPECT_EQ(MessageOf([&] { f.Add("", ftString, 10, false, "", "", "", "", 2); }), "Field name missing");
    EXPECT_EQ(MessageOf([&] { f.Add("NAME", ftString, 10, false, "", "", "", "", 2); }),
              "Duplicate field name 'NAME'");
    for (auto [type, size] : {std::pair{ftString, 0}, {ftString, 251}, {ftInteger, 4}, {ftBCD, 9}}) {
        EXPECT_EQ(MessageOf([&] { f.Add("Other", type, size, false, "", "", "", "", 2); }), "Invalid field size");
    }
    EXPECT_EQ(f.Count(), 1);
    TRestructureIndexDefs x;
    x.Add("", "Name", ixPrimary, 0);
    x.Add("ByName", "Name", 0, 0);
    EXPECT_EQ(MessageOf([&] { x.Add("byname", "Name", 0, 0); }), "Duplicate index name 'byname'");
    EXPECT_EQ(x.Count(), 2);
}

// Conversions of one value: from a field of one type to another, read back
// as text (nullopt when the value is lost).
struct ConversionCase {
    TFieldType fromType;
    int fromSize;
    const char* value;
    TFieldType toType;
    int toSize;
    std::optional<std::string> expected;
};

const ConversionCase kConversions[] = {
    {ftString, 10, "123", ftSmallint, 0, "123"},
    {ftString, 10, "70000", ftSmallint, 0, std::nullopt},
    {ftString, 10, "abc", ftInteger, 0, std::nullopt},
    {ftInteger, 0, "70000", ftWord, 0, std::nullopt},
    {ftInteger, 0, "-5", ftWord, 0, std::nullopt},
    {ftInteger, 0, "65535", ftWord, 0, "65535"},
    {ftInteger, 0, "12345", ftString, 3, std::nullopt},
    {ftInteger, 0, "12345", ftString, 5, "12345"},
    {ftSmallint, 0, "7", ftFloat, 0, "7"},
    {ftFloat, 0, "2.5", ftInteger, 0, std::nullopt},
    {ftFloat, 0, "2", ftInteger, 0, "2"},
    {ftFloat, 0, "0.1", ftString, 10, "0.1"},
    {ftString, 10, "12.34", ftBCD, 2, "12.34"},
    {ftString, 10, "12.345", ftBCD, 2, std::nullopt},
    {ftBCD, 2, "12.5", ftFloat, 0, "12.5"},
    {ftString, 10, "01/02/2003", ftDate, 0, "01/02/2003"},
    {ftDate, 0, "01/02/2003", ftDateTime, 0, "01/02/2003"},
    {ftString, 20, "01/02/2003 10:30:00", ftDate, 0, std::nullopt},
    {ftTime, 0, "10:30:00", ftString, 10, "10:30:00"},
    {ftString, 10, "abcdefghij", ftString, 5, std::nullopt},
    {ftString, 10, "abc", ftString, 5, "abc"},
    {ftBoolean, 0, "TRUE", ftString, 5, "TRUE"},
    {ftString, 10, "false", ftBoolean, 0, "FALSE"},
    {ftInteger, 0, "2", ftBoolean, 0, std::nullopt},
    {ftString, 10, "hello", ftMemo, 0, "hello"},
    {ftString, 10, "hello", ftAutoInc, 0, std::nullopt},
};

TEST(ValueConversion, ConvertsWhatTheNewTypeCanHoldAndReportsTheRest) {
    for (const ConversionCase& c : kConversions) {
        SCOPED_TRACE(std::string(c.value) + " to type " + std::to_string(c.toType));
        std::vector<FieldDescriptor> f = {DescriptorFor("Text", ftString, 40, false, 1),
                                          DescriptorFor("From", c.fromType, c.fromSize, false, 2),
                                          DescriptorFor("To", c.toType, c.toSize, false, 3),
                                          DescriptorFor("Back", ftString, 40, false, 4)};
        Bytes image(AssignRecordLayout(f), 0);
        SetStringField(f[0], image.data(), c.value);
        Bytes blob, fromBlob, toBlob;
        ASSERT_TRUE(ConvertField(f[0], image.data(), {}, f[1], image.data(), fromBlob));
        bool kept = ConvertField(f[1], image.data(), fromBlob, f[2], image.data(), toBlob);
        ASSERT_EQ(kept, c.expected.has_value());
        if (!kept) {
            if (!f[2].IsAutoInc()) {
                EXPECT_TRUE(FieldIsNull(f[2], image.data()));
            }
            continue;
        }
        ASSERT_TRUE(ConvertField(f[2], image.data(), toBlob, f[3], image.data(), blob));
        EXPECT_EQ(GetStringField(f[3], image.data()), *c.expected);
    }
}

}  // namespace
}  // namespace larch
