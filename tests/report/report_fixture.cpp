// The report tests' table, records and photos.
#include "tests/report/report_fixture.h"

#include <cstdio>

#include <QBuffer>
#include <QImage>

#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace hollin::testing {

Person NumberedPerson(int i) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", i);
    Person p;
    p.first = std::string("First") + number;
    p.middle = "M";
    p.last = std::string("Last") + number;
    p.event = i % 2 == 0 ? "Birthday" : "Anniversary";
    p.date = 730000 + i;
    p.address = std::string(number) + " Main Street";
    p.city = "Springfield";
    p.state = "IL";
    p.zip = "62701";
    p.phone = "555-0100";
    p.phoneFax = "555-0101";
    p.cellPhone = "555-0102";
    p.email = std::string("person") + number + "@example.com";
    p.website = "www.example.com";
    p.notes = "Notes of person " + std::string(number) + ".";
    return p;
}

std::vector<uint8_t> MakePhoto(int width, int height, int quality) {
    QImage image(width, height, QImage::Format_RGB888);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) % 48);
            image.setPixel(x, y, qRgb((x * 255 / width + grain) % 256, (y * 255 / height + grain) % 256,
                                      (128 + grain) % 256));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

ReportFixture::ReportFixture(const std::string& indexName) {
    larch::testing::CreateEventTable(folder / "Hollin.DAT");
    table = larch::testing::EventCursor(folder.path(), indexName);
    table->Open();
    ds1.SetDataSet(table.get());
    rb = std::make_unique<TfrmRB>(ds1);
}

ReportFixture::~ReportFixture() {
    rb.reset();
    ds1.SetDataSet(nullptr);
    table->Close();
}

void ReportFixture::Add(const Person& p) {
    larch::TLarchTable& t = *table;
    t.Insert();
    auto set = [&t](const char* field, const std::string& value) {
        if (!value.empty()) t.FieldByName(field).SetAsString(value);
    };
    set("FirstName", p.first);
    set("MiddleName", p.middle);
    set("LastName", p.last);
    set("Event", p.event);
    t.FieldByName("EventDate").SetAsDate(p.date);
    set("Address", p.address);
    set("City", p.city);
    set("State", p.state);
    set("Zip", p.zip);
    set("Phone", p.phone);
    set("PhoneFax", p.phoneFax);
    set("CellPhone", p.cellPhone);
    set("Email", p.email);
    set("Website", p.website);
    set("Notes", p.notes);
    if (!p.photo.empty()) t.FieldByName("Photo").SetAsBytes(p.photo);
    t.Post();
}

void ReportFixture::AddNumbered(int count) {
    for (int i = 1; i <= count; ++i) Add(NumberedPerson(i));
}

}  // namespace hollin::testing
