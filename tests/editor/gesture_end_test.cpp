// A gesture that the editor's closing cuts short still ends: the host hears
// the end of every edit it heard begin, and a held preview lets its note go.
#include <algorithm>
#include <map>

#include "editor_test_host.h"
#include "controls/THSlider.h"
#include "controls/TKnob.h"
#include "controls/TLFOScreen.h"
#include "controls/TOptionMenu.h"

using namespace editor_test;

namespace {
class TPreviewPlugin : public TNotedPlugin {
public:
    void previewNoteOn() override {
        ++notesOn;
        TNotedPlugin::previewNoteOn();
    }
    void previewNoteReleased() override {
        ++notesReleased;
        TNotedPlugin::previewNoteReleased();
    }
    int notesOn = 0;
    int notesReleased = 0;
};

struct TPreviewBench : TEditorBench {
    TPreviewBench() : TEditorBench(0, true, [] { return std::unique_ptr<APlugin>(new TPreviewPlugin); }) {
        heardByHost = &heard;
    }
    ~TPreviewBench() { heardByHost = nullptr; }
    TPreviewPlugin& preview() { return static_cast<TPreviewPlugin&>(*plugin); }
    std::vector<std::string> heard;
};
}  // namespace

TEST(GestureEnd, TheEditorClosingMidGestureEndsItForTheHost) {
    struct Case {
        kgui::CControl* (*control)(uEditor&);
        bool springOn;
        const char* what;
    };
    const Case cases[] = {
        {[](uEditor& e) -> kgui::CControl* { return e.knobMainVolume; }, false, "a knob of the frame"},
        {[](uEditor& e) -> kgui::CControl* { return e.knobNoiseMix; }, false, "a knob of the source panel"},
        {[](uEditor& e) -> kgui::CControl* { return e.ribbonSlider; }, true,
         "the ribbon, whose spring lets go of it while it is held"},
        {[](uEditor& e) -> kgui::CControl* { return e.lfoScreen; }, false, "the Movement display"},
        {[](uEditor& e) -> kgui::CControl* { return e.previewButton; }, false, "the preview button"},
    };
    for (const Case& c : cases) {
        TPreviewBench bench;
        uEditor& e = *bench.editor;
        if (c.springOn) {
            bench.plugin->setSteppedValue(e.menuRibbonSpringTime->getTag(), 1);
            ASSERT_NE(bench.plugin->getRibbonSpringTime(), 0) << c.what;
        }
        bench.idle();  // the panels are filled
        kgui::CControl* control = c.control(e);
        ASSERT_NE(control, nullptr) << c.what;
        const kgui::CPoint start = centreOf(control);
        bench.heard.clear();
        bench.target.mouseDown(start);
        bench.target.mouseMoved(start - kgui::CPoint(2, 2), kgui::kLButton);  // still on it
        const bool began = control == e.previewButton ? bench.preview().notesOn == 1 : !bench.heard.empty();
        ASSERT_TRUE(began) << c.what;
        e.close();  // the host closes the window, the button still held

        std::map<std::string, int> open;
        for (const std::string& heard : bench.heard) {
            const std::string tag = heard.substr(heard.find(' ') + 1);
            if (heard.rfind("begin ", 0) == 0)
                ++open[tag];
            else if (heard.rfind("end ", 0) == 0)
                --open[tag];
        }
        for (const auto& [tag, count] : open)
            EXPECT_EQ(count, 0) << c.what << ": gestures of parameter " << tag << " left open";
        EXPECT_EQ(bench.preview().notesReleased, bench.preview().notesOn) << c.what << ": the preview note sounds on";
    }
}
