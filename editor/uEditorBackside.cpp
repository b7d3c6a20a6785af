// The back screen: the settings page. Its captions are painted on its
// background image; its controls are made once per opening and shown with the
// preferences and the plug-in's values whenever the page comes up. A click
// anywhere else on the page returns to the main screen.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <string>

#include "controls/TKickButton.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TReadout.h"
#include "editor/BackScreenLayout.h"
#include "editor/EditorMembers.h"
#include "editor/TypedNumbers.h"
#include "platform/MessageBox.h"
#include "platform/Preferences.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

// The switches that stand for a preference of their own, stored as they turn.
struct TPreferenceSwitch {
    TOnOff* uEditor::*onOff;
    const std::string& key;
};
const TPreferenceSwitch PREFERENCE_SWITCHES[] = {
    {&uEditor::presetWarningSwitch, REG_PRESET_WARNING_STR},
    {&uEditor::midiPresetSwitch, REG_MIDI_PRESET_STR},
    {&uEditor::midiBankSwitch, REG_MIDI_BANK_STR},
    {&uEditor::midiCaptureSwitch, REG_MIDI_CAPTURE_STR},
};

}  // namespace

// "440 Hz" for the A4 reference: 440 x 2^(2v - 1), 220..880 Hz. The 0.1
// keeps a typed whole frequency, which comes back a hair under (228.99998 for
// 229), from showing one less, as it does for the brick filter.
std::string getA4TuningText(float value) {
    const float hertz = std::exp2(2.0f * value - 1.0f) * 440.0f + 0.1f;
    return std::to_string(static_cast<int>(hertz)) + " Hz";
}

// "15 KHz" for the brick filter: 20 x 2^(12v) Hz. The 0.1 keeps a result such
// as 39.999996 from showing one less.
std::string getBrickFilterText(float value) {
    const float kiloHertz = std::exp2(12.0f * value) * 20.0f / 1000.0f + 0.1f;
    return std::to_string(static_cast<int>(kiloHertz)) + " KHz";
}

void uEditor::createBackScreen() {
    if (!services)
        return;
    const CRect window = frameRect();
    createKickButtonArea(backScreenCloseButton, 0, 0, static_cast<int>(window.getWidth()),
                         static_cast<int>(window.getHeight()));
    createRows(std::span(BACK_SCREEN).subspan(1));
    for (TReadout* readout : {a4TuningReadout, tuningReadout, brickFilterReadout})
        if (readout)
            readout->setReactToMouse();
}

void uEditor::showBackScreenReadouts() {
    if (a4TuningReadout) {
        a4TuningReadout->setString(getA4TuningText(services->getParameter(tag::GLOBAL_TUNING)));
        a4TuningReadout->setDirty();
    }
    if (brickFilterReadout) {
        brickFilterReadout->setString(getBrickFilterText(services->getParameter(tag::BRICK_FILTER_FREQUENCY)));
        brickFilterReadout->setDirty();
    }
}

void uEditor::showBackScreen() {
    if (!frame || !services)
        return;
    frame->removeAll(false);
    frame->invalid();
    frame->setDirty(false);
    screenMode = 3;
    frame->setBackground(backScreenBitmap);

    addToFrame(backScreenCloseButton);
    if (midiChannelMenu) {
        // A stored channel outside 0..16 shows the nearest one.
        const int channel = std::clamp(loadIntFromPrefs(REG_MIDI_IN_CHANNEL_STR), 0, 16);
        midiChannelMenu->setValue(static_cast<float>(channel));
        midiChannelMenu->setString(MIDI_IN_CHANNEL_STR[static_cast<size_t>(channel)]);
        addToFrame(midiChannelMenu);
    }
    if (screenSizeMenu) {
        screenSizeMenu->setValue(static_cast<float>(getBig()));
        screenSizeMenu->setString(SCREEN_SIZE_STR[static_cast<size_t>(getBig())]);
        addToFrame(screenSizeMenu);
    }
    if (keyboardSwitch) {
        keyboardSwitch->setValue(keyboardOn ? 1.0f : 0.0f);
        addToFrame(keyboardSwitch);
    }
    const std::pair<TOnOff*, const std::string*> preferenceSwitches[] = {
        {midiPresetSwitch, &REG_MIDI_PRESET_STR},
        {midiBankSwitch, &REG_MIDI_BANK_STR},
        {midiCaptureSwitch, &REG_MIDI_CAPTURE_STR},
        {presetWarningSwitch, &REG_PRESET_WARNING_STR},
    };
    for (auto [onOff, key] : preferenceSwitches)
        if (onOff) {
            onOff->setValue(getRegisterIsOn(*key, true) ? 1.0f : 0.0f);
            addToFrame(onOff);
        }
    showBackScreenReadouts();
    addToFrame(a4TuningReadout);
    addToFrame(tuningResetButton);
    if (tuningReadout) {
        tuningReadout->setString(services->getTuningName());
        addToFrame(tuningReadout);
    }
    if (brickFilterSwitch) {
        brickFilterSwitch->setValue(services->getOnOff(tag::BRICK_FILTER) ? 1.0f : 0.0f);
        addToFrame(brickFilterSwitch);
    }
    addToFrame(brickFilterReadout);
    frame->setDirty();
}

