#include "editor/EditorTables.h"

#include "engine/dsp/FilterTypes.h"
#include "engine/dsp/ParameterTags.h"

const std::array<int, 12> DEST_SUB_START{
    destination::VOLUME,          destination::SOURCE_OCTAVE,  destination::FILTER_FREQUENCY,
    destination::LOWFI_MIX,       destination::MOD_FX_MIX,     destination::DELAY_MIX,
    destination::REVERB_MIX,      destination::MOVEMENT_SPEED, destination::FREE_LFO_SPEED,
    destination::MOD_SLOT_AMOUNT_1, destination::RIBBON_SPEED, MOD_DEST_COUNT};

const std::array<int, 9> SAMPLE_SUB_START{0, 24, 49, 74, 99, 115, 140, 170, 194};

const std::array<int, 7> FILTER_SUB_START{
    filtertype::LOWPASS_6DB,  filtertype::LOWPASS_12DB, filtertype::LOWPASS_18DB, filtertype::LOWPASS_24DB,
    filtertype::LOWPASS_36DB, filtertype::VOCAL,        FILTER_TYPE_COUNT};

const std::array<int, 8> MOD_MENU_DEST_TAGS{
    tag::MODULATION_SLOT_1_DESTINATION, tag::MODULATION_SLOT_2_DESTINATION, tag::MODULATION_SLOT_3_DESTINATION,
    tag::MODULATION_SLOT_4_DESTINATION, tag::MOVEMENT_DESTINATION_1,        tag::MOVEMENT_DESTINATION_2,
    tag::FREE_LFO_DESTINATION_1,        tag::FREE_LFO_DESTINATION_2};

// Columns: submenu, first source, last source.
const std::array<TRange, 4> SRC_SUB_RANGES{{
    {0, source::MOD_WHEEL, source::CC_114},
    {1, source::MOVEMENT, source::RIBBON},
    {1, source::GATOR_LEFT, source::GATOR_AVERAGE},
    {2, source::INPUT, source::WHITE_UNIPOLAR_NOISE},
}};

// Columns: unused, first parameter, last parameter.
const std::array<TRange, 4> NO_DROP_RANGES{{
    {0, tag::WAVE_FEEDBACK, tag::WAVE_FEEDBACK},
    {0, tag::GRAIN_SIZE, tag::SUB_VOLUME},
    {0, tag::MOVEMENT_AMOUNT_1, tag::MOVEMENT_AMOUNT_2},
    {0, tag::LOW_FI, tag::REVERB_HIGHPASS_FILTER_FREQUENCY},
}};

// Columns: member, hint. The nudge buttons step by -0.05, -0.002, +0.002 and
// +0.05 for index mod 4 = 0..3, so "Fine" names the ±0.002 buttons.
const std::array<THintText, 54> FIXED_HINT_TEXTS{{
    {"presetMenu", "Preset Menu"},
    {"folderMenu", "Folder Menu"},
    {"previewButton", "Preview Preset"},
    {"revertEditedButton", "Edited Preset"},
    {"revertOriginalButton", "Original Preset"},
    {"manualButton", "Open Help"},
    {"ecsMenuButton", "ECS Menu"},
    {"hintReadout1", "Parameter Name Readout"},
    {"hintReadout2", "Parameter Value Readout"},
    {"sampleScreenArea", "Show Sample Screen"},
    {"sampleScreenButton", "Edit Sample Screen"},
    {"backScreenButton", "Show Back Screen"},
    {"previewStopButton", "Stop Sound"},
    {"previewButton", "Preview Preset"},
    {"controlMenuButton", "Control Menu"},
    {"lfoSelector", "Movement Selector Screen"},
    {"lfoScreen", "Movement Screen"},
    {"moveSpeedMenuButton", "Movement Speed"},
    {"waveScreen", "Output Screen"},
    {"lockMenu", "Speed Lock Mode"},
    {"gatorDisplays[0]", "Left Gator Screen"},
    {"gatorDisplays[1]", "Right Gator Screen"},
    {"sampleZoomButtons[0]", "Sample Zoom In"},
    {"sampleZoomButtons[2]", "Reset Sample Zoom"},
    {"sampleNudgeButtons[1]", "Sample Start Fine Left"},
    {"sampleNudgeButtons[0]", "Sample Start Left"},
    {"sampleNudgeButtons[3]", "Sample Start Right"},
    {"sampleNudgeButtons[2]", "Sample Start Fine Right"},
    {"sampleNudgeButtons[4]", "Sample Loop Start Left"},
    {"sampleNudgeButtons[5]", "Sample Loop Start Fine Left"},
    {"sampleNudgeButtons[6]", "Sample Loop Start Fine Right"},
    {"sampleNudgeButtons[7]", "Sample Loop Start Right"},
    {"sampleNudgeButtons[9]", "Sample Loop End Fine Left"},
    {"sampleNudgeButtons[8]", "Sample Loop End Left"},
    {"sampleNudgeButtons[10]", "Sample Loop End Fine Right"},
    {"sampleNudgeButtons[11]", "Sample Loop End Right"},
    {"samplePositionFields[0]", "Sample Start"},
    {"samplePositionFields[1]", "Sample Loop Start"},
    {"samplePositionFields[2]", "Sample Loop End"},
    {"sampleDisplay", "Sample Display"},
    {"sampleFileDisplay", "Sample File Display"},
    {"backScreenCloseButton", "To Main Screen"},
    {"keyboardSwitch", "Keyboard Control On/Off"},
    {"midiPresetSwitch", "MIDI Preset Control On/Off"},
    {"midiBankSwitch", "MIDI Bank Control On/Off"},
    {"midiCaptureSwitch", "Alt MIDI On/Off"},
    {"midiChannelMenu", "MIDI Channel"},
    {"presetWarningSwitch", "Preset Warning On/Off"},
    {"screenSizeMenu", "Screen Size 100/125/150/200"},
    {"brickFilterSwitch", "Brick Filter On/Off"},
    {"brickFilterReadout", "Brick Filter Frequency"},
    {"a4TuningReadout", "Global Tuning"},
    {"tuningReadout", "Load Tuning"},
    {"tuningResetButton", "Reset Tuning"},
}};
