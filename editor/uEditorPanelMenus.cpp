// The panels' command menus: the Gator patterns, the Movement display, the
// output scope, the sample browser and the waveform view; and the three undo
// rings behind the Gator, Movement and sample commands. Like the other command
// menus each is built afresh at every opening and recognised by the title the
// user chose. The Gator, Movement and sample commands first push a snapshot
// of their parameters, so that each one, and each dismissal, can be undone.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "controls/TGatorDisplay.h"
#include "controls/TLFOScreen.h"
#include "controls/TSampleDisplay.h"
#include "controls/TWaveScreen.h"
#include "editor/MenuTables.h"
#include "editor/uEditor.h"
#include "editor/uEditorPopup.h"
#include "engine/dsp/GatorPattern.h"
#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Preferences.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

// ---- the Gator: "Mod FX Mix" .. "Mod FX 5" while the Mod FX runs as the Gator
constexpr int GATOR_FIRST_TAG = tag::MOD_FX_MIX, GATOR_SPEED_TAG = tag::MOD_FX_1, GATOR_LENGTH_TAG = tag::MOD_FX_3;
constexpr int GATOR_LEFT_TAG = tag::MOD_FX_4, GATOR_RIGHT_TAG = tag::MOD_FX_5;
constexpr int LEFT = 0, RIGHT = 1;
// The length: step i of 16 (i + 1 steps) is stored as (i + 0.1) / 15.99.
constexpr float GATOR_LENGTH_RANGE = 15.99f;
constexpr int GATOR_LENGTH_STEPS = 16;
constexpr float STEP_OFFSET = 0.1f;

// ---- the Movement
constexpr int MOVEMENT_FIRST_TAG = tag::MOVEMENT_WAVE, MOVEMENT_LAST_TAG = tag::MOVEMENT_DESTINATION_2;
constexpr int MOVEMENT_MIDDLE_TAG = tag::MOVEMENT_SYMMETRY;
// The amounts to filter frequency, pitch, volume and pan, and their neutral
// points: the centre for the three that swing both ways, nothing for volume.
constexpr int MOVEMENT_AMOUNT_FIRST_TAG = tag::MOVEMENT_TO_FILTER_FREQUENCY;
constexpr std::array<float, 4> NEUTRAL_MOVEMENT_AMOUNTS{0.5f, 0.5f, 0.0f, 0.5f};

// ---- the user sample
constexpr int SAMPLE_FIRST_TAG = tag::SAMPLE_LOOP_MODE, SAMPLE_LAST_TAG = SAMPLE_PATH_PARAM + SAMPLE_PATH_SLOTS - 1;
constexpr int USER_SAMPLE_SLOT = 194;
constexpr int SAMPLE_START = 0, LOOP_START = 1, LOOP_END = 2;
// "Sample Volume": value v is v x 80 - 40 dB.
constexpr float SAMPLE_VOLUME_SPAN_DB = 80.0f;
// The waveform view's menu stands on a 20 x 20 square, the others on 16 x 16.
constexpr double SAMPLE_COMMAND_HALF_SIDE = 10;

using TGatorSteps = std::array<std::array<std::int32_t, 2>, TGatorDisplay::STEP_COUNT>;

