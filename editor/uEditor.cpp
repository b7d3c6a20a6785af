// The editor object: its start values, the preferences it reads, the screen
// size and the scaling every layout goes through, the images, and the steps in
// which the window is built and torn down.
#include "editor/uEditor.h"

#include <algorithm>

#include "controls/TOptionMenu.h"
#include "vst/AudioEffect.h"
#include "editor/EditorBitmaps.h"
#include "editor/EditorTables.h"
#include "platform/MessageBox.h"
#include "platform/Preferences.h"
#include "plugin/StringTables.h"

using namespace kgui;

extern "C" AEffEditor* createEditorInstance(AudioEffect* effect, TEditorServices* services) {
    return new uEditor(effect, services);
}

uEditor::uEditor(AudioEffect* effect, TEditorServices* services)
    : AEffGUIEditor(effect), services(services), uiThread(std::this_thread::get_id()) {
    frame = nullptr;
    editorFinishedOpening = false;
    editControl = nullptr;

    screenMode = 0;
    // The opposite of the state now, so that the first idle pass shows it.
    shownEditChanged = services ? !services->getEditChanged() : false;

    tagToControl.fill(-1);
    tagType.fill(GENERIC);

    dropAllowed.fill(true);
    for (const TRange& range : NO_DROP_RANGES)
        for (int tag = range.first; tag <= range.last; ++tag)
            dropAllowed[static_cast<size_t>(tag)] = false;
    dropValue = 0;
    dropTag = -1;
    dropReleased = true;

    clearUndos();

    keyboardOn = getRegValue(REG_KEYBOARD_STR, true);
    dragAndDropOn = getRegValue(REG_DRAG_AND_DROP_STR, true);
    toolTipOn = getRegValue(REG_TOOL_TIP_STR, true);
    dialAnimationOn = getRegValue(REG_DIAL_ANIMATION_STR, true);
    outputDisplayOn = getRegValue(REG_OUTPUT_DISPLAY_STR, true);
    outputDisplaySpeed = getRegValue(REG_OUTPUT_DISPLAY_SPEED_STR, OUTPUT_DISPLAY_SPEED_DEFAULT);
    displayMovePos = getRegValue(REG_MOVE_DISPLAY_POS_STR, true);
    displayMoveMid = getRegValue(REG_MOVE_DISPLAY_MID_STR, true);
    displayMovePan = getRegValue(REG_MOVE_DISPLAY_PAN_STR, true);
    displayGaterPos = getRegValue(REG_GATER_DISPLAY_POS_STR, true);

    modFXDefaults = MOD_FX_DEFAULTS;
    modFXMemory = modFXDefaults;

    lastIdleTicks = keyTicks = lastProgramChangeTicks = getTicks();

    // The largest size marked "Y" wins; 100 % is what is left when none is.
    screenSize = 0;
    for (int size = 1; size < SCREEN_SIZE_COUNT; ++size)
        if (getRegisterIsOn(REG_SCREEN_SIZE[static_cast<size_t>(size)], false))
            screenSize = size;
    scale = SCALE[static_cast<size_t>(screenSize)];

    rect.top = 0;
    rect.left = 0;
    rect.right = static_cast<vst::int16>(getScaled(EDITOR_WIDTH));
    rect.bottom = static_cast<vst::int16>(getScaled(EDITOR_HEIGHT));
}

// Normally the host has closed the window; when it has not, the window goes
// now, without a word to the plug-in, which is being destroyed.
uEditor::~uEditor() {
    editorFinishedOpening = false;
    if (frame || !controls.empty() || mainBackBitmap)
        closeWindow(false);
}

// ---------------------------------------------------------------- preferences and sizes

bool uEditor::getRegValue(const std::string& key, bool defaultOn) {
    std::string value;
    loadStringFromPrefs(key, value, 127);
    if (value.size() != 1)
        return defaultOn;
    return defaultOn ? value[0] != 'N' : value[0] == 'Y';
}

void uEditor::setRegValue(const std::string& key, bool on) { saveStringToPrefs(key, on ? "Y" : "N"); }

int uEditor::getBig() const { return std::clamp(screenSize, 0, SCREEN_SIZE_COUNT - 1); }

void uEditor::setScreenSize(int size) {
    if (size < 0 || size >= SCREEN_SIZE_COUNT)
        return;
    for (const std::string& key : REG_SCREEN_SIZE)
        setRegOff(key);
    setRegOn(REG_SCREEN_SIZE[static_cast<size_t>(size)]);
    static constexpr const char* PERCENT[SCREEN_SIZE_COUNT] = {"100%", "125%", "150%", "200%"};
    messageBox(std::string("When you next open Kolbri, it'll open in ") + PERCENT[size] + " Screen Mode",
               MESSAGE_BOX_OK_ONLY);
}

int uEditor::getScaled(int v, int c125, int c150, int c200) const {
    return ::getScaled(v, screenSize, c125, c150, c200);
}

