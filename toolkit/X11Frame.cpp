#include "toolkit/X11Frame.h"

#include <cairo-xcb.h>
#include <cairo.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "toolkit/CFrame.h"
#include "toolkit/X11Input.h"
#include "toolkit/X11Window.h"

namespace kgui {

namespace {

using x11::Display;

xcb_window_t windowFromHandle(void* handle) {
    return static_cast<xcb_window_t>(reinterpret_cast<uintptr_t>(handle));
}

// _XEMBED_INFO: protocol version 0, and the client asks to be shown.
constexpr uint32_t kXembedInfo[2] = {0, 1};
constexpr uint32_t kXdndVersion = 5;
// Events taken from the display in one idle pass at most; the rest wait for
// the next, so a flood (a stuck key repeating) cannot hold the host's thread.
constexpr size_t kEventsPerPass = 512;

struct ParentInfo {
    xcb_window_t root = 0;
    xcb_visualid_t visual = 0;
};

// The parent's root and visual; false when it is no window on this display.
bool queryParent(Display& display, xcb_window_t parent, ParentInfo& info) {
    xcb_connection_t* conn = display.connection();
    auto geometryCookie = xcb_get_geometry(conn, parent);
    auto attributesCookie = xcb_get_window_attributes(conn, parent);
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(conn, geometryCookie, nullptr);
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(conn, attributesCookie, nullptr);
    bool ok = geometry && attributes && attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
    if (ok) {
        info.root = geometry->root;
        info.visual = attributes->visual;
    }
    std::free(geometry);
    std::free(attributes);
    return ok;
}

// The frame's window and all it holds. The platform object keeps it through a
// shared pointer, and so does every pass over the events: a frame closed by an
// event handler marks it closed, and the window and the connection go when the
// pass that was running lets go of it, before control returns to the host.
class FrameWindow {
public:
    FrameWindow(std::unique_ptr<Display> display, xcb_window_t parent, xcb_screen_t* screen, CFrame* frame)
        : display(std::move(display)), parent(parent), screen(screen), frame(frame) {}
    ~FrameWindow();

    bool create(xcb_visualid_t visual);
    void processEvents();
    void present(const std::vector<CRect>& rects);
    void setCursor(CCursorType type);
    void showTooltip(const std::string& text, const CPoint& where);
    void hideTooltip();
    PopupResult popupMenu(const MenuSnapshot& menu);
    bool queryButtons(CButtonState& buttons);

    cairo_surface_t* surface() const { return backBuffer; }
    bool usable() const { return !closed && !display->broken(); }
    void close() {
        closed = true;
        if (xdnd)
            xdnd->reset();
    }

private:
    void dispatch(xcb_generic_event_t* event);
    void keyEvent(const xcb_key_press_event_t& event, bool down);
    // The crossings a menu's loop took from the connection, in their order.
    void deliverCrossingsFromMenu();
    // Frame point to root point; false when the display does not answer.
    bool toRoot(const CPoint& frame, CPoint& root);