void uEditor::hideBackScreen() {
    if (!frame)
        return;
    frame->removeAll(false);
    frame->setBackground(mainBackBitmap);
    showMainScreen();
}

// ---------------------------------------------------------------- what the back screen's controls do

void uEditor::bindBackScreen() {
    onChange(backScreenCloseButton, &uEditor::backScreenClosePressed);
    for (size_t slot = 0; slot < std::size(PREFERENCE_SWITCHES); ++slot)
        onChange(this->*PREFERENCE_SWITCHES[slot].onOff, &uEditor::preferenceSwitched, static_cast<int>(slot));
    onChange(keyboardSwitch, &uEditor::keyboardSwitched);
    onChange(screenSizeMenu, &uEditor::screenSizeChosen);
    onChange(midiChannelMenu, &uEditor::midiChannelChosen);
    onChange(a4TuningReadout, &uEditor::a4TuningPressed);
    onChange(tuningResetButton, &uEditor::tuningPressed);
    onChange(tuningReadout, &uEditor::tuningPressed);
    onChange(brickFilterReadout, &uEditor::brickFilterPressed);
}

// The page leaves the frame while the click is down: the area lets go here.
void uEditor::backScreenClosePressed(const TControlReport& report) {
    if (!report.pressed)
        return;
    report.control->setValue(0);
    hideBackScreen();
}

void uEditor::preferenceSwitched(const TControlReport& report) {
    saveBoolToPrefs(PREFERENCE_SWITCHES[static_cast<size_t>(report.slot)].key, report.pressed);
}

void uEditor::keyboardSwitched(const TControlReport& report) {
    keyboardOn = report.control->getValue() >= 0.5f;
    saveBoolToPrefs(REG_KEYBOARD_STR, keyboardOn);
}

// The size is stored for the next opening (setScreenSize tells the user so).
void uEditor::screenSizeChosen(const TControlReport& report) {
    if (report.chosen >= 0 && report.chosen < SCREEN_SIZE_COUNT) {
        screenSizeMenu->setString(SCREEN_SIZE_SHORT_STR[static_cast<size_t>(report.chosen)]);
        setScreenSize(report.chosen);
    }
}

void uEditor::midiChannelChosen(const TControlReport& report) {
    if (report.chosen >= 0 && report.chosen < static_cast<int>(MIDI_IN_CHANNEL_STR.size())) {
        saveIntToPrefs(REG_MIDI_IN_CHANNEL_STR, report.chosen);
        midiChannelMenu->setString(MIDI_IN_CHANNEL_STR[static_cast<size_t>(report.chosen)]);
        services->updateMIDIChannel(false);
    }
}

// A number out of range, or a text with none where it starts, gives the
// default; a cancelled box changes nothing (a reset for a Cancel would lose
// the user's tuning).
void uEditor::a4TuningPressed(const TControlReport& report) {
    if (!report.pressed)
        return;
    char answer[256] = "440";
    inputBox("A4 Tuning: 220 to 880Hz, 440Hz Default", "220 to 880", answer);
    if (std::optional<int> hertz = readTypedNumber(answer)) {
        if (*hertz < 220 || *hertz > 880)
            hertz = 440;
        const float value = (std::log(static_cast<float>(*hertz) / 440.0f) / 0.6931472f + 1.0f) * 0.5f;
        services->setParameterAutomated(tag::GLOBAL_TUNING, value);
    }
    showBackScreenReadouts();
}

// The reset button resets the tuning as it goes down, a click on the readout
// loads a tuning file; the readout shows the tuning's name after either, and
// after the button comes up.
void uEditor::tuningPressed(const TControlReport& report) {
    if (report.control == tuningReadout && !report.pressed)
        return;
    if (report.control == tuningResetButton && report.pressed)
        services->resetTuning();
    else if (report.control == tuningReadout)
        services->loadTuning();
    if (tuningReadout) {
        tuningReadout->setString(services->getTuningName());
        tuningReadout->setDirty();
    }
}

// In kHz, read as the A4 box reads: "20k" is 20 kHz, 20000 is out of range.
void uEditor::brickFilterPressed(const TControlReport& report) {
    if (!report.pressed)
        return;
    char answer[256] = "15";
    inputBox("Brick Filter Freq: 10 KHz - 40 KHz, 15 KHz Default", "KHz", answer);
    if (const std::optional<int> kiloHertz = readTypedNumber(answer)) {
        // 750 is 15 kHz over the 20 Hz the parameter's scale starts from.
        const float x =
            *kiloHertz >= 10 && *kiloHertz <= 40 ? static_cast<float>(*kiloHertz) * 1000.0f / 20.0f : 750.0f;
        services->setParameterAutomated(tag::BRICK_FILTER_FREQUENCY, std::log(x) / 8.317766f);
    }
    showBackScreenReadouts();
}
