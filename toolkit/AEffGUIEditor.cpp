#include "toolkit/AEffGUIEditor.h"

#include "vst/AudioEffectX.h"
#include "toolkit/CFrame.h"
#include "toolkit/Offscreen.h"
#include "toolkit/X11Frame.h"

namespace kgui {

int32 VSTGUIEditorInterface::getKnobMode() const { return CFrame::kDefaultKnobMode; }

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {}

AEffGUIEditor::~AEffGUIEditor() {
    if (ownedFrame) {
        CFrame* old = ownedFrame;
        ownedFrame = nullptr;
        frame = nullptr;
        old->close();
    }
}

bool AEffGUIEditor::getRect(vst::ERect** outRect) {
    if (!outRect)
        return false;
    *outRect = &rect;
    return true;
}

// The host's window must be one we can show a frame in: a window on a display
// we can reach, or an off-screen target. Without one (a host scanning without
// a display) the opening fails and the editor stays closed.
bool AEffGUIEditor::open(void* ptr) {
    releaseOrphanedFrame();
    systemWindow = nullptr;
    if (!OffscreenTarget::isTarget(ptr) && !canShowFrameIn(ptr))
        return false;
    systemWindow = ptr;
    return true;
}

// A subclass whose close() empties its frame and drops its pointer without
// calling ours leaves the frame (and its window) behind; the next opening
// releases it.
void AEffGUIEditor::releaseOrphanedFrame() {
    if (ownedFrame && ownedFrame != frame) {
        CFrame* old = ownedFrame;
        ownedFrame = nullptr;
        old->close();
    }
}

void AEffGUIEditor::close() {
    CFrame* old = ownedFrame ? ownedFrame : frame;
    ownedFrame = nullptr;
    frame = nullptr;
    if (old)
        old->close();
    systemWindow = nullptr;
}

void AEffGUIEditor::idle() {
    if (CFrame* current = frame ? frame : ownedFrame)
        current->idle();
}

bool AEffGUIEditor::onKeyDown(vst::VstKeyCode& keyCode) {
    CFrame* current = frame ? frame : ownedFrame;
    return current && current->platformOnKeyDown(keyCode) == 1;
}

bool AEffGUIEditor::onKeyUp(vst::VstKeyCode& keyCode) {
    CFrame* current = frame ? frame : ownedFrame;
    return current && current->platformOnKeyUp(keyCode) == 1;
}

// The host's wheel request carries the distance alone: the pointer, the
// buttons and the modifier keys (Shift for the fine step) are the ones held now.
bool AEffGUIEditor::onWheel(float distance) {
    CFrame* current = frame ? frame : ownedFrame;
    if (!current)
        return false;
    CPoint where;
    current->getCurrentMouseLocation(where);
    return current->platformOnWheel(where, distance, current->getCurrentMouseButtons());
}

bool AEffGUIEditor::setKnobMode(vst::int32 mode) {
    CFrame::kDefaultKnobMode = mode;
    return true;
}

// The effect is always an AudioEffectX. The calls are not type-checked at run
// time (no vptr check): the toolkit links without the plug-in's base classes,
// whose type information lives in the plug-in core.
namespace {
__attribute__((no_sanitize("vptr"))) void hostBeginEdit(AudioEffect* effect, int32 index) {
    static_cast<AudioEffectX*>(effect)->beginEdit(index);
}
__attribute__((no_sanitize("vptr"))) void hostEndEdit(AudioEffect* effect, int32 index) {
    static_cast<AudioEffectX*>(effect)->endEdit(index);
}
}  // namespace

// Only parameters are the host's business; tags above 1023 mark controls
// without one.
void AEffGUIEditor::beginEdit(int32 index) {
    if (effect && index >= 0 && index < 1024)
        hostBeginEdit(effect, index);
}

void AEffGUIEditor::endEdit(int32 index) {
    if (effect && index >= 0 && index < 1024)
        hostEndEdit(effect, index);
}

void AEffGUIEditor::frameCreated(CFrame* newFrame) {
    if (ownedFrame && ownedFrame != newFrame) {
        CFrame* old = ownedFrame;
        ownedFrame = nullptr;
        if (frame == old)
            frame = nullptr;
        old->close();
    }
    ownedFrame = newFrame;
}

void AEffGUIEditor::frameDestroyed(CFrame* oldFrame) {
    if (ownedFrame == oldFrame)
        ownedFrame = nullptr;
    if (frame == oldFrame)
        frame = nullptr;
}

}  // namespace kgui
