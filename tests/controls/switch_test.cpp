// Switches and buttons: the on/off switch, the radio button and the kick
// button in its six kinds, clicked and drawn through the frame.
#include <gtest/gtest.h>

#include <cairo.h>

#include "control_test_support.h"
#include "controls/ControlLook.h"
#include "controls/TKickButton.h"
#include "controls/TMenuButton.h"
#include "controls/TOnOff.h"
#include "controls/TRadioButton.h"

using namespace kgui;

namespace {
constexpr int KEY_TRACK = 11;  // an on/off parameter
const CRect LED_RECT(10, 10, 30, 30);
const CPoint LED_CENTRE(20, 20);

std::vector<DrawOp> ellipses(TControlBench& bench) { return bench.drawn(DrawOp::kEllipse); }
}  // namespace

// Every click toggles, whatever the button or modifier; each is reported and
// reaches the host as a bracketed automation. A bypassed or invisible switch
// ignores clicks, and a listener that claims a modifier click stops it.
TEST(OnOff, ClicksToggle) {
    TControlBench bench;
    auto* sw = bench.host->add(new TOnOff(LED_RECT, bench.host, KEY_TRACK, nullptr, false, 0));
    sw->setValue(1);
    bench.click(LED_CENTRE);
    EXPECT_EQ(sw->getValue(), 0.0f);
    bench.click(LED_CENTRE, kRButton | kShift);
    EXPECT_EQ(sw->getValue(), 1.0f);
    EXPECT_EQ(bench.host->values, (std::vector<float>{0, 1}));
    EXPECT_EQ(bench.hostLog, (std::vector<std::string>{"begin 11", "automate 11 0", "end 11", "begin 11",
                                                                "automate 11 1", "end 11"}));
    EXPECT_EQ(bench.host->log, std::vector<std::string>{"modifierClick 16"}) << "the modifier click was offered first";

    bench.host->claimModifierClicks = 1;
    bench.click(LED_CENTRE, kLButton | kControl);
    EXPECT_EQ(sw->getValue(), 1.0f) << "a claimed modifier click does not toggle";
    bench.host->claimModifierClicks = 0;

    sw->setBypassed(true);
    bench.click(LED_CENTRE);
    EXPECT_EQ(sw->getValue(), 1.0f);
    sw->setBypassed(false);
    sw->setInvisible(true);
    bench.click(LED_CENTRE);
    EXPECT_EQ(sw->getValue(), 1.0f);
    EXPECT_EQ(bench.host->values.size(), 2u);
}

// 0.5 counts as off for the setters; a setter that changes nothing asks for no redraw.
TEST(OnOff, SettersCompareBeforeTheyRedraw) {
    TControlBench bench;
    auto* sw = bench.host->add(new TOnOff(LED_RECT, bench.host, KEY_TRACK, nullptr, false, 0));
    sw->setValue(0.5f);
    sw->setDirty(false);
    sw->setOff();
    EXPECT_EQ(sw->getValue(), 0.5f);
    EXPECT_FALSE(sw->isDirty());
    sw->setState(true);
    EXPECT_EQ(sw->getValue(), 1.0f);
    sw->setDirty(false);
    sw->setOn();
    sw->setState(true);
    sw->setBypassed(false);
    sw->setInvisible(false);
    EXPECT_FALSE(sw->isDirty());
}