// A pattern command on the working buffer, over the first length steps where
// the command is a rotation or a mirror. False for any other command.
bool runGatorPatternCommand(int command, TGatorSteps& steps, int length) {
    const TGatorSteps old = steps;
    const int count = static_cast<int>(steps.size());
    auto at = [&old](int k) { return old[static_cast<size_t>(k)]; };
    for (int k = 0; k < count; ++k) {
        auto& pair = steps[static_cast<size_t>(k)];
        const std::int32_t even = k % 2 == 0 ? 1 : 0;
        switch (command) {
            case SET_ALL_ON: pair = {1, 1}; break;
            case SET_ALL_OFF: pair = {0, 0}; break;
            case ALTERNATE: pair = {even, even}; break;
            case ALTERNATE_LEFT_RIGHT: pair = {even, 1 - even}; break;
            case COPY_LEFT_TO_RIGHT: pair[RIGHT] = pair[LEFT]; break;
            case COPY_RIGHT_TO_LEFT: pair[LEFT] = pair[RIGHT]; break;
            case SWAP_LEFT_AND_RIGHT: std::swap(pair[LEFT], pair[RIGHT]); break;
            case INVERSE: pair = {1 - pair[LEFT], 1 - pair[RIGHT]}; break;
            // Steps past the length keep their values ...
            case MOVE_LEFT:
                if (k < length)
                    pair = at((k + 1) % length);
                break;
            case REVERSE:
                if (k < length)
                    pair = at(length - 1 - k);
                break;
            // ... except here, where they repeat the rotated steps.
            case MOVE_RIGHT: pair = at((k + length - 1) % length); break;
            default: return false;
        }
    }
    return true;
}

// Every parameter of the user sample back to its default (the host is told),
// then the voices silenced and the sample loaded again if one is still named.
void clearUserSample(TEditorServices& services) {
    for (int tag = SAMPLE_FIRST_TAG; tag <= SAMPLE_LAST_TAG; ++tag)
        services.setToDefault(tag);
    services.getSampleServices().updateLoadedSamples();
}

