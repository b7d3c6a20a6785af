// What the windowed tests stand on: an Xvfb display started by the test, bare
// or with a window manager as users run it, the host's user-interface thread
// (the editor is opened, idled and closed on it, as hosts do), and a
// connection of the test's own that looks at windows and sends synthetic
// input through XTest.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "test_environment.h"
#include "tools/editorhost/EditorHost.h"

extern char** environ;

namespace windowtest {

// Polls until the condition holds or the time is up.
inline bool waitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// Starts a program with its output (and error output) going nowhere, except
// the one descriptor it is told to keep. It ends with the thread that started
// it: a test that crashes leaves no server behind to hold its output open.
// -1 when it cannot be started.
inline pid_t startProgram(const std::vector<std::string>& args, char** envp, int keepFd = -1, int dropFd = -1) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    // Only what is safe between fork and exec from here on.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        ::_exit(127);
    if (dropFd >= 0)
        ::close(dropFd);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    for (int output : {1, 2})
        if (output != keepFd)
            ::dup2(nowhere, output);
    ::execve(argv[0], argv.data(), envp);
    ::_exit(127);
}

// Ends a program that startProgram started and collects it; pid becomes 0.
inline void endProgram(pid_t& pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    pid = 0;
}

// An Xvfb server on a display number it picks itself (-displayfd).
class XvfbServer {
public:
    static std::string binary() {
        for (const char* candidate : {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb"})
            if (::access(candidate, X_OK) == 0)
                return candidate;
        return {};
    }

    // screen: the screen's width x height x depth.
    bool start(std::string& error, const std::string& screen = "1280x1024x24") {
        int fds[2];
        if (::pipe(fds) != 0) {
            error = "no pipe";
            return false;
        }
        std::string fdText = std::to_string(fds[1]);
        std::string path = binary();
        std::vector<std::string> args = {path, "-displayfd", fdText, "-screen", "0", screen, "-nolisten",
                                         "tcp", "-noreset"};
        pid = startProgram(args, environ, fds[1], fds[0]);
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            pid = 0;
            error = "cannot start Xvfb";
            return false;
        }
        // The server writes its display number once it listens.
        std::string number;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd waiting{fds[0], POLLIN, 0};
            if (::poll(&waiting, 1, 100) <= 0)
                continue;
            char c;
            if (::read(fds[0], &c, 1) != 1)
                break;
            if (c == '\n')
                break;
            number += c;
        }
        ::close(fds[0]);
        if (number.empty()) {
            error = "Xvfb did not start";
            stop();
            return false;
        }
        name = ":" + number;
        return true;
    }

    void stop() {
        endProgram(pid);
    }

    ~XvfbServer() { stop(); }
    const std::string& display() const { return name; }
    pid_t process() const { return pid; }

private:
    pid_t pid = 0;
    std::string name;
};

// What a windowed test runs on: a bare X server, or the same server with a
// window manager.
enum class Desktop { bare, openbox };

inline const char* desktopName(Desktop desktop) { return desktop == Desktop::bare ? "Bare" : "Openbox"; }

// Debian's openbox on the test's display, with its stock configuration (never
// the user's own), so that the answer is the same on every machine: click to
// focus, which grabs the pointer at each press and lets it go again.
class WindowManager {
public:
    static std::string binary() {
        for (const char* candidate : {"/usr/bin/openbox", "/usr/local/bin/openbox"})
            if (::access(candidate, X_OK) == 0)
                return candidate;
        return {};
    }

