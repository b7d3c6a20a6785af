// Every control in every state, laid out on one dark panel and drawn off
// screen at the four sizes; compared with the stored pictures in
// tests/data/controls/. Set KOLBRI_UPDATE_GOLDEN=1 to store new pictures after
// a deliberate change of the look (and look at them before committing).
#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "control_test_support.h"
#include "controls/ControlLook.h"
#include "controls/TKickButton.h"
#include "controls/TKnob.h"
#include "controls/TLabel.h"
#include "controls/TMenuButton.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TRadioButton.h"
#include "controls/TReadout.h"
#include "controls/TReadoutString.h"
#include "test_environment.h"
#include "toolkit/stored_pictures.h"

using namespace kgui;

namespace {
constexpr int PERCENT[4] = {100, 125, 150, 200};
constexpr int GALLERY_WIDTH = 640;
constexpr int GALLERY_HEIGHT = 400;
const CColor PANEL(9, 31, 38, 255);

struct Gallery {
    explicit Gallery(int size)
        : size(size), bench(CRect(0, 0, look::scaled(GALLERY_WIDTH, size), look::scaled(GALLERY_HEIGHT, size))) {
        host = bench.host;
        host->big = size;
        host->destShortNames[28] = "Filter Freq";
        frame = host->getFrame();
        frame->setBackgroundColor(PANEL);
    }

    int g(int v) const { return look::scaled(v, size); }
    CRect at(int x, int y, int w, int h) const { return CRect(g(x), g(y), g(x) + g(w), g(y) + g(h)); }
    int knobSize(int style) const {
        const int sizes[3] = {60, 44, 30};
        return g(sizes[style / 2]);
    }

    void caption(int x, int y, int w, const std::string& text) {
        host->add(new TLabel(at(x, y, w, 12), text, look::LABEL_FONT_SIZES[size], look::TEXT_COLOR, 0));
    }

    TKnob* knob(int x, int y, int style, float value, float modValue) {
        CPoint offset;
        const int diameter = knobSize(style);
        auto* k = host->add(new TKnob(CRect(g(x), g(y), g(x) + diameter, g(y) + diameter), host, 12, offset,
                                     style % 2 == 1, diameter, style));
        k->setValue(value);
        k->setModValue(modValue, 1);
        return k;
    }

    TOnOff* onOff(int x, int y, float value, bool inverted, bool bypassed, CBitmap* bitmap = nullptr) {
        auto* s = host->add(new TOnOff(at(x, y, 13, 13), host, 11, bitmap, bitmap != nullptr, 0));
        s->setValue(value);
        if (inverted)
            s->setInvert();
        s->setBypassed(bypassed);
        return s;
    }

    TKickButton* kick(int x, int y, int w, int h, const std::string& label, int kind, bool bypassed) {
        auto* b = host->add(new TKickButton(at(x, y, w, h), host, label, kind));
        b->setBypassed(bypassed);
        return b;
    }

    TOptionMenu* menu(int x, int y, int w, int h, int tag, bool deltaButtons) {
        auto* m = host->add(new TOptionMenu(at(x, y, w, h), host, tag, nullptr, nullptr, 256, true, deltaButtons));
        for (const char* entry : {"Poly", "Mono", "Legato", "Unison"})
            m->addEntry(entry);
        m->setValue(0);
        return m;
    }