// A frame number as typed: the number characters kept, then the leading
// integer read (0 when there is none), held to the range of an int.
int typedFrameNumber(std::string text) {
    stripAllButNum(text);
    const long long number = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(
        std::clamp<long long>(number, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// One of the eight commands of a sample point.
void runSamplePointCommand(TEditorServices& services, int command, int point) {
    TSampleServices& samples = services.getSampleServices();
    const float direction = command == DECREASE_POINT || command == PREVIOUS_ZERO_CROSS ? -1.0f : 1.0f;
    switch (command) {
        case RESET_POINT:
            if (point == SAMPLE_START)
                samples.setSampleStart(0.0f);
            else if (point == LOOP_START)
                samples.setSampleLoopStart(0.0f);
            else
                samples.setSampleLoopEnd(1.0f);
            break;
        case RESET_POINT_TO_LOADED:
            // A loaded sample starts at its first frame; the loop points come from the file.
            if (point == SAMPLE_START)
                samples.setSampleStart(0.0f);
            else
                samples.setSamplePositions(point);
            break;
        case RESET_POINT_TO_ORIGINAL:
            if (point == SAMPLE_START)
                samples.setSampleStart(services.getOrigValue(tag::SAMPLE_START));
            else
                services.setToOrig(point == LOOP_START ? tag::SAMPLE_LOOP_START : tag::SAMPLE_LOOP_END);
            break;
        case ENTER_POINT: {
            const std::string& name = SAMPLE_POINT_NAMES[static_cast<size_t>(point)];
            const std::string answer = inputBoxStr(name, name + " Position");
            if (answer.empty())
                break;
            const int frame = typedFrameNumber(answer);
            if (point == SAMPLE_START)
                samples.setSampleStartBySample(frame);
            else if (point == LOOP_START)
                samples.setSampleLoopStartBySample(frame);
            else
                samples.setSampleLoopEndBySample(frame);
            break;
        }
        case DECREASE_POINT:
        case INCREASE_POINT: {
            const float delta = direction * SAMPLE_POINT_NUDGE;
            if (point == SAMPLE_START)
                samples.setSampleStartDelta(delta);
            else if (point == LOOP_START)
                samples.setSampleLoopStartDelta(delta);
            else
                samples.setSampleLoopEndDelta(delta);
            break;
        }
        case PREVIOUS_ZERO_CROSS:
        case NEXT_ZERO_CROSS: samples.setZeroCross(point, direction); break;
        default: break;
    }
}

void runSampleCommand(TEditorServices& services, int command) {
    TSampleServices& samples = services.getSampleServices();
    switch (command) {
        case CLEAR_SAMPLE: clearUserSample(services); break;
        case RESET_SAMPLE_POSITIONS:
            samples.setSampleStart(0.0f);
            samples.setSampleLoop(0.0f, 1.0f);
            break;
        case RESET_SAMPLE_TO_ORIGINAL:
            for (int tag = SAMPLE_FIRST_TAG; tag <= SAMPLE_LAST_TAG; ++tag)
                services.setToOrig(tag);
            samples.updateLoadedSamples();
            break;
        case RESET_SAMPLE_POSITIONS_TO_ORIGINAL:
            samples.setSampleStart(services.getOrigValue(tag::SAMPLE_START));
            samples.setSampleLoop(services.getOrigValue(tag::SAMPLE_LOOP_START),
                                  services.getOrigValue(tag::SAMPLE_LOOP_END));
            break;
        case RELOAD_SAMPLE: samples.reloadSample(); break;
        case RELOAD_SAMPLE_POSITIONS:
            samples.setDefaultSamplePositions();
            samples.updateLoadedSamples();
            break;
        case LOOP_ALL: samples.setSampleLoop(0.0f, 1.0f); break;
        case RESET_SAMPLE_VOLUME: services.setToDefault(tag::SAMPLE_VOLUME); break;
        case NORMALIZE_SAMPLE_VOLUME: samples.normalizeSampleVol(); break;
        case INCREASE_SAMPLE_VOLUME:
        case DECREASE_SAMPLE_VOLUME: {
            // 5 dB is 1/16 of the volume's span; the host is not told.
            const float step = command == INCREASE_SAMPLE_VOLUME ? SAMPLE_VOLUME_STEP_DB : -SAMPLE_VOLUME_STEP_DB;
            const float value = services.getParameter(tag::SAMPLE_VOLUME) + step / SAMPLE_VOLUME_SPAN_DB;
            services.setParameter(tag::SAMPLE_VOLUME, std::clamp(value, 0.0f, 1.0f));
            break;
        }
        case SET_SAMPLE_VOLUME: services.setNumValue(tag::SAMPLE_VOLUME); break;
        default: break;
    }
}

std::string undoEntry(const TUndoRing& ring) { return ring.empty() ? UNDO_DISABLED_STR : UNDO_STR; }

// A command of the Movement menu on the Movement's parameters: resets to the
// default or the program's original, neutral amounts, shape copies.
void runMovementCommand(TEditorServices& plugin, int command) {
    auto setToDefault = [&plugin](std::initializer_list<int> tags) {
        for (int tag : tags)
            plugin.setToDefault(tag);
    };
    auto setToOrig = [&plugin](std::initializer_list<int> tags) {
        for (int tag : tags)
            plugin.setToOrig(tag);
    };
    constexpr int AMOUNT = MOVEMENT_AMOUNT_FIRST_TAG;
    switch (command) {
        case RESET_MOVEMENT:
            for (int tag = MOVEMENT_FIRST_TAG; tag <= MOVEMENT_LAST_TAG; ++tag)
                plugin.setToDefault(tag);
            break;
        case CLEAR_MOVEMENT:
            setToDefault({MOVEMENT_MIDDLE_TAG, tag::MOVEMENT_SHAPE_UP, tag::MOVEMENT_SHAPE_DOWN});
            break;
        case RESET_MOVEMENT_TO_ORIGINAL:
            for (int tag = MOVEMENT_FIRST_TAG; tag <= MOVEMENT_LAST_TAG; ++tag)
                plugin.setToOrig(tag);
            break;
        case RESET_MOVEMENT_AMOUNT: setToDefault({AMOUNT, AMOUNT + 1, AMOUNT + 2, AMOUNT + 3}); break;
        case CLEAR_MOVEMENT_AMOUNT:
            for (size_t i = 0; i < NEUTRAL_MOVEMENT_AMOUNTS.size(); ++i)
                plugin.setParameter(AMOUNT + static_cast<int>(i), NEUTRAL_MOVEMENT_AMOUNTS[i]);
            break;
        case RESET_MOVEMENT_AMOUNTS_TO_ORIGINAL: setToOrig({AMOUNT, AMOUNT + 1, AMOUNT + 2, AMOUNT + 3}); break;
        case SET_UP_TO_DOWN_SHAPE: plugin.copyParameter(tag::MOVEMENT_SHAPE_DOWN, tag::MOVEMENT_SHAPE_UP); break;
        case SET_DOWN_TO_UP_SHAPE: plugin.copyParameter(tag::MOVEMENT_SHAPE_UP, tag::MOVEMENT_SHAPE_DOWN); break;
        case SWAP_DOWN_TO_UP_SHAPE: plugin.swapParameter(tag::MOVEMENT_SHAPE_UP, tag::MOVEMENT_SHAPE_DOWN); break;
        case INVERSE_SHAPE:
            for (int tag : {tag::MOVEMENT_SHAPE_UP, tag::MOVEMENT_SHAPE_DOWN})
                plugin.setParameter(tag, 1.0f - plugin.getParameter(tag));
            break;
        case RESET_SHAPE: setToDefault({tag::MOVEMENT_SHAPE_UP, tag::MOVEMENT_SHAPE_DOWN}); break;
        case RESET_SHAPE_TO_ORIGINAL: setToOrig({tag::MOVEMENT_SHAPE_UP, tag::MOVEMENT_SHAPE_DOWN}); break;
        case RESET_MIDDLE_POSITION: setToDefault({MOVEMENT_MIDDLE_TAG}); break;
        case RESET_MIDDLE_POSITION_TO_ORIGINAL: setToOrig({MOVEMENT_MIDDLE_TAG}); break;
        default: break;
    }
}

}  // namespace

// ---------------------------------------------------------------- the undo rings

// Any thread may ask (a program applied on the audio thread); the rings are
// the editor's, so they are emptied on its own thread only.
void uEditor::clearUndos() {
    if (!onUiThread()) {
        offThreadRequests.raise({.clearUndos = true});
        return;
    }
    for (TUndoRing* ring : {&gatorUndo, &moveUndo, &sampleUndo})
        ring->clear();
}

void uEditor::takeUndoClears() {
    const TEditorRequests own = offThreadRequests.takeRequests();
    const TEditorRequests plugin = services->takeEditorRequests();
    if (own.clearUndos || plugin.clearUndos)
        clearUndos();
    // Taken out of turn, the other requests are done as the idle pass does them.
    if (own.modFXModeTaken || plugin.modFXModeTaken)
        updateIdleVars();
    if (own.redraw || plugin.redraw)
        services->requestEditorRedraw();
}

void uEditor::pushUndo(TUndoRing& ring) {
    if (!services)
        return;
    takeUndoClears();
    ring.push(*services);
}

void uEditor::popUndo(TUndoRing& ring) {
    if (!services)
        return;
    // A program applied while the menu was open has emptied the ring: its
    // snapshots belong to the program before.
    takeUndoClears();
    ring.pop(*services);
}

bool uEditor::undoOrPush(TUndoRing& ring, const std::string& chosen) {
    const bool undo = chosen == UNDO_STR;
    undo ? popUndo(ring) : pushUndo(ring);
    return undo;
}

void uEditor::setModFXUndo() { pushUndo(gatorUndo); }
void uEditor::setMoveUndo() { pushUndo(moveUndo); }
void uEditor::setSampleUndo() { pushUndo(sampleUndo); }

// ---------------------------------------------------------------- the Gator menu

void uEditor::setGaterVar() {
    if (!services)
        return;
    std::uint32_t masks[2] = {0, 0};
    for (size_t k = 0; k < gaterVar.size(); ++k)
        for (int side : {LEFT, RIGHT})
            if (gaterVar[k][static_cast<size_t>(side)] != 0)
                masks[side] |= 1u << k;
    services->setParameter(GATOR_LEFT_TAG, gator::patternValue(masks[LEFT]));
    services->setParameter(GATOR_RIGHT_TAG, gator::patternValue(masks[RIGHT]));
}

void uEditor::showModFXMenu() {
    if (!frame || !services)
        return;
    // A program applied since the last idle pass has emptied the rings: its
    // "Undo" is offered disabled at once.
    takeUndoClears();
    TEditorServices& plugin = *services;
    TPopupMenu popup(frame);
    COptionMenu& menu = popup.getMenu();
    popup.add(GATOR_MENU_TITLE_STR);
    popup.addSubmenu(menu, GATOR_INFO_TITLE_STR, GATOR_INFO_STR);
    popup.add(GATOR_COMMAND_STR);
    popup.addSwitch(GATOR_POSITION_TEXTS, getRegValue(REG_GATER_DISPLAY_POS_STR, true));
    popup.add("-");
    std::vector<std::string> lengths;
    for (const std::string& length : GATER_LEN_STR)
        lengths.push_back(GATOR_LENGTH_PREFIX_STR + length);
    popup.addSubmenu(menu, GATOR_LENGTH_TITLE_STR, lengths);
    popup.addSubmenu(menu, GATOR_SPEED_TITLE_STR, GATER_PERIOD_STR);
    popup.add("-");
    popup.add(undoEntry(gatorUndo));
    popup.popup();
    const std::string& chosen = popup.getTopTitle();

    undoOrPush(gatorUndo, chosen);

    // The steps as the effect plays them, whatever value a host wrote.
    for (size_t k = 0; k < gaterVar.size(); ++k)
        for (int side : {LEFT, RIGHT})
            gaterVar[k][static_cast<size_t>(side)] =
                static_cast<std::int32_t>((gator::patternMask(plugin.getParameter(GATOR_LEFT_TAG + side)) >> k) & 1u);
    const int command = titleIndex(GATOR_COMMAND_STR, chosen);
    const int length = plugin.getSteppedValue(GATOR_LENGTH_TAG, GATOR_LENGTH_RANGE, GATOR_LENGTH_STEPS) + 1;
    if (runGatorPatternCommand(command, gaterVar, length))
        setGaterVar();
    switch (command) {
        case RESET_GATOR:
            for (size_t i = 0; i < GATOR_RESET_VALUES.size(); ++i)
                plugin.setParameter(GATOR_FIRST_TAG + static_cast<int>(i), GATOR_RESET_VALUES[i]);
            break;
        case RESET_GATOR_TO_ORIGINAL:
            for (size_t i = 0; i < GATOR_RESET_VALUES.size(); ++i)
                plugin.setToOrig(GATOR_FIRST_TAG + static_cast<int>(i));
            break;
        case RANDOMIZE_GATOR:
            for (int tag : {GATOR_LEFT_TAG, GATOR_RIGHT_TAG})
                plugin.setParameter(tag, static_cast<float>(std::rand() & 32767) / 32767.0f);
            break;
        default: break;
    }
    takeSwitchChoice(GATOR_POSITION_TEXTS, chosen, displayGaterPos);
    saveBoolToPrefs(REG_GATER_DISPLAY_POS_STR, displayGaterPos);

    // A length or a speed, chosen in its submenu.
    if (chosen.empty()) {
        const std::string& item = popup.getLastTitle();
        for (size_t i = 0; i < lengths.size(); ++i)
            if (item == lengths[i])
                plugin.setParameter(GATOR_LENGTH_TAG, (static_cast<float>(i) + STEP_OFFSET) / GATOR_LENGTH_RANGE);
        if (const int period = titleIndex(GATER_PERIOD_STR, item); period >= 0)
            plugin.setParameter(GATOR_SPEED_TAG, (static_cast<float>(period) + STEP_OFFSET) / SYNCED_SPEED_RANGE);
    }

    for (int side : {LEFT, RIGHT})
        if (TGatorDisplay* display = gatorDisplays[static_cast<size_t>(side)])
            display->setValue(plugin.getParameter(GATOR_LEFT_TAG + side));
    popup.close();
    resume();
}

// ---------------------------------------------------------------- the Movement menu

void uEditor::showMovementMenu() {
    if (!frame || !services)
        return;
    takeUndoClears();  // as in the Gator menu
    TEditorServices& plugin = *services;
    // The display's three markers: each entry shows what the preference holds.
    struct TDisplaySwitch {
        const TSettingTexts& texts;
        const std::string& key;
        bool& member;
        void (TLFOScreen::*show)(bool);
    };
    const TDisplaySwitch displaySwitches[] = {
        {MOVEMENT_DISPLAY_TEXTS[0], REG_MOVE_DISPLAY_POS_STR, displayMovePos, &TLFOScreen::setDisplayMove},
        {MOVEMENT_DISPLAY_TEXTS[1], REG_MOVE_DISPLAY_MID_STR, displayMoveMid, &TLFOScreen::setDisplayMid},
        {MOVEMENT_DISPLAY_TEXTS[2], REG_MOVE_DISPLAY_PAN_STR, displayMovePan, &TLFOScreen::setDisplayPan},
    };
    const bool synced = plugin.getOnOff(tag::MOVEMENT_TEMPO_SYNC);

    TPopupMenu popup(frame);
    COptionMenu& menu = popup.getMenu();
    popup.add(MOVEMENT_MENU_TITLE_STR);
    popup.add("-");
    popup.addSubmenu(menu, MOVEMENT_INFO_TITLE_STR, MOVEMENT_INFO_STR);
    popup.add(MOVEMENT_COMMAND_STR);
    for (const TDisplaySwitch& displaySwitch : displaySwitches) {
        popup.addSwitch(displaySwitch.texts, getRegValue(displaySwitch.key, true));
        popup.add("-");
    }
    popup.add(MOVEMENT_WAVE_STR);
    popup.add("-");
    // A synced speed is a note length; a free one is typed.
    if (synced)
        popup.addSubmenu(menu, MOVEMENT_SPEED_TITLE_STR, LFO_PERIOD_STR);
    else
        popup.add(MOVEMENT_SPEED_TITLE_STR);
    popup.add(undoEntry(moveUndo));
    popup.popup();
    const std::string& chosen = popup.getTopTitle();

    undoOrPush(moveUndo, chosen);

    runMovementCommand(plugin, titleIndex(MOVEMENT_COMMAND_STR, chosen));
    for (const TDisplaySwitch& displaySwitch : displaySwitches) {
        takeSwitchChoice(displaySwitch.texts, chosen, displaySwitch.member);
        saveBoolToPrefs(displaySwitch.key, displaySwitch.member);
        if (lfoScreen)
            (lfoScreen->*displaySwitch.show)(displaySwitch.member);
    }
    if (const int wave = titleIndex(MOVEMENT_WAVE_STR, chosen); wave >= 0)
        plugin.setSteppedValue(tag::MOVEMENT_WAVE, wave);
    if (chosen == MOVEMENT_SPEED_TITLE_STR && !synced)
        plugin.setNumValue(tag::MOVEMENT_SPEED);
    if (chosen.empty() && synced)
        if (const int period = titleIndex(LFO_PERIOD_STR, popup.getLastTitle()); period >= 0)
            plugin.setSteppedValue(tag::MOVEMENT_SPEED, period, SYNCED_SPEED_RANGE, SYNCED_SPEED_STEPS);

    mainScreenDirty = true;
    popup.close();
    resume();
}

// ---------------------------------------------------------------- the output menu

void uEditor::showOutputMenu() {
    if (!frame || !services)
        return;
    const TSettingTexts& displayTexts = SETTING_TEXTS[static_cast<size_t>(OUTPUT_DISPLAY)];
    const TSettingTexts& speedTexts = SETTING_TEXTS[static_cast<size_t>(OUTPUT_DISPLAY_SPEED)];

    TPopupMenu popup(frame);
    popup.add(OUTPUT_MENU_TITLE_STR);
    popup.addSubmenu(popup.getMenu(), OUTPUT_INFO_TITLE_STR, OUTPUT_INFO_STR);
    popup.add("-");
    popup.add("-");
    popup.add(ZOOM_LEVEL_STR + std::to_string(waveScreen ? waveScreen->getZoom() : 100) + "%");
    for (const TZoomEntry& zoom : OUTPUT_ZOOM_ENTRIES)
        popup.add(zoom.title);
    popup.add("-");
    popup.addSwitch(displayTexts, getRegValue(REG_OUTPUT_DISPLAY_STR, true));
    popup.add("-");
    popup.addSwitch(speedTexts, getRegValue(REG_OUTPUT_DISPLAY_SPEED_STR, OUTPUT_DISPLAY_SPEED_DEFAULT));
    popup.popup();
    const std::string& chosen = popup.getTopTitle();

    if (const int zoom = findValueEntry(OUTPUT_ZOOM_ENTRIES, chosen); zoom >= 0 && waveScreen)
        waveScreen->setZoom(OUTPUT_ZOOM_ENTRIES[static_cast<size_t>(zoom)].value);
    takeSwitchChoice(displayTexts, chosen, outputDisplayOn);
    saveBoolToPrefs(REG_OUTPUT_DISPLAY_STR, outputDisplayOn);
    if (waveScreen)
        waveScreen->setOn(outputDisplayOn);
    takeSwitchChoice(speedTexts, chosen, outputDisplaySpeed);
    saveBoolToPrefs(REG_OUTPUT_DISPLAY_SPEED_STR, outputDisplaySpeed);

    popup.close();
    resume();
}

// ---------------------------------------------------------------- the sample file menu

void uEditor::showSampleFileMenu() {
    if (!frame || !services)
        return;
    TEditorServices& plugin = *services;
    TSampleServices& samples = plugin.getSampleServices();
    const std::span<const std::string> commands(SAMPLE_FILE_COMMAND_STR);

    TPopupMenu popup(frame);
    popup.add(SAMPLE_FILE_MENU_TITLE_STR);
    popup.add("-");
    popup.addSubmenu(popup.getMenu(), SAMPLE_FILE_INFO_TITLE_STR, SAMPLE_FILE_INFO_STR);
    popup.add(commands.first(EXTERNAL_FOLDER_LINE_BEFORE));
    popup.add("-G" + samples.getExternalSampleDirStr());
    popup.add(commands.subspan(EXTERNAL_FOLDER_LINE_BEFORE));
    popup.popup();

    switch (titleIndex(SAMPLE_FILE_COMMAND_STR, popup.getTopTitle())) {
        case PREVIOUS_FOLDER: samples.goUpAFolder(); break;
        case GOTO_BASE_FOLDER: samples.gotoHomeSampleFolder(); break;
        case GOTO_SAMPLE_FOLDER: samples.gotoSampleFolder(); break;
        case FILE_CLEAR_SAMPLE: clearUserSample(plugin); break;
        case IMPORT_SAMPLE: samples.importSampleFromMenu(); break;
        case SET_EXTERNAL_SAMPLE_FOLDER:
            samples.setExternalSampleDir();
            samples.showExternalSamples();
            break;
        case SHOW_DEFAULT_SAMPLES_FOLDER: samples.showKolbriSample(); break;
        case SHOW_EXTERNAL_SAMPLES_FOLDER: samples.showExternalSamples(); break;
        case CREATE_FOLDER: samples.createSampleFolder(); break;
        case OPEN_FOLDER:
            // The path goes to the file manager as one argument, whatever it
            // holds; nothing waits for the file manager.
            if (const std::string folder = samples.getSampleFolderStr(); !folder.empty())
                platform::openWithDesktop(folder);
            break;
        default: break;
    }
    samples.scanSampleFolder();
    popup.close();
    sampleScreenDirty = true;
}

// ---------------------------------------------------------------- the sample command menu

void uEditor::showSampleCommandMenu() {
    if (!frame || !services)
        return;
    takeUndoClears();  // as in the Gator menu
    TEditorServices& plugin = *services;
    TSampleServices& samples = plugin.getSampleServices();
    const bool loaded = samples.getSampleLoaded();

    TPopupMenu popup(frame, SAMPLE_COMMAND_HALF_SIDE);
    COptionMenu& menu = popup.getMenu();
    popup.add(SAMPLE_COMMAND_MENU_TITLE_STR);
    std::vector<std::string> info;
    if (!loaded) {
        info.push_back(NO_SAMPLE_LOADED_STR);
    } else {
        // Whole frames, truncated; a position that is no number reads as frame 0.
        auto frames = [](double value) {
            return std::to_string(std::isfinite(value) ? static_cast<long long>(std::clamp(value, -1e15, 1e15)) : 0);
        };
        info = {
            "-GSample: " + samples.getLoadedSampleDisplayNameStr(),
            "-GSample Folder  " + samples.getLoadedSampleFolderNameStr(),
            "-GSample Start: " + frames(samples.getSampleStart(USER_SAMPLE_SLOT)),
            "-GSample Length: " + frames(samples.getSampleLength(USER_SAMPLE_SLOT)),
            "-GSample Loop Start: " + frames(samples.getSampleLoopStart(USER_SAMPLE_SLOT)),
            "-GSample Loop End: " + frames(samples.getSampleLoopEnd(USER_SAMPLE_SLOT)),
            "-GSample Volume: " + plugin.getParameterDisplayStr(tag::SAMPLE_VOLUME),
        };
    }
    popup.addSubmenu(menu, SAMPLE_INFO_TITLE_STR, info);
    popup.add("-");
    popup.addSubmenu(menu, SAMPLE_DISPLAY_INFO_TITLE_STR, SAMPLE_DISPLAY_INFO_STR);
    if (loaded) {
        popup.add(SAMPLE_COMMAND_STR);
        std::vector<std::string> points;
        for (int point = SAMPLE_START; point <= LOOP_END; ++point) {
            if (point != SAMPLE_START)
                points.emplace_back("-");
            for (int command = 0; command < SAMPLE_POINT_COMMAND_COUNT; ++command)
                points.push_back(samplePointCommandTitle(command, point));
        }
        popup.addSubmenu(menu, SAMPLE_POINTS_TITLE_STR, points);
        popup.add("-");
        const bool canZoom[] = {sampleDisplay && sampleDisplay->getCanZoom(true),
                                sampleDisplay && sampleDisplay->getCanZoom(false), true};
        for (size_t i = 0; i < SAMPLE_ZOOM_ENTRIES.size(); ++i)
            popup.add((canZoom[i] ? "" : "-G") + std::string(SAMPLE_ZOOM_ENTRIES[i].title));
        popup.add("-");
        popup.add(undoEntry(sampleUndo));
    }
    popup.popup();
    const std::string& chosen = popup.getTopTitle();

    if (undoOrPush(sampleUndo, chosen)) {
        // The path and the points written back take effect.
        samples.updateLoadedSamples();
    } else {
        runSampleCommand(plugin, titleIndex(SAMPLE_COMMAND_STR, chosen));
        if (const int zoom = findValueEntry(SAMPLE_ZOOM_ENTRIES, chosen); zoom >= 0 && sampleDisplay)
            sampleDisplay->setZoom(SAMPLE_ZOOM_ENTRIES[static_cast<size_t>(zoom)].value);
        if (chosen.empty())
            for (int point = SAMPLE_START; point <= LOOP_END; ++point)
                for (int command = 0; command < SAMPLE_POINT_COMMAND_COUNT; ++command)
                    if (popup.getLastTitle() == samplePointCommandTitle(command, point))
                        runSamplePointCommand(plugin, command, point);
    }
    popup.close();
    sampleScreenDirty = true;
}
