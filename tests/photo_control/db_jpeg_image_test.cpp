// The photo control bound to the Photo field of an event table.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <memory>

#include "controls/message_box.h"
#include "dataset/data_source.h"
#include "dataset/database_error.h"
#include "engine/cursor/larch_table.h"
#include "jpeg_fixtures.h"
#include "photo/db_jpeg_image.h"
#include "photo/jpeg_stream_decompressor.h"
#include "photo/warning_box.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace hollin::ui {
namespace {

using testing::Bytes;
using testing::JpegFixture;
using testing::MakeJpeg;

Bytes Jpeg(int width, int height) {
    JpegFixture fixture;
    fixture.Width = width;
    fixture.Height = height;
    return MakeJpeg(fixture);
}

QRgb Quadrant(int x, int y, int width, int height) {
    const bool right = x >= width / 2;
    const bool bottom = y >= height / 2;
    if (!bottom) return right ? qRgb(0, 255, 0) : qRgb(255, 0, 0);
    return right ? qRgb(255, 255, 0) : qRgb(0, 0, 255);
}

bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 &&
           std::abs(qBlue(a) - qBlue(b)) < 40;
}

class PhotoControl : public ::testing::Test {
protected:
    void SetUp() override {
        larch::testing::CreateEventTable(folder / "Hollin.DAT");
        table = larch::testing::EventCursor(folder.path());
        table->Open();
        source.SetDataSet(table.get());
        image.resize(185, 169);
        TakeShownMessages();
        TakeRecordedWarningBoxes();
    }

    // Records are ordered by first name: add them in that order.
    void AddRecord(const std::string& firstName, const Bytes& photo) {
        table->Insert();
        table->FieldByName("FirstName").SetAsString(firstName);
        table->FieldByName("LastName").SetAsString("Smith");
        table->FieldByName("Event").SetAsString("Birthday");
        table->FieldByName("EventDate").SetAsDate(730000);
        if (!photo.empty()) {
            TMemoryStream stream(photo);
            table->FieldByName("Photo").LoadFromStream(stream);
        }
        table->Post();
    }

    void Bind() {
        image.SetDataSource(&source);
        image.SetDataField("Photo");
    }

    Bytes StoredPhoto() {
        TMemoryStream stream;
        table->FieldByName("Photo").SaveToStream(stream);
        return stream.Bytes();
    }

    QSize PictureSize() const { return QSize(image.Picture().Width(), image.Picture().Height()); }

    larch::testing::TestFolder folder;
    std::unique_ptr<larch::TLarchTable> table;
    TDataSource source;
    TDBJPEGImage image;
};

TEST_F(PhotoControl, EmptyPhotoShowsNothingAndTheNextPhotoShowsAtOnce) {
    AddRecord("Ann", {});
    AddRecord("Bob", Jpeg(40, 30));
    Bind();
    table->First();
    EXPECT_TRUE(image.Picture().Empty());
    EXPECT_TRUE(image.PictureLoaded());
    table->Next();
    EXPECT_EQ(PictureSize(), QSize(40, 30));
    EXPECT_TRUE(image.PictureLoaded());
    table->Prior();
    EXPECT_TRUE(image.Picture().Empty());
    EXPECT_TRUE(TakeShownMessages().empty());
}

TEST_F(PhotoControl, BytesThatAreNoJpegShowTheErrorAndKeepThePreviousPicture) {
    AddRecord("Ann", Jpeg(40, 30));
    AddRecord("Bob", Bytes{'h', 'e', 'l', 'l', 'o'});
    Bind();
    table->First();
    TakeShownMessages();  // binding showed the last record added
    for (int visit = 0; visit < 2; ++visit) {
        table->Next();
        const auto shown = TakeShownMessages();
        ASSERT_EQ(shown.size(), 1U);
        EXPECT_EQ(shown[0].kind, TMessageKind::Error);
        EXPECT_EQ(shown[0].text, "Not a JPEG file: starts with 0x68 0x65");
        EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Bob");
        EXPECT_EQ(PictureSize(), QSize(40, 30));
        EXPECT_FALSE(image.PictureLoaded());
        EXPECT_FALSE(image.Loading());
        table->Prior();
    }
}

