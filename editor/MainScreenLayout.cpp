// Columns: member, tag, x, y (with corrections at 125/150/200 %), width,
// height, switch offset, and how the editor makes the control (its factory
// with the caption, style and menu entries). Rows in the order the editor
// creates the controls.
#include "editor/MainScreenLayout.h"

#include "editor/EditorBitmaps.h"

#include <initializer_list>
#include <span>

using namespace layout;
using enum TEntryTable;

const std::array<TLayoutRow, 23> MAIN_CAPTIONS{{
    {"labelPreset", NO_PARAM_TAG, {60}, {23, 2, 1, 1}, 50, 9, {}, topCaption("PRESET")},
    {"labelBank", NO_PARAM_TAG, {61}, {46, 0, 0, 1}, 50, 9, {}, topCaption("BANK")},
    {"labelEdit", NO_PARAM_TAG, {265}, {23, 2, 1, 1}, 50, 9, {}, topCaption("EDIT")},
    {"labelOrig", NO_PARAM_TAG, {264}, {46, 0, 0, 1}, 50, 9, {}, topCaption("ORIG")},
    {"labelECS", NO_PARAM_TAG, {343}, {23, 2, 1, 1}, 24, 9, {}, topCaption("ECS")},
    {"labelHelp", NO_PARAM_TAG, {336}, {46, 0, 0, 1}, 30, 9, {}, topCaption("HELP")},
    {"labelMovement", NO_PARAM_TAG, {32}, {99, 1, 0, 0}, 100, 10, {}, title("MOVEMENT")},
    {"labelSource", NO_PARAM_TAG, {32}, {367}, 100, 10, {}, title("SOURCE")},
    {"labelFilter", NO_PARAM_TAG, {585}, {367}, 100, 10, {}, title("FILTER")},
    {"labelLFO", NO_PARAM_TAG, {32}, {471}, 100, 10, {}, title("LFO")},
    {"labelMain", NO_PARAM_TAG, {688}, {471}, 100, 10, {}, title("MAIN")},
    {"labelLowFi", NO_PARAM_TAG, {32}, {574, 1, 0, 0}, 100, 10, {}, title("LOW-FI")},
    {"labelModFX", NO_PARAM_TAG, {166, 0, 1, -4}, {574, 1, 0, 0}, 100, 10, {}, title("MOD-FX")},
    {"labelDelay", NO_PARAM_TAG, {446, 0, 0, -3}, {574, 1, 0, 0}, 100, 10, {}, title("DELAY")},
    {"labelReverb", NO_PARAM_TAG, {767, 0, 0, -3}, {574, 1, 0, 0}, 100, 10, {}, title("REVERB")},
    {"labelPath", NO_PARAM_TAG, {1041, 0, 0, -3}, {574, 1, 0, 0}, 50, 10, {}, title("PATH")},
    {"labelMod1", NO_PARAM_TAG, {42}, {680}, 50, 10, {}, title("MOD 1")},
    {"labelMod2", NO_PARAM_TAG, {312}, {680}, 50, 10, {}, title("MOD 2")},
    {"labelMod3", NO_PARAM_TAG, {583}, {680}, 50, 10, {}, title("MOD 3")},
    {"labelMod4", NO_PARAM_TAG, {852}, {680}, 50, 10, {}, title("MOD 4")},
    {"labelBiPolar", NO_PARAM_TAG, {839, 0, 0, 1}, {741, -1, 1, 1}, 40, 9, {}, caption("BIPLR", 2)},
    {"labelSpringBack", NO_PARAM_TAG, {901}, {737}, 38, 18, {}, caption("SPRING!BACK", 1)},
    {"labelQuant", NO_PARAM_TAG, {1012}, {743, -1, 0, 0}, 40, 9, {}, caption("QUANT", 2)},
}};

