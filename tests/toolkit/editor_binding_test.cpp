// The editor binding: window rectangle, open and close, keys and wheel from
// the host path.
#include <gtest/gtest.h>

#include "toolkit_test_support.h"

using namespace kgui;
using namespace kgui::test;

namespace {
class TestEditor : public RecordingEditor {
public:
    TestEditor() {
        rect.left = 0;
        rect.top = 0;
        rect.right = 1132;
        rect.bottom = 779;
    }
    // Builds the frame the way the plug-in's editor does, then empties and
    // drops it the same way on close before the base closes the window.
    bool open(void* parent) override {
        AEffGUIEditor::open(parent);
        makeFrame(CRect(0, 0, 1132, 779));
        frame->open(parent);
        frame->addView(view = new ProbeView(CRect(10, 10, 50, 50)));
        view->remember();  // the editor's own reference, released at close
        return true;
    }
    void close() override {
        if (frame) {
            frame->removeAll(false);
            frame = nullptr;
        }
        if (view) {
            view->forget();  // the container let go without forgetting
            view->forget();
            view = nullptr;
        }
        AEffGUIEditor::close();
    }
    ProbeView* view = nullptr;
};
}  // namespace

TEST(EditorBinding, RectOpenCloseAndReopen) {
    LifeCounter::alive = 0;
    TestEditor editor;
    vst::ERect* rect = nullptr;
    ASSERT_TRUE(editor.getRect(&rect));
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, 1132);
    EXPECT_EQ(rect->bottom, 779);
    EXPECT_FALSE(editor.getRect(nullptr));
    EXPECT_FALSE(editor.isOpen());
    EXPECT_EQ(editor.getEffect(), nullptr);

    for (int round = 0; round < 2; ++round) {
        OffscreenTarget target;
        ASSERT_TRUE(editor.open(target.parentHandle()));
        EXPECT_TRUE(editor.isOpen());
        ASSERT_NE(target.getFrame(), nullptr);
        EXPECT_EQ(target.getFrame()->getEditor(), &editor);
        EXPECT_EQ(editor.view->getEditor(), &editor) << "views reach the editor through the frame";
        EXPECT_EQ(LifeCounter::alive, 1);
        editor.close();
        EXPECT_FALSE(editor.isOpen());
        EXPECT_EQ(target.getFrame(), nullptr) << "the base close released the frame";
        EXPECT_EQ(LifeCounter::alive, 0);
    }
    // Closing twice, and closing without opening, are harmless.
    editor.close();
}

TEST(EditorBinding, HostKeysWheelAndEditsReachTheFrame) {
    TestEditor editor;
    OffscreenTarget target;
    editor.open(target.parentHandle());
    struct Hook : IKeyboardHook {
        int32 onKeyDown(const VstKeyCode& code, CFrame*) override { return code.virt == vst::VKEY_PAGEUP ? 1 : -1; }
        int32 onKeyUp(const VstKeyCode&, CFrame*) override { return -1; }
    } hook;
    editor.getFrame()->registerKeyboardHook(&hook);
    VstKeyCode pageUp{0, vst::VKEY_PAGEUP, 0};
    VstKeyCode other{'x', 0, 0};
    EXPECT_TRUE(editor.onKeyDown(pageUp));
    EXPECT_FALSE(editor.onKeyDown(other)) << "not used: the host may use it";
    EXPECT_FALSE(editor.onKeyUp(other));

    // The host's wheel goes to the view under the last pointer position, with
    // the buttons and keys held (off screen, where no window system can be
    // asked, those of the last pointer event).
    target.mouseMoved({20, 20});
    EXPECT_TRUE(editor.onWheel(1.0f));
    EXPECT_EQ(editor.view->count("wheel"), 1);
    target.mouseMoved({21, 20}, kShift);
    editor.onWheel(1.0f);
    EXPECT_EQ(editor.view->events.back().buttons, kShift) << "Shift: the fine step";
    target.click({21, 20}, kLButton | kAlt);
    editor.onWheel(1.0f);
    EXPECT_EQ(editor.view->events.back().buttons, kAlt) << "the button let go, the key still held";
    EXPECT_EQ(editor.view->count("wheel"), 3);

    // Without a plug-in the edits stop at the editor.
    editor.beginEdit(5);
    editor.endEdit(5);
    EXPECT_EQ(editor.edits, (std::vector<std::string>{"begin 5", "end 5"}));

    // idle redraws what is dirty.
    editor.view->setDirty(true);
    int before = editor.view->drawCount;
    editor.idle();
    EXPECT_EQ(editor.view->drawCount, before + 1);

    EXPECT_TRUE(editor.setKnobMode(kCircularMode));
    EXPECT_EQ(editor.getKnobMode(), kCircularMode);
    editor.setKnobMode(kLinearMode);
    EXPECT_EQ(CFrame::kDefaultKnobMode, kLinearMode);
    editor.getFrame()->unregisterKeyboardHook(&hook);
    editor.close();
}

