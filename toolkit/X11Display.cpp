#include <cairo-xcb.h>
#include <cairo.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>
#if KOLBRI_HAVE_XCB_CURSOR
#include <xcb/xcb_cursor.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "toolkit/CDrawContext.h"
#include "toolkit/X11Window.h"

namespace kgui::x11 {

// ------------------------------------------------------------------ Display

namespace {
struct AtomName {
    xcb_atom_t Atoms::*member;
    const char* name;
};

constexpr AtomName kAtomNames[] = {
    {&Atoms::xembedInfo, "_XEMBED_INFO"},
    {&Atoms::xdndAware, "XdndAware"},
    {&Atoms::xdndEnter, "XdndEnter"},
    {&Atoms::xdndPosition, "XdndPosition"},
    {&Atoms::xdndStatus, "XdndStatus"},
    {&Atoms::xdndLeave, "XdndLeave"},
    {&Atoms::xdndDrop, "XdndDrop"},
    {&Atoms::xdndFinished, "XdndFinished"},
    {&Atoms::xdndSelection, "XdndSelection"},
    {&Atoms::xdndTypeList, "XdndTypeList"},
    {&Atoms::xdndActionCopy, "XdndActionCopy"},
    {&Atoms::xdndActionMove, "XdndActionMove"},
    {&Atoms::xdndActionPrivate, "XdndActionPrivate"},
    {&Atoms::textUriList, "text/uri-list"},
    {&Atoms::dropData, "KOLBRI_DROP_DATA"},
    {&Atoms::netWmWindowType, "_NET_WM_WINDOW_TYPE"},
    {&Atoms::netWmWindowTypePopupMenu, "_NET_WM_WINDOW_TYPE_POPUP_MENU"},
    {&Atoms::netWmWindowTypeTooltip, "_NET_WM_WINDOW_TYPE_TOOLTIP"},
};

bool internAtoms(xcb_connection_t* conn, Atoms& atoms) {
    xcb_intern_atom_cookie_t cookies[std::size(kAtomNames)];
    for (size_t i = 0; i < std::size(kAtomNames); ++i)
        cookies[i] = xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(kAtomNames[i].name)),
                                     kAtomNames[i].name);
    bool complete = true;
    for (size_t i = 0; i < std::size(kAtomNames); ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(conn, cookies[i], nullptr);
        if (reply)
            atoms.*kAtomNames[i].member = reply->atom;
        else
            complete = false;
        std::free(reply);
    }
    return complete;
}
}  // namespace

std::unique_ptr<Display> Display::connect(bool withInput) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !name[0])
        return nullptr;
    std::unique_ptr<Display> display(new Display());
    int screenNumber = 0;
    display->conn = xcb_connect(nullptr, &screenNumber);
    if (!display->conn || xcb_connection_has_error(display->conn))
        return nullptr;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(display->conn));
    for (int i = 0; screens.rem && i < screenNumber; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return nullptr;
    display->screen = screens.data;
    if (!internAtoms(display->conn, display->atoms))
        return nullptr;
    if (!withInput)
        return display;

    // Keys go through the server's own keyboard map; without the XKB
    // extension the frame still works, only without keys of its own.
    if (xkb_x11_setup_xkb_extension(display->conn, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        int32_t device = xkb_x11_get_core_keyboard_device_id(display->conn);
        display->keyboardContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (display->keyboardContext && device >= 0)
            display->keymap = xkb_x11_keymap_new_from_device(display->keyboardContext, display->conn, device,
                                                             XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (display->keymap)
            display->keyboardState = xkb_x11_state_new_from_device(display->keymap, display->conn, device);
    }
#if KOLBRI_HAVE_XCB_CURSOR
    xcb_cursor_context_t* context = nullptr;
    if (xcb_cursor_context_new(display->conn, display->screen, &context) >= 0)
        display->cursorContext = context;
#endif
    return display;
}

Display::~Display() {
    if (cairoDevice) {
        cairo_device_finish(cairoDevice);
        cairo_device_destroy(cairoDevice);
    }
    if (conn && !broken())
        for (const auto& [type, cursor] : cursors)
            if (cursor != XCB_CURSOR_NONE)
                xcb_free_cursor(conn, cursor);
#if KOLBRI_HAVE_XCB_CURSOR
    if (cursorContext)
        xcb_cursor_context_free(static_cast<xcb_cursor_context_t*>(cursorContext));
#endif
    if (keyboardState)
        xkb_state_unref(keyboardState);
    if (keymap)
        xkb_keymap_unref(keymap);
    if (keyboardContext)
        xkb_context_unref(keyboardContext);
    if (conn)
        xcb_disconnect(conn);
}

xcb_screen_t* Display::screenOf(xcb_window_t root) const {
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn)); it.rem; xcb_screen_next(&it))
        if (it.data->root == root)
            return it.data;
    return screen;
}