    std::unique_ptr<Display> display;
    xcb_window_t parent;
    xcb_screen_t* screen;
    CFrame* frame;
    xcb_window_t window = 0;
    int width = 1;
    int height = 1;
    cairo_surface_t* backBuffer = nullptr;
    cairo_surface_t* windowSurface = nullptr;
    std::unique_ptr<x11::PopupWindow> tooltip;
    std::unique_ptr<x11::XdndTarget> xdnd;
    std::vector<xcb_enter_notify_event_t> crossingsInMenu;
    x11::ServerClock clock;
    bool closed = false;
    bool inMenu = false;
};

FrameWindow::~FrameWindow() {
    xdnd.reset();
    tooltip.reset();
    if (windowSurface)
        cairo_surface_destroy(windowSurface);
    if (backBuffer)
        cairo_surface_destroy(backBuffer);
    if (window && !display->broken()) {
        xcb_destroy_window(display->connection(), window);
        display->flush();
    }
    // The display goes last: it finishes cairo's use of the connection first.
}

bool FrameWindow::create(xcb_visualid_t visual) {
    xcb_connection_t* conn = display->connection();
    width = std::max(1, static_cast<int>(std::ceil(frame->getWidth())));
    height = std::max(1, static_cast<int>(std::ceil(frame->getHeight())));
    xcb_visualtype_t* visualType = display->visualOf(visual);
    if (!visualType)
        return false;

    window = xcb_generate_id(conn);
    // Black until the first drawing, never the parent's pixels.
    uint32_t values[] = {0, XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW |
                                XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_KEY_PRESS |
                                XCB_EVENT_MASK_KEY_RELEASE | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_void_cookie_t created = xcb_create_window_checked(
        conn, XCB_COPY_FROM_PARENT, window, parent, 0, 0, static_cast<uint16_t>(width), static_cast<uint16_t>(height),
        0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    if (xcb_generic_error_t* error = xcb_request_check(conn, created)) {
        std::free(error);
        window = 0;
        return false;
    }
    const x11::Atoms& atoms = display->atom();
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, atoms.xembedInfo, atoms.xembedInfo, 32, 2, kXembedInfo);
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, atoms.xdndAware, XCB_ATOM_ATOM, 32, 1, &kXdndVersion);

    backBuffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    windowSurface = cairo_xcb_surface_create(conn, window, visualType, width, height);
    display->adoptCairoDevice(cairo_surface_get_device(windowSurface));
    if (cairo_surface_status(backBuffer) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_status(windowSurface) != CAIRO_STATUS_SUCCESS)
        return false;
    xdnd = std::make_unique<x11::XdndTarget>(*display, window, frame);
    xcb_map_window(conn, window);
    display->flush();
    return !display->broken();
}

void FrameWindow::processEvents() {
    if (!usable())
        return;
    // A menu opened from outside this loop (a key from the host) left its crossings here.
    deliverCrossingsFromMenu();
    xcb_connection_t* conn = display->connection();
    std::vector<xcb_generic_event_t*> events;
    while (events.size() < kEventsPerPass) {
        xcb_generic_event_t* event = xcb_poll_for_event(conn);
        if (!event)
            break;
        events.push_back(event);
    }
    uint32 now = getPlatformTicks();
    for (xcb_generic_event_t* event : events) {
        uint8_t type = event->response_type & 0x7f;
        // Input events share the layout of a button press up to their time.
        if (type >= XCB_KEY_PRESS && type <= XCB_LEAVE_NOTIFY)
            clock.observe(reinterpret_cast<xcb_button_press_event_t*>(event)->time, now);
    }
    for (size_t i = 0; i < events.size(); ++i) {
        xcb_generic_event_t* event = events[i];
        // A run of moves is one move to where the pointer ended.
        bool superseded = (event->response_type & 0x7f) == XCB_MOTION_NOTIFY && i + 1 < events.size() &&
                          (events[i + 1]->response_type & 0x7f) == XCB_MOTION_NOTIFY;
        if (!closed && !superseded)
            dispatch(event);
        std::free(event);
    }
    // After the batch: a menu that one of its events opened saw these later.
    deliverCrossingsFromMenu();
    display->flush();
}

// The leave that the menu's grab brought tells the frame that the pointer is
// no longer its own: without it the frame would go on taking the press point
// for the pointer, and show the tooltip of the view there, until the pointer
// came back. When the menu lets go over the window, the server sends the
// enter that follows as usual.
void FrameWindow::deliverCrossingsFromMenu() {
    std::vector<xcb_enter_notify_event_t> crossings;
    crossings.swap(crossingsInMenu);
    for (const xcb_enter_notify_event_t& crossing : crossings)
        if (!closed)
            x11::deliverPointerEvent(*frame, window, reinterpret_cast<const xcb_generic_event_t&>(crossing), clock);
}

void FrameWindow::dispatch(xcb_generic_event_t* event) {
    const x11::Atoms& atoms = display->atom();
    switch (event->response_type & 0x7f) {
        case XCB_EXPOSE: {
            auto* expose = reinterpret_cast<xcb_expose_event_t*>(event);
            if (tooltip && expose->window == tooltip->id()) {
                tooltip->present();
                break;
            }
            if (expose->window != window)
                break;
            // Redrawn through the views by the idle pass that is running now.
            frame->invalidRect(CRect(expose->x, expose->y, expose->x + expose->width, expose->y + expose->height));
            break;
        }
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE:
        case XCB_MOTION_NOTIFY:
        case XCB_ENTER_NOTIFY:
        case XCB_LEAVE_NOTIFY: {
            if (!x11::deliverPointerEvent(*frame, window, *event, clock))
                break;
            // A view that edits text takes the keys after a click: our window gets the focus.
            const auto* press = reinterpret_cast<xcb_button_press_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_BUTTON_PRESS && x11::buttonFromDetail(press->detail) &&
                !closed && frame->getFocusView() && !display->broken())
                xcb_set_input_focus(display->connection(), XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
            break;
        }
        case XCB_KEY_PRESS:
        case XCB_KEY_RELEASE: {
            auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
            if (key->event == window)
                keyEvent(*key, (event->response_type & 0x7f) == XCB_KEY_PRESS);
            break;
        }
        case XCB_CLIENT_MESSAGE: {
            auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (message->window == window && xdnd)
                xdnd->handleClientMessage(*message, 0);
            break;
        }
        case XCB_SELECTION_NOTIFY: {
            auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
            if (notify->requestor == window && notify->selection == atoms.xdndSelection && xdnd)
                xdnd->handleSelectionNotify(*notify);
            break;
        }
        default: break;
    }
}

void FrameWindow::keyEvent(const xcb_key_press_event_t& event, bool down) {
    uint32_t keysym = 0;
    VstKeyCode key{};
    bool known = display->keysymOf(event.detail, event.state, keysym) && x11::keyCodeFromKeysym(keysym, event.state, key);
    int32 used = -1;
    if (known)
        used = down ? frame->platformOnKeyDown(key) : frame->platformOnKeyUp(key);
    if (used == 1 || closed || display->broken())
        return;
    // A key the editor does not use is the host's: it goes on to the host's
    // window, as if our window were not there.
    xcb_key_press_event_t forwarded = event;
    forwarded.event = parent;
    forwarded.child = XCB_NONE;
    xcb_send_event(display->connection(), 0, parent,
                   down ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE,
                   reinterpret_cast<const char*>(&forwarded));
}

void FrameWindow::present(const std::vector<CRect>& rects) {
    if (!usable())
        return;
    cairo_t* cr = cairo_create(windowSurface);
    cairo_new_path(cr);
    for (const CRect& rect : rects) {
        double left = std::floor(rect.left), top = std::floor(rect.top);
        cairo_rectangle(cr, left, top, std::ceil(rect.right) - left, std::ceil(rect.bottom) - top);
    }
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, backBuffer, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(windowSurface);
    display->flush();
}

void FrameWindow::setCursor(CCursorType type) {
    if (!usable())
        return;
    uint32_t cursor = display->cursorFor(type);
    xcb_change_window_attributes(display->connection(), window, XCB_CW_CURSOR, &cursor);
    display->flush();
}

bool FrameWindow::toRoot(const CPoint& point, CPoint& root) {
    xcb_connection_t* conn = display->connection();
    auto cookie = xcb_translate_coordinates(conn, window, screen->root, static_cast<int16_t>(std::lround(point.x)),
                                            static_cast<int16_t>(std::lround(point.y)));
    xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(conn, cookie, nullptr);
    if (!reply)
        return false;
    root = CPoint(reply->dst_x + (point.x - std::lround(point.x)), reply->dst_y + (point.y - std::lround(point.y)));
    std::free(reply);
    return true;
}

void FrameWindow::showTooltip(const std::string& text, const CPoint& where) {
    hideTooltip();
    CPoint root;
    if (!usable() || inMenu || !toRoot(where, root))
        return;
    tooltip = x11::showTooltipWindow(*display, screen, text, root);
}

void FrameWindow::hideTooltip() { tooltip.reset(); }

PopupResult FrameWindow::popupMenu(const MenuSnapshot& menu) {
    CPoint topLeft, bottomRight;
    if (!usable() || inMenu || !toRoot(menu.anchor.getTopLeft(), topLeft) ||
        !toRoot(menu.anchor.getBottomRight(), bottomRight))
        return {};
    hideTooltip();
    x11::MenuOwner owner{*display, screen, window, [this](const CRect& rect) { present({rect}); },
                         [this](const xcb_enter_notify_event_t& crossing) { crossingsInMenu.push_back(crossing); }};
    inMenu = true;
    PopupResult result = x11::runMenu(owner, menu, CRect(topLeft, bottomRight - topLeft));
    inMenu = false;
    return result;
}

// The server's own state of the keyboard and the pointer, whichever window
// has the focus.
bool FrameWindow::queryButtons(CButtonState& buttons) {
    if (!usable())
        return false;
    xcb_connection_t* conn = display->connection();
    xcb_query_pointer_reply_t* pointer = xcb_query_pointer_reply(conn, xcb_query_pointer(conn, window), nullptr);
    if (!pointer)
        return false;
    buttons = CButtonState(x11::buttonsFromState(pointer->mask));
    std::free(pointer);
    return true;
}

class X11Platform : public IPlatformFrame {
public:
    explicit X11Platform(std::shared_ptr<FrameWindow> window) : window(std::move(window)) {}
    ~X11Platform() override { window->close(); }