TEST(EditorBinding, FrameWithoutTargetStillDrawsOffScreen) {
    // No window system yet: a frame opened on an unknown parent draws into
    // its own surface, so the editor works headless.
    TestEditor editor;
    editor.open(reinterpret_cast<void*>(0x1234));
    ASSERT_NE(editor.getFrame(), nullptr);
    EXPECT_TRUE(editor.getFrame()->isOpen());
    editor.getFrame()->drawAll();
    editor.close();
}

TEST(EditorBinding, FrameLeftBehindByASubclassIsReleasedAtTheNextOpening) {
    // An editor whose close empties the frame and forgets its pointer without
    // calling the base close.
    class ForgetfulEditor : public TestEditor {
    public:
        void close() override {
            frame->removeAll(false);
            frame = nullptr;
            view->forget();
            view->forget();
            view = nullptr;
            systemWindow = nullptr;
        }
    };
    LifeCounter::alive = 0;
    ForgetfulEditor editor;
    OffscreenTarget first;
    editor.open(first.parentHandle());
    editor.close();
    EXPECT_NE(first.getFrame(), nullptr) << "still there until the next opening";
    OffscreenTarget second;
    editor.open(second.parentHandle());
    EXPECT_EQ(first.getFrame(), nullptr) << "released when the editor opens again";
    EXPECT_NE(second.getFrame(), nullptr);
    editor.close();
    EXPECT_EQ(LifeCounter::alive, 0);
}  // the editor's destructor releases the second frame

TEST(Geometry, PointInsideIncludesEdgesHitTestingDoesNot) {
    const CRect r(10, 20, 30, 40);
    struct Case {
        CPoint p;
        bool inside;
        bool pixel;
    };
    const Case cases[] = {
        {{10, 20}, true, true}, {{30, 40}, true, false}, {{29.9, 39.9}, true, true},
        {{30, 25}, true, false}, {{9.9, 25}, false, false}, {{20, 40.1}, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(r.pointInside(c.p), c.inside) << c.p.x << "," << c.p.y;
        EXPECT_EQ(r.containsPixel(c.p), c.pixel) << c.p.x << "," << c.p.y;
    }
    EXPECT_EQ(CRect(r).offset(5, -5), CRect(15, 15, 35, 35));
    EXPECT_EQ(CRect(r).inset(2, 3), CRect(12, 23, 28, 37));
    EXPECT_EQ(CRect(r).moveTo(0, 0), CRect(0, 0, 20, 20));
    EXPECT_EQ(CRect(r).bound(CRect(0, 0, 15, 100)), CRect(10, 20, 15, 40));
    EXPECT_TRUE(CRect(r).bound(CRect(50, 50, 60, 60)).isEmpty());
    EXPECT_EQ(CRect().unite(r), r);
    EXPECT_EQ(r.getWidth(), 20);
    EXPECT_EQ(r.getHeight(), 20);
}
