// Controls: value range, dirty tracking, edit gestures, kick button, knob
// wheel, text editing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "toolkit_test_support.h"

using namespace kgui;
using namespace kgui::test;

TEST(Control, ValueIsClampedAndDirtyTracksTheLastDrawnValue) {
    CControl control(CRect(0, 0, 10, 10), nullptr, 5);
    control.remember();
    struct Case {
        float in;
        float out;
    };
    for (const Case& c : {Case{0.25f, 0.25f}, Case{-3.0f, 0.0f}, Case{7.0f, 1.0f}, Case{std::nanf(""), 0.0f}}) {
        control.setValue(c.in);
        EXPECT_EQ(control.getValue(), c.out) << c.in;
    }

    control.setDirty(false);
    EXPECT_FALSE(control.isDirty());
    control.setValue(0.5f);
    EXPECT_TRUE(control.isDirty()) << "a value that differs from the drawn one is dirty";
    control.setDirty(false);
    EXPECT_FALSE(control.isDirty()) << "marking clean records the value";
    control.setDirty(true);
    EXPECT_TRUE(control.isDirty());
}

TEST(Control, EditGesturesReachTheEditorOnceAndOnlyForParameters) {
    RecordingEditor editor;
    OffscreenTarget target;
    CFrame* frame = editor.makeFrame(CRect(0, 0, 100, 100));
    frame->open(target.parentHandle());
    auto* param = new CControl(CRect(0, 0, 10, 10), nullptr, 41);
    auto* command = new CControl(CRect(10, 0, 20, 10), nullptr, 9999);
    frame->addView(param);
    frame->addView(command);

    param->beginEdit();
    param->beginEdit();  // nested: the host hears one gesture
    param->endEdit();
    param->endEdit();
    param->endEdit();  // unbalanced end: ignored
    command->beginEdit();
    command->endEdit();
    EXPECT_EQ(editor.edits, (std::vector<std::string>{"begin 41", "end 41", "begin 9999", "end 9999"}));

    // A control taken out mid-gesture closes its gesture.
    editor.edits.clear();
    param->beginEdit();
    frame->removeView(param, true);
    EXPECT_EQ(editor.edits, (std::vector<std::string>{"begin 41", "end 41"}));
    editor.close();
    EXPECT_EQ(target.getFrame(), nullptr);
}

TEST(KickButton, PressDragOutDragBackAndRelease) {
    RecordingEditor editor;
    OffscreenTarget target;
    CFrame* frame = editor.makeFrame(CRect(0, 0, 100, 100));
    frame->open(target.parentHandle());
    RecordingListener listener;
    auto* button = new CKickButton(CRect(20, 20, 40, 40), &listener, 9999, nullptr);
    frame->addView(button);

    struct Step {
        const char* action;
        CPoint where;
        std::vector<float> reportsSoFar;
        const char* why;
    };
    const Step steps[] = {
        {"down", {25, 25}, {1}, "press inside reports 1"},
        {"move", {30, 30}, {1}, "moving inside changes nothing"},
        {"move", {60, 30}, {1, 0}, "leaving reports 0"},
        {"move", {70, 70}, {1, 0}, "still outside"},
        {"move", {40, 40}, {1, 0, 1}, "the edges are inside: back to 1"},
        {"move", {41, 40}, {1, 0, 1, 0}, "just outside"},
        {"up", {90, 90}, {1, 0, 1, 0, 0}, "the release always reports 0"},
    };
    for (const auto& step : steps) {
        std::string action = step.action;
        if (action == "down")
            target.mouseDown(step.where, kLButton);
        else if (action == "move")
            target.mouseMoved(step.where, kLButton);
        else
            target.mouseUp(step.where, kLButton);
        EXPECT_EQ(listener.values, step.reportsSoFar) << step.why;
    }
    EXPECT_EQ(editor.edits, (std::vector<std::string>{"begin 9999", "end 9999"}));

    // Only the left button presses it.
    listener.values.clear();
    target.mouseDown({25, 25}, kRButton);
    EXPECT_TRUE(listener.values.empty());
}

