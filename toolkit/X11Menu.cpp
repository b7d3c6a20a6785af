// Pop-up menus on X11: override-redirect windows under a pointer and keyboard
// grab, run by a loop of their own until the user picks an entry or lets the
// menu go. The loop waits on the connection with a timeout, so a display that
// disappears ends the menu at once.
#include <cairo.h>
#include <poll.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "toolkit/CDrawContext.h"
#include "toolkit/MenuLayout.h"
#include "toolkit/X11Window.h"

namespace kgui::x11 {

namespace {

constexpr CColor kMenuBack{246, 246, 246, 255};
constexpr CColor kMenuBorder{160, 160, 160, 255};
constexpr CColor kMenuText{25, 25, 25, 255};
constexpr CColor kMenuDisabledText{150, 150, 150, 255};
constexpr CColor kMenuHighlight{52, 120, 198, 255};
constexpr CColor kMenuHighlightText{255, 255, 255, 255};
constexpr CColor kMenuSeparator{205, 205, 205, 255};

// A submenu follows the pointer after this pause, so that a diagonal move
// towards an open submenu does not switch it on the way.
constexpr int kSubmenuDelayMs = 150;
// Below this the opening click's release counts as not having moved.
constexpr double kClickSlop = 3;
// Another client may hold a grab for a moment (the host's own click).
constexpr int kGrabAttempts = 10;
constexpr auto kGrabRetryPause = std::chrono::milliseconds(20);

using Clock = std::chrono::steady_clock;

struct Level {
    const MenuSnapshot* menu = nullptr;
    MenuLayout layout;
    std::unique_ptr<PopupWindow> window;
    int highlighted = -1;
    int submenuFrom = -1;  // the entry whose submenu is the next level
};

class MenuSession {
public:
    MenuSession(MenuOwner& owner, const CRect& anchor)
        : owner(owner), display(owner.display), conn(owner.display.connection()), anchor(anchor),
          screenRect(0, 0, owner.screen->width_in_pixels, owner.screen->height_in_pixels) {}
    ~MenuSession() {
        if (!display.broken()) {
            xcb_ungrab_pointer(conn, XCB_CURRENT_TIME);
            xcb_ungrab_keyboard(conn, XCB_CURRENT_TIME);
        }
        levels.clear();
        display.flush();
    }

    PopupResult run(const MenuSnapshot& menu);

private:
    void openLevel(const MenuSnapshot& menu);
    void closeLevelsAbove(size_t level);
    void draw(Level& level);
    bool grab();
    // The innermost level and entry under a root point; false outside every menu.
    bool locate(const CPoint& root, size_t& level, int& entry) const;
    void highlight(size_t level, int entry);
    void syncSubmenu();
    void choose(size_t level, int entry);
    void dismiss() { done = true; }

    void onMotion(const CPoint& root);
    void onPress(const CPoint& root, uint8_t button);
    void onRelease(const CPoint& root, uint8_t button);
    void onKey(const xcb_key_press_event_t& key);
    void onExpose(const xcb_expose_event_t& expose);

    MenuOwner& owner;
    Display& display;
    xcb_connection_t* conn;
    CRect anchor;
    CRect screenRect;
    MenuMetrics metrics;
    std::vector<Level> levels;
    bool done = false;
    PopupResult result;

    bool openingButtonHeld = false;  // the click that opened the menu is still down
    bool pressSeen = false;
    bool movedOntoEntry = false;
    CPoint startPoint;

