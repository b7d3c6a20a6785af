// The toolkit's frame in a real window: the showcase plug-in's editor opened
// through the VST interface by the test host, in a window on an Xvfb display
// that each test starts, bare or with a window manager, driven by XTest and
// compared with the off-screen render of the same frame.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <optional>
#include <memory>

#include "showcase_window.h"
#include "window_test_support.h"
#include "process_resources.h"
#include "showcase_plugin/showcase_protocol.h"
#include "toolkit/showcase.h"
#include "toolkit/kgui.h"
#include "tools/editorhost/EditorHost.h"
#include "tools/testhost/TestHost.h"

using namespace windowtest;

namespace {

class EditorWindowTest : public ::testing::TestWithParam<Desktop> {
protected:
    void SetUp() override {
        if (XvfbServer::binary().empty())
            GTEST_SKIP() << "Xvfb is not installed (Debian: xvfb)";
        desktop = GetParam();
        if (desktop == Desktop::openbox && WindowManager::binary().empty())
            GTEST_SKIP() << "openbox is not installed (Debian: openbox)";
        std::string error;
        ASSERT_TRUE(xvfb.start(error)) << error;
        if (desktop == Desktop::openbox) {
            ASSERT_TRUE(windowManager.start(xvfb.display(), error)) << error;
        }
        ::setenv("DISPLAY", xvfb.display().c_str(), 1);
        driver = std::make_unique<Driver>(xvfb.display());
        ASSERT_TRUE(driver->ok());
        plugin = host.load(SHOWCASE_PLUGIN_PATH);
        ASSERT_NE(plugin, nullptr) << testhost::Host::lastError();
        plugin->dispatch(vst::effOpen);
        work = test_environment::makeTemporaryFolder("window");
    }

    void TearDown() override {
        if (ui) {
            ui->run([this] { window.reset(); });
            ui.reset();
        }
        plugin.reset();
        driver.reset();
        windowManager.stop();
        xvfb.stop();
        ::unsetenv("DISPLAY");
        if (!HasFailure())
            std::filesystem::remove_all(work);
    }

    // Opens the editor in a host window at (40, 30) on the UI thread, which
    // idles it from then on.
    void openEditor() {
        if (!ui)
            ui = std::make_unique<UiThread>();
        std::string error;
        openInHostWindow(*ui, *plugin, 40, 30, window, error);
        ASSERT_NE(window, nullptr) << error;
        parent = window->window();
        // Viewable, not just created: pointer and keys reach only a window the
        // server shows (and a window manager has taken on), and a loaded
        // machine may lag behind the request.
        ASSERT_TRUE(waitFor([&] { return readyForInput(*driver, desktop, parent, editorWindow()); }))
            << describeReadiness(*driver, parent, editorWindow());
    }

    // Closes the editor as a host does, its own window staying open.
    void closeEditor() {
        ui->run([this] { window->closeEditor(); });
    }

    // The editor's own window: the child of the host's window.
    xcb_window_t editorWindow() {
        auto children = driver->children(parent);
        return children.size() == 1 ? children[0] : 0;
    }

    // A frame point in root coordinates.
    void rootPoint(const kgui::CPoint& point, int& x, int& y) {
        ASSERT_TRUE(driver->toRoot(editorWindow(), static_cast<int>(point.x), static_cast<int>(point.y), x, y));
    }

    void clickFrame(const kgui::CPoint& point) {
        int x = 0, y = 0;
        rootPoint(point, x, y);
        driver->click(x, y);
    }

    showcase::Query query(showcase::Query::What what) {
        auto result = std::make_unique<showcase::Query>();
        result->what = what;
        plugin->dispatch(vst::effVendorSpecific, showcase::kQueryIndex, 0, result.get());
        return *result;
    }

    Desktop desktop = Desktop::bare;
    XvfbServer xvfb;
    WindowManager windowManager;
    std::unique_ptr<Driver> driver;
    testhost::Host host;
    std::unique_ptr<testhost::Plugin> plugin;
    std::unique_ptr<UiThread> ui;
    std::unique_ptr<testhost::EditorWindow> window;  // touched on the UI thread only
    xcb_window_t parent = 0;
    std::filesystem::path work;
};

}  // namespace

