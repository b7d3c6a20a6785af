// The displays drawn off screen at the four sizes and held against stored
// pictures in tests/data/controls/ (KOLBRI_UPDATE_GOLDEN=1 stores new ones
// after a deliberate change; look at them before committing):
// gallery2_displays_*.png: the ribbon (unipolar, bipolar, quantised), the
//   Movement display and selector with each wave, the grid and the markers,
//   the scope tracing the plug-in's real output, both Gator displays with a
//   pattern and the play marker, on and bypassed; drawn from the plug-in itself.
// gallery2_sample_*.png: the browser over a folder of WAV files and
//   sub-folders, and the waveform view of one of them with its loop.
// Settings that the plug-in keeps once for all controls (the wave, the
// quantisation) differ between parts, so each part is drawn from its own
// plug-in and the parts are put together.
#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <memory>

#include "display_test_support.h"
#include "controls/ControlLook.h"
#include "controls/PanelLook.h"
#include "controls/TGatorDisplay.h"
#include "controls/THSlider.h"
#include "controls/TLFOScreen.h"
#include "controls/TLFOSelector.h"
#include "controls/TLabel.h"
#include "controls/TSampleDisplay.h"
#include "controls/TSampleFileDisplay.h"
#include "controls/TWaveScreen.h"
#include "editor/MainScreenLayout.h"
#include "test_environment.h"

using namespace kgui;
namespace fs = std::filesystem;

