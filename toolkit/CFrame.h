// The root of the view tree: owns the platform window (or the off-screen
// surface), routes input to the views, keeps the dirty region and redraws it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/CView.h"
#include "toolkit/DragAndDrop.h"
#include "toolkit/PlatformFrame.h"

namespace kgui {

class COptionMenu;
class DrawRecorder;

class IKeyboardHook {
public:
    virtual ~IKeyboardHook() = default;
    // 1 = used, -1 = not used.
    virtual int32 onKeyDown(const VstKeyCode& code, CFrame* frame) = 0;
    virtual int32 onKeyUp(const VstKeyCode& code, CFrame* frame) = 0;
};

enum class PlatformType { kDefault, kOffscreen };

// Knob modes: circular, relative circular, linear (vertical drag).
enum { kCircularMode = 0, kRelativCircularMode, kLinearMode };

class CFrame : public CViewContainer {
public:
    CFrame(const CRect& size, VSTGUIEditorInterface* editor);
    ~CFrame() override;

    // parent: the host's window, or an OffscreenTarget for drawing off screen.
    // Without a window system the frame draws into an internal surface.
    bool open(void* parent, PlatformType type = PlatformType::kDefault);
    // Empties the frame (releasing its views), closes its window and releases
    // the frame itself.
    void close();
    bool isOpen() const { return platform != nullptr; }

    CFrame* getFrame() const override { return const_cast<CFrame*>(this); }
    VSTGUIEditorInterface* getEditor() const { return editor; }

    // Redraws what became dirty, shows tooltips, pumps window events.
    void idle();
    // Redraws the given region (frame coordinates) now, or the whole frame.
    void drawRegion(const std::vector<CRect>& rects);
    // Redraws everything; nothing stays pending.
    void drawAll();
    // Full redraw into a PNG file (or of a region, with the rest as it was).
    bool renderToPNG(const std::string& path);
    bool renderToPNG(const std::string& path, const CRect& region);
    // Every redraw appends what it draws to the recorder, when one is set.
    void setDrawRecorder(DrawRecorder* recorder) { drawRecorder = recorder; }

    void invalid() override;
    void invalidRect(const CRect& rect) override;
    void setDirty(bool state = true) override;
    const std::vector<CRect>& getInvalidRegion() const { return invalidRegion; }

    bool getCurrentMouseLocation(CPoint& where) const;
    // The mouse buttons and modifier keys held now: the window system's
    // answer, or else those of the last pointer event.
    CButtonState getCurrentMouseButtons() const;
    // The innermost view under the current mouse position, or null.
    CView* getCurrentView() const;

    void registerKeyboardHook(IKeyboardHook* hook);
    void unregisterKeyboardHook(IKeyboardHook* hook);

    void setFocusView(CView* view);
    CView* getFocusView() const { return focusView; }

    void setCursor(CCursorType type);
    CCursorType getCursor() const { return cursor; }

    // From the controls: the host hears of edits through the editor.
    void beginEdit(int32 tag);
    void endEdit(int32 tag);

    static int32 kDefaultKnobMode;

    // Input from the window system (or a test), in frame coordinates.
    CMouseEventResult platformOnMouseDown(CPoint where, CButtonState buttons);
    // The same for a press that happened at pressTicks (toolkit clock): a window
    // system that delivers events in batches keeps double clicks honest.
    CMouseEventResult platformOnMouseDown(CPoint where, CButtonState buttons, uint32 pressTicks);
    CMouseEventResult platformOnMouseMoved(CPoint where, CButtonState buttons);
    CMouseEventResult platformOnMouseUp(CPoint where, CButtonState buttons);
    bool platformOnWheel(CPoint where, float distance, CButtonState buttons);
    bool platformOnWheel(CPoint where, CMouseWheelAxis axis, float distance, CButtonState buttons);
    // The pointer came into the window (a crossing, never a drag): where it
    // is now, a hover for the view under it unless a gesture holds the mouse.
    void platformOnMouseEntered(CPoint where, CButtonState buttons);
    void platformOnMouseExited();
    // Another client took the pointer (a grab): the running gesture ends,
    // since its release will not come to us.
    void platformOnMouseCancel();
    int32 platformOnKeyDown(VstKeyCode& keyCode);
    int32 platformOnKeyUp(VstKeyCode& keyCode);
    DragOperation platformOnDragEnter(IDataPackage* package, CPoint where, CButtonState buttons);
    DragOperation platformOnDragMove(IDataPackage* package, CPoint where, CButtonState buttons);
    void platformOnDragLeave(IDataPackage* package, CPoint where, CButtonState buttons);
    bool platformOnDrop(IDataPackage* package, CPoint where, CButtonState buttons);

    // Modal pop-up menus: shows the menu through the platform and returns the choice.
    PopupResult runPopupMenu(const MenuSnapshot& menu);
    // The editor's screen size factor; the frame's menus are drawn at it.
    void setMenuScale(double factor) { menuScale = factor > 0 ? factor : 1; }
    double getMenuScale() const { return menuScale; }
    // Counts modal loops run so far (a press that opened one holds no capture).
    uint32 getModalSessionCount() const { return modalSessions; }

    IPlatformFrame* getPlatformFrame() const { return platform.get(); }

    // A view is leaving the tree: it must not keep focus, capture or drag state.
    void viewWillLeave(CView* view);

protected:
    CPoint getChildOrigin() const override { return {0, 0}; }

private:
    bool setupPlatform(void* parent, PlatformType type);
    CView* dropTargetViewAt(const CPoint& where, CPoint& parentPoint) const;
    void setDragTarget(CView* view);
    void updateTooltip();

    VSTGUIEditorInterface* editor;
    std::unique_ptr<IPlatformFrame> platform;
    std::vector<CRect> invalidRegion;
    std::vector<IKeyboardHook*> keyboardHooks;
    CView* focusView = nullptr;
    CView* dragTargetView = nullptr;
    CCursorType cursor = kCursorDefault;
    DrawRecorder* drawRecorder = nullptr;
    CPoint mouseLocation{-1, -1};
    CButtonState mouseButtons;
    bool mouseInside = false;
    uint32 modalSessions = 0;
    double menuScale = 1;

    // Double-click detection: the previous press.
    uint32 lastPressTicks = 0;
    CPoint lastPressPoint;
    int32 lastPressButton = 0;
    bool lastPressWasDouble = true;

    // Tooltips: shown after the pointer rests on a view that has one.
    std::string tooltipText;
    uint32 tooltipSince = 0;
    bool tooltipShown = false;
};

}  // namespace kgui