int uEditor::getScaled(float v, int c125, int c150, int c200) const {
    return ::getScaled(v, screenSize, c125, c150, c200);
}

int uEditor::getScaled(const TScaledValue& v) const { return ::getScaled(v, screenSize); }

int uEditor::getScaledBitmap(int id) const { return ::getScaledBitmap(id, getBig()); }

// ---------------------------------------------------------------- images

void uEditor::createBitmaps() {
    // The members in the order of EDITOR_BITMAP_LOAD_ORDER.
    CBitmap** const members[] = {
        &mainBackBitmap,       &sampleBackBitmap,     &extraBitmaps[0],      &sourceBackBitmaps[0],
        &sourceBackBitmaps[1], &sourceBackBitmaps[2], &modFXBackBitmap,      &extraBitmaps[1],
        &extraBitmaps[2],      &extraBitmaps[3],      &extraBitmaps[4],      &extraBitmaps[5],
        &extraBitmaps[6],      &backScreenBitmap,     &extraBitmaps[7],      &controlBitmaps[0],
        &controlBitmaps[1],    &controlBitmaps[2],    &controlBitmaps[3],    &controlBitmaps[4],
        &controlBitmaps[5],    &controlBitmaps[6],    &controlBitmaps[7],    &controlBitmaps[8],
        &controlBitmaps[9],    &controlBitmaps[10],   &controlBitmaps[11],   &controlBitmaps[12],
        &controlBitmaps[13],
    };
    static_assert(std::size(members) == EDITOR_BITMAP_LOAD_ORDER.size());
    for (size_t i = 0; i < EDITOR_BITMAP_LOAD_ORDER.size(); ++i) {
        removeBitmap(*members[i]);
        // A missing image loads as an empty bitmap: it draws nothing and
        // measures 0 x 0, and whoever sizes by it falls back (frameRect).
        *members[i] = new CBitmap(getScaledBitmap(EDITOR_BITMAP_LOAD_ORDER[i]));
    }
}

CBitmap* uEditor::getControlBitmap(int id) {
    for (size_t i = 0; i < controlBitmaps.size(); ++i)
        if (EDITOR_BITMAP_LOAD_ORDER[EDITOR_BITMAP_LOAD_ORDER.size() - controlBitmaps.size() + i] == id)
            return controlBitmaps[i];
    return nullptr;
}

CRect uEditor::frameRect() const {
    if (mainBackBitmap && mainBackBitmap->getWidth() > 0 && mainBackBitmap->getHeight() > 0)
        return CRect(CPoint(0, 0), mainBackBitmap->getSize());
    return CRect(0, 0, rect.right - rect.left, rect.bottom - rect.top);
}

CRect uEditor::containerRect(CBitmap* bitmap, const TScaledValue& x, const TScaledValue& y, int width,
                             int height) const {
    CPoint size(getScaled(width), getScaled(height));
    if (bitmap && bitmap->getWidth() > 0 && bitmap->getHeight() > 0)
        size = bitmap->getSize();
    return CRect(CPoint(getScaled(x), getScaled(y)), size);
}

// ---------------------------------------------------------------- opening and closing

bool uEditor::onUiThread() const { return std::this_thread::get_id() == uiThread.load(std::memory_order_relaxed); }

bool uEditor::open(void* parentWindow) {
    if (!effect || !services)
        return false;
    // The interface lets a host open again without closing first. The window
    // it has goes as the host's own close would take it, so that one editor
    // is left in the host's window and nothing of the first outlives it.
    if (frame || isOpen())
        closeWindow(true);
    uiThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
    editorFinishedOpening = false;
    services->setEditorOpenState(true, false);
    inResume = false;
    mainScreenDirty = sampleScreenDirty = false;
    inShowMainScreen = inRedrawSource = paramChangedSinceIdle = modFXChanged = false;
    inShowMainScreenControls = inShowSampleScreen = inRedrawModFX = false;

    // An opening that stops short of its end, refused or failing on its way
    // (the exception goes on to the host, who is answered 0), leaves the
    // plug-in as it was: the window and all it holds go, and the plug-in
    // hears that the editor is closed, which also makes a program the host
    // sent meanwhile, as the end of an opening does.
    const auto openWindow = [&] {
        if (!AEffGUIEditor::open(parentWindow))
            return false;
        createBitmaps();
        lastIdleTicks = keyTicks = lastProgramChangeTicks = getTicks();
        shownEditChanged = !services->getEditChanged();
        if (!openFrame(parentWindow))
            return false;
        createControls();
        startAfresh();

        // The window opens on the back screen, the logo's page; a click
        // anywhere outside its settings leads to the main screen.
        showBackScreen();

        services->setEditorOpenState(false, true);
        editorFinishedOpening = true;
        inResume = false;

        updatePresetMenu();
        updateFolderMenu();
        resume();
        return true;
    };
    try {
        if (openWindow())
            return true;
    } catch (...) {
        closeWindow(true);
        throw;
    }
    closeWindow(true);
    return false;
}

