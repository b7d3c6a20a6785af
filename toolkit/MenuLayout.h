// Where the entries of a shown pop-up menu lie, where the menu window goes on
// the screen, and which entry the keyboard moves to: the geometry of a menu
// window apart from any window system.
#pragma once

#include <vector>

#include "toolkit/PlatformFrame.h"

namespace kgui {

struct MenuMetrics {
    double itemHeight = 22;
    double separatorHeight = 9;
    double border = 4;          // above the first and below the last entry of a column
    double checkColumn = 24;    // left of the title: the check mark
    double arrowColumn = 22;    // right of the title: the submenu arrow, or a margin
    double minimumWidth = 60;
    double fontSize = 12;
    double scale = 1;  // for what is drawn in the columns: check marks, arrows, insets
};

// The metrics at a screen size factor, in whole pixels; a factor of 1 (or
// one that makes no sense) gives the metrics as they stand.
MenuMetrics scaledMenuMetrics(double factor);

struct MenuLayout {
    std::vector<CRect> entries;  // one per entry, separators included, in window coordinates
    double width = 0;
    double height = 0;
    int columns = 1;

    // The entry under the point (window coordinates), separators included; -1 for none.
    int entryAt(const CPoint& where) const;
};

// Entries run down a column; one that would pass maxHeight starts the next
// column, so a menu taller than the screen still shows every entry. Columns
// share one width: the widest title (textWidths, one per entry) and the two
// side columns, at least the anchor's width.
MenuLayout layoutMenu(const MenuSnapshot& menu, const std::vector<double>& textWidths, const MenuMetrics& metrics,
                      double anchorWidth, double maxHeight);

// The menu's top-left corner: under the anchor, or over it when it does not
// fit below, kept inside the screen.
CPoint placeMenu(const CRect& anchor, double width, double height, const CRect& screen);
// A submenu beside its entry: right of the parent menu, or left of it when the
// screen ends there, its first entry level with the parent's entry.
CPoint placeSubmenu(const CRect& parentMenu, const CRect& entry, double width, double height, double border,
                    const CRect& screen);

// The next entry that can be highlighted (not a separator, enabled) from
// `from` in direction +1 or -1, wrapping around; from -1 with +1 gives the
// first, with -1 the last. -1 when there is none.
int nextSelectableEntry(const MenuSnapshot& menu, int from, int direction);
// An entry the user can pick: enabled, not a separator, not a submenu's title.
bool isChoosable(const MenuSnapshot& menu, int index);

}  // namespace kgui
