// Controls to the plug-in and back. Every control reports to valueChanged:
// a control that stands for a parameter passes its value to the plug-in and
// the host; the editor's own controls (menus found by their text, buttons,
// the back screen's settings) are told apart by identity. The plug-in's
// stored values come back through setParameter. Keys step the programs.
#include "editor/uEditor.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "controls/TGatorDisplay.h"
#include "controls/THSlider.h"
#include "controls/TKickButton.h"
#include "controls/TLFOScreen.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TReadout.h"
#include "controls/TSampleDisplay.h"
#include "editor/EditorTables.h"
#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "platform/Preferences.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

constexpr int SAMPLE_LOOP_REVERSED = 3;
constexpr int PROGRAMS_PER_GROUP = 32;
constexpr int CLEAR_PRESET_COMMAND = 9, FIRST_SCREEN_SIZE_COMMAND = 20;
constexpr int LOCK_SET = 2;
// Program steps closer than this to the last one are dropped.
constexpr uint32 PROGRAM_STEP_MILLISECONDS = 300;

// Menus whose chosen entry is the parameter's step (the first ten are set
// from the menu alone; the ribbon and loop menus do more, below).
constexpr std::array<int, 13> STEPPED_MENU_TAGS{
    tag::MOVEMENT_TO_PAN_SINGLE_MODE, tag::PLAY_MODE,     tag::PORTAMENTO_MODE,    tag::PITCH_BEND_DOWN,
    tag::PITCH_BEND_UP,               tag::FILTER_DISTORTION_MODE, tag::FREE_LFO_WAVE, tag::FREE_LFO_MODE,
    tag::FX_PATH,                     tag::MOD_FX_MODE,   tag::RIBBON_SPRING_TIME, tag::RIBBON_QUANTIZATION,
    tag::SAMPLE_LOOP_MODE};

// Sample nudges by button index mod 4: coarse and fine, left and right.
constexpr std::array<float, 4> NUDGE_DELTAS{-0.05f, -0.002f, 0.002f, 0.05f};
constexpr std::array<float, 3> ZOOM_FACTORS{TSampleDisplay::ZOOM_IN, TSampleDisplay::ZOOM_OUT, -1.0f};

template <typename Array, typename T>
int indexIn(const Array& array, const T& value) {
    const auto found = std::find(array.begin(), array.end(), value);
    return found == array.end() ? -1 : static_cast<int>(found - array.begin());
}