const std::array<TLayoutRow, 13> MAIN_TOP_BAR{{
    {"presetMenu", NO_PARAM_TAG, {116}, {18, 2, 1, 1}, 161, 18, {}, direct()},
    {"folderMenu", NO_PARAM_TAG, {116}, {41, 0, 1, 1}, 161, 18, {}, direct()},
    {"previewStopButton", NO_PARAM_TAG, {37}, {20, -1, 0, 0}, 0, 0, {}, imageButton(PREVIEW_STOP_BITMAP)},
    {"previewButton", NO_PARAM_TAG, {42, 1, 1, 0}, {44}, 0, 0, {}, imageButton(PREVIEW_BITMAP)},
    {"revertEditedButton", NO_PARAM_TAG, {318}, {21, 1, 1, 0}, 13, 13, {}, ledButton()},
    {"revertOriginalButton", NO_PARAM_TAG, {318}, {44, -1, 0, 0}, 13, 13, {}, ledButton()},
    {"ecsMenuButton", NO_PARAM_TAG, {369}, {21, 1, 1, 0}, 13, 13, {}, menuButton(1, true, false)},
    {"manualButton", NO_PARAM_TAG, {369}, {44, -1, 0, 0}, 13, 13, {}, ledButton()},
    {"hintReadout1", NO_PARAM_TAG, {393}, {19, 2, 1, 1}, 222, 16, {}, readout("Orventa", false, false)},
    {"hintReadout2", NO_PARAM_TAG, {393}, {42, 0, 0, 1}, 222, 16, {}, readout("Kolbri", false, false)},
    {"sampleScreenArea", NO_PARAM_TAG, {630}, {43}, 68, 21, {}, clickArea()},
    {"backScreenButton", NO_PARAM_TAG, {789}, {14}, 303, 52, {}, clickArea()},
    {"controlMenuButton", NO_PARAM_TAG, {1099}, {11}, 25, 25, {}, menuButton(0, false, false)},
}};

