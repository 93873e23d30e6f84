// Random filter texts over random records: the records the cursor visits and
// its RecordCount equal what a plain evaluation of the same text selects, on
// a table with indexes for every field and on one without, also after posts
// and deletes made through the filtered cursor.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/query/filter_fixtures.h"

namespace larch {
namespace {

using hollin::TFilterOptions;
using testing::Person;
using testing::TestFolder;

class Generator {
public:
    explicit Generator(uint32_t seed) : m_rng(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }

    Person RandomPerson() {
        static const char* const names[] = {"Ann", "ann", "Bob", "Cy", "Dee", "Ed", "Birthday"};
        Person p;
        if (!Chance(0.1)) p.firstName = names[Pick(7)];
        if (!Chance(0.15)) p.event = Event();
        if (!Chance(0.15)) p.eventDate = hollin::EncodeDate(1995 + Pick(10), 1 + Pick(12), 1 + Pick(28));
        if (!Chance(0.15)) p.age = Pick(99) - 3;
        if (!Chance(0.15)) p.score = (Pick(1001) - 500) / 10.0;
        if (!Chance(0.2)) p.married = Chance(0.5);
        return p;
    }

    std::string Expression(int depth) {
        if (depth == 0 || Chance(0.35)) return (Chance(0.15) ? "NOT " : "") + Comparison();
        std::string text = "(" + Expression(depth - 1) + (Chance(0.5) ? " AND " : " OR ") + Expression(depth - 1) + ")";
        return Chance(0.15) ? "NOT " + text : text;
    }

    TFilterOptions Options() { return TFilterOptions{Chance(0.5), Chance(0.3)}; }

private:
    std::string Event() {
        static const char* const events[] = {"Birthday", "birthday", "BIRTHDAY", "Birth",   "Birth*",
                                             "Passing",  "passing",  "Anniversary", "*",    "Mother's Day",
                                             "Wedding",  "B"};
        return events[Pick(12)];
    }

    static std::string Quote(const std::string& text) {
        std::string quoted = "'";
        for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
        return quoted + "'";
    }

    std::string Constant(const std::string& field) {
        char text[32];
        if (field == "Event" || field == "FirstName") {
            std::string value = Chance(0.2) ? std::string() : Event();
            if (Chance(0.25) && !value.empty()) value = value.substr(0, 1 + Pick(static_cast<int>(value.size()))) + "*";
            return Quote(value);
        }
        if (field == "Age") return std::to_string(Pick(99) - 3);
        if (field == "IndexField") return std::to_string(Pick(140));
        if (field == "Score") {
            std::snprintf(text, sizeof text, "%.1f", (Pick(1001) - 500) / 10.0);
            return text;
        }
        if (field == "Married") return Chance(0.5) ? "True" : "False";
        return Quote(hollin::FormatDate(hollin::EncodeDate(1995 + Pick(10), 1 + Pick(12), 1 + Pick(28))));
    }

    std::string Comparison() {
        static const char* const fields[] = {"Event", "FirstName", "Age", "IndexField", "Score", "Married", "EventDate"};
        static const char* const ops[] = {"=", "<>", "<", ">", "<=", ">="};
        std::string field = fields[Pick(7)];
        if (field == "Married" && Chance(0.3)) return "Married";
        if (Chance(0.1)) return field + (Chance(0.5) ? " = NULL" : " <> NULL");
        if (Chance(0.05)) return field == "Event" ? "Event = FirstName" : "Age < IndexField";
        std::string written = Chance(0.2) ? "[" + field + "]" : Chance(0.1) ? "'" + field + "'" : field;
        std::string op = ops[Pick(6)];
        std::string constant = Constant(field);
        if (Chance(0.15) && written[0] != '\'') return constant + " " + op + " " + written;  // mirrored
        return written + " " + op + " " + constant;
    }

    std::mt19937 m_rng;
};

struct Side {
    TestFolder folder;
    std::unique_ptr<TLarchTable> table;
};

TEST(RandomFilters, CursorVisitsWhatPlainEvaluationSelects) {
    Side sides[2];  // with indexes, without
    const char* const orders[] = {"", "EventCI", "EventCS", "FirstName", "EventDate", "Age", "Score", "Married"};
    Generator data(20240605);
    std::vector<Person> people;
    for (int i = 0; i < 130; ++i) people.push_back(data.RandomPerson());
    for (int s = 0; s < 2; ++s) {
        testing::CreatePeopleTable(sides[s].folder.path(), s == 0);
        sides[s].table = testing::PeopleCursor(sides[s].folder.path());
        sides[s].table->Open();
        for (const Person& p : people) testing::AddPerson(*sides[s].table, p);
        for (int64_t id : {5, 17, 60, 61, 129}) {
            ASSERT_TRUE(sides[s].table->Locate("IndexField", {id}));
            sides[s].table->Delete();
        }
        sides[s].table->SetFiltered(true);
    }

    Generator texts(77);
    int fromIndexOnly = 0, withReads = 0;
    for (int round = 0; round < 160; ++round) {
        const std::string text = texts.Expression(3);
        const TFilterOptions options = texts.Options();
        const std::string order = orders[texts.Pick(8)];
        std::vector<int32_t> selections[2];
        for (int s = 0; s < 2; ++s) {
            TLarchTable& table = *sides[s].table;
            if (s == 0) table.SetIndexName(order);
            const uint64_t reads = table.Filters()->RecordReads();
            table.SetFilterOptions(options);
            table.SetFilter(text);
            if (s == 0) (table.Filters()->RecordReads() == reads ? fromIndexOnly : withReads)++;
            selections[s] = testing::VisitedIds(table);
            EXPECT_EQ(selections[s], testing::PlainSelection(*table.DataFile(), text, options))
                << text << " ci " << options.caseInsensitive << " np " << options.noPartialCompare << " side " << s
                << " order " << order;
            EXPECT_EQ(table.RecordCount(), static_cast<int>(selections[s].size())) << text;
        }
        EXPECT_EQ(selections[0], selections[1]) << text;

        // Every tenth round the filtered cursors change the tables alike.
        if (round % 10 == 9) {
            Person added = texts.RandomPerson();
            const bool edit = texts.Chance(0.5);
            for (int s = 0; s < 2; ++s) {
                TLarchTable& table = *sides[s].table;
                testing::AddPerson(table, added);
                if (selections[s].empty()) continue;
                ASSERT_TRUE(table.Locate("IndexField", {int64_t{selections[s].front()}}));
                if (edit) {
                    table.Edit();
                    table.FieldByName("Event").SetAsString("Passing");
                    table.FieldByName("Age").Clear();
                    table.Post();
                } else {
                    table.Delete();
                }
            }
        }
    }
    // Both ways of building sets were taken.
    EXPECT_GT(fromIndexOnly, 20);
    EXPECT_GT(withReads, 20);
}

}  // namespace
}  // namespace larch