TEST_P(EditorWindowTest, OpensAsAMappedChildOfTheHostWindowAtTheSizeItAskedFor) {
    openEditor();
    vst::ERect* rect = nullptr;
    ASSERT_TRUE(ui->run([&] { plugin->dispatch(vst::effEditGetRect, 0, 0, &rect); }));
    ASSERT_NE(rect, nullptr);
    xcb_window_t child = editorWindow();
    Driver::WindowState state = driver->state(child);
    EXPECT_TRUE(state.mapped);
    EXPECT_EQ(state.x, 0);
    EXPECT_EQ(state.y, 0);
    EXPECT_EQ(state.width, rect->right - rect->left);
    EXPECT_EQ(state.height, rect->bottom - rect->top);
    EXPECT_EQ(state.width, showcase::kWidth);
    EXPECT_EQ(state.height, showcase::kHeight);
    // Embedding: version 0, mapped; drops: XDND version 5.
    EXPECT_EQ(driver->property32(child, "_XEMBED_INFO"), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(driver->property32(child, "XdndAware"), (std::vector<uint32_t>{5}));

    // The plug-in's requests reach the server on a connection of their own,
    // which the server may serve after ours: wait for the child to go.
    closeEditor();
    EXPECT_TRUE(waitFor([&] { return driver->children(parent).empty(); })) << "the window outlived the close";
    EXPECT_FALSE(driver->state(child).exists);
    EXPECT_TRUE(driver->state(parent).exists) << "the host's window is the host's to close";
}

TEST_P(EditorWindowTest, WindowShowsWhatTheOffscreenRenderOfTheSameFrameShows) {
    openEditor();
    // Give the idle passes time to draw, then read the window's pixels.
    std::string shown = (work / "window.png").string();
    ASSERT_TRUE(waitFor([&] { return testhost::saveWindowImage(xvfb.display(), editorWindow(), shown); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(testhost::saveWindowImage(xvfb.display(), editorWindow(), shown));

    // The same frame, built the same way, drawn off screen.
    std::filesystem::path images = work / "images";
    std::filesystem::create_directories(images);
    kgui::test::writeShowcaseImages(images);
    kgui::CBitmap::setResourceFolder(images.string());
    showcase::Record record;
    {
        kgui::OffscreenTarget target;
        auto* frame = new kgui::CFrame(kgui::CRect(0, 0, showcase::kWidth, showcase::kHeight), nullptr);
        showcase::buildShowcaseFrame(frame, nullptr, &record);
        frame->open(target.parentHandle());
        ASSERT_TRUE(target.renderToPNG((work / "offscreen.png").string()));
        frame->close();
    }
    kgui::CBitmap::setResourceFolder("");
    kgui::test::ImageCompare result = kgui::test::compareImages(shown, (work / "offscreen.png").string());
    EXPECT_EQ(result.width, showcase::kWidth);
    EXPECT_EQ(result.height, showcase::kHeight);
    EXPECT_EQ(result.fractionDifferent, 0.0) << "window: " << shown;
    EXPECT_LT(result.meanDifference, 0.01) << "window: " << shown;
}

// The top-left pixel inside the border of a window's picture, and how many of
// its pixels are the tooltip's text (dark on its pale paper).
struct TooltipLook {
    bool read = false;
    uint32_t paper = 0;
    int darkPixels = 0;
};

TooltipLook lookAtTooltip(const std::string& display, xcb_window_t tooltip, const std::string& path) {
    TooltipLook look;
    if (!testhost::saveWindowImage(display, tooltip, path))
        return look;
    cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS && cairo_image_surface_get_width(image) > 4) {
        look.read = true;
        const int stride = cairo_image_surface_get_stride(image);
        const unsigned char* data = cairo_image_surface_get_data(image);
        std::memcpy(&look.paper, data + 2 * stride + 2 * 4, 4);
        for (int y = 0; y < cairo_image_surface_get_height(image); ++y)
            for (int x = 0; x < cairo_image_surface_get_width(image); ++x) {
                uint32_t pixel;
                std::memcpy(&pixel, data + y * stride + x * 4, 4);
                const int red = (pixel >> 16) & 0xff, green = (pixel >> 8) & 0xff, blue = pixel & 0xff;
                // Text, not the black of a window that was never drawn.
                look.darkPixels += std::max({red, green, blue}) < 96 && red + green + blue > 0;
            }
    }
    cairo_surface_destroy(image);
    return look;
}

// A tooltip is drawn when it is mapped, and drawn again when something that
// covered it goes away: its window's background is black, so a missed picture
// would show as a black box.
TEST_P(EditorWindowTest, TooltipShowsItsTextAndShowsItAgainAfterBeingCovered) {
    constexpr uint32_t kPaper = 0xffffffe1;  // the tooltip's pale yellow, opaque
    openEditor();
    int x = 0, y = 0;
    rootPoint(showcase::kSwitchRect.getCenter(), x, y);
    driver->moveTo(x, y);
    ASSERT_TRUE(waitFor([&] { return driver->popups().size() == 1; })) << "no tooltip";
    const xcb_window_t tooltip = driver->popups()[0];
    const std::string path = (work / "tooltip.png").string();
    TooltipLook look;
    auto showsItsText = [&] {
        look = lookAtTooltip(xvfb.display(), tooltip, path);
        return look.read && look.paper == kPaper && look.darkPixels > 20;
    };
    EXPECT_TRUE(waitFor(showsItsText)) << "paper " << std::hex << look.paper << std::dec << ", " << look.darkPixels
                                       << " text pixels: " << path;

    // The host's screenshot shows it too, as the screen does, not a black box.
    const Driver::WindowState shown = driver->state(tooltip);
    int hostX = 0, hostY = 0;
    ASSERT_TRUE(driver->toRoot(parent, 0, 0, hostX, hostY));
    const std::string screenshot = (work / "screenshot.png").string();
    bool taken = false;
    ASSERT_TRUE(ui->run([&] { taken = window->screenshot(screenshot); }));
    ASSERT_TRUE(taken);
    cairo_surface_t* picture = cairo_image_surface_create_from_png(screenshot.c_str());
    ASSERT_EQ(cairo_surface_status(picture), CAIRO_STATUS_SUCCESS);
    uint32_t underPointer = 0;
    std::memcpy(&underPointer,
                cairo_image_surface_get_data(picture) +
                    (shown.y - hostY + 2) * cairo_image_surface_get_stride(picture) + (shown.x - hostX + 2) * 4,
                4);
    cairo_surface_destroy(picture);
    EXPECT_EQ(underPointer, kPaper) << screenshot;

    // Cover it with a window of the test's own, then take that away.
    xcb_connection_t* conn = driver->connection();
    const xcb_window_t cover = xcb_generate_id(conn);
    const uint32_t values[] = {0x00ff00, 1};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, cover, driver->rootWindow(), static_cast<int16_t>(shown.x - 5),
                      static_cast<int16_t>(shown.y - 5), static_cast<uint16_t>(shown.width + 10),
                      static_cast<uint16_t>(shown.height + 10), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(conn, cover);
    driver->sync();
    xcb_destroy_window(conn, cover);
    driver->sync();
    ASSERT_EQ(driver->popups().size(), 1u) << "the tooltip went away; nothing left to look at";
    EXPECT_TRUE(waitFor(showsItsText)) << "after the cover: paper " << std::hex << look.paper << std::dec << ", "
                                       << look.darkPixels << " text pixels: " << path;
}

TEST_P(EditorWindowTest, ClickOnTheSwitchChangesItsParameterAndATooltipShowsOnHover) {
    openEditor();
    ASSERT_EQ(plugin->getParameter(showcase::kSoundTag), 0.f);
    int x = 0, y = 0;
    rootPoint(showcase::kSwitchRect.getCenter(), x, y);
    // Resting on the switch brings its tooltip; a press takes it away.
    driver->moveTo(x, y);
    EXPECT_TRUE(waitFor([&] { return driver->popups().size() == 1; })) << "no tooltip";
    driver->press(1);
    driver->release(1);
    EXPECT_TRUE(waitFor([&] { return plugin->getParameter(showcase::kSoundTag) == 1.f; }));
    EXPECT_TRUE(waitFor([&] { return driver->popups().empty(); })) << "the tooltip stayed";
    driver->moveTo(x + 1, y);
    driver->press(1);
    driver->release(1);
    EXPECT_TRUE(waitFor([&] { return plugin->getParameter(showcase::kSoundTag) == 0.f; }));

    // The host heard both changes as automation of parameter 0.
    std::vector<float> automated;
    ui->run([&] {
        for (const testhost::HostCall& call : plugin->calls())
            if (call.opcode == vst::audioMasterAutomate && call.index == showcase::kSoundTag)
                automated.push_back(call.opt);
    });
    EXPECT_EQ(automated, (std::vector<float>{1.f, 0.f}));
}

namespace {
// Where an entry of the showcase's option menu lies in its window: the
// menu's border, then 22 pixels an entry and 9 a separator.
int entryCentreY(const std::vector<std::string>& titles, const std::string& title) {
    int y = 4;
    for (const std::string& entry : titles) {
        int height = entry == "-" ? 9 : 22;
        if (entry == title)
            return y + height / 2;
        y += height;
    }
    return -1;
}
}  // namespace

TEST_P(EditorWindowTest, PopupMenuPicksByClickKeysOrDragAndGoesAway) {
    openEditor();
    uint8_t down = driver->keycodeOf(0xff54), enter = driver->keycodeOf(0xff0d), escape = driver->keycodeOf(0xff1b);
    ASSERT_TRUE(down && enter && escape);
    int menuX = 0, menuY = 0;
    rootPoint(showcase::kMenuRect.getCenter(), menuX, menuY);

    auto menuWindow = [&](size_t level) {
        auto popups = driver->popups();
        return level < popups.size() ? driver->state(popups[level]) : Driver::WindowState{};
    };
    auto pointAt = [&](size_t level, const std::vector<std::string>& titles, const std::string& title) {
        Driver::WindowState menu = menuWindow(level);
        driver->moveTo(menu.x + 40, menu.y + entryCentreY(titles, title));
    };
    const std::vector<std::string> top = showcase::kMenuTitles;
    struct Case {
        const char* what;
        bool dragOpen;                 // opened by a press that stays down
        std::function<void()> act;     // what the user does with the open menu
        std::string chosen;            // the title chosen, or empty when dismissed
    };
    const std::vector<Case> cases = {
        {"a click on an entry", false, [&] {
             pointAt(0, top, "Square");
             driver->press(1);
             driver->release(1);
         },
         "Square"},
        {"Escape lets it go", false, [&] { driver->keyDown(escape), driver->keyUp(escape); }, ""},
        {"the arrow keys skip the separator, Return picks", false,
         [&] {
             for (int i = 0; i < 3; ++i)
                 driver->keyDown(down), driver->keyUp(down);
             driver->keyDown(enter), driver->keyUp(enter);
         },
         "Noise"},
        {"a click outside lets it go", false, [&] { driver->click(1200, 1000); }, ""},
        {"a submenu opens on hover", false,
         [&] {
             pointAt(0, top, "More");
             ASSERT_TRUE(waitFor([&] { return driver->popups().size() == 2; })) << "no submenu";
             pointAt(1, showcase::kSubmenuTitles, "Triangle");
             driver->press(1);
             driver->release(1);
         },
         "Triangle"},
        {"a press, a drag onto an entry and the release", true,
         [&] {
             pointAt(0, top, "Square");
             driver->release(1);
         },
         "Square"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string before = query(showcase::Query::chosenTitle).text;
        driver->moveTo(menuX, menuY);
        driver->press(1);
        ASSERT_TRUE(waitFor([&] { return driver->popups().size() == 1; })) << "the menu did not open";
        if (!c.dragOpen) {
            // The release of the opening click, without a move, picks nothing.
            driver->release(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ASSERT_EQ(driver->popups().size(), 1u) << "the opening click's release closed the menu";
        }
        c.act();
        EXPECT_TRUE(waitFor([&] { return driver->popups().empty(); })) << "the menu stayed";
        if (c.chosen.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            EXPECT_EQ(std::string(query(showcase::Query::chosenTitle).text), before);
        } else {
            EXPECT_TRUE(waitFor([&] { return query(showcase::Query::chosenTitle).text == c.chosen; }))
                << "chosen: " << query(showcase::Query::chosenTitle).text;
        }
    }
}

namespace {
// The source side of XDND, as a file manager plays it.
class DragSource {
public:
    DragSource(Driver& driver, std::string uriList) : driver(driver), uriList(std::move(uriList)) {
        xcb_connection_t* conn = driver.connection();
        window = xcb_generate_id(conn);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
        xcb_create_window(conn, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        selection = driver.intern("XdndSelection");
        uriListAtom = driver.intern("text/uri-list");
        xcb_set_selection_owner(conn, window, selection, XCB_CURRENT_TIME);
        driver.sync();
    }
    ~DragSource() { xcb_destroy_window(driver.connection(), window); }

    void send(xcb_window_t target, const char* type, std::array<uint32_t, 5> data) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = target;
        message.type = driver.intern(type);
        std::copy(data.begin(), data.end(), message.data.data32);
        xcb_send_event(driver.connection(), 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        driver.sync();
    }

    // Answers requests for the data while waiting for a message of the type;
    // its five words, or nothing when it did not come.
    std::optional<std::array<uint32_t, 5>> await(const char* type) {
        xcb_atom_t wanted = driver.intern(type);
        std::optional<std::array<uint32_t, 5>> found;
        waitFor([&] {
            while (xcb_generic_event_t* event = xcb_poll_for_event(driver.connection())) {
                uint8_t kind = event->response_type & 0x7f;
                if (kind == XCB_SELECTION_REQUEST)
                    answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
                if (kind == XCB_CLIENT_MESSAGE) {
                    auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                    if (message->type == wanted && !found) {
                        found.emplace();
                        std::copy(message->data.data32, message->data.data32 + 5, found->begin());
                    }
                }
                std::free(event);
            }
            return found.has_value();
        });
        return found;
    }

    xcb_window_t window = 0;

private:
    void answer(const xcb_selection_request_event_t& request) {
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.time = request.time;
        notify.property = XCB_NONE;
        if (request.target == uriListAtom) {
            xcb_change_property(driver.connection(), XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                uriListAtom, 8, static_cast<uint32_t>(uriList.size()), uriList.data());
            notify.property = request.property;
        }
        xcb_send_event(driver.connection(), 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
        driver.sync();
    }

    Driver& driver;
    std::string uriList;
    xcb_atom_t selection = 0;
    xcb_atom_t uriListAtom = 0;
};
}  // namespace

TEST_P(EditorWindowTest, FilesDroppedFromAFileManagerReachTheDropTargetAsPaths) {
    openEditor();
    xcb_window_t target = editorWindow();
    int x = 0, y = 0;
    rootPoint(showcase::kDropRect.getCenter(), x, y);
    DragSource source(*driver, "# dragged from a file manager\r\nfile:///tmp/kolbri%20drop/Kick%2001.wav\r\n"
                               "file://localhost/tmp/Gr%C3%BC%C3%9Fe.aif\r\n");
    const uint32_t copy = driver->intern("XdndActionCopy");
    source.send(target, "XdndEnter", {source.window, 5u << 24, driver->intern("text/uri-list"), 0, 0});
    // Positions until the target, having read the data, takes the drop.
    bool accepted = false;
    for (int attempt = 0; attempt < 20 && !accepted; ++attempt) {
        source.send(target, "XdndPosition",
                    {source.window, 0, (uint32_t(x) << 16) | uint32_t(y), XCB_CURRENT_TIME, copy});
        auto status = source.await("XdndStatus");
        ASSERT_TRUE(status) << "no XdndStatus";
        EXPECT_EQ((*status)[0], target);
        accepted = ((*status)[1] & 1) && (*status)[4] == copy;
    }
    ASSERT_TRUE(accepted) << "the drop zone never accepted the files";
    source.send(target, "XdndDrop", {source.window, 0, XCB_CURRENT_TIME, 0, 0});
    auto finished = source.await("XdndFinished");
    ASSERT_TRUE(finished) << "no XdndFinished";
    EXPECT_EQ((*finished)[0], target);
    EXPECT_EQ((*finished)[1] & 1, 1u) << "the drop was refused";
    EXPECT_EQ((*finished)[2], copy);

    showcase::Query dropped = query(showcase::Query::droppedPaths);
    EXPECT_EQ(dropped.count, 1);
    EXPECT_EQ(std::string(dropped.text), "/tmp/kolbri drop/Kick 01.wav\n/tmp/Gr\xC3\xBC\xC3\x9F" "e.aif\n");

    // A drag that leaves without dropping delivers nothing.
    source.send(target, "XdndEnter", {source.window, 5u << 24, driver->intern("text/uri-list"), 0, 0});
    source.send(target, "XdndPosition", {source.window, 0, (uint32_t(x) << 16) | uint32_t(y), XCB_CURRENT_TIME, copy});
    ASSERT_TRUE(source.await("XdndStatus"));
    source.send(target, "XdndLeave", {source.window, 0, 0, 0, 0});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(query(showcase::Query::droppedPaths).count, 1);
}

TEST_P(EditorWindowTest, KeysTypedInTheWindowAndKeysFromTheHostArriveAlike) {
    openEditor();
    int x = 0, y = 0;
    rootPoint(kgui::CPoint(100, 100), x, y);
    driver->moveTo(x, y);  // the keyboard follows the pointer on this display
    uint8_t control = driver->keycodeOf(0xffe3), letterA = driver->keycodeOf('a'), up = driver->keycodeOf(0xff52);
    ASSERT_TRUE(control && letterA && up);
    driver->keyDown(control);
    driver->keyDown(letterA);
    driver->keyUp(letterA);
    driver->keyUp(control);
    driver->keyDown(up);
    driver->keyUp(up);
    ASSERT_TRUE(waitFor([&] { return query(showcase::Query::keys).count >= 3; }));
    ui->run([&] {
        plugin->dispatch(vst::effEditKeyDown, 'a', 0, nullptr, vst::MODIFIER_COMMAND);
        plugin->dispatch(vst::effEditKeyDown, 0, vst::VKEY_UP, nullptr, 0);
    });
    showcase::Query keys = query(showcase::Query::keys);
    ASSERT_EQ(keys.count, 5);
    auto same = [](const vst::VstKeyCode& a, const vst::VstKeyCode& b) {
        return a.character == b.character && a.virt == b.virt && a.modifier == b.modifier;
    };
    // The Ctrl key itself, then Ctrl+A and the up arrow from the window.
    EXPECT_EQ(keys.keyList[0].virt, vst::VKEY_CONTROL);
    EXPECT_EQ(keys.keyList[1].character, 'a');
    EXPECT_EQ(keys.keyList[1].modifier, vst::MODIFIER_COMMAND);
    EXPECT_EQ(keys.keyList[2].virt, vst::VKEY_UP);
    EXPECT_TRUE(same(keys.keyList[1], keys.keyList[3])) << "Ctrl+A differs between the window and the host";
    EXPECT_TRUE(same(keys.keyList[2], keys.keyList[4])) << "the up arrow differs between the window and the host";
}

TEST_P(EditorWindowTest, FiftyOpeningsAndClosingsLeaveNoWindowFileOrMemoryBehind) {
    ui = std::make_unique<UiThread>();
    const size_t rootWindowsBefore = driver->children(driver->rootWindow()).size();
    auto cycle = [&] {
        std::string error;
        ui->run([&] {
            testhost::EditorWindow::Options options;
            auto shown = testhost::EditorWindow::open(*plugin, options, error);
            if (!shown)
                return;
            // Drawn and idled, then closed and reopened at once, as hosts do.
            for (int pass = 0; pass < 3; ++pass)
                shown->idle();
        });
        ASSERT_TRUE(error.empty()) << error;
    };
    for (int i = 0; i < 5; ++i)
        cycle();
    const long filesAfterFive = openFileCount();
    const size_t bytesAfterFive = liveHeapBytes();
    for (int i = 5; i < 50; ++i)
        cycle();
    // A window manager lets go of the frames it put around the host's windows
    // in its own time.
    EXPECT_TRUE(waitFor([&] { return driver->children(driver->rootWindow()).size() == rootWindowsBefore; }))
        << "a window stayed on the display";
    EXPECT_EQ(openFileCount(), filesAfterFive) << "a connection or file stayed open";
    // A frame with its views and images is far larger than this; what is left
    // is the allocator's and the libraries' own bookkeeping.
    const long grown = static_cast<long>(liveHeapBytes()) - static_cast<long>(bytesAfterFive);
    EXPECT_LT(grown, 64 * 1024) << "45 openings kept " << grown << " bytes";
}

TEST_P(EditorWindowTest, EditorClosedFromInsideItsOwnCallbackIsGoneAndOpensAgain) {
    openEditor();
    xcb_window_t first = editorWindow();
    // The close button's handler has the host close the editor while the
    // click is still being delivered.
    clickFrame(showcase::kCloseRect.getCenter());
    ASSERT_TRUE(waitFor([&] { return driver->children(parent).empty(); })) << "the window outlived the close";
    EXPECT_FALSE(driver->state(first).exists);
    // Later idle passes and a second close from the host find nothing to do.
    ui->run([&] {
        for (int pass = 0; pass < 3; ++pass)
            plugin->dispatch(vst::effEditIdle);
        window.reset();
    });

    openEditor();
    clickFrame(showcase::kSwitchRect.getCenter());
    EXPECT_TRUE(waitFor([&] { return plugin->getParameter(showcase::kSoundTag) == 1.f; }))
        << "the reopened editor does not take clicks";
}

TEST_P(EditorWindowTest, ALostDisplayEndsTheEditorNotTheHost) {
    openEditor();
    ui->setIdle(nullptr);
    xvfb.stop();
    // The editor's idle passes and its closing return at once; the plug-in plays on.
    bool returned = ui->run(
        [&] {
            for (int pass = 0; pass < 5; ++pass)
                plugin->dispatch(vst::effEditIdle);
            window.reset();
        },
        std::chrono::seconds(10));
    ASSERT_TRUE(returned) << "the editor hung on the lost display";
    plugin->setParameter(showcase::kSoundTag, 1);
    testhost::Stereo audio = plugin->render(4800);
    EXPECT_GT(testhost::measure(audio).rms, 0.1);
}

TEST(EditorWithoutDisplay, OpeningFailsCleanlyAndThePluginPlaysOn) {
    struct Case {
        const char* display;  // null: unset
        const char* why;
    };
    const Case cases[] = {
        {nullptr, "a host scanning without a display"},
        {":4711", "a display that does not answer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        if (c.display)
            ::setenv("DISPLAY", c.display, 1);
        else
            ::unsetenv("DISPLAY");
        testhost::Host host;
        auto plugin = host.load(SHOWCASE_PLUGIN_PATH);
        ASSERT_NE(plugin, nullptr);
        plugin->dispatch(vst::effOpen);
        vst::ERect* rect = nullptr;
        EXPECT_EQ(plugin->dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x400001})), 0);
        // A host may idle and close all the same.
        plugin->dispatch(vst::effEditIdle);
        plugin->dispatch(vst::effEditClose);
        plugin->setParameter(showcase::kSoundTag, 1);
        EXPECT_GT(testhost::measure(plugin->render(4800)).rms, 0.1);
    }
    ::unsetenv("DISPLAY");
}

INSTANTIATE_TEST_SUITE_P(Desktops, EditorWindowTest, ::testing::Values(Desktop::bare, Desktop::openbox),
                         [](const auto& info) { return std::string(desktopName(info.param)); });
