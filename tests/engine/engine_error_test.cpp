#include "engine/files/engine_error.h"

#include <cerrno>

#include <gtest/gtest.h>

namespace larch {
namespace {

ELarchEngineError Catch(int code, const std::string& file, const std::string& field = {},
                        const std::string& detail = {}, const std::string& index = {}) {
    try {
        RaiseEngineError(code, file, field, detail, index);
    } catch (const ELarchEngineError& e) {
        return e;
    }
    ADD_FAILURE() << "no exception";
    return ELarchEngineError(0, "");
}

TEST(EngineError, MessagesOfTheTable) {
    struct Case {
        int code;
        const char* field;
        const char* index;
        const char* detail;
        const char* message;
    } cases[] = {
        {10029, "", "", "", "Larch Engine Error # 10029 Invalid blob length in data file /t/Hollin.BLB"},
        {9999, "", "", "", "Larch Engine Error # 9999 Unknown error occurred with data file /t/Hollin.BLB"},
        {10758, "", "", "", "Larch Engine Error # 10758 Larch engine not initialized"},
        {9729, "", "Primary", "", "Larch Engine Error # 9729 Duplicate key found in index Primary of data file /t/Hollin.BLB"},
        {9732, "FirstName", "", "", "Larch Engine Error # 9732 A value must be provided for the field FirstName in data file /t/Hollin.BLB"},
        {11949, "", "", "Expected FROM", "Larch Engine Error # 11949 SQL - Expected FROM"},
        {10023, "7", "Edate", "", "Larch Engine Error # 10023 Invalid field number 7 specified in index Edate for data file /t/Hollin.BLB"},
    };
    for (const Case& c : cases) {
        ELarchEngineError e = Catch(c.code, "/t/Hollin.BLB", c.field, c.detail, c.index);
        EXPECT_STREQ(e.what(), c.message);
        ASSERT_EQ(e.Errors().size(), 1u);
        EXPECT_EQ(e.Errors()[0].ErrorCode, c.code);
    }
}

TEST(EngineError, LongTextIsCutTo127) {
    std::string path(200, 'p');
    ELarchEngineError e = Catch(9217, path);
    EXPECT_EQ(e.EntryMessage().size(), 127u);
    EXPECT_EQ(std::string(e.what()), "Larch Engine Error # 9217 " + e.EntryMessage());
    EXPECT_EQ(e.EntryMessage().substr(0, 29), "Error reading from data file ");
}

TEST(EngineError, OsErrorMapping) {
    struct Case {
        int osError;
        int code;
    } cases[] = {{ENOENT, 11010}, {ENOTDIR, 11010}, {EMFILE, 11012}, {ENFILE, 11012},
                 {EACCES, 11013}, {EPERM, 11013},   {EROFS, 11013},  {EBADF, 11014},
                 {ENOMEM, 11016}, {ENXIO, 11023},   {ENODEV, 11023}, {EXDEV, 11025},
                 {EIO, 11047}};
    for (const Case& c : cases) EXPECT_EQ(MapOsError(c.osError), c.code) << c.osError;
}

TEST(EngineError, UnknownOsErrorShowsItsNumberAndKeepsIt) {
    try {
        RaiseOsError(1117, "/t/Hollin.DAT");
        FAIL();
    } catch (const ELarchEngineError& e) {
        EXPECT_EQ(e.EntryMessage(), "An unknown operating system error #1117 occurred with data file /t/Hollin.DAT");
        EXPECT_EQ(LastErrorContext().osError, 1117);
    }
    // A plain raise clears the system error number again.
    Catch(11047, "/t/x");
    EXPECT_EQ(LastErrorContext().osError, 0);
    EXPECT_EQ(Catch(11047, "/t/x").EntryMessage(), "An unknown operating system error #0 occurred with data file /t/x");
}

}  // namespace
}  // namespace larch