const std::array<TLayoutRow, 56> MAIN_KNOBS{{
    {"knobMovementSpeed", 41, {42}, {276}, 60, 60, {}, knob(0, "labelMovementSpeed", "SPEED", 10)},
    {"knobMovementSpeedControlAmount", 48, {250}, {266}, 44, 44, {}, knob(3, "labelMovementSpeedControlAmount", "SPEED CTRL", 40)},
    {"knobMovementFilterFrequency", 50, {339}, {266}, 44, 44, {}, knob(3, "labelMovementFilterFrequency", "MOVEMENT!>FILTER", 10)},
    {"labelMovementFrequency", NO_PARAM_TAG, {330}, {328}, 60, 9, {}, caption("FREQUENCY")},
    {"knobMovementPitch", 51, {428}, {266}, 44, 44, {}, knob(3, "labelMovementPitch", "MOVEMENT!>PITCH", 10)},
    {"knobMovementVolume", 52, {517}, {266}, 44, 44, {}, knob(2, "labelMovementVolume", "MOVEMENT!>VOLUME", 10)},
    {"knobMovementPan", 53, {611}, {266}, 44, 44, {}, knob(2, "labelMovementPan", "MOVEMENT!>PAN", 10)},
    {"knobMovementAmount1", 57, {725}, {266}, 44, 44, {}, knob(3, "labelMovementAmount1", "DESTINATION 1", 40)},
    {"knobMovementAmount2", 58, {840}, {266}, 44, 44, {}, knob(3, "labelMovementAmount2", "DESTINATION 2", 40)},
    {"knobMovementKeyTracking", 46, {946}, {265}, 30, 30, {}, knob(5, "labelMovementKeyTracking", "KEY TRK", 10)},
    {"knobMovementVelocityTracking", 47, {946}, {313}, 30, 30, {}, knob(5, "labelMovementVelocityTracking", "VEL TRK", 10)},
    {"knobMovementShapeUp", 44, {1003}, {265}, 30, 30, {}, knob(5, "labelMovementShapeUp", "UP SHAPE", 20)},
    {"knobMovementShapeDown", 45, {1003}, {313}, 30, 30, {}, knob(5, "labelMovementShapeDown", "DOWN SHAPE", 35)},
    {"knobAttack", 957, {1060}, {265}, 30, 30, {}, knob(4, "labelAttack", "ATTACK", 20)},
    {"knobRelease", 127, {1060}, {313}, 30, 30, {}, knob(4, "labelRelease", "RELEASE", 20)},
    {"knobFilterFrequency", 28, {599}, {396}, 44, 44, {}, knob(2, "labelFilterFrequency", "FREQ", 10)},
    {"knobFilterQAmount", 30, {656}, {396}, 44, 44, {}, knob(2, "labelFilterQAmount", "Q", 10)},
    {"knobFilterSpread", 29, {712}, {396}, 44, 44, {}, knob(2, "labelFilterSpread", "SPREAD", 10)},
    {"knobFilterVowelMix", 31, {768}, {404}, 30, 30, {}, knob(4, "labelFilterVowelMix", "VOWEL", 20)},
    {"knobFilterKeyTrack", 35, {808}, {396}, 44, 44, {}, knob(3, "labelFilterKeyTrack", "KEY", 10)},
    {"knobVelocityFilterFrequency", 36, {867}, {396}, 44, 44, {}, knob(3, "labelVelocityFilterFrequency", "VEL", 10)},
    {"knobModWheelFilterFrequency", 37, {925}, {396}, 44, 44, {}, knob(3, "labelModWheelFilterFrequency", "MOD WHL", 10)},
    {"knobLFOFilterFrequency", 38, {985}, {396}, 44, 44, {}, knob(3, "labelLFOFilterFrequency", "LFO", 10)},
    {"knobFilterDistortionAmount", 33, {1042}, {396}, 44, 44, {}, knob(2, "labelFilterDistortionAmount", "DISTORT", 20)},
    {"knobFreeLFOSpeed", 63, {155}, {498}, 44, 44, {}, knob(2, "labelFreeLFOSpeed", "SPEED", 10)},
    {"knobFreeLFOSymmetry", 65, {241}, {504}, 30, 30, {}, knob(5, "labelFreeLFOSymmetry", "SYM", 10)},
    {"knobFreeLFOShape", 66, {276}, {504}, 30, 30, {}, knob(5, "labelFreeLFOShape", "SHAPE", 10)},
    {"knobFreeLFOSmooth", 67, {311}, {504}, 30, 30, {}, knob(4, "labelFreeLFOSmooth", "SMTH", 10)},
    {"knobFreeLFOKeyTrack", 68, {346}, {504}, 30, 30, {}, knob(5, "labelFreeLFOKeyTrack", "TRK", 10)},
    {"knobFreeLFOAmount1", 71, {561}, {477}, 44, 44, {}, knob(3, "labelFreeLFOAmount1", "AMOUNT 1", 10)},
    {"knobFreeLFOAmount2", 72, {624}, {477}, 44, 44, {}, knob(3, "labelFreeLFOAmount2", "AMOUNT 2", 10)},
    {"knobStereoSpread", 4, {883}, {500}, 30, 30, {}, knob(4, "labelStereoSpread", "SPREAD", 10)},
    {"knobPan", 3, {922}, {494}, 44, 44, {}, knob(3, "labelPan", "PAN", 10)},
    {"knobVelocityVolume", 2, {977}, {494}, 44, 44, {}, knob(2, "labelVelocityVolume", "VEL>VOL", 10)},
    {"knobMainVolume", 1, {1033}, {485}, 60, 60, {}, knob(0, "labelMainVolume", "VOLUME", 10)},
    {"knobPortamentoAmount", 7, {798}, {522}, 30, 30, {}, knob(4)},
    {"knobLowFiMix", 78, {40}, {596}, 30, 30, {}, knob(5, "labelLowFiMix", "MIX", 10)},
    {"knobLowFiSampleRate", 79, {78}, {596}, 30, 30, {}, knob(4, "labelLowFiSampleRate", "RATE", 10)},
    {"knobLowFiBits", 80, {116}, {596}, 30, 30, {}, knob(4, "labelLowFiBits", "BITS", 10)},
    {"knobDelayMix", 93, {454}, {596}, 30, 30, {}, knob(5, "labelDelayMix", "MIX", 10)},
    {"knobDelayLeft", 94, {498}, {596}, 30, 30, {}, knob(4, "labelDelayLeft", "LEFT", 10)},
    {"knobDelayRight", 95, {542}, {596}, 30, 30, {}, knob(4, "labelDelayRight", "RIGHT", 10)},
    {"knobDelayFeed", 96, {586}, {596}, 30, 30, {}, knob(5, "labelDelayFeed", "FEED", 10)},
    {"knobDelayCross", 97, {630}, {596}, 30, 30, {}, knob(5, "labelDelayCross", "CROSS", 10)},
    {"knobDelayLowPassFilterFrequency", 98, {674}, {596}, 30, 30, {}, knob(4, "labelDelayLowPassFilterFrequency", "LP", 10)},
    {"knobDelayHighPassFilterFrequency", 99, {718}, {596}, 30, 30, {}, knob(4, "labelDelayHighPassFilterFrequency", "HP", 10)},
    {"knobReverbMix", 101, {774}, {596}, 30, 30, {}, knob(5, "labelReverbMix", "MIX", 10)},
    {"knobReverbPreDelay", 102, {818}, {596}, 30, 30, {}, knob(4, "labelReverbPreDelay", "PRE", 10)},
    {"knobReverbSize", 103, {864}, {596}, 30, 30, {}, knob(4, "labelReverbSize", "SIZE", 10)},
    {"knobReverbLength", 104, {908}, {596}, 30, 30, {}, knob(4, "labelReverbLength", "LENGTH", 10)},
    {"knobReverbDamp", 105, {952}, {596}, 30, 30, {}, knob(4, "labelReverbDamp", "DAMP", 10)},
    {"knobReverbHighPassFilterFrequency", 106, {996}, {596}, 30, 30, {}, knob(4, "labelReverbHighPassFilterFrequency", "HP", 10)},
    {"knobModulationSlot1Amount", 119, {221}, {664}, 44, 44, {}, knob(3, "labelModulationSlot1Amount", "AMOUNT", 10)},
    {"knobModulationSlot2Amount", 120, {491}, {664}, 44, 44, {}, knob(3, "labelModulationSlot2Amount", "AMOUNT", 10)},
    {"knobModulationSlot3Amount", 121, {760}, {664}, 44, 44, {}, knob(3, "labelModulationSlot3Amount", "AMOUNT", 10)},
    {"knobModulationSlot4Amount", 122, {1030}, {664}, 44, 44, {}, knob(3, "labelModulationSlot4Amount", "AMOUNT", 10)},
}};

