// Kolbri's editor in a real window: the plug-in library loaded by the test
// host, its editor opened through the VST interface in a host window on an
// Xvfb display that the test starts, driven by XTest clicks from screen to
// screen, and each screen compared with the off-screen picture of the same
// screen drawn in this process.
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "EditorTestSupport.h"
#include "controls/TReadout.h"
#include "editor/BackScreenLayout.h"
#include "WindowTestSupport.h"
#include "toolkit/Showcase.h"
#include "tools/editorhost/EditorHost.h"
#include "tools/testhost/TestHost.h"

using namespace editor_test;
using namespace windowtest;

namespace {

class KolbriWindowTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (XvfbServer::binary().empty())
            GTEST_SKIP() << "Xvfb is not installed (Debian: xvfb)";
        size = GetParam();
        std::string error;
        ASSERT_TRUE(xvfb.start(error, "2400x1700x24")) << error;
        ::setenv("DISPLAY", xvfb.display().c_str(), 1);
        driver = std::make_unique<Driver>(xvfb.display());
        ASSERT_TRUE(driver->ok());
        // The library reads its settings (the screen size) when it is loaded.
        settings = std::make_unique<TEditorSettings>();
        TEditorSettings::setScreenSize(size);
        // A tooltip is a window of its own over the editor's: none here.
        saveStringToPrefs(REG_TOOL_TIP_STR, "N");
        platform::flushPreferences();
        plugin = host.load(KOLBRI_SO_PATH);
        ASSERT_NE(plugin, nullptr) << testhost::Host::lastError();
        plugin->dispatch(vst::effOpen);
        plugin->start();
        // The plain sound, as the off-screen editor shows it, whatever program 0 is.
        const std::span<const float> plain = builtinProgramValues(BUILTIN_DEFAULT_PROGRAM);
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
            if (tag != PRESET_APPLY_TAG) plugin->setParameter(tag, plain[static_cast<std::size_t>(tag)]);
        plugin->setParameter(PRESET_APPLY_TAG, 0.0f);
        plugin->render(20480);  // the program is applied on the audio thread
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
        settings.reset();
    }

    void openEditor() {
        if (!ui)
            ui = std::make_unique<UiThread>();
        std::string error;
        ui->run([&] {
            testhost::EditorWindow::Options options;
            options.x = 20;
            options.y = 20;
            window = testhost::EditorWindow::open(*plugin, options, error);
        });
        ASSERT_NE(window, nullptr) << error;
        parent = window->window();
        ui->setIdle([this] {
            if (window)
                window->idle();
        });
        ASSERT_TRUE(waitFor([&] {
            xcb_window_t child = editorWindow();
            return child != 0 && driver->state(child).mapped;
        }));
    }

    xcb_window_t editorWindow() {
        auto children = driver->children(parent);
        return children.size() == 1 ? children[0] : 0;
    }

    void clickMember(const char* member) {
        const TPixelBox box = getScaledBox(*findLayoutRow(member), size);
        int x = 0, y = 0;
        ASSERT_TRUE(driver->toRoot(editorWindow(), box.x + box.width / 2, box.y + box.height / 2, x, y));
        driver->click(x, y);
    }

    // The pointer rests on the parameter name readout, so that the readouts
    // show that readout's own hint, as the off-screen pictures do.
    void restOnReadout() {
        const TPixelBox box = getScaledBox(*findLayoutRow("hintReadout1"), size);
        int x = 0, y = 0;
        ASSERT_TRUE(driver->toRoot(editorWindow(), box.x + box.width / 2, box.y + box.height / 2, x, y));
        driver->moveTo(x, y);
    }

    // The window's picture once it shows what the off-screen editor shows for
    // the same screen (it may take a few idle passes to get there).
    kgui::test::ImageCompare shownAgainst(const std::string& expected, const std::string& shown) {
        kgui::test::ImageCompare result;
        waitFor([&] {
            if (!testhost::saveWindowImage(xvfb.display(), editorWindow(), shown))
                return false;
            result = kgui::test::compareImages(shown, expected);
            return result.fractionDifferent == 0.0;
        });
        return result;
    }

    int size = 0;
    std::unique_ptr<TEditorSettings> settings;
    XvfbServer xvfb;
    std::unique_ptr<Driver> driver;
    testhost::Host host;
    std::unique_ptr<testhost::Plugin> plugin;
    std::unique_ptr<UiThread> ui;
    std::unique_ptr<testhost::EditorWindow> window;  // touched on the UI thread only
    xcb_window_t parent = 0;
};