bool uEditor::openFrame(void* parentWindow) {
    frame = new CFrame(frameRect(), this);
    frame->setMenuScale(scale);
    frame->setBackground(mainBackBitmap);
    if (!frame->open(parentWindow))
        return false;
    frame->registerKeyboardHook(this);
    CFrame::kDefaultKnobMode = kLinearMode;

    sourceViewContainer = new CViewContainer(containerRect(sourceBackBitmaps[0], SOURCE_VIEW_CONTAINER_X,
                                                           SOURCE_VIEW_CONTAINER_Y, SOURCE_VIEW_CONTAINER_WIDTH,
                                                           SOURCE_VIEW_CONTAINER_HEIGHT));
    modFXViewContainer = new CViewContainer(containerRect(modFXBackBitmap, MOD_FX_VIEW_CONTAINER_X,
                                                          MOD_FX_VIEW_CONTAINER_Y, MOD_FX_VIEW_CONTAINER_WIDTH,
                                                          MOD_FX_VIEW_CONTAINER_HEIGHT));
    modFXViewContainer->setBackground(modFXBackBitmap);
    return true;
}

void uEditor::createControls() {
    controls.clear();
    controls.reserve(MAX_CONTROLS);
    previousWithTag.clear();
    previousWithTag.reserve(MAX_CONTROLS);
    // The tag map indexes this table: an entry left from another would chain
    // a new control to itself.
    tagToControl.fill(-1);
    tagType.fill(GENERIC);
    createMainScreenControls();
    updateDestStr();
    createManagerScreenControls();
    createBackScreen();
    bindHandlers();
}

void uEditor::startAfresh() {
    dropTag = -1;
    dropReleased = false;
    dropValue = 0;
    dropReleaseTag = -1;

    // What the plug-in marked before the window opened is shown by the
    // resume that ends the opening. A program applied while the window was
    // closed leaves the undo rings as they were: its request to empty them is
    // dropped here (one applied while the window was open was honoured as it
    // closed).
    takeOffThreadRequests();
    changedTags.clear();
    services->takeChangedTags(changedTags);
    changedTags.clear();
    services->takeEditorRequests();

    // The hints start afresh: the first pass over a control names it.
    resolveFixedHints();
    lastHintTick = lastIdleTicks / HINT_MILLISECONDS;
    hintName = NO_HINT;
    hintValue.clear();
    lastToolTip.clear();
    showBankProblem();
}

void uEditor::close() {
    if (!effect)
        return;
    closeWindow(true);
}

void uEditor::closeWindow(bool tellPlugin) {
    // A gesture still running ends while the editor listens: a held preview
    // button lets its note go, a drag closes its edit for the host.
    if (frame)
        frame->platformOnMouseCancel();
    editorFinishedOpening = false;
    if (tellPlugin && services) {
        // A program applied while the window was open still empties the rings.
        takeUndoClears();
        services->setEditorOpenState(false, false);
    }
    if (frame)
        frame->unregisterKeyboardHook(this);
    removeBitmaps();

    // Every view leaves the frame first (the containers among them), then the
    // containers let go of theirs: each control is then held by its member
    // alone and released exactly once, by removeControls.
    if (frame)
        frame->removeAll(false);
    for (CViewContainer** container : {&sourceViewContainer, &modFXViewContainer})
        if (*container) {
            (*container)->removeAll(false);
            removeControl(*container);
        }
    // The toolkit closes the frame's window and releases the frame itself, so
    // no view outlives its window.
    AEffGUIEditor::close();
    frame = nullptr;

    removeControls();

    controls.clear();
    controls.shrink_to_fit();
    previousWithTag.clear();
    previousWithTag.shrink_to_fit();
    std::unordered_map<const CControl*, TControlBinding>().swap(controlHandlers);
    std::unordered_map<int, TTagBinding>().swap(tagFollowers);
    tagToControl.fill(-1);
    tagType.fill(GENERIC);
    editControl = nullptr;
}

// ---------------------------------------------------------------- the preset menu

void uEditor::updatePresetMenu() {
    if (!editorFinishedOpening || !effect || !presetMenu)
        return;
    // Hosts give program names 24 bytes; this buffer holds any the plug-in writes.
    char name[256] = {};
    effect->getProgramName(name);
    presetMenu->setString(name);
    presetMenu->setDirty();
}

// ---------------------------------------------------------------- what other threads asked

void uEditor::takeOffThreadRequests() {
    changedTags.clear();
    offThreadRequests.takeTags(changedTags);
    const TEditorRequests requests = offThreadRequests.takeRequests();
    if (requests.modFXModeTaken)
        updateIdleVars();
    if (requests.clearUndos)
        clearUndos();
    for (int tag : changedTags)
        setParameter(tag, 0);
    changedTags.clear();
}