// The LED's ring and dot per state; the bypass ends the inverted look for good.
TEST(OnOff, LedLooks) {
    struct Case {
        float value;
        bool inverted;
        bool bypassed;
        look::TLedColours expected;
        const char* why;
    } cases[] = {
        {0, false, false, look::LED_OFF, "off"},
        {1, false, false, look::LED_ON, "on"},
        {0.9f, false, false, look::LED_OFF, "drawn on only at exactly 1"},
        {0, true, false, look::LED_OFF_INVERTED, "off, inverted"},
        {1, true, false, look::LED_ON_INVERTED, "on, inverted"},
        {1, true, true, look::LED_BYPASSED, "bypassed over everything"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        auto* sw = bench.host->add(new TOnOff(LED_RECT, bench.host, KEY_TRACK, nullptr, false, 0));
        sw->setValue(c.value);
        if (c.inverted)
            sw->setInvert();
        sw->setBypassed(c.bypassed);
        auto drawn = ellipses(bench);
        ASSERT_EQ(drawn.size(), 2u) << c.why;
        // Ring inset int(0.1 w) = 2 and stroked 2 wide, dot inset int(0.25 w) = 5.
        EXPECT_EQ(drawn[0].rect, CRect(12, 12, 28, 28)) << c.why;
        EXPECT_EQ(drawn[0].style, kDrawStroked);
        EXPECT_EQ(drawn[0].lineWidth, 2);
        EXPECT_EQ(drawn[0].frameColor, c.expected.ring) << c.why;
        EXPECT_EQ(drawn[1].rect, CRect(15, 15, 25, 25)) << c.why;
        EXPECT_EQ(drawn[1].fillColor, c.expected.dot) << c.why;
        EXPECT_EQ(drawn[1].lineWidth, 1);
    }
    TControlBench bench;
    auto* sw = bench.host->add(new TOnOff(LED_RECT, bench.host, KEY_TRACK, nullptr, false, 0));
    sw->setInvert();
    sw->setBypassed(true);
    sw->setBypassed(false);
    EXPECT_EQ(ellipses(bench)[0].frameColor, look::LED_OFF.ring);
}

// A bitmap switch shows the lower half of its image when on, at alpha 64 when bypassed.
TEST(OnOff, BitmapSwitch) {
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 20, 40);
    auto* bitmap = new CBitmap(image);
    cairo_surface_destroy(image);
    TControlBench bench;
    auto* sw = bench.host->add(new TOnOff(LED_RECT, bench.host, KEY_TRACK, bitmap, true, 0));
    bitmap->forget();
    auto bitmapOp = [&] {
        for (const auto& op : bench.draw())
            if (op.kind == DrawOp::kBitmap)
                return op;
        return DrawOp{};
    };
    sw->setValue(1);
    EXPECT_EQ(bitmapOp().bitmapOffset, CPoint(0, 20));
    EXPECT_DOUBLE_EQ(bitmapOp().alpha, 1.0);
    sw->setBypassed(true);
    EXPECT_EQ(bitmapOp().bitmapOffset, CPoint(0, 20));
    EXPECT_NEAR(bitmapOp().alpha, 64 / 255.0, 1e-6);
    sw->setValue(0);
    EXPECT_EQ(bitmapOp().bitmapOffset, CPoint(0, 0));
}

// A click switches a radio button on and reports it; on, it stays as it is.
// The wheel goes to the editor's radio groups and changes nothing here.
TEST(RadioButton, ClickOnlySwitchesOn) {
    TControlBench bench;
    auto* radio = bench.host->add(new TRadioButton(LED_RECT, bench.host, 3, 1));
    EXPECT_EQ(radio->getTag(), NO_PARAM_TAG);
    bench.click(LED_CENTRE, kRButton);
    EXPECT_EQ(radio->getValue(), 1.0f);
    bench.click(LED_CENTRE);
    EXPECT_EQ(radio->getValue(), 1.0f);
    EXPECT_EQ(bench.host->reports.size(), 1u);
    EXPECT_TRUE(bench.host->target.wheel(LED_CENTRE, 1));
    EXPECT_TRUE(bench.host->target.wheel(LED_CENTRE, -1));
    EXPECT_EQ(bench.host->log, (std::vector<std::string>{"changeRadioDelta 3 -1", "changeRadioDelta 3 1"}));
    EXPECT_EQ(radio->getValue(), 1.0f);
    EXPECT_EQ(ellipses(bench)[1].fillColor, look::LED_ON.dot);
    EXPECT_TRUE(bench.hostLog.empty()) << "a radio button stands for no parameter";
}

// Press, drag out, back in and release: 1 on the press, 0 on leaving, 1 on
// coming back, and 0 at the release however it ends. The gesture of a button
// without a parameter reaches the editor but never the host.
TEST(KickButton, PressDragOutBackAndRelease) {
    TControlBench bench;
    auto* button = bench.host->add(new TKickButton(CRect(10, 10, 40, 30), bench.host, "GO", TKickButton::kText));
    bench.press(CPoint(20, 20));
    bench.move(CPoint(40, 30));  // the edges belong to the button
    bench.move(CPoint(41, 20));
    bench.move(CPoint(60, 20));  // still outside: nothing new
    bench.move(CPoint(25, 15));
    bench.release(CPoint(25, 15));
    EXPECT_EQ(bench.host->values, (std::vector<float>{1, 0, 1, 0}));

    bench.host->values.clear();
    bench.press(CPoint(20, 20));
    bench.move(CPoint(80, 80));
    bench.release(CPoint(80, 80));
    EXPECT_EQ(bench.host->values, (std::vector<float>{1, 0, 0}));
    EXPECT_EQ(button->getValue(), 0.0f);

    EXPECT_TRUE(bench.hostLog.empty());
    EXPECT_EQ(bench.host->editTags, (std::vector<int>{NO_PARAM_TAG, -1, NO_PARAM_TAG, -1}));

    button->setBypassed(true);
    bench.host->values.clear();
    bench.click(CPoint(20, 20));
    bench.click(CPoint(20, 20), kRButton);
    EXPECT_TRUE(bench.host->values.empty()) << "bypassed buttons ignore presses";
    button->setBypassed(false);
    bench.click(CPoint(20, 20), kRButton);
    EXPECT_TRUE(bench.host->values.empty()) << "only the left button presses";
}

