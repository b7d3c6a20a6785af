// Where a pop-up menu's entries lie and where its window goes on the screen,
// and how the keyboard moves through it.
#include <gtest/gtest.h>

#include <cmath>

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

TEST(MenuLayout, RowsColumnsAndFontFollowTheEditorsScreenSize) {
    MenuSnapshot menu = menuOf({"One", "-", "Three", "sub"});
    struct Case {
        double factor;
        double itemHeight, separatorHeight, border, checkColumn, arrowColumn, fontSize;
        const char* why;
    };
    const Case cases[] = {
        {1.0, 22, 9, 4, 24, 22, 12, "100 % is the menu as it always was"},
        {1.25, 28, 11, 5, 30, 28, 15, "125 %: whole pixels, rounded"},
        {1.5, 33, 14, 6, 36, 33, 18, "150 %"},
        {2.0, 44, 18, 8, 48, 44, 24, "200 %: twice everything"},
        {0.0, 22, 9, 4, 24, 22, 12, "no factor: as at 100 %"},
        {-2.0, 22, 9, 4, 24, 22, 12, "a negative factor: as at 100 %"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const MenuMetrics metrics = scaledMenuMetrics(c.factor);
        EXPECT_EQ(metrics.itemHeight, c.itemHeight);
        EXPECT_EQ(metrics.separatorHeight, c.separatorHeight);
        EXPECT_EQ(metrics.border, c.border);
        EXPECT_EQ(metrics.checkColumn, c.checkColumn);
        EXPECT_EQ(metrics.arrowColumn, c.arrowColumn);
        EXPECT_DOUBLE_EQ(metrics.fontSize, c.fontSize);

        // Titles are measured in the scaled font, so they widen by the factor too.
        const double k = c.factor > 0 ? c.factor : 1;
        const std::vector<double> widths = {30 * k, 0, 80 * k, 40 * k};
        MenuLayout layout = layoutMenu(menu, widths, metrics, 0, 10000);
        ASSERT_EQ(layout.entries.size(), 4u);
        EXPECT_EQ(layout.columns, 1);
        EXPECT_EQ(layout.entries[0], CRect(0, c.border, layout.width, c.border + c.itemHeight));
        EXPECT_EQ(layout.entries[1].getHeight(), c.separatorHeight);
        EXPECT_EQ(layout.height, 2 * c.border + 3 * c.itemHeight + c.separatorHeight);
        EXPECT_EQ(layout.width, std::ceil(c.checkColumn + 80 * k + c.arrowColumn));
    }

    // At 200 % each row and column is twice that at 100 %, so a screen
    // that holds the menu in one column at 100 % may need two.
    const std::vector<double> widths = {30, 0, 80, 40}, doubled = {60, 0, 160, 80};
    MenuLayout small = layoutMenu(menu, widths, scaledMenuMetrics(1), 0, 120);
    MenuLayout large = layoutMenu(menu, doubled, scaledMenuMetrics(2), 0, 120);
    EXPECT_EQ(small.columns, 1);
    EXPECT_EQ(small.height, 83);
    ASSERT_EQ(large.columns, 2);
    const double column = 2 * small.width;
    EXPECT_EQ(large.width, 2 * column);
    EXPECT_EQ(large.entries[2], CRect(column, 8, 2 * column, 52)) << "the third entry opens the second column";
    EXPECT_EQ(large.entryAt(CPoint(column + 10, 30)), 2) << "hit testing in scaled units";
    EXPECT_EQ(large.entryAt(CPoint(10, 60)), 1);
    EXPECT_EQ(small.entryAt(CPoint(10, 30)), 1);
}
