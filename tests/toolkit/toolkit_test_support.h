// Shared helpers of the toolkit tests: views that record what reaches them and
// a frame opened off screen.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <cairo.h>

#include "toolkit/kgui.h"

namespace kgui::test {

// Counts live instances so tests can see that a view was freed exactly when expected.
struct LifeCounter {
    static inline int alive = 0;
};

struct Event {
    std::string what;  // "down", "up", "moved", "wheel", "key"
    CPoint where;
    int32 buttons = 0;
    float distance = 0;
};

class ProbeView : public CView {
public:
    explicit ProbeView(const CRect& size, std::string name = "", CMouseEventResult downResult = kMouseEventHandled)
        : CView(size), name(std::move(name)), downResult(downResult) {
        ++LifeCounter::alive;
    }
    ~ProbeView() override { --LifeCounter::alive; }

    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override {
        events.push_back({"down", where, buttons});
        if (onDown)
            onDown(this);
        return downResult;
    }
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override {
        events.push_back({"up", where, buttons});
        if (onUp)
            onUp(this);
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override {
        events.push_back({"moved", where, buttons});
        return kMouseEventHandled;
    }
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override {
        events.push_back({"wheel", where, buttons, distance});
        return wheelResult;
    }
    void draw(CDrawContext* context) override {
        ++drawCount;
        context->setFillColor(color);
        context->drawRect(size, kDrawFilled);
        setDirty(false);
    }

    int count(const std::string& what) const {
        int n = 0;
        for (const auto& e : events)
            n += e.what == what;
        return n;
    }

    std::string name;
    CMouseEventResult downResult;
    bool wheelResult = true;
    std::vector<Event> events;
    std::function<void(ProbeView*)> onDown;
    std::function<void(ProbeView*)> onUp;
    CColor color{200, 0, 0, 255};
    int drawCount = 0;
};

class RecordingListener : public IControlListener {
public:
    void valueChanged(CControl* control) override {
        controls.push_back(control);
        values.push_back(control->getValue());
    }
    std::vector<CControl*> controls;
    std::vector<float> values;
};

// An editor without a plug-in that records the edit gestures reaching it.
class RecordingEditor : public AEffGUIEditor {
public:
    RecordingEditor() : AEffGUIEditor(nullptr) {}
    void beginEdit(int32 index) override {
        edits.push_back("begin " + std::to_string(index));
        AEffGUIEditor::beginEdit(index);
    }
    void endEdit(int32 index) override {
        edits.push_back("end " + std::to_string(index));
        AEffGUIEditor::endEdit(index);
    }
    CFrame* makeFrame(const CRect& rect) {
        frame = new CFrame(rect, this);
        return frame;
    }
    std::vector<std::string> edits;
};

// A frame of the given size open on an off-screen target.
// A view that draws whatever the test asks for.
class PaintView : public CView {
public:
    PaintView(const CRect& size, std::function<void(CDrawContext*, const CRect&)> paint)
        : CView(size), paint(std::move(paint)) {}
    void draw(CDrawContext* context) override {
        paint(context, size);
        setDirty(false);
    }
    std::function<void(CDrawContext*, const CRect&)> paint;
};

// An image of w x h whose upper half is `top` and lower half `bottom`.
inline cairo_surface_t* twoStateImage(int w, int h, CColor top, CColor bottom) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, top.red / 255.0, top.green / 255.0, top.blue / 255.0, top.alpha / 255.0);
    cairo_rectangle(cr, 0, 0, w, h / 2.0);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, bottom.red / 255.0, bottom.green / 255.0, bottom.blue / 255.0, bottom.alpha / 255.0);
    cairo_rectangle(cr, 0, h / 2.0, w, h / 2.0);
    cairo_fill(cr);
    cairo_destroy(cr);
    return surface;
}

struct OffscreenFrame {
    explicit OffscreenFrame(const CRect& rect = CRect(0, 0, 200, 150), VSTGUIEditorInterface* editor = nullptr) {
        frame = new CFrame(rect, editor);
        frame->open(target.parentHandle());
    }
    ~OffscreenFrame() {
        if (frame)
            frame->close();
    }
    OffscreenTarget target;
    CFrame* frame = nullptr;
};

}  // namespace kgui::test
