// The parts of the X11 frame that its sources share: the connection with its
// atoms, keyboard map and cursors, the pop-up windows of menus and tooltips,
// the modal menu loop and the XDND drop target. Private to the toolkit.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/CBase.h"
#include "toolkit/DragAndDrop.h"
#include "toolkit/PlatformFrame.h"

typedef struct _cairo_device cairo_device_t;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace kgui {
class CFrame;
}

namespace kgui::x11 {

struct Atoms {
    xcb_atom_t xembedInfo = 0;
    xcb_atom_t xdndAware = 0;
    xcb_atom_t xdndEnter = 0;
    xcb_atom_t xdndPosition = 0;
    xcb_atom_t xdndStatus = 0;
    xcb_atom_t xdndLeave = 0;
    xcb_atom_t xdndDrop = 0;
    xcb_atom_t xdndFinished = 0;
    xcb_atom_t xdndSelection = 0;
    xcb_atom_t xdndTypeList = 0;
    xcb_atom_t xdndActionCopy = 0;
    xcb_atom_t xdndActionMove = 0;
    xcb_atom_t xdndActionPrivate = 0;
    xcb_atom_t textUriList = 0;
    xcb_atom_t dropData = 0;  // the property our drop data is converted into
    xcb_atom_t netWmWindowType = 0;
    xcb_atom_t netWmWindowTypePopupMenu = 0;
    xcb_atom_t netWmWindowTypeTooltip = 0;
};

// One connection to the display with what the frame needs of it. The
// connection belongs to one frame; nothing here is shared between frames.
class Display {
public:
    // Null when no display answers ($DISPLAY unset, server gone). Without
    // withInput the keyboard map and cursors are not fetched: enough to ask
    // the display about a window.
    static std::unique_ptr<Display> connect(bool withInput = true);
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    xcb_connection_t* connection() const { return conn; }
    // The screen whose root is root, or the default screen.
    xcb_screen_t* screenOf(xcb_window_t root) const;
    xcb_screen_t* defaultScreen() const { return screen; }
    xcb_visualtype_t* visualOf(xcb_visualid_t id) const;
    const Atoms& atom() const { return atoms; }

    // The server went away or the connection broke: nothing more is sent.
    bool broken() const;
    void flush();

    // The keysym of a key with the event's modifier state; false without a keyboard map.
    bool keysymOf(xcb_keycode_t keycode, uint16_t state, uint32_t& keysym) const;
    // The cursor for a type; XCB_CURSOR_NONE (the parent's) for the default
    // and for cursors the theme lacks.
    xcb_cursor_t cursorFor(CCursorType type);

    // cairo keeps one device per connection; it is finished before the
    // connection closes, so a later connection at the same address starts clean.
    void adoptCairoDevice(cairo_device_t* device);

private:
    Display() = default;

    xcb_connection_t* conn = nullptr;
    xcb_screen_t* screen = nullptr;
    Atoms atoms;
    xkb_context* keyboardContext = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* keyboardState = nullptr;
    void* cursorContext = nullptr;
    std::map<CCursorType, xcb_cursor_t> cursors;
    cairo_device_t* cairoDevice = nullptr;
};

// An override-redirect window that shows an image: a menu or a tooltip.
class PopupWindow {
public:
    PopupWindow(Display& display, xcb_screen_t* screen, const CRect& rootRect, xcb_atom_t windowType);
    ~PopupWindow();
    PopupWindow(const PopupWindow&) = delete;
    PopupWindow& operator=(const PopupWindow&) = delete;

    xcb_window_t id() const { return window; }
    const CRect& rootRect() const { return rect; }
    // Draw into this, then present.
    cairo_surface_t* image() const { return backBuffer; }
    void present();

private:
    Display& display;
    xcb_window_t window = 0;
    CRect rect;
    cairo_surface_t* backBuffer = nullptr;
    cairo_surface_t* windowSurface = nullptr;
};

// The window under the frame's events, as the menu loop needs it.
struct MenuOwner {
    Display& display;
    xcb_screen_t* screen;
    xcb_window_t window;  // the frame's window
    // The frame's window was exposed while the menu runs: show it again.
    std::function<void(const CRect&)> exposed;
    // The pointer crossed the frame's window while the menu runs (the leave
    // its grab brings): the frame must hear of it once the menu is gone.
    std::function<void(const xcb_enter_notify_event_t&)> crossed;
};

// Shows the menu under anchor (root coordinates), grabs pointer and keyboard
// and runs until an entry is chosen or the menu is dismissed. Returns at once
// with a dismissal when the grab cannot be had or the connection breaks.
PopupResult runMenu(MenuOwner& owner, const MenuSnapshot& menu, const CRect& anchor);

// Draws a tooltip text (lines split at '\n') into a new popup window at the point.
std::unique_ptr<PopupWindow> showTooltipWindow(Display& display, xcb_screen_t* screen, const std::string& text,
                                               const CPoint& rootPoint);

// The drop side of XDND (version 5) for the frame's window: accepts
// text/uri-list, hands the decoded paths to the frame's drop targets.
class XdndTarget {
public:
    XdndTarget(Display& display, xcb_window_t window, CFrame* frame);
    ~XdndTarget();
    // True when the message was a drag message; handled.
    bool handleClientMessage(const xcb_client_message_event_t& message, int32 modifiers);
    void handleSelectionNotify(const xcb_selection_notify_event_t& notify);
    // The frame closes: a drag in progress is let go.
    void reset();

private:
    void requestData(uint32_t time);
    void sendStatus();
    void sendFinished(bool accepted);
    void deliverPosition();
    void deliverDrop();

    Display& display;
    xcb_window_t window;
    CFrame* frame;
    xcb_window_t source = 0;
    int version = 0;
    bool offersUriList = false;
    bool dataRequested = false;
    bool dataArrived = false;
    bool entered = false;       // the frame saw the drag enter
    bool dropPending = false;   // dropped before the data arrived
    CPoint position;            // frame coordinates
    int32 modifiers = 0;
    DragOperation operation = DragOperation::None;
    CFilePathPackage* package = nullptr;
};

}  // namespace kgui::x11
