// The application's default error handler: a silent abort shows nothing,
// any other error its text, and a guarded action reports whether it ran.
#include <gtest/gtest.h>

#include "controls/error_handler.h"
#include "controls/message_box.h"
#include "dataset/database_error.h"
#include "engine/files/engine_error.h"

namespace hollin::ui {
namespace {

TEST(DefaultErrorHandler, SilentAbortIsDroppedOtherErrorsAreShown) {
    TakeShownMessages();
    EXPECT_FALSE(RunGuarded([] { throw EAbort(); }));
    EXPECT_TRUE(TakeShownMessages().empty());

    EXPECT_FALSE(RunGuarded([] { throw larch::ELarchEngineError(8961, "Hollin.DAT"); }));
    std::vector<TShownMessage> shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, TMessageKind::Error);
    EXPECT_EQ(shown[0].text.rfind("Larch Engine Error # 8961", 0), 0u) << shown[0].text;

    EXPECT_FALSE(RunGuarded([] { throw 42; }));
    shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Unknown or unexpected error has occurred");

    EXPECT_TRUE(RunGuarded([] {}));
    EXPECT_TRUE(TakeShownMessages().empty());
}

}  // namespace
}  // namespace hollin::ui
