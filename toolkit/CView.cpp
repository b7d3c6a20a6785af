#include "toolkit/CView.h"

#include <algorithm>
#include <cstring>

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/CFrame.h"

namespace kgui {

// ------------------------------------------------------------------ CView

CView::CView(const CRect& size) : size(size) {}

CView::~CView() {
    if (background)
        background->forget();
}

void CView::draw(CDrawContext* context) {
    if (background)
        background->draw(context, size);
    setDirty(false);
}

CMouseEventResult CView::onMouseDown(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseUp(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseMoved(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseCancel() { return kMouseEventNotImplemented; }
bool CView::onWheel(const CPoint&, const float&, const CButtonState&) { return false; }
bool CView::onMouseWheel(const CPoint& where, CMouseWheelAxis axis, const float& distance,
                         const CButtonState& buttons) {
    return axis == kMouseWheelAxisY && onWheel(where, distance, buttons);
}
int32 CView::onKeyDown(VstKeyCode&) { return -1; }
int32 CView::onKeyUp(VstKeyCode&) { return -1; }

bool CView::hitTest(const CPoint& where, const CButtonState&) { return size.containsPixel(where); }

void CView::setViewSize(const CRect& rect, bool invalidate) {
    if (invalidate)
        invalid();
    size = rect;
    if (invalidate)
        invalid();
}

void CView::invalid() {
    setDirty(false);
    if (parent)
        parent->invalidRect(getDrawArea());
}

void CView::invalidRect(const CRect& rect) {
    if (parent)
        parent->invalidRect(rect);
}

void CView::setVisible(bool state) {
    if (visible == state)
        return;
    visible = state;
    if (parent)
        parent->invalidRect(getDrawArea());
}

void CView::setBackground(CBitmap* bitmap) {
    if (bitmap == background)
        return;
    if (bitmap)
        bitmap->remember();
    if (background)
        background->forget();
    background = bitmap;
    setDirty(true);
}

CFrame* CView::getFrame() const { return parent ? parent->getFrame() : nullptr; }

VSTGUIEditorInterface* CView::getEditor() const {
    CFrame* frame = getFrame();
    return frame ? frame->getEditor() : nullptr;
}

CPoint& CView::localToFrame(CPoint& point) const {
    if (parent)
        parent->localToFrame(point);
    return point;
}

CPoint& CView::frameToLocal(CPoint& point) const {
    if (parent)
        parent->frameToLocal(point);
    return point;
}

CRect CView::getFrameRect() const {
    CPoint origin;
    localToFrame(origin);
    return CRect(size).offset(origin);
}

bool CView::setAttribute(uint32 id, uint32 attributeSize, const void* data) {
    if (!data && attributeSize > 0)
        return false;
    std::vector<char> bytes(attributeSize);
    if (attributeSize)
        std::memcpy(bytes.data(), data, attributeSize);
    attributes[id] = std::move(bytes);
    return true;
}

bool CView::getAttributeSize(uint32 id, uint32& outSize) const {
    auto found = attributes.find(id);
    if (found == attributes.end())
        return false;
    outSize = static_cast<uint32>(found->second.size());
    return true;
}

bool CView::getAttribute(uint32 id, uint32 inSize, void* data, uint32& outSize) const {
    auto found = attributes.find(id);
    if (found == attributes.end() || !data || inSize < found->second.size())
        return false;
    outSize = static_cast<uint32>(found->second.size());
    if (outSize)
        std::memcpy(data, found->second.data(), outSize);
    return true;
}

bool CView::removeAttribute(uint32 id) { return attributes.erase(id) > 0; }

void CView::attached(CViewContainer* newParent) { parent = newParent; }

void CView::removed(CViewContainer*) { parent = nullptr; }

// ---------------------------------------------------------- CViewContainer

CViewContainer::CViewContainer(const CRect& size) : CView(size) {}

CViewContainer::~CViewContainer() {
    clearMouseDownView();
    for (CView* child : children) {
        child->removed(this);
        child->forget();
    }
    children.clear();
}

bool CViewContainer::addView(CView* view) { return addView(view, nullptr); }

bool CViewContainer::addView(CView* view, CView* before) {
    if (!view || view->isAttached() || view == this)
        return false;
    auto position = std::find(children.begin(), children.end(), before);
    children.insert(before ? position : children.end(), view);
    view->attached(this);
    view->invalid();
    return true;
}

bool CViewContainer::removeView(CView* view, bool withForget) {
    auto found = std::find(children.begin(), children.end(), view);
    if (found == children.end())
        return false;
    CBaseObjectGuard guard(view);
    // The view's handler below may take this container out of the tree and
    // release it; it lives until this call is done with it (unless it is
    // being destroyed already, and emptied by its destructor).
    CBaseObjectGuard self(getNbReference() > 0 ? this : nullptr);
    // A view that leaves while its press holds the mouse ends its gesture
    // first, while it still reaches the frame and through it the host.
    if (mouseDownView == view) {
        onMouseCancel();
        // Its handler may have changed the tree, this view's place in it too.
        if (std::find(children.begin(), children.end(), view) == children.end())
            return true;
    }
    if (CFrame* frame = getFrame())
        frame->viewWillLeave(view);
    CRect area = view->getViewSize();
    children.erase(std::find(children.begin(), children.end(), view));
    view->removed(this);
    invalidRect(area);
    if (withForget)
        view->forget();
    return true;
}

bool CViewContainer::removeAll(bool withForget) {
    CBaseObjectGuard self(getNbReference() > 0 ? this : nullptr);  // as in removeView
    while (!children.empty())
        removeView(children.back(), withForget);
    return true;
}

bool CViewContainer::isChild(const CView* view, bool deep) const {
    for (CView* child : children) {
        if (child == view)
            return true;
        if (deep)
            if (auto* container = child->asViewContainer(); container && container->isChild(view, true))
                return true;
    }
    return false;
}

CView* CViewContainer::getView(int32 index) const {
    if (index < 0 || index >= getNbViews())
        return nullptr;
    return children[static_cast<size_t>(index)];
}

CView* CViewContainer::getViewAt(const CPoint& where, const GetViewOptions& options) const {
    CPoint local = where - getChildOrigin();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* child = *it;
        if (!child->isVisible() || !child->getViewSize().containsPixel(local))
            continue;
        if (options.mouseEnabledFlag && !child->getMouseEnabled())
            continue;
        if (options.deepFlag)
            if (CViewContainer* container = child->asViewContainer()) {
                CView* inner = container->getViewAt(local, options);
                return inner ? inner : container;
            }
        return child;
    }
    return nullptr;
}

CPoint& CViewContainer::frameToLocal(CPoint& point) const {
    if (parent)
        parent->frameToLocal(point);
    CPoint origin = getChildOrigin();
    point.offset(-origin.x, -origin.y);
    return point;
}

CPoint& CViewContainer::localToFrame(CPoint& point) const {
    point.offset(getChildOrigin());
    if (parent)
        parent->localToFrame(point);
    return point;
}

void CViewContainer::draw(CDrawContext* context) {
    CPoint origin = context->getOffset() + getChildOrigin();
    if (backgroundColor.alpha) {
        context->setFillColor(backgroundColor);
        context->drawRect(size, kDrawFilled);
    }
    if (background)
        background->draw(context, CRect(size.getTopLeft(), background->getSize()).bound(size));
    drawChildren(context, origin, context->getClipRect());
    dirty = false;
}

void CViewContainer::drawChildren(CDrawContext* context, const CPoint& origin, const CRect& clip) {
    // Index-based: a view must not change the tree while drawing, but if one
    // does we still never step past the end.
    for (size_t i = 0; i < children.size(); ++i) {
        CView* child = children[i];
        if (!child->isVisible())
            continue;
        CRect area = child->getDrawArea().offset(origin);
        if (!area.rectOverlap(clip))
            continue;
        CBaseObjectGuard guard(child);
        context->saveGlobalState();
        context->setOffset(origin);
        context->setClipRect(area);
        child->draw(context);
        context->restoreGlobalState();
        child->setDirty(false);
    }
}

void CViewContainer::collectDirty(const CPoint& origin, std::vector<CRect>& rects) {
    for (CView* child : children) {
        if (!child->isVisible())
            continue;
        CRect area = CRect(child->getViewSize()).offset(origin);
        if (CViewContainer* container = child->asViewContainer()) {
            if (container->dirty)
                rects.push_back(area);
            container->collectDirty(origin + container->getChildOrigin(), rects);
        } else if (child->isDirty()) {
            rects.push_back(child->getDrawArea().offset(origin));
        }
    }
}

CMouseEventResult CViewContainer::onMouseDown(CPoint& where, const CButtonState& buttons) {
    CPoint local = where - getChildOrigin();
    for (size_t i = children.size(); i-- > 0;) {
        if (i >= children.size())
            continue;
        CView* child = children[i];
        if (!child->isVisible() || !child->getMouseEnabled() || !child->hitTest(local, buttons))
            continue;
        CBaseObjectGuard guard(child);
        if (child->wantsFocus())
            if (CFrame* frame = getFrame())
                frame->setFocusView(child);
        CPoint point = local;
        CMouseEventResult result = child->onMouseDown(point, buttons);
        if (result == kMouseEventNotHandled || result == kMouseEventNotImplemented) {
            // A view that does not take the press lets the views below have it,
            // as long as it is still where it was.
            if (i > children.size() || std::find(children.begin(), children.end(), child) == children.end())
                return result;
            continue;
        }
        // Only a view still in this container can hold the mouse.
        if (result == kMouseEventHandled && getFrame() &&
            std::find(children.begin(), children.end(), child) != children.end())
            setMouseDownView(child);
        return result;
    }
    return kMouseEventNotHandled;
}

CMouseEventResult CViewContainer::onMouseUp(CPoint& where, const CButtonState& buttons) {
    if (!mouseDownView)
        return kMouseEventNotHandled;
    CView* view = mouseDownView;
    CBaseObjectGuard guard(view);
    // Only this level lets go here; a container passes the release on to the
    // view it captured itself.
    setMouseDownView(nullptr);
    CPoint local = where - getChildOrigin();
    return view->onMouseUp(local, buttons);
}

CMouseEventResult CViewContainer::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    CPoint local = where - getChildOrigin();
    if (mouseDownView) {
        CView* view = mouseDownView;
        CBaseObjectGuard guard(view);
        return view->onMouseMoved(local, buttons);
    }
    // A button may be down without a press of ours: a window manager that
    // grabbed the press, a press outside the window, a gesture that ended.
    const CButtonState hover(buttons.getModifierState());
    for (size_t i = children.size(); i-- > 0;) {
        CView* child = children[i];
        if (!child->isVisible() || !child->getMouseEnabled() || !child->hitTest(local, hover))
            continue;
        CBaseObjectGuard guard(child);
        return child->onMouseMoved(local, hover);
    }
    return kMouseEventNotHandled;
}

CMouseEventResult CViewContainer::onMouseCancel() {
    if (!mouseDownView)
        return kMouseEventNotHandled;
    CView* view = mouseDownView;
    CBaseObjectGuard guard(view);
    // The capture goes first, so that a cancel reached again from the
    // handler (the view removing itself) finds nothing to end.
    setMouseDownView(nullptr);
    return view->onMouseCancel();
}

bool CViewContainer::onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) {
    CPoint local = where - getChildOrigin();
    for (size_t i = children.size(); i-- > 0;) {
        if (i >= children.size())
            continue;
        CView* child = children[i];
        if (!child->isVisible() || !child->getMouseEnabled() || !child->hitTest(local, buttons))
            continue;
        CBaseObjectGuard guard(child);
        if (child->onWheel(local, distance, buttons))
            return true;
    }
    return false;
}

bool CViewContainer::onMouseWheel(const CPoint& where, CMouseWheelAxis axis, const float& distance,
                                  const CButtonState& buttons) {
    CPoint local = where - getChildOrigin();
    for (size_t i = children.size(); i-- > 0;) {
        if (i >= children.size())
            continue;
        CView* child = children[i];
        if (!child->isVisible() || !child->getMouseEnabled() || !child->hitTest(local, buttons))
            continue;
        CBaseObjectGuard guard(child);
        if (child->onMouseWheel(local, axis, distance, buttons))
            return true;
    }
    return false;
}

void CViewContainer::setDirty(bool state) {
    dirty = state;
    if (!state)
        for (CView* child : children)
            child->setDirty(false);
}

bool CViewContainer::isDirty() const {
    if (dirty)
        return true;
    for (CView* child : children)
        if (child->isVisible() && child->isDirty())
            return true;
    return false;
}

void CViewContainer::invalidRect(const CRect& rect) {
    CRect area = CRect(rect).offset(getChildOrigin());
    area.bound(size);
    if (parent && !area.isEmpty())
        parent->invalidRect(area);
}

void CViewContainer::looseFocus() {
    CFrame* frame = getFrame();
    if (!frame)
        return;
    CView* focus = frame->getFocusView();
    if (focus && (focus == this || isChild(focus, true)))
        frame->setFocusView(nullptr);
}

void CViewContainer::removed(CViewContainer* oldParent) {
    // Still attached here: a gesture inside ends while the host can hear it.
    onMouseCancel();
    clearMouseDownView();
    CView::removed(oldParent);
}

void CViewContainer::setMouseDownView(CView* view) {
    if (view == mouseDownView)
        return;
    if (view)
        view->remember();
    CView* old = mouseDownView;
    mouseDownView = view;
    if (old)
        old->forget();
}

void CViewContainer::clearMouseDownView() {
    if (CViewContainer* inner = mouseDownView ? mouseDownView->asViewContainer() : nullptr)
        inner->clearMouseDownView();
    setMouseDownView(nullptr);
}

}  // namespace kgui