TEST_F(PhotoControl, TruncatedJpegShowsItsDecodedPartAfterTheWarning) {
    JpegFixture fixture;
    fixture.Width = 64;
    fixture.Height = 48;
    const Bytes whole = MakeJpeg(fixture);
    AddRecord("Ann", Bytes(whole.begin(), whole.begin() + whole.size() / 2));
    table->First();
    Bind();
    EXPECT_EQ(TakeRecordedWarningBoxes(), std::vector<std::string>{"Premature end of JPEG file"});
    EXPECT_TRUE(TakeShownMessages().empty());
    ASSERT_EQ(PictureSize(), QSize(64, 48));
    const QImage full = testing::DecodeWithLibjpeg(whole);
    EXPECT_TRUE(Near(image.PictureImage().pixel(3, 2), full.pixel(3, 2)));
}

TEST_F(PhotoControl, PaintsStretchedToTheWholeControlOrCentredAtOwnSize) {
    JpegFixture large;
    large.Width = 4000;
    large.Height = 3000;
    AddRecord("Ann", MakeJpeg(large, [](int x, int y) { return Quadrant(x, y, 4000, 3000); }));
    AddRecord("Bob", MakeJpeg(JpegFixture{}, [](int, int) { return qRgb(255, 0, 0); }));
    Bind();
    image.SetCenter(true);

    image.SetStretch(true);
    table->First();
    const QImage stretched = image.grab().toImage();
    ASSERT_EQ(stretched.size(), QSize(185, 169));
    EXPECT_TRUE(Near(stretched.pixel(0, 0), qRgb(255, 0, 0)));
    EXPECT_TRUE(Near(stretched.pixel(184, 0), qRgb(0, 255, 0)));
    EXPECT_TRUE(Near(stretched.pixel(0, 168), qRgb(0, 0, 255)));
    EXPECT_TRUE(Near(stretched.pixel(184, 168), qRgb(255, 255, 0)));

    image.SetStretch(false);
    table->Next();  // a 32 x 24 red photo
    const QImage centred = image.grab().toImage();
    EXPECT_TRUE(Near(centred.pixel(92, 84), qRgb(255, 0, 0)));
    EXPECT_TRUE(Near(centred.pixel(92 - 15, 84 - 11), qRgb(255, 0, 0)));
    EXPECT_FALSE(Near(centred.pixel(92 - 18, 84), qRgb(255, 0, 0)));
    EXPECT_FALSE(Near(centred.pixel(0, 0), qRgb(255, 0, 0)));
}

// A phone's portrait stored as landscape pixels is drawn turned as its EXIF
// Orientation says; the picture and the stored bytes stay as loaded.
TEST_F(PhotoControl, PhotoIsDrawnAsItsExifOrientationSays) {
    QImage stored(40, 20, QImage::Format_RGB32);  // left half red, right half blue
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) stored.setPixel(x, y, x < 20 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    }
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    const struct {
        const char* name;
        Bytes jpeg;
        QSize shown;
        QPoint first, second;  // on the stretched control: red, then blue
    } cases[] = {
        {"1", testing::MakeJpegWithOrientation(stored, 1), {40, 20}, {10, 84}, {175, 84}},
        {"3", testing::MakeJpegWithOrientation(stored, 3), {40, 20}, {175, 84}, {10, 84}},
        {"6", testing::MakeJpegWithOrientation(stored, 6), {20, 40}, {92, 10}, {92, 158}},
        {"8 (II)", testing::MakeJpegWithOrientation(stored, 8, false), {20, 40}, {92, 158}, {92, 10}},
        {"damaged", testing::MakeJpegWithOrientation(stored, 6), {40, 20}, {10, 84}, {175, 84}},
    };
    Bytes damaged = cases[4].jpeg;
    // IFD0's offset (after the marker, its length, "Exif\0\0", the byte
    // order and 42) far beyond the segment.
    damaged[testing::FindMarker(damaged, 0xE1) + 14] = 0x7F;
    Bind();
    image.SetStretch(true);
    char name[] = "A0";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes& jpeg = std::string(c.name) == "damaged" ? damaged : c.jpeg;
        ++name[1];
        AddRecord(name, jpeg);
        table->Last();
        EXPECT_EQ(PictureSize(), QSize(40, 20));
        EXPECT_EQ(image.PictureImage().size(), c.shown);
        const QImage painted = image.grab().toImage();
        EXPECT_TRUE(Near(painted.pixel(c.first), red));
        EXPECT_TRUE(Near(painted.pixel(c.second), blue));
        EXPECT_EQ(StoredPhoto(), jpeg);
        EXPECT_TRUE(TakeShownMessages().empty());
    }
}

