// Kolbri's editor in a real window: the plug-in library loaded by the test
// host, its editor opened through the VST interface in a host window on an
// Xvfb display that the test starts, bare or with a window manager, driven by
// XTest from screen to screen and control to control, and each screen
// compared with the off-screen picture of the same screen drawn in this
// process.
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <thread>
#include <tuple>

#include "editor_test_support.h"
#include "controls/TReadout.h"
#include "editor/BackScreenLayout.h"
#include "test_environment.h"
#include "window_test_support.h"
#include "toolkit/showcase.h"
#include "tools/editorhost/EditorHost.h"
#include "tools/testhost/TestHost.h"

using namespace editor_test;
using namespace windowtest;

namespace {

// A copy of the plug-in library of this test's own. The library stays loaded
// once a process has opened it, with the settings and tables it read then;
// a copy in a bundle of its own is a library the process has not seen, so
// every window test starts from the state a host meets at its first load,
// whatever ran before it.
class PrivateLibrary {
public:
    explicit PrivateLibrary(const std::filesystem::path& original) {
        root = test_environment::makeTemporaryFolder("library");
        const std::filesystem::path contents = original.parent_path().parent_path();
        const std::filesystem::path binaryFolder = root / "Kolbri.vst" / "Contents" / original.parent_path().filename();
        std::filesystem::create_directories(binaryFolder);
        // Its images and sample bank are the bundle's own.
        std::filesystem::create_directory_symlink(contents / "Resources", root / "Kolbri.vst" / "Contents" / "Resources");
        path = binaryFolder / original.filename();
        std::filesystem::copy_file(original, path);
    }
    ~PrivateLibrary() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    PrivateLibrary(const PrivateLibrary&) = delete;
    PrivateLibrary& operator=(const PrivateLibrary&) = delete;

    std::filesystem::path path;

private:
    std::filesystem::path root;
};

// The editor in a host window at a screen size, on a bare server or under a
// window manager.
class KolbriWindowFixture : public ::testing::Test {
protected:
    void start(int screenSize, Desktop onDesktop, bool toolTips = false) {
        if (XvfbServer::binary().empty())
            GTEST_SKIP() << "Xvfb is not installed (Debian: xvfb)";
        if (onDesktop == Desktop::openbox && WindowManager::binary().empty())
            GTEST_SKIP() << "openbox is not installed (Debian: openbox)";
        size = screenSize;
        desktop = onDesktop;
        std::string error;
        ASSERT_TRUE(xvfb.start(error, "2400x1700x24")) << error;
        if (desktop == Desktop::openbox) {
            ASSERT_TRUE(windowManager.start(xvfb.display(), error)) << error;
        }
        ::setenv("DISPLAY", xvfb.display().c_str(), 1);
        driver = std::make_unique<Driver>(xvfb.display());
        ASSERT_TRUE(driver->ok());
        // The library reads its settings (the screen size) when it is loaded.
        settings = std::make_unique<TEditorSettings>();
        TEditorSettings::setScreenSize(size);
        // A tooltip is a window of its own over the editor's: none, unless
        // the tooltips are what the test looks at.
        saveStringToPrefs(REG_TOOL_TIP_STR, toolTips ? "Y" : "N");
        platform::flushPreferences();
        library = std::make_unique<PrivateLibrary>(KOLBRI_SO_PATH);
        plugin = host.load(library->path.string());
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
        windowManager.stop();
        xvfb.stop();
        ::unsetenv("DISPLAY");
        settings.reset();
        library.reset();
    }

    void openEditor() {
        if (!ui)
            ui = std::make_unique<UiThread>();
        std::string error;
        openInHostWindow(*ui, *plugin, 20, 20, window, error);
        ASSERT_NE(window, nullptr) << error;
        parent = window->window();
        ASSERT_TRUE(waitFor([&] { return readyForInput(*driver, desktop, parent, editorWindow()); }))
            << describeReadiness(*driver, parent, editorWindow());
    }

    xcb_window_t editorWindow() {
        auto children = driver->children(parent);
        return children.size() == 1 ? children[0] : 0;
    }

    // The centre of an editor member in root coordinates.
    void memberCentre(const char* member, int& x, int& y) {
        const TPixelBox box = getScaledBox(*findLayoutRow(member), size);
        ASSERT_TRUE(driver->toRoot(editorWindow(), box.x + box.width / 2, box.y + box.height / 2, x, y));
    }