TEST(KickButton, DrawsTheHalfOfItsImageThatMatchesTheValue) {
    OffscreenFrame f;
    cairo_surface_t* image = twoStateImage(20, 40, kRedCColor, kGreenCColor);
    auto* bitmap = new CBitmap(image);
    cairo_surface_destroy(image);

    RecordingListener listener;
    auto* button = new CKickButton(CRect(10, 10, 30, 30), &listener, 9999, bitmap);
    auto* invisible = new CKickButton(CRect(50, 10, 70, 30), &listener, 9999, nullptr);
    bitmap->forget();
    f.frame->addView(button);
    f.frame->addView(invisible);
    f.target.renderAll();
    EXPECT_EQ(f.target.getPixel(15, 15), CColor(255, 0, 0, 255)) << "released: the upper half";
    EXPECT_EQ(f.target.getPixel(55, 15), CColor(0, 0, 0, 255)) << "no image: nothing drawn";
    f.target.mouseDown({15, 15});
    f.target.idle();
    EXPECT_EQ(f.target.getPixel(15, 15), CColor(0, 255, 0, 255)) << "pressed: the lower half";
    f.target.mouseUp({15, 15});
    f.target.idle();
    EXPECT_EQ(f.target.getPixel(15, 15), CColor(255, 0, 0, 255));
}

