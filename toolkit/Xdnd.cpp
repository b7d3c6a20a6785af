// Files dropped from a file manager: the target side of XDND version 5. The
// data (text/uri-list) is asked for at the first position message, with its
// time stamp, so the drop targets see the paths from the moment the drag
// enters; a drop that comes before the data waits for it.
#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "toolkit/CFrame.h"
#include "toolkit/X11Window.h"

namespace kgui::x11 {

namespace {
// Property reads are bounded: a list of dropped files is a few kilobytes; this
// is over a thousand long paths.
constexpr uint32_t kMaxDropDataWords = 256 * 1024;
constexpr uint32_t kOldestVersion = 2;

void sendClientMessage(Display& display, xcb_window_t to, xcb_atom_t type, const uint32_t (&data)[5]) {
    if (display.broken())
        return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = to;
    message.type = type;
    std::memcpy(message.data.data32, data, sizeof data);
    xcb_send_event(display.connection(), 0, to, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    display.flush();
}
}  // namespace

XdndTarget::XdndTarget(Display& display, xcb_window_t window, CFrame* frame)
    : display(display), window(window), frame(frame) {}

XdndTarget::~XdndTarget() { reset(); }

void XdndTarget::reset() {
    if (package)
        package->forget();
    package = nullptr;
    source = 0;
    version = 0;
    offersUriList = false;
    dataRequested = false;
    dataArrived = false;
    entered = false;
    dropPending = false;
    operation = DragOperation::None;
}

bool XdndTarget::handleClientMessage(const xcb_client_message_event_t& message, int32 modifierState) {
    const Atoms& atoms = display.atom();
    const uint32_t* data = message.data.data32;
    if (message.format != 32)
        return false;
    if (message.type == atoms.xdndEnter) {
        if (entered && frame)
            frame->platformOnDragLeave(package, position, modifiers);
        reset();
        source = data[0];
        version = static_cast<int>(data[1] >> 24);
        if (version < static_cast<int>(kOldestVersion))
            return true;
        if (data[1] & 1) {
            // More than three types: the full list is on the source window.
            xcb_connection_t* conn = display.connection();
            auto cookie = xcb_get_property(conn, 0, source, atoms.xdndTypeList, XCB_ATOM_ATOM, 0, 1024);
            if (xcb_get_property_reply_t* reply = xcb_get_property_reply(conn, cookie, nullptr)) {
                auto* types = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
                int count = xcb_get_property_value_length(reply) / 4;
                for (int i = 0; i < count; ++i)
                    offersUriList = offersUriList || types[i] == atoms.textUriList;
                std::free(reply);
            }
        } else {
            for (int i = 2; i < 5; ++i)
                offersUriList = offersUriList || data[i] == atoms.textUriList;
        }
        return true;
    }
    if (data[0] != source || !source)
        return message.type == atoms.xdndPosition || message.type == atoms.xdndLeave ||
               message.type == atoms.xdndDrop;
    if (message.type == atoms.xdndPosition) {
        modifiers = modifierState;
        xcb_connection_t* conn = display.connection();
        auto rootX = static_cast<int16_t>(data[2] >> 16), rootY = static_cast<int16_t>(data[2] & 0xffff);
        xcb_screen_t* screen = display.defaultScreen();
        auto cookie = xcb_translate_coordinates(conn, screen->root, window, rootX, rootY);
        if (xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(conn, cookie, nullptr)) {
            // The window may sit on another screen's root; translating from
            // the root it really has would need it, and gives the same offsets.
            position = CPoint(reply->dst_x, reply->dst_y);
            std::free(reply);
        }
        if (!offersUriList) {
            operation = DragOperation::None;
        } else if (!dataArrived) {
            if (!dataRequested)
                requestData(data[3]);
        } else {
            deliverPosition();
        }
        sendStatus();
        return true;
    }
    if (message.type == atoms.xdndLeave) {
        if (entered && frame)
            frame->platformOnDragLeave(package, position, modifiers);
        reset();
        return true;
    }
    if (message.type == atoms.xdndDrop) {
        if (!offersUriList) {
            sendFinished(false);
            reset();
        } else if (dataArrived) {
            deliverDrop();
        } else {
            dropPending = true;
            if (!dataRequested)
                requestData(data[2]);
        }
        return true;
    }
    return false;
}

void XdndTarget::requestData(uint32_t time) {
    if (display.broken())
        return;
    const Atoms& atoms = display.atom();
    xcb_convert_selection(display.connection(), window, atoms.xdndSelection, atoms.textUriList, atoms.dropData, time);
    display.flush();
    dataRequested = true;
}

void XdndTarget::handleSelectionNotify(const xcb_selection_notify_event_t& notify) {
    if (!source || !dataRequested || dataArrived)
        return;
    std::string text;
    if (notify.property != XCB_NONE) {
        xcb_connection_t* conn = display.connection();
        auto cookie = xcb_get_property(conn, 1, window, notify.property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                       kMaxDropDataWords);
        if (xcb_get_property_reply_t* reply = xcb_get_property_reply(conn, cookie, nullptr)) {
            if (reply->format == 8)
                text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                            static_cast<size_t>(xcb_get_property_value_length(reply)));
            std::free(reply);
        }
    }
    dataArrived = true;
    std::vector<std::string> paths = decodeUriList(text);
    offersUriList = !paths.empty();
    if (offersUriList)
        package = new CFilePathPackage(std::move(paths));
    if (dropPending) {
        deliverDrop();
        return;
    }
    if (offersUriList)
        deliverPosition();
    sendStatus();
}

void XdndTarget::deliverPosition() {
    if (!frame || !package)
        return;
    operation = entered ? frame->platformOnDragMove(package, position, modifiers)
                        : frame->platformOnDragEnter(package, position, modifiers);
    entered = true;
}

void XdndTarget::deliverDrop() {
    bool accepted = false;
    if (frame && package) {
        if (!entered)
            deliverPosition();
        accepted = frame->platformOnDrop(package, position, modifiers);
    }
    sendFinished(accepted);
    entered = false;
    reset();
}

void XdndTarget::sendStatus() {
    const Atoms& atoms = display.atom();
    bool accept = operation != DragOperation::None;
    xcb_atom_t action = operation == DragOperation::Move ? atoms.xdndActionMove : atoms.xdndActionCopy;
    // Bit 1: keep sending positions, the answer depends on the view under the pointer.
    const uint32_t data[5] = {window, (accept ? 1u : 0u) | 2u, 0, 0, accept ? action : xcb_atom_t{XCB_NONE}};
    sendClientMessage(display, source, atoms.xdndStatus, data);
}

void XdndTarget::sendFinished(bool accepted) {
    const Atoms& atoms = display.atom();
    xcb_atom_t action = operation == DragOperation::Move ? atoms.xdndActionMove : atoms.xdndActionCopy;
    const uint32_t data[5] = {window, accepted ? 1u : 0u, accepted ? action : xcb_atom_t{XCB_NONE}, 0, 0};
    sendClientMessage(display, source, atoms.xdndFinished, data);
}

}  // namespace kgui::x11
