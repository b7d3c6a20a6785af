// What the windowed tests stand on: an Xvfb display started by the test, the
// host's user-interface thread (the editor is opened, idled and closed on it,
// as hosts do), and a connection of the test's own that looks at windows and
// sends synthetic input through XTest.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace windowtest {

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
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (spawned != 0) {
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
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
        pid = 0;
    }

    ~XvfbServer() { stop(); }
    const std::string& display() const { return name; }

private:
    pid_t pid = 0;
    std::string name;
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

    // Mapped override-redirect windows on the root: menus and tooltips.
    std::vector<xcb_window_t> popups() {
        std::vector<xcb_window_t> result;
        for (xcb_window_t window : children(root)) {
            WindowState s = state(window);
            if (s.mapped && s.overrideRedirect)
                result.push_back(window);
        }
        return result;
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
        press(button);
        release(button);
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

}  // namespace windowtest
