#include "tests/support/everywindow.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <set>

using namespace Testing;

// Every window comes up on screen when its command opens it, titled, with room for its
// controls, and goes again when closed.
TEST(EveryWindow, EachOneOpensWithATitleAndRoomForItsControls)
{
    TempDir scratch;
    std::set<std::string> seen;
    visitEveryWindow(CORVANTA_DATA_DIR, scratch.path(), [&](const OpenWindow &window) {
        seen.insert(window.name);
        EXPECT_TRUE(window.widget->isVisible()) << window.name;
        EXPECT_GE(window.widget->width(), 100) << window.name;
        EXPECT_GE(window.widget->height(), 100) << window.name;
        if (window.name != "Splash") {
            EXPECT_FALSE(window.widget->windowTitle().isEmpty()) << window.name;
        }
    });
    EXPECT_EQ(seen.size(), 14u);
}
