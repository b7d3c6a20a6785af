// The ribbon: where clicks and drags put the value, the modifier clicks, the
// quantised handle positions, and the hand-over with the plug-in's spring,
// against the stand-in and against the plug-in itself.
#include <gtest/gtest.h>

#include "display_test_support.h"
#include "controls/DisplayLook.h"
#include "controls/THSlider.h"
#include "editor/EditorBitmaps.h"
#include "engine/ModTables.h"

using namespace kgui;

namespace {
constexpr int RIBBON = 123;
constexpr int SPRING_TIME = 125;
constexpr int QUANTISE = 126;
const CRect STRIP(30, 10, 841, 30);  // the 100 % ribbon, moved up into a small frame
constexpr double Y = 20;

struct RibbonBench : TDisplayBench<TDisplayServices> {
    explicit RibbonBench(bool centred = true) : TDisplayBench(CRect(0, 0, 900, 60)) {
        slider = host.add(new THSlider(STRIP, &host, RIBBON, 0, centred));
        slider->setValue(services.getParameter(RIBBON));
    }
    float value() { return services.getParameter(RIBBON); }
    THSlider* slider;
};
}  // namespace

TEST(Ribbon, TablesAndImagesAreTheEnginesAndTheEditors) {
    for (size_t i = 0; i < RIBBON_QUANT_DIVIDE.size(); ++i)
        EXPECT_EQ(THSlider::RIBBON_QUANT_DIVIDE[i], RIBBON_QUANT_DIVIDE[i]) << i;
    EXPECT_EQ(look::RIBBON_CENTRE_IMAGE, RIBBON_CENTRE_BITMAP);
    EXPECT_EQ(look::RIBBON_HANDLE_IMAGE, RIBBON_HANDLE_BITMAP);
    EXPECT_EQ(look::RIBBON_MOD_IMAGE, RIBBON_MOD_BITMAP);
    EXPECT_EQ(look::FOLDER_ICON_IMAGE, FOLDER_ICON_BITMAP);
    EXPECT_EQ(look::FILE_ICON_IMAGE, FILE_ICON_BITMAP);
}

TEST(Ribbon, ClicksPutTheValueWhereThePointerIs) {
    RibbonBench bench;
    // Half a handle (16 pixels at 100 %) stays free at each end: the track runs 46..825.
    ASSERT_EQ(bench.slider->getTrackLeft(), 46);
    ASSERT_EQ(bench.slider->getTrackLength(), 779);
    struct Case {
        double x;
        float expected;
        const char* why;
    } cases[] = {
        {46, 0, "the track's left end"},
        {825, 1, "its right end"},
        {33, 0, "the free zone at the left clamps"},
        {839, 1, "the free zone at the right clamps"},
        {46 + 779 * 0.25, 0.25f, "a quarter of the track, however the ribbon is centred"},
    };
    for (const Case& c : cases) {
        bench.click(CPoint(c.x, Y));
        EXPECT_NEAR(bench.value(), c.expected, 1e-6) << c.why;
        EXPECT_EQ(bench.slider->getValue(), bench.value()) << c.why;
    }
}

TEST(Ribbon, ModifierClicksAndShiftDrags) {
    struct Case {
        bool centred;
        CButtonState buttons;
        float expected;
        const char* why;
    } cases[] = {
        {true, kLButton | kControl, 0.5f, "Ctrl on a centred ribbon: the middle"},
        {false, kLButton | kControl, 0.0f, "Ctrl on a unipolar ribbon: the left end"},
        {true, kLButton | kControl | kShift, 0.3f, "Ctrl+Shift: the loaded program's value"},
    };
    for (const Case& c : cases) {
        RibbonBench bench(c.centred);
        bench.services.setOrigValue(RIBBON, 0.3f);
        bench.services.put(RIBBON, 0.9f);
        bench.click(CPoint(500, Y), c.buttons);
        EXPECT_FLOAT_EQ(bench.value(), c.expected) << c.why;
    }

    RibbonBench bench;
    bench.slider->setDefaultValue(0.25f);
    bench.doubleClick(CPoint(600, Y));
    EXPECT_FLOAT_EQ(bench.value(), 0.25f) << "a double click sets the default";
    bench.click(CPoint(600, Y), kLButton | kAlt);
    EXPECT_TRUE(bench.services.called("typed 123"));
    EXPECT_FLOAT_EQ(bench.value(), 0.25f) << "Alt asks for a typed value and moves nothing";
    bench.click(CPoint(600, Y), kRButton);
    EXPECT_TRUE(bench.host.logged("showMIDIMenu 123 ribbon"));

    // Shift moves the value by 1/20 of the pointer's travel along the track.
    bench.drag(CPoint(200, Y), CPoint(300, Y), kLButton | kShift);
    EXPECT_NEAR(bench.value(), (200.0 - 46) / 779 + 100.0 / 779 / 20, 1e-6);
    bench.drag(CPoint(200, Y), CPoint(300, Y));
    EXPECT_NEAR(bench.value(), (300.0 - 46) / 779, 1e-6);
}

