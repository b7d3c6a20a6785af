// The back screen: the settings page. Its captions are painted on its
// background image; its controls are made once per opening and shown with the
// preferences and the plug-in's values whenever the page comes up. A click
// anywhere else on the page returns to the main screen.
#include <algorithm>
#include <cmath>
#include <string>

#include "controls/TKickButton.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TReadout.h"
#include "editor/BackScreenLayout.h"
#include "editor/EditorMembers.h"
#include "platform/Preferences.h"
#include "plugin/StringTables.h"

using namespace kgui;

// "440 Hz" for the A4 reference: 440 x 2^(2v - 1), 220..880 Hz.
std::string getA4TuningText(float value) {
    const float hertz = std::exp2(2.0f * value - 1.0f) * 440.0f;
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
