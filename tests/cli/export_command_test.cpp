// hollin --export FILE.ics: the calendar read back by python3-icalendar and
// its recurrences expanded by dateutil's rrule for ten years, against the
// program's occurrence rules; the single events of --ages; the statuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "cli/export_command.h"
#include "data/date_routines.h"
#include "data/upcoming_rules.h"
#include "tests/cli/command_fixture.h"

namespace hollin {
namespace {

std::string IsoDate(int32_t day) {
    const TDateParts p = DecodeDate(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", p.year, p.month, p.day);
    return text;
}

// The standard output of a shell command, or nothing when it failed.
std::optional<std::string> Output(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string text;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    return ::pclose(pipe) == 0 ? std::optional(text) : std::nullopt;
}

// Debian's interpreter, whose packages python3-icalendar and python3-dateutil
// are installed (a python3 earlier on PATH may lack them).
constexpr const char* kPython = "/usr/bin/python3";

bool PythonCalendarTools() {
    return std::system((std::string(kPython) + " -c 'import icalendar, dateutil' 2>/dev/null").c_str()) == 0;
}

struct Event {
    const char* first;
    const char* last;
    const char* event;
    int32_t date;
    const char* summary;  // of the recurring event
};

class ExportCommand : public testing::CommandTest {
protected:
    void SetUp() override {
        testing::CommandTest::SetUp();
        auto table = larch::testing::EventCursor(folder.path());
        table->Open();
        for (const Event& e : kExtra) larch::testing::AddEvent(*table, e.first, e.last, e.event, e.date);
    }
    int Run(std::vector<std::string> args, std::string& out, std::string& err) {
        std::ostringstream outStream, errStream;
        const int status = RunExportCommand(args, Chooser(), outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }
    // The occurrences the python tools read from the file, from today for ten years.
    std::string Expanded(const std::string& file) {
        const std::string command = std::string(kPython) + " '" HOLLIN_SOURCE_DIR "/tests/cli/ics_occurrences.py' '" + file + "' " +
                                    IsoDate(Today()) + " " + IsoDate(Last());
        std::optional<std::string> text = Output(command);
        EXPECT_TRUE(text) << command;
        return text.value_or("");
    }
    int32_t Last() const { return EncodeDate(2036, 12, 10); }

    static inline const Event kExtra[] = {
        {"Lee", "Leap", "Birthday", EncodeDate(2000, 2, 29), "Lee Leap's birthday"},
        {"Eve", "Newyear", "Birthday", EncodeDate(1999, 1, 1), "Eve Newyear's birthday"},
        {"Feb", "End", "Birthday", EncodeDate(1988, 2, 28), "Feb End's birthday"},
        {"New", "Born", "Birthday", EncodeDate(2027, 3, 5), "New Born's birthday"},
        {"Gus", "Grad, Jr", "Graduation", EncodeDate(2016, 12, 31), "Gus Grad\\, Jr: Graduation"},
    };
};

TEST_F(ExportCommand, RecurrencesExpandToTheProgramsOccurrences) {
    if (!PythonCalendarTools()) GTEST_SKIP() << "python3-icalendar or python3-dateutil is not installed";
    const std::string file = folder / "events.ics";
    std::string out, err;
    ASSERT_EQ(Run({"--export", file, "--remind", "3"}, out, err), kCommandOk) << err;
    EXPECT_EQ(out, "Exported 9 records to " + file + "\n");
    // The expected lines from the occurrence rules.
    const Event all[] = {
        {"Dave", "Smith", "Birthday", EncodeDate(1936, 12, 14), "Dave Smith's birthday"},
        {"Ann", "Lee", "Anniversary", EncodeDate(2001, 12, 11), "Ann Lee: anniversary"},
        {"Bo", "Ng", "Passing", EncodeDate(2020, 1, 5), "Bo Ng: passing"},
        {"Cy", "Far", "Birthday", EncodeDate(1990, 1, 20), "Cy Far's birthday"},
    };
    std::vector<std::string> lines;
    int key = 0;
    auto expect = [&](const Event& e) {
        ++key;
        const std::string summary = std::string(e.summary).find("\\,") != std::string::npos ? "Gus Grad, Jr: Graduation"
                                                                                              : e.summary;
        for (auto day = NextOccurrence(e.date, Today()); day && *day <= Last(); day = NextOccurrence(e.date, *day + 1)) {
            lines.push_back(IsoDate(*day) + "|Hollin.DAT-" + std::to_string(key) + "@hollin|" + summary + "|-P3D");
        }
    };
    for (const Event& e : all) expect(e);
    for (const Event& e : kExtra) expect(e);
    std::sort(lines.begin(), lines.end());
    std::string expected = "CALNAME Hollin.DAT\n";
    for (const std::string& line : lines) expected += line + "\n";
    EXPECT_EQ(Expanded(file), expected);
    // The leap-day rule met both kinds of year.
    EXPECT_NE(expected.find("2028-02-29|Hollin.DAT-5@"), std::string::npos);
    EXPECT_NE(expected.find("2027-03-01|Hollin.DAT-5@"), std::string::npos);
}

TEST_F(ExportCommand, AgesGiveOneEventPerOccurrenceWithItsMilestone) {
    if (!PythonCalendarTools()) GTEST_SKIP() << "python3-icalendar or python3-dateutil is not installed";
    const std::string file = folder / "ages.ics";
    std::string out, err;
    ASSERT_EQ(Run({"--export", file, "--ages", "2", "--table", "Hollin.DAT"}, out, err), kCommandOk) << err;
    const std::string text = Expanded(file);
    // Two years from 12/11/2026: through 12/10/2028.
    for (const char* line : {"2026-12-11|Hollin.DAT-2-2026@hollin|Ann Lee: 25th anniversary (silver)|-",
                             "2027-12-11|Hollin.DAT-2-2027@hollin|Ann Lee: 26th anniversary|-",
                             "2026-12-14|Hollin.DAT-1-2026@hollin|Dave Smith turns 90|-",
                             "2027-03-01|Hollin.DAT-5-2027@hollin|Lee Leap turns 27|-",
                             "2028-02-29|Hollin.DAT-5-2028@hollin|Lee Leap turns 28|-",
                             "2027-03-05|Hollin.DAT-8-2027@hollin|New Born is born|-",
                             "2026-12-31|Hollin.DAT-9-2026@hollin|Gus Grad, Jr: Graduation, 10 years|-"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
    EXPECT_EQ(text.find("2028-12-11"), std::string::npos) << text;
    // Nine records, two years each.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 9 * 2);
}

TEST_F(ExportCommand, CardsReadByVobject) {
    if (std::system((std::string(kPython) + " -c 'import vobject' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "python3-vobject is not installed";
    }
    auto table = larch::testing::EventCursor(folder.path());
    table->Open();
    larch::testing::AddEvent(*table, "Ann", "Lee", "Birthday", EncodeDate(1984, 3, 10));
    larch::testing::AddEvent(*table, "ann", "LEE", "Wedding; civil", EncodeDate(2001, 12, 12));
    table->First();
    table->Edit();
    table->FieldByName("Photo").SetAsBytes({0xFF, 0xD8, 0xFF, 1, 2, 3, 4});
    table->Post();
    table.reset();
    const std::string file = folder / "people.vcf";
    std::string out, err;
    ASSERT_EQ(Run({"--export", file}, out, err), kCommandOk) << err;
    EXPECT_EQ(out, "Exported 11 records to " + file + "\n");
    std::optional<std::string> cards =
        Output(std::string(kPython) + " '" HOLLIN_SOURCE_DIR "/tests/cli/vcf_cards.py' '" + file + "'");
    ASSERT_TRUE(cards);
    // Cards in the order of the people's first records (first-name order); the photo is the first record's.
    EXPECT_EQ(*cards,
              "Ann Lee|Lee,Ann,|19840310|20011211|-|Wedding; civil=20011212|7\n"
              "Bo Ng|Ng,Bo,|-|-|20200105||0\n"
              "Cy Far|Far,Cy,|19900120|-|-||0\n"
              "Dave Smith|Smith,Dave,|19361214|-|-||0\n"
              "Eve Newyear|Newyear,Eve,|19990101|-|-||0\n"
              "Feb End|End,Feb,|19880228|-|-||0\n"
              "Gus Grad, Jr|Grad, Jr,Gus,|-|-|-|Graduation=20161231|0\n"
              "Lee Leap|Leap,Lee,|20000229|-|-||0\n"
              "New Born|Born,New,|20270305|-|-||0\n");
}

TEST_F(ExportCommand, UidsAreStableAndLinesFolded) {
    const std::string a = folder / "a.ics", b = folder / "b.ics";
    std::string out, err;
    ASSERT_EQ(Run({"--export", a}, out, err), kCommandOk);
    ASSERT_EQ(Run({"--export", b}, out, err), kCommandOk);
    auto uids = [](const std::string& path) {
        std::string text = larch::testing::ReadBytes(path), uids;
        for (std::size_t at = text.find("\r\nUID:"); at != std::string::npos; at = text.find("\r\nUID:", at + 1)) {
            uids += text.substr(at, text.find("\r\n", at + 2) - at);
        }
        return uids;
    };
    EXPECT_EQ(uids(a), uids(b));
    EXPECT_NE(uids(a).find("UID:Hollin.DAT-9@hollin"), std::string::npos);
    std::istringstream lines(larch::testing::ReadBytes(a));
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 76u) << line;  // 75 octets and the CR
        EXPECT_EQ(line.back(), '\r') << line;
    }
}

TEST_F(ExportCommand, StatusesOfWrongOptionsAndFiles) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {{"--export", folder / "x.pdf"}, kCommandBadUsage, "--export takes a .ics, .vcf, .csv file"},
        {{"--export", folder / "x.ics", "--ages", "0"}, kCommandBadUsage, "--ages takes a number of years"},
        {{"--export", folder / "x.ics", "--remind", "-1"}, kCommandBadUsage, "--remind takes a number of days"},
        {{"--export", folder / "x.ics", "--days", "3"}, kCommandBadUsage, "Unknown argument"},
        {{"--export", folder / "x.vcf", "--ages", "3"}, kCommandBadUsage, "--ages is for an .ics export"},
        {{"--export", folder / "x.ics", "--table", "None"}, kCommandFailed, "Cannot read the table None.DAT"},
        {{"--export", folder / "no/such/x.ics"}, kCommandFailed, "Cannot create file"},
    };
    for (const Case& c : cases) {
        std::string out, err;
        EXPECT_EQ(Run(c.args, out, err), c.status) << c.args[1];
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace hollin