std::string_view trimmed(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A typed whole number: the whole text (blanks around it aside) must be one,
// so "44O" or "1e3" is refused instead of read as far as it goes.
std::optional<int> parseTypedInteger(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A typed frequency: a whole or decimal number, truncated to whole units as
// the readouts show them; empty text (a cancelled box) reads as 0, which the
// ranges turn into the default.
std::optional<int> parseTypedFrequency(std::string_view text) {
    text = trimmed(text);
    if (text.empty())
        return 0;
    if (text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    // Anything this far out is out of every range; the clamp keeps the cast defined.
    return static_cast<int>(std::clamp(value, -1.0e6, 1.0e6));
}

}  // namespace

void uEditor::valueChanged(CControl* control) {
    if (!effect || !services || !frame || !editorFinishedOpening || !control)
        return;
    const int tag = control->getTag();
    const bool pressed = control->getValue() > 0.5f;
    int chosen = -1;
    std::string chosenText;
    if (auto* menu = dynamic_cast<COptionMenu*>(control)) {
        char text[256] = {};
        chosen = static_cast<int>(menu->getCurrent(text, false));
        chosenText = text;
    }
    auto setStep = [&](int parameter, int step) {
        if (step >= 0)
            services->setSteppedValue(parameter, step);
    };

    // ---- the top bar
    if (control == presetMenu) {
        if (chosenText == PRESET_COMMAND_STR[CLEAR_PRESET_COMMAND])
            services->clearProgram();
        for (int size = 0; size < SCREEN_SIZE_COUNT; ++size)
            if (chosenText == PRESET_COMMAND_STR[static_cast<size_t>(FIRST_SCREEN_SIZE_COMMAND + size)])
                setScreenSize(size);
        return;
    }
    if (const int group = indexIn(programMenus, control); group >= 0) {
        if (chosen >= 0) {
            services->setDemoProgram(chosen + PROGRAMS_PER_GROUP * group);
            resume();
        }
        return;
    }
    if (control == previewButton) {
        pressed ? services->previewNoteOn() : services->previewNoteReleased();
        return;
    }
    if (control == previewStopButton) {
        services->previewNoteReleased();
        return;
    }
    if (control == revertOriginalButton && pressed) {
        services->origProgram();
        return;
    }
    if (control == revertEditedButton && pressed) {
        services->editProgram();
        return;
    }
    if (control == manualButton && pressed) {
        const std::string path = services->getManualPath();
        if (FILE* file = std::fopen(path.c_str(), "rb")) {
            std::fclose(file);
            platform::openWithDesktop(path);
        }
        return;
    }
    // The screen buttons leave the frame while they are pressed, so their
    // release never reaches them: they let go here, or the next press on
    // them would change nothing and go unreported.
    if (control == backScreenButton && pressed) {
        control->setValue(0);
        showBackScreen();
        return;
    }
    if (control == backScreenCloseButton && pressed) {
        control->setValue(0);
        hideBackScreen();
        return;
    }

    // ---- menus of the panels
    if (control == menuMoveSnapTo) {
        setStep(tag::MOVE_SNAP_TO, chosen);
        if (lfoScreen)
            lfoScreen->setSnap(services->getSteppedValue(tag::MOVE_SNAP_TO));
        return;
    }
    if (control == lockMenu) {
        if (chosen >= 0)
            services->setLockState(chosen);
        // "Set" writes the locked speed back once; the lock is then off.
        if (chosen == LOCK_SET) {
            lockMenu->setValue(0);
            lockMenu->setDirty();
            services->setLockState(0);
        }
        return;
    }
    if (control == sampleMenu || indexIn(sampleSubMenus, control) >= 0) {
        if (const int sample = indexIn(SAMPLE_STR, chosenText); sample >= 0)
            services->setSteppedValue(tag::SAMPLE, sample);
        return;
    }
    if (control == filterMenu || indexIn(filterSubMenus, control) >= 0) {
        if (const int mode = indexIn(FILTER_MODE_STR, chosenText); mode >= 0)
            services->setSteppedValue(tag::FILTER_MODE, mode);
        return;
    }
    if (control == menuSourceMode) {
        setStep(tag::SOURCE_MODE, chosen);
        paramChangedSinceIdle = true;
        return;
    }
    if (control == menuRibbonQuantization) {
        setStep(tag::RIBBON_QUANTIZATION, chosen);
        if (ribbonSlider)
            ribbonSlider->invalid();
        return;
    }
    if (control == menuRibbonSpringTime) {
        setStep(tag::RIBBON_SPRING_TIME, chosen);
        if (services->getSteppedValue(tag::RIBBON_SPRING_TIME) != 0)
            services->setRibbonSpringOn();
        if (ribbonSlider)
            ribbonSlider->invalid();
        return;
    }
    if (control == menuSampleLoopMode) {
        setStep(tag::SAMPLE_LOOP_MODE, chosen);
        if (services->getSteppedValue(tag::SAMPLE_LOOP_MODE) == SAMPLE_LOOP_REVERSED)
            services->setOn(tag::SAMPLE_REV);
        else
            services->setOff(tag::SAMPLE_REV);
        return;
    }
    for (TOptionMenu* menu : {menuMovementPanSingleMode, menuPlayMode, menuPortamentoMode, menuPitchBendDown,
                              menuPitchBendUp, menuFilterDistortionMode, menuFreeLFOWave, menuFreeLFOMode, menuFXPath,
                              menuModFXMode})
        if (menu && control == menu) {
            setStep(tag, chosen);
            return;
        }
    if (control == onOffSampleRevOnOff) {
        services->setParameterAutomated(tag::SAMPLE_REV, control->getValue());
        services->setSteppedValue(tag::SAMPLE_LOOP_MODE,
                                  services->getOnOff(tag::SAMPLE_REV) ? SAMPLE_LOOP_REVERSED : 0);
        return;
    }

    // ---- the sample screen
    if (const int nudge = indexIn(sampleNudgeButtons, control); nudge >= 0 && pressed) {
        const float delta = NUDGE_DELTAS[static_cast<size_t>(nudge % 4)];
        TSampleServices& samples = services->getSampleServices();
        if (nudge < 4)
            samples.setSampleStartDelta(delta);
        else if (nudge < 8)
            samples.setSampleLoopStartDelta(delta);
        else
            samples.setSampleLoopEndDelta(delta);
        sampleScreenDirty = true;
        return;
    }
    if (const int zoom = indexIn(sampleZoomButtons, control); zoom >= 0 && pressed) {
        if (sampleDisplay)
            sampleDisplay->setZoom(ZOOM_FACTORS[static_cast<size_t>(zoom)]);
        sampleScreenDirty = true;
        return;
    }
    if (const int field = indexIn(samplePositionFields, control); field >= 0) {
        // A text that is not a frame number changes nothing; the refresh
        // shows the position as it stands again.
        if (const auto frameNumber = parseTypedInteger(samplePositionFields[static_cast<size_t>(field)]->getText())) {
            TSampleServices& samples = services->getSampleServices();
            if (field == 0)
                samples.setSampleStartBySample(*frameNumber);
            else if (field == 1)
                samples.setSampleLoopStartBySample(*frameNumber);
            else
                samples.setSampleLoopEndBySample(*frameNumber);
        }
        sampleScreenDirty = true;
        return;
    }

    // ---- modulation menus, found by the chosen name (the last equal name wins)
    const bool sourceMenu = indexIn(srcMenus, control) >= 0 ||
                            std::any_of(srcSubMenus.begin(), srcSubMenus.end(),
                                        [&](const auto& submenus) { return indexIn(submenus, control) >= 0; });
    if (sourceMenu) {
        for (int source = 0; source < static_cast<int>(SRC_STR.size()); ++source)
            if (SRC_STR[static_cast<size_t>(source)] == chosenText)
                services->setSteppedValue(tag, source);
        return;
    }
    const bool destinationMenu = indexIn(destMenus, control) >= 0 ||
                                 std::any_of(destSubMenus.begin(), destSubMenus.end(),
                                             [&](const auto& submenus) { return indexIn(submenus, control) >= 0; });
    if (destinationMenu) {
        for (int destination = 0; destination < static_cast<int>(destStr.size()); ++destination)
            if (destStr[static_cast<size_t>(destination)] == chosenText)
                services->setSteppedValue(tag, destination);
        return;
    }
    if (control == onOffRibbonBiPolarOnOff) {
        services->setParameterAutomated(tag::RIBBON_BIPOLAR, control->getValue());
        services->setParameterAutomated(tag::RIBBON_VALUE, services->getOnOff(tag::RIBBON_BIPOLAR) ? 0.5f : 0.0f);
        if (ribbonSlider) {
            ribbonSlider->setValue(services->getParameter(tag::RIBBON_VALUE));
            ribbonSlider->setDirty();
        }
        return;
    }
    if ((control == sampleScreenArea || control == sampleScreenButton) && pressed) {
        control->setValue(0);
        if (screenMode != 1)
            showSampleScreenControls();
        else
            showMainScreen();
        return;
    }

    // ---- the back screen
    const std::pair<CControl*, const std::string*> preferenceSwitches[] = {
        {presetWarningSwitch, &REG_PRESET_WARNING_STR},
        {midiPresetSwitch, &REG_MIDI_PRESET_STR},
        {midiBankSwitch, &REG_MIDI_BANK_STR},
        {midiCaptureSwitch, &REG_MIDI_CAPTURE_STR},
    };
    for (auto [onOff, key] : preferenceSwitches)
        if (control == onOff) {
            saveBoolToPrefs(*key, pressed);
            return;
        }
    if (control == keyboardSwitch) {
        keyboardOn = control->getValue() >= 0.5f;
        saveBoolToPrefs(REG_KEYBOARD_STR, keyboardOn);
        return;
    }
    if (control == screenSizeMenu) {
        if (chosen >= 0 && chosen < SCREEN_SIZE_COUNT) {
            screenSizeMenu->setString(SCREEN_SIZE_SHORT_STR[static_cast<size_t>(chosen)]);
            setScreenSize(chosen);
        }
        return;
    }
    if (control == midiChannelMenu) {
        if (chosen >= 0 && chosen < static_cast<int>(MIDI_IN_CHANNEL_STR.size())) {
            saveIntToPrefs(REG_MIDI_IN_CHANNEL_STR, chosen);
            midiChannelMenu->setString(MIDI_IN_CHANNEL_STR[static_cast<size_t>(chosen)]);
            services->updateMIDIChannel(false);
        }
        return;
    }
    if (control == a4TuningReadout && pressed) {
        char answer[256] = "440";
        inputBox("A4 Tuning: 220 to 880Hz, 440Hz Default", "220 to 880", answer);
        // Text that is no number is refused; a number out of range (or a
        // cancelled box) gives the default.
        if (std::optional<int> hertz = parseTypedFrequency(answer)) {
            if (*hertz < 220 || *hertz > 880)
                hertz = 440;
            const float value = (std::log(static_cast<float>(*hertz) / 440.0f) / 0.6931472f + 1.0f) * 0.5f;
            services->setParameterAutomated(tag::GLOBAL_TUNING, value);
        }
        showBackScreenReadouts();
        return;
    }
    if (control == tuningResetButton || (control == tuningReadout && pressed)) {
        if (control == tuningResetButton && pressed)
            services->resetTuning();
        else if (control == tuningReadout)
            services->loadTuning();
        if (tuningReadout) {
            tuningReadout->setString(services->getTuningName());
            tuningReadout->setDirty();
        }
        return;
    }
    if (control == brickFilterReadout && pressed) {
        char answer[256] = "15";
        inputBox("Brick Filter Freq: 10 KHz - 40 KHz, 15 KHz Default", "KHz", answer);
        if (const std::optional<int> kiloHertz = parseTypedFrequency(answer)) {
            // 750 is 15 kHz over the 20 Hz the parameter's scale starts from.
            const float x =
                *kiloHertz >= 10 && *kiloHertz <= 40 ? static_cast<float>(*kiloHertz) * 1000.0f / 20.0f : 750.0f;
            services->setParameterAutomated(tag::BRICK_FILTER_FREQUENCY, std::log(x) / 8.317766f);
        }
        showBackScreenReadouts();
        return;
    }

    // ---- every other parameter control (never a value the plug-in could not store)
    if (isValidTag(tag) && std::isfinite(control->getValue()))
        services->setParameterAutomated(tag, control->getValue());
}

// ---------------------------------------------------------------- the plug-in's values to the controls

void uEditor::setParameter(int tag, float) {
    // From another thread only the mark is taken: nothing of the window is
    // touched there, not even to see whether it is open.
    if (!isValidTag(tag))
        return;
    if (!onUiThread()) {
        offThreadRequests.markTag(tag);
        return;
    }
    if (!frame || !services || !editorFinishedOpening)
        return;
    const float value = std::clamp(services->getParameter(tag), 0.0f, 1.0f);

    if (indexIn(STEPPED_MENU_TAGS, tag) >= 0) {
        for (TOptionMenu** menu : {&menuMovementPanSingleMode, &menuPlayMode, &menuPortamentoMode, &menuPitchBendDown,
                                   &menuPitchBendUp, &menuFilterDistortionMode, &menuFreeLFOWave, &menuFreeLFOMode,
                                   &menuFXPath, &menuModFXMode, &menuRibbonSpringTime, &menuRibbonQuantization,
                                   &menuSampleLoopMode})
            if (*menu && (*menu)->getTag() == tag)
                resumeMenu(*menu);
        return;
    }
    switch (tag) {
        case tag::MOVE_SNAP_TO:
            resumeMenu(menuMoveSnapTo);
            if (lfoScreen)
                lfoScreen->setSnap(services->getSteppedValue(tag::MOVE_SNAP_TO));
            return;
        case tag::SOURCE_MODE:
            resumeMenu(menuSourceMode);
            paramChangedSinceIdle = true;
            return;
        case tag::SAMPLE:
            resumeSubMenu(sampleMenu, tag::SAMPLE, SAMPLE_STR);
            paramChangedSinceIdle = true;
            return;
        case tag::FILTER_MODE: resumeSubMenu(filterMenu, tag::FILTER_MODE, FILTER_MODE_STR); return;
        case tag::GRAIN: paramChangedSinceIdle = true; break;
        case tag::MOVEMENT_SHAPE_UP:
        case tag::MOVEMENT_SHAPE_DOWN: mainScreenDirty = true; break;
        default: break;
    }
    if (const int source = indexIn(SOURCE_MENU_TAGS, tag); source >= 0) {
        resumeSubMenu(srcMenus[static_cast<size_t>(source)], value, SRC_SHORT_STR);
        return;
    }
    if (const int destination = indexIn(MOD_MENU_DEST_TAGS, tag); destination >= 0) {
        resumeDestMenu(destination);
        return;
    }
    // The control registered last for the tag, and the ones before it: the
    // source layouts each hold their own knob of 11, 12, 13 and 16, and the
    // one on screen must follow as well.
    for (int index = tagToControl[static_cast<size_t>(tag)]; index >= 0 && index < getControlCount();
         index = previousWithTag[static_cast<size_t>(index)]) {
        const TControlEntry& entry = controls[static_cast<size_t>(index)];
        if (entry.type == OPTION_MENU || !entry.control || entry.control->getTag() != tag)
            return;
        entry.control->setValue(value);
    }
}

void uEditor::setEditTag(int tag) {
    if (!isValidTag(tag)) {
        editControl = nullptr;
        return;
    }
    for (const TControlEntry& entry : controls)
        if (entry.control && entry.control->getTag() == tag) {
            editControl = entry.control;
            return;
        }
}

void uEditor::beginEdit(int32 index) {
    if (services)
        services->beginEdit(index);
}

void uEditor::endEdit(int32 index) {
    if (services)
        services->endEdit(index);
}

// ---------------------------------------------------------------- program steps by key

void uEditor::changeProgramDelta(int delta, bool) {
    if (!effect || !services || services->getIsSettingPreset())
        return;
    const uint32 now = getTicks();
    keyTicks = now;
    // A clock that went back must not lock the steps out.
    if (now < lastProgramChangeTicks)
        lastProgramChangeTicks = now - (PROGRAM_STEP_MILLISECONDS + 1);
    if (now - lastProgramChangeTicks >= PROGRAM_STEP_MILLISECONDS) {
        lastProgramChangeTicks = now;
        services->changeDemoProgramDelta(delta);
        resume();
    }
}

int32 uEditor::onKeyDown(const VstKeyCode& key, CFrame*) {
    if (!keyboardOn)
        return -1;
    switch (key.virt) {
        case vst::VKEY_UP: changeProgramDelta(-1, true); return 1;
        case vst::VKEY_DOWN: changeProgramDelta(1, true); return 1;
        case vst::VKEY_PAGEUP:
        case vst::VKEY_PAGEDOWN: return 1;
        default: return -1;
    }
}

int32 uEditor::onKeyUp(const VstKeyCode&, CFrame*) { return -1; }
