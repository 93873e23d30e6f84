// hollin --import: the summary line, the table afterwards, a PNG photo
// stored as JPEG, and the exit statuses of wrong options and files.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <fstream>
#include <sstream>

#include "cli/import_command.h"
#include "data/photo_conversion.h"
#include "data/vcard_text.h"
#include "tests/cli/command_fixture.h"

namespace hollin {
namespace {

class ImportCommand : public testing::CommandTest {
protected:
    int Run(std::vector<std::string> args, std::string& out, std::string& err) {
        std::ostringstream outStream, errStream;
        const int status = RunImportCommand(args, Chooser(), outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }
    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
        return folder / name;
    }
    int RecordCount() {
        auto table = larch::testing::EventCursor(folder.path());
        table->Open();
        return table->RecordCount();
    }
};

TEST_F(ImportCommand, AddsTheCardsAndSaysWhatItDid) {
    const std::string file = Write("a.vcf",
                                   "BEGIN:VCARD\nN:Lee;Ann\nBDAY:19840310\nEND:VCARD\n"
                                   "BEGIN:VCARD\nN:Ng;Bo\nBDAY:--0310\nEND:VCARD\n"
                                   "BEGIN:VCARD\nN:Lee;Ann\nANNIVERSARY:20011211\nEND:VCARD\n");
    std::string out, err;
    EXPECT_EQ(Run({"--import", file}, out, err), kCommandOk) << err;
    EXPECT_EQ(out, "Added 1 record from 3 cards; skipped 2: 1 without a year, 1 duplicate\n");
    EXPECT_NE(err.find("line 7: date without a year (Bo Ng, Birthday)"), std::string::npos) << err;
    EXPECT_EQ(RecordCount(), 5);
}

TEST_F(ImportCommand, AddsTheRowsOfACsvFile) {
    const std::string file = Write("a.CSV", "FirstName,LastName,Event,EventDate\nAnn,Lee,Birthday,1984-03-10\n");
    std::string out, err;
    EXPECT_EQ(Run({"--import", file, "--table", "hollin.dat"}, out, err), kCommandOk) << err;
    EXPECT_EQ(out, "Added 1 record from 1 row\n");
    EXPECT_EQ(RecordCount(), 5);
}

TEST_F(ImportCommand, APngPhotoIsStoredAsJpeg) {
    QImage image(8, 6, QImage::Format_ARGB32);
    image.fill(QColor(200, 40, 40, 128));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    const std::string base64 = EncodeBase64(std::vector<uint8_t>(png.begin(), png.end()));
    const std::string file =
        Write("p.vcf", "BEGIN:VCARD\nN:Pic;Ture\nBDAY:20000101\nPHOTO;ENCODING=b;TYPE=PNG:" + base64 + "\nEND:VCARD\n");
    std::string out, err;
    ASSERT_EQ(Run({"--import", file}, out, err), kCommandOk) << err;
    auto table = larch::testing::EventCursor(folder.path());
    table->Open();
    ASSERT_TRUE(table->Locate("FirstName", {TFieldValue(std::string("Ture"))}));
    const std::vector<uint8_t> photo = table->FieldByName("Photo").AsBytes();
    EXPECT_TRUE(IsJpeg(photo));
    const QImage back = QImage::fromData(photo.data(), static_cast<int>(photo.size()));
    EXPECT_EQ(back.size(), QSize(8, 6));
}

TEST_F(ImportCommand, StatusesOfWrongOptionsAndFiles) {
    const std::string good = Write("g.vcf", "BEGIN:VCARD\nN:Lee;Ann\nBDAY:19840310\nEND:VCARD\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {{"--import", folder / "g.txt"}, kCommandBadUsage, "--import takes a .vcf"},
        {{"--import"}, kCommandBadUsage, "Option --import needs a value"},
        {{"--import", good, "--ages", "3"}, kCommandBadUsage, "Unknown argument for --import: --ages"},
        {{"--import", good, "--days", "3"}, kCommandBadUsage, "Unknown argument for --import: --days"},
        {{"--import", folder / "missing.vcf"}, kCommandFailed, "Cannot read"},
        {{"--import", good, "--table", "Nothing"}, kCommandFailed, "Cannot open the table Nothing.DAT"},
        {{"--import", good, "--data-dir", folder / "none"}, kCommandFailed, "Data folder not found"},
    };
    for (const Case& c : cases) {
        std::string out, err;
        EXPECT_EQ(Run(c.args, out, err), c.status) << c.args.back();
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
        EXPECT_EQ(out, "");
    }
    EXPECT_EQ(RecordCount(), 4);
}

// The program itself, without a display: main dispatches both commands.
TEST_F(ImportCommand, TheProgramImportsAndExportsWithoutADisplay) {
    const std::string cards = Write("a.vcf", "BEGIN:VCARD\nN:Lee;Ann\nBDAY:19840310\nEND:VCARD\n");
    auto run = [&](const QStringList& args, QString& out) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(HOLLIN_EXECUTABLE),
                      QStringList{"--data-dir", QString::fromStdString(folder.path())} + args);
        if (!process.waitForFinished(20000)) return -1;
        out = QString::fromUtf8(process.readAllStandardOutput());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    QString out;
    EXPECT_EQ(run({"--import", QString::fromStdString(cards)}, out), kCommandOk);
    EXPECT_EQ(out.toStdString(), "Added 1 record from 1 card\n");
    EXPECT_EQ(run({"--export", QString::fromStdString(folder / "all.csv")}, out), kCommandOk);
    EXPECT_EQ(out.toStdString(), "Exported 5 records to " + folder / "all.csv" + "\n");
    EXPECT_EQ(run({"--export", QString::fromStdString(folder / "all.txt")}, out), kCommandBadUsage);
    EXPECT_EQ(run({"--import", QString::fromStdString(folder / "none.vcf")}, out), kCommandFailed);
}

}  // namespace
}  // namespace hollin
