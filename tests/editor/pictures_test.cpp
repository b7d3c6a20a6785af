// The editor's three screens drawn off screen at 100 and 150 % with the
// bundle's images, compared with the stored pictures in tests/data/editor/.
// Set KOLBRI_UPDATE_GOLDEN=1 to store new pictures after a deliberate change
// (and look at them before committing).
#include "editor_test_support.h"
#include "controls/PanelLook.h"
#include "controls/TKickButton.h"
#include "controls/TOnOff.h"
#include "toolkit/stored_pictures.h"

using namespace editor_test;

namespace {

// Draws one screen of an editor opened at a size: 0 main, 1 sample, 3 back.
std::string renderScreen(TEditorBench& bench, int screen, const std::string& name) {
    uEditor& editor = *bench.editor;
    if (screen == 1)
        editor.showSampleScreenControls();
    else if (screen == 3)
        editor.showBackScreen();
    bench.idle();
    bench.idle();
    const std::string path = bench.settings.root + "/" + name;
    EXPECT_TRUE(bench.render(path));
    return path;
}

}  // namespace

TEST(EditorPictures, ScreensMatchTheStoredPictures) {
    const std::string kept = test_environment::makeTemporaryFolder("editor-pictures");
    struct Case {
        int size, screen;
        const char* name;
    } cases[] = {
        {0, 0, "main_100.png"}, {0, 1, "sample_100.png"}, {0, 3, "back_100.png"},
        {2, 0, "main_150.png"}, {2, 1, "sample_150.png"}, {2, 3, "back_150.png"},
    };
    for (const Case& c : cases) {
        TEditorBench bench(c.size);
        const std::string rendered = kept + "/" + c.name;
        std::filesystem::copy_file(renderScreen(bench, c.screen, c.name), rendered,
                                   std::filesystem::copy_options::overwrite_existing);
        const auto compared = kgui::test::compareWithStored(rendered, std::string("editor/") + c.name);
        if (!compared) continue;
        const kgui::test::ImageCompare& result = *compared;
        const int width = c.size == 0 ? 1132 : 1698;
        EXPECT_EQ(result.width, width) << c.name;
        // Text may shift a shade between library versions; a moved control,
        // a missing caption or a changed colour differs in far more pixels.
        EXPECT_LT(result.fractionDifferent, 0.0005) << c.name << " differs; rendered: " << rendered;
        EXPECT_LT(result.meanDifference, 0.05) << c.name << " differs; rendered: " << rendered;
    }
    if (!::testing::Test::HasFailure())
        std::filesystem::remove_all(kept);
}

// The switches shown only in some source modes (REV and EDITOR with a sample,
// TRK in every noise mode but the first) draw their LED inside their own
// rectangle and nothing around it, at every size, whether they appear through
// a redraw of what changed or a full one; the picture behind them carries no
// socket, so shown or hidden the ring around them is plain panel.
TEST(EditorPictures, SwitchesShownInSomeModesLeavePlainPanelAroundThem) {
    constexpr int SOURCE_MODE = 10, PLAIN_NOISE = 0, SYNCED_NOISE = 2, SAMPLE = 4;
    for (int size = 0; size < SCREEN_SIZE_COUNT; ++size) {
        TEditorBench bench(size);
        uEditor& e = *bench.editor;
        // Where a socket's rim would lie, past the rectangle.
        const int spread = look::SOCKET_SPREAD[static_cast<size_t>(size)];
        // The pixels in a ring around an LED's rectangle (a caption's letters
        // may reach the corners of the square).
        auto band = [&](const kgui::CRect& r) {
            const double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2, reach = r.getWidth() / 2 + spread;
            std::vector<kgui::CColor> pixels;
            for (int y = int(r.top) - spread; y < int(r.bottom) + spread; ++y)
                for (int x = int(r.left) - spread; x < int(r.right) + spread; ++x) {
                    const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                    if (!r.pointInside(kgui::CPoint(x + 0.5, y + 0.5)) && dx * dx + dy * dy <= reach * reach)
                        pixels.push_back(bench.target.getPixel(x, y));
                }
            return pixels;
        };
        // TRK leaves the window with its panel, so its place is taken while shown.
        bench.plugin->setSteppedValue(SOURCE_MODE, SYNCED_NOISE);
        bench.idle();
        bench.idle();
        const kgui::CRect keyTrack = e.onOffKeyTrackOnOff->getFrameRect();
        struct Switch {
            kgui::CRect rect;
            int shownIn;
            int hiddenIn;  // the mode whose panel lies where the switch was
            const char* name;
        } switches[] = {{e.onOffSampleRevOnOff->getFrameRect(), SAMPLE, PLAIN_NOISE, "REV"},
                        {e.sampleScreenButton->getFrameRect(), SAMPLE, PLAIN_NOISE, "EDITOR"},
                        {keyTrack, SYNCED_NOISE, PLAIN_NOISE, "TRK"}};
        struct Step {
            int mode;
            bool fullRedraw;
        } steps[] = {{PLAIN_NOISE, true}, {SAMPLE, false}, {PLAIN_NOISE, false},
                     {SYNCED_NOISE, false}, {SAMPLE, true}, {SYNCED_NOISE, true}};
        for (const Step& step : steps) {
            bench.plugin->setSteppedValue(SOURCE_MODE, step.mode);
            bench.idle();
            bench.idle();
            if (step.fullRedraw)
                bench.target.renderAll();
            for (const Switch& s : switches) {
                if (step.mode != s.shownIn && step.mode != s.hiddenIn)
                    continue;
                const bool shown = step.mode == s.shownIn;
                int off = 0;
                for (const kgui::CColor& pixel : band(s.rect))
                    off += pixel.red == look::PANEL_FILL_COLOR.red && pixel.green == look::PANEL_FILL_COLOR.green &&
                                   pixel.blue == look::PANEL_FILL_COLOR.blue
                               ? 0
                               : 1;
                EXPECT_EQ(off, 0) << s.name << " at size " << size << " in source mode " << step.mode
                                  << (shown ? ", shown" : ", hidden")
                                  << (step.fullRedraw ? ", drawn whole" : ", redrawn in part");
            }
        }
    }
}
