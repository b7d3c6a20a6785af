#include "toolkit/CFrame.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "toolkit/AEffGUIEditor.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"
#include "toolkit/Offscreen.h"
#include "toolkit/X11Frame.h"

namespace kgui {

int32 CFrame::kDefaultKnobMode = kLinearMode;

namespace {
// A second press within this time and distance of the first is a double click.
constexpr uint32 kDoubleClickTime = 400;
constexpr double kDoubleClickDistance = 4;
// The pointer must rest this long on a view before its tooltip shows.
constexpr uint32 kTooltipDelay = 600;

int32 pressedButton(const CButtonState& buttons) { return buttons & (kLButton | kMButton | kRButton); }
}  // namespace

CFrame::CFrame(const CRect& rect, VSTGUIEditorInterface* editor) : CViewContainer(rect), editor(editor) {
    if (auto* guiEditor = dynamic_cast<AEffGUIEditor*>(editor))
        guiEditor->frameCreated(this);
}

CFrame::~CFrame() {
    if (auto* guiEditor = dynamic_cast<AEffGUIEditor*>(editor))
        guiEditor->frameDestroyed(this);
    setDragTarget(nullptr);
    if (focusView) {
        focusView->forget();
        focusView = nullptr;
    }
    removeAll(true);
    platform.reset();
}

bool CFrame::open(void* parent, PlatformType type) {
    if (platform)
        return true;
    return setupPlatform(parent, type);
}

bool CFrame::setupPlatform(void* parent, PlatformType type) {
    if (type != PlatformType::kOffscreen && parent && !OffscreenTarget::isTarget(parent))
        platform = makeX11Platform(this, parent);
    // Without a display, or without a window to sit in, the frame still draws:
    // into a surface of its own.
    if (!platform)
        platform = makeOffscreenPlatform(this, parent, type == PlatformType::kOffscreen);
    invalid();
    return platform != nullptr;
}

void CFrame::close() {
    platformOnMouseCancel();
    setFocusView(nullptr);
    setDragTarget(nullptr);
    keyboardHooks.clear();
    removeAll(true);
    platform.reset();
    forget();
}

void CFrame::idle() {
    // An event handler may close the frame (a host that closes the editor from
    // a callback): it stays alive to the end of this pass and draws no more.
    CBaseObjectGuard guard(this);
    if (platform)
        platform->processEvents();
    if (!platform)
        return;
    std::vector<CRect> rects;
    if (dirty)
        rects.push_back(CRect(0, 0, size.getWidth(), size.getHeight()));
    collectDirty({0, 0}, rects);
    for (const CRect& rect : rects)
        invalidRect(rect);
    if (!invalidRegion.empty()) {
        std::vector<CRect> region;
        region.swap(invalidRegion);
        drawRegion(region);
    }
    updateTooltip();
}

void CFrame::drawRegion(const std::vector<CRect>& rects) {
    if (!platform)
        return;
    cairo_surface_t* surface = platform->getSurface();
    if (!surface)
        return;
    CRect bounds;
    for (const CRect& rect : rects)
        bounds.unite(CRect(rect).bound(CRect(0, 0, size.getWidth(), size.getHeight())));
    if (bounds.isEmpty())
        return;
    cairo_t* cr = cairo_create(surface);
    cairo_new_path(cr);
    for (const CRect& rect : rects) {
        // Whole pixels, so that a partial redraw matches a full one.
        double left = std::floor(rect.left), top = std::floor(rect.top);
        cairo_rectangle(cr, left, top, std::ceil(rect.right) - left, std::ceil(rect.bottom) - top);
    }
    cairo_clip(cr);
    // What lies under the views: black where the background image does not reach.
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    {
        CDrawContext context(cr, bounds);
        context.setRecorder(drawRecorder);
        CBaseObjectGuard guard(this);
        if (backgroundColor.alpha) {
            context.setFillColor(backgroundColor);
            context.drawRect(CRect(0, 0, size.getWidth(), size.getHeight()), kDrawFilled);
        }
        if (background)
            background->draw(&context, CRect(CPoint(0, 0), background->getSize()));
        drawChildren(&context, {0, 0}, bounds);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    dirty = false;
    platform->present(rects);
}

void CFrame::drawAll() {
    invalidRegion.clear();
    drawRegion({CRect(0, 0, size.getWidth(), size.getHeight())});
}

bool CFrame::renderToPNG(const std::string& path) {
    drawAll();
    if (!platform || !platform->getSurface())
        return false;
    return cairo_surface_write_to_png(platform->getSurface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool CFrame::renderToPNG(const std::string& path, const CRect& region) {
    drawRegion({region});
    if (!platform || !platform->getSurface())
        return false;
    return cairo_surface_write_to_png(platform->getSurface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void CFrame::invalid() { invalidRect(CRect(0, 0, size.getWidth(), size.getHeight())); }

void CFrame::invalidRect(const CRect& rect) {
    CRect area = CRect(rect).bound(CRect(0, 0, size.getWidth(), size.getHeight()));
    if (area.isEmpty())
        return;
    // Merge with an overlapping rectangle so the list stays short.
    for (CRect& existing : invalidRegion) {
        if (existing.rectOverlap(area) || existing == area) {
            existing.unite(area);
            return;
        }
    }
    invalidRegion.push_back(area);
}

void CFrame::setDirty(bool state) {
    CViewContainer::setDirty(state);
}

bool CFrame::getCurrentMouseLocation(CPoint& where) const {
    where = mouseLocation;
    return true;
}

// A key pressed or let go since the last pointer event reaches the frame only
// when its window has the keyboard focus, which the host's window usually
// keeps: the window system knows better.
CButtonState CFrame::getCurrentMouseButtons() const {
    CButtonState held;
    if (platform && platform->queryButtons(held))
        return held;
    return mouseButtons;
}

CView* CFrame::getCurrentView() const {
    CPoint where;
    getCurrentMouseLocation(where);
    return getViewAt(where, GetViewOptions().deep());
}

void CFrame::registerKeyboardHook(IKeyboardHook* hook) {
    if (hook && std::find(keyboardHooks.begin(), keyboardHooks.end(), hook) == keyboardHooks.end())
        keyboardHooks.push_back(hook);
}

void CFrame::unregisterKeyboardHook(IKeyboardHook* hook) {
    keyboardHooks.erase(std::remove(keyboardHooks.begin(), keyboardHooks.end(), hook), keyboardHooks.end());
}

void CFrame::setFocusView(CView* view) {
    if (view == focusView)
        return;
    CView* old = focusView;
    focusView = view;
    if (view)
        view->remember();
    if (old) {
        old->looseFocus();
        old->forget();
    }
    if (view && focusView == view)
        view->takeFocus();
}

void CFrame::setCursor(CCursorType type) {
    cursor = type;
    if (platform)
        platform->setCursor(type);
}

void CFrame::beginEdit(int32 tag) {
    if (editor)
        editor->beginEdit(tag);
}

void CFrame::endEdit(int32 tag) {
    if (editor)
        editor->endEdit(tag);
}

void CFrame::viewWillLeave(CView* view) {
    if (!view)
        return;
    auto inside = [view](CView* candidate) {
        if (!candidate)
            return false;
        if (candidate == view)
            return true;
        CViewContainer* container = view->asViewContainer();
        return container && container->isChild(candidate, true);
    };
    // A view that leaves keeps no focus: it is released without committing.
    if (inside(focusView)) {
        CView* old = focusView;
        focusView = nullptr;
        old->forget();
    }
    if (inside(dragTargetView))
        setDragTarget(nullptr);
}

CMouseEventResult CFrame::platformOnMouseDown(CPoint where, CButtonState buttons) {
    return platformOnMouseDown(where, buttons, getPlatformTicks());
}

CMouseEventResult CFrame::platformOnMouseDown(CPoint where, CButtonState buttons, uint32 pressTicks) {
    CBaseObjectGuard guard(this);
    mouseLocation = where;
    mouseInside = true;
    if (tooltipShown && platform)
        platform->hideTooltip();
    tooltipShown = false;
    tooltipSince = getPlatformTicks();

    uint32 now = pressTicks;
    int32 button = pressedButton(buttons);
    buttons = CButtonState(buttons & ~kDoubleClick);
    if (!lastPressWasDouble && button == lastPressButton && now - lastPressTicks <= kDoubleClickTime &&
        std::fabs(where.x - lastPressPoint.x) <= kDoubleClickDistance &&
        std::fabs(where.y - lastPressPoint.y) <= kDoubleClickDistance) {
        buttons |= kDoubleClick;
        lastPressWasDouble = true;
    } else {
        lastPressWasDouble = false;
    }
    lastPressTicks = now;
    lastPressPoint = where;
    lastPressButton = button;
    mouseButtons = CButtonState(buttons & ~kDoubleClick);

    // A press anywhere but on the focused view ends its editing.
    if (focusView) {
        CView* hit = getViewAt(where, GetViewOptions().deep().mouseEnabled());
        if (hit != focusView)
            setFocusView(nullptr);
    }
    // A press while an earlier one still holds the mouse ends that gesture.
    onMouseCancel();

    uint32 sessionsBefore = modalSessions;
    CPoint point = where;
    CMouseEventResult result = CViewContainer::onMouseDown(point, buttons);
    // A modal loop (pop-up menu, dialog) ran inside the handler: its own events
    // ended the gesture, so nothing keeps the mouse.
    if (modalSessions != sessionsBefore)
        onMouseCancel();
    return result;
}

CMouseEventResult CFrame::platformOnMouseMoved(CPoint where, CButtonState buttons) {
    CBaseObjectGuard guard(this);
    if (where != mouseLocation) {
        tooltipSince = getPlatformTicks();
        if (tooltipShown && platform)
            platform->hideTooltip();
        tooltipShown = false;
    }
    mouseLocation = where;
    mouseButtons = buttons;
    mouseInside = true;
    CPoint point = where;
    return CViewContainer::onMouseMoved(point, buttons);
}

CMouseEventResult CFrame::platformOnMouseUp(CPoint where, CButtonState buttons) {
    CBaseObjectGuard guard(this);
    mouseLocation = where;
    // The button is let go; the keys are still held.
    mouseButtons = CButtonState(buttons.getModifierState());
    CPoint point = where;
    return CViewContainer::onMouseUp(point, buttons);
}

bool CFrame::platformOnWheel(CPoint where, float distance, CButtonState buttons) {
    return platformOnWheel(where, kMouseWheelAxisY, distance, buttons);
}

bool CFrame::platformOnWheel(CPoint where, CMouseWheelAxis axis, float distance, CButtonState buttons) {
    CBaseObjectGuard guard(this);
    mouseLocation = where;
    mouseButtons = buttons;
    return CViewContainer::onMouseWheel(where, axis, distance, buttons);
}

void CFrame::platformOnMouseEntered(CPoint where, CButtonState buttons) {
    if (mouseDownView) {
        mouseLocation = where;
        mouseButtons = buttons;
        mouseInside = true;
        return;
    }
    platformOnMouseMoved(where, CButtonState(buttons.getModifierState()));
}

void CFrame::platformOnMouseCancel() {
    CBaseObjectGuard guard(this);
    onMouseCancel();
}

void CFrame::platformOnMouseExited() {
    mouseInside = false;
    mouseLocation = CPoint(-1, -1);
    if (tooltipShown && platform)
        platform->hideTooltip();
    tooltipShown = false;
}

int32 CFrame::platformOnKeyDown(VstKeyCode& keyCode) {
    CBaseObjectGuard guard(this);
    std::vector<IKeyboardHook*> hooks = keyboardHooks;
    for (IKeyboardHook* hook : hooks)
        if (std::find(keyboardHooks.begin(), keyboardHooks.end(), hook) != keyboardHooks.end() &&
            hook->onKeyDown(keyCode, this) == 1)
            return 1;
    if (focusView) {
        CView* view = focusView;
        CBaseObjectGuard viewGuard(view);
        return view->onKeyDown(keyCode);
    }
    return -1;
}

int32 CFrame::platformOnKeyUp(VstKeyCode& keyCode) {
    CBaseObjectGuard guard(this);
    std::vector<IKeyboardHook*> hooks = keyboardHooks;
    for (IKeyboardHook* hook : hooks)
        if (std::find(keyboardHooks.begin(), keyboardHooks.end(), hook) != keyboardHooks.end() &&
            hook->onKeyUp(keyCode, this) == 1)
            return 1;
    if (focusView) {
        CView* view = focusView;
        CBaseObjectGuard viewGuard(view);
        return view->onKeyUp(keyCode);
    }
    return -1;
}

CView* CFrame::dropTargetViewAt(const CPoint& where, CPoint& parentPoint) const {
    CView* view = getViewAt(where, GetViewOptions().deep());
    // The innermost view that accepts drops, or one of its containers.
    while (view && view != this) {
        if (view->getDropTarget()) {
            parentPoint = where;
            if (view->getParentView())
                view->getParentView()->frameToLocal(parentPoint);
            return view;
        }
        view = view->getParentView();
    }
    return nullptr;
}

void CFrame::setDragTarget(CView* view) {
    if (view == dragTargetView)
        return;
    if (view)
        view->remember();
    CView* old = dragTargetView;
    dragTargetView = view;
    if (old)
        old->forget();
}

DragOperation CFrame::platformOnDragEnter(IDataPackage* package, CPoint where, CButtonState buttons) {
    setDragTarget(nullptr);
    return platformOnDragMove(package, where, buttons);
}

DragOperation CFrame::platformOnDragMove(IDataPackage* package, CPoint where, CButtonState buttons) {
    CBaseObjectGuard guard(this);
    mouseLocation = where;
    CPoint point;
    CView* view = dropTargetViewAt(where, point);
    if (view != dragTargetView) {
        if (dragTargetView) {
            CView* old = dragTargetView;
            CBaseObjectGuard oldGuard(old);
            setDragTarget(nullptr);
            if (IDropTarget* target = old->getDropTarget())
                target->onDragLeave({package, point, buttons});
        }
        if (!view)
            return DragOperation::None;
        setDragTarget(view);
        CBaseObjectGuard viewGuard(view);
        if (IDropTarget* target = view->getDropTarget())
            return target->onDragEnter({package, point, buttons});
        return DragOperation::None;
    }
    if (!view)
        return DragOperation::None;
    CBaseObjectGuard viewGuard(view);
    IDropTarget* target = view->getDropTarget();
    return target ? target->onDragMove({package, point, buttons}) : DragOperation::None;
}

void CFrame::platformOnDragLeave(IDataPackage* package, CPoint where, CButtonState buttons) {
    if (!dragTargetView)
        return;
    CView* old = dragTargetView;
    CBaseObjectGuard guard(old);
    setDragTarget(nullptr);
    CPoint point = where;
    if (old->getParentView())
        old->getParentView()->frameToLocal(point);
    if (IDropTarget* target = old->getDropTarget())
        target->onDragLeave({package, point, buttons});
}

bool CFrame::platformOnDrop(IDataPackage* package, CPoint where, CButtonState buttons) {
    CBaseObjectGuard guard(this);
    mouseLocation = where;
    CPoint point;
    CView* view = dropTargetViewAt(where, point);
    setDragTarget(nullptr);
    if (!view)
        return false;
    CBaseObjectGuard viewGuard(view);
    IDropTarget* target = view->getDropTarget();
    return target && target->onDrop({package, point, buttons});
}

PopupResult CFrame::runPopupMenu(const MenuSnapshot& menu) {
    ++modalSessions;
    if (!platform)
        return {};
    CBaseObjectGuard guard(this);
    MenuSnapshot scaled = menu;
    scaled.scale = menuScale;
    return platform->popupMenu(scaled);
}

void CFrame::updateTooltip() {
    if (!platform || !mouseInside)
        return;
    CView* view = getCurrentView();
    std::string text;
    uint32 attributeSize = 0;
    if (view && view->getAttributeSize(kCViewTooltipAttribute, attributeSize) && attributeSize > 0) {
        std::vector<char> buffer(attributeSize + 1, 0);
        uint32 outSize = 0;
        if (view->getAttribute(kCViewTooltipAttribute, attributeSize, buffer.data(), outSize))
            text.assign(buffer.data());
    }
    if (text != tooltipText) {
        tooltipText = text;
        if (tooltipShown)
            platform->hideTooltip();
        tooltipShown = false;
    }
    if (!tooltipShown && !tooltipText.empty() && getPlatformTicks() - tooltipSince >= kTooltipDelay) {
        platform->showTooltip(tooltipText, mouseLocation);
        tooltipShown = true;
    }
}

}  // namespace kgui
