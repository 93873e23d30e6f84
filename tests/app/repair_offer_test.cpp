// A damaged default table at start: the program shows the error, offers the
// repair, and on Yes opens the rebuilt table with its records.
#include <QLabel>
#include <filesystem>
#include <fstream>

#include "controls/message_box.h"
#include "data/dm2.h"
#include "tests/app/app_fixture.h"
#include "tests/support/event_cursor.h"
#include "tests/support/test_text.h"

namespace hollin::ui::testing {
namespace {

namespace fs = std::filesystem;

class RepairOffer : public ProgramTest {
protected:
    // A default table of 300 records whose index pages are overwritten.
    void Damage() {
        std::vector<larch::testing::EventRow> rows;
        for (int i = 0; i < 300; ++i) rows.push_back({"F" + std::to_string(1000 + i), "L" + std::to_string(i % 9), ""});
        larch::testing::CreateFilledEventTable(folder.path(), rows);
        std::string index = larch::testing::ReadFile(folder / "Hollin.IDX");
        ASSERT_GT(index.size(), 3 * 4096u);
        std::fill(index.begin() + 4096, index.end(), '\x5A');
        std::ofstream(folder / "Hollin.IDX", std::ios::binary | std::ios::trunc) << index;
    }
};

TEST_F(RepairOffer, YesRepairsAndOpensNoLeavesTheTableClosed) {
    Damage();
    SetNextAnswer(TMessageAnswer::No);
    Start();
    std::vector<TShownMessage> shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, TMessageKind::Confirmation);
    EXPECT_NE(shown[0].text.find("Larch Engine Error # 89"), std::string::npos) << shown[0].text;
    EXPECT_NE(shown[0].text.find("is damaged. Repair it now"), std::string::npos);
    EXPECT_FALSE(Dm2().Larchtbl.Active());
    EXPECT_FALSE(fs::exists(folder / "Hollin.DRP"));  // nothing touched
    program.reset();

    SetNextAnswer(TMessageAnswer::Yes);
    bool monthWindow = HandleNextModal([](QDialog&) {}, [this] { Start(); }, 1000);
    EXPECT_TRUE(monthWindow);  // the repaired table holds records again
    shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].kind, TMessageKind::Information);
    EXPECT_NE(shown[1].text.find("Hollin.DRP"), std::string::npos) << shown[1].text;
    EXPECT_TRUE(Dm2().Larchtbl.Active());
    EXPECT_EQ(Dm2().Larchtbl.RecordCount(), 300);
    EXPECT_EQ(Find<QLabel>("lblRecNo")->text().toStdString(), "Record 1 of 300");
    EXPECT_TRUE(fs::exists(folder / "Hollin.DRP"));
}

}  // namespace
}  // namespace hollin::ui::testing
