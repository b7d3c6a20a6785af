// The plug-in's editor: the window the host opens, built anew at every opening
// from the layout rows (editor/MainScreenLayout.h, editor/BackScreenLayout.h)
// at the screen size the preferences chose when the editor was made. The
// object lives as long as the plug-in; a host that never opens the window pays
// for the object alone: no image, frame, control or control table exists
// until open and none survives close.
//
// Threads: every operation runs on the host's user-interface thread, the
// thread that opens the window. The plug-in reaches the editor only through
// TEditorHooks; a hook called from any other thread (the audio thread applying
// a program, a host automating from its audio thread) only records what it was
// asked, and the next idle pass does it. Member functions are split across
// one file per subject: uEditor.cpp (object and lifecycle), uEditorControls.cpp
// (control table and factories), uEditorCreateControls.cpp (main screen),
// uEditorShowControls.cpp (screens and panels), uEditorDispatch.cpp (controls
// to plug-in and back, through the handler tables), uEditorTopBar.cpp,
// uEditorMainPanels.cpp, uEditorSampleScreen.cpp and uEditorBackside.cpp (what
// the controls of the top bar, the main screen's panels, the sample screen and
// the back screen do beyond storing their value, and what a stored value does
// to them), uEditorResume.cpp (menus and controls from the stored values),
// uEditorIdle.cpp, uEditorMenu.cpp (the parameter, ECS, Movement speed and
// settings menus), uEditorPanelMenus.cpp (the panels' menus and the undo
// rings), uEditorRemove.cpp.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "controls/ControlHost.h"
#include "editor/MainScreenLayout.h"
#include "editor/UndoRing.h"
#include "plugin/EditorHooks.h"
#include "plugin/EditorMarks.h"
#include "toolkit/kgui.h"

class TGatorDisplay;
class THSlider;
class TKickButton;
class TKnob;
class TLFOScreen;
class TLFOSelector;
class TLabel;
class TMenuButton;
class TOnOff;
class TOptionMenu;
class TRadioButton;
class TReadout;
class TReadoutString;
class TSampleDisplay;
class TSampleFileDisplay;
class TWaveScreen;

// Where the plug-in gets its editor (declared in plugin/EditorFactory.h).
extern "C" AEffEditor* createEditorInstance(AudioEffect* effect, TEditorServices* services);

