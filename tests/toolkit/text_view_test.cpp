// What the text views and plain controls draw, read through the recorder.
#include <gtest/gtest.h>

#include <cairo.h>

#include "toolkit_test_support.h"

using namespace kgui;
using namespace kgui::test;

TEST(TextViews, LabelsDisplaysAndMenusDrawWhatTheirStyleSays) {
    OffscreenFrame f(CRect(0, 0, 300, 200));
    auto* label = new CTextLabel(CRect(10, 10, 110, 24), "0123");
    label->setFont(kNormalFontSmall);
    label->setFontColor(CColor(55, 208, 255, 63));
    label->setHoriAlign(kLeftText);
    label->setTransparency(true);
    auto* boxed = new CTextLabel(CRect(10, 30, 110, 44), "BOX");
    boxed->setBackColor(CColor(14, 44, 52, 255));
    auto* display = new CParamDisplay(CRect(10, 50, 110, 64));
    display->setValue(0.25f);
    auto* hidden = new COptionMenu(CRect(10, 70, 110, 84), nullptr, 9999, nullptr, nullptr, 272);
    hidden->addEntry("Invisible");
    hidden->setValue(0);
    auto* shown = new COptionMenu(CRect(10, 90, 110, 104), nullptr, 9999, nullptr, nullptr, 256);
    shown->addEntry("Chorus");
    shown->addEntry("Flanger");
    shown->setValue(1);
    for (CView* view : std::initializer_list<CView*>{label, boxed, display, hidden, shown})
        f.frame->addView(view);
    f.target.renderAll();
    const DrawRecorder& recorder = f.target.getRecorder();

    const DrawOp* text = recorder.findText("0123");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->fontColor, CColor(55, 208, 255, 63));
    EXPECT_EQ(text->fontSize, 11);
    EXPECT_EQ(text->align, kLeftText);
    EXPECT_EQ(f.target.getPixel(100, 12), CColor(0, 0, 0, 255)) << "a transparent label draws no box";
    EXPECT_EQ(f.target.getPixel(60, 30), CColor(0, 0, 0, 255)) << "the outline in the default frame colour, black";
    EXPECT_EQ(f.target.getPixel(60, 31), CColor(14, 44, 52, 255));
    EXPECT_EQ(f.target.getPixel(100, 40), CColor(14, 44, 52, 255)) << "an opaque label fills its box";
    EXPECT_NE(recorder.findText("0.25"), nullptr) << "a display shows its value";
    EXPECT_EQ(recorder.findText("Invisible"), nullptr) << "style 16: the menu draws nothing";
    EXPECT_NE(recorder.findText("Flanger"), nullptr) << "a drawing menu shows its current entry";

    // Changing the text marks the label for a redraw; the same text does not.
    label->setDirty(false);
    label->setText("0123");
    EXPECT_FALSE(label->isDirty());
    label->setText("456");
    EXPECT_TRUE(label->isDirty());
    f.target.getRecorder().clear();
    f.target.idle();
    EXPECT_NE(f.target.getRecorder().findText("456"), nullptr);
    EXPECT_EQ(f.target.getRecorder().findText("Flanger"), nullptr) << "untouched views are not redrawn";
}

TEST(TextViews, AnimKnobPicksTheFrameForItsValue) {
    cairo_surface_t* strip = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 50);  // five frames of 10 px
    auto* bitmap = new CBitmap(strip);
    cairo_surface_destroy(strip);
    OffscreenFrame f;
    auto* knob = new CAnimKnob(CRect(0, 0, 10, 10), nullptr, 1, 5, 10, bitmap);
    bitmap->forget();
    f.frame->addView(knob);
    struct Case {
        float value;
        double offsetY;
    };
    for (const Case& c : {Case{0, 0}, Case{0.5f, 20}, Case{1, 40}, Case{0.9f, 40}, Case{0.1f, 0}}) {
        knob->setValue(c.value);
        f.target.getRecorder().clear();
        f.target.renderAll();
        ASSERT_FALSE(f.target.getRecorder().ops.empty());
        EXPECT_EQ(f.target.getRecorder().ops.back().bitmapOffset.y, c.offsetY) << c.value;
    }
}
