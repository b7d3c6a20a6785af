#include "tools/editorhost/EditorHost.h"

#include <cairo.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace testhost {

namespace {

xcb_atom_t internAtom(xcb_connection_t* conn, const char* name) {
    auto cookie = xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(conn, cookie, nullptr);
    xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

xcb_visualtype_t* findVisual(xcb_connection_t* conn, xcb_visualid_t id) {
    for (auto screen = xcb_setup_roots_iterator(xcb_get_setup(conn)); screen.rem; xcb_screen_next(&screen))
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem; xcb_depth_next(&depth))
            for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem; xcb_visualtype_next(&visual))
                if (visual.data->visual_id == id)
                    return visual.data;
    return nullptr;
}

int shiftOf(uint32_t mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// The window's pixels as an opaque image; null when it cannot be read (not
// viewable, a depth other than 24 or 32 bits). Where another top-level window
// (a tooltip, a menu) lies over it, a window's own pixels are undefined (black
// on Xvfb); asScreenShows reads the screen at the window's place instead, with
// whatever lies over it.
cairo_surface_t* grabWindow(xcb_connection_t* conn, xcb_window_t window, bool asScreenShows = false) {
    int16_t left = 0, top = 0;
    if (asScreenShows) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
        auto* origin =
            xcb_translate_coordinates_reply(conn, xcb_translate_coordinates(conn, window, root, 0, 0), nullptr);
        if (!origin)
            return nullptr;
        left = origin->dst_x;
        top = origin->dst_y;
        // Windows in a screen of their own are not on this root.
        const bool onRoot = origin->same_screen;
        std::free(origin);
        if (!onRoot)
            return nullptr;
    }
    auto geometryCookie = xcb_get_geometry(conn, window);
    auto attributesCookie = xcb_get_window_attributes(conn, window);
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(conn, geometryCookie, nullptr);
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(conn, attributesCookie, nullptr);
    cairo_surface_t* surface = nullptr;
    xcb_visualtype_t* visual = attributes ? findVisual(conn, attributes->visual) : nullptr;
    if (geometry && visual && (geometry->depth == 24 || geometry->depth == 32)) {
        int width = geometry->width, height = geometry->height;
        const xcb_drawable_t source =
            asScreenShows ? xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root : window;
        auto imageCookie =
            xcb_get_image(conn, XCB_IMAGE_FORMAT_Z_PIXMAP, source, left, top, static_cast<uint16_t>(width),
                          static_cast<uint16_t>(height), ~0u);
        xcb_get_image_reply_t* image = xcb_get_image_reply(conn, imageCookie, nullptr);
        if (image && xcb_get_image_data_length(image) >= width * height * 4) {
            surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
            const uint8_t* source = xcb_get_image_data(image);
            unsigned char* target = cairo_image_surface_get_data(surface);
            int stride = cairo_image_surface_get_stride(surface);
            int redShift = shiftOf(visual->red_mask), greenShift = shiftOf(visual->green_mask),
                blueShift = shiftOf(visual->blue_mask);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    uint32_t pixel;
                    std::memcpy(&pixel, source + (static_cast<size_t>(y) * width + x) * 4, 4);
                    uint32_t out = 0xff000000u | (((pixel & visual->red_mask) >> redShift) << 16) |
                                   (((pixel & visual->green_mask) >> greenShift) << 8) |
                                   ((pixel & visual->blue_mask) >> blueShift);
                    std::memcpy(target + y * stride + x * 4, &out, 4);
                }
            cairo_surface_mark_dirty(surface);
        }
        std::free(image);
    }
    std::free(geometry);
    std::free(attributes);
    return surface;
}

bool writeSurface(cairo_surface_t* surface, const std::string& path) {
    if (!surface)
        return false;
    bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

}  // namespace

struct EditorWindow::Connection {
    xcb_connection_t* conn = nullptr;
    ~Connection() {
        if (conn)
            xcb_disconnect(conn);
    }
};