const std::array<TLayoutRow, 18> MAIN_SWITCHES{{
    {"onOffMovementLoopOnOff", 40, {150}, {97}, 13, 13, {0, 3, -2, 0}, onOff("labelMovementLoopOnOff", "LOOP", 2, 35)},
    {"onOffMovementTempoSyncOnOff", 42, {188}, {305}, 13, 13, {}, onOff("labelMovementTempoSyncOnOff", "SYNC", 2, 40)},
    {"onOffPrePostFilterDistortion", 34, {960}, {365}, 13, 13, {0, 0, 0, 2}, onOff("labelPrePostFilterDistortion", "POST", 2, 45)},
    {"onOffFreeLFOTempoSyncOnOff", 64, {207}, {514}, 13, 13, {}, onOff("labelFreeLFOTempoSyncOnOff", "SYNC", 0, 25)},
    {"onOffFreeLFOBypass1OnOff", 69, {577, -1, 0, 0}, {532}, 13, 13, {}, onOff("labelFreeLFOBypass1OnOff", "BY 1", 0, 25)},
    {"onOffFreeLFOBypass2OnOff", 70, {640, -1, 0, 0}, {532}, 13, 13, {}, onOff("labelFreeLFOBypass2OnOff", "BY 2", 0, 25)},
    {"onOffLowFiOnOff", 77, {78, 1, 3, -16}, {572}, 13, 13, {}, onOff()},
    {"onOffModFXOnOff", 81, {218, -1, 2, -24}, {572}, 13, 13, {}, onOff()},
    {"onOffDelayOnOff", 90, {491, -1, 3, -20}, {572}, 13, 13, {}, onOff()},
    {"onOffReverbOnOff", 100, {822, -5, 0, -26}, {572}, 13, 13, {}, onOff()},
    {"onOffModFXTempoSyncOnOff", 83, {406, 0, 1, 2}, {572}, 13, 13, {}, onOff("labelModFXTempoSyncOnOff", "SYNC", 2, 40)},
    {"onOffDelayEqualFeedbackOnOff", 92, {595, -2, 0, 2}, {572}, 13, 13, {-1, 2, 0, -2}, onOff("labelDelayEqualFeedbackOnOff", "EQUAL", 2, 40)},
    {"onOffDelayTempoSyncOnOff", 91, {726, 0, 1, 2}, {572}, 13, 13, {}, onOff("labelDelayTempoSyncOnOff", "SYNC", 2, 40)},
    {"onOffBypassAllFXOnOff", 76, {1004, 1, 3, 2}, {572}, 13, 13, {-1, 0, -2, 0}, onOff("labelBypassAllFXOnOff", "BYPASS ALL", 2, 70)},
    {"onOffModulationSlot1BypassOnOff", 107, {270}, {679}, 13, 13, {}, onOff("labelModulationSlot1BypassOnOff", "BY", 0, 25)},
    {"onOffModulationSlot2BypassOnOff", 108, {540}, {679}, 13, 13, {}, onOff("labelModulationSlot2BypassOnOff", "BY", 0, 25)},
    {"onOffModulationSlot3BypassOnOff", 109, {809}, {679}, 13, 13, {}, onOff("labelModulationSlot3BypassOnOff", "BY", 0, 25)},
    {"onOffModulationSlot4BypassOnOff", 110, {1079}, {679}, 13, 13, {}, onOff("labelModulationSlot4BypassOnOff", "BY", 0, 25)},
}};