    void build() {
        bench.plugin->setSteppedValue(111, 5);
        bench.plugin->setSteppedValue(115, 28);

        // Knobs: the three sizes, each style, several values, with and without
        // a modulation arc; the last one bypassed, which hides its arc.
        caption(10, 4, 300, "KNOBS: 0, 0.5, 1; ARCS; CENTRE MARKS; BYPASSED");
        knob(10, 18, 0, 0.0f, 0.0f);
        knob(80, 18, 0, 0.5f, 0.5f);
        knob(150, 18, 0, 1.0f, 1.0f);
        knob(220, 18, 1, 0.5f, 0.8f);
        knob(290, 18, 0, 0.3f, 0.7f);
        knob(360, 18, 2, 0.25f, 0.25f);
        knob(414, 18, 3, 0.75f, 0.4f);
        knob(468, 18, 4, 0.6f, 0.6f);
        knob(508, 18, 5, 0.5f, 0.9f);
        knob(548, 18, 2, 0.6f, 0.2f)->setBypassed(true);

        // Switches: off, on, inverted off and on, bypassed off and on; image
        // switches off, on and bypassed; radio buttons off and on.
        caption(10, 86, 420, "SWITCHES, IMAGE SWITCHES, RADIO BUTTONS, LED KICK BUTTONS");
        const int x0 = 10;
        onOff(x0, 100, 0, false, false);
        onOff(x0 + 20, 100, 1, false, false);
        onOff(x0 + 40, 100, 0, true, false);
        onOff(x0 + 60, 100, 1, true, false);
        onOff(x0 + 80, 100, 0, false, true);
        onOff(x0 + 100, 100, 1, false, true);
        CBitmap* image = switchImage();
        onOff(x0 + 130, 100, 0, false, false, image);
        onOff(x0 + 150, 100, 1, false, false, image);
        onOff(x0 + 170, 100, 1, false, true, image);
        image->forget();
        host->add(new TRadioButton(at(x0 + 200, 100, 13, 13), host, 0, 0));
        host->add(new TRadioButton(at(x0 + 220, 100, 13, 13), host, 0, 1))->setValue(1);
        kick(x0 + 250, 100, 13, 13, "", TKickButton::kLed, false);
        kick(x0 + 270, 100, 13, 13, "", TKickButton::kLed, false)->setValue(1);
        kick(x0 + 290, 100, 13, 13, "", TKickButton::kLed, false)->setAlwaysOn(true);
        kick(x0 + 310, 100, 13, 13, "", TKickButton::kLed, false)->setInvert();
        auto* lit = kick(x0 + 330, 100, 13, 13, "", TKickButton::kLed, false);
        lit->setInvert();
        lit->setAlwaysOn(true);
        kick(x0 + 350, 100, 13, 13, "", TKickButton::kLed, true)->setAlwaysOn(true);

        // Text and arrow buttons, plain and bypassed.
        caption(10, 120, 180, "KICK BUTTONS, BYPASSED BELOW");
        for (int row = 0; row < 2; ++row) {
            const bool bypassed = row == 1;
            const int y = 134 + 22 * row;
            kick(10, y, 60, 17, "MANUAL", TKickButton::kText, bypassed);
            for (int kind = TKickButton::kLeftArrow; kind <= TKickButton::kDoubleRightArrow; ++kind)
                kick(80 + 26 * (kind - 2), y, 22, 17, "", kind, bypassed);
        }

        // Option menus.
        caption(200, 120, 420, "OPTION MENUS");
        menu(200, 134, 100, 17, 5, false);
        menu(310, 134, 110, 17, 5, true)->setValue(1);
        auto* preset = menu(430, 134, 150, 17, NO_PARAM_TAG, false);
        preset->setPresetMenu();
        preset->setString("Init Program");
        auto* folder = menu(200, 156, 120, 17, NO_PARAM_TAG, false);
        folder->setFolderMenu();
        folder->setString("Drums/Kicks");
        menu(330, 156, 100, 17, 5, false)->setIndicator(true, 0);
        auto* bypassed = menu(440, 156, 110, 17, 5, true);
        bypassed->setValue(2);
        bypassed->setBypassed(true);
        menu(200, 178, 110, 17, 111, true);
        menu(320, 178, 110, 17, 115, true);
        menu(440, 178, 110, 17, 5, false)->setString("");

        // "FX Path" at three orders.
        caption(10, 200, 270, "FX PATH (THE SAME ORDER THREE TIMES)");
        for (int i = 0; i < 3; ++i)
            host->add(new TOptionMenu(at(10 + 90 * i, 214, 80, 52), host, tag::FX_PATH, nullptr, nullptr, 256,
                                      true, false));

        // Menu buttons: settings (an invisible area), ECS (LED), speed field.
        caption(290, 200, 340, "MENU BUTTONS: SETTINGS (INVISIBLE), ECS, SPEED");
        host->add(new TMenuButton(at(290, 214, 40, 17), host, "", TMenuButton::kSettingsMenu, false, false));
        host->add(new TMenuButton(at(340, 216, 13, 13), host, "", TMenuButton::kECSMenu, true, false));
        host->add(new TMenuButton(at(370, 214, 120, 17), host, "1/4 QB", TMenuButton::kMoveSpeedMenu, false, true));

        // Readouts.
        caption(10, 274, 400, "READOUTS: BOXED, PLAIN, BIG FONT, STRINGS");
        host->add(new TReadout(at(10, 288, 150, 17), host, "Init Program", true, true));
        host->add(new TReadout(at(170, 288, 190, 17), host, "Filter Frequency: 2.4 KHz", false, false));
        auto* big = host->add(new TReadout(at(370, 284, 120, 24), host, "Kolbri", true, true));
        big->setBigFont();
        host->add(new TReadoutString(at(500, 284, 130, 24), host, "440 Hz", false, true, false));
        auto* light = new CViewContainer(at(500, 312, 130, 24));
        light->setBackgroundColor(CColor(200, 220, 226, 255));
        frame->addView(light);
        auto* dark = new TReadoutString(CRect(0, 0, g(130), g(24)), host, "15 KHz", true, true, false);
        light->addView(dark);

        // Captions.
        caption(10, 318, 480, "LABELS: LEFT, TWO LINES, RIGHT, BYPASSED, INDICATOR DIM AND FULL");
        host->add(new TLabel(at(10, 334, 80, 12), "VOLUME", look::LABEL_FONT_SIZES[size], look::TEXT_COLOR, 0));
        host->add(
            new TLabel(at(100, 334, 90, 24), "MOVEMENT!>FILTER", look::LABEL_FONT_SIZES[size], look::TEXT_COLOR, 1));
        host->add(new TLabel(at(200, 334, 80, 12), "PAN", look::LABEL_FONT_SIZES[size], look::TEXT_COLOR, 2));
        host->add(new TLabel(at(290, 334, 80, 12), "BYPASSED", look::LABEL_FONT_SIZES[size], look::TEXT_COLOR, 1))
            ->setBypassed(true);
        host->add(new TLabel(at(380, 334, 80, 12), "INDICATOR", look::LABEL_FONT_SIZES[size], look::TEXT_COLOR, 1))
            ->setIndicator(true, 1);
        host->add(new TLabel(at(470, 334, 80, 12), "INDICATOR", look::LABEL_FONT_SIZES[size], look::TEXT_COLOR, 1))
            ->setIndicator(true, 2);
        host->add(new TLabel(at(10, 366, 400, 24), "MULTI-LINE CAPTION!IN THE BIG FONT", look::BIG_LABEL_FONT_SIZES[size],
                            CColor(255, 255, 255, 255), 0));
    }

