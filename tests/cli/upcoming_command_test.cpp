// hollin --upcoming on a small table: the lines for each choice of days,
// and the exit statuses of wrong options and unreadable data.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/upcoming_command.h"
#include "data/dm2.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace hollin {
namespace {

using larch::testing::AddEvent;
using larch::testing::TestFolder;

class UpcomingCommand : public ::testing::Test {
protected:
    void SetUp() override {
        SetClockForTesting(MakeDateTime(EncodeDate(2026, 12, 11), 0));
        Tdm2::CreateTables(folder.path());
        auto table = larch::testing::EventCursor(folder.path());
        table->Open();
        AddEvent(*table, "Dave", "Smith", "Birthday", EncodeDate(1936, 12, 14));
        AddEvent(*table, "Ann", "Lee", "Anniversary", EncodeDate(2001, 12, 11));
        AddEvent(*table, "Bo", "Ng", "Passing", EncodeDate(2020, 1, 5));
        AddEvent(*table, "Cy", "Far", "Birthday", EncodeDate(1990, 1, 20));
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    int Run(std::vector<std::string> args, std::string& out, std::string& err) {
        std::ostringstream outStream, errStream;
        const TFolderChooser chooser = [&](const std::optional<std::string>& dataDir) {
            return dataDir ? *dataDir + "/" : folder.path() + "/";
        };
        const int status = RunUpcomingCommand(args, chooser, outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    TestFolder folder;
};

const std::string kHeader = "Date\tIn\tFirstName\tLastName\tEvent\tYears\tMilestone\n";
const std::string kAnn = "12/11/2026\t0\tAnn\tLee\tAnniversary\t25\tAnn: 25th anniversary (silver) *\n";
const std::string kDave = "12/14/2026\t3\tDave\tSmith\tBirthday\t90\tDave turns 90 *\n";
const std::string kBo = "01/05/2027\t25\tBo\tNg\tPassing\t7\tBo: 7 years since passing\n";
const std::string kCy = "01/20/2027\t40\tCy\tFar\tBirthday\t37\tCy turns 37\n";

TEST_F(UpcomingCommand, LinesForTheDaysAsked) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"--upcoming"}, kHeader + kAnn + kDave + kBo},
        {{"--upcoming", "--days", "0"}, kHeader + kAnn},
        {{"--days", "2", "--upcoming"}, kHeader + kAnn},
        {{"--upcoming", "--days", "40", "--table", "Hollin"}, kHeader + kAnn + kDave + kBo + kCy},
    };
    for (const Case& c : cases) {
        std::string out, err;
        EXPECT_EQ(Run(c.args, out, err), kCommandOk) << err;
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(err, "");
    }
}

TEST_F(UpcomingCommand, WrongOptionsAndUnreadableData) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"--upcoming", "--days", "x"}, kCommandBadUsage, "--days takes a number"},
        {{"--upcoming", "--days", "-1"}, kCommandBadUsage, "--days takes a number"},
        {{"--upcoming", "--days"}, kCommandBadUsage, "needs a value"},
        {{"--upcoming", "--data-dir", ""}, kCommandBadUsage, "needs a value"},
        {{"--upcoming", "--output", "f.txt"}, kCommandBadUsage, "Unknown argument for --upcoming: --output"},
        {{"--upcoming", "--table", "../Hollin.DAT"}, kCommandBadUsage, "not a path"},
        {{"--upcoming", "--table", "Missing"}, kCommandFailed, "Cannot read the table Missing.DAT"},
        {{"--upcoming", "--data-dir", folder / "nowhere"}, kCommandFailed, "Data folder not found"},
    };
    for (const Case& c : cases) {
        std::string out, err;
        EXPECT_EQ(Run(c.args, out, err), c.status) << c.message;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(out, "");
    }
}

}  // namespace
}  // namespace hollin
