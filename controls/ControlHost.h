// What a control asks of the editor it sits in. The editor implements this
// beside its toolkit base (AEffGUIEditor); a control finds it through its frame
// with controlHostOf() and reaches the plug-in only through getServices().
// A control that finds no host draws nothing and lets every event pass.
//
// Edit gestures: a control's beginEdit()/endEdit() reach the editor through
// the toolkit (VSTGUIEditorInterface::beginEdit/endEdit). A host passes every
// tag on to TEditorServices::beginEdit/endEdit: the host application hears
// only of parameters 0..1023, while the editor still learns each edited tag
// (NO_PARAM_TAG or -1 clear the edited control).
//
// Everything here runs on the user-interface thread.
#pragma once

#include <string>

#include "plugin/EditorServices.h"
#include "toolkit/AEffGUIEditor.h"
#include "toolkit/CControl.h"
#include "toolkit/CView.h"

class TControlHost {
public:
    virtual ~TControlHost() = default;

    // The plug-in, or null while the editor has none.
    virtual TEditorServices* getServices() = 0;
    // False until every screen of the window is built; controls draw nothing before.
    virtual bool getEditorFinishedOpening() const = 0;
    // The screen size index, 0..3 for 100, 125, 150 and 200 %.
    virtual int getBig() const = 0;

    // ---- settings of the editor
    // Knobs and the ribbon show how far modulation moves their value.
    virtual bool getDialAnimationOn() const = 0;
    // Knobs may be dragged onto destination menus to assign modulation...
    virtual bool getDragAndDropOn() const = 0;
    // ...when their parameter may be a modulation source.
    virtual bool getDropAllowed(int tag) const = 0;

    // ---- drag-and-drop modulation: a knob pressed for a drag, then released
    virtual void setDropTag(int tag) = 0;
    virtual void releasedDropDial() = 0;

    // ---- menus the controls open
    // The parameter menu (MIDI learn, values, modulation) of a knob, or of the
    // ribbon when ribbon is true.
    virtual void showMIDIMenu(kgui::CControl* control, bool ribbon) = 0;
    virtual void showControlMenu() = 0;
    virtual void showECSMenu() = 0;
    virtual void showMoveSpeedMenu() = 0;

    // ---- stepping through lists that the editor owns
    // The built-in programs: the editor drops requests while a program is
    // being applied and closer than 300 ms to the last step.
    virtual void changeProgramDelta(int delta, bool fromKey) = 0;
    // The sample folders; steps nothing so far.
    virtual void changeFolderDelta(int delta, bool fromKey) = 0;
    // A group of radio buttons; steps nothing so far.
    virtual void changeRadioDelta(int group, int delta) = 0;

    // ---- texts that the editor keeps
    // Short name of modulation destination 0..125 as the current Mod FX mode names it.
    virtual std::string getDestShortStr(int destination) const = 0;

    // ---- the displays: ribbon, Movement, output scope, Gator, the two sample views
    // They do nothing by default so that hosts written before these controls
    // keep building; the editor overrides every one of them.
    //
    // The editor's control image of a 100 % id (the ribbon's marks and handles,
    // the browser's folder and file icons) at the window's size, or null. The
    // editor keeps it while it is open; the caller takes no reference.
    virtual kgui::CBitmap* getControlBitmap(int id) {
        (void)id;
        return nullptr;
    }
    // Pop-up menus of the Movement display, the output scope, a Gator display,
    // the sample browser and the waveform view.
    virtual void showMovementMenu() {}
    virtual void showOutputMenu() {}
    virtual void showModFXMenu() {}
    virtual void showSampleFileMenu() {}
    virtual void showSampleCommandMenu() {}
    // Undo images taken before a click edits the Movement shape or a Gator pattern.
    virtual void setMoveUndo() {}
    virtual void setModFXUndo() {}
    // The Movement display and selector are redrawn at the next idle pass.
    virtual void setMainScreenDirty() {}
    // The sample page refreshes its readouts and buttons at the next idle pass.
    virtual void setSampleScreenDirty() {}
    // The waveform view shows the whole sample again (a new file was loaded).
    virtual void resetSampleScreen() {}
};

// The host of the editor that the view's frame belongs to, or null.
inline TControlHost* controlHostOf(const kgui::CView* view) {
    return dynamic_cast<TControlHost*>(view->getEditor());
}

// A value typed into a knob or the ribbon (Alt-click), inside the control's
// own edit gesture: the plug-in stores a typed value quietly, and the editor
// moves controls to stored values only at its next idle pass, so the control
// takes the stored value here and reports it, and the host records it once,
// between the gesture's begin and end. An entry that stores nothing
// (cancelled, no number, below its threshold) reports nothing. True when a
// value was taken.
inline bool takeTypedValue(kgui::CControl& control, TEditorServices& services) {
    const int tag = control.getTag();
    const float before = services.getParameter(tag);
    services.setNumValue(tag);
    const float stored = services.getParameter(tag);
    if (stored == before)
        return false;
    control.setValue(stored);
    control.valueChanged();
    return true;
}

// The plug-in's sample library, or null while there is no host or plug-in.
inline TSampleServices* sampleServicesOf(TControlHost* host) {
    TEditorServices* services = host ? host->getServices() : nullptr;
    return services ? &services->getSampleServices() : nullptr;
}