    void clickMember(const char* member) {
        int x = 0, y = 0;
        memberCentre(member, x, y);
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
    Desktop desktop = Desktop::bare;
    std::unique_ptr<TEditorSettings> settings;
    std::unique_ptr<PrivateLibrary> library;
    XvfbServer xvfb;
    WindowManager windowManager;
    std::unique_ptr<Driver> driver;
    testhost::Host host;
    std::unique_ptr<testhost::Plugin> plugin;
    std::unique_ptr<UiThread> ui;
    std::unique_ptr<testhost::EditorWindow> window;  // touched on the UI thread only
    xcb_window_t parent = 0;
};

using SizeOnDesktop = std::tuple<int, Desktop>;

std::string sizeOnDesktopName(const ::testing::TestParamInfo<SizeOnDesktop>& info) {
    static const std::map<int, std::string> sizes = {{0, "At100"}, {1, "At125"}, {2, "At150"}, {3, "At200"}};
    return sizes.at(std::get<0>(info.param)) + desktopName(std::get<1>(info.param));
}

class KolbriWindowTest : public KolbriWindowFixture, public ::testing::WithParamInterface<SizeOnDesktop> {
protected:
    void SetUp() override { start(std::get<0>(GetParam()), std::get<1>(GetParam())); }
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
    // KOLBRI_KEEP_SCREENSHOTS is set; in the process's own folder, which
    // that variable (or KOLBRI_KEEP_TEST_HOME) keeps after the process.
    const std::string shots = test_environment::makeTemporaryFolder("editor-window");

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

INSTANTIATE_TEST_SUITE_P(Sizes, KolbriWindowTest,
                         ::testing::Combine(::testing::Values(0, 2),
                                            ::testing::Values(Desktop::bare, Desktop::openbox)),
                         sizeOnDesktopName);

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
    const std::string shots = test_environment::makeTemporaryFolder("menu-window");
    const std::string picture = shots + "/screen_size_menu_" + std::to_string(size) + ".png";
    // A menu window that has just been mapped may not have been painted yet
    // (an unpainted row reads as ink from top to bottom), so look again until
    // its first row is drawn, within a bound.
    int ink = expected.itemHeight;
    waitFor([&] {
        if (!testhost::saveWindowImage(xvfb.display(), menu, picture))
            return false;
        ink = inkHeight(picture, expected.checkColumn, shown.width, expected.border,
                        expected.border + expected.itemHeight);
        return ink < expected.itemHeight;
    });
    EXPECT_GE(ink, expected.itemHeight * 3 / 10) << picture;
    EXPECT_LT(ink, expected.itemHeight) << picture;

    driver->keyDown(escape), driver->keyUp(escape);
    EXPECT_TRUE(waitFor([&] { return driver->popups().empty(); })) << "the menu stayed";
    if (!HasFailure() && !std::getenv("KOLBRI_KEEP_SCREENSHOTS"))
        std::filesystem::remove_all(shots);
}

INSTANTIATE_TEST_SUITE_P(Sizes, KolbriMenuWindowTest,
                         ::testing::Combine(::testing::Values(0, 3),
                                            ::testing::Values(Desktop::bare, Desktop::openbox)),
                         sizeOnDesktopName);

namespace {

class KolbriPointerWindowTest : public KolbriWindowFixture, public ::testing::WithParamInterface<Desktop> {
protected:
    void SetUp() override { start(0, GetParam()); }

    // What the host heard so far, read where the editor calls it from.
    std::vector<testhost::HostCall> hostCalls() {
        std::vector<testhost::HostCall> calls;
        ui->run([&] { calls = plugin->calls(); });
        return calls;
    }
    int heard(vst::int32 opcode, int tag) {
        const auto calls = hostCalls();
        return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const testhost::HostCall& call) {
            return call.opcode == opcode && call.index == tag;
        }));
    }
    bool parameterIs(int tag, float expected) {
        return waitFor([&] { return std::fabs(plugin->getParameter(tag) - expected) < 1e-4f; });
    }

    // A knob's drag as a person makes it: the moves follow once the press has
    // reached the editor (the host heard the gesture begin). A window manager
    // that takes the press holds it, and any move behind it, until it lets
    // the pointer go, so a quicker drag would arrive as a click at its end.
    void dragKnob(int tag, int x, int y, int dy) {
        const int begins = heard(vst::audioMasterBeginEdit, tag), ends = heard(vst::audioMasterEndEdit, tag);
        driver->moveTo(x, y);
        driver->press(1);
        ASSERT_TRUE(waitFor([&] { return heard(vst::audioMasterBeginEdit, tag) > begins; })) << "the press went nowhere";
        for (int step = 1; step <= 10; ++step)
            driver->moveTo(x, y + dy * step / 10);
        driver->release(1);
        ASSERT_TRUE(waitFor([&] { return heard(vst::audioMasterEndEdit, tag) > ends; })) << "the release went nowhere";
    }
};

