// The preferences the engine reads and writes: the MIDI receive channel, the
// capture and spring switches, and the controller map of MIDI learn.
// Every function here may be called from any thread; the controller-map write
// is the one the audio thread makes (MIDI learn) and neither blocks nor allocates.
#pragma once

#include <string>

// The keys of the three MIDI settings; the settings page names them too.
extern const std::string REG_MIDI_CAPTURE_STR;
extern const std::string REG_MIDI_IN_CHANNEL_STR;  // integer: 0 all channels, 1..16 one channel
extern const std::string REG_MIDI_SPRING_CHANNEL_STR;

namespace enginepreferences {

// "MIDIChannel": 0 all channels, 1..16 one channel, 17 none; 0 when missing.
int midiChannelSetting();
// The receive channel that setting selects: -1 all channels, 0..15 one
// channel, 16 none (matches no event).
int receiveChannel();
// "MIDICapture" and "MIDISpring" (on when missing).
bool captureModeSetting();
bool springModeSetting();
// Controller map entries "0".."127": the parameter tag bound to a controller, 0 = none.
int controllerBinding(int controller);
void storeControllerBinding(int controller, int tag);

// For tests and the settings page (not the audio thread): write the switches
// and the channel.
void setMidiChannelSetting(int channel);
void setCaptureModeSetting(bool on);
void setSpringModeSetting(bool on);

}  // namespace enginepreferences
