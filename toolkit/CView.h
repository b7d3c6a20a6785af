// The view tree: every view's rectangle is in its parent's coordinates, a view
// draws with its own rectangle and receives mouse points in the same
// (parent) coordinates.
#pragma once

#include <map>
#include <vector>

#include "toolkit/CBase.h"
#include "vst/vst2_abi.h"

namespace kgui {

using vst::VstKeyCode;

class CBitmap;
class CDrawContext;
class CFrame;
class CViewContainer;
class IDropTarget;
class VSTGUIEditorInterface;

constexpr uint32 makeAttributeId(char a, char b, char c, char d) {
    return (uint32(uint8_t(a)) << 24) | (uint32(uint8_t(b)) << 16) | (uint32(uint8_t(c)) << 8) | uint32(uint8_t(d));
}
// The text a view shows as its tooltip, with its terminating zero.
constexpr uint32 kCViewTooltipAttribute = makeAttributeId('c', 'v', 't', 't');

struct GetViewOptions {
    bool deepFlag = false;
    bool mouseEnabledFlag = false;
    GetViewOptions& deep(bool state = true) {
        deepFlag = state;
        return *this;
    }
    GetViewOptions& mouseEnabled(bool state = true) {
        mouseEnabledFlag = state;
        return *this;
    }
};

class CView : public CBaseObject {
public:
    explicit CView(const CRect& size);
    ~CView() override;

    virtual void draw(CDrawContext* context);
    virtual CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons);
    // The gesture that this view's press began ends without its release: the
    // pointer was grabbed away, the view is leaving the tree, another press
    // came or the window is closing. What the press began (a host edit, a
    // sounding preview) ends here as the release would end it.
    virtual CMouseEventResult onMouseCancel();
    // distance: +1 per notch, positive when the wheel turns up or away.
    virtual bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons);
    // A turn on either axis: the vertical one goes to onWheel; a view that
    // scrolls sideways takes kMouseWheelAxisX here (+1 per notch to the right).
    virtual bool onMouseWheel(const CPoint& where, CMouseWheelAxis axis, const float& distance,
                              const CButtonState& buttons);
    // 1 = used, -1 = not used.
    virtual int32 onKeyDown(VstKeyCode& keyCode);
    virtual int32 onKeyUp(VstKeyCode& keyCode);
    virtual bool hitTest(const CPoint& where, const CButtonState& buttons = CButtonState());
    virtual IDropTarget* getDropTarget() { return nullptr; }

    const CRect& getViewSize() const { return size; }
    virtual void setViewSize(const CRect& rect, bool invalidate = true);
    double getWidth() const { return size.getWidth(); }
    double getHeight() const { return size.getHeight(); }

    // What the view paints, in its parent's coordinates: its rectangle, or a
    // little more for a view that draws a surround (a switch's socket). The
    // clip, redraws and invalidation all follow it.
    virtual CRect getDrawArea() const { return size; }

    virtual void setDirty(bool state = true) { dirty = state; }
    virtual bool isDirty() const { return dirty; }
    // Asks for a redraw of the view's area soon (at the next idle).
    virtual void invalid();
    // rect in the view's own (parent) coordinates.
    virtual void invalidRect(const CRect& rect);

    void setMouseEnabled(bool state = true) { mouseEnabled = state; }
    bool getMouseEnabled() const { return mouseEnabled; }
    virtual void setVisible(bool state);
    bool isVisible() const { return visible; }
    virtual void setTransparency(bool state) { transparent = state; }
    bool getTransparency() const { return transparent; }

    virtual void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return background; }

    virtual CFrame* getFrame() const;
    CViewContainer* getParentView() const { return parent; }
    VSTGUIEditorInterface* getEditor() const;
    bool isAttached() const { return parent != nullptr; }

    // Converts a point in this view's parent coordinates to frame coordinates and back.
    CPoint& localToFrame(CPoint& point) const;
    CPoint& frameToLocal(CPoint& point) const;
    // The view's rectangle in frame coordinates.
    CRect getFrameRect() const;

    bool setAttribute(uint32 id, uint32 size, const void* data);
    bool getAttributeSize(uint32 id, uint32& size) const;
    bool getAttribute(uint32 id, uint32 inSize, void* data, uint32& outSize) const;
    bool removeAttribute(uint32 id);

    // Keyboard focus: views that edit text take it when clicked.
    virtual bool wantsFocus() const { return false; }
    virtual void takeFocus() {}
    virtual void looseFocus() {}

    // Called by containers when the view enters or leaves the tree.
    virtual void attached(CViewContainer* newParent);
    virtual void removed(CViewContainer* oldParent);

    virtual CViewContainer* asViewContainer() { return nullptr; }

