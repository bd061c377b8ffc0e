#include <gtest/gtest.h>

#include "app/Main.h"
#include "support/TestSupport.h"

using testing_support::ProgramFixture;

TEST(Smoke, StartsToMain) {
    ProgramFixture fx;
    fx.start();
    auto& main = forms::form<app::Main>();
    EXPECT_TRUE(main.Visible());
    EXPECT_EQ(fx.driver().now(), 3000);
    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
}
