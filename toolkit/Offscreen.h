// Drawing and driving a frame without a display: the frame opens on an
// OffscreenTarget, draws into an image surface, and the target injects mouse,
// wheel, key and drag events, answers pop-up menus and writes PNG files.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/CDrawContext.h"
#include "toolkit/CView.h"
#include "toolkit/DragAndDrop.h"
#include "toolkit/PlatformFrame.h"

namespace kgui {

class CFrame;
class OffscreenPlatform;

// The platform of a frame opened off screen: an image surface of the frame's size.
std::unique_ptr<IPlatformFrame> makeOffscreenPlatform(CFrame* frame, void* parent, bool forceOffscreen);

class OffscreenTarget {
public:
    // Answers a shown menu; an empty result dismisses it.
    using PopupProvider = std::function<PopupResult(const MenuSnapshot&)>;

    OffscreenTarget();
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    // Pass this as the parent window: CFrame::open(target.parentHandle()).
    void* parentHandle() { return this; }
    static bool isTarget(void* handle);
    // The frame open on this target, or null.
    CFrame* getFrame() const { return frame; }

    // Menus: queued answers are used in order, then the provider, else dismissal.
    void chooseNext(std::vector<std::string> titlePath);
    void dismissNext();
    void setPopupProvider(PopupProvider provider) { popupProvider = std::move(provider); }
    const std::vector<MenuSnapshot>& getShownMenus() const { return shownMenus; }
    // Title paths that named no choosable entry (a test mistake or a changed menu).
    const std::vector<std::string>& getUnresolvedChoices() const { return unresolvedChoices; }

    // Input in frame coordinates.
    CMouseEventResult mouseDown(CPoint where, CButtonState buttons = kLButton);
    CMouseEventResult mouseMoved(CPoint where, CButtonState buttons = 0);
    CMouseEventResult mouseUp(CPoint where, CButtonState buttons = kLButton);
    // A press and release at one point.
    CMouseEventResult click(CPoint where, CButtonState buttons = kLButton);
    bool wheel(CPoint where, float distance, CButtonState buttons = 0);
    int32 keyDown(VstKeyCode key);
    int32 keyUp(VstKeyCode key);
    int32 keyDown(unsigned char virtualKey, int32 character = 0, unsigned char modifier = 0);
    // Drags the files onto the point and drops them; returns the drop's answer.
    bool dropFiles(const std::vector<std::string>& paths, CPoint where, CButtonState modifiers = 0);
    DragOperation dragFilesOver(const std::vector<std::string>& paths, CPoint where, CButtonState modifiers = 0);

    // Drawing: idle() redraws what is dirty; renderAll() redraws everything.
    void idle();
    void renderAll();
    bool writePNG(const std::string& path) const;
    bool renderToPNG(const std::string& path);
    CColor getPixel(int x, int y) const;
    DrawRecorder& getRecorder() { return recorder; }

    CCursorType getCursor() const { return cursor; }
    const std::vector<std::string>& getShownTooltips() const { return shownTooltips; }
    bool isTooltipVisible() const { return tooltipVisible; }

private:
    friend class OffscreenPlatform;
    PopupResult answerPopup(const MenuSnapshot& menu);

    struct QueuedAnswer {
        bool dismiss = false;
        std::vector<std::string> titlePath;
    };

    CFrame* frame = nullptr;
    OffscreenPlatform* platform = nullptr;
    DrawRecorder recorder;
    std::deque<QueuedAnswer> queuedAnswers;
    PopupProvider popupProvider;
    std::vector<MenuSnapshot> shownMenus;
    std::vector<std::string> unresolvedChoices;
    std::vector<std::string> shownTooltips;
    bool tooltipVisible = false;
    CCursorType cursor = kCursorDefault;
    std::unique_ptr<CFilePathPackage> dragPackage;
};

// Replaces the toolkit clock for its lifetime; time moves only when told.
class TestClock {
public:
    explicit TestClock(uint32 startTicks = 1000);
    ~TestClock();
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;
    void set(uint32 ticks) { now = ticks; }
    void advance(uint32 milliseconds) { now += milliseconds; }
    uint32 ticks() const { return now; }

private:
    uint32 now;
};

}  // namespace kgui
