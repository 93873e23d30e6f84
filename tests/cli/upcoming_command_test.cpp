// hollin --upcoming on a small table: the lines for each choice of days,
// and the exit statuses of wrong options and unreadable data.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/upcoming_command.h"
#include "tests/cli/command_fixture.h"

namespace hollin {
namespace {

class UpcomingCommand : public testing::CommandTest {
protected:
    int Run(std::vector<std::string> args, std::string& out, std::string& err) {
        std::ostringstream outStream, errStream;
        const int status = RunUpcomingCommand(args, Chooser(), outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }
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

TEST_F(UpcomingCommand, ReadsATableItMayNotWrite) {
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    std::string out, err;
    EXPECT_EQ(Run({"--upcoming", "--days", "3"}, out, err), kCommandOk) << err;
    EXPECT_EQ(out, kHeader + kAnn + kDave);
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