    // Starts it and waits (at most timeout) until it has taken the display and
    // answers: it redirects the mapping of top-level windows to itself, has
    // announced itself on the root window, and has answered a request of
    // ours. A window mapped before that would be shown without it, or wait
    // while it finishes starting.
    bool start(const std::string& display, std::string& error,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(20000)) {
        std::string path = binary();
        // Its log goes to a folder of ours, never the user's cache.
        try {
            cacheFolder = test_environment::makeTemporaryFolder("openbox");
        } catch (const std::system_error& failure) {
            error = std::string("no folder for the window manager: ") + failure.what();
            return false;
        }
        std::vector<std::string> args = {path, "--sm-disable"};
        for (const char* config : {"/etc/xdg/openbox/rc.xml"})
            if (::access(config, R_OK) == 0)
                args.insert(args.end(), {"--config-file", config});
        // The environment as it is, the display the test's own.
        std::vector<std::string> variables = {"DISPLAY=" + display, "XDG_CACHE_HOME=" + cacheFolder};
        for (char** variable = environ; *variable; ++variable)
            if (std::strncmp(*variable, "DISPLAY=", 8) != 0 && std::strncmp(*variable, "XDG_CACHE_HOME=", 15) != 0)
                variables.emplace_back(*variable);
        std::vector<char*> envp;
        for (std::string& variable : variables)
            envp.push_back(variable.data());
        envp.push_back(nullptr);
        pid = startProgram(args, envp.data());
        if (pid < 0) {
            pid = 0;
            error = "cannot start " + path;
            return false;
        }
        xcb_connection_t* conn = xcb_connect(display.c_str(), nullptr);
        bool exited = false;
        auto alive = [&] {
            int status = 0;
            exited = ::waitpid(pid, &status, WNOHANG) == pid;
            return !exited;
        };
        bool ready = !xcb_connection_has_error(conn) &&
                     waitFor([&] { return !alive() || (redirected(conn) && announced(conn)); }, timeout) &&
                     !exited && answers(conn, alive, timeout);
        xcb_disconnect(conn);
        if (exited) {
            pid = 0;
            error = "openbox exited at start";
            return false;
        }
        if (!ready) {
            error = "openbox did not take the display";
            stop();
            return false;
        }
        return true;
    }

    void stop() {
        endProgram(pid);
        if (!cacheFolder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(cacheFolder, ignored);
            cacheFolder.clear();
        }
    }

    ~WindowManager() { stop(); }
    bool running() const { return pid > 0; }

private:
    static xcb_window_t windowProperty(xcb_connection_t* conn, xcb_window_t window, xcb_atom_t atom) {
        auto* reply = xcb_get_property_reply(conn, xcb_get_property(conn, 0, window, atom, XCB_ATOM_WINDOW, 0, 1),
                                             nullptr);
        xcb_window_t value = 0;
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 4)
            std::memcpy(&value, xcb_get_property_value(reply), 4);
        std::free(reply);
        return value;
    }

    // Some client (the window manager: only one may) has the mapping of the
    // root's children redirected to itself.
    static bool redirected(xcb_connection_t* conn) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
        auto* attributes = xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, root), nullptr);
        const bool taken = attributes && (attributes->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);
        std::free(attributes);
        return taken;
    }

    // It reads the display: asked for the frame extents of an unmapped window
    // of ours, it sets them. A request that came while it was starting may
    // wait for the next event, so the request is made again until answered.
    static bool answers(xcb_connection_t* conn, const std::function<bool()>& alive,
                        std::chrono::milliseconds timeout) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
        const xcb_window_t probe = xcb_generate_id(conn);
        xcb_create_window(conn, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t request = atom(conn, "_NET_REQUEST_FRAME_EXTENTS");
        const xcb_atom_t extents = atom(conn, "_NET_FRAME_EXTENTS");
        auto answered = [&] {
            if (!alive())
                return true;
            auto* reply = xcb_get_property_reply(
                conn, xcb_get_property(conn, 0, probe, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr);
            const bool set = reply && reply->format == 32 && xcb_get_property_value_length(reply) == 16;
            std::free(reply);
            if (set)
                return true;
            xcb_client_message_event_t message{};
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 32;
            message.window = probe;
            message.type = request;
            xcb_send_event(conn, 0, screen->root,
                           XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&message));
            xcb_flush(conn);
            return false;
        };
        const bool done = waitFor(answered, timeout) && alive();
        xcb_destroy_window(conn, probe);
        std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
        return done;
    }

    static xcb_atom_t atom(xcb_connection_t* conn, const char* name) {
        auto* reply = xcb_intern_atom_reply(
            conn, xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : XCB_NONE;
        std::free(reply);
        return value;
    }

    // The root names a check window that names itself.
    static bool announced(xcb_connection_t* conn) {
        const xcb_atom_t supporting = atom(conn, "_NET_SUPPORTING_WM_CHECK");
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
        const xcb_window_t check = windowProperty(conn, root, supporting);
        return check != 0 && windowProperty(conn, check, supporting) == check;
    }

    pid_t pid = 0;
    std::string cacheFolder;
};

