// The toolkit's frame in a real window: the showcase plug-in's editor opened
// through the VST interface by the test host, in a window on an Xvfb display
// that each test starts, driven by XTest and compared with the off-screen
// render of the same frame.
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "ShowcaseWindow.h"
#include "WindowTestSupport.h"
#include "showcase_plugin/ShowcaseProtocol.h"
#include "toolkit/Showcase.h"
#include "toolkit/kgui.h"
#include "tools/editorhost/EditorHost.h"
#include "tools/testhost/TestHost.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count of live heap bytes (its malloc replaces glibc's).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace windowtest;

namespace {

size_t allocatedBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

int openFileCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (XvfbServer::binary().empty())
            GTEST_SKIP() << "Xvfb is not installed (Debian: xvfb)";
        std::string error;
        ASSERT_TRUE(xvfb.start(error)) << error;
        ::setenv("DISPLAY", xvfb.display().c_str(), 1);
        driver = std::make_unique<Driver>(xvfb.display());
        ASSERT_TRUE(driver->ok());
        plugin = host.load(SHOWCASE_PLUGIN_PATH);
        ASSERT_NE(plugin, nullptr) << testhost::Host::lastError();
        plugin->dispatch(vst::effOpen);
        work = std::filesystem::temp_directory_path() / ("kolbri-window-" + std::to_string(::getpid()));
        std::filesystem::create_directories(work);
    }

    void TearDown() override {
        if (ui) {
            ui->run([this] { window.reset(); });
            ui.reset();
        }
        plugin.reset();
        driver.reset();
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
        ui->run([&] {
            testhost::EditorWindow::Options options;
            options.x = 40;
            options.y = 30;
            window = testhost::EditorWindow::open(*plugin, options, error);
        });
        ASSERT_NE(window, nullptr) << error;
        parent = window->window();
        ui->setIdle([this] {
            if (window)
                window->idle();
        });
        ASSERT_TRUE(waitFor([&] { return editorWindow() != 0; }));
    }

    void closeEditor() {
        ui->run([this] { window.reset(); });
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

    XvfbServer xvfb;
    std::unique_ptr<Driver> driver;
    testhost::Host host;
    std::unique_ptr<testhost::Plugin> plugin;
    std::unique_ptr<UiThread> ui;
    std::unique_ptr<testhost::EditorWindow> window;  // touched on the UI thread only
    xcb_window_t parent = 0;
    std::filesystem::path work;
};

}  // namespace

TEST_F(EditorWindowTest, OpensAsAMappedChildOfTheHostWindowAtTheSizeItAskedFor) {
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

    closeEditor();
    EXPECT_TRUE(driver->children(parent).empty());
}

TEST_F(EditorWindowTest, WindowShowsWhatTheOffscreenRenderOfTheSameFrameShows) {
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
