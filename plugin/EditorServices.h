// What the controls and the editor may ask of the plug-in: the one door from
// the user-interface side into the instrument. The controls and the editor
// hold a TEditorServices& and nothing else of the plug-in; the plug-in object
// implements it, and hands out its sample library's own interface
// (TSampleServices) from getSampleServices(). Every operation here is called
// on the user-interface thread unless its comment says otherwise; the audio
// thread keeps running meanwhile, so read-outs show whatever it last published.
//
// Tags are parameter indices 0..1023; an operation that takes a tag does
// nothing (or answers 0, false, -1 or an empty text) for any other tag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/SampleServices.h"

// Requests that the audio thread (or a host thread) leaves for the editor. The
// plug-in only raises them; the editor's idle pass takes them and acts.
struct TEditorRequests {
    bool redraw = false;         // refresh every control from the stored values
    bool modFXModeTaken = false;  // a program was applied: take the Mod FX mode into the idle cache
    bool clearUndos = false;     // a program was applied: empty the undo rings
};

class TEditorServices {
public:
    virtual ~TEditorServices() = default;

    // ---- parameter values
    // Plain store: clamps, rounds on/off values, stores; the host is not told.
    virtual void setParameter(int tag, float value) = 0;
    // Stores as setParameter does, then tells the host (automation).
    virtual void setParameterAutomated(int tag, float value) = 0;
    virtual float getParameter(int tag) = 0;
    // A gesture on a parameter starts and ends; the host records between them.
    // Only tags 0..1023 reach the host.
    virtual bool beginEdit(int tag) = 0;
    virtual bool endEdit(int tag) = 0;

    virtual bool getOnOff(int tag) const = 0;
    virtual void setOn(int tag) = 0;
    virtual void setOff(int tag) = 0;
    virtual float getDefaultValue(int tag) const = 0;
    virtual float getZeroValue(int tag) const = 0;
    virtual float getOrigValue(int tag) const = 0;
    virtual void setToDefault(int tag) = 0;
    virtual void setToOrig(int tag) = 0;
    virtual void copyParameter(int from, int to) = 0;
    virtual void swapParameter(int a, int b) = 0;
    virtual int getParamType(int tag) const = 0;
    virtual int getTagDest(int tag) const = 0;
    virtual bool getHasControl(int tag) const = 0;

    // ---- stepped (menu) parameters
    virtual int getSteppedNum(int tag) const = 0;
    virtual float getSteppedRange(int tag) const = 0;
    virtual int getSteppedValue(int tag) const = 0;
    virtual int getSteppedValue(int tag, float value) const = 0;
    virtual int getSteppedValue(int tag, float range, int count) const = 0;
    virtual void setSteppedValue(int tag, int step) = 0;
    virtual void setSteppedValue(int tag, int step, float range, int count) = 0;
    virtual void setSteppedValueMax(int tag) = 0;

    // ---- edits by step and by typed value
    virtual void changeDelta(int tag, int delta, bool fine, float amount) = 0;
    // Opens the text-input window for the tag's value in its display unit.
    virtual void setNumValue(int tag) = 0;

    // ---- texts
    virtual std::string getParameterDisplayStr(int tag) = 0;
    virtual std::string getParameterNameStr(int tag) = 0;
    // Short name of modulation source 0..62 (as the source menus show it);
    // empty for any other number.
    virtual std::string getSrcShortStr(int source) const = 0;
    // The effect stage (0 Low-Fi, 1 Mod FX, 2 Delay, 3 Reverb) that runs at
    // `position` (0..3) in the current "FX Path": the chain's own order.
    virtual int getFxPathStage(int position) const = 0;

    // ---- programs
    virtual int getNumBuiltinPrograms() const = 0;
    virtual int getCurBuiltinProgram() const = 0;
    virtual std::string getDemoName(int index) const = 0;
    virtual void setDemoProgram(int index) = 0;
    virtual void changeDemoProgramDelta(int delta) = 0;
    virtual bool getIsSettingPreset() const = 0;
    virtual bool getEditChanged() const = 0;
    virtual void origProgram() = 0;
    virtual void editProgram() = 0;
    virtual void clearProgram() = 0;
    virtual void doHardReset() = 0;

    // ---- the editor's own hand-off with the plug-in
    // Written by the editor as it opens and closes; the plug-in treats the
    // editor as open only while opened is set and opening is clear.
    virtual void setEditorOpenState(bool opening, bool opened) = 0;
    virtual bool getPopupActive() const = 0;
    virtual void setPopupActive(bool active) = 0;
    // Takes (and clears) what was asked of the editor since the last call.
    virtual TEditorRequests takeEditorRequests() = 0;
    // Raised by the editor's own commands (the sample views' drops).
    virtual void requestEditorRedraw() = 0;
    // Takes (and clears) the tags whose values were stored since the last
    // call, from any thread; appends them to tags in ascending order.
    virtual void takeChangedTags(std::vector<int>& tags) = 0;
    virtual std::string getManualPath() const = 0;

    // ---- the sample library: the user sample, its positions, the sample
    // folders and the browser (plugin/SampleServices.h)
    virtual TSampleServices& getSampleServices() = 0;

    // ---- MIDI
    virtual void updateMIDIChannel(bool force) = 0;
    virtual void previewNoteOn() = 0;
    virtual void previewNoteReleased() = 0;
    virtual void setMIDILatch(int tag, bool latch) = 0;
    virtual void setMIDICCNum(int tag) = 0;
    virtual void resetMIDI() = 0;
    virtual void resetMIDICapture() = 0;
    virtual void loadECS() = 0;
    virtual void saveECS() = 0;

    // ---- tuning
    virtual void loadTuning() = 0;
    virtual void resetTuning() = 0;
    virtual std::string getTuningName() = 0;

    // ---- modulation, Movement and the displays
    virtual int getModDest(int tag) = 0;
    virtual int getModSlotDest(int slot) = 0;
    virtual std::string getModSrcByModStr(int menu) = 0;
    virtual void setModSlotVar(int slot, bool bypass, float amount, int source, int destination) = 0;
    virtual float getModValue(int tag) = 0;
    virtual float getMovementValue(int wave, float phase) = 0;
    virtual float getMovementPos() = 0;
    virtual float getPan() = 0;
    virtual int getLockState() const = 0;
    virtual void setLockState(int state) = 0;
    virtual float getLockVar(int tag) = 0;
    virtual int getGaterPos() = 0;
    virtual void getWaveDisplay(int points, float zoom, float* out) = 0;

    // ---- ribbon
    virtual int getRibbonQuant() = 0;
    virtual int getRibbonSpringTime() = 0;
    virtual void setRibbbonSpringOff() = 0;
    virtual void setRibbonSpringOn() = 0;
};
