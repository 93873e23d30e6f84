// PDF and text output of the reports, and the command line's report writer.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include <QBuffer>
#include <QPdfWriter>

#include "report/report_generator.h"
#include "report/report_painter.h"
#include "report/report_text_writer.h"
#include "tests/report/report_fixture.h"
#include "cli/report_command.h"

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

// The two file writers, for the cases both must meet.
struct FileWriter {
    const char* name;
    const char* file;
    std::function<void(report::TReport&, const std::string&)> write;
};

const FileWriter kFileWriters[] = {
    {"pdf", "list.pdf", [](report::TReport& r, const std::string& path) { report::WritePdfFile(r, path); }},
    {"text", "HolList.txt", [](report::TReport& r, const std::string& path) { report::WriteTextFile(r, path); }},
};

const std::string kPreviousBytes = "the report the user kept\n";

// The names in folder that start with file's name (the file itself and any
// temporary file made beside it).
std::vector<std::string> EntriesNamed(const std::filesystem::path& folder, const std::string& file) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(file, 0) == 0) names.push_back(name);
    }
    return names;
}

TEST(FileOutput, AGenerationThatFailsMidwayKeepsThePreviousFile) {
    for (const FileWriter& writer : kFileWriters) {
        SCOPED_TRACE(writer.name);
        ReportFixture f;
        f.AddNumbered(20);  // three pages of the list
        const std::string path = f.folder / writer.file;
        std::ofstream(path, std::ios::binary) << kPreviousBytes;
        // Fails in the second pass, after the first page went out.
        report::TReport& list = f.rb->ppReport2;
        const auto fill = list.detail.BeforePrint;
        int calls = 0;
        list.detail.BeforePrint = [&calls, fill] {
            if (++calls == 20 + 10) throw std::runtime_error("the pipeline failed");
            fill();
        };
        EXPECT_THROW(writer.write(list, path), std::runtime_error);
        EXPECT_EQ(ReadFile(path), kPreviousBytes);
        EXPECT_EQ(EntriesNamed(f.folder.path(), writer.file), std::vector<std::string>{writer.file});
        // Without a file before, none is left.
        std::filesystem::remove(path);
        calls = 0;
        EXPECT_THROW(writer.write(list, path), std::runtime_error);
        EXPECT_TRUE(EntriesNamed(f.folder.path(), writer.file).empty());
    }
}

// Writes to regular files beyond limit bytes fail with EFBIG while it lives,
// as on a full disk (also for root, whom permissions do not stop).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lower = m_old;
        lower.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST(FileOutput, AWriteErrorIsAnErrorAndKeepsThePreviousFile) {
    for (const FileWriter& writer : kFileWriters) {
        SCOPED_TRACE(writer.name);
        ReportFixture f;
        f.AddNumbered(20);
        const std::string path = f.folder / writer.file;
        std::ofstream(path, std::ios::binary) << kPreviousBytes;
        std::string message;
        {
            FileSizeLimit limit(200);
            try {
                writer.write(f.rb->ppReport2, path);
            } catch (const std::runtime_error& e) {
                message = e.what();
            }
        }
        EXPECT_EQ(message.rfind("Cannot write file " + path, 0), 0u) << message;
        EXPECT_EQ(ReadFile(path), kPreviousBytes);
        EXPECT_EQ(EntriesNamed(f.folder.path(), writer.file), std::vector<std::string>{writer.file});
        // And once the disk has room, the new report replaces the old one.
        writer.write(f.rb->ppReport2, path);
        EXPECT_NE(ReadFile(path), kPreviousBytes);
    }
}

TEST(PrintOutput, ACancelledOutputIsAbortedBeforeThePainterEnds) {
    ReportFixture f;
    f.AddNumbered(20);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter device(&buffer);
    report::ApplyPageSetup(f.rb->ppReport2.page, device);
    int aborts = 0;
    bool paintingWhenAborted = false;
    int lastPage = 0;
    EXPECT_THROW(report::PaintReport(
                     f.rb->ppReport2, device, report::kDefaultPhotoDpi,
                     [&](int pageNo, int) {
                         lastPage = pageNo;
                         return pageNo < 2;
                     },
                     [&] {
                         ++aborts;
                         paintingWhenAborted = device.paintingActive();
                     }),
                 report::TOutputCancelled);
    EXPECT_EQ(lastPage, 2);
    EXPECT_EQ(aborts, 1);
    EXPECT_TRUE(paintingWhenAborted);
    EXPECT_FALSE(device.paintingActive());
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

// Columns are counted in characters: a name with letters of two or three
// bytes in UTF-8 moves no column of its row.
TEST(TextOutput, ColumnsStartAtTheirPositionWhateverLettersTheNamesHold) {
    ReportFixture f;
    const struct {
        const char* first;
        const char* last;
    } names[] = {{"Zoe", "Muller"}, {"Zoë", "Muller"}, {"Zoë", "Müller"}, {"Žoë", "Mü€ler"}};
    for (const auto& name : names) {
        Person p;
        p.first = name.first;
        p.last = name.last;
        p.event = "Graduation";
        p.phone = "555-0100";
        f.Add(p);
    }
    std::ostringstream out;
    report::WriteText(f.rb->ppReport2, out);
    std::vector<std::pair<qsizetype, qsizetype>> columns;  // Event's, Phone's
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        const QString text = QString::fromUtf8(line);
        if (text.contains(QStringLiteral("Graduation"))) {
            columns.emplace_back(text.indexOf(QStringLiteral("Graduation")), text.indexOf(QStringLiteral("555-0100")));
        }
    }
    ASSERT_EQ(columns.size(), std::size(names)) << out.str();
    for (const auto& column : columns) EXPECT_EQ(column, columns.front()) << out.str();
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
    EXPECT_EQ(noTable.str(), "No table Hollin.DAT in " + (std::filesystem::path(folder.path()) / "").string() + "\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "list.pdf"));
    // The report opens nothing for writing: the folder stays empty.
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(ReportCommandWarnings, UndecodablePhotosGiveOneWarningAndTheReportIsWritten) {
    ReportFixture f;
    for (int i = 1; i <= 3; ++i) {
        Person p = NumberedPerson(i);
        p.photo = i == 2 ? MakePhoto(60, 80) : std::vector<uint8_t>{0xFF, 0xD8, 0x00, 0x01, 0x02};
        f.Add(p);
    }
    f.table->Close();
    std::ostringstream err;
    EXPECT_EQ(RunReportCommand(f.folder.path(), "detailed", f.folder / "d.pdf", err), kReportOk);
    EXPECT_EQ(err.str(), "Warning: 2 photos could not be decoded; their boxes are left empty.\n");
    EXPECT_EQ(PdfPageCount(ReadFile(f.folder / "d.pdf")), 1);
    // The list prints no photos.
    std::ostringstream listErr;
    EXPECT_EQ(RunReportCommand(f.folder.path(), "list", f.folder / "l.txt", listErr), kReportOk);
    EXPECT_EQ(listErr.str(), "");
}

TEST(ReportCommandFailures, DetailedTextIsRefusedWithAClearMessage) {
    larch::testing::TestFolder folder;
    std::ostringstream err;
    EXPECT_EQ(RunReportCommand(folder.path(), "detailed", folder / "d.txt", err), kReportBadUsage);
    EXPECT_EQ(err.str(), "The detailed report cannot be written as text: use a .pdf output file\n");
}

}  // namespace
}  // namespace hollin::testing