    cairo_surface_t* getSurface() override { return window->surface(); }
    void present(const std::vector<CRect>& rects) override {
        auto keep = window;
        keep->present(rects);
    }
    void setCursor(CCursorType type) override { window->setCursor(type); }
    void showTooltip(const std::string& text, const CPoint& where) override { window->showTooltip(text, where); }
    void hideTooltip() override { window->hideTooltip(); }
    PopupResult popupMenu(const MenuSnapshot& menu) override {
        auto keep = window;
        return keep->popupMenu(menu);
    }
    void processEvents() override {
        auto keep = window;
        keep->processEvents();
    }
    bool queryButtons(CButtonState& buttons) override { return window->queryButtons(buttons); }

private:
    std::shared_ptr<FrameWindow> window;
};

}  // namespace

std::unique_ptr<IPlatformFrame> makeX11Platform(CFrame* frame, void* parentWindow) {
    xcb_window_t parent = windowFromHandle(parentWindow);
    if (!frame || !parent)
        return nullptr;
    std::unique_ptr<Display> display = Display::connect();
    ParentInfo info;
    if (!display || !queryParent(*display, parent, info))
        return nullptr;
    xcb_screen_t* screen = display->screenOf(info.root);
    auto window = std::make_shared<FrameWindow>(std::move(display), parent, screen, frame);
    if (!window->create(info.visual))
        return nullptr;
    return std::make_unique<X11Platform>(std::move(window));
}

bool canShowFrameIn(void* parentWindow) {
    xcb_window_t parent = windowFromHandle(parentWindow);
    if (!parent)
        return false;
    std::unique_ptr<Display> display = Display::connect(false);
    ParentInfo info;
    return display && queryParent(*display, parent, info);
}

}  // namespace kgui