TEST(KnobBase, WheelStepsTheValueWithinItsRange) {
    RecordingEditor editor;
    OffscreenTarget target;
    CFrame* frame = editor.makeFrame(CRect(0, 0, 100, 100));
    frame->open(target.parentHandle());
    RecordingListener listener;
    auto* knob = new CAnimKnob(CRect(0, 0, 40, 40), &listener, 7, 1, 40, nullptr);
    frame->addView(knob);
    knob->setValue(0.5f);

    struct Case {
        float distance;
        int32 buttons;
        float expected;
        const char* why;
    };
    const Case cases[] = {
        {1, 0, 0.51f, "one notch up: +0.01"},
        {-3, 0, 0.48f, "three notches down"},
        {1, kShift, 0.481f, "Shift: a tenth"},
        {500, 0, 1.0f, "clamped at the top"},
        {-500, 0, 0.0f, "clamped at the bottom"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(target.wheel({20, 20}, c.distance, c.buttons)) << c.why;
        EXPECT_NEAR(knob->getValue(), c.expected, 1e-5) << c.why;
    }
    EXPECT_EQ(listener.values.size(), 5u);
    EXPECT_EQ(editor.edits.size(), 10u) << "each step is one gesture for the host";

    // At the end of the range a further notch changes and reports nothing.
    EXPECT_TRUE(target.wheel({20, 20}, -1));
    EXPECT_EQ(listener.values.size(), 5u);
    knob->setMouseEnabled(false);
    EXPECT_FALSE(target.wheel({20, 20}, 1));
    editor.close();
}

TEST(OnOffButton, ClickTogglesAndReports) {
    OffscreenFrame f;
    RecordingListener listener;
    auto* button = new COnOffButton(CRect(0, 0, 20, 20), &listener, 3);
    f.frame->addView(button);
    EXPECT_EQ(f.target.click({5, 5}), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    f.target.click({5, 5});
    EXPECT_EQ(listener.values, (std::vector<float>{1, 0}));
}

namespace {
struct TextEditFixture : ::testing::Test {
    TextEditFixture() {
        edit = new CTextEdit(CRect(10, 10, 110, 30), &listener, 9999, "0123");
        f.frame->addView(edit);
        other = new ProbeView(CRect(150, 100, 190, 140));
        f.frame->addView(other);
    }
    OffscreenFrame f;
    RecordingListener listener;
    CTextEdit* edit;
    ProbeView* other;
};
}  // namespace

TEST_F(TextEditFixture, ReturnCommitsEscapeCancelsFocusLossCommits) {
    f.target.click({50, 20});
    ASSERT_TRUE(edit->isEditing());
    EXPECT_EQ(f.frame->getFocusView(), edit);
    f.target.keyDown(vst::VKEY_BACK);
    f.target.keyDown(0, '9');
    EXPECT_EQ(edit->getEditText(), "0129");
    EXPECT_EQ(edit->getText(), "0123") << "nothing is committed while typing";
    f.target.keyDown(vst::VKEY_RETURN);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(edit->getText(), "0129");
    ASSERT_EQ(listener.controls.size(), 1u);
    EXPECT_EQ(listener.controls[0], edit);
    EXPECT_EQ(f.frame->getFocusView(), nullptr);

    // Escape drops the typing and reports nothing.
    f.target.click({50, 20});
    f.target.keyDown(0, '5');
    f.target.keyDown(vst::VKEY_ESCAPE);
    EXPECT_EQ(edit->getText(), "0129");
    EXPECT_EQ(listener.controls.size(), 1u);

    // A click elsewhere ends editing and commits.
    f.target.click({50, 20});
    f.target.keyDown(vst::VKEY_HOME);
    f.target.keyDown(vst::VKEY_DELETE);
    f.target.keyDown(0, '7');
    f.target.click({160, 110});
    EXPECT_EQ(edit->getText(), "7129");
    EXPECT_EQ(listener.controls.size(), 2u);
    EXPECT_EQ(other->count("down"), 1);

    // So does looseFocus of the frame (called after every command menu).
    f.target.click({50, 20});
    f.target.keyDown(vst::VKEY_END);
    f.target.keyDown(0, '1');
    f.frame->looseFocus();
    EXPECT_EQ(edit->getText(), "71291");
    EXPECT_EQ(listener.controls.size(), 3u);

    // Enter commits like Return.
    f.target.click({50, 20});
    f.target.keyDown(vst::VKEY_LEFT);
    f.target.keyDown(vst::VKEY_BACK);
    f.target.keyDown(vst::VKEY_RIGHT);
    f.target.keyDown(vst::VKEY_ENTER);
    EXPECT_EQ(edit->getText(), "7121");
}

TEST_F(TextEditFixture, LengthLimitKeyboardHookFirstAndBoundedCopy) {
    f.target.click({50, 20});
    for (int i = 0; i < 30; ++i)
        f.target.keyDown(0, '1');
    EXPECT_EQ(edit->getEditText().size(), 15u);
    EXPECT_EQ(f.target.keyDown(vst::VKEY_F1), -1) << "keys the field has no use for are not used";

    // The keyboard hook hears every key before the focused field.
    struct Hook : IKeyboardHook {
        int32 onKeyDown(const VstKeyCode& code, CFrame*) override {
            seen.push_back(code.virt);
            return code.virt == vst::VKEY_UP ? 1 : -1;
        }
        int32 onKeyUp(const VstKeyCode&, CFrame*) override { return -1; }
        std::vector<int> seen;
    } hook;
    f.frame->registerKeyboardHook(&hook);
    EXPECT_EQ(f.target.keyDown(vst::VKEY_UP), 1);
    EXPECT_EQ(f.target.keyDown(vst::VKEY_RETURN), 1);
    EXPECT_EQ(hook.seen, (std::vector<int>{vst::VKEY_UP, vst::VKEY_RETURN}));
    EXPECT_EQ(edit->getText(), "0123" + std::string(11, '1')) << "Return passed the hook and reached the field";
    f.frame->unregisterKeyboardHook(&hook);
    EXPECT_EQ(f.target.keyDown(vst::VKEY_UP), -1);

    // getText(char*) copies at most 255 bytes and a zero.
    edit->setText(std::string(400, 'a'));
    char buffer[300];
    std::memset(buffer, '#', sizeof(buffer));
    edit->getText(buffer);
    EXPECT_EQ(std::strlen(buffer), 255u);
    EXPECT_EQ(buffer[256], '#');
    edit->setText("12");
    edit->getText(buffer);
    EXPECT_STREQ(buffer, "12");
}

TEST_F(TextEditFixture, RemovedWhileEditingReportsNothing) {
    f.target.click({50, 20});
    f.target.keyDown(0, '4');
    edit->remember();
    f.frame->removeView(edit, true);
    EXPECT_EQ(f.frame->getFocusView(), nullptr);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_TRUE(listener.controls.empty());
    EXPECT_EQ(f.target.keyDown(0, '5'), -1);
    edit->forget();
}