namespace {
constexpr int PERCENT[4] = {100, 125, 150, 200};
const CColor PANEL(9, 31, 38, 255);

// One part of a picture: its own plug-in, host and frame.
struct TPart {
    TPart(int size, int x, int y, int w, int h)
        : size(size), x(x), y(y), bench(CRect(0, 0, look::scaled(w, size), look::scaled(h, size)), size),
          plugin(bench.services), host(bench.host) {
        host.getFrame()->setBackgroundColor(PANEL);
    }
    int g(int v) const { return look::scaled(v, size); }
    CRect at(int left, int top, int w, int h) const { return CRect(g(left), g(top), g(left) + g(w), g(top) + g(h)); }
    // The dark box the editor's artwork paints under a display.
    void box(const CRect& rect) {
        auto* well = new CViewContainer(CRect(rect).extend(g(2), g(2)));
        well->setBackgroundColor(look::DISPLAY_FILL_COLOR);
        host.getFrame()->addView(well);
    }
    template <typename Control>
    Control* boxed(Control* control) {
        box(control->getViewSize());
        return host.add(control);
    }
    void caption(int left, int top, const std::string& text) {
        host.add(new TLabel(at(left, top, 600, 12), text, look::LABEL_FONT_SIZES[static_cast<size_t>(size)],
                            look::TEXT_COLOR, 0));
    }
    int size, x, y;
    TDisplayBench<TDisplayServices> bench;
    TDisplayServices& plugin;
    TDisplayHost& host;
};

// Draws every part and puts them together at their places.
bool compose(std::vector<TPart*> parts, int size, int w, int h, const std::string& path) {
    cairo_surface_t* canvas =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, look::scaled(w, size), look::scaled(h, size));
    cairo_t* cr = cairo_create(canvas);
    cairo_set_source_rgb(cr, PANEL.red / 255.0, PANEL.green / 255.0, PANEL.blue / 255.0);
    cairo_paint(cr);
    bool drawn = true;
    for (TPart* part : parts) {
        const std::string piece = path + ".part.png";
        drawn = drawn && part->host.target.renderToPNG(piece);
        cairo_surface_t* image = cairo_image_surface_create_from_png(piece.c_str());
        cairo_set_source_surface(cr, image, part->g(part->x), part->g(part->y));
        cairo_paint(cr);
        cairo_surface_destroy(image);
        fs::remove(piece);
    }
    drawn = drawn && cairo_surface_write_to_png(canvas, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_destroy(canvas);
    return drawn;
}

THSlider* ribbon(TPart& part, int top, bool centred, float value, float modulation) {
    const TPixelBox box = RIBBON_RECTS[static_cast<size_t>(part.size)];
    auto* slider = part.boxed(
        new THSlider(CRect(part.g(10), part.g(top), part.g(10) + box.width, part.g(top) + box.height), &part.host,
                     123, part.size, centred));
    slider->setValue(value);
    slider->setModValue(modulation, 1);
    return slider;
}

bool drawDisplays(int size, const std::string& path) {
    std::vector<std::unique_ptr<TPart>> parts;
    auto part = [&](int x, int y, int w, int h) {
        parts.push_back(std::make_unique<TPart>(size, x, y, w, h));
        return std::make_pair(&parts.back()->plugin, parts.back().get());
    };

    auto [ribbons, ribbonPart] = part(0, 0, 1100, 70);
    ribbonPart->caption(10, 4, "RIBBON: UNIPOLAR AT 0.3, MODULATED TO 0.5; BIPOLAR AT 0.7, MODULATED TO -0.3");
    ribbon(*ribbonPart, 18, false, 0.3f, 0.5f);
    ribbon(*ribbonPart, 44, true, 0.7f, -0.3f);

    auto [quantised, quantisedPart] = part(0, 70, 1100, 42);
    quantised->setSteppedValue(126, 5);
    quantisedPart->caption(10, 2, "RIBBON QUANTISED TO 11 STEPS: AT 0.62 THE HANDLE SITS ON 0.64");
    ribbon(*quantisedPart, 16, true, 0.62f, 0.62f);

    const float symmetry[4] = {0.5f, 0.3f, 0.7f, 0.5f};
    const float shapeUp[4] = {0.5f, 0.8f, 0.3f, 0.5f};
    for (int wave = 0; wave < 4; ++wave) {
        auto [plugin, movement] = part(545 * (wave % 2), 112 + 172 * (wave / 2), 545, 172);
        plugin->setSteppedValue(39, wave);
        plugin->put(43, symmetry[wave]);
        plugin->put(44, shapeUp[wave]);
        movement->caption(10, 2, "MOVEMENT WAVE " + std::to_string(wave + 1) + (wave % 2 ? ", NO GRID" : ", GRID OF 4"));
        movement->boxed(new TLFOSelector(movement->at(10, 16, 304, 18), &movement->host));
        auto* screen = movement->boxed(
            new TLFOScreen(movement->at(10, 38, 528, 132), &movement->host, true, true, wave != 3));
        screen->setSnap(wave % 2 ? 0 : 3);
        screen->setPos(0.2f + 0.2f * static_cast<float>(wave), 0.25f * static_cast<float>(wave), 1);
    }

    auto [output, outputPart] = part(0, 456, 1100, 92);
    outputPart->caption(10, 2, "SCOPE OF A TONE AT 1/16 AND AT 1; GATOR L/R WITH STEP 3 PLAYING, THEN BYPASSED");
    output->setSteppedValue(10, 3);
    output->put(40, 1);
    output->put(87, 0.7f);
    output->render(1);
    output->noteOn(57);
    output->render(40);
    outputPart->boxed(new TWaveScreen(outputPart->at(10, 18, 268, 65), &outputPart->host, true))->setZoom(0.0625f);
    outputPart->boxed(new TWaveScreen(outputPart->at(290, 18, 268, 65), &outputPart->host, true));
    const std::uint32_t patterns[2] = {0x5555, 0x0F0F};
    for (int pair = 0; pair < 2; ++pair)
        for (int channel = 0; channel < 2; ++channel) {
            auto* gate = outputPart->boxed(new TGatorDisplay(outputPart->at(580 + 150 * pair, 24 + 22 * channel, 128, 16),
                                                                &outputPart->host, 88 + channel));
            gate->setValue(TGatorDisplay::valueOf(patterns[channel]));
            gate->setGaterPos(3);
            gate->setOn(pair == 0);
        }

    std::vector<TPart*> all;
    for (auto& p : parts)
        all.push_back(p.get());
    return compose(all, size, 1100, 550, path);
}

bool drawSampleViews(int size, const std::string& path) {
    TTempFolder tree;
    const fs::path effects = tree.path / "Effects";
    for (const char* folder : {"Effects/Doors", "Effects/Impacts", "Effects/Risers", "Voices"})
        fs::create_directories(tree.path / folder);
    const char* names[] = {"Clang.wav", "door slam.wav", "Glass Break.wav", "hit 01.wav",
                           "hit 02.wav", "Metal Scrape long take with a very long name.wav",
                           "Rumble.wav", "snap.wav", "Swish.wav", "thud.wav", "Whoosh.wav", "Zap.wav"};
    for (size_t i = 0; i < std::size(names); ++i)
        writeToneWav(effects / names[i], 2000 + 300 * static_cast<long>(i), i % 2 == 0);
    writeToneWav(effects / "Metal Hit.wav", 96000, true);
    TPart part(size, 0, 0, 1100, 240);
    TDisplayServices& services = part.plugin;
    services.setRoot(tree.path);
    services.setSampleCurFolder(0);
    services.loadSample(effects / "Metal Hit.wav");
    services.put(244, 1.1f / 3.99f);  // "Sample Loop Mode": a loop
    services.put(246, 0.05f);
    services.put(247, 0.3f);
    services.put(248, 0.8f);

    part.caption(10, 4, "SAMPLE BROWSER IN \"Effects\", \"Metal Hit.wav\" LOADED; WAVEFORM WITH ITS LOOP SHADED");
    part.boxed(new TSampleFileDisplay(part.at(10, 22, 439, 206), size));
    part.boxed(new TSampleDisplay(part.at(463, 22, 624, 206), size));
    return compose({&part}, size, 1100, 240, path);
}
}  // namespace

TEST(Gallery2, TheDisplaysAtTheFourSizes) {
    const fs::path work = test_environment::makeTemporaryFolder("gallery2");
    for (int size = 0; size < 4; ++size) {
        for (const char* kind : {"displays", "sample"}) {
            const std::string name = std::string("gallery2_") + kind + "_" + std::to_string(PERCENT[size]) + ".png";
            const std::string rendered = (work / name).string();
            ASSERT_TRUE(kind[0] == 'd' ? drawDisplays(size, rendered) : drawSampleViews(size, rendered)) << name;
            EXPECT_TRUE(matchesGolden(rendered, name));
        }
    }
    if (!::testing::Test::HasFailure())
        fs::remove_all(work);
}