    // An image switch's picture: the off state above the on state.
    CBitmap* switchImage() const {
        const int side = g(13);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, 2 * side);
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 0.05, 0.2, 0.25);
        cairo_rectangle(cr, 1, 1, side - 2, side - 2);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.2, 0.8, 1.0);
        cairo_rectangle(cr, 1, side + 1, side - 2, side - 2);
        cairo_fill(cr);
        cairo_destroy(cr);
        auto* bitmap = new CBitmap(surface);
        cairo_surface_destroy(surface);
        return bitmap;
    }

    // Draws the gallery with "FX Path" at the given order.
    bool render(const std::string& path, int order) {
        bench.plugin->setSteppedValue(tag::FX_PATH, order);
        host->target.getRecorder().clear();
        return host->target.renderToPNG(path);
    }

    int size;
    TControlBench bench;
    TTestHost* host = nullptr;
    CFrame* frame = nullptr;
};
}  // namespace

TEST(Gallery, EveryControlInEveryStateAtTheFourSizes) {
    const std::filesystem::path work = test_environment::makeTemporaryFolder("gallery");
    for (int size = 0; size < 4; ++size) {
        Gallery gallery(size);
        gallery.build();
        const std::string name = "gallery_" + std::to_string(PERCENT[size]) + ".png";
        const std::string rendered = (work / name).string();
        ASSERT_TRUE(gallery.render(rendered, 23));

        // The recorded texts of the "FX Path" fields read top to bottom in the order drawn.
        std::vector<std::string> stages;
        for (const auto& text : gallery.host->target.getRecorder().texts())
            if (text.text == "LOW-FI" || text.text == "MOD FX" || text.text == "DELAY" || text.text == "REVERB")
                stages.push_back(text.text);
        ASSERT_EQ(stages.size(), 12u);
        EXPECT_EQ(std::vector<std::string>(stages.begin(), stages.begin() + 4),
                  (std::vector<std::string>{"REVERB", "DELAY", "MOD FX", "LOW-FI"}));

        const auto compared = kgui::test::compareWithStored(rendered, "controls/" + name);
        if (!compared) continue;
        const kgui::test::ImageCompare& result = *compared;
        EXPECT_EQ(result.width, gallery.g(GALLERY_WIDTH)) << name;
        // Text rasterisation may shift by a shade between library versions;
        // a control misplaced, recoloured or missing changes far more.
        EXPECT_LT(result.fractionDifferent, 0.005) << name << " differs; rendered: " << rendered;
        EXPECT_LT(result.meanDifference, 1.5) << name << " differs; rendered: " << rendered;
    }
    if (!::testing::Test::HasFailure())
        std::filesystem::remove_all(work);
}