// What each kind draws: the LED lit by value or always-on, the label in the
// size's font, the arrows as triangles; bypassed in the dimmed colours.
TEST(KickButton, KindsDraw) {
    TControlBench bench;
    auto* led = bench.host->add(new TKickButton(LED_RECT, bench.host, "", TKickButton::kLed));
    led->setAlwaysOn(true);
    auto* text = bench.host->add(new TKickButton(CRect(50, 10, 110, 30), bench.host, "MANUAL", TKickButton::kText));
    auto* left = bench.host->add(new TKickButton(CRect(120, 10, 140, 30), bench.host, "", TKickButton::kLeftArrow));
    bench.host->add(new TKickButton(CRect(150, 10, 170, 30), bench.host, "", TKickButton::kDoubleLeftArrow));
    bench.host->add(new TKickButton(CRect(180, 10, 200, 30), bench.host, "", TKickButton::kRightArrow));
    bench.host->add(new TKickButton(CRect(210, 10, 230, 30), bench.host, "", TKickButton::kDoubleRightArrow));
    std::vector<DrawOp> polygons;
    const DrawOp* label = nullptr;
    std::vector<DrawOp> leds;
    for (const auto& op : bench.draw()) {
        if (op.kind == DrawOp::kPolygon)
            polygons.push_back(op);
        if (op.kind == DrawOp::kEllipse)
            leds.push_back(op);
        if (op.kind == DrawOp::kText)
            label = &op;
    }
    ASSERT_EQ(leds.size(), 2u);
    EXPECT_EQ(leds[1].fillColor, look::LED_ON.dot) << "always on: lit at value 0";
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text, "MANUAL");
    EXPECT_EQ(label->align, kCenterText);
    EXPECT_EQ(label->fontSize, 9);
    EXPECT_EQ(label->fontColor, look::TEXT_COLOR);
    // 20 by 20: aw = int(20 / 2.5) = 8, ah = int(10 - 4) = 6, hw = 10, off = 5;
    // each triangle its tip, then its base corners.
    ASSERT_EQ(polygons.size(), 6u);
    EXPECT_EQ(polygons[0].points, (std::vector<CPoint>{{125, 20}, {133, 26}, {133, 14}}));
    EXPECT_EQ(polygons[2].points, (std::vector<CPoint>{{161, 20}, {169, 26}, {169, 14}})) << "second of a double";
    EXPECT_EQ(polygons[5].points, (std::vector<CPoint>{{218, 20}, {210, 26}, {210, 14}}));
    EXPECT_EQ(polygons[0].fillColor, look::TEXT_COLOR);

    text->setBypassed(true);
    left->setBypassed(true);
    led->setBypassed(true);
    for (const auto& op : bench.draw()) {
        if (op.kind == DrawOp::kText) {
            EXPECT_EQ(op.fontColor, look::TEXT_BYPASSED_COLOR);
        }
        if (op.kind == DrawOp::kEllipse) {
            EXPECT_EQ(op.fillColor, look::LED_BYPASSED.dot);
        }
    }
    for (const auto& op : bench.draw())
        if (op.kind == DrawOp::kPolygon) {
            EXPECT_EQ(op.fillColor, look::TEXT_BYPASSED_COLOR) << "the first arrow, dimmed";
            break;
        }

    text->setDirty(false);
    text->setLabel("MANUAL");
    led->setAlwaysOn(true);
    EXPECT_FALSE(text->isDirty());
    text->setLabel("HELP");
    EXPECT_TRUE(text->isDirty());
}

