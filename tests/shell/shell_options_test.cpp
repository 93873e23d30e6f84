// The larch command line.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "shell/shell_options.h"

namespace larch::shell {
namespace {

TEST(ShellOptions, OptionsAsSqlite3HasThem) {
    ShellOptions o = ParseShellOptions({"-json", "--noheader", "-separator", ";", "-nullvalue", "NULL", "-bail",
                                        "-cmd", ".mode line", "--cmd", ".headers on", "db", "-c", "SELECT 1"});
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.output.mode, OutputMode::Json);
    EXPECT_FALSE(o.output.headers);
    EXPECT_EQ(o.output.separator, ";");
    EXPECT_EQ(o.output.nullValue, "NULL");
    EXPECT_TRUE(o.bail);
    EXPECT_EQ(o.commands, (std::vector<std::string>{".mode line", ".headers on"}));
    EXPECT_EQ(o.folder, "db");
    EXPECT_EQ(o.texts, std::vector<std::string>{"SELECT 1"});

    const struct {
        std::vector<std::string> args;
        OutputMode mode;
    } modes[] = {{{}, OutputMode::Csv},          {{"-csv"}, OutputMode::Csv},       {{"-list"}, OutputMode::List},
                 {{"--line"}, OutputMode::Line}, {{"-column"}, OutputMode::Column}, {{"-table"}, OutputMode::Table}};
    for (const auto& m : modes) EXPECT_EQ(ParseShellOptions(m.args).output.mode, m.mode);
    EXPECT_TRUE(ParseShellOptions({}).output.headers);  // CSV with the names, as always
    EXPECT_TRUE(ParseShellOptions({"-noheader", "-header"}).output.headers);
    EXPECT_TRUE(ParseShellOptions({"--version"}).version);
    EXPECT_TRUE(ParseShellOptions({"--help"}).help);
    EXPECT_TRUE(ParseShellOptions({"-h"}).help);
}

TEST(ShellOptions, RefusedLines) {
    EXPECT_EQ(ParseShellOptions({"-c"}).error, "option -c needs a value");
    EXPECT_EQ(ParseShellOptions({"--cmd"}).error, "option --cmd needs a value");
    EXPECT_EQ(ParseShellOptions({"-box"}).error, "unknown option -box");
    EXPECT_EQ(ParseShellOptions({"a", "b"}).error, "more than one folder: a, b");
}

TEST(ShellOptions, TheUsageAndTheManualPageNameEveryOption) {
    std::ifstream in(LARCH_MAN_PAGE);
    std::stringstream text;
    text << in.rdbuf();
    std::string page = text.str();
    for (std::size_t at; (at = page.find("\\-")) != std::string::npos;) page.erase(at, 1);  // groff's "\-"
    ASSERT_FALSE(page.empty());
    for (const char* option : {"-c TEXT", "-cmd", "-csv", "-list", "-line", "-column", "-table", "-json", "-header",
                               "-noheader", "-separator", "-nullvalue", "-bail", "-version", "-help",
                               "LARCH_HISTORY"}) {
        EXPECT_NE(ShellUsage().find(option), std::string::npos) << option;
        EXPECT_NE(page.find(std::string(option).substr(0, std::string(option).find(' '))), std::string::npos)
            << option << " is not in larch.1";
    }
}

}  // namespace
}  // namespace larch::shell
