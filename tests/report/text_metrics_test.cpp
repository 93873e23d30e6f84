// Word wrapping of memos and the paragraphs of memo fields.
#include <gtest/gtest.h>

#include "report/text_metrics.h"

namespace hollin::report {
namespace {

const TReportFont kFont{"Arial", 10, false, false};

TEST(WrapLines, BreaksAtBlanksOnlyAndKeepsInnerBlanks) {
    const TMicrons width = TextWidth(kFont, "alpha beta") + 100;
    EXPECT_EQ(WrapLines(kFont, {"alpha beta gamma"}, width), (std::vector<std::string>{"alpha beta", "gamma"}));
    EXPECT_EQ(WrapLines(kFont, {"John  Smith"}, 1000000), (std::vector<std::string>{"John  Smith"}));
    // A word wider than the box stands alone, unbroken.
    EXPECT_EQ(WrapLines(kFont, {"a Supercalifragilistic b"}, TextWidth(kFont, "a b")),
              (std::vector<std::string>{"a", "Supercalifragilistic", "b"}));
    EXPECT_EQ(WrapLines(kFont, {"", "x"}, width), (std::vector<std::string>{"", "x"}));
}

TEST(SplitParagraphs, SplitsAtEveryKindOfLineEnd) {
    EXPECT_EQ(SplitParagraphs("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitParagraphs("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitParagraphs("").empty());
}

}  // namespace
}  // namespace hollin::report