// Draws a screen of an editor of this process at the same size, the pointer
// resting on the parameter name readout (whose hint the readouts then show).
std::string offscreenScreen(TEditorBench& bench, int screen, const std::string& path) {
    if (screen == 0)
        bench.editor->showMainScreen();
    else if (screen == 1)
        bench.editor->showSampleScreenControls();
    else
        bench.editor->showBackScreen();
    bench.target.mouseMoved(centreOf(bench.editor->hintReadout1));
    for (int pass = 0; pass < 3; ++pass) {
        bench.clock.advance(250);
        bench.editor->idle();
    }
    EXPECT_TRUE(bench.render(path));
    return path;
}

}  // namespace

TEST_P(KolbriWindowTest, ScreensInTheHostWindowAreTheOffscreenPictures) {
    TEditorBench bench(size);
    const std::string folder = bench.settings.root;
    const std::string suffix = "_" + std::to_string(size) + ".png";
    const std::string expectedMain = offscreenScreen(bench, 0, folder + "/main" + suffix);
    const std::string expectedSample = offscreenScreen(bench, 1, folder + "/sample" + suffix);
    const std::string expectedBack = offscreenScreen(bench, 3, folder + "/back" + suffix);

    openEditor();
    const int width = getScaled(EDITOR_WIDTH, size), height = getScaled(EDITOR_HEIGHT, size);
    EXPECT_EQ(window->width(), width);
    EXPECT_EQ(window->height(), height);
    // The window's pictures stay (to look at) when the test fails or
    // KOLBRI_KEEP_SCREENSHOTS is set.
    const std::string shots =
        std::filesystem::temp_directory_path() / ("kolbri-editor-window-" + std::to_string(::getpid()));
    std::filesystem::create_directories(shots);

    // The window opens on the back screen; a click outside its settings
    // leads to the main screen.
    kgui::test::ImageCompare opening = shownAgainst(expectedBack, shots + "/opening" + suffix);
    EXPECT_EQ(opening.width, width);
    EXPECT_EQ(opening.fractionDifferent, 0.0) << "opening page: " << shots;
    int x = 0, y = 0;
    ASSERT_TRUE(driver->toRoot(editorWindow(), width - 10, height - 10, x, y));
    driver->click(x, y);
    restOnReadout();
    kgui::test::ImageCompare main = shownAgainst(expectedMain, shots + "/main" + suffix);
    EXPECT_EQ(main.fractionDifferent, 0.0) << "main screen: " << shots;

    clickMember("sampleScreenArea");
    restOnReadout();
    kgui::test::ImageCompare sample = shownAgainst(expectedSample, shots + "/sample" + suffix);
    EXPECT_EQ(sample.fractionDifferent, 0.0) << "sample screen: " << shots;

    clickMember("backScreenButton");
    kgui::test::ImageCompare back = shownAgainst(expectedBack, shots + "/back" + suffix);
    EXPECT_EQ(back.fractionDifferent, 0.0) << "back screen: " << shots;

    // A click outside the page's controls returns; closing and opening
    // again in the same instance shows the opening page again.
    driver->click(x, y);
    restOnReadout();
    EXPECT_EQ(shownAgainst(expectedMain, shots + "/main_again" + suffix).fractionDifferent, 0.0);
    ui->run([this] { window.reset(); });
    EXPECT_TRUE(driver->children(parent).empty());
    openEditor();
    EXPECT_EQ(shownAgainst(expectedBack, shots + "/back_reopened" + suffix).fractionDifferent, 0.0);
    if (!HasFailure() && !std::getenv("KOLBRI_KEEP_SCREENSHOTS"))
        std::filesystem::remove_all(shots);
}

INSTANTIATE_TEST_SUITE_P(Sizes, KolbriWindowTest, ::testing::Values(0, 2),
                         [](const auto& info) { return info.param == 0 ? "At100" : "At150"; });