std::unique_ptr<EditorWindow> EditorWindow::open(Plugin& plugin, const Options& options, std::string& error) {
    vst::AEffect* effect = plugin.effect();
    if (!(effect->flags & vst::effFlagsHasEditor)) {
        error = "the plug-in has no editor";
        return nullptr;
    }
    std::unique_ptr<EditorWindow> editor(new EditorWindow(plugin));
    editor->connection = std::make_unique<Connection>();
    int screenNumber = 0;
    editor->connection->conn = xcb_connect(options.display.empty() ? nullptr : options.display.c_str(), &screenNumber);
    xcb_connection_t* conn = editor->connection->conn;
    if (xcb_connection_has_error(conn)) {
        error = "cannot reach the X display";
        return nullptr;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(conn));
    for (int i = 0; screens.rem && i < screenNumber; ++i)
        xcb_screen_next(&screens);
    xcb_screen_t* screen = screens.data;

    // Hosts ask the size first, then make the window, then open the editor in it.
    vst::ERect* rect = nullptr;
    plugin.dispatch(vst::effEditGetRect, 0, 0, &rect);
    int width = rect ? rect->right - rect->left : 0;
    int height = rect ? rect->bottom - rect->top : 0;
    if (width <= 0 || height <= 0) {
        width = 400;
        height = 300;
    }
    editor->windowWidth = width;
    editor->windowHeight = height;
    editor->windowId = xcb_generate_id(conn);
    uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, editor->windowId, screen->root, static_cast<int16_t>(options.x),
                      static_cast<int16_t>(options.y), static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                      values);
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, editor->windowId, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(options.title.size()), options.title.c_str());
    // The window's close button asks us (WM_DELETE_WINDOW) instead of killing the connection.
    xcb_atom_t protocols = internAtom(conn, "WM_PROTOCOLS");
    editor->deleteAtom = internAtom(conn, "WM_DELETE_WINDOW");
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, editor->windowId, protocols, XCB_ATOM_ATOM, 32, 1,
                        &editor->deleteAtom);
    // A fixed size: the editor does not follow a resized window.
    uint32_t hints[18] = {};
    hints[0] = (1u << 4) | (1u << 5);  // program-specified minimum and maximum size
    hints[5] = hints[7] = static_cast<uint32_t>(width);
    hints[6] = hints[8] = static_cast<uint32_t>(height);
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, editor->windowId, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    xcb_map_window(conn, editor->windowId);
    xcb_flush(conn);
    // Wait until the server has the window mapped before the editor opens in it.
    xcb_get_input_focus_reply_t* sync = xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr);
    std::free(sync);

    if (plugin.dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(editor->windowId))) ==
        0) {
        error = "the plug-in refused to open its editor";
        return nullptr;
    }
    editor->open_ = true;
    return editor;
}

EditorWindow::EditorWindow(Plugin& plugin) : plugin(plugin) {}

EditorWindow::~EditorWindow() {
    closeEditor();
    if (connection && connection->conn && !xcb_connection_has_error(connection->conn) && windowId) {
        xcb_destroy_window(connection->conn, windowId);
        xcb_flush(connection->conn);
    }
}

void EditorWindow::closeEditor() {
    if (!open_)
        return;
    open_ = false;
    plugin.dispatch(vst::effEditClose);
}

bool EditorWindow::idle() {
    xcb_connection_t* conn = connection->conn;
    bool closedByPerson = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(conn)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (message->format == 32 && message->data.data32[0] == deleteAtom)
                closedByPerson = true;
        }
        std::free(event);
    }
    if (closedByPerson || xcb_connection_has_error(conn)) {
        closeEditor();
        return false;
    }
    if (open_)
        plugin.dispatch(vst::effEditIdle);
    return true;
}

bool EditorWindow::screenshot(const std::string& pngPath) {
    return writeSurface(grabWindow(connection->conn, windowId, true), pngPath);
}

bool saveWindowImage(const std::string& display, uint32_t window, const std::string& pngPath) {
    xcb_connection_t* conn = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
    bool saved = !xcb_connection_has_error(conn) && writeSurface(grabWindow(conn, window), pngPath);
    xcb_disconnect(conn);
    return saved;
}

}  // namespace testhost