xcb_visualtype_t* Display::visualOf(xcb_visualid_t id) const {
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn)); it.rem; xcb_screen_next(&it))
        for (xcb_depth_iterator_t depth = xcb_screen_allowed_depths_iterator(it.data); depth.rem;
             xcb_depth_next(&depth))
            for (xcb_visualtype_iterator_t visual = xcb_depth_visuals_iterator(depth.data); visual.rem;
                 xcb_visualtype_next(&visual))
                if (visual.data->visual_id == id)
                    return visual.data;
    return nullptr;
}

bool Display::broken() const { return !conn || xcb_connection_has_error(conn) != 0; }

void Display::flush() {
    if (!broken())
        xcb_flush(conn);
}

bool Display::keysymOf(xcb_keycode_t keycode, uint16_t state, uint32_t& keysym) const {
    if (!keyboardState)
        return false;
    // The event's own modifiers and group decide the level, so a key reads
    // the same however its modifiers reached the server.
    xkb_state_update_mask(keyboardState, state & 0xff, 0, 0, 0, 0, (state >> 13) & 3);
    keysym = xkb_state_key_get_one_sym(keyboardState, keycode);
    return keysym != XKB_KEY_NoSymbol;
}

xcb_cursor_t Display::cursorFor(CCursorType type) {
    if (type == kCursorDefault || broken())
        return XCB_CURSOR_NONE;
    auto found = cursors.find(type);
    if (found != cursors.end())
        return found->second;
    xcb_cursor_t cursor = XCB_CURSOR_NONE;
#if KOLBRI_HAVE_XCB_CURSOR
    // Theme names first, then the names of the core cursor font.
    static const std::map<CCursorType, std::vector<const char*>> kNames = {
        {kCursorWait, {"wait", "watch"}},
        {kCursorHSize, {"ew-resize", "sb_h_double_arrow"}},
        {kCursorVSize, {"ns-resize", "sb_v_double_arrow"}},
        {kCursorSizeAll, {"all-scroll", "fleur"}},
        {kCursorNESWSize, {"nesw-resize", "bottom_left_corner"}},
        {kCursorNWSESize, {"nwse-resize", "bottom_right_corner"}},
        {kCursorCopy, {"copy", "dnd-copy", "plus"}},
        {kCursorNotAllowed, {"not-allowed", "crossed_circle"}},
        {kCursorHand, {"pointer", "hand2"}},
    };
    auto names = kNames.find(type);
    if (cursorContext && names != kNames.end())
        for (const char* name : names->second) {
            cursor = xcb_cursor_load_cursor(static_cast<xcb_cursor_context_t*>(cursorContext), name);
            if (cursor != XCB_CURSOR_NONE)
                break;
        }
#endif
    cursors[type] = cursor;
    return cursor;
}

void Display::adoptCairoDevice(cairo_device_t* device) {
    if (!cairoDevice && device)
        cairoDevice = cairo_device_reference(device);
}

// -------------------------------------------------------------- PopupWindow

