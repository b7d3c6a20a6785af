// The editor's heartbeat. On Linux the window's own events arrive through the
// host's idle calls, so every call pumps them and redraws what changed; the
// editor's refresh from the plug-in runs at most every 50 ms. What the plug-in
// left for the editor (the tags it stored, its requests) is taken here, on the
// editor's thread, whichever thread left it.
#include "editor/uEditor.h"

#include <algorithm>

#include "controls/THSlider.h"
#include "controls/TSampleDisplay.h"
#include "controls/TSampleFileDisplay.h"
#include "controls/TWaveScreen.h"
#include "editor/EditorTables.h"

using namespace kgui;

namespace {

constexpr uint32 IDLE_MILLISECONDS = 50;
constexpr int SOURCE_MODE_TAG = 10, MOD_FX_MODE_TAG = 82, RIBBON_BIPOLAR_TAG = 124, SAMPLE_LOOP_MODE_TAG = 244;
// The output scope runs with the three noise sources, whose panel shows it.
constexpr int LAST_NOISE_SOURCE = 2;

}  // namespace

void uEditor::idle() {
    if (!frame || !services || !editorFinishedOpening || inShowMainScreenControls || inShowSampleScreen ||
        inResume) {
        AEffGUIEditor::idle();
        return;
    }
    const bool panels = screenMode == 0 || screenMode == 1;
    // The ribbon follows its spring on every call.
    if (panels && ribbonSlider) {
        ribbonSlider->setCentered(services->getOnOff(RIBBON_BIPOLAR_TAG));
        ribbonSlider->setCurValue();
    }

    const uint32 now = getTicks();
    if (now - lastIdleTicks >= IDLE_MILLISECONDS) {
        lastIdleTicks = now;

        takeOffThreadRequests();
        TEditorRequests requests = services->takeEditorRequests();
        if (requests.clearUndos)
            clearUndos();
        // A program was applied: its Mod FX settings stand, the memory keeps its own.
        if (requests.modFXModeTaken)
            updateIdleVars();
        changedTags.clear();
        services->takeChangedTags(changedTags);
        if (requests.redraw)
            resume();
        else
            for (int tag : changedTags)
                setParameter(tag, 0);
        changedTags.clear();

        if (panels) {
            // A mode stepped by the user swaps in that mode's settings; a
            // program being applied brings its own, and asks for the mode to
            // be taken before it lets go of its flag, so a mode found changed
            // after it is checked against a request taken now.
            if (!services->getIsSettingPreset() &&
                std::clamp(services->getSteppedValue(MOD_FX_MODE_TAG), 0, MOD_FX_MODE_COUNT - 1) != modFXType) {
                const TEditorRequests late = services->takeEditorRequests();
                if (late.clearUndos)
                    clearUndos();
                if (late.redraw)
                    services->requestEditorRedraw();
                if (late.modFXModeTaken)
                    updateIdleVars();
                else
                    updateModFX();
            }
            if (!inRedrawSource && paramChangedSinceIdle)
                redrawSourceViewContainer();
            if (!inRedrawModFX && modFXChanged)
                redrawModFXViewContainer();
            if (screenMode == 1) {
                const int loopMode = services->getSteppedValue(SAMPLE_LOOP_MODE_TAG);
                if (loopMode != sampleLoopModeShown) {
                    sampleLoopModeShown = loopMode;
                    sampleScreenDirty = true;
                }
                if (sampleScreenDirty) {
                    updateSampleScreen();
                    for (CView* view : {static_cast<CView*>(sampleDisplay), static_cast<CView*>(sampleFileDisplay)})
                        if (view)
                            view->setDirty();
                }
            }
            if (waveScreen && services->getSteppedValue(SOURCE_MODE_TAG) <= LAST_NOISE_SOURCE)
                waveScreen->update(static_cast<int>(lastIdleTicks / (outputDisplaySpeed ? 200 : 100)));
        }
    }
    // Last: an event handled here may close the window.
    AEffGUIEditor::idle();
}