TEST_F(PhotoControl, BindingToAFieldThatIsNoBlobFails) {
    // Bound while the table is open, the caller gets the error.
    image.SetDataSource(&source);
    try {
        image.SetDataField("FirstName");
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "FirstName is not a Blob Field");
    }
    EXPECT_EQ(image.DataField(), "");

    // Found out when the table opens, the error goes to the error box.
    table->Close();
    image.SetDataField("FirstName");
    table->Open();
    const auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].text, "FirstName is not a Blob Field");
    EXPECT_EQ(image.DataField(), "");
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(PhotoControl, ReadOnlyControlPutsBackTheFieldsPicture) {
    AddRecord("Ann", Jpeg(40, 30));
    Bind();
    image.SetReadOnly(true);
    table->First();
    QGuiApplication::clipboard()->setImage(testing::MakeImage(50, 20));
    image.PasteFromClipboard();
    EXPECT_EQ(PictureSize(), QSize(40, 30));
    EXPECT_TRUE(image.PictureLoaded());
    EXPECT_EQ(table->State(), dsBrowse);
}

// A pasted picture reaches the field only when the record is being edited,
// either already or through the data source's AutoEdit.
TEST_F(PhotoControl, PastedPictureIsWrittenAsJpegOnPostWhenTheRecordIsEdited) {
    struct Case {
        bool editFirst;
        bool autoEdit;
        bool written;
    };
    Bind();
    const Bytes original = Jpeg(40, 30);
    int number = 0;
    for (const Case c : {Case{true, false, true}, Case{false, true, true}, Case{false, false, false}}) {
        SCOPED_TRACE(::testing::Message() << "edit first " << c.editFirst << ", AutoEdit " << c.autoEdit);
        const std::string name = "Ann" + std::to_string(++number);
        AddRecord(name, original);  // and stays on it
        ASSERT_EQ(table->FieldByName("FirstName").AsString(), name);
        ASSERT_EQ(PictureSize(), QSize(40, 30));
        source.SetAutoEdit(c.autoEdit);
        if (c.editFirst) table->Edit();
        QGuiApplication::clipboard()->setImage(testing::MakeImage(50, 20));
        QTest::keySequence(&image, QKeySequence::Paste);
        EXPECT_EQ(PictureSize(), QSize(50, 20));
        EXPECT_EQ(table->State(), c.written ? dsEdit : dsBrowse);
        if (c.written) table->Post();
        const Bytes stored = StoredPhoto();
        if (c.written) {
            EXPECT_EQ(testing::DecodeWithLibjpeg(stored).size(), QSize(50, 20));
        } else {
            EXPECT_EQ(stored, original);
        }
        EXPECT_TRUE(TakeShownMessages().empty());
    }
}

TEST_F(PhotoControl, PhotoWrittenAsBytesIsStoredByteForByte) {
    AddRecord("Ann", {});
    Bind();
    table->First();
    JpegFixture fixture;
    fixture.Markers = {{0xFE, "taken by a camera"}};
    fixture.Quality = 97;
    const Bytes file = MakeJpeg(fixture);
    table->Edit();
    TMemoryStream stream(file);
    table->FieldByName("Photo").LoadFromStream(stream);
    EXPECT_EQ(PictureSize(), QSize(32, 24));
    table->Post();
    table->Next();
    table->First();
    EXPECT_EQ(StoredPhoto(), file);
}

TEST_F(PhotoControl, DropsDestroyedCodecsAndDataSource) {
    AddRecord("Ann", Jpeg(40, 30));
    auto* decompressor = new TJPEGFileDecompressor;
    image.SetJPEGDecompressor(decompressor);
    delete decompressor;
    EXPECT_EQ(image.JPEGDecompressor(), nullptr);
    EXPECT_EQ(TDBJPEGImage::FallbackDecompressor().parent(), QCoreApplication::instance());
    Bind();
    table->First();
    EXPECT_EQ(PictureSize(), QSize(40, 30));

    TDBJPEGImage other;
    {
        TDataSource shortLived;
        shortLived.SetDataSet(table.get());
        other.SetDataSource(&shortLived);
        other.SetDataField("Photo");
        EXPECT_EQ(other.Picture().Width(), 40);
    }
    EXPECT_EQ(other.DataSource(), nullptr);
    EXPECT_EQ(other.Field(), nullptr);
}

}  // namespace
}  // namespace hollin::ui
