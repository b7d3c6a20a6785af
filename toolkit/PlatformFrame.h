// What a frame needs from the window system: a surface to draw into, a way to
// show pop-up menus, a cursor and tooltips. Input and time reach the frame
// through its platform entry points (CFrame::platformOnMouseDown and friends)
// and the toolkit clock.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/CBase.h"

typedef struct _cairo_surface cairo_surface_t;

namespace kgui {

class CFrame;

// A pop-up menu as it is shown: what the user (or a test) chooses from.
struct MenuSnapshot {
    struct Entry {
        std::string title;
        bool enabled = true;
        bool separator = false;
        bool checked = false;
        std::shared_ptr<MenuSnapshot> submenu;  // null for a plain entry
    };
    std::vector<Entry> entries;
    CRect anchor;  // the menu's view rectangle in frame coordinates
    // The frame's screen size factor: a menu beside a panel drawn at 200 %
    // is drawn at 200 % too.
    double scale = 1;

    // Titles of the entries, separators as "-", submenus followed by their
    // entries in brackets: a compact form for test assertions.
    std::string describe() const;
    // The entry reached by a path of titles, or null.
    const Entry* find(const std::vector<std::string>& titlePath) const;
};

// The user's answer to a pop-up menu: the indexes of the chosen entry, one per
// level (separators counted), or empty when the menu was dismissed.
struct PopupResult {
    std::vector<int32> indexPath;
    bool dismissed() const { return indexPath.empty(); }
};

class IPlatformFrame {
public:
    virtual ~IPlatformFrame() = default;
    // The frame draws into this surface (frame coordinates).
    virtual cairo_surface_t* getSurface() = 0;
    // Part of the surface is new; an on-screen window shows it.
    virtual void present(const std::vector<CRect>& rects) { (void)rects; }
    virtual void setCursor(CCursorType type) { (void)type; }
    virtual void showTooltip(const std::string& text, const CPoint& where) { (void)text, (void)where; }
    virtual void hideTooltip() {}
    // Shows the menu modally and returns the choice.
    virtual PopupResult popupMenu(const MenuSnapshot& menu) = 0;
    // Lets the window system deliver pending events (called from idle).
    virtual void processEvents() {}
    // The mouse buttons and modifier keys held now, as the window system
    // knows them; false where it cannot tell.
    virtual bool queryButtons(CButtonState& buttons) {
        (void)buttons;
        return false;
    }
};

}  // namespace kgui
