#include "toolkit/MenuLayout.h"

#include <algorithm>
#include <cmath>

namespace kgui {

int MenuLayout::entryAt(const CPoint& where) const {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].containsPixel(where))
            return static_cast<int>(i);
    return -1;
}

MenuMetrics scaledMenuMetrics(double factor) {
    MenuMetrics metrics;
    if (!(factor > 0) || factor == 1 || !std::isfinite(factor))
        return metrics;
    // Whole pixels keep the rows' edges and the highlight sharp at 125 %.
    auto pixels = [factor](double value) { return std::round(value * factor); };
    metrics.itemHeight = pixels(metrics.itemHeight);
    metrics.separatorHeight = pixels(metrics.separatorHeight);
    metrics.border = pixels(metrics.border);
    metrics.checkColumn = pixels(metrics.checkColumn);
    metrics.arrowColumn = pixels(metrics.arrowColumn);
    metrics.minimumWidth = pixels(metrics.minimumWidth);
    metrics.fontSize *= factor;
    metrics.scale = factor;
    return metrics;
}

MenuLayout layoutMenu(const MenuSnapshot& menu, const std::vector<double>& textWidths, const MenuMetrics& metrics,
                      double anchorWidth, double maxHeight) {
    MenuLayout layout;
    double widest = 0;
    for (size_t i = 0; i < menu.entries.size() && i < textWidths.size(); ++i)
        if (!menu.entries[i].separator)
            widest = std::max(widest, textWidths[i]);
    double columnWidth = std::ceil(metrics.checkColumn + widest + metrics.arrowColumn);
    columnWidth = std::max({columnWidth, metrics.minimumWidth, std::floor(anchorWidth)});

    // At least one entry per column, however small the screen.
    double x = 0;
    double y = metrics.border;
    double tallest = y;
    bool columnEmpty = true;
    for (const MenuSnapshot::Entry& entry : menu.entries) {
        double height = entry.separator ? metrics.separatorHeight : metrics.itemHeight;
        if (!columnEmpty && y + height + metrics.border > maxHeight) {
            x += columnWidth;
            y = metrics.border;
            ++layout.columns;
        }
        layout.entries.push_back(CRect(x, y, x + columnWidth, y + height));
        y += height;
        tallest = std::max(tallest, y);
        columnEmpty = false;
    }
    layout.width = x + columnWidth;
    layout.height = tallest + metrics.border;
    return layout;
}

namespace {
double keepInside(double position, double size, double low, double high) {
    if (position + size > high)
        position = high - size;
    return std::max(position, low);
}
}  // namespace

CPoint placeMenu(const CRect& anchor, double width, double height, const CRect& screen) {
    double x = keepInside(anchor.left, width, screen.left, screen.right);
    double y = anchor.bottom;
    if (y + height > screen.bottom && anchor.top - height >= screen.top)
        y = anchor.top - height;
    y = keepInside(y, height, screen.top, screen.bottom);
    return {x, y};
}

CPoint placeSubmenu(const CRect& parentMenu, const CRect& entry, double width, double height, double border,
                    const CRect& screen) {
    double x = parentMenu.right;
    if (x + width > screen.right && parentMenu.left - width >= screen.left)
        x = parentMenu.left - width;
    x = keepInside(x, width, screen.left, screen.right);
    double y = keepInside(entry.top - border, height, screen.top, screen.bottom);
    return {x, y};
}

namespace {
bool canHighlight(const MenuSnapshot::Entry& entry) { return !entry.separator && entry.enabled; }
}  // namespace

int nextSelectableEntry(const MenuSnapshot& menu, int from, int direction) {
    int count = static_cast<int>(menu.entries.size());
    if (count == 0 || (direction != 1 && direction != -1))
        return -1;
    int index = from;
    if (index < 0 || index >= count)
        index = direction > 0 ? -1 : count;
    for (int step = 0; step < count; ++step) {
        index = (index + direction + count) % count;
        if (canHighlight(menu.entries[static_cast<size_t>(index)]))
            return index;
    }
    return -1;
}

bool isChoosable(const MenuSnapshot& menu, int index) {
    if (index < 0 || index >= static_cast<int>(menu.entries.size()))
        return false;
    const MenuSnapshot::Entry& entry = menu.entries[static_cast<size_t>(index)];
    return canHighlight(entry) && !entry.submenu;
}

}  // namespace kgui
