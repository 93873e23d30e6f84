// PDF and text output of the reports, and the command line's report writer.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "report/report_generator.h"
#include "report/report_painter.h"
#include "report/report_text_writer.h"
#include "tests/report/report_fixture.h"
#include "views/report_command.h"

namespace hollin::testing {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// The page objects of a PDF file ("/Type /Page", not "/Pages").
int PdfPageCount(const std::string& pdf) {
    static const std::regex page(R"(/Type\s*/Page[^s])");
    return static_cast<int>(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

TEST(PdfOutput, HasThePagesOfTheDisplayList) {
    ReportFixture f;
    f.AddNumbered(8);
    for (report::TReport* r : {&f.rb->ppReport1, &f.rb->ppReport2}) {
        SCOPED_TRACE(r->name);
        const std::size_t pages = report::TReportGenerator(*r).Generate().pages.size();
        const std::string path = f.folder / (r->name + ".pdf");
        EXPECT_EQ(report::WritePdfFile(*r, path).pages, static_cast<int>(pages));
        const std::string pdf = ReadFile(path);
        EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
        EXPECT_EQ(PdfPageCount(pdf), static_cast<int>(pages));
    }
}

TEST(PdfOutput, UnwritablePathIsRefused) {
    ReportFixture f;
    EXPECT_THROW(report::WritePdfFile(f.rb->ppReport2, f.folder / "missing/x.pdf"), std::runtime_error);
}

TEST(TextOutput, ListHoldsEveryVisibleRecordInOrderWithHeaderAndFooterLines) {
    SetClockForTesting(EncodeDate(2024, 3, 5));
    ReportFixture f;
    f.AddNumbered(9);
    std::ostringstream out;
    EXPECT_EQ(report::WriteText(f.rb->ppReport2, out), 2);
    SetClockForTesting(std::nullopt);
    const std::string text = out.str();

    // Each record's block: first line with the columns in their order, then
    // the address lines.
    std::size_t at = 0;
    for (int i = 1; i <= 9; ++i) {
        const Person p = NumberedPerson(i);
        const std::regex first("(^|\n)" + p.first + " M " + p.last + " +" + p.event + " +[0-9/]{10} +" + p.phone + "\n" +
                               p.address + "\n" + p.city + " " + p.state + " " + p.zip + "\n\n");
        std::smatch match;
        const std::string rest = text.substr(at);
        ASSERT_TRUE(std::regex_search(rest, match, first)) << "record " << i << " in:\n" << text;
        at += match.position(0) + match.length(0);
    }
    EXPECT_EQ(text.substr(0, text.find('\n')), std::string(33, ' ') + "HollinData" + std::string(27, ' ') + "03/05/2024");
    EXPECT_NE(text.find("Page 1 of 2\n\f\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 12), "Page 2 of 2\n");
}

// The command writes into its own folder and answers with its exit status.
struct CommandCase {
    const char* kind;
    const char* output;
    int status;
    bool written;
};

class ReportCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ReportCommand, WritesOrRefuses) {
    const CommandCase& c = GetParam();
    ReportFixture f;
    f.AddNumbered(4);
    f.table->Close();
    const std::string output = f.folder / c.output;
    std::ostringstream err;
    EXPECT_EQ(RunReportCommand(f.folder.path(), c.kind, output, err), c.status);
    EXPECT_EQ(std::filesystem::exists(output), c.written);
    EXPECT_EQ(err.str().empty(), c.status == 0) << err.str();
    if (c.written && std::string(c.output).ends_with(".pdf")) {
        EXPECT_EQ(PdfPageCount(ReadFile(output)), std::string(c.kind) == "list" ? 1 : 2);
    }
    if (c.written && std::string(c.output).ends_with(".txt")) {
        EXPECT_NE(ReadFile(output).find("First0004 M Last0004"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportCommand,
                         ::testing::Values(CommandCase{"list", "list.pdf", 0, true},
                                           CommandCase{"detailed", "detailed.PDF", 0, true},
                                           CommandCase{"list", "HolList.txt", 0, true},
                                           CommandCase{"detailed", "detailed.txt", kReportBadUsage, false},
                                           CommandCase{"summary", "summary.pdf", kReportBadUsage, false},
                                           CommandCase{"list", "list.html", kReportBadUsage, false}),
                         [](const auto& info) {
                             std::string name = std::string(info.param.kind) + "_" + info.param.output;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name;
                         });

TEST(ReportCommandFailures, MissingDataFolderOrTableIsRefused) {
    larch::testing::TestFolder folder;
    std::ostringstream err;
    EXPECT_EQ(RunReportCommand(folder / "nowhere", "list", folder / "list.pdf", err), kReportFailed);
    EXPECT_NE(err.str().find("Data folder not found"), std::string::npos);
    std::ostringstream noTable;
    EXPECT_EQ(RunReportCommand(folder.path(), "list", folder / "list.pdf", noTable), kReportFailed);
    EXPECT_FALSE(noTable.str().empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "list.pdf"));
}

TEST(ReportCommandFailures, DetailedTextIsRefusedWithAClearMessage) {
    larch::testing::TestFolder folder;
    std::ostringstream err;
    EXPECT_EQ(RunReportCommand(folder.path(), "detailed", folder / "d.txt", err), kReportBadUsage);
    EXPECT_EQ(err.str(), "The detailed report cannot be written as text: use a .pdf output file\n");
}

}  // namespace
}  // namespace hollin::testing