TEST(Ribbon, HandlesSnapToTheQuantisationWhileTheValueDoesNot) {
    RibbonBench bench;
    bench.services.setSteppedValue(QUANTISE, 5);  // divider 11
    // Centred, the -1..1 range snaps to multiples of 1/11.
    EXPECT_EQ(bench.slider->handleX(0.5f), 46 + static_cast<int>(0.5 * 779));
    EXPECT_EQ(bench.slider->handleX(0.8f), 46 + static_cast<int>((7.0f / 11 / 2 + 0.5f) * 779.0f));
    bench.click(CPoint(46 + 779 * 0.8, Y));
    EXPECT_NEAR(bench.value(), 0.8f, 1e-6);

    RibbonBench unipolar(false);
    unipolar.services.setSteppedValue(QUANTISE, 5);
    EXPECT_EQ(unipolar.slider->handleX(0.5f), 46 + static_cast<int>(6.0f / 11 * 779.0f));

    // The value handle is drawn centred on its snapped x, the modulation
    // handle behind it, the centre mark only on a centred ribbon.
    bench.slider->setModValue(-0.5f, 7);
    std::vector<int> images;
    for (const DrawOp& op : bench.draw()) {
        if (op.kind != DrawOp::kBitmap)
            continue;
        images.push_back(op.bitmapId);
        if (op.bitmapId == RIBBON_HANDLE_BITMAP) {
            EXPECT_EQ(op.rect.getCenter().x, bench.slider->handleX(0.8f));
        }
    }
    EXPECT_EQ(images, (std::vector<int>{RIBBON_CENTRE_BITMAP, RIBBON_MOD_BITMAP, RIBBON_HANDLE_BITMAP}));
    EXPECT_FLOAT_EQ(bench.slider->getModDisplay(), 0.25f) << "-0.5 of the bipolar range";
    bench.slider->setModValue(0.9f, 7);
    EXPECT_FLOAT_EQ(bench.slider->getModDisplay(), 0.25f) << "a second call with the same stamp changes nothing";
}

TEST(Ribbon, TheSpringLetsGoWhileHeldAndIsFollowedAfterwards) {
    RibbonBench bench;
    bench.services.setSteppedValue(SPRING_TIME, 3);
    // A screen shown puts the stored value on the ribbon: nothing moved, so
    // the follower takes it without an edit (a host in touch mode would
    // take one for the user's).
    bench.services.put(RIBBON, 0.3f);
    bench.slider->setValue(0.3f);
    bench.hostLog.clear();
    bench.slider->setCurValue();
    EXPECT_EQ(bench.hostLog, std::vector<std::string>{}) << "the value the ribbon shows already";
    bench.press(CPoint(600, Y));
    EXPECT_TRUE(bench.services.called("setRibbbonSpringOff"));
    const float held = bench.value();
    bench.services.put(RIBBON, 0.1f);
    bench.slider->setCurValue();
    EXPECT_EQ(bench.slider->getValue(), held) << "nothing is taken over during a drag";
    bench.host.target.mouseUp(CPoint(600, Y));
    EXPECT_TRUE(bench.services.called("setRibbonSpringOn"));
    ASSERT_GE(bench.hostLog.size(), 2u);
    EXPECT_EQ(bench.hostLog.front(), "begin 123");
    EXPECT_EQ(bench.hostLog.back(), "end 123");

    bench.slider->setCurValue();
    EXPECT_FLOAT_EQ(bench.slider->getValue(), 0.1f) << "the spring's value is taken over";
    bench.services.put(RIBBON, 0.102f);
    bench.slider->setCurValue();
    EXPECT_FLOAT_EQ(bench.slider->getValue(), 0.1f) << "steps under 0.003 are not";

    bench.host.target.wheel(CPoint(600, Y), 1, kShift);
    bench.host.target.wheel(CPoint(600, Y), -1);
    EXPECT_TRUE(bench.services.called("changeDelta 123 1 fine"));
    EXPECT_TRUE(bench.services.called("changeDelta 123 -1"));
}

// The plug-in's own spring ("Instant"): released off-centre, the audio
// thread takes the ribbon back to the middle, and the slider follows.
TEST(Ribbon, ThePluginsSpringTakesTheRibbonBack) {
    RibbonBench bench;
    bench.services.setSteppedValue(SPRING_TIME, 1);
    bench.services.put(124, 1);
    bench.click(CPoint(46 + 779 * 0.9, Y));
    EXPECT_NEAR(bench.value(), 0.9f, 1e-3);
    bench.services.render(20);
    EXPECT_FLOAT_EQ(bench.value(), 0.5f);
    bench.slider->setCurValue();
    EXPECT_FLOAT_EQ(bench.slider->getValue(), 0.5f);
}