// The host's user-interface thread: runs the tasks given to it, and between
// them the idle function every few milliseconds.
class UiThread {
public:
    UiThread() : thread([this] { loop(); }) {}
    ~UiThread() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        thread.join();
    }

    // Runs the task on the thread and waits for it; false when it did not
    // finish in time (the thread is stuck, for example in a modal loop).
    bool run(std::function<void()> task, std::chrono::seconds timeout = std::chrono::seconds(30)) {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> finished = done->get_future();
        {
            std::lock_guard lock(mutex);
            tasks.push_back([task = std::move(task), done] {
                task();
                done->set_value();
            });
        }
        wake.notify_all();
        return finished.wait_for(timeout) == std::future_status::ready;
    }

    // Called on the thread between tasks; set from the thread itself or before tasks run.
    void setIdle(std::function<void()> function) {
        run([this, function = std::move(function)] { idle = function; });
    }

private:
    void loop() {
        std::unique_lock lock(mutex);
        while (!stopping) {
            if (!tasks.empty()) {
                auto task = std::move(tasks.front());
                tasks.pop_front();
                lock.unlock();
                task();
                lock.lock();
                continue;
            }
            lock.unlock();
            if (idle)
                idle();
            lock.lock();
            wake.wait_for(lock, std::chrono::milliseconds(5));
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    std::function<void()> idle;  // touched on the thread only
    bool stopping = false;
    std::thread thread;
};

// The test's own connection: looks at windows, sends XTest input.
// Opens the plug-in's editor in a host window at (x, y) on the UI thread and
// has that thread idle it from then on; the window is touched there only.
// window is null and error says why when the host could not open it.
inline void openInHostWindow(UiThread& ui, testhost::Plugin& plugin, int x, int y,
                             std::unique_ptr<testhost::EditorWindow>& window, std::string& error) {
    ui.run([&] {
        testhost::EditorWindow::Options options;
        options.x = x;
        options.y = y;
        window = testhost::EditorWindow::open(plugin, options, error);
    });
    ui.setIdle([&window] {
        if (window)
            window->idle();
    });
}

class Driver {
public:
    explicit Driver(const std::string& display) {
        conn = xcb_connect(display.c_str(), nullptr);
        if (!xcb_connection_has_error(conn))
            root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    }
    ~Driver() { xcb_disconnect(conn); }
    bool ok() const { return !xcb_connection_has_error(conn); }
    xcb_connection_t* connection() const { return conn; }
    xcb_window_t rootWindow() const { return root; }

    void sync() {
        std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
    }

    std::vector<xcb_window_t> children(xcb_window_t window) {
        std::vector<xcb_window_t> result;
        if (auto* tree = xcb_query_tree_reply(conn, xcb_query_tree(conn, window), nullptr)) {
            xcb_window_t* list = xcb_query_tree_children(tree);
            result.assign(list, list + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
        return result;
    }

    struct WindowState {
        bool exists = false;
        bool mapped = false;
        bool overrideRedirect = false;
        int x = 0, y = 0, width = 0, height = 0;
    };
    WindowState state(xcb_window_t window) {
        WindowState result;
        auto* attributes = xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, window), nullptr);
        auto* geometry = xcb_get_geometry_reply(conn, xcb_get_geometry(conn, window), nullptr);
        if (attributes && geometry) {
            result.exists = true;
            result.mapped = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            result.overrideRedirect = attributes->override_redirect;
            result.x = geometry->x;
            result.y = geometry->y;
            result.width = geometry->width;
            result.height = geometry->height;
        }
        std::free(attributes);
        std::free(geometry);
        return result;
    }

    // Mapped override-redirect windows on the root: menus and tooltips. A
    // window manager's check window (openbox maps its own, off the screen)
    // is none of them.
    std::vector<xcb_window_t> popups() {
        std::vector<uint32_t> check = property32(root, "_NET_SUPPORTING_WM_CHECK");
        std::vector<xcb_window_t> result;
        for (xcb_window_t window : children(root)) {
            WindowState s = state(window);
            if (s.mapped && s.overrideRedirect && (check.empty() || window != check[0]))
                result.push_back(window);
        }
        return result;
    }

    // Whether a window manager has taken the top-level window on and shows it
    // (its WM_STATE is NormalState).
    bool managed(xcb_window_t window) {
        std::vector<uint32_t> state = property32(window, "WM_STATE");
        return !state.empty() && state[0] == 1;
    }

    xcb_window_t inputFocus() {
        auto* reply = xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr);
        xcb_window_t focus = reply ? reply->focus : XCB_NONE;
        std::free(reply);
        return focus;
    }

    // A window point in root coordinates.
    bool toRoot(xcb_window_t window, int x, int y, int& rootX, int& rootY) {
        auto* reply = xcb_translate_coordinates_reply(
            conn, xcb_translate_coordinates(conn, window, root, static_cast<int16_t>(x), static_cast<int16_t>(y)),
            nullptr);
        if (!reply)
            return false;
        rootX = reply->dst_x;
        rootY = reply->dst_y;
        std::free(reply);
        return true;
    }

    std::vector<uint32_t> property32(xcb_window_t window, const char* name) {
        std::vector<uint32_t> values;
        xcb_atom_t atom = intern(name);
        auto* reply = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
        if (reply && reply->format == 32) {
            auto* data = static_cast<uint32_t*>(xcb_get_property_value(reply));
            values.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return values;
    }

    xcb_atom_t intern(const char* name) {
        auto* reply =
            xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
        std::free(reply);
        return atom;
    }

    void moveTo(int x, int y) { fake(XCB_MOTION_NOTIFY, 0, x, y); }
    void press(int button) { fake(XCB_BUTTON_PRESS, static_cast<uint8_t>(button), 0, 0); }
    void release(int button) { fake(XCB_BUTTON_RELEASE, static_cast<uint8_t>(button), 0, 0); }
    void click(int x, int y, int button = 1) {
        moveTo(x, y);
        click(button);
    }
    void click(int button) {
        press(button);
        release(button);
    }
    // Two clicks sent together, so that the server stamps them as close as a
    // person's double click whatever the machine's speed.
    void doubleClick(int x, int y) {
        moveTo(x, y);
        for (int click = 0; click < 2; ++click)
            for (uint8_t type : {XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE})
                xcb_test_fake_input(conn, type, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
    }
    // Wheel notches (X buttons 4 up, 5 down) where the pointer is.
    void wheel(int notches) {
        for (int notch = 0; notch < std::abs(notches); ++notch)
            click(notches > 0 ? 4 : 5);
    }
    void keyDown(uint8_t keycode) { fake(XCB_KEY_PRESS, keycode, 0, 0); }
    void keyUp(uint8_t keycode) { fake(XCB_KEY_RELEASE, keycode, 0, 0); }

    // The first key code that gives the keysym without modifiers.
    uint8_t keycodeOf(uint32_t keysym) {
        const xcb_setup_t* setup = xcb_get_setup(conn);
        uint8_t first = setup->min_keycode;
        uint8_t count = static_cast<uint8_t>(setup->max_keycode - first + 1);
        auto* mapping =
            xcb_get_keyboard_mapping_reply(conn, xcb_get_keyboard_mapping(conn, first, count), nullptr);
        uint8_t found = 0;
        if (mapping) {
            xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
            int perKey = mapping->keysyms_per_keycode;
            for (int i = 0; i < count && !found; ++i)
                if (syms[i * perKey] == keysym)
                    found = static_cast<uint8_t>(first + i);
            std::free(mapping);
        }
        return found;
    }

private:
    void fake(uint8_t type, uint8_t detail, int x, int y) {
        xcb_test_fake_input(conn, type, detail, XCB_CURRENT_TIME, type == XCB_MOTION_NOTIFY ? root : XCB_NONE,
                            static_cast<int16_t>(x), static_cast<int16_t>(y), 0);
        sync();
    }

    xcb_connection_t* conn = nullptr;
    xcb_window_t root = 0;
};

// Whether the editor's window can take input: it is shown, and under a window
// manager the host's window has been taken on and has the focus, as it has
// once a user can work in it.
inline bool readyForInput(Driver& driver, Desktop desktop, xcb_window_t host, xcb_window_t editor) {
    if (editor == 0 || !driver.state(editor).mapped)
        return false;
    return desktop == Desktop::bare || (driver.managed(host) && driver.inputFocus() == host);
}

// What readyForInput found, for a failure message.
inline std::string describeReadiness(Driver& driver, xcb_window_t host, xcb_window_t editor) {
    return std::string("editor window ") + (editor ? "" : "missing, ") +
           (editor && driver.state(editor).mapped ? "shown" : "not shown") +
           (driver.managed(host) ? ", host managed" : ", host not managed") +
           (driver.inputFocus() == host ? ", focused" : ", focus " + std::to_string(driver.inputFocus()));
}

}  // namespace windowtest
