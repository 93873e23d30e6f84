// What the reports print: the name-and-address memo, data-bound texts,
// notes cut at their box, photos, and the records the pipeline visits.
#include <gtest/gtest.h>

#include "dataset/date_time.h"
#include "jpeg_fixtures.h"
#include "report/picture_decoder.h"
#include "report/report_generator.h"
#include "report/text_metrics.h"
#include "tests/report/report_fixture.h"

namespace hollin::testing {
namespace {

using report::TDisplayList;
using report::TReportGenerator;

const report::TPlacedBand& FirstDetail(const TDisplayList& list) { return *list.pages.at(0).Details().at(0); }

struct MemoCase {
    const char* what;
    Person person;
    std::vector<std::string> lines;
};

TEST(NameAndAddressMemo, JoinsThePartsWithOneBlankAndTrimsNothing) {
    auto person = [](std::string middle, std::string address, std::string city, std::string state, std::string zip) {
        Person p;
        p.first = "John";
        p.middle = std::move(middle);
        p.last = "Smith";
        p.address = std::move(address);
        p.city = std::move(city);
        p.state = std::move(state);
        p.zip = std::move(zip);
        return p;
    };
    const MemoCase cases[] = {
        {"all parts", person("Q", "12 Main St", "Springfield", "IL", "62701"),
         {"John Q Smith", "12 Main St", "Springfield IL 62701"}},
        {"no middle name", person("", "12 Main St", "Springfield", "IL", "62701"),
         {"John  Smith", "12 Main St", "Springfield IL 62701"}},
        {"no address", person("Q", "", "Springfield", "IL", "62701"), {"John Q Smith", "", "Springfield IL 62701"}},
        {"no city, state or zip", person("Q", "12 Main St", "", "", ""), {"John Q Smith", "12 Main St", "  "}},
    };
    for (const MemoCase& c : cases) {
        SCOPED_TRACE(c.what);
        ReportFixture f;
        f.Add(c.person);
        for (auto [report, memo] : {std::pair{&f.rb->ppReport1, "ppMemo1"}, std::pair{&f.rb->ppReport2, "ppMemo2"}}) {
            EXPECT_EQ(FirstDetail(TReportGenerator(*report).Generate()).Find(memo)->lines, c.lines) << memo;
        }
    }
}

TEST(NameAndAddressMemo, HandlerStartsFromAnEmptyMemoEachTime) {
    ReportFixture f;
    f.AddNumbered(1);
    f.rb->ppDetailBand1BeforePrint();
    f.rb->ppDetailBand1BeforePrint();
    EXPECT_EQ(f.rb->ppMemo1->lines.size(), 3u);
}

TEST(DataBoundTexts, ShowTheFieldsDisplayText) {
    ReportFixture f;
    Person p = NumberedPerson(1);
    p.date = EncodeDate(1990, 7, 4);
    p.phone.clear();
    f.Add(p);
    const TDisplayList list = TReportGenerator(f.rb->ppReport2).Generate();
    const auto& band = FirstDetail(list);
    EXPECT_EQ(band.Find("ppDBText3")->text, "Anniversary");
    EXPECT_EQ(band.Find("ppDBText4")->text, "07/04/1990");
    EXPECT_EQ(band.Find("ppDBText5")->text, "");
}

TEST(NotesMemo, LongNotesAreCutAtTheBoxAndTheBandKeepsItsHeight) {
    ReportFixture f;
    Person p = NumberedPerson(1);
    p.notes.clear();
    for (int i = 0; i < 200; ++i) p.notes += "word" + std::to_string(i) + " ";
    f.Add(p);
    f.AddNumbered(1);
    const TDisplayList list = TReportGenerator(f.rb->ppReport1).Generate();
    const auto details = list.pages[0].Details();
    const report::TPlacedItem* notes = details[0]->Find("ppDBMemo1");
    const report::TMicrons spacing = report::LineSpacing(notes->item->font);
    ASSERT_FALSE(notes->lines.empty());
    EXPECT_LE(static_cast<int>(notes->lines.size()) * spacing, notes->rect.height);
    EXPECT_GT(static_cast<int>(notes->lines.size() + 1) * spacing, notes->rect.height);
    EXPECT_EQ(notes->lines.front().substr(0, 12), "word0 word1 ");
    EXPECT_EQ(notes->rect.height, 23548);
    EXPECT_EQ(details[1]->top - details[0]->top, 79640);
}

TEST(Pipeline, FilteredTableInLastNameOrderPrintsOnlyItsRecordsAndPutsTheCursorBack) {
    ReportFixture f("LastName");
    const char* names[][3] = {{"Ann", "Young", "Birthday"}, {"Bob", "Adams", "Passing"},
                              {"Cid", "Moore", "Birthday"}, {"Dee", "Baker", "Birthday"}};
    for (const auto& n : names) {
        Person p;
        p.first = n[0];
        p.last = n[1];
        p.event = n[2];
        f.Add(p);
    }
    f.table->SetFilter("Event = 'Birthday'");
    f.table->SetFiltered(true);
    f.table->First();
    f.table->Next();  // Moore
    const std::string before = f.table->FieldByName("LastName").AsString();

    const TDisplayList list = TReportGenerator(f.rb->ppReport2).Generate();
    std::vector<std::string> printed;
    for (const auto* band : list.pages[0].Details()) printed.push_back(band->Find("ppMemo2")->lines[0]);
    EXPECT_EQ(printed, (std::vector<std::string>{"Dee  Baker", "Cid  Moore", "Ann  Young"}));
    EXPECT_EQ(f.table->FieldByName("LastName").AsString(), before);
    EXPECT_EQ(before, "Moore");
}

TEST(Pictures, NoPhotoLeavesTheBoxEmptyAndTheBandPrints) {
    ReportFixture f;
    f.AddNumbered(1);
    const TDisplayList list = TReportGenerator(f.rb->ppReport1).Generate();
    const auto& band = FirstDetail(list);
    EXPECT_TRUE(band.Find("ppDBImage1")->picture.isNull());
    EXPECT_EQ(band.Find("ppDBImage1")->pictureRect.width, 0);
    EXPECT_EQ(band.Find("ppDBText6")->text, "555-0100");
    EXPECT_EQ(list.undecodedPictures, 0);
}

TEST(Pictures, WidePhotoKeepsItsAspectRatioInsideTheBox) {
    ReportFixture f;
    Person p = NumberedPerson(1);
    p.photo = MakePhoto(4000, 1000);
    f.Add(p);
    const TDisplayList list = TReportGenerator(f.rb->ppReport1).Generate();
    const auto& placed = *FirstDetail(list).Find("ppDBImage1");
    ASSERT_FALSE(placed.picture.isNull());
    const report::TRect& box = placed.rect;
    const report::TRect& r = placed.pictureRect;
    EXPECT_EQ(r.width, box.width);
    EXPECT_NEAR(r.height, box.width / 4.0, 1);
    EXPECT_NEAR(r.top - box.top, box.Bottom() - r.Bottom(), 1);  // centred
    EXPECT_NEAR(static_cast<double>(placed.picture.width()) / placed.picture.height(), 4.0, 0.05);
    // Kept no finer than the box needs: 38.6 mm at 300 dpi.
    EXPECT_LE(placed.picture.width(), 458);
}

// The generator keeps a photo at the resolution the output asks for, so that
// it is scaled once (a PDF file: 150 dpi) and not again by the painter; the
// text file asks for none and nothing is decoded.
struct PictureDpiCase {
    double dpi;
    int width;  // of the kept picture; 0: none
};

class PictureDpi : public ::testing::TestWithParam<PictureDpiCase> {};

TEST_P(PictureDpi, KeepsThePhotoAtTheOutputsResolution) {
    ReportFixture f;
    Person p = NumberedPerson(1);
    p.photo = MakePhoto(4000, 1000);
    f.Add(p);
    Person bad = NumberedPerson(2);
    bad.photo = {0xFF, 0xD8, 0x00, 0x01, 0x02};
    f.Add(bad);
    TReportGenerator generator(f.rb->ppReport1);
    generator.SetPictureDpi(GetParam().dpi);
    const TDisplayList list = generator.Generate();
    const auto& placed = *FirstDetail(list).Find("ppDBImage1");
    EXPECT_EQ(placed.picture.width(), GetParam().width);
    // The box is 38.629 mm wide: 456.25 pixels at 300 dpi, 228.1 at 150.
    if (GetParam().width > 0) {
        EXPECT_EQ(report::PicturePixels(placed.pictureRect, GetParam().dpi).width(), GetParam().width);
    }
    EXPECT_EQ(list.undecodedPictures, GetParam().width > 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Outputs, PictureDpi,
                         ::testing::Values(PictureDpiCase{300, 456}, PictureDpiCase{150, 228}, PictureDpiCase{0, 0}));

// A phone's portrait, stored as landscape pixels with an EXIF Orientation,
// prints upright and is fitted to the box as a portrait; a damaged Exif
// block prints the pixels as stored.
TEST(Pictures, PhotoIsPrintedAsItsExifOrientationSays) {
    QImage stored(80, 40, QImage::Format_RGB32);  // left half red, right half blue
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 80; ++x) stored.setPixel(x, y, x < 40 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    }
    Bytes damaged = MakeJpegWithOrientation(stored, 6);
    damaged[FindMarker(damaged, 0xE1) + 14] = 0x7F;  // IFD0's offset beyond the segment
    const struct {
        const char* name;
        Bytes jpeg;
        bool portrait;
        bool redOnTop;  // else red on the left
    } cases[] = {
        {"6", MakeJpegWithOrientation(stored, 6), true, true},
        {"8", MakeJpegWithOrientation(stored, 8, false), true, false},
        {"1", MakeJpegWithOrientation(stored, 1), false, false},
        {"damaged", damaged, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReportFixture f;
        Person p = NumberedPerson(1);
        p.photo = c.jpeg;
        f.Add(p);
        const TDisplayList list = TReportGenerator(f.rb->ppReport1).Generate();
        const auto& placed = *FirstDetail(list).Find("ppDBImage1");
        ASSERT_FALSE(placed.picture.isNull());
        const QImage& picture = placed.picture;
        EXPECT_EQ(picture.height() > picture.width(), c.portrait);
        EXPECT_EQ(placed.pictureRect.height > placed.pictureRect.width, c.portrait);
        const QRgb topLeft = picture.pixel(2, 2);
        EXPECT_EQ(qRed(topLeft) > 128, c.redOnTop || !c.portrait);
        EXPECT_EQ(list.undecodedPictures, 0);
    }
}

TEST(Pictures, UndecodablePhotoLeavesItsBoxEmptyAndTheReportGoesOn) {
    ReportFixture f;
    Person bad = NumberedPerson(1);
    bad.photo = {0xFF, 0xD8, 0x00, 0x01, 0x02};
    f.Add(bad);
    Person good = NumberedPerson(2);
    good.photo = MakePhoto(60, 80);
    f.Add(good);
    const TDisplayList list = TReportGenerator(f.rb->ppReport1).Generate();
    const auto details = list.pages[0].Details();
    ASSERT_EQ(details.size(), 2u);
    EXPECT_TRUE(details[0]->Find("ppDBImage1")->picture.isNull());
    EXPECT_FALSE(details[1]->Find("ppDBImage1")->picture.isNull());
    EXPECT_EQ(list.undecodedPictures, 1);
}

}  // namespace
}  // namespace hollin::testing