const std::array<int, 18> MAIN_SWITCH_ATTACH_ORDER{40, 42, 34, 64, 69, 70, 77, 81, 83,
                                                   90, 91, 92, 100, 76, 107, 108, 109, 110};

const std::array<TLayoutRow, 9> MAIN_SOURCE_ROW{{
    {"menuMovementPanSingleMode", 54, {582}, {330}, 103, 15, {}, labelMenu(panMoveMode, "labelMovementPanSingleMode", "", 2, 60)},
    {"menuSourceMode", 10, {128}, {364}, 103, 15, {}, menu(sourceMode, true, true)},
    {"labelSampleMenu", NO_PARAM_TAG, {248}, {365}, 100, 14, {}, caption("SAMPLE")},
    {"labelSampleRev", NO_PARAM_TAG, {470, 0, 3, 0}, {365}, 40, 14, {}, caption("REV")},
    {"onOffSampleRevOnOff", 20, {494}, {365, 0, 1, 0}, 13, 13, {}, onOff()},
    {"labelEditor", NO_PARAM_TAG, {515, 0, 1, 0}, {365}, 40, 14, {}, caption("EDITOR", 2)},
    {"sampleScreenButton", NO_PARAM_TAG, {557}, {365, 0, 1, 0}, 13, 13, {}, ledButton()},
    {"sampleMenu", 19, {292}, {364}, 166, 15, {}, direct()},
    {"filterMenu", 27, {650}, {364}, 166, 15, {}, direct()},
}};

const std::array<TLayoutRow, 10> MAIN_MENUS{{
    {"menuFilterDistortionMode", 32, {988}, {364}, 103, 15, {}, labelMenu(filterDistortType, "labelFilterDistortionMode", "", 0, 0)},
    {"menuFreeLFOWave", 61, {41}, {493}, 103, 15, {}, labelMenu(lfoWave, "labelFreeLFOWave", "WAVE", 0, 0)},
    {"menuFreeLFOMode", 62, {41}, {525}, 103, 15, {}, labelMenu(lfoMode, "labelFreeLFOMode", "MODE", 0, 0)},
    {"menuPlayMode", 5, {762}, {469}, 103, 15, {}, labelMenu(playMode, "labelPlayMode", "PLAY MODE", 0, 30)},
    {"menuPortamentoMode", 6, {762}, {502}, 103, 15, {}, labelMenu(portMode, "labelPortamentoMode", "", 2, 30)},
    {"menuPitchBendDown", 8, {696}, {493}, 51, 15, {}, labelMenu(pitchBend, "labelPitchBendDown", "BEND DOWN", 0, 60)},
    {"menuPitchBendUp", 9, {696}, {526}, 51, 15, {}, labelMenu(pitchBend, "labelPitchBendUp", "BEND UP", 0, 20)},
    {"labelPort", NO_PARAM_TAG, {765}, {533}, 50, 9, {}, caption("PORT")},
    {"menuModFXMode", 82, {256}, {571}, 103, 15, {}, menu(modFXMode, true, true)},
    {"menuFXPath", 75, {1042}, {587}, 56, 54, {}, menu(fxPath, false, false)},
}};