// Every LED is a ring and a dot inside its own rectangle, at every size: no
// socket or other mark beyond it (the background picture paints a socket only
// where an LED is always shown), and its redraws cover just that rectangle.
// A control without the LED look draws no ellipse at all.
TEST(LedLook, EveryLedDrawsOnlyItsRingAndDotInsideItsRectangle) {
    enum Kind { kOnOff, kRadio, kKick, kMenu, kBitmapOnOff, kTextKick, kBoxedMenu };
    struct Case {
        Kind kind;
        int screenSize;
        CRect rect;
        CRect ring;  // empty: no LED
        CRect dot;
        const char* why;
    } cases[] = {
        {kOnOff, 0, CRect(10, 10, 23, 23), CRect(11, 11, 22, 22), CRect(13, 13, 20, 20), "100 %: 13 wide, insets 1 and 3"},
        {kOnOff, 1, CRect(10, 10, 26, 26), CRect(11, 11, 25, 25), CRect(14, 14, 22, 22), "125 %: 16 wide, insets 1 and 4"},
        {kOnOff, 2, CRect(10, 10, 29, 29), CRect(11, 11, 28, 28), CRect(14, 14, 25, 25), "150 %: 19 wide, insets 1 and 4"},
        {kOnOff, 3, CRect(10, 10, 36, 36), CRect(12, 12, 34, 34), CRect(16, 16, 30, 30), "200 %: 26 wide, insets 2 and 6"},
        {kOnOff, 3, CRect(0, 10, 26, 36), CRect(2, 12, 24, 34), CRect(6, 16, 20, 30), "at its container's edge"},
        {kRadio, 0, CRect(10, 10, 23, 23), CRect(11, 11, 22, 22), CRect(13, 13, 20, 20), "a radio button"},
        {kKick, 2, CRect(10, 10, 29, 29), CRect(11, 11, 28, 28), CRect(14, 14, 25, 25), "an LED button"},
        {kMenu, 1, CRect(10, 10, 26, 26), CRect(11, 11, 25, 25), CRect(14, 14, 22, 22), "an LED menu button"},
        {kBitmapOnOff, 0, CRect(10, 10, 23, 23), CRect(), CRect(), "a two-state image"},
        {kTextKick, 0, CRect(10, 10, 60, 23), CRect(), CRect(), "a text button"},
        {kBoxedMenu, 0, CRect(10, 10, 130, 23), CRect(), CRect(), "a field"},
    };
    for (const Case& c : cases) {
        TControlBench bench;
        bench.host->big = c.screenSize;
        CView* view = nullptr;
        switch (c.kind) {
        case kOnOff: view = bench.host->add(new TOnOff(c.rect, bench.host, KEY_TRACK, nullptr, false, 0)); break;
        case kRadio: view = bench.host->add(new TRadioButton(c.rect, bench.host, 0, 0)); break;
        case kKick: view = bench.host->add(new TKickButton(c.rect, bench.host, "", TKickButton::kLed)); break;
        case kMenu: view = bench.host->add(new TMenuButton(c.rect, bench.host, "", 1, true, false)); break;
        case kBitmapOnOff: view = bench.host->add(new TOnOff(c.rect, bench.host, KEY_TRACK, nullptr, true, 0)); break;
        case kTextKick: view = bench.host->add(new TKickButton(c.rect, bench.host, "ON", TKickButton::kText)); break;
        case kBoxedMenu: view = bench.host->add(new TMenuButton(c.rect, bench.host, "1/4", 2, false, true)); break;
        }
        EXPECT_EQ(view->getDrawArea(), c.rect) << c.why;
        const std::vector<DrawOp> drawn = ellipses(bench);
        if (c.ring.isEmpty()) {
            EXPECT_TRUE(drawn.empty()) << c.why;
            continue;
        }
        ASSERT_EQ(drawn.size(), 2u) << c.why;
        EXPECT_EQ(drawn[0].rect, c.ring) << c.why;
        EXPECT_EQ(drawn[0].style, kDrawStroked) << c.why;
        EXPECT_EQ(drawn[1].rect, c.dot) << c.why;
        EXPECT_EQ(drawn[1].style, kDrawFilled) << c.why;
        for (const DrawOp& op : bench.draw())
            EXPECT_TRUE(op.rect.isEmpty() || (op.rect.left >= c.rect.left && op.rect.top >= c.rect.top &&
                                              op.rect.right <= c.rect.right && op.rect.bottom <= c.rect.bottom))
                << c.why << ": something drawn beyond the LED's rectangle";
    }
}