protected:
    CRect size;
    CBitmap* background = nullptr;
    CViewContainer* parent = nullptr;
    bool dirty = false;
    bool mouseEnabled = true;
    bool visible = true;
    bool transparent = false;
    std::map<uint32, std::vector<char>> attributes;
};

class CViewContainer : public CView {
public:
    explicit CViewContainer(const CRect& size);
    ~CViewContainer() override;

    // The container takes over the caller's reference; drawing follows the
    // order of adding (later views on top).
    virtual bool addView(CView* view);
    bool addView(CView* view, CView* before);
    // Detaches the view; with withForget the container releases it.
    virtual bool removeView(CView* view, bool withForget = true);
    virtual bool removeAll(bool withForget = true);
    bool isChild(const CView* view, bool deep = false) const;
    int32 getNbViews() const { return static_cast<int32>(children.size()); }
    CView* getView(int32 index) const;

    // The view containing where (in this container's parent coordinates), the
    // topmost first; deep descends into containers and gives the container
    // itself when none of its children is hit. Null when the point is outside.
    CView* getViewAt(const CPoint& where, const GetViewOptions& options = GetViewOptions()) const;
    CView* getViewAt(const CPoint& where, bool deep) const { return getViewAt(where, GetViewOptions().deep(deep)); }
    // Frame point to this container's inner coordinates and back.
    CPoint& frameToLocal(CPoint& point) const;
    CPoint& localToFrame(CPoint& point) const;

    void setBackgroundColor(const CColor& color) { backgroundColor = color; }
    const CColor& getBackgroundColor() const { return backgroundColor; }

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    // A move reaches the view that holds the mouse; without one it is a hover,
    // passed to the view under the pointer without the buttons: a button held
    // down is a drag only for the view whose own press began it.
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    // Ends the gesture of the view that holds the mouse, at every level.
    CMouseEventResult onMouseCancel() override;
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;
    bool onMouseWheel(const CPoint& where, CMouseWheelAxis axis, const float& distance,
                      const CButtonState& buttons) override;

    void setDirty(bool state = true) override;
    bool isDirty() const override;
    void invalidRect(const CRect& rect) override;
    // Ends keyboard focus (text editing) of any view inside.
    void looseFocus() override;

    void removed(CViewContainer* oldParent) override;
    CViewContainer* asViewContainer() override { return this; }

    // The view that holds the mouse between a handled press and its release.
    CView* getMouseDownView() const { return mouseDownView; }
    // Lets go of the mouse at every level without a word to the views.
    void clearMouseDownView();

protected:
    // Where children's coordinates start, in this container's parent coordinates.
    virtual CPoint getChildOrigin() const { return size.getTopLeft(); }
    void setMouseDownView(CView* view);
    // Draws the children whose area meets clip (in frame coordinates).
    void drawChildren(CDrawContext* context, const CPoint& origin, const CRect& clip);
    void collectDirty(const CPoint& origin, std::vector<CRect>& rects);

    std::vector<CView*> children;
    CView* mouseDownView = nullptr;
    CColor backgroundColor = kTransparentCColor;

    friend class CFrame;
};

}  // namespace kgui