    bool submenuPending = false;  // a hovered entry's submenu waits for the pause
    Clock::time_point submenuDue;
};

std::vector<double> measureTitles(const MenuSnapshot& menu, const MenuMetrics& metrics) {
    std::vector<double> widths;
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    {
        CDrawContext measure(cr, CRect(0, 0, 1, 1));
        measure.setFont(kNormalFont, metrics.fontSize);
        for (const MenuSnapshot::Entry& entry : menu.entries)
            widths.push_back(entry.separator ? 0 : measure.getStringWidth(entry.title));
    }
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
    return widths;
}

void MenuSession::openLevel(const MenuSnapshot& menu) {
    Level level;
    level.menu = &menu;
    double anchorWidth = levels.empty() ? anchor.getWidth() : 0;
    level.layout = layoutMenu(menu, measureTitles(menu, metrics), metrics, anchorWidth, screenRect.getHeight());
    CPoint topLeft;
    if (levels.empty()) {
        topLeft = placeMenu(anchor, level.layout.width, level.layout.height, screenRect);
    } else {
        const Level& parentLevel = levels.back();
        CRect parentRect = parentLevel.window->rootRect();
        CRect entry = parentLevel.layout.entries[static_cast<size_t>(parentLevel.submenuFrom)];
        entry.offset(parentRect.left, parentRect.top);
        topLeft = placeSubmenu(parentRect, entry, level.layout.width, level.layout.height, metrics.border, screenRect);
    }
    CRect rect(topLeft.x, topLeft.y, topLeft.x + level.layout.width, topLeft.y + level.layout.height);
    level.window = std::make_unique<PopupWindow>(display, owner.screen, rect, display.atom().netWmWindowTypePopupMenu);
    levels.push_back(std::move(level));
    draw(levels.back());
}

void MenuSession::closeLevelsAbove(size_t level) {
    while (levels.size() > level + 1)
        levels.pop_back();
    levels[level].submenuFrom = -1;
}

void MenuSession::draw(Level& level) {
    const MenuSnapshot& menu = *level.menu;
    double width = level.layout.width;
    double height = level.layout.height;
    cairo_t* cr = cairo_create(level.window->image());
    {
        CDrawContext context(cr, CRect(0, 0, width, height));
        context.setFillColor(kMenuBack);
        context.drawRect(CRect(0, 0, width, height), kDrawFilled);
        context.setFrameColor(kMenuBorder);
        context.drawRect(CRect(0, 0, width - 1, height - 1), kDrawStroked);
        context.setFont(kNormalFont, metrics.fontSize);
        const double k = metrics.scale;
        for (size_t i = 0; i < menu.entries.size(); ++i) {
            const MenuSnapshot::Entry& entry = menu.entries[i];
            const CRect& box = level.layout.entries[i];
            if (entry.separator) {
                double y = std::floor((box.top + box.bottom) / 2);
                context.setFrameColor(kMenuSeparator);
                context.drawLine(CPoint(box.left + std::round(6 * k), y), CPoint(box.right - std::round(7 * k), y));
                continue;
            }
            bool lit = static_cast<int>(i) == level.highlighted || static_cast<int>(i) == level.submenuFrom;
            if (lit && entry.enabled) {
                context.setFillColor(kMenuHighlight);
                context.drawRect(CRect(box).inset(std::round(2 * k), 0), kDrawFilled);
            }
            CColor textColor = !entry.enabled ? kMenuDisabledText : (lit ? kMenuHighlightText : kMenuText);
            context.setFontColor(textColor);
            context.drawString(entry.title,
                               CRect(box.left + metrics.checkColumn, box.top, box.right - metrics.arrowColumn,
                                     box.bottom),
                               kLeftText);
            context.setDrawMode(kAntiAliasing);
            if (entry.checked) {
                double cx = box.left + metrics.checkColumn / 2, cy = (box.top + box.bottom) / 2;
                context.setFrameColor(textColor);
                context.setLineWidth(2 * k);
                context.drawLine(CPoint(cx - 5 * k, cy), CPoint(cx - 2 * k, cy + 3 * k));
                context.drawLine(CPoint(cx - 2 * k, cy + 3 * k), CPoint(cx + 4 * k, cy - 4 * k));
                context.setLineWidth(1);
            }
            if (entry.submenu) {
                double cx = box.right - metrics.arrowColumn / 2, cy = (box.top + box.bottom) / 2;
                const CPoint arrow[] = {{cx - 2 * k, cy - 4 * k}, {cx + 3 * k, cy}, {cx - 2 * k, cy + 4 * k}};
                context.setFillColor(textColor);
                context.fillPolygon(arrow, 3);
            }
            context.setDrawMode(kAliasing);
        }
    }
    cairo_destroy(cr);
    level.window->present();
}

bool MenuSession::grab() {
    xcb_window_t grabWindow = levels.front().window->id();
    bool pointer = false;
    for (int attempt = 0; attempt < kGrabAttempts && !pointer && !display.broken(); ++attempt) {
        if (attempt)
            std::this_thread::sleep_for(kGrabRetryPause);
        auto cookie = xcb_grab_pointer(conn, 0, grabWindow,
                                       XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                           XCB_EVENT_MASK_POINTER_MOTION,
                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                                       XCB_CURRENT_TIME);
        xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(conn, cookie, nullptr);
        pointer = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
    }
    // Without the pointer no click outside could end the menu: it does not open.
    if (!pointer)
        return false;
    for (int attempt = 0; attempt < kGrabAttempts && !display.broken(); ++attempt) {
        if (attempt)
            std::this_thread::sleep_for(kGrabRetryPause);
        auto cookie = xcb_grab_keyboard(conn, 0, grabWindow, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                        XCB_GRAB_MODE_ASYNC);
        xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(conn, cookie, nullptr);
        bool keyboard = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
        if (keyboard)
            break;
    }
    return true;
}

bool MenuSession::locate(const CPoint& root, size_t& level, int& entry) const {
    for (size_t i = levels.size(); i-- > 0;) {
        const CRect& rect = levels[i].window->rootRect();
        if (!rect.containsPixel(root))
            continue;
        level = i;
        entry = levels[i].layout.entryAt(CPoint(root.x - rect.left, root.y - rect.top));
        return true;
    }
    return false;
}

void MenuSession::highlight(size_t level, int entry) {
    for (size_t deeper = level + 1; deeper < levels.size(); ++deeper)
        if (levels[deeper].highlighted >= 0) {
            levels[deeper].highlighted = -1;
            draw(levels[deeper]);
        }
    Level& target = levels[level];
    const MenuSnapshot::Entry* item = entry >= 0 ? &target.menu->entries[static_cast<size_t>(entry)] : nullptr;
    int lit = item && !item->separator && item->enabled ? entry : -1;
    // The entry whose submenu is open shows as lit already.
    if (levels.size() > level + 1 && entry == target.submenuFrom)
        lit = -1;
    if (lit != target.highlighted) {
        target.highlighted = lit;
        draw(target);
    }
    // What happens to the levels beyond waits for the pointer to rest.
    submenuPending = true;
    submenuDue = Clock::now() + std::chrono::milliseconds(kSubmenuDelayMs);
}

// The pointer rested: the deepest level that holds a highlight shows the
// submenu of its entry, if it has one, and nothing beyond.
void MenuSession::syncSubmenu() {
    submenuPending = false;
    size_t level = levels.size();
    while (level > 0 && levels[level - 1].highlighted < 0)
        --level;
    if (level == 0)
        return;
    --level;
    int entry = levels[level].highlighted;
    if (levels.size() > level + 1) {
        closeLevelsAbove(level);
        draw(levels[level]);
    }
    const MenuSnapshot::Entry& item = levels[level].menu->entries[static_cast<size_t>(entry)];
    if (item.submenu && item.enabled) {
        levels[level].submenuFrom = entry;
        levels[level].highlighted = -1;
        draw(levels[level]);
        openLevel(*item.submenu);
    }
}

void MenuSession::choose(size_t level, int entry) {
    result.indexPath.clear();
    for (size_t i = 0; i < level; ++i)
        result.indexPath.push_back(levels[i].submenuFrom);
    result.indexPath.push_back(entry);
    done = true;
}

void MenuSession::onMotion(const CPoint& root) {
    size_t level = 0;
    int entry = -1;
    if (!locate(root, level, entry))
        return;
    if (entry >= 0 && std::hypot(root.x - startPoint.x, root.y - startPoint.y) > kClickSlop)
        movedOntoEntry = true;
    highlight(level, entry);
}

void MenuSession::onPress(const CPoint& root, uint8_t button) {
    if (button < 1 || button > 3)
        return;
    size_t level = 0;
    int entry = -1;
    if (!locate(root, level, entry)) {
        dismiss();
        return;
    }
    pressSeen = true;
}

void MenuSession::onRelease(const CPoint& root, uint8_t button) {
    if (button < 1 || button > 3)
        return;
    bool openingRelease = openingButtonHeld && !pressSeen;
    openingButtonHeld = false;
    if (openingRelease && !movedOntoEntry)
        return;
    size_t level = 0;
    int entry = -1;
    if (!locate(root, level, entry) || entry < 0)
        return;
    if (isChoosable(*levels[level].menu, entry)) {
        choose(level, entry);
        return;
    }
    // A click on a submenu's title opens it now.
    const MenuSnapshot::Entry& item = levels[level].menu->entries[static_cast<size_t>(entry)];
    if (item.submenu && item.enabled && levels[level].submenuFrom != entry) {
        highlight(level, entry);
        syncSubmenu();
    }
}

void MenuSession::onKey(const xcb_key_press_event_t& key) {
    uint32_t keysym = 0;
    if (!display.keysymOf(key.detail, key.state, keysym))
        return;
    Level& deepest = levels.back();
    switch (keysym) {
        case XKB_KEY_Escape: dismiss(); return;
        case XKB_KEY_Down:
        case XKB_KEY_KP_Down:
        case XKB_KEY_Up:
        case XKB_KEY_KP_Up: {
            int direction = (keysym == XKB_KEY_Down || keysym == XKB_KEY_KP_Down) ? 1 : -1;
            deepest.highlighted = nextSelectableEntry(*deepest.menu, deepest.highlighted, direction);
            submenuPending = false;
            draw(deepest);
            return;
        }
        case XKB_KEY_Left:
        case XKB_KEY_KP_Left:
            if (levels.size() > 1) {
                levels.pop_back();
                Level& parentLevel = levels.back();
                parentLevel.highlighted = parentLevel.submenuFrom;
                parentLevel.submenuFrom = -1;
                draw(parentLevel);
            }
            return;
        case XKB_KEY_Right:
        case XKB_KEY_KP_Right:
        case XKB_KEY_Return:
        case XKB_KEY_KP_Enter:
        case XKB_KEY_space: {
            int entry = deepest.highlighted;
            if (entry < 0)
                return;
            const MenuSnapshot::Entry& item = deepest.menu->entries[static_cast<size_t>(entry)];
            if (item.submenu) {
                syncSubmenu();
                Level& opened = levels.back();
                opened.highlighted = nextSelectableEntry(*opened.menu, -1, 1);
                draw(opened);
            } else if (keysym != XKB_KEY_Right && keysym != XKB_KEY_KP_Right && isChoosable(*deepest.menu, entry)) {
                choose(levels.size() - 1, entry);
            }
            return;
        }
        default: return;
    }
}

void MenuSession::onExpose(const xcb_expose_event_t& expose) {
    for (Level& level : levels)
        if (level.window->id() == expose.window) {
            level.window->present();
            return;
        }
    if (expose.window == owner.window && owner.exposed)
        owner.exposed(CRect(expose.x, expose.y, expose.x + expose.width, expose.y + expose.height));
}

PopupResult MenuSession::run(const MenuSnapshot& menu) {
    if (menu.entries.empty() || display.broken())
        return {};
    auto pointerCookie = xcb_query_pointer(conn, owner.screen->root);
    if (xcb_query_pointer_reply_t* pointer = xcb_query_pointer_reply(conn, pointerCookie, nullptr)) {
        openingButtonHeld =
            pointer->mask & (XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3);
        startPoint = CPoint(pointer->root_x, pointer->root_y);
        std::free(pointer);
    }
    metrics = scaledMenuMetrics(menu.scale);
    openLevel(menu);
    if (!grab())
        return {};
    int fd = xcb_get_file_descriptor(conn);
    while (!done) {
        display.flush();
        if (display.broken())
            return {};
        if (submenuPending && Clock::now() >= submenuDue)
            syncSubmenu();
        xcb_generic_event_t* event = xcb_poll_for_event(conn);
        if (!event) {
            int timeout = 100;
            if (submenuPending)
                timeout = static_cast<int>(std::clamp<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(submenuDue - Clock::now()).count() + 1, 1,
                    100));
            pollfd waiting{fd, POLLIN, 0};
            ::poll(&waiting, 1, timeout);
            continue;
        }
        switch (event->response_type & 0x7f) {
            case XCB_MOTION_NOTIFY: {
                auto* motion = reinterpret_cast<xcb_motion_notify_event_t*>(event);
                onMotion(CPoint(motion->root_x, motion->root_y));
                break;
            }
            case XCB_BUTTON_PRESS: {
                auto* press = reinterpret_cast<xcb_button_press_event_t*>(event);
                onPress(CPoint(press->root_x, press->root_y), press->detail);
                break;
            }
            case XCB_BUTTON_RELEASE: {
                auto* release = reinterpret_cast<xcb_button_release_event_t*>(event);
                onRelease(CPoint(release->root_x, release->root_y), release->detail);
                break;
            }
            case XCB_KEY_PRESS: onKey(*reinterpret_cast<xcb_key_press_event_t*>(event)); break;
            case XCB_EXPOSE: onExpose(*reinterpret_cast<xcb_expose_event_t*>(event)); break;
            case XCB_ENTER_NOTIFY:
            case XCB_LEAVE_NOTIFY: {
                // Leave and enter share one layout.
                auto* crossing = reinterpret_cast<xcb_enter_notify_event_t*>(event);
                if (crossing->event == owner.window && owner.crossed)
                    owner.crossed(*crossing);
                break;
            }
            default: break;
        }
        std::free(event);
    }
    return result;
}

}  // namespace

PopupResult runMenu(MenuOwner& owner, const MenuSnapshot& menu, const CRect& anchor) {
    MenuSession session(owner, anchor);
    return session.run(menu);
}

}  // namespace kgui::x11
