// hollin --report calendar: twelve PDF pages for the year asked, the file
// replaced only by a whole calendar, and the statuses of wrong options and
// unreadable data.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "cli/calendar_command.h"
#include "tests/cli/command_fixture.h"

namespace hollin {
namespace {

using larch::testing::ReadBytes;
using larch::testing::WriteBytes;

// The page objects of a PDF file ("/Type /Page", not "/Pages").
int PdfPageCount(const std::string& pdf) {
    static const std::regex page(R"(/Type\s*/Page[^s])");
    return static_cast<int>(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

class CalendarCommand : public testing::CommandTest {
protected:
    int Run(const std::vector<std::string>& args, std::string& err) {
        std::ostringstream errStream;
        const int status = RunCalendarCommand(args, Chooser(), errStream);
        err = errStream.str();
        return status;
    }
};

TEST_F(CalendarCommand, TwelvePagesOfTheYear) {
    const std::string output = folder / "calendar.pdf";
    WriteBytes(output, "an older file");
    std::string err;
    ASSERT_TRUE(NamesCalendarCommand({"--report", "calendar", "--year", "2028"}));
    EXPECT_FALSE(NamesCalendarCommand({"--report", "list"}));
    EXPECT_EQ(Run({"--report", "calendar", "--year", "2028", "--output", output}, err), kCommandOk) << err;
    EXPECT_EQ(err, "");
    const std::string pdf = ReadBytes(output);
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
    EXPECT_EQ(PdfPageCount(pdf), 12);
    EXPECT_FALSE(std::filesystem::exists(output + ".part"));
}

TEST_F(CalendarCommand, WrongOptionsAndUnreadableData) {
    const std::string output = folder / "calendar.pdf";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"--report", "calendar"}, kCommandBadUsage, "needs --output"},
        {{"--report", "calendar", "--output", folder / "c.txt"}, kCommandBadUsage, "is a .pdf file"},
        {{"--report", "calendar", "--year", "20x6", "--output", output}, kCommandBadUsage, "--year takes a year"},
        {{"--report", "calendar", "--days", "3", "--output", output}, kCommandBadUsage, "--days is not an option"},
        {{"--report", "calendar", "--bogus", "--output", output}, kCommandBadUsage, "Unknown argument"},
        {{"--report", "calendar", "--table", "Missing", "--output", output}, kCommandFailed, "Missing.DAT"},
        {{"--report", "calendar", "--data-dir", folder / "nowhere", "--output", output}, kCommandFailed,
         "Data folder not found"},
        {{"--report", "calendar", "--output", folder / "no-folder/c.pdf"}, kCommandFailed, "Cannot write"},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(Run(c.args, err), c.status) << c.message;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
    EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
}  // namespace hollin
