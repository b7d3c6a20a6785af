// A plug-in's editor in a window on an X11 display, as a host shows it: a
// top-level window of the size the editor asks for (effEditGetRect before
// effEditOpen), the editor opened into it with the window's id, and
// effEditIdle called from the thread that opened it. The vsthost commands
// "edit" and "snapshot" and the windowed tests use it; like the rest of the
// test host it knows the plug-in only through the binary interface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/testhost/TestHost.h"

namespace testhost {

class EditorWindow {
public:
    struct Options {
        std::string display;  // empty: $DISPLAY
        int x = 0, y = 0;     // where the window goes on the screen
        std::string title = "Plug-in editor";
    };

    // Null, with the reason in error, when there is no display, the plug-in
    // has no editor or refuses to open it.
    static std::unique_ptr<EditorWindow> open(Plugin& plugin, const Options& options, std::string& error);
    // Closes the editor (if still open), then the window and the connection.
    ~EditorWindow();
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // Handles the window's own events and calls effEditIdle. False once the
    // person closed the window with its close button (the editor is closed then).
    bool idle();
    // effEditClose, once; the window stays until the object goes.
    void closeEditor();
    bool editorOpen() const { return open_; }

    uint32_t window() const { return windowId; }
    int width() const { return windowWidth; }
    int height() const { return windowHeight; }

    // What the screen shows at the window's place now, the editor in it and
    // any tooltip or menu over it, as a PNG file.
    bool screenshot(const std::string& pngPath);

private:
    explicit EditorWindow(Plugin& plugin);
    struct Connection;

    Plugin& plugin;
    std::unique_ptr<Connection> connection;
    uint32_t windowId = 0;
    uint32_t deleteAtom = 0;
    int windowWidth = 0;
    int windowHeight = 0;
    bool open_ = false;
};

// Grabs a window's pixels (the window and everything shown inside it) into
// a PNG file; false when the window cannot be read.
bool saveWindowImage(const std::string& display, uint32_t window, const std::string& pngPath);

}  // namespace testhost