// Presses on one place further apart than this are no double click.
constexpr auto NO_DOUBLE_CLICK = std::chrono::milliseconds(500);

// The editor steps programs at most once in 300 ms, counted from its making
// too, so that a held key does not race through them.
constexpr auto PROGRAM_STEP_PAUSE = std::chrono::milliseconds(400);

}  // namespace

// The pointer acts once, where its press began, on a bare server and under a
// window manager that grabs the pointer at each press (so that the window
// sees a leave and an enter with the button down before the press): a drag
// moves a knob from its own value, a click without a move leaves it, the
// wheel and a double click act once, and a program arrow steps the program
// without moving a knob. Every gesture the host heard begin, it heard end.
TEST_P(KolbriPointerWindowTest, DragsClicksWheelAndArrowsActOnceWhereThePressBegan) {
    const int volume = findLayoutRow("knobMainVolume")->tag;
    float defaultVolume = 0;
    {
        TEditorBench reference(size, false);
        defaultVolume = reference.plugin->getDefaultValue(volume);
    }
    plugin->setParameter(volume, 0.25f);
    openEditor();
    const auto opened = std::chrono::steady_clock::now();
    const int width = getScaled(EDITOR_WIDTH, size), height = getScaled(EDITOR_HEIGHT, size);
    int x = 0, y = 0;
    ASSERT_TRUE(driver->toRoot(editorWindow(), width - 10, height - 10, x, y));
    driver->click(x, y);  // from the opening page to the main screen
    int knobX = 0, knobY = 0;
    memberCentre("knobMainVolume", knobX, knobY);

    dragKnob(volume, knobX, knobY, -100);
    EXPECT_NEAR(plugin->getParameter(volume), 0.75f, 1e-4f) << "100 pixels up from 0.25";
    std::this_thread::sleep_for(NO_DOUBLE_CLICK);
    dragKnob(volume, knobX, knobY, 50);
    EXPECT_NEAR(plugin->getParameter(volume), 0.5f, 1e-4f) << "50 pixels down from 0.75, from the knob's centre";

    // Beside the last press, so that it is no double click; the host hears
    // its gesture end once it was handled.
    const int endsBefore = heard(vst::audioMasterEndEdit, volume);
    driver->click(knobX + 6, knobY);
    ASSERT_TRUE(waitFor([&] { return heard(vst::audioMasterEndEdit, volume) > endsBefore; })) << "the click went nowhere";
    EXPECT_NEAR(plugin->getParameter(volume), 0.5f, 1e-4f) << "a click without a move";

    driver->wheel(1);
    EXPECT_TRUE(parameterIs(volume, 0.51f)) << "one notch up: " << plugin->getParameter(volume);
    // The host's own wheel request acts at the pointer with the keys held
    // now, which the server knows whichever window has the keyboard: with
    // Shift, the fine step.
    const uint8_t shift = driver->keycodeOf(0xffe1);  // Shift_L
    ASSERT_TRUE(shift);
    driver->keyDown(shift);
    vst::intptr used = 0;
    ui->run([&] {
        used = plugin->dispatch(vst::effVendorSpecific, vst::fourCharCode('s', 't', 'C', 'A'),
                                vst::fourCharCode('W', 'h', 'e', 'e'), nullptr, 1.0f);
    });
    driver->keyUp(shift);
    EXPECT_EQ(used, 1);
    EXPECT_TRUE(parameterIs(volume, 0.511f)) << "the host's notch with Shift: " << plugin->getParameter(volume);
    driver->doubleClick(knobX, knobY);
    EXPECT_TRUE(parameterIs(volume, defaultVolume)) << "a double click: " << plugin->getParameter(volume);

    // The next program, once: its own volume, no knob's gesture on the way.
    const std::string before = plugin->programName();
    int program = -1;
    for (int i = 0; i < BUILTIN_PROGRAM_COUNT; ++i)
        if (builtinProgramName(i) == before)
            program = i;
    ASSERT_GE(program, 0) << "the program shown is no built-in one: " << before;
    ASSERT_LT(program + 1, BUILTIN_PROGRAM_COUNT);
    const auto callsBefore = hostCalls();
    const auto beginsBefore = std::count_if(callsBefore.begin(), callsBefore.end(), [](const testhost::HostCall& call) {
        return call.opcode == vst::audioMasterBeginEdit;
    });
    std::this_thread::sleep_until(opened + PROGRAM_STEP_PAUSE);
    const TPixelBox preset = getScaledBox(*findLayoutRow("presetMenu"), size);
    ASSERT_TRUE(driver->toRoot(editorWindow(), preset.x + preset.width - 4, preset.y + preset.height / 2, x, y));
    driver->click(x, y);
    const std::string next(builtinProgramName(program + 1));
    EXPECT_TRUE(waitFor([&] {
        plugin->render(512);  // the program is applied on the audio thread
        return plugin->programName() == next;
    })) << "shown: " << plugin->programName();
    EXPECT_NEAR(plugin->getParameter(volume), builtinProgramValues(program + 1)[static_cast<size_t>(volume)], 1e-4f);

    // Every gesture begun was ended, for every parameter.
    std::map<int, int> open;
    long begins = 0;
    for (const testhost::HostCall& call : hostCalls()) {
        if (call.opcode == vst::audioMasterBeginEdit) {
            ++open[call.index];
            ++begins;
        } else if (call.opcode == vst::audioMasterEndEdit) {
            --open[call.index];
        }
    }
    EXPECT_EQ(begins, beginsBefore) << "a gesture began at the program arrow";
    for (const auto& [tag, count] : open)
        EXPECT_EQ(count, 0) << "gestures of parameter " << tag << " left open";
}