const std::array<TLayoutRow, 14> MAIN_MODULATION_MENUS{{
    {"srcMenus[0]", 49, {128}, {330}, 103, 15, {}, srcMenu(0)},
    {"srcMenus[1]", 111, {44}, {659}, 164, 15, {}, srcMenu(1, "labelSourceMenu1", "SOURCE", 20)},
    {"srcMenus[2]", 112, {314}, {659}, 164, 15, {}, srcMenu(2, "labelSourceMenu2", "SOURCE", 20)},
    {"srcMenus[3]", 113, {584}, {659}, 164, 15, {}, srcMenu(3, "labelSourceMenu3", "SOURCE", 20)},
    {"srcMenus[4]", 114, {854}, {659}, 164, 15, {}, srcMenu(4, "labelSourceMenu4", "SOURCE", 20)},
    {"destMenus[4]", 59, {697}, {330}, 103, 15, {}, destMenu(4, "labelDestMenu4", "", 0)},
    {"destMenus[5]", 60, {811}, {330}, 103, 15, {}, destMenu(5, "labelDestMenu5", "", 0)},
    {"destMenus[6]", 73, {382}, {493}, 164, 15, {}, destMenu(6, "labelDestMenu6", "DESTINATION 1", 20)},
    {"destMenus[7]", 74, {382}, {525}, 164, 15, {}, destMenu(7, "labelDestMenu7", "DESTINATION 2", 20)},
    {"destMenus[0]", 115, {44}, {694}, 164, 15, {}, destMenu(0, "labelDestMenu0", "DESTINATION", 20)},
    {"destMenus[1]", 116, {314}, {694}, 164, 15, {}, destMenu(1, "labelDestMenu1", "DESTINATION", 20)},
    {"destMenus[2]", 117, {584}, {694}, 164, 15, {}, destMenu(2, "labelDestMenu2", "DESTINATION", 20)},
    {"destMenus[3]", 118, {854}, {694}, 164, 15, {}, destMenu(3, "labelDestMenu3", "DESTINATION", 20)},
    {"moveSpeedMenuButton", NO_PARAM_TAG, {128}, {278}, 103, 15, {}, menuButton(2, false, true)},
}};

const std::array<TLayoutRow, 7> MAIN_MOVEMENT_AND_RIBBON{{
    {"lockMenu", NO_PARAM_TAG, {851}, {96}, 93, 15, {}, labelMenu(lock, "labelLock", "SPEED LOCK", 2, 65, 3)},
    {"menuMoveSnapTo", 958, {1003}, {96}, 93, 15, {}, labelMenu(moveSnap, "labelMoveSnapTo", "SNAP TO", 2, 45)},
    {"onOffRibbonBiPolarOnOff", 124, {883}, {739}, 13, 13, {}, onOff()},
    {"menuRibbonSpringTime", 125, {944}, {738}, 59, 15, {}, menu(ribbonSpringTime, true, false)},
    {"menuRibbonQuantization", 126, {1054}, {739}, 47, 15, {}, menu(ribbonQuant, true, false)},
    {"lfoSelector", NO_PARAM_TAG, {414}, {95}, 304, 18, {}, direct()},
    {"lfoScreen", NO_PARAM_TAG, {37}, {119}, 1057, 132, {}, direct()},
}};