namespace {

class KolbriMenuWindowTest : public KolbriWindowTest {};

// The rows of the picture's column range that hold dark (text) pixels, from
// the first to the last; 0 when there are none.
int inkHeight(const std::string& png, int left, int right, int top, int bottom) {
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    int first = -1, last = -1;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
        const int stride = cairo_image_surface_get_stride(image);
        const unsigned char* data = cairo_image_surface_get_data(image);
        right = std::min(right, cairo_image_surface_get_width(image));
        bottom = std::min(bottom, cairo_image_surface_get_height(image));
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                const auto* pixel = reinterpret_cast<const uint32_t*>(data + y * stride) + x;
                const uint32_t r = (*pixel >> 16) & 0xff, g = (*pixel >> 8) & 0xff, b = *pixel & 0xff;
                if (r < 110 && g < 110 && b < 110) {
                    if (first < 0)
                        first = y;
                    last = y;
                }
            }
    }
    cairo_surface_destroy(image);
    return first < 0 ? 0 : last - first + 1;
}

}  // namespace

TEST_P(KolbriMenuWindowTest, MenusOpenAtTheEditorsScreenSize) {
    struct Expected {
        int itemHeight, border, checkColumn;
    };
    // Four entries of 22 pixels between borders of 4 at 100 %, all of it
    // twice as large at 200 %.
    const Expected expected = size == 3 ? Expected{44, 8, 48} : Expected{22, 4, 24};
    uint8_t escape = driver->keycodeOf(0xff1b);
    ASSERT_TRUE(escape);
    openEditor();
    ASSERT_TRUE(driver->popups().empty());
    // The window opens on the back screen, whose screen size menu lists the four sizes.
    const TLayoutRow* row = nullptr;
    for (const TLayoutRow& candidate : BACK_SCREEN)
        if (std::string_view(candidate.member) == "screenSizeMenu")
            row = &candidate;
    ASSERT_NE(row, nullptr);
    const TPixelBox anchor = getScaledBox(*row, size);
    int x = 0, y = 0;
    ASSERT_TRUE(driver->toRoot(editorWindow(), anchor.x + anchor.width / 2, anchor.y + anchor.height / 2, x, y));
    // A large window may still be building its page when the first click comes.
    bool opened = false;
    for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
        driver->click(x, y);
        opened = waitFor([&] { return driver->popups().size() == 1; }, std::chrono::milliseconds(2000));
    }
    ASSERT_TRUE(opened) << "the menu did not open";
    const xcb_window_t menu = driver->popups()[0];
    const Driver::WindowState shown = driver->state(menu);
    EXPECT_EQ(shown.height, 2 * expected.border + 4 * expected.itemHeight);
    EXPECT_GE(shown.width, anchor.width) << "at least as wide as the control it opens from";

    // The titles are drawn in a font of the menu's size: the first row's
    // text fills a like share of its row at every size.
    const std::string shots =
        std::filesystem::temp_directory_path() / ("kolbri-menu-window-" + std::to_string(::getpid()));
    std::filesystem::create_directories(shots);
    const std::string picture = shots + "/screen_size_menu_" + std::to_string(size) + ".png";
    ASSERT_TRUE(testhost::saveWindowImage(xvfb.display(), menu, picture));
    const int ink = inkHeight(picture, expected.checkColumn, shown.width, expected.border,
                              expected.border + expected.itemHeight);
    EXPECT_GE(ink, expected.itemHeight * 3 / 10) << picture;
    EXPECT_LT(ink, expected.itemHeight) << picture;

    driver->keyDown(escape), driver->keyUp(escape);
    EXPECT_TRUE(waitFor([&] { return driver->popups().empty(); })) << "the menu stayed";
    if (!HasFailure() && !std::getenv("KOLBRI_KEEP_SCREENSHOTS"))
        std::filesystem::remove_all(shots);
}

INSTANTIATE_TEST_SUITE_P(Sizes, KolbriMenuWindowTest, ::testing::Values(0, 3),
                         [](const auto& info) { return info.param == 0 ? "At100" : "At200"; });
