// The output modes, one case per mode and setting, on a small result with a
// number column, a NULL, a quote, a comma and a two-byte letter.
#include <gtest/gtest.h>

#include <sstream>

#include "shell/output_modes.h"

namespace larch::shell {
namespace {

struct ModeCase {
    const char* name;
    OutputSettings settings;
    const char* expected;
};

OutputSettings With(OutputMode mode, bool headers = true, std::string separator = "|", std::string null = "") {
    return OutputSettings{mode, headers, std::move(separator), std::move(null)};
}

std::string Printed(const OutputSettings& settings, int rows) {
    std::ostringstream out;
    ResultPrinter printer(settings, out);
    printer.Begin({{"Name", false}, {"N", true}, {"Note", false}});
    const std::vector<std::optional<std::string>> values[] = {{"Zoë", "7", std::nullopt},
                                                              {"Al \"B\"", "-12.5", "a,b"}};
    for (int i = 0; i < rows; ++i) printer.Row(values[i]);
    printer.End();
    return out.str();
}

TEST(OutputModes, EachModePrintsAsSqlite3Does) {
    const ModeCase cases[] = {
        {"csv", With(OutputMode::Csv), "Name,N,Note\r\nZoë,7,\r\n\"Al \"\"B\"\"\",-12.5,\"a,b\"\r\n"},
        {"csv without headers, null text", With(OutputMode::Csv, false, "|", "NULL"),
         "Zoë,7,NULL\r\n\"Al \"\"B\"\"\",-12.5,\"a,b\"\r\n"},
        {"list", With(OutputMode::List), "Name|N|Note\nZoë|7|\nAl \"B\"|-12.5|a,b\n"},
        {"list with a tab", With(OutputMode::List, false, "\t", "-"), "Zoë\t7\t-\nAl \"B\"\t-12.5\ta,b\n"},
        {"line", With(OutputMode::Line, true, "|", "(null)"),
         "Name = Zoë\n   N = 7\nNote = (null)\n\nName = Al \"B\"\n   N = -12.5\nNote = a,b\n"},
        {"column", With(OutputMode::Column),
         "Name    N      Note\n------  -----  ----\nZoë         7\nAl \"B\"  -12.5  a,b\n"},
        {"column without headers", With(OutputMode::Column, false), "Zoë         7\nAl \"B\"  -12.5  a,b\n"},
        {"table", With(OutputMode::Table, false),
         "+--------+-------+------+\n| Name   | N     | Note |\n+--------+-------+------+\n"
         "| Zoë    |     7 |      |\n| Al \"B\" | -12.5 | a,b  |\n+--------+-------+------+\n"},
        {"json", With(OutputMode::Json, true, "|", "ignored"),
         "[{\"Name\":\"Zoë\",\"N\":7,\"Note\":null},\n{\"Name\":\"Al \\\"B\\\"\",\"N\":-12.5,\"Note\":\"a,b\"}]\n"},
    };
    for (const ModeCase& c : cases) {
        EXPECT_EQ(Printed(c.settings, 2), c.expected) << c.name;
    }
}

// A result without rows: only the streaming modes with headers print the names.
TEST(OutputModes, AnEmptyResult) {
    const ModeCase cases[] = {
        {"csv", With(OutputMode::Csv), "Name,N,Note\r\n"},   {"list", With(OutputMode::List), "Name|N|Note\n"},
        {"line", With(OutputMode::Line), ""},                {"column", With(OutputMode::Column), ""},
        {"table", With(OutputMode::Table), ""},              {"json", With(OutputMode::Json), ""},
    };
    for (const ModeCase& c : cases) EXPECT_EQ(Printed(c.settings, 0), c.expected) << c.name;
}

TEST(OutputModes, JsonEscapesAndNonFiniteNumbers) {
    std::ostringstream out;
    ResultPrinter printer(With(OutputMode::Json), out);
    printer.Begin({{"T", false}, {"F", true}});
    printer.Row({std::string("a\\b\n\t\x01"), std::string("inf")});
    printer.End();
    EXPECT_EQ(out.str(), "[{\"T\":\"a\\\\b\\n\\t\\u0001\",\"F\":\"inf\"}]\n");
}

TEST(OutputModes, ModeNames) {
    for (const char* name : {"csv", "list", "line", "column", "table", "json"}) {
        ASSERT_TRUE(ModeByName(name).has_value()) << name;
        EXPECT_NE(std::string(ModeNames()).find(name), std::string::npos);
    }
    EXPECT_FALSE(ModeByName("box").has_value());
    EXPECT_FALSE(ModeByName("CSV").has_value());
}

}  // namespace
}  // namespace larch::shell