const std::array<TLayoutRow, 21> SOURCE_PANEL{{
    {"knobNoiseMix", 14, {20}, {14}, 44, 44, {}, knob(2, "labelNoiseMix", "NOISE MIX", 10)},
    {"knobSourceSemi", 12, {97}, {14}, 44, 44, {}, knob(3, "labelSourceSemi", "SEMI", 0)},
    {"knobWaveMix", 15, {20}, {14}, 44, 44, {}, knob(2, "labelWaveMix", "WAVE MIX", 10)},
    {"knobWaveSampleNoiseMix", 16, {97}, {14}, 44, 44, {}, knob(3, "labelWaveSampleNoiseMix", "NOISE MIX", 10)},
    {"knobSourceSemi2", 12, {174}, {14}, 44, 44, {}, knob(3, "labelSourceSemi2", "SEMI", 10)},
    {"knobSourceFine", 13, {251}, {14}, 44, 44, {}, knob(3, "labelSourceFine", "FINE", 0)},
    {"knobWaveSymmetry", 17, {328}, {14}, 44, 44, {}, knob(3, "labelWaveSymmetry", "SYMMETRY", 10)},
    {"knobWaveFeedback", 18, {404}, {14}, 44, 44, {}, knob(2, "labelWaveFeedback", "FEED", 0)},
    {"knobSourceSemi3", 12, {20}, {14}, 44, 44, {}, knob(3, "labelSourceSemi3", "SEMI", 10)},
    {"knobSourceFine2", 13, {86}, {14}, 44, 44, {}, knob(3, "labelSourceFine2", "FINE", 10)},
    {"knobWaveSampleNoiseMix2", 16, {152}, {14}, 44, 44, {}, knob(3, "labelWaveSampleNoiseMix2", "NOISE MIX", 10)},
    {"knobSampleOffset", 21, {218}, {14}, 44, 44, {}, knob(2, "labelSampleOffset", "OFFSET", 10)},
    {"knobGrainLength", 23, {284}, {14}, 44, 44, {}, knob(3, "labelGrainLength", "LENGTH", 0)},
    {"knobGrainSize", 24, {349}, {14}, 44, 44, {}, knob(2, "labelGrainSize", "SIZE", 0)},
    {"knobGrainRandom", 25, {416}, {14}, 44, 44, {}, knob(2, "labelGrainRandom", "RANDOM", 0)},
    {"knobSubVolume", 26, {483}, {14}, 44, 44, {}, knob(2, "labelSubVolume", "SUB", 0)},
    {"onOffKeyTrackOnOff", 11, {151}, {30}, 13, 13, {}, onOff("labelKeyTrackOnOff", "TRK", 0, 35)},
    {"onOffKeyTrackOnOff2", 11, {228}, {30}, 13, 13, {}, onOff("labelKeyTrackOnOff2", "TRK", 0, 35)},
    {"onOffKeyTrackOnOff3", 11, {70}, {30}, 13, 13, {}, onOff("labelKeyTrackOnOff3", "TRK", 0, 35)},
    {"onOffGrainOnOff", 22, {299, 1, 1, 0}, {0}, 13, 13, {}, onOff("labelGrainOnOff", "GRAIN", 2, 35)},
    {"waveScreen", NO_PARAM_TAG, {178}, {3}, 268, 65, {}, direct()},
}};

const std::array<TLayoutRow, 10> MOD_FX_PANEL{{
    {"knobModFXMix", 84, {13}, {3}, 30, 30, {}, knob(5, "labelModFXMix", "MIX", 10)},
    {"knobModFX1", 85, {60}, {3}, 30, 30, {}, knob(4, "labelModFX1", "1", 10)},
    {"knobModFX2", 86, {103}, {3}, 30, 30, {}, knob(4, "labelModFX2", "2", 10)},
    {"knobModFX3", 87, {148}, {3}, 30, 30, {}, knob(4, "labelModFX3", "3", 10)},
    {"knobModFX4", 88, {193}, {3}, 30, 30, {}, knob(4, "labelModFX4", "4", 10)},
    {"knobModFX5", 89, {238}, {3}, 30, 30, {}, knob(4, "labelModFX5", "5", 10)},
    {"labelGatorLeft", NO_PARAM_TAG, {137}, {8}, 10, 10, {}, caption("L")},
    {"labelGatorRight", NO_PARAM_TAG, {137}, {28}, 10, 10, {}, caption("R")},
    {"gatorDisplays[0]", 88, {148}, {4}, 128, 16, {}, direct()},
    {"gatorDisplays[1]", 89, {148}, {24}, 128, 16, {}, direct()},
}};

