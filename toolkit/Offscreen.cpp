#include "toolkit/Offscreen.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <set>

#include "toolkit/CFrame.h"

namespace kgui {

// ------------------------------------------------------------ MenuSnapshot

std::string MenuSnapshot::describe() const {
    std::string text;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        if (i)
            text += "|";
        if (entry.separator) {
            text += "-";
            continue;
        }
        if (!entry.enabled)
            text += "(off)";
        if (entry.checked)
            text += "*";
        text += entry.title;
        if (entry.submenu) {
            // Appended piece by piece: "[" + a temporary string trips a false
            // -Wrestrict in GCC 12's optimised builds.
            text += '[';
            text += entry.submenu->describe();
            text += ']';
        }
    }
    return text;
}

const MenuSnapshot::Entry* MenuSnapshot::find(const std::vector<std::string>& titlePath) const {
    const MenuSnapshot* menu = this;
    const Entry* found = nullptr;
    for (size_t level = 0; level < titlePath.size(); ++level) {
        if (!menu)
            return nullptr;
        found = nullptr;
        for (const Entry& entry : menu->entries)
            if (!entry.separator && entry.title == titlePath[level]) {
                found = &entry;
                break;
            }
        if (!found)
            return nullptr;
        menu = found->submenu.get();
    }
    return found;
}

// ------------------------------------------------------- OffscreenPlatform

namespace {
std::mutex targetsMutex;
std::set<void*>& liveTargets() {
    static std::set<void*> targets;
    return targets;
}
}  // namespace

class OffscreenPlatform : public IPlatformFrame {
public:
    OffscreenPlatform(CFrame* frame, OffscreenTarget* target) : frame(frame), target(target) {
        int width = std::max(1, static_cast<int>(std::ceil(frame->getWidth())));
        int height = std::max(1, static_cast<int>(std::ceil(frame->getHeight())));
        surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        if (target) {
            target->frame = frame;
            target->platform = this;
            frame->setDrawRecorder(&target->recorder);
        }
    }
    ~OffscreenPlatform() override {
        if (target) {
            target->frame = nullptr;
            target->platform = nullptr;
        }
        cairo_surface_destroy(surface);
    }

    cairo_surface_t* getSurface() override { return surface; }
    void setCursor(CCursorType type) override {
        if (target)
            target->cursor = type;
    }
    void showTooltip(const std::string& text, const CPoint&) override {
        if (target) {
            target->shownTooltips.push_back(text);
            target->tooltipVisible = true;
        }
    }
    void hideTooltip() override {
        if (target)
            target->tooltipVisible = false;
    }
    PopupResult popupMenu(const MenuSnapshot& menu) override {
        return target ? target->answerPopup(menu) : PopupResult{};
    }

    void detachTarget() { target = nullptr; }

private:
    CFrame* frame;
    OffscreenTarget* target;
    cairo_surface_t* surface;
};

std::unique_ptr<IPlatformFrame> makeOffscreenPlatform(CFrame* frame, void* parent, bool) {
    OffscreenTarget* target = OffscreenTarget::isTarget(parent) ? static_cast<OffscreenTarget*>(parent) : nullptr;
    if (target && target->getFrame())
        target = nullptr;  // one frame per target
    return std::make_unique<OffscreenPlatform>(frame, target);
}

// --------------------------------------------------------- OffscreenTarget

OffscreenTarget::OffscreenTarget() {
    std::lock_guard lock(targetsMutex);
    liveTargets().insert(this);
}

OffscreenTarget::~OffscreenTarget() {
    if (frame)
        frame->setDrawRecorder(nullptr);
    if (platform)
        platform->detachTarget();
    std::lock_guard lock(targetsMutex);
    liveTargets().erase(this);
}

bool OffscreenTarget::isTarget(void* handle) {
    std::lock_guard lock(targetsMutex);
    return handle && liveTargets().count(handle) > 0;
}

void OffscreenTarget::chooseNext(std::vector<std::string> titlePath) {
    queuedAnswers.push_back({false, std::move(titlePath)});
}

void OffscreenTarget::dismissNext() { queuedAnswers.push_back({true, {}}); }