PopupWindow::PopupWindow(Display& display, xcb_screen_t* screen, const CRect& rootRect, xcb_atom_t windowType)
    : display(display), rect(rootRect) {
    xcb_connection_t* conn = display.connection();
    int width = std::max(1, static_cast<int>(std::ceil(rect.getWidth())));
    int height = std::max(1, static_cast<int>(std::ceil(rect.getHeight())));
    window = xcb_generate_id(conn);
    uint32_t values[] = {screen->black_pixel, 1,
                         XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                             XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_LEAVE_WINDOW};
    xcb_create_window(conn, screen->root_depth, window, screen->root, static_cast<int16_t>(std::lround(rect.left)),
                      static_cast<int16_t>(std::lround(rect.top)), static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, display.atom().netWmWindowType, XCB_ATOM_ATOM, 32, 1,
                        &windowType);
    backBuffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    windowSurface =
        cairo_xcb_surface_create(conn, window, display.visualOf(screen->root_visual), width, height);
    display.adoptCairoDevice(cairo_surface_get_device(windowSurface));
    xcb_map_window(conn, window);
}

PopupWindow::~PopupWindow() {
    cairo_surface_destroy(windowSurface);
    cairo_surface_destroy(backBuffer);
    if (!display.broken())
        xcb_destroy_window(display.connection(), window);
    display.flush();
}

void PopupWindow::present() {
    if (display.broken())
        return;
    cairo_surface_flush(backBuffer);
    cairo_t* cr = cairo_create(windowSurface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, backBuffer, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(windowSurface);
    display.flush();
}

// ------------------------------------------------------------------ tooltip

namespace {
constexpr CColor kTooltipBack{255, 255, 225, 255};
constexpr CColor kTooltipText{20, 20, 20, 255};
constexpr CColor kTooltipBorder{118, 118, 118, 255};
constexpr double kTooltipPadding = 5;
constexpr double kTooltipLineHeight = 15;
// Below and right of the pointer, clear of the cursor image.
constexpr double kTooltipOffsetX = 12;
constexpr double kTooltipOffsetY = 20;

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        lines.push_back(line);
    if (lines.empty())
        lines.emplace_back();
    return lines;
}
}  // namespace

std::unique_ptr<PopupWindow> showTooltipWindow(Display& display, xcb_screen_t* screen, const std::string& text,
                                               const CPoint& rootPoint) {
    if (display.broken())
        return nullptr;
    std::vector<std::string> lines = splitLines(text);
    double widest = 0;
    {
        cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cairo_t* cr = cairo_create(scratch);
        CDrawContext measure(cr, CRect(0, 0, 1, 1));
        measure.setFont(kNormalFontSmall);
        for (const std::string& line : lines)
            widest = std::max(widest, measure.getStringWidth(line));
        cairo_destroy(cr);
        cairo_surface_destroy(scratch);
    }
    double width = std::ceil(widest + 2 * kTooltipPadding);
    double height = std::ceil(lines.size() * kTooltipLineHeight + 2 * kTooltipPadding - 4);
    CRect screenRect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    double x = std::min(rootPoint.x + kTooltipOffsetX, screenRect.right - width);
    double y = rootPoint.y + kTooltipOffsetY;
    if (y + height > screenRect.bottom)
        y = rootPoint.y - height - 4;
    CRect rect(std::max(0.0, x), std::max(0.0, y), std::max(0.0, x) + width, std::max(0.0, y) + height);

    auto window = std::make_unique<PopupWindow>(display, screen, rect, display.atom().netWmWindowTypeTooltip);
    cairo_t* cr = cairo_create(window->image());
    {
        CDrawContext context(cr, CRect(0, 0, width, height));
        context.setFillColor(kTooltipBack);
        context.drawRect(CRect(0, 0, width, height), kDrawFilled);
        context.setFrameColor(kTooltipBorder);
        context.drawRect(CRect(0, 0, width - 1, height - 1), kDrawStroked);
        context.setFont(kNormalFontSmall);
        context.setFontColor(kTooltipText);
        double top = kTooltipPadding - 2;
        for (const std::string& line : lines) {
            context.drawString(line, CRect(kTooltipPadding, top, width - kTooltipPadding, top + kTooltipLineHeight),
                               kLeftText);
            top += kTooltipLineHeight;
        }
    }
    cairo_destroy(cr);
    window->present();
    return window;
}

}  // namespace kgui::x11