class uEditor : public kgui::AEffGUIEditor,
                public kgui::IControlListener,
                public kgui::IKeyboardHook,
                public TControlHost,
                public TEditorHooks {
public:
    // services: the plug-in behind effect, the editor's one door into it.
    uEditor(AudioEffect* effect, TEditorServices* services);
    ~uEditor() override;
    uEditor(const uEditor&) = delete;
    uEditor& operator=(const uEditor&) = delete;

    // ==== object and lifecycle (uEditor.cpp)
    bool open(void* parentWindow) override;
    void close() override;
    bool getEditorFinishedOpening() const override { return editorFinishedOpening; }
    TEditorServices* getServices() override { return services; }

    // Preference switches stored as "Y"/"N": a value that is not exactly one
    // character gives the default; otherwise N reads off where the default is
    // on, and only Y reads on where it is off.
    static bool getRegValue(const std::string& key, bool defaultOn);
    static void setRegValue(const std::string& key, bool on);
    static void setRegOn(const std::string& key) { setRegValue(key, true); }
    static void setRegOff(const std::string& key) { setRegValue(key, false); }

    int getBig() const override;
    // Stores the size for the next opening and tells the user so; the open
    // window keeps its size.
    void setScreenSize(int size);
    // A 100 % position or size at the window's size: truncated, plus the
    // correction of that size.
    int getScaled(int v, int c125 = 0, int c150 = 0, int c200 = 0) const;
    int getScaled(float v, int c125 = 0, int c150 = 0, int c200 = 0) const;
    int getScaled(const TScaledValue& v) const;
    int getScaledBitmap(int id) const;
    static bool isValidTag(int tag) { return static_cast<unsigned>(tag) < 1024u; }

    void createBitmaps();
    void updatePresetMenu();
    // Hooks of the sample folder menu and the radio groups: no folder list or
    // radio group exists on these screens.
    void createManagerScreenControls() {}
    void updateFolderMenu() {}
    void changeFolderDelta(int, bool) override {}
    void changeRadioDelta(int, int) override {}

    // ==== control table and factories (uEditorControls.cpp)
    static constexpr int MAX_CONTROLS = 10000;
    enum TControlType : int { GENERIC = 0, KNOB = 1, OPTION_MENU = 2, ON_OFF = 3, RIBBON = 4, CAPTION = 5 };
    struct TControlEntry {
        kgui::CControl* control = nullptr;
        int type = GENERIC;
        bool hasType = false;
    };

    // Registers a control made elsewhere: its table entry, and for a
    // parameter tag the tag's entry, default and current value.
    void addControl(kgui::CControl* control, int type);
    int getControlCount() const { return static_cast<int>(controls.size()); }
    const TControlEntry& getControlEntry(int index) const { return controls[static_cast<size_t>(index)]; }
    // The control registered last for a parameter tag, or null.
    kgui::CControl* getTagControl(int tag) const;
    int getTagType(int tag) const { return isValidTag(tag) ? tagType[static_cast<size_t>(tag)] : GENERIC; }

    void createOnOff(TOnOff*& ctl, int tag, int x, int y);
    void createOnOff(TOnOff*& ctl, int tag, int x, int y, kgui::CBitmap* bitmap);
    void createOnOff(TOnOff*& ctl, int tag, int x, int y, TLabel*& label, const std::string& text, int side,
                     int labelWidth, int switchOffset);
    void createLabel(TLabel*& label, int x, int y, int w, int h, const std::string& text, kgui::CFontDesc* font,
                     kgui::CColor color, int align);
    void createKickButtonArea(kgui::CKickButton*& ctl, int x, int y, int w, int h);
    void createKickButton(TKickButton*& ctl, int x, int y, int w, int h, const std::string& text, int kind);
    void createKickButton(TKickButton*& ctl, int x, int y, int w, int h, const std::string& text);
    void createKickButton(kgui::CKickButton*& ctl, int x, int y, int tag, kgui::CBitmap* bitmap);
    void createOnOffKick(TKickButton*& ctl, int x, int y, bool invert);
    void createKickButtonLabel(TKickButton*& ctl, int x, int y, TLabel*& label, const std::string& text, int side,
                               kgui::CColor color, int labelWidth);
    void createRadio(TRadioButton*& ctl, int x, int y, int group, int index);
    void createRadioLabel(TRadioButton*& ctl, int x, int y, int index, TLabel*& label, const std::string& text,
                          int side, int labelWidth);
    void createKnob(TKnob*& ctl, int tag, int x, int y, int style);
    void createKnob(TKnob*& ctl, int tag, int x, int y, int style, TLabel*& label, const std::string& text,
                    int margin);
    void createReadout(TReadout*& ctl, int x, int y, int w, int h, const std::string& text, bool centered,
                       bool boxed);
    void createMenu(TOptionMenu*& menu, int tag, int x, int y, int w, int h, int count,
                    std::span<const std::string> entries, bool centered, bool deltaButtons);
    void createMenu(TOptionMenu*& menu, int tag, int x, int y, int w, int h, std::span<const std::string> entries,
                    bool centered, bool deltaButtons);
    void createLabelMenu(TOptionMenu*& menu, int tag, int x, int y, int w, int h, int count,
                         std::span<const std::string> entries, TLabel*& label, const std::string& text, int side,
                         int labelWidth, bool deltaButtons);
    void createLabelMenu(TOptionMenu*& menu, int tag, int x, int y, int w, int h,
                         std::span<const std::string> entries, TLabel*& label, const std::string& text, int side,
                         int labelWidth, bool deltaButtons);
    void createSrcMenu(int slot, int tag, int x, int y, int w, int h);
    void createSrcMenu(int slot, int tag, int x, int y, int w, int h, TLabel*& label, const std::string& text,
                       int labelWidth);
    void createDestMenu(int slot, int x, int y, int w, int h, TLabel*& label, const std::string& text,
                        int labelWidth);
    void createMenuButton(TMenuButton*& ctl, int kind, int x, int y, int w, int h, const std::string& text,
                          bool ledLook, bool boxed);

    // Knob sizes at 100 % by style, and whether the style draws the centre mark.
    static int getKnobSize(int style);
    static bool getKnobCenterMark(int style);

    // ==== main screen (uEditorCreateControls.cpp)
    void createMainScreenControls();
    // The control of a layout or back-screen member ("knobMainVolume",
    // "srcMenus[2]"), or null; its caption member works too ("labelMainVolume").
    kgui::CControl* findMember(std::string_view member) const;

    // ==== screens and panels (uEditorShowControls.cpp)
    void showMainScreen();
    // The frame emptied onto a screen's background (screenMode 0: main,
    // 1: sample), with the main screen's controls that the screen shows.
    void showScreenBase(kgui::CBitmap* background, int mode);
    void showMainScreenControls();
    void showTop();
    void showSampleScreenControls();
    void redrawSourceViewContainer();
    void redrawModFXViewContainer();
    // Hook: swaps the remembered Mod FX values when the Mod FX mode changed.
    void updateModFX() override;
    // Hook: takes the Mod FX mode into the cache, so that the program's values
    // are not replaced from the memory.
    void updateIdleVars() override;
    void updateSampleScreen();
    void resetSampleScreen() override;
    int getScreenMode() const { return screenMode; }
    int getModFXType() const { return modFXType; }
    // The values last used in a Mod FX mode: parameters 84..89, then 83.
    const std::array<float, 7>& getModFXMemory(int mode) const;

    // ==== back screen (uEditorBackside.cpp)
    void createBackScreen();
    void showBackScreen();
    void hideBackScreen();
    void setBackScreenMode(int) {}

    // ==== controls to the plug-in and back (uEditorDispatch.cpp)
    void valueChanged(kgui::CControl* control) override;
    // Hook: moves the controls of the tag to its stored value.
    void setParameter(int tag, float value) override;
    // Hook: the control being edited (the plug-in's gestures).
    void setEditTag(int tag) override;
    void changeProgramDelta(int delta, bool fromKey) override;
    using kgui::AEffGUIEditor::onKeyDown;
    using kgui::AEffGUIEditor::onKeyUp;
    kgui::int32 onKeyDown(const kgui::VstKeyCode& key, kgui::CFrame* frame) override;
    kgui::int32 onKeyUp(const kgui::VstKeyCode& key, kgui::CFrame* frame) override;
    // Gestures of every control reach the plug-in, which tells the host of parameters only.
    void beginEdit(kgui::int32 index) override;
    void endEdit(kgui::int32 index) override;
    kgui::CControl* getEditControl() const { return editControl; }

    // ==== menus and controls from the stored values (uEditorResume.cpp)
    virtual void resume();
    void resumeMenu(TOptionMenu*& menu);
    void resumeSubMenu(TOptionMenu*& menu, float value, std::span<const std::string> table);
    void resumeSubMenu(TOptionMenu*& menu, int tag, std::span<const std::string> table);
    void resumeDestMenu(int k);
    void updateDestStr();
    std::string getDestShortStr(int destination) const override;
    const std::string& getDestStr(int destination) const;
    void setModValue(TKnob*& knob);

    // ==== idle (uEditorIdle.cpp)
    void idle() override;

    // ==== pop-up command menus and drag-and-drop (uEditorMenu.cpp, uEditorPanelMenus.cpp)
    void showMIDIMenu(kgui::CControl* control, bool ribbon) override;
    void showControlMenu() override;
    void showECSMenu() override;
    void showMoveSpeedMenu() override;
    void showMovementMenu() override;
    void showOutputMenu() override;
    void showModFXMenu() override;
    void showSampleFileMenu() override;
    void showSampleCommandMenu() override;
    void setDropTag(int tag) override;
    void releasedDropDial() override;

    // ==== the Gator, Movement, output and sample menus and their undo rings (uEditorPanelMenus.cpp)
    // A snapshot of the Gator's 84..89, the Movement's 39..60 or the user
    // sample's 244..314 onto its ring, before a command or a click rewrites them.
    void setModFXUndo() override;
    void setMoveUndo() override;
    void setSampleUndo();
    // Hook: empties the three undo rings; from any other thread only asks for it.
    void clearUndos() override;
    // The Gator's working buffer into "Mod FX 4" and "Mod FX 5" (plain store: the host is not told).
    void setGaterVar();

    // ==== what the controls read of the editor's settings
    bool getDialAnimationOn() const override { return dialAnimationOn; }
    bool getDragAndDropOn() const override { return dragAndDropOn; }
    bool getDropAllowed(int tag) const override;
    kgui::CBitmap* getControlBitmap(int id) override;
    void setMainScreenDirty() override { mainScreenDirty = true; }
    void setSampleScreenDirty() override { sampleScreenDirty = true; }
    bool getKeyboardOn() const { return keyboardOn; }
    bool getOutputDisplaySpeed() const { return outputDisplaySpeed; }

    // ==== drag-and-drop modulation (uEditorDragDrop.cpp)
    // Completes the knob's drop onto the destination menu of destTag: the
    // idle pass calls it when the mouse was released over one of the eight.
    void dropMod(int destTag);
    // The parameter of the destination menu under the pointer, or -1.
    int destinationMenuAtPointer() const;

    // ==== removal (uEditorRemove.cpp)
    void removeBitmaps();
    void removeControls();
    template <typename T>
    static void removeControl(T*& object) {
        if (object) {
            object->forget();
            object = nullptr;
        }
    }
    static void removeBitmap(kgui::CBitmap*& bitmap) { removeControl(bitmap); }

    // "OutputDisplaySpeed": on is the fast scope (a new trace every 100 ms),
    // off the slow one (every 200 ms), as the menus name them. The default
    // for every reader while the key is missing: off, the slow scope.
    static constexpr bool OUTPUT_DISPLAY_SPEED_DEFAULT = false;

private:
    // True on the thread that opened the window (or made the editor, before it opens).
    bool onUiThread() const;
    // What the plug-in's hooks left from other threads, done on this one.
    void takeOffThreadRequests();
    // The steps of an opening: the frame with the panel containers in the
    // host's window (false, with the window left again, if it cannot open),
    // every control with the handler tables, and a start with no drop, no
    // marks from before and no hint.
    bool openFrame(void* parentWindow);
    void createControls();
    void startAfresh();
    // Leaves the window: with tellPlugin false (the plug-in is going away) the
    // plug-in is not touched.
    void closeWindow(bool tellPlugin);
    // An emptying of the rings that a program asked for since the last idle
    // pass, done before a ring is used; the other requests stay for the pass.
    void takeUndoClears();
    void pushUndo(TUndoRing& ring);
    void popUndo(TUndoRing& ring);
    // A menu's outcome: its "Undo" pops the ring, anything else (a dismissal
    // too) pushes a snapshot first. True for the "Undo".
    bool undoOrPush(TUndoRing& ring, const std::string& chosen);
    // Registration of one made control, by the factories.
    void registerControl(kgui::CControl* control, int type);
    void makeCaption(TLabel*& label, const kgui::CRect& rect, const std::string& text, int align,
                     kgui::CColor color);
    void captionSwitch(TLabel*& label, int x, int y, const std::string& text, int side, int labelWidth,
                       int belowGap, int leftGap, kgui::CColor color);
    // The rows of a layout table made by their factories (rows made directly are skipped).
    void createRows(std::span<const TLayoutRow> rows);
    void createRow(const TLayoutRow& row);
    // One row by its kind of factory, at its scaled place (caption: the row's caption member, or null).
    void createCaptionRow(const TLayoutRow& row, const TPixelBox& box);
    void createKnobRow(const TLayoutRow& row, const TPixelBox& box, TLabel** caption);
    void createSwitchRow(const TLayoutRow& row, const TPixelBox& box, TLabel** caption);
    void createButtonRow(const TLayoutRow& row, const TPixelBox& box);
    void createMenuRow(const TLayoutRow& row, const TPixelBox& box, TLabel** caption);
    void createPresetMenus();
    void createGroupedMenus();
    kgui::CRect rowRect(const TLayoutRow& row) const;
    std::span<const std::string> entriesOf(TEntryTable table) const;
    // The rectangle of the frame: the background image's, or the window's when
    // the image is missing.
    kgui::CRect frameRect() const;
    kgui::CRect containerRect(kgui::CBitmap* bitmap, const TScaledValue& x, const TScaledValue& y, int width,
                              int height) const;
    void addToFrame(kgui::CView* view);
    void showBackScreenReadouts();

    // ==== the handler tables (uEditorDispatch.cpp; the handlers in their panels' files)
    // What a control reported, as its handler reads it.
    struct TControlReport {
        kgui::CControl* control;
        int tag;
        int slot;                // the control's place among the like controls of its handler, else 0
        bool pressed;            // its value above one half: a button held down, a switch on
        int chosen;              // a menu's chosen entry, or -1
        std::string chosenText;  // that entry's title
    };
    using TControlHandler = void (uEditor::*)(const TControlReport& report);
    struct TControlBinding {
        TControlHandler handler;
        int slot;
    };
    // A value the plug-in stored, as the follower of its tag reads it.
    struct TStoredValue {
        int tag;
        int slot;     // the tag's place among the like tags of its follower, else 0
        float value;  // 0..1
    };
    using TTagFollower = void (uEditor::*)(const TStoredValue& stored);
    struct TTagBinding {
        TTagFollower follower;
        int slot;
    };
    // Made once the controls exist, emptied as the window closes: a control
    // (or tag) with no entry only stores (or shows) its parameter's value.
    std::unordered_map<const kgui::CControl*, TControlBinding> controlHandlers;
    std::unordered_map<int, TTagBinding> tagFollowers;
    void bindHandlers();
    void onChange(kgui::CControl* control, TControlHandler handler, int slot = 0);
    void onStored(int tag, TTagFollower follower, int slot = 0);
    TControlReport reportOf(kgui::CControl* control, int slot) const;
    // The step of a menu's chosen entry, when an entry was chosen.
    void setChosenStep(int tag, int chosen);
    // Every control of the tag to the value (not the menus, whose followers show them).
    void moveTagControls(int tag, float value);

    // ---- the top bar (uEditorTopBar.cpp)
    void bindTopBar();
    void presetCommandChosen(const TControlReport& report);
    void programChosen(const TControlReport& report);
    void previewPressed(const TControlReport& report);
    void previewStopPressed(const TControlReport& report);
    void originalProgramPressed(const TControlReport& report);
    void editedProgramPressed(const TControlReport& report);
    void manualPressed(const TControlReport& report);
    void backScreenPressed(const TControlReport& report);

    // ---- the main screen's panels (uEditorMainPanels.cpp)
    void bindMainPanels();
    void steppedMenuChosen(const TControlReport& report);
    void sourceModeChosen(const TControlReport& report);
    void sampleChosen(const TControlReport& report);
    void filterModeChosen(const TControlReport& report);
    void sampleReverseSwitched(const TControlReport& report);
    void snapChosen(const TControlReport& report);
    void speedLockChosen(const TControlReport& report);
    void ribbonQuantizationChosen(const TControlReport& report);
    void ribbonSpringTimeChosen(const TControlReport& report);
    void ribbonBipolarSwitched(const TControlReport& report);
    void modulationSourceChosen(const TControlReport& report);
    void modulationDestinationChosen(const TControlReport& report);
    void showSteppedMenu(const TStoredValue& stored);
    void showSnap(const TStoredValue& stored);
    void showSourceMode(const TStoredValue& stored);
    void showSample(const TStoredValue& stored);
    void showFilterMode(const TStoredValue& stored);
    void showGrain(const TStoredValue& stored);
    void showMovementShape(const TStoredValue& stored);
    void showModulationSource(const TStoredValue& stored);
    void showModulationDestination(const TStoredValue& stored);

    // ---- the sample screen (uEditorSampleScreen.cpp)
    void bindSampleScreen();
    void sampleScreenPressed(const TControlReport& report);
    void sampleLoopModeChosen(const TControlReport& report);
    void sampleNudgePressed(const TControlReport& report);
    void sampleZoomPressed(const TControlReport& report);
    void samplePositionTyped(const TControlReport& report);

    // ---- the back screen (uEditorBackside.cpp)
    void bindBackScreen();
    void backScreenClosePressed(const TControlReport& report);
    void preferenceSwitched(const TControlReport& report);
    void keyboardSwitched(const TControlReport& report);
    void screenSizeChosen(const TControlReport& report);
    void midiChannelChosen(const TControlReport& report);
    void a4TuningPressed(const TControlReport& report);
    void tuningPressed(const TControlReport& report);
    void brickFilterPressed(const TControlReport& report);

public:
    // ==== state (start values set by the constructor; open sets some again)
    TEditorServices* services;

    bool editorFinishedOpening = false;
    bool shownEditChanged = false;
    bool inResume = false;
    bool toolTipOn = true;
    bool inShowMainScreen = false;
    bool inRedrawSource = false;
    bool paramChangedSinceIdle = false;
    bool modFXChanged = false;
    bool inShowMainScreenControls = false;
    bool inShowSampleScreen = false;
    bool inRedrawModFX = false;
    bool mainScreenDirty = false;
    bool sampleScreenDirty = false;

    int screenSize = 0;
    float scale = 1.0f;
    kgui::uint32 lastIdleTicks = 0;
    kgui::uint32 keyTicks = 0;
    kgui::uint32 lastProgramChangeTicks = 0;
    int screenMode = 0;  // 0 main, 1 sample, 3 back screen
    int dropTag = -1;
    float dropValue = 0;
    bool dropReleased = true;
    // The destination menu's parameter the knob was let go over, or -1.
    int dropReleaseTag = -1;
    std::array<bool, 1024> dropAllowed{};
    int modFXType = 0;
    int filterModeShown = -1;
    int movementWaveShown = 0;
    int sampleLoopModeShown = 0;

    // Control table: allocated when the window opens, released when it closes.
    std::vector<TControlEntry> controls;
    std::array<int, 1024> tagToControl{};
    std::array<int, 1024> tagType{};
    kgui::CControl* editControl = nullptr;

    std::array<std::string, 126> destStr;
    std::array<std::string, 126> destShortStr;

    // Per Mod FX mode (rows in the order of the modes), parameters 84..89 then 83.
    std::array<std::array<float, 7>, 10> modFXDefaults{};
    std::array<std::array<float, 7>, 10> modFXMemory{};

    bool dialAnimationOn = true;
    bool outputDisplayOn = true;
    bool outputDisplaySpeed = OUTPUT_DISPLAY_SPEED_DEFAULT;
    bool displayMovePos = true;
    bool displayMoveMid = true;
    bool displayMovePan = true;
    bool displayGaterPos = true;
    bool keyboardOn = true;
    bool dragAndDropOn = true;

    // The undo rings: made empty with the editor, kept while the window is
    // closed and opened again, emptied by a program applied while it is open.
    TUndoRing gatorUndo{84, 89};
    TUndoRing moveUndo{39, 60};
    TUndoRing sampleUndo{244, 314};
    // The Gator menu's copy of the two patterns: per step, left then right, each 0 or 1.
    std::array<std::array<std::int32_t, 2>, 16> gaterVar{};

    // ---- images, loaded at open in the order of EDITOR_BITMAP_LOAD_ORDER
    kgui::CBitmap* mainBackBitmap = nullptr;
    kgui::CBitmap* sampleBackBitmap = nullptr;
    std::array<kgui::CBitmap*, 8> extraBitmaps{};
    std::array<kgui::CBitmap*, 3> sourceBackBitmaps{};  // wave, noise, sample
    kgui::CBitmap* modFXBackBitmap = nullptr;
    kgui::CBitmap* backScreenBitmap = nullptr;
    std::array<kgui::CBitmap*, 14> controlBitmaps{};

    // ---- panel containers
    kgui::CViewContainer* sourceViewContainer = nullptr;
    kgui::CViewContainer* modFXViewContainer = nullptr;

    // ---- captions of the top bar, the panel titles and the ribbon
    TLabel *labelPreset = nullptr, *labelBank = nullptr, *labelEdit = nullptr, *labelOrig = nullptr;
    TLabel *labelECS = nullptr, *labelHelp = nullptr;
    TLabel *labelMovement = nullptr, *labelSource = nullptr, *labelFilter = nullptr, *labelLFO = nullptr;
    TLabel *labelMain = nullptr, *labelLowFi = nullptr, *labelModFX = nullptr, *labelDelay = nullptr;
    TLabel *labelReverb = nullptr, *labelPath = nullptr;
    TLabel *labelMod1 = nullptr, *labelMod2 = nullptr, *labelMod3 = nullptr, *labelMod4 = nullptr;
    TLabel *labelBiPolar = nullptr, *labelSpringBack = nullptr, *labelQuant = nullptr;

    // ---- top bar
    TOptionMenu* presetMenu = nullptr;
    // Submenus of the preset menu: pointers for comparison only, the menu holds them.
    std::array<TOptionMenu*, 8> programMenus{};
    TOptionMenu* folderMenu = nullptr;
    kgui::CKickButton* previewStopButton = nullptr;
    kgui::CKickButton* previewButton = nullptr;
    TKickButton* revertEditedButton = nullptr;
    TKickButton* revertOriginalButton = nullptr;
    TMenuButton* ecsMenuButton = nullptr;
    TKickButton* manualButton = nullptr;
    TReadout* hintReadout1 = nullptr;
    TReadout* hintReadout2 = nullptr;
    kgui::CKickButton* sampleScreenArea = nullptr;
    kgui::CKickButton* backScreenButton = nullptr;
    TMenuButton* controlMenuButton = nullptr;

    // ---- knobs of the frame and their captions
    TKnob* knobMovementSpeed = nullptr;
    TLabel* labelMovementSpeed = nullptr;
    TKnob* knobMovementSpeedControlAmount = nullptr;
    TLabel* labelMovementSpeedControlAmount = nullptr;
    TKnob* knobMovementFilterFrequency = nullptr;
    TLabel* labelMovementFilterFrequency = nullptr;
    TLabel* labelMovementFrequency = nullptr;
    TKnob* knobMovementPitch = nullptr;
    TLabel* labelMovementPitch = nullptr;
    TKnob* knobMovementVolume = nullptr;
    TLabel* labelMovementVolume = nullptr;
    TKnob* knobMovementPan = nullptr;
    TLabel* labelMovementPan = nullptr;
    TKnob* knobMovementAmount1 = nullptr;
    TLabel* labelMovementAmount1 = nullptr;
    TKnob* knobMovementAmount2 = nullptr;
    TLabel* labelMovementAmount2 = nullptr;
    TKnob* knobMovementKeyTracking = nullptr;
    TLabel* labelMovementKeyTracking = nullptr;
    TKnob* knobMovementVelocityTracking = nullptr;
    TLabel* labelMovementVelocityTracking = nullptr;
    TKnob* knobMovementShapeUp = nullptr;
    TLabel* labelMovementShapeUp = nullptr;
    TKnob* knobMovementShapeDown = nullptr;
    TLabel* labelMovementShapeDown = nullptr;
    TKnob* knobAttack = nullptr;
    TLabel* labelAttack = nullptr;
    TKnob* knobRelease = nullptr;
    TLabel* labelRelease = nullptr;
    TKnob* knobFilterFrequency = nullptr;
    TLabel* labelFilterFrequency = nullptr;
    TKnob* knobFilterQAmount = nullptr;
    TLabel* labelFilterQAmount = nullptr;
    TKnob* knobFilterSpread = nullptr;
    TLabel* labelFilterSpread = nullptr;
    TKnob* knobFilterVowelMix = nullptr;
    TLabel* labelFilterVowelMix = nullptr;
    TKnob* knobFilterKeyTrack = nullptr;
    TLabel* labelFilterKeyTrack = nullptr;
    TKnob* knobVelocityFilterFrequency = nullptr;
    TLabel* labelVelocityFilterFrequency = nullptr;
    TKnob* knobModWheelFilterFrequency = nullptr;
    TLabel* labelModWheelFilterFrequency = nullptr;
    TKnob* knobLFOFilterFrequency = nullptr;
    TLabel* labelLFOFilterFrequency = nullptr;
    TKnob* knobFilterDistortionAmount = nullptr;
    TLabel* labelFilterDistortionAmount = nullptr;
    TKnob* knobFreeLFOSpeed = nullptr;
    TLabel* labelFreeLFOSpeed = nullptr;
    TKnob* knobFreeLFOSymmetry = nullptr;
    TLabel* labelFreeLFOSymmetry = nullptr;
    TKnob* knobFreeLFOShape = nullptr;
    TLabel* labelFreeLFOShape = nullptr;
    TKnob* knobFreeLFOSmooth = nullptr;
    TLabel* labelFreeLFOSmooth = nullptr;
    TKnob* knobFreeLFOKeyTrack = nullptr;
    TLabel* labelFreeLFOKeyTrack = nullptr;
    TKnob* knobFreeLFOAmount1 = nullptr;
    TLabel* labelFreeLFOAmount1 = nullptr;
    TKnob* knobFreeLFOAmount2 = nullptr;
    TLabel* labelFreeLFOAmount2 = nullptr;
    TKnob* knobStereoSpread = nullptr;
    TLabel* labelStereoSpread = nullptr;
    TKnob* knobPan = nullptr;
    TLabel* labelPan = nullptr;
    TKnob* knobVelocityVolume = nullptr;
    TLabel* labelVelocityVolume = nullptr;
    TKnob* knobMainVolume = nullptr;
    TLabel* labelMainVolume = nullptr;
    TKnob* knobPortamentoAmount = nullptr;
    TKnob* knobLowFiMix = nullptr;
    TLabel* labelLowFiMix = nullptr;
    TKnob* knobLowFiSampleRate = nullptr;
    TLabel* labelLowFiSampleRate = nullptr;
    TKnob* knobLowFiBits = nullptr;
    TLabel* labelLowFiBits = nullptr;
    TKnob* knobDelayMix = nullptr;
    TLabel* labelDelayMix = nullptr;
    TKnob* knobDelayLeft = nullptr;
    TLabel* labelDelayLeft = nullptr;
    TKnob* knobDelayRight = nullptr;
    TLabel* labelDelayRight = nullptr;
    TKnob* knobDelayFeed = nullptr;
    TLabel* labelDelayFeed = nullptr;
    TKnob* knobDelayCross = nullptr;
    TLabel* labelDelayCross = nullptr;
    TKnob* knobDelayLowPassFilterFrequency = nullptr;
    TLabel* labelDelayLowPassFilterFrequency = nullptr;
    TKnob* knobDelayHighPassFilterFrequency = nullptr;
    TLabel* labelDelayHighPassFilterFrequency = nullptr;
    TKnob* knobReverbMix = nullptr;
    TLabel* labelReverbMix = nullptr;
    TKnob* knobReverbPreDelay = nullptr;
    TLabel* labelReverbPreDelay = nullptr;
    TKnob* knobReverbSize = nullptr;
    TLabel* labelReverbSize = nullptr;
    TKnob* knobReverbLength = nullptr;
    TLabel* labelReverbLength = nullptr;
    TKnob* knobReverbDamp = nullptr;
    TLabel* labelReverbDamp = nullptr;
    TKnob* knobReverbHighPassFilterFrequency = nullptr;
    TLabel* labelReverbHighPassFilterFrequency = nullptr;
    TKnob* knobModulationSlot1Amount = nullptr;
    TLabel* labelModulationSlot1Amount = nullptr;
    TKnob* knobModulationSlot2Amount = nullptr;
    TLabel* labelModulationSlot2Amount = nullptr;
    TKnob* knobModulationSlot3Amount = nullptr;
    TLabel* labelModulationSlot3Amount = nullptr;
    TKnob* knobModulationSlot4Amount = nullptr;
    TLabel* labelModulationSlot4Amount = nullptr;

    // ---- the Mod FX panel (in modFXViewContainer)
    TKnob* knobModFXMix = nullptr;
    TLabel* labelModFXMix = nullptr;
    TKnob *knobModFX1 = nullptr, *knobModFX2 = nullptr, *knobModFX3 = nullptr, *knobModFX4 = nullptr;
    TKnob* knobModFX5 = nullptr;
    TLabel *labelModFX1 = nullptr, *labelModFX2 = nullptr, *labelModFX3 = nullptr, *labelModFX4 = nullptr;
    TLabel* labelModFX5 = nullptr;
    TLabel* labelGatorLeft = nullptr;
    TLabel* labelGatorRight = nullptr;
    std::array<TGatorDisplay*, 2> gatorDisplays{};

    // ---- switches of the panels
    TOnOff* onOffMovementLoopOnOff = nullptr;
    TLabel* labelMovementLoopOnOff = nullptr;
    TOnOff* onOffMovementTempoSyncOnOff = nullptr;
    TLabel* labelMovementTempoSyncOnOff = nullptr;
    TOnOff* onOffPrePostFilterDistortion = nullptr;
    TLabel* labelPrePostFilterDistortion = nullptr;
    TOnOff* onOffFreeLFOTempoSyncOnOff = nullptr;
    TLabel* labelFreeLFOTempoSyncOnOff = nullptr;
    TOnOff* onOffFreeLFOBypass1OnOff = nullptr;
    TLabel* labelFreeLFOBypass1OnOff = nullptr;
    TOnOff* onOffFreeLFOBypass2OnOff = nullptr;
    TLabel* labelFreeLFOBypass2OnOff = nullptr;
    TOnOff* onOffLowFiOnOff = nullptr;
    TOnOff* onOffModFXOnOff = nullptr;
    TOnOff* onOffDelayOnOff = nullptr;
    TOnOff* onOffReverbOnOff = nullptr;
    TOnOff* onOffModFXTempoSyncOnOff = nullptr;
    TLabel* labelModFXTempoSyncOnOff = nullptr;
    TOnOff* onOffDelayEqualFeedbackOnOff = nullptr;
    TLabel* labelDelayEqualFeedbackOnOff = nullptr;
    TOnOff* onOffDelayTempoSyncOnOff = nullptr;
    TLabel* labelDelayTempoSyncOnOff = nullptr;
    TOnOff* onOffBypassAllFXOnOff = nullptr;
    TLabel* labelBypassAllFXOnOff = nullptr;
    TOnOff* onOffModulationSlot1BypassOnOff = nullptr;
    TLabel* labelModulationSlot1BypassOnOff = nullptr;
    TOnOff* onOffModulationSlot2BypassOnOff = nullptr;
    TLabel* labelModulationSlot2BypassOnOff = nullptr;
    TOnOff* onOffModulationSlot3BypassOnOff = nullptr;
    TLabel* labelModulationSlot3BypassOnOff = nullptr;
    TOnOff* onOffModulationSlot4BypassOnOff = nullptr;
    TLabel* labelModulationSlot4BypassOnOff = nullptr;

    // ---- the source row, with the grouped sample and filter menus
    TOptionMenu* menuMovementPanSingleMode = nullptr;
    TLabel* labelMovementPanSingleMode = nullptr;
    TOptionMenu* menuSourceMode = nullptr;
    TLabel* labelSampleMenu = nullptr;
    TLabel* labelSampleRev = nullptr;
    TOnOff* onOffSampleRevOnOff = nullptr;
    TLabel* labelEditor = nullptr;
    TKickButton* sampleScreenButton = nullptr;
    TOptionMenu* sampleMenu = nullptr;
    std::array<TOptionMenu*, 8> sampleSubMenus{};  // held by sampleMenu
    TOptionMenu* filterMenu = nullptr;
    std::array<TOptionMenu*, 6> filterSubMenus{};  // held by filterMenu

    // ---- menus of the filter, LFO, main and effect panels
    TOptionMenu* menuFilterDistortionMode = nullptr;
    TLabel* labelFilterDistortionMode = nullptr;
    TOptionMenu* menuFreeLFOWave = nullptr;
    TLabel* labelFreeLFOWave = nullptr;
    TOptionMenu* menuFreeLFOMode = nullptr;
    TLabel* labelFreeLFOMode = nullptr;
    TOptionMenu* menuPlayMode = nullptr;
    TLabel* labelPlayMode = nullptr;
    TOptionMenu* menuPortamentoMode = nullptr;
    TLabel* labelPortamentoMode = nullptr;
    TOptionMenu* menuPitchBendDown = nullptr;
    TLabel* labelPitchBendDown = nullptr;
    TOptionMenu* menuPitchBendUp = nullptr;
    TLabel* labelPitchBendUp = nullptr;
    TLabel* labelPort = nullptr;
    TOptionMenu* menuModFXMode = nullptr;
    TOptionMenu* menuFXPath = nullptr;

    // ---- modulation menus
    std::array<TOptionMenu*, 5> srcMenus{};
    std::array<std::array<TOptionMenu*, 3>, 5> srcSubMenus{};
    std::array<TOptionMenu*, 8> destMenus{};
    std::array<std::array<TOptionMenu*, 11>, 8> destSubMenus{};
    TLabel *labelSourceMenu1 = nullptr, *labelSourceMenu2 = nullptr, *labelSourceMenu3 = nullptr;
    TLabel* labelSourceMenu4 = nullptr;
    TLabel *labelDestMenu0 = nullptr, *labelDestMenu1 = nullptr, *labelDestMenu2 = nullptr, *labelDestMenu3 = nullptr;
    TLabel *labelDestMenu4 = nullptr, *labelDestMenu5 = nullptr, *labelDestMenu6 = nullptr, *labelDestMenu7 = nullptr;
    TMenuButton* moveSpeedMenuButton = nullptr;

    // ---- Movement display and the ribbon
    TLFOSelector* lfoSelector = nullptr;
    TLFOScreen* lfoScreen = nullptr;
    TOptionMenu* lockMenu = nullptr;
    TLabel* labelLock = nullptr;
    TOptionMenu* menuMoveSnapTo = nullptr;
    TLabel* labelMoveSnapTo = nullptr;
    TOnOff* onOffRibbonBiPolarOnOff = nullptr;
    TOptionMenu* menuRibbonSpringTime = nullptr;
    TOptionMenu* menuRibbonQuantization = nullptr;
    THSlider* ribbonSlider = nullptr;

    // ---- the source panel (in sourceViewContainer)
    TKnob* knobNoiseMix = nullptr;
    TLabel* labelNoiseMix = nullptr;
    TKnob* knobSourceSemi = nullptr;
    TLabel* labelSourceSemi = nullptr;
    TKnob* knobWaveMix = nullptr;
    TLabel* labelWaveMix = nullptr;
    TKnob* knobWaveSampleNoiseMix = nullptr;
    TLabel* labelWaveSampleNoiseMix = nullptr;
    TKnob* knobSourceSemi2 = nullptr;
    TLabel* labelSourceSemi2 = nullptr;
    TKnob* knobSourceFine = nullptr;
    TLabel* labelSourceFine = nullptr;
    TKnob* knobWaveSymmetry = nullptr;
    TLabel* labelWaveSymmetry = nullptr;
    TKnob* knobWaveFeedback = nullptr;
    TLabel* labelWaveFeedback = nullptr;
    TKnob* knobSourceSemi3 = nullptr;
    TLabel* labelSourceSemi3 = nullptr;
    TKnob* knobSourceFine2 = nullptr;
    TLabel* labelSourceFine2 = nullptr;
    TKnob* knobWaveSampleNoiseMix2 = nullptr;
    TLabel* labelWaveSampleNoiseMix2 = nullptr;
    TKnob* knobSampleOffset = nullptr;
    TLabel* labelSampleOffset = nullptr;
    TKnob* knobGrainLength = nullptr;
    TLabel* labelGrainLength = nullptr;
    TKnob* knobGrainSize = nullptr;
    TLabel* labelGrainSize = nullptr;
    TKnob* knobGrainRandom = nullptr;
    TLabel* labelGrainRandom = nullptr;
    TKnob* knobSubVolume = nullptr;
    TLabel* labelSubVolume = nullptr;
    TOnOff* onOffKeyTrackOnOff = nullptr;
    TLabel* labelKeyTrackOnOff = nullptr;
    TOnOff* onOffKeyTrackOnOff2 = nullptr;
    TLabel* labelKeyTrackOnOff2 = nullptr;
    TOnOff* onOffKeyTrackOnOff3 = nullptr;
    TLabel* labelKeyTrackOnOff3 = nullptr;
    TOnOff* onOffGrainOnOff = nullptr;
    TLabel* labelGrainOnOff = nullptr;
    TWaveScreen* waveScreen = nullptr;

    // ---- the sample screen
    TLabel *labelSampleFolder = nullptr, *labelSampleName = nullptr, *labelSampleTitle = nullptr;
    TLabel *labelSamplePlayMode = nullptr, *labelSampleStart = nullptr, *labelLoopStart = nullptr;
    TLabel* labelLoopEnd = nullptr;
    TOptionMenu* menuSampleLoopMode = nullptr;
    std::array<TKickButton*, 12> sampleNudgeButtons{};
    std::array<TKickButton*, 3> sampleZoomButtons{};
    std::array<kgui::CTextEdit*, 3> samplePositionFields{};
    TSampleFileDisplay* sampleFileDisplay = nullptr;
    TSampleDisplay* sampleDisplay = nullptr;

    // ---- the back screen
    kgui::CKickButton* backScreenCloseButton = nullptr;
    TOptionMenu* midiChannelMenu = nullptr;
    TOnOff* midiPresetSwitch = nullptr;
    TOnOff* midiBankSwitch = nullptr;
    TOnOff* midiCaptureSwitch = nullptr;
    TOnOff* keyboardSwitch = nullptr;
    TOnOff* presetWarningSwitch = nullptr;
    TOptionMenu* screenSizeMenu = nullptr;
    TReadout* a4TuningReadout = nullptr;
    TReadout* tuningReadout = nullptr;
    TKickButton* tuningResetButton = nullptr;
    TOnOff* brickFilterSwitch = nullptr;
    TReadout* brickFilterReadout = nullptr;

    // ==== the idle refresh (uEditorIdle.cpp)
    // The view the idle pass takes as the one under the mouse: the control
    // being edited, else the deepest view under the pointer.
    kgui::CView* getViewUnderMouse() const;
    // The deepest view under the pointer, whatever is being edited.
    kgui::CView* getViewAtPointer() const;
    const std::string& getHintName() const { return hintName; }
    const std::string& getHintValue() const { return hintValue; }
    // Milliseconds between two refreshes of the plug-in's state, and between
    // two hint passes.
    static constexpr kgui::uint32 IDLE_MILLISECONDS = 50;
    static constexpr kgui::uint32 HINT_MILLISECONDS = 200;
    // "No hint" in hintName.
    static constexpr const char* NO_HINT = "None";

    kgui::uint32 lastHintTick = 0;
    std::string hintName = NO_HINT;
    std::string hintValue;
    std::string lastToolTip;
    // Per control table entry: the entry registered before it for the same
    // tag, or -1; tagToControl holds the last, this chain the others (the
    // source layouts each have their own knob of 12, 13 and 16).
    std::vector<int> previousWithTag;
    // FIXED_HINT_TEXTS with each member's control, resolved when the window opens.
    std::vector<std::pair<const kgui::CView*, const char*>> fixedHints;

    // The second line under a problem with the built-in sample bank.
    static constexpr const char* BANK_PROBLEM_HINT = "Built-in samples may be silent";
    // The bank's problem was put to the user in a box: once per instance.
    bool bankProblemShown = false;

private:
    void idleRefresh(kgui::CView* mouseView);
    // The bank's problem, when it has one, in the hint readouts.
    void showBankProblem();
    void idleRings();
    void idleSlotLooks();
    void idleMainScreen();
    void idleSampleScreen();
    void idleSourceType();
    void idleFilterLooks();
    void idleModFXMode();
    void idleEffectLooks();
    void idleHints(kgui::CView* mouseView);
    // The fixed hint of one of the editor's own controls, or null.
    const char* getFixedHint(const kgui::CView* view) const;
    void resolveFixedHints();

private:
    // The thread that opened the window; hooks from any other one are recorded.
    std::atomic<std::thread::id> uiThread;
    TEditorMarks offThreadRequests;
    // Tags taken per idle pass (kept to spare the allocation).
    std::vector<int> changedTags;
};

// The back screen's readouts: "440 Hz" for a value of the A4 reference, "15 KHz"
// for one of the brick filter's frequency.
std::string getA4TuningText(float value);
std::string getBrickFilterText(float value);