PopupResult OffscreenTarget::answerPopup(const MenuSnapshot& menu) {
    shownMenus.push_back(menu);
    if (queuedAnswers.empty())
        return popupProvider ? popupProvider(menu) : PopupResult{};
    QueuedAnswer answer = queuedAnswers.front();
    queuedAnswers.pop_front();
    if (answer.dismiss || answer.titlePath.empty())
        return {};
    PopupResult result;
    const MenuSnapshot* level = &menu;
    for (size_t depth = 0; depth < answer.titlePath.size(); ++depth) {
        int32 chosen = -1;
        for (size_t i = 0; level && i < level->entries.size(); ++i) {
            const auto& entry = level->entries[i];
            if (!entry.separator && entry.title == answer.titlePath[depth]) {
                chosen = static_cast<int32>(i);
                break;
            }
        }
        bool last = depth + 1 == answer.titlePath.size();
        const MenuSnapshot::Entry* entry = chosen >= 0 ? &level->entries[static_cast<size_t>(chosen)] : nullptr;
        // A disabled entry or a submenu's own title cannot be chosen.
        if (!entry || !entry->enabled || (last && entry->submenu) || (!last && !entry->submenu)) {
            std::string path;
            for (const auto& title : answer.titlePath)
                path += (path.empty() ? "" : " > ") + title;
            unresolvedChoices.push_back(path);
            return {};
        }
        result.indexPath.push_back(chosen);
        level = entry->submenu.get();
    }
    return result;
}

CMouseEventResult OffscreenTarget::mouseDown(CPoint where, CButtonState buttons) {
    return frame ? frame->platformOnMouseDown(where, buttons) : kMouseEventNotHandled;
}

CMouseEventResult OffscreenTarget::mouseMoved(CPoint where, CButtonState buttons) {
    return frame ? frame->platformOnMouseMoved(where, buttons) : kMouseEventNotHandled;
}

CMouseEventResult OffscreenTarget::mouseUp(CPoint where, CButtonState buttons) {
    return frame ? frame->platformOnMouseUp(where, buttons) : kMouseEventNotHandled;
}

CMouseEventResult OffscreenTarget::click(CPoint where, CButtonState buttons) {
    CMouseEventResult result = mouseDown(where, buttons);
    mouseUp(where, buttons);
    return result;
}

bool OffscreenTarget::wheel(CPoint where, float distance, CButtonState buttons) {
    return frame && frame->platformOnWheel(where, distance, buttons);
}

int32 OffscreenTarget::keyDown(VstKeyCode key) { return frame ? frame->platformOnKeyDown(key) : -1; }

int32 OffscreenTarget::keyUp(VstKeyCode key) { return frame ? frame->platformOnKeyUp(key) : -1; }

int32 OffscreenTarget::keyDown(unsigned char virtualKey, int32 character, unsigned char modifier) {
    VstKeyCode key{};
    key.character = character;
    key.virt = virtualKey;
    key.modifier = modifier;
    return keyDown(key);
}

DragOperation OffscreenTarget::dragFilesOver(const std::vector<std::string>& paths, CPoint where,
                                             CButtonState modifiers) {
    if (!frame)
        return DragOperation::None;
    dragPackage = std::make_unique<CFilePathPackage>(paths);
    return frame->platformOnDragEnter(dragPackage.get(), where, modifiers);
}

bool OffscreenTarget::dropFiles(const std::vector<std::string>& paths, CPoint where, CButtonState modifiers) {
    if (!frame)
        return false;
    CFilePathPackage package(paths);
    package.remember();  // lives on the stack; never deleted through forget
    frame->platformOnDragEnter(&package, where, modifiers);
    frame->platformOnDragMove(&package, where, modifiers);
    return frame->platformOnDrop(&package, where, modifiers);
}

void OffscreenTarget::idle() {
    if (frame)
        frame->idle();
}

void OffscreenTarget::renderAll() {
    if (frame)
        frame->drawAll();
}

bool OffscreenTarget::writePNG(const std::string& path) const {
    if (!platform)
        return false;
    return cairo_surface_write_to_png(platform->getSurface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool OffscreenTarget::renderToPNG(const std::string& path) { return frame && frame->renderToPNG(path); }

CColor OffscreenTarget::getPixel(int x, int y) const {
    if (!platform)
        return {};
    cairo_surface_t* surface = platform->getSurface();
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    if (x < 0 || y < 0 || x >= width || y >= height)
        return {};
    const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    uint32_t pixel;
    std::memcpy(&pixel, row + 4 * x, 4);
    uint8_t a = pixel >> 24;
    auto unpremultiply = [a](uint32_t c) -> uint8_t {
        return a ? static_cast<uint8_t>(std::min<uint32_t>(255, (c * 255 + a / 2) / a)) : 0;
    };
    return CColor(unpremultiply((pixel >> 16) & 0xff), unpremultiply((pixel >> 8) & 0xff), unpremultiply(pixel & 0xff),
                  a);
}

// --------------------------------------------------------------- TestClock

TestClock::TestClock(uint32 startTicks) : now(startTicks) {
    setTicksSourceForTesting([this] { return now; });
}

TestClock::~TestClock() { setTicksSourceForTesting(nullptr); }

}  // namespace kgui