INSTANTIATE_TEST_SUITE_P(Desktops, KolbriPointerWindowTest, ::testing::Values(Desktop::bare, Desktop::openbox),
                         [](const auto& info) { return std::string(desktopName(info.param)); });

namespace {

// The editor with its tooltips on, as users have it.
class KolbriTooltipWindowTest : public KolbriWindowFixture, public ::testing::WithParamInterface<Desktop> {
protected:
    void SetUp() override { start(0, GetParam(), true); }

    // The shown pop-up windows of one type (menus, tooltips).
    size_t shown(const char* type) {
        const xcb_atom_t wanted = driver->intern(type);
        const std::vector<xcb_window_t> popups = driver->popups();
        return static_cast<size_t>(std::count_if(popups.begin(), popups.end(), [&](xcb_window_t popup) {
            const std::vector<uint32_t> types = driver->property32(popup, "_NET_WM_WINDOW_TYPE");
            return !types.empty() && types[0] == wanted;
        }));
    }
    size_t tooltips() { return shown("_NET_WM_WINDOW_TYPE_TOOLTIP"); }
    size_t menus() { return shown("_NET_WM_WINDOW_TYPE_POPUP_MENU"); }
};

}  // namespace

// A menu let go by a click outside the plug-in leaves the pointer outside:
// no tooltip comes up at the point where the menu was opened, and the tooltip
// comes back when the pointer does.
TEST_P(KolbriTooltipWindowTest, AMenuClosedByAClickOutsideLeavesNoTooltipWhereItOpened) {
    openEditor();
    // The window opens on the back screen, whose screen size menu has a tooltip.
    const auto row = std::find_if(BACK_SCREEN.begin(), BACK_SCREEN.end(), [](const TLayoutRow& candidate) {
        return std::string_view(candidate.member) == "screenSizeMenu";
    });
    ASSERT_NE(row, BACK_SCREEN.end());
    const TPixelBox box = getScaledBox(*row, size);
    int x = 0, y = 0;
    ASSERT_TRUE(driver->toRoot(editorWindow(), box.x + box.width / 2, box.y + box.height / 2, x, y));
    driver->moveTo(x, y);
    ASSERT_TRUE(waitFor([&] { return tooltips() == 1; })) << "no tooltip on the menu: nothing to look at";
    // A large window may still be building its page when the first click comes.
    bool opened = false;
    for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
        driver->click(x, y);
        opened = waitFor([&] { return menus() == 1; }, std::chrono::milliseconds(2000));
    }
    ASSERT_TRUE(opened) << "the menu did not open";
    EXPECT_EQ(tooltips(), 0u) << "the press took the tooltip away";

    driver->click(2300, 1600);  // outside the host's window and the menu
    ASSERT_TRUE(waitFor([&] { return menus() == 0; })) << "the menu stayed";
    // Well past the tooltip's delay and the hint passes.
    EXPECT_FALSE(waitFor([&] { return tooltips() > 0; }, std::chrono::milliseconds(1500)))
        << "a tooltip showed at the menu's press point with the pointer outside";
    driver->moveTo(x, y);
    EXPECT_TRUE(waitFor([&] { return tooltips() == 1; })) << "the pointer came back: the tooltip too";
}

INSTANTIATE_TEST_SUITE_P(Desktops, KolbriTooltipWindowTest, ::testing::Values(Desktop::bare, Desktop::openbox),
                         [](const auto& info) { return std::string(desktopName(info.param)); });