const std::array<TLayoutRow, 28> SAMPLE_SCREEN{{
    {"labelSampleFolder", NO_PARAM_TAG, {23, 0, 3, 4}, {87}, 120, 14, {}, title("SAMPLE FOLDER")},
    {"labelSampleName", NO_PARAM_TAG, {250, 0, 0, 2}, {87}, 100, 14, {}, title("SAMPLE NAME")},
    {"labelSampleTitle", NO_PARAM_TAG, {475, 0, 2, 4}, {87}, 100, 14, {}, title("SAMPLE")},
    {"labelSamplePlayMode", NO_PARAM_TAG, {27}, {339, 1, 0, 0}, 108, 10, {}, caption("PLAY MODE", 1)},
    {"labelSampleStart", NO_PARAM_TAG, {154}, {339, 1, 0, 0}, 173, 10, {}, caption("SAMPLE START", 1)},
    {"labelLoopStart", NO_PARAM_TAG, {348}, {339, 1, 0, 0}, 173, 10, {}, caption("LOOP START", 1)},
    {"labelLoopEnd", NO_PARAM_TAG, {543}, {339, 1, 0, 0}, 173, 10, {}, caption("LOOP END", 1)},
    {"menuSampleLoopMode", 244, {27}, {320}, 108, 15, {}, menu(sampleLoopMode, true, true)},
    {"sampleNudgeButtons[0]", NO_PARAM_TAG, {154}, {319, 0, 0, -1}, 22, 17, {}, textButton(3)},
    {"sampleNudgeButtons[1]", NO_PARAM_TAG, {177}, {319, 0, 0, -1}, 22, 17, {}, textButton(2)},
    {"sampleNudgeButtons[2]", NO_PARAM_TAG, {282}, {319, 0, 0, -1}, 22, 17, {}, textButton(4)},
    {"sampleNudgeButtons[3]", NO_PARAM_TAG, {305}, {319, 0, 0, -1}, 22, 17, {}, textButton(5)},
    {"sampleNudgeButtons[4]", NO_PARAM_TAG, {348}, {319, 0, 0, -1}, 22, 17, {}, textButton(3)},
    {"sampleNudgeButtons[5]", NO_PARAM_TAG, {371}, {319, 0, 0, -1}, 22, 17, {}, textButton(2)},
    {"sampleNudgeButtons[6]", NO_PARAM_TAG, {476}, {319, 0, 0, -1}, 22, 17, {}, textButton(4)},
    {"sampleNudgeButtons[7]", NO_PARAM_TAG, {499}, {319, 0, 0, -1}, 22, 17, {}, textButton(5)},
    {"sampleNudgeButtons[8]", NO_PARAM_TAG, {543}, {319, 0, 0, -1}, 22, 17, {}, textButton(3)},
    {"sampleNudgeButtons[9]", NO_PARAM_TAG, {566}, {319, 0, 0, -1}, 22, 17, {}, textButton(2)},
    {"sampleNudgeButtons[10]", NO_PARAM_TAG, {671}, {319, 0, 0, -1}, 22, 17, {}, textButton(4)},
    {"sampleNudgeButtons[11]", NO_PARAM_TAG, {694}, {319, 0, 0, -1}, 22, 17, {}, textButton(5)},
    {"sampleZoomButtons[0]", NO_PARAM_TAG, {745}, {320, 1, 1, 1}, 103, 15, {}, textButton(1, "ZOOM IN")},
    {"sampleZoomButtons[1]", NO_PARAM_TAG, {863}, {320, 1, 1, 1}, 103, 15, {}, textButton(1, "ZOOM OUT")},
    {"sampleZoomButtons[2]", NO_PARAM_TAG, {982}, {320, 1, 1, 1}, 103, 15, {}, textButton(1, "RESET ZOOM")},
    {"samplePositionFields[0]", NO_PARAM_TAG, {200}, {320, 1, 1, 1}, 82, 15, {}, direct()},
    {"samplePositionFields[1]", NO_PARAM_TAG, {394}, {320, 1, 1, 1}, 82, 15, {}, direct()},
    {"samplePositionFields[2]", NO_PARAM_TAG, {589}, {320, 1, 1, 1}, 82, 15, {}, direct()},
    {"sampleFileDisplay", NO_PARAM_TAG, {27}, {103}, 439, 206, {}, direct()},
    {"sampleDisplay", NO_PARAM_TAG, {480}, {104}, 624, 206, {}, direct()},
}};

const TLayoutRow* findLayoutRow(std::string_view member) {
    const std::initializer_list<std::span<const TLayoutRow>> tables{
        MAIN_CAPTIONS, MAIN_TOP_BAR, MAIN_KNOBS, MAIN_SWITCHES, MAIN_SOURCE_ROW, MAIN_MENUS,
        MAIN_MODULATION_MENUS, MAIN_MOVEMENT_AND_RIBBON, SOURCE_PANEL, MOD_FX_PANEL, SAMPLE_SCREEN};
    for (std::span<const TLayoutRow> table : tables)
        for (const TLayoutRow& row : table)
            if (member == row.member)
                return &row;
    return nullptr;
}

TPixelBox getScaledBox(const TLayoutRow& row, int screenSize) {
    return {getScaled(row.x, screenSize) + getScaled(row.switchOffset, screenSize), getScaled(row.y, screenSize),
            getScaled(row.width, screenSize), getScaled(row.height, screenSize)};
}
