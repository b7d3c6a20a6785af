// Where a pop-up menu's entries lie and where its window goes on the screen,
// and how the keyboard moves through it.
#include <gtest/gtest.h>

#include "toolkit/MenuLayout.h"

using namespace kgui;

namespace {
MenuSnapshot menuOf(const std::vector<std::string>& titles) {
    MenuSnapshot menu;
    for (const std::string& title : titles) {
        MenuSnapshot::Entry entry;
        entry.separator = title == "-";
        entry.enabled = title.rfind("off:", 0) != 0;
        entry.title = entry.enabled ? title : title.substr(4);
        if (title == "sub")
            entry.submenu = std::make_shared<MenuSnapshot>(menuOf({"x"}));
        menu.entries.push_back(entry);
    }
    return menu;
}
}  // namespace

TEST(MenuLayout, EntriesRunDownAColumnAndWrapIntoMoreColumnsOnAShortScreen) {
    MenuMetrics metrics;
    MenuSnapshot menu = menuOf({"One", "-", "Three", "Four"});
    std::vector<double> widths = {30, 0, 80, 40};

    MenuLayout tall = layoutMenu(menu, widths, metrics, 0, 1000);
    ASSERT_EQ(tall.entries.size(), 4u);
    EXPECT_EQ(tall.columns, 1);
    EXPECT_EQ(tall.entries[0], CRect(0, 4, tall.width, 26));
    EXPECT_EQ(tall.entries[1], CRect(0, 26, tall.width, 35)) << "a separator is thinner";
    EXPECT_EQ(tall.entries[3].bottom, 79);
    EXPECT_EQ(tall.height, 83);
    EXPECT_EQ(tall.width, metrics.checkColumn + 80 + metrics.arrowColumn) << "the widest title sets the width";
    EXPECT_EQ(layoutMenu(menu, widths, metrics, 200, 1000).width, 200) << "at least as wide as the anchor";

    // Room for two entries a column: every entry still shows.
    MenuLayout wrapped = layoutMenu(menu, widths, metrics, 0, 4 + 22 + 9 + 4);
    EXPECT_EQ(wrapped.columns, 3);
    EXPECT_EQ(wrapped.entries[2].left, wrapped.entries[0].left + tall.width);
    EXPECT_EQ(wrapped.entries[2].top, 4);
    EXPECT_EQ(wrapped.width, 3 * tall.width);
    // A screen lower than one entry still gives each entry a place.
    EXPECT_EQ(layoutMenu(menu, widths, metrics, 0, 10).columns, 4);

    EXPECT_EQ(tall.entryAt(CPoint(10, 10)), 0);
    EXPECT_EQ(tall.entryAt(CPoint(10, 30)), 1);
    EXPECT_EQ(tall.entryAt(CPoint(10, 2)), -1) << "the border is no entry";
    EXPECT_EQ(tall.entryAt(CPoint(tall.width + 1, 10)), -1);
}

TEST(MenuLayout, MenusStayOnTheScreen) {
    const CRect screen(0, 0, 1280, 1024);
    struct Case {
        CRect anchor;
        double width, height;
        CPoint expected;
        const char* why;
    };
    const Case cases[] = {
        {CRect(100, 100, 200, 120), 150, 300, CPoint(100, 120), "under the anchor"},
        {CRect(100, 900, 200, 920), 150, 300, CPoint(100, 600), "over it when the screen ends below"},
        {CRect(1200, 100, 1260, 120), 150, 300, CPoint(1130, 120), "pulled in from the right edge"},
        {CRect(100, 500, 200, 520), 150, 1100, CPoint(100, 0), "taller than the screen: from the top"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(placeMenu(c.anchor, c.width, c.height, screen), c.expected) << c.why;

    const CRect parentMenu(100, 100, 250, 400);
    const CRect entry(100, 150, 250, 172);
    EXPECT_EQ(placeSubmenu(parentMenu, entry, 120, 200, 4, screen), CPoint(250, 146)) << "right, level with the entry";
    const CRect rightMenu(1100, 100, 1250, 400);
    EXPECT_EQ(placeSubmenu(rightMenu, CRect(1100, 150, 1250, 172), 120, 200, 4, screen), CPoint(980, 146))
        << "left when the screen ends on the right";
    EXPECT_EQ(placeSubmenu(parentMenu, CRect(100, 950, 250, 972), 120, 200, 4, screen), CPoint(250, 824))
        << "raised to stay above the screen's bottom";
}

TEST(MenuLayout, KeysMoveOverSeparatorsAndDisabledEntriesAndWrap) {
    MenuSnapshot menu = menuOf({"-", "A", "-", "off:B", "sub", "C"});
    EXPECT_EQ(nextSelectableEntry(menu, -1, 1), 1) << "first: past the leading separator";
    EXPECT_EQ(nextSelectableEntry(menu, -1, -1), 5) << "last";
    EXPECT_EQ(nextSelectableEntry(menu, 1, 1), 4) << "skips a separator and a disabled entry";
    EXPECT_EQ(nextSelectableEntry(menu, 5, 1), 1) << "wraps at the end";
    EXPECT_EQ(nextSelectableEntry(menu, 1, -1), 5) << "wraps at the start";
    EXPECT_EQ(nextSelectableEntry(menuOf({"-", "off:X"}), -1, 1), -1) << "nothing to highlight";
    EXPECT_EQ(nextSelectableEntry(MenuSnapshot{}, -1, 1), -1);

    EXPECT_TRUE(isChoosable(menu, 1));
    EXPECT_FALSE(isChoosable(menu, 0)) << "a separator";
    EXPECT_FALSE(isChoosable(menu, 3)) << "disabled";
    EXPECT_FALSE(isChoosable(menu, 4)) << "a submenu's title opens, never picks";
    EXPECT_FALSE(isChoosable(menu, 6));
    EXPECT_FALSE(isChoosable(menu, -1));
}
