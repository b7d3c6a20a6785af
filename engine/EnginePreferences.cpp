// The engine's preferences, read from and written to the preference store.
// The store's reads come from its in-memory copy and its controller-map write
// goes through its writer thread, so the audio thread may use every function
// here except the three setters.
#include "engine/EnginePreferences.h"

#include "platform/Preferences.h"

const std::string REG_MIDI_CAPTURE_STR = "MIDICapture";
const std::string REG_MIDI_IN_CHANNEL_STR = "MIDIChannel";
const std::string REG_MIDI_SPRING_CHANNEL_STR = "MIDISpring";

namespace enginepreferences {

int midiChannelSetting() { return loadIntFromPrefs(REG_MIDI_IN_CHANNEL_STR); }

// 0 hears every channel, 1..16 one channel, 17 none. A setting out of range
// hears every channel, a negative one too: the settings menu stores 0..16
// only, and a hand-edited -1 would otherwise leave a channel that no event
// has and the instrument deaf to MIDI.
int receiveChannel() {
    const int setting = midiChannelSetting();
    return (setting >= 0 && setting < 18 ? setting : 0) - 1;
}

bool captureModeSetting() { return getRegisterIsOn(REG_MIDI_CAPTURE_STR, true); }
bool springModeSetting() { return getRegisterIsOn(REG_MIDI_SPRING_CHANNEL_STR, true); }

int controllerBinding(int controller) {
    return controller >= 0 && controller < 128 ? getMIDICC(controller) : 0;
}

void storeControllerBinding(int controller, int tag) {
    if (controller >= 0 && controller < 128) setMIDICC(controller, tag);
}

void setMidiChannelSetting(int channel) { saveIntToPrefs(REG_MIDI_IN_CHANNEL_STR, channel); }
void setCaptureModeSetting(bool on) { saveBoolToPrefs(REG_MIDI_CAPTURE_STR, on); }
void setSpringModeSetting(bool on) { saveBoolToPrefs(REG_MIDI_SPRING_CHANNEL_STR, on); }

}  // namespace enginepreferences
