// An open event table in a temporary folder with the report holder over it,
// and records with every field the reports print, for the report tests and
// benchmarks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dataset/data_source.h"
#include "engine/cursor/larch_table.h"
#include "tests/engine/test_folder.h"
#include "views/frm_rb.h"

namespace hollin::testing {

struct Person {
    std::string first, middle, last;
    std::string event = "Birthday";
    int32_t date = 730000;
    std::string address, city, state, zip;
    std::string phone, phoneFax, cellPhone, email, website;
    std::string notes;
    std::vector<uint8_t> photo;  // JPEG bytes; empty: no photo
};

// A person numbered i with every text field filled ("First0007", ...).
Person NumberedPerson(int i);

// A JPEG of the given size made with Qt's writer (a colour ramp with some
// grain, so the size in bytes is that of a real photo).
std::vector<uint8_t> MakePhoto(int width, int height, int quality = 85);

class ReportFixture {
public:
    explicit ReportFixture(const std::string& indexName = "FirstName");
    ~ReportFixture();

    void Add(const Person& person);
    void AddNumbered(int count);

    larch::testing::TestFolder folder;
    std::unique_ptr<larch::TLarchTable> table;
    TDataSource ds1;
    std::unique_ptr<TfrmRB> rb;
};

}  // namespace hollin::testing
